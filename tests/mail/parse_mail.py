"""Checks rendered messages against what was put in, as a recipient's mail
program sees them: Python's email package (policy.default) parses each
message and compares sender, recipients, subject, text and attachments.

usage: parse_mail.py MESSAGE EXPECT [MESSAGE EXPECT ...]
EXPECT lines: "from NAME ADDR", "to NAME ADDR" (one a recipient), "subject S",
"body TEXT", "att NAME DATA"; every field in hex. Every message must carry a
Date and a Message-ID that parse. Prints one line a message:
"ok" or what differs; the exit status is 1 when any differs."""
import re, sys
from email import policy
from email.parser import BytesParser


def lines(text):
    return re.split(r"\r\n|\r|\n", text.rstrip("\r\n"))


def check(path, expect_path):
    want = {"to": [], "att": []}
    for line in open(expect_path).read().splitlines():
        key, *vals = line.split(" ")
        vals = [bytes.fromhex(v).decode("latin-1") for v in vals]
        if key in ("to", "att"):
            want[key].append(tuple(vals))
        else:
            want[key] = tuple(vals) if len(vals) > 1 else vals[0]
    with open(path, "rb") as f:
        msg = BytesParser(policy=policy.default).parse(f)
    problems = []
    sender = msg["From"].addresses[0]
    if (sender.display_name, sender.addr_spec) != want["from"]:
        problems.append("from %r" % ((sender.display_name, sender.addr_spec),))
    to = [(a.display_name, a.addr_spec) for a in msg["To"].addresses] if msg["To"] else []
    if to != want["to"]:
        problems.append("to %r" % to)
    if msg["Date"] is None or msg["Date"].datetime is None or msg["Date"].defects:
        problems.append("date %r" % msg["Date"])
    if msg["Message-ID"] is None or msg["Message-ID"].defects:
        problems.append("message-id %r" % msg["Message-ID"])
    if str(msg.get("Subject", "")) != want.get("subject", ""):
        problems.append("subject %r" % str(msg.get("Subject", "")))
    body, atts = None, []
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_filename():
            data = part.get_payload(decode=True).decode("latin-1")
            if part.get_content_maintype() == "text":  # line ends are the reader's own
                data = "\n".join(lines(data)) + ("\n" if re.search(r"[\r\n]$", data) else "")
            atts.append((part.get_filename(), data))
        elif body is None and part.get_content_type() == "text/plain":
            body = part.get_payload(decode=True).decode("latin-1")
    if "body" in want and (body is None or lines(body) != lines(want["body"])):
        problems.append("body %r" % (body[:200] if body else body))
    want_atts = [(n, "\n".join(lines(d)) + ("\n" if re.search(r"[\r\n]$", d) else "")
                  if n.endswith(".txt") else d) for n, d in want["att"]]
    if atts != want_atts:
        problems.append("attachments %r" % [(n, len(d)) for n, d in atts])
    for part in msg.walk():
        if part.defects:
            problems.append("defects %r" % part.defects)
    return problems


status = 0
for i in range(1, len(sys.argv), 2):
    p = check(sys.argv[i], sys.argv[i + 1])
    print("ok" if not p else "; ".join(p))
    status |= bool(p)
sys.exit(status)
