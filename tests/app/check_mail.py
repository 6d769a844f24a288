"""Reads one received message as a recipient's mail program would and checks
what the user typed and the picture attached.

usage: check_mail.py MESSAGE mime|uu SUBJECT TEXT NAME FORMAT REFERENCE
SUBJECT and TEXT as typed (UTF-8); NAME the attachment's file name; FORMAT
Pillow's name of its format (GIF, JPEG, BMP); REFERENCE a picture of the
screen that was captured (a 24-bit screen). Prints "ok" or what differs; exit status 1 then."""
import binascii, io, re, sys
from email import policy
from email.parser import BytesParser
from PIL import Image, ImageChops, ImageStat

path, mode, subject, text, name, fmt, reference = sys.argv[1:8]
msg = BytesParser(policy=policy.default).parsebytes(open(path, "rb").read())
problems = []


def lines(s):
    return re.split(r"\r\n|\n", s.rstrip("\r\n"))


if str(msg["Subject"]) != subject:
    problems.append("subject %r" % str(msg["Subject"]))
body, att = None, None
if mode == "mime":
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_filename():
            att = (part.get_filename(), part.get_payload(decode=True))
        elif body is None and part.get_content_type() == "text/plain":
            body = part.get_content()
else:
    raw = msg.get_payload(decode=True)
    m = re.search(rb"^begin [0-7]+ ([^\r\n]+)\r?$", raw, re.M)
    if m:
        body = raw[: m.start()].decode("utf-8")
        data = b""
        for line in raw[m.end():].splitlines():
            if line.strip() == b"end":
                break
            if line.strip():
                data += binascii.a2b_uu(line)
        att = (m.group(1).decode(), data)
if body is None or lines(body) != lines(text):
    problems.append("text %r" % body)
if att is None or att[0] != name:
    problems.append("attachment %r" % (att[0] if att else None))
else:
    got = Image.open(io.BytesIO(att[1]))
    want = Image.open(reference).convert("RGB")
    if fmt == "GIF":  # a true-colour picture goes through the writer's 6x6x6 colour cube
        want = want.point(lambda v: (v + 3) // 51 * 51)
    if got.format != fmt:
        problems.append("format %s" % got.format)
    got = got.convert("RGB")
    if got.size != want.size:
        problems.append("size %r" % (got.size,))
    else:
        diff = ImageChops.difference(got, want)
        worst = max(ImageStat.Stat(diff).mean)
        if fmt == "JPEG" and worst > 2 or fmt != "JPEG" and diff.getbbox():
            problems.append("picture differs, mean %.2f in %r" % (worst, diff.getbbox()))
print("; ".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
