#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The cabinets are built here byte by byte: stored, MSZIP (deflate blocks
behind "CK"), LZX (one uncompressed block) and a cabinet that names a next
cabinet of its set. Run it again after changing it; the output is committed.
"""
import base64
import binascii
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = [("readme.txt", b"Quellmark fuzz seed.\r\n" * 3), ("docs\\notes.txt", b"notes " * 40)]


def cabinet(files, compression, next_cabinet=None):
    """One folder holding `files`; compression 0 stored, 1 MSZIP, 3 LZX."""
    stream = b"".join(content for _, content in files)
    if compression == 0:
        frames = [(stream[i:i + 32768], stream[i:i + 32768]) for i in range(0, len(stream), 32768)]
        type_compress = 0
    elif compression == 1:
        frames = []
        for i in range(0, len(stream), 32768):
            chunk = stream[i:i + 32768]
            deflater = zlib.compressobj(9, zlib.DEFLATED, -15)
            frames.append((b"CK" + deflater.compress(chunk) + deflater.flush(), chunk))
        type_compress = 1
    else:
        assert len(stream) <= 32768
        frames = [(lzx_uncompressed_block(stream), stream)]
        type_compress = 3 | (15 << 8)
    strings = b""
    flags = 0
    if next_cabinet:
        flags |= 2
        strings = next_cabinet.encode() + b"\0" + b"disk 2\0"
    header_size = 36 + len(strings)
    folder_size = 8
    file_entries = b""
    offset = 0
    for name, content in files:
        file_entries += struct.pack("<IIHHHH", len(content), offset, 0, 0x5A88, 0x6000, 0x20) + name.encode("cp1252") + b"\0"
        offset += len(content)
    data_start = header_size + folder_size + len(file_entries)
    data = b"".join(struct.pack("<IHH", 0, len(packed), len(plain)) + packed for packed, plain in frames)
    total = data_start + len(data)
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, header_size + folder_size, 0, 3, 1, 1,
                         len(files), flags, 0x1234, 0) + strings
    folder = struct.pack("<IHH", data_start, len(frames), type_compress)
    return header + folder + file_entries + data


def lzx_uncompressed_block(data):
    """An LZX stream of one uncompressed block: no E8 translation, the block
    header, padding to 16 bits, R0..R2 and the bytes themselves."""
    bits = "0" + format(3, "03b") + format(len(data), "024b")
    bits += "0" * (16 - len(bits) % 16)  # 1 to 16 bits of padding
    out = b""
    for i in range(0, len(bits), 16):
        out += struct.pack("<H", int(bits[i:i + 16], 2))
    out += struct.pack("<III", 1, 1, 1) + data
    if len(data) % 2:
        out += b"\0"
    return out


def container_seed(index, cab):
    """fuzz_container: an even first byte chooses a cipher for the cabinet behind it."""
    return bytes([index * 2]) + cab


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def message(parts, boundary="b1"):
    """A multipart/mixed message; each part is (headers, body)."""
    text = "From: Sender <sender@example.org>\nSubject: seed\nMIME-Version: 1.0\n"
    text += "Content-Type: multipart/mixed; boundary=\"%s\"\n\n" % boundary
    for headers, body in parts:
        text += "--%s\n%s\n\n%s\n" % (boundary, headers, body)
    return (text + "--%s--\n" % boundary).encode()


def mail_seeds():
    """fuzz_mail: messages, an mbox and TNEF streams, each with a small container."""
    payload = bytes(range(256)) * 2
    encoded = base64.encodebytes(payload).decode()
    attachment = "Content-Type: application/octet-stream; name=\"a.ozv\"\nContent-Transfer-Encoding: "
    text = ("Content-Type: text/plain", "Hello")
    write("fuzz_mail", "base64.eml", message([text, (attachment + "base64", encoded)]))
    write("fuzz_mail", "quoted-printable.eml", message([
        text, ("Content-Type: application/x-ozv-container\nContent-Disposition: attachment;"
               " filename*=utf-8''%C3%9Cbersicht.ozv\nContent-Transfer-Encoding: quoted-printable",
               binascii.b2a_qp(payload[:200], quotetabs=True, istext=False).decode())]))
    uu = "begin 644 u.ozv\n" + "".join(binascii.b2a_uu(payload[i:i + 45]).decode() for i in range(0, 90, 45))
    write("fuzz_mail", "uuencode.eml", message([(attachment.replace("a.ozv", "=?utf-8?q?=C3=A4?=.ozv") + "x-uuencode",
                                                 uu + "`\nend")]))
    inner = message([(attachment + "base64", encoded[:120])], "b2").decode()
    write("fuzz_mail", "nested.eml", message([
        ("Content-Type: multipart/alternative; boundary=\"b3\"",
         "--b3\nContent-Type: text/plain\n\nx\n--b3\n" + attachment + "base64\n\n" + encoded[:80] + "\n--b3--"),
        ("Content-Type: message/rfc822", inner)]))
    single = message([(attachment + "base64", encoded[:40])]).decode()
    write("fuzz_mail", "three.mbox", "".join("From sender@example.org Thu Jan  1 00:00:00 1970\n%s\n" % single
                                             for _ in range(3)).encode())
    with open(os.path.join(HERE, "..", "tests", "data", "tnef", "two-files.tnef"), "rb") as f:
        tnef = f.read()
    write("fuzz_mail", "winmail.dat", tnef)
    write("fuzz_mail", "tnef-part.eml", message([
        text, ("Content-Type: application/ms-tnef; name=\"winmail.dat\"\nContent-Transfer-Encoding: base64",
               base64.encodebytes(tnef).decode())]))


def main():
    mail_seeds()
    stored = cabinet(FILES, 0)
    mszip = cabinet(FILES, 1)
    lzx = cabinet(FILES, 3)
    chained = cabinet(FILES[:1], 1, next_cabinet="in.cab")
    for name, cab in [("stored.cab", stored), ("mszip.cab", mszip), ("lzx.cab", lzx), ("set.cab", chained)]:
        write("fuzz_cabinet", name, cab)

    for index in (0, 1, 7, 20, 38, 39):
        write("fuzz_container", "index%02d-mszip" % index, container_seed(index, mszip))
    write("fuzz_container", "index01-lzx", container_seed(1, lzx))
    with open(os.path.join(HERE, "..", "examples", "welcome.ozv"), "rb") as f:
        write("fuzz_container", "welcome-raw", b"\x01" + f.read())

    write("fuzz_registry", "store.reg",
          b"Windows Registry Editor Version 5.00\r\n\r\n"
          b"[HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder]\r\n"
          b"\"data\"=hex:3f,a0,17,\\\r\n  22,99\r\n\"Remember\"=dword:00000001\r\n@=\"default\"\r\n\r\n"
          b"[HKEY_CURRENT_USER\\Software\\quellmark\\Form]\r\n\"NormPos\"=\"10,20,300,400\"\r\n"
          b"\"Path\"=hex(2):25,00,48,00,00,00\r\n\"Odd\"=hex(7):61,00,00,00\r\n; comment\r\n")
    write("fuzz_registry", "utf16.reg",
          b"\xff\xfe" + "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Gr\u00fc\u00dfe]\r\n"
          "\"Name\"=\"Wert mit \\\"Zeichen\\\" und \\\\\"\r\n".encode("utf-16-le"))
    write("fuzz_registry", "empty-key.reg", b"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A\\B]\n")

    sections = [
        b"50:text/plain:*.txt\n50:application/x-ozv-container:*.ozv\n60:text/x-readme:*.TXT:cs\n",
        b"text/x-plain text/plain\n",
        b"application/x-ozv-container:quellmark\n",
        b"text/plain:text-x-generic\n",
        b"text/plain\napplication/x-ozv-container\n",
        b"[Desktop Entry]\nType=Application\nName=Fuzz\nExec=\"fuzz viewer\" --open %f\nMimeType=text/plain;\n",
        b"[Default Applications]\ntext/plain=fuzz.desktop;\n[Added Associations]\napplication/x-ozv-container=fuzz.desktop\n",
        b"[Icon Theme]\nName=Fuzz\nInherits=hicolor\nDirectories=32x32/mimetypes\n\n[32x32/mimetypes]\nSize=32\nType=Fixed\n",
        b".txt\n.TXT\n.ozv\ntext/plain\\Shell\\Open\\Command\n",
    ]
    write("fuzz_file_types", "tree", b"\0".join(sections))
    write("fuzz_file_types", "keyfile", b"[Desktop Entry]\nExec=sh -c \"echo \\\\$1\" %U\nName[de]=Pr\\s\\u00fcfung\n")

    args = {
        "create-list-extract": [["create", "c.ozv", ".", "-c", "Twofish"], ["list", "c.ozv"], ["extract", "c.ozv", "-d", "out"]],
        "help": [["--help"]],
        "algorithms": [["algorithms"]],
        "hash": [["hash", "-a", "Message Digest 4", "-"]],
        "encrypt": [["encrypt", "-c", "Blowfish", "-m", "ecb", "--key-hex", "00112233", "--iv-hex=01"]],
        "create-store": [["create", "--store", "s.ozv", "-p", "pw", "--codepage", "CP1251", "."], ["info", "s.ozv"]],
        "bad": [["info"], ["extract", "-d"], ["-x"], ["--password-file"]],
    }
    for name, invocations in args.items():
        write("fuzz_ozv_args", name, b"\x01".join(b"\0".join(a.encode() for a in inv) for inv in invocations))


if __name__ == "__main__":
    main()
