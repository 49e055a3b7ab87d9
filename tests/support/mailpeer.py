#!/usr/bin/env python3
"""Reads one raw mail message (the file named on the command line) with
Python's standard email package and prints what a second, independent
parser finds in it, one item per line:

  defect <part content type> <defect class>
  header <name>: <value, encoded words decoded>
  address <name>: <display name> <<mailbox>>   one line per address of the field
  text <content type> <charset> <hex of the decoded text, UTF-8>
  attachment <content type> <file name> <hex of the decoded bytes>
  structure <content types of the parts, depth first>
"""
import email
import email.policy
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        raw = f.read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    out = []
    for part in msg.walk():
        for d in part.defects:
            out.append("defect %s %s" % (part.get_content_type(), type(d).__name__))
    for name in ("From", "To", "CC", "Subject"):
        for value in msg.get_all(name, []):
            out.append("header %s: %s" % (name, str(value)))
    for name in ("From", "To", "CC"):
        for value in msg.get_all(name, []):
            for address in getattr(value, "addresses", ()):
                out.append("address %s: %s <%s>" % (name, address.display_name, address.addr_spec))
    out.append("structure " + " ".join(p.get_content_type() for p in msg.walk()))
    for part in msg.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        if name is None and part.get_content_maintype() == "text":
            text = part.get_content().replace("\r\n", "\n")
            out.append("text %s %s %s" % (part.get_content_type(), part.get_content_charset(),
                                          text.encode("utf-8").hex()))
        else:
            data = part.get_payload(decode=True) or b""
            out.append("attachment %s %s %s" % (part.get_content_type(), name, data.hex()))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
