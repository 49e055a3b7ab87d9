#!/usr/bin/env python3
"""Decoding speed of mailtool against GMime 3 on four generated messages.

Writes, always the same for the same seed: a message with a 20 MiB base64
attachment, an 8 MiB quoted-printable ISO-8859-1 text, a message of 2,000
small parts and a message with a 10 MiB uuencoded attachment. Each is decoded
by `mailtool decode` and by the GMime program several times; the median wall
time gives MiB/s of message text, and the peak resident memory of mailtool is
compared with the message size. Before timing, both decoders' attachment
sizes and SHA-256 sums are compared, so a fast wrong decoder cannot pass.
"""

import argparse
import base64
import binascii
import collections
import json
import os
import random
import statistics
import subprocess
import sys
import time

MiB = 1024 * 1024
CRLF = b"\r\n"


def headers(subject, content_type, extra=b""):
    return (b"From: \"Bench Sender\" <sender@example.com>\r\n"
            b"To: \"Bench Reader\" <reader@example.org>\r\n"
            b"Subject: " + subject + b"\r\n"
            b"Date: Tue, 8 Dec 2026 10:00:00 +0000\r\n"
            b"Mime-Version: 1.0\r\n"
            b"Content-Type: " + content_type + b"\r\n" + extra + b"\r\n")


def base64_lines(data):
    return base64.encodebytes(data).replace(b"\n", CRLF)


def qp_lines(text_lines):
    out = []
    for line in text_lines:
        out.append(binascii.b2a_qp(line).replace(b"\n", CRLF) + CRLF)
    return b"".join(out)


def latin1_lines(rng, size):
    words = ("Grüße Köln Straße Übung être déjà façade naïve señor año "
             "mail message the of and to in is that for on with as by at "
             "from quoted printable text line équipe ½ £ © ±").split()
    pool = []
    for _ in range(4000):
        line = " ".join(rng.choice(words) for _ in range(rng.randint(3, 22)))
        pool.append(line.encode("iso-8859-1"))
    lines, total = [], 0
    while total < size:
        line = rng.choice(pool)
        lines.append(line)
        total += len(line) + 2
    return lines


def make_base64(rng):
    data = rng.randbytes(20 * MiB)
    return (headers(b"20 MiB attachment", b"multipart/mixed; boundary=\"bench-b64\"") +
            b"--bench-b64\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
            b"The data is attached.\r\n"
            b"--bench-b64\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
            b"Content-Transfer-Encoding: base64\r\n"
            b"Content-Disposition: attachment; filename=\"data.bin\"\r\n\r\n" +
            base64_lines(data) + b"--bench-b64--\r\n")


def make_qp(rng):
    return (headers(b"8 MiB Latin-1 text", b"text/plain; charset=iso-8859-1",
                    b"Content-Transfer-Encoding: quoted-printable\r\n") +
            qp_lines(latin1_lines(rng, 8 * MiB)))


def make_parts(rng):
    out = [headers(b"2,000 parts", b"multipart/mixed; boundary=\"bench-parts\""),
           b"--bench-parts\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
           b"Two thousand small parts follow.\r\n"]
    for n in range(1, 2000):
        if n % 2:
            out.append(b"--bench-parts\r\nContent-Type: application/octet-stream; "
                       b"name=\"part%d.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" % n)
            out.append(base64_lines(rng.randbytes(rng.randint(500, 3000))))
        else:
            out.append(b"--bench-parts\r\nContent-Type: text/plain; charset=iso-8859-1; "
                       b"name=\"part%d.txt\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" % n)
            out.append(qp_lines(latin1_lines(rng, rng.randint(500, 3000))))
    out.append(b"--bench-parts--\r\n")
    return b"".join(out)


def make_uu(rng):
    data = rng.randbytes(10 * MiB)
    lines = [binascii.b2a_uu(data[i:i + 45], backtick=True).replace(b"\n", CRLF)
             for i in range(0, len(data), 45)]
    return (b"From: \"Bench Sender\" <sender@example.com>\r\n"
            b"To: reader@example.org\r\nSubject: 10 MiB uuencoded\r\n\r\n"
            b"The file follows.\r\n\r\nbegin 644 data.bin\r\n" + b"".join(lines) +
            b"`\r\nend\r\n")


INPUTS = [("base64 20 MiB attachment", "base64.eml", make_base64),
          ("quoted-printable 8 MiB Latin-1", "qp-latin1.eml", make_qp),
          ("2,000 small parts", "parts.eml", make_parts),
          ("uuencoded 10 MiB", "uuencoded.eml", make_uu)]


def timed(command, scratch):
    """Wall time and peak resident memory (bytes) of one run. GNU time reports
    the peak: a child started from this Python process would count the
    interpreter's own memory as its peak."""
    report = os.path.join(scratch, "peak.txt")
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command,
                   stdout=subprocess.DEVNULL, check=True)
    seconds = time.perf_counter() - start
    with open(report) as f:
        return seconds, int(f.read().split()[-1]) * 1024


def sums_of_mailtool(mailtool, path):
    out = subprocess.run([mailtool, "decode", path], check=True, capture_output=True).stdout
    return collections.Counter((a["size"], a["sha256"]) for a in json.loads(out)["attachments"])


def sums_of_gmime(gmime, path):
    out = subprocess.run([gmime, path], check=True, capture_output=True, text=True).stdout
    return collections.Counter((int(size), sha) for size, sha in
                               (line.split() for line in out.splitlines()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mailtool", required=True)
    parser.add_argument("--gmime", required=True)
    parser.add_argument("--data", required=True, help="directory for the generated messages")
    parser.add_argument("--repeats", type=int, default=11)
    parser.add_argument("--seed", type=int, default=1998)
    args = parser.parse_args()

    os.makedirs(args.data, exist_ok=True)
    failed = False
    print("%-32s %8s %14s %14s %7s %16s" %
          ("input", "MiB", "mailtool MiB/s", "GMime MiB/s", "ratio", "mailtool peak"))
    for index, (title, name, make) in enumerate(INPUTS):
        path = os.path.join(args.data, name)
        message = make(random.Random(args.seed + index))
        with open(path, "wb") as f:
            f.write(message)
        size = len(message)

        ours, theirs = sums_of_mailtool(args.mailtool, path), sums_of_gmime(args.gmime, path)
        if ours != theirs:
            print("%s: the decoders disagree: mailtool %d attachments, GMime %d" %
                  (title, sum(ours.values()), sum(theirs.values())))
            failed = True

        del message
        # The two decoders take turns, so a change in the machine's load
        # touches both alike.
        lib_times, ref_times, lib_peak = [], [], 0
        for _ in range(args.repeats):
            seconds, peak = timed([args.mailtool, "decode", path], args.data)
            lib_times.append(seconds)
            lib_peak = max(lib_peak, peak)
            ref_times.append(timed([args.gmime, path], args.data)[0])
        lib_time, ref_time = statistics.median(lib_times), statistics.median(ref_times)
        lib_rate, ref_rate = size / MiB / lib_time, size / MiB / ref_time
        ratio = lib_rate / ref_rate
        print("%-32s %8.1f %14.1f %14.1f %7.2f %9.1f MiB %4.2fx" %
              (title, size / MiB, lib_rate, ref_rate, ratio, lib_peak / MiB, lib_peak / size))
        failed = failed or ratio < 1.0 or lib_peak >= 3 * size
    print("targets (mailtool at least as fast as GMime, peak under 3x the message): %s" %
          ("not met" if failed else "met"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
