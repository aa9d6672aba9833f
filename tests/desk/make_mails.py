#!/usr/bin/env python3
"""Writes the desk's example mailbox and the input walk's fixtures.

    tests/desk/make_mails.py TARNWICK_REPLAY [EXAMPLES]

The reports are real ones: TARNWICK_REPLAY is run on the test machines and
on the xp-desk example of EXAMPLES (default: the shared examples beside the
repository). Dates and message ids are fixed, so the files come
out the same on every run.
"""
import email.policy
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from email.message import EmailMessage
from email.mime.application import MIMEApplication
from email.mime.base import MIMEBase
from email.mime.message import MIMEMessage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email import encoders

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MACHINES = {
    "tuner-stick": os.path.join(ROOT, "tests/machines/tuner-stick"),
    "tuner-cards": os.path.join(ROOT, "tests/machines/tuner-cards"),
    "tv-apps": os.path.join(ROOT, "tests/machines/tv-apps"),
}
EXAMPLES = os.path.join(ROOT, "..", "shared", "examples")
POLICY = email.policy.SMTP  # CR LF line ends, as mail travels


def reports(replay, examples):
    found = {}
    MACHINES["xp-desk"] = os.path.join(examples, "xp-desk")
    with tempfile.TemporaryDirectory() as out:
        for name, machine in MACHINES.items():
            subprocess.run([replay, machine, os.path.join(out, name)], check=True, stdout=subprocess.DEVNULL)
            with open(os.path.join(out, name, "drive_c", "SystemInfo.ini"), "rb") as report:
                found[name] = report.read()
    return found


def header(message, sender, date, subject, number):
    message["From"] = sender
    message["To"] = "Support <support@tarnwick.example>"
    message["Date"] = date
    message["Subject"] = subject
    message["Message-ID"] = "<desk-%d@mail.example>" % number
    return message


def mixed(sender, date, subject, number, text, *parts):
    message = MIMEMultipart("mixed", boundary="=-desk-part-%d" % number)
    header(message, sender, date, subject, number)
    message.attach(MIMEText(text, "plain"))
    for part in parts:
        message.attach(part)
    return message


def attachment(data, name, subtype="octet-stream"):
    part = MIMEApplication(data, subtype, name=name)
    part.add_header("Content-Disposition", "attachment", filename=name)
    return part


def zipped(members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in members:
            info = zipfile.ZipInfo(name, date_time=(2026, 3, 14, 9, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    return buffer.getvalue()


# Outlook's TNEF stream, as Microsoft documents it: a signature, a key, then
# attributes (level, id, length, data, checksum of the data).
def tnef_attribute(level, ident, data):
    return struct.pack("<BII", level, ident, len(data)) + data + struct.pack("<H", sum(data) & 0xFFFF)


def tnef(attachments):
    stream = struct.pack("<IH", 0x223E9F78, 0x0101)
    stream += tnef_attribute(1, 0x00089006, struct.pack("<I", 0x00010000))  # attTnefVersion
    stream += tnef_attribute(1, 0x00069007, struct.pack("<II", 1252, 0))  # attOemCodepage
    stream += tnef_attribute(1, 0x00078008, b"IPM.Microsoft Mail.Note\0")  # attMessageClass
    for short_name, long_name, data in attachments:
        # attAttachRendData opens an attachment: a file, no position, icon size.
        stream += tnef_attribute(2, 0x00069002, struct.pack("<HIHHI", 1, 0xFFFFFFFF, 32, 32, 0))
        stream += tnef_attribute(2, 0x00018010, short_name.encode("ascii") + b"\0")  # attAttachTitle
        stream += tnef_attribute(2, 0x0006800F, data)  # attAttachData
        if long_name:
            # attAttachment: one property, PR_ATTACH_LONG_FILENAME as UTF-16.
            value = long_name.encode("utf-16-le") + b"\0\0"
            value += b"\0" * (-len(value) % 4)
            props = struct.pack("<IHHII", 1, 0x001F, 0x3707, 1, len(long_name.encode("utf-16-le")) + 2) + value
            stream += tnef_attribute(2, 0x00069005, props)
    return stream


def qp_inline(report):
    part = MIMEBase("text", "plain", charset="windows-1252")
    part.set_payload(report)
    encoders.encode_quopri(part)
    part.add_header("Content-Disposition", "inline")
    return part


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def as_bytes(message):
    return message.as_bytes(policy=POLICY)


def mbox(messages):
    out = b""
    for sender, message in messages:
        body = as_bytes(message).replace(b"\r\n", b"\n")
        # mboxrd: a body line starting with "From " is quoted.
        body = b"\n".join(b">" + line if line.startswith(b"From ") else line for line in body.split(b"\n"))
        out += b"From %s Sat Mar 14 09:26:53 2026\n" % sender + body.rstrip(b"\n") + b"\n\n"
    return out


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make_mails.py TARNWICK_REPLAY [EXAMPLES]")
    found = reports(sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else EXAMPLES)
    # The reports themselves, for the tests to compare what the walk finds.
    for name, report in found.items():
        write(os.path.join(HERE, "reports", name + ".ini"), report)
    stick, cards, apps, xp = found["tuner-stick"], found["tuner-cards"], found["tv-apps"], found["xp-desk"]

    # The example mailbox: one message for each way a report arrives.
    plain = mixed("=?utf-8?q?J=C3=BCrgen_M=C3=BCller?= <juergen@kunde.example>", "Sat, 14 Mar 2026 09:26:53 +0100",
                  "=?utf-8?q?Stick_zeigt_kein_Bild_=E2=80=93_Bericht?=", 1, "Hallo, anbei der Bericht.\n",
                  attachment(stick, "SystemInfo.ini"))
    zip_mail = mixed("Ana Lima <ana@cliente.example>", "Mon, 16 Mar 2026 18:02:11 -0300", "Relatorio", 2,
                     "Segue o arquivo.\n", attachment(zipped([("SystemInfo.ini", cards)]), "relatorio.zip", "zip"))
    original = mixed("Tom Baker <tom@customer.example>", "Tue, 17 Mar 2026 08:15:00 +0000", "No picture", 90,
                     "Report attached.\n", attachment(apps, "SystemInfo.ini"))
    forward = mixed("Colleague <dealer@shop.example>", "Wed, 18 Mar 2026 10:00:00 +0100", "Fwd: No picture", 3,
                    "Forwarding a customer's report.\n", MIMEMessage(original))
    outlook = mixed("Outlook User <user@office.example>", "Thu, 19 Mar 2026 14:30:00 +0200", "report", 4,
                    "See attachment.\n",
                    attachment(tnef([("SYSTEM~1.INI", "SystemInfo.ini", xp)]), "winmail.dat", "ms-tnef"))
    inline = mixed("Luc Berard <luc@client.example>", "Fri, 20 Mar 2026 11:11:11 +0100", "Rapport en ligne", 5,
                   "Le rapport est dans le message.\n", qp_inline(xp))
    nothing = header(EmailMessage(), "Someone <someone@example.org>", "Sat, 21 Mar 2026 12:00:00 +0000",
                     "Question", 6)
    nothing.set_content("Which stick do I need?\n")
    messages = [(b"juergen@kunde.example", plain), (b"ana@cliente.example", zip_mail),
                (b"dealer@shop.example", forward), (b"user@office.example", outlook),
                (b"luc@client.example", inline), (b"someone@example.org", nothing)]
    write(os.path.join(HERE, "example.mbox"), mbox(messages))

    inputs = os.path.join(HERE, "inputs")
    shutil.rmtree(inputs, ignore_errors=True)
    write(os.path.join(inputs, "no-report.eml"), as_bytes(nothing))
    # Two parts of one name, a nameless binary report, a "SYSTEMINFO.INI" in
    # text, and an attachment that looks like a report only by its start.
    repeated = mixed("A <a@example.org>", "Sun, 22 Mar 2026 07:00:00 +0900", "=?iso-8859-1?q?Ber=E9ard?=", 7,
                     "Two reports.\n", attachment(stick, "SystemInfo.ini"), attachment(cards, "SystemInfo.ini"),
                     MIMEApplication(apps), MIMEText("[Tool Version]\nTool Version=2.5\n", "plain"))
    write(os.path.join(inputs, "repeated.eml"), as_bytes(repeated))
    write(os.path.join(inputs, "winmail.dat"),
          tnef([("SYSTEM~1.INI", "SystemInfo.ini", xp), ("README.TXT", None, b"not a report\r\n"),
                ("SYSTEM~2.INI", None, stick)]))
    # Zips inside zips: 16 levels are opened, 17 are not.
    for levels in (16, 17):
        data = zipped([("SystemInfo.ini", stick)])
        for level in range(levels - 1):
            data = zipped([("level%d.zip" % (levels - 1 - level), data)])
        write(os.path.join(inputs, "deep%d.zip" % levels), data)
    # Two megabytes of zeros: a zip that expands a thousand times its size.
    write(os.path.join(inputs, "bomb.zip"), zipped([("SystemInfo.ini", b"\0" * (2 << 20))]))
    # A zip holding a mail and a report, under a name that hides it.
    write(os.path.join(inputs, "folder", "sub", "reports.bin"),
          zipped([("old/SystemInfo.ini", cards), ("mail.eml", as_bytes(original))]))
    write(os.path.join(inputs, "folder", "Report.INI"), stick)
    write(os.path.join(inputs, "folder", "notes.txt"), b"call back on Monday\n")
    os.symlink("..", os.path.join(inputs, "folder", "sub", "loop"))
    # A maildir: tmp/ holds a message still being delivered, never read.
    for box, name, message in (("cur", "1711000000.1.desk:2,S", plain), ("new", "1711000001.2.desk", zip_mail),
                               ("tmp", "1711000002.3.desk", forward)):
        write(os.path.join(inputs, "maildir", box, name), as_bytes(message))


if __name__ == "__main__":
    main()
