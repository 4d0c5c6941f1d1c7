#!/usr/bin/env python3
"""Writes e-mail for the ozv tests with Python's own `email` package, a
writer independent of the one ozv reads with.

    make_message.py OUT [--mbox] [--forward] [--encoding ENC] [FILE=NAME...] [--next ...]

Each FILE=NAME attaches the bytes of FILE under the file name NAME (which
may hold any Unicode; it is sent RFC 2231-encoded when not ASCII). ENC is
base64 (the default), quoted-printable, uuencode or 8bit and applies to the
attachments after it. --forward wraps the message so far in a new one, as a
message/rfc822 attachment. --next starts another message; with more than one
message, or with --mbox, OUT is an mbox file.
"""
import base64
import binascii
import email.encoders
import email.policy
import mailbox
import sys
from email.message import EmailMessage


def attachment(data, name, encoding):
    part = EmailMessage()
    if encoding == "uuencode":
        # The email package reads uuencoded bodies but writes none; the body
        # is laid out by hand as uuencode(1) does.
        lines = ["begin 644 " + name]
        for start in range(0, len(data), 45):
            lines.append(binascii.b2a_uu(data[start:start + 45]).decode("ascii").rstrip("\n"))
        lines += ["`", "end"]
        part.set_payload("\n".join(lines) + "\n")
        part["Content-Type"] = "application/octet-stream"
        part["Content-Transfer-Encoding"] = "x-uuencode"
        part.add_header("Content-Disposition", "attachment", filename=name)
        return part
    part.set_content(data, maintype="application", subtype="octet-stream", disposition="attachment",
                     filename=name, cte=encoding if encoding != "8bit" else "8bit")
    return part


def new_message(number):
    message = EmailMessage()
    message["From"] = "Anna Sender <anna@example.org>"
    message["To"] = "bob@example.org"
    message["Subject"] = "Containers, message %d" % number
    message.set_content("The files you asked for are attached.\n")
    return message


def main(argv):
    out = argv[1]
    as_mbox = False
    messages = [new_message(1)]
    encoding = "base64"
    for arg in argv[2:]:
        if arg == "--mbox":
            as_mbox = True
        elif arg == "--next":
            messages.append(new_message(len(messages) + 1))
        elif arg == "--forward":
            outer = new_message(len(messages))
            outer.add_attachment(messages[-1])
            messages[-1] = outer
        elif arg.startswith("--encoding="):
            encoding = arg.split("=", 1)[1]
        else:
            path, name = arg.split("=", 1)
            with open(path, "rb") as f:
                data = f.read()
            message = messages[-1]
            if not message.is_multipart():
                message.make_mixed()
            message.attach(attachment(data, name, encoding))
    if as_mbox or len(messages) > 1:
        box = mailbox.mbox(out, create=True)
        for message in messages:
            box.add(mailbox.mboxMessage(message))
        box.flush()
        box.close()
    else:
        with open(out, "wb") as f:
            f.write(messages[0].as_bytes(policy=email.policy.SMTP))


if __name__ == "__main__":
    main(sys.argv)
