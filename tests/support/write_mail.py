#!/usr/bin/env python3
"""Writes test mail with Python's standard `email` package, an independent
MIME writer, from a JSON description:

    write_mail.py DESCRIPTION.json OUTPUT

The description is {"mbox": false, "messages": [PART, ...]} (one message
unless "mbox" is true). A PART is one of
    {"multipart": "mixed", "parts": [PART, ...]}
    {"forward": PART}                       a message/rfc822 part holding a message whose body is PART
    {"type": "text/plain", "text": "..."}
    {"type": "application/octet-stream", "data": FILE, "encoding": "base64" | "quoted-printable" | "x-uuencode",
     "name": "...", "name_style": "rfc2231" | "rfc2047" | "plain" | "none"}
"""
import binascii
import email.encoders
import email.header
import email.utils
import json
import mailbox
import sys
from email.mime.base import MIMEBase
from email.mime.message import MIMEMessage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText


def uuencode(data, name):
    lines = [f"begin 644 {name or 'data'}\n".encode()]
    for start in range(0, len(data), 45):
        lines.append(binascii.b2a_uu(data[start:start + 45]))
    lines.append(b"`\nend\n")
    return b"".join(lines).decode("ascii")


def attachment(description):
    maintype, subtype = description["type"].split("/")
    with open(description["data"], "rb") as source:
        data = source.read()
    part = MIMEBase(maintype, subtype)
    encoding = description.get("encoding", "base64")
    name = description.get("name", "")
    if encoding == "base64":
        part.set_payload(data)
        email.encoders.encode_base64(part)
    elif encoding == "quoted-printable":
        # Binary data: line breaks in it are bytes to keep, not text lines
        # (encode_quopri would treat them as text and lose lone CRs).
        part.set_payload(binascii.b2a_qp(data, quotetabs=True, istext=False).decode("ascii"))
        part["Content-Transfer-Encoding"] = "quoted-printable"
    elif encoding == "x-uuencode":
        part.set_payload(uuencode(data, name))
        part["Content-Transfer-Encoding"] = "x-uuencode"
    else:
        raise ValueError(encoding)
    style = description.get("name_style", "rfc2231")
    if name and style == "rfc2231":
        part.add_header("Content-Disposition", "attachment", filename=("utf-8", "", name))
    elif name and style == "rfc2047":
        # What many mail programs write: an encoded word inside the quotes.
        encoded = email.header.Header(name, "utf-8").encode()
        part.add_header("Content-Disposition", "attachment", filename=encoded)
    elif name and style == "plain":
        part.add_header("Content-Disposition", "attachment", filename=name)
    return part


def build(description):
    if "multipart" in description:
        outer = MIMEMultipart(description["multipart"])
        for child in description["parts"]:
            outer.attach(build(child))
        return outer
    if "forward" in description:
        return MIMEMessage(message(description["forward"], "Forwarded"))
    if description["type"].startswith("text/"):
        return MIMEText(description.get("text", "Hello"), description["type"].split("/")[1], "utf-8")
    return attachment(description)


def message(body, subject):
    result = build(body)
    result["From"] = "Sender <sender@example.org>"
    result["To"] = "Recipient <recipient@example.org>"
    result["Subject"] = subject
    result["Date"] = email.utils.formatdate(0)
    return result


def main():
    with open(sys.argv[1]) as source:
        description = json.load(source)
    messages = [message(body, f"Test {n}") for n, body in enumerate(description["messages"], 1)]
    if description.get("mbox"):
        box = mailbox.mbox(sys.argv[2], create=True)
        for each in messages:
            box.add(each)
        box.flush()
        box.close()
    else:
        with open(sys.argv[2], "wb") as target:
            target.write(messages[0].as_bytes())


if __name__ == "__main__":
    main()
