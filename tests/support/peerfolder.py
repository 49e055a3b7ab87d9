#!/usr/bin/env python3
"""Decodes every message of a folder with `mailtool decode` and with Python's
standard email package (default policy), and compares what a reader sees:
subject, sender, recipients (To and Cc), body text and attachments (bytes by
SHA-256; a message part by its subject, since Python keeps no raw bytes of
it). The folder's NOTES file names, per message, the fields where the two
differ on purpose (file name, field, reason); those are not compared.
Prints one line per difference and exits 1 when there is any.

usage: peerfolder.py MAILTOOL FOLDER
"""
import email
import email.policy
import hashlib
import json
import os
import subprocess
import sys

TEXT_TYPES = ("text/plain", "text/html", "text/rtf")


def leaves(part):
    """The leaf parts, depth first; a message part is a leaf."""
    if part.get_content_type() == "message/rfc822" or not part.is_multipart():
        yield part
        return
    if part.get_content_maintype() != "multipart":
        yield part  # message/delivery-status and the like
        return
    for sub in part.get_payload():
        yield from leaves(sub)


def is_attached(part):
    return part.get_filename() is not None or part.get_content_disposition() == "attachment"


def python_view(path):
    with open(path, "rb") as f:
        msg = email.message_from_bytes(f.read(), policy=email.policy.default)

    def addresses(name):
        header = msg[name]
        return [(a.display_name, a.addr_spec) for a in getattr(header, "addresses", ())] if header else []

    parts = list(leaves(msg))
    body = None
    for wanted in (("text/plain",), ("text/html", "text/rtf")):
        for part in parts:
            if part.get_content_type() in wanted and not is_attached(part):
                body = part
                break
        if body is not None:
            break
    files, messages = [], []
    for part in parts:
        if part is body:
            continue
        if part.get_content_type() == "message/rfc822":
            inner = part.get_payload(0)
            messages.append(str(inner["subject"] or ""))
        else:
            data = part.get_payload(decode=True)
            files.append(hashlib.sha256(data).hexdigest() if data is not None else "no bytes")
    sender = addresses("from")
    return {
        "subject": str(msg["subject"] or ""),
        "sender": sender[0] if sender else ("", ""),
        "recipients": addresses("to") + addresses("cc"),
        "body": "" if body is None else body.get_content().replace("\r\n", "\n").rstrip("\n"),
        "files": sorted(files),
        "messages": sorted(messages),
    }


def our_view(decoded):
    files, messages = [], []
    for a in decoded["attachments"]:
        if a["contentType"] == "message/rfc822":
            messages.append(a["fileName"])
        else:
            files.append(a["sha256"])
    return {
        "subject": decoded["subject"],
        "sender": (decoded["sender"]["name"], decoded["sender"]["address"]),
        "recipients": [(a["name"], a["address"]) for a in decoded["recipients"] + decoded["cc"]],
        "body": "\n".join(decoded["body"]).rstrip("\n"),
        "files": sorted(files),
        "messages": sorted(messages),
    }


def read_notes(folder):
    skipped = set()
    path = os.path.join(folder, "NOTES")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                fields = line.split(None, 2)
                if len(fields) >= 2 and not line.startswith("#"):
                    skipped.add((fields[0], fields[1].rstrip(":")))
    return skipped


def main():
    mailtool, folder = sys.argv[1], sys.argv[2]
    names = sorted(n for n in os.listdir(folder) if n.endswith(".eml"))
    out = subprocess.run([mailtool, "decode"] + [os.path.join(folder, n) for n in names],
                         check=True, capture_output=True).stdout.decode("utf-8").splitlines()
    if len(out) != len(names):
        print("mailtool printed %d objects for %d files" % (len(out), len(names)))
        return 1
    skipped = read_notes(folder)
    differences = 0
    for name, line in zip(names, out):
        ours, theirs = our_view(json.loads(line)), python_view(os.path.join(folder, name))
        if ours["messages"] != theirs["messages"]:
            # A message part is named after its subject; the name is made
            # fit to be a file name, so compare the count and let the note say.
            if (name, "messages") not in skipped:
                ours["messages"] = [m[:-4] if m.endswith(".eml") else m for m in ours["messages"]]
        for field in ("subject", "sender", "recipients", "body", "files", "messages"):
            if (name, field) in skipped:
                continue
            if ours[field] != theirs[field]:
                differences += 1
                print("%s %s: mailtool %r, Python %r" % (name, field, ours[field], theirs[field]))
    print("%d messages compared, %d differences" % (len(names), differences))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
