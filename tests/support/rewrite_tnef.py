#!/usr/bin/env python3
"""Rewrites a real TNEF stream (winmail.dat), following Microsoft's
[MS-OXTNEF] description of its attributes and MAPI property lists:

    rewrite_tnef.py rename IN OUT INDEX NAME DATA
        gives the INDEX-th attachment (from 1) the file name NAME (title and
        long file name) and the bytes of the file DATA, with every length
        and checksum recomputed;
    rewrite_tnef.py break-length IN OUT
        claims a length for the first attachment's data far past the end.
"""
import struct
import sys

SIGNATURE = 0x223E9F78
ATT_ATTACH_RENDDATA = 0x00069002
ATT_ATTACH_TITLE = 0x00018010
ATT_ATTACH_DATA = 0x0006800F
ATT_ATTACHMENT = 0x00069005
PR_ATTACH_LONG_FILENAME = 0x3707
PT_STRING8, PT_UNICODE, PT_BINARY, PT_OBJECT = 0x001E, 0x001F, 0x0102, 0x000D
MV_FLAG = 0x1000
FIXED_SIZES = {0x0002: 2, 0x0003: 4, 0x0004: 4, 0x0005: 8, 0x0006: 8, 0x0007: 8, 0x000A: 4, 0x000B: 2,
               0x0014: 8, 0x0040: 8, 0x0048: 16}


def padded(size):
    return (size + 3) & ~3


def attributes(data):
    """(level, id, payload) of every attribute after the 6-byte stream header."""
    sig, _key = struct.unpack_from("<IH", data, 0)
    assert sig == SIGNATURE, "not a TNEF stream"
    offset, found = 6, []
    while offset < len(data):
        level, attribute, length = struct.unpack_from("<BII", data, offset)
        payload = data[offset + 9: offset + 9 + length]
        found.append((level, attribute, payload))
        offset += 9 + length + 2
    return found


def encode(level, attribute, payload):
    checksum = sum(payload) & 0xFFFF
    return struct.pack("<BII", level, attribute, len(payload)) + payload + struct.pack("<H", checksum)


def property_values(block, offset, kind):
    """The values of one property at `offset`, and the offset after them."""
    base = kind & ~MV_FLAG
    variable = base in (PT_STRING8, PT_UNICODE, PT_BINARY, PT_OBJECT)
    count = 1
    if variable or kind & MV_FLAG:
        (count,) = struct.unpack_from("<I", block, offset)
        offset += 4
    values = []
    for _ in range(count):
        if variable:
            (size,) = struct.unpack_from("<I", block, offset)
            values.append(block[offset + 4: offset + 4 + size])
            offset += 4 + padded(size)
        else:
            size = padded(FIXED_SIZES[base])
            values.append(block[offset: offset + size])
            offset += size
    return values, offset


def rename_in_properties(block, name):
    """The MAPI property list `block` with PR_ATTACH_LONG_FILENAME set to `name`."""
    (count,) = struct.unpack_from("<I", block, 0)
    offset, result = 4, [struct.pack("<I", count)]
    for _ in range(count):
        start = offset
        kind, ident = struct.unpack_from("<HH", block, offset)
        offset += 4
        if ident >= 0x8000:  # a named property: GUID, kind, then an id or a name
            offset += 16
            (name_kind,) = struct.unpack_from("<I", block, offset)
            offset += 4
            if name_kind == 0:
                offset += 4
            else:
                (size,) = struct.unpack_from("<I", block, offset)
                offset += 4 + padded(size)
        head = block[start:offset]
        values, offset = property_values(block, offset, kind)
        if ident == PR_ATTACH_LONG_FILENAME and kind in (PT_STRING8, PT_UNICODE):
            text = name.encode("utf-8" if kind == PT_STRING8 else "utf-16-le") + (b"\0" if kind == PT_STRING8 else b"\0\0")
            values = [text]
        body = b""
        if kind in (PT_STRING8, PT_UNICODE, PT_BINARY, PT_OBJECT) or kind & MV_FLAG:
            body += struct.pack("<I", len(values))
        for value in values:
            if (kind & ~MV_FLAG) in (PT_STRING8, PT_UNICODE, PT_BINARY, PT_OBJECT):
                body += struct.pack("<I", len(value)) + value + b"\0" * (padded(len(value)) - len(value))
            else:
                body += value
        result.append(head + body)
    return b"".join(result) + block[offset:]


def rename(data, index, name, content):
    output = [data[:6]]
    attachment = 0
    for level, attribute, payload in attributes(data):
        if attribute == ATT_ATTACH_RENDDATA:
            attachment += 1
        if attachment == index:
            if attribute == ATT_ATTACH_TITLE:
                payload = name.encode("utf-8") + b"\0"
            elif attribute == ATT_ATTACH_DATA:
                payload = content
            elif attribute == ATT_ATTACHMENT:
                payload = rename_in_properties(payload, name)
        output.append(encode(level, attribute, payload))
    assert attachment >= index, "no such attachment"
    return b"".join(output)


def break_length(data):
    offset = 6
    while offset < len(data):
        _level, attribute, length = struct.unpack_from("<BII", data, offset)
        if attribute == ATT_ATTACH_DATA:
            return data[:offset + 5] + struct.pack("<I", 0x7FFFFFF0) + data[offset + 9:]
        offset += 9 + length + 2
    raise ValueError("no attachment data")


def main():
    mode, source, target = sys.argv[1:4]
    with open(source, "rb") as stream:
        data = stream.read()
    if mode == "rename":
        with open(sys.argv[6], "rb") as stream:
            content = stream.read()
        data = rename(data, int(sys.argv[4]), sys.argv[5], content)
    elif mode == "break-length":
        data = break_length(data)
    else:
        raise ValueError(mode)
    with open(target, "wb") as stream:
        stream.write(data)


if __name__ == "__main__":
    main()
