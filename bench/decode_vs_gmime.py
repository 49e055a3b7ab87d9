#!/usr/bin/env python3
"""Decoding speed of mailtool against GMime 3 on generated messages.

Writes, always the same for the same seed: a message with a 20 MiB base64
attachment, three 8 MiB quoted-printable texts (ISO-8859-1 lines, UTF-8 in
several scripts, windows-1252 paragraphs with soft line breaks), a message
of 2,000 small parts, a message with a 10 MiB uuencoded attachment, and
10,000 small messages of about 4 KiB in mixed character sets with encoded
words. Each input is decoded by `mailtool decode` and by the GMime program
several times (the small messages by one process each, every file given on
its command line); the median wall time gives MiB/s of message text, or
messages per second, and the peak resident memory of mailtool is compared
with the message size. Before timing, both decoders' attachment sizes and
SHA-256 sums are compared, so a fast wrong decoder cannot pass. The target:
mailtool at least 1.2 times as fast as GMime on every input, in the same run.
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
TARGET_RATIO = 1.2
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


UTF8_WORDS = ("Привет мир письмо текст строка Ελληνικά γράμμα κείμενο 日本語 の 文字 テキスト 中文 邮件 "
              "내용 편지 mail text line ü ß é — “quoted” € naïve").split()


def make_qp_utf8(rng):
    pool = []
    for _ in range(4000):
        line = " ".join(rng.choice(UTF8_WORDS) for _ in range(rng.randint(3, 16)))
        pool.append(line.encode("utf-8"))
    lines, total = [], 0
    while total < 8 * MiB:
        line = rng.choice(pool)
        lines.append(line)
        total += len(line) + 2
    return (headers(b"8 MiB UTF-8 text", b"text/plain; charset=utf-8",
                    b"Content-Transfer-Encoding: quoted-printable\r\n") + qp_lines(lines))


def make_qp_paragraphs(rng):
    words = ("“Grüße” – Köln Straße ‘Übung’ être déjà façade naïve señor año € … "
             "mail message the of and to in is that for on with as by at").split()
    paragraphs, total = [], 0
    while total < 8 * MiB:
        text = " ".join(rng.choice(words) for _ in range(rng.randint(80, 500)))
        paragraph = text.encode("windows-1252")
        paragraphs.append(paragraph)
        total += len(paragraph) + 4
    body = b"".join(binascii.b2a_qp(p) + b"\n\n" for p in paragraphs).replace(b"\n", CRLF)
    return (headers(b"8 MiB windows-1252 paragraphs", b"text/plain; charset=windows-1252",
                    b"Content-Transfer-Encoding: quoted-printable\r\n") + body)


# Character sets of the small messages, with text in them.
SMALL_TEXTS = [
    ("utf-8", "Grüße aus Köln — das Treffen ist am Dienstag. Привет! 日本語のテキスト。 "),
    ("iso-8859-1", "Café crème, déjà vu, señor año, naïve façade. "),
    ("windows-1252", "“Quoted” text – with dashes… and € signs. "),
    ("koi8-r", "Привет, это письмо в кодировке КОИ-8. "),
    ("iso-2022-jp", "こんにちは、会議の資料を送ります。"),
    ("shift_jis", "日本語のメールです。よろしくお願いします。"),
    ("gb2312", "你好，这是一封测试邮件。"),
    ("iso-8859-7", "Γεια σας, αυτό είναι ένα μήνυμα. "),
]


def encoded_word(text, charset, rng):
    raw = text.encode(charset)
    if rng.random() < 0.5:
        return b"=?" + charset.encode() + b"?B?" + base64.b64encode(raw) + b"?="
    q = b"".join(bytes([c]) if chr(c).isalnum() and c < 128 else b"_" if c == 32 else b"=%02X" % c for c in raw)
    return b"=?" + charset.encode() + b"?Q?" + q + b"?="


def make_small(rng, n):
    charset, sample = SMALL_TEXTS[n % len(SMALL_TEXTS)]
    name = encoded_word(sample.split()[0].strip(",.!、。"), charset, rng)
    subject = encoded_word(sample[:24], charset, rng)
    # Lines of whole characters, about 2 KiB of text in all (4 KiB messages).
    line = (sample * 2).strip().encode(charset)
    text = b"\n".join([line] * (2200 // len(line) + 1)) + b"\n"
    kind = n % 5
    head = (b"From: " + name + b" <sender" + str(n).encode() + b"@example.com>\r\n"
            b"To: reader@example.org\r\nSubject: " + subject + b"\r\n"
            b"Date: Tue, 8 Dec 2026 10:00:00 +0000\r\nMime-Version: 1.0\r\n")
    if charset == "iso-2022-jp" or kind == 0:
        cte, payload = b"7bit" if charset == "iso-2022-jp" else b"8bit", text.replace(b"\n", CRLF)
    elif kind in (1, 2):
        cte, payload = b"quoted-printable", binascii.b2a_qp(text).replace(b"\n", CRLF)
    else:
        cte, payload = b"base64", base64_lines(text)
    part = (b"Content-Type: text/plain; charset=" + charset.encode() + b"\r\n"
            b"Content-Transfer-Encoding: " + cte + b"\r\n\r\n" + payload)
    if kind >= 3:
        attachment = rng.randbytes(rng.randint(200, 700))
        return (head + b"Content-Type: multipart/mixed; boundary=\"small-b\"\r\n\r\n--small-b\r\n" + part +
                b"--small-b\r\nContent-Type: application/octet-stream; name=\"a" + str(n).encode() + b".bin\"\r\n"
                b"Content-Transfer-Encoding: base64\r\n\r\n" + base64_lines(attachment) + b"--small-b--\r\n")
    return head + part


def make_many_small(rng):
    return [make_small(rng, n) for n in range(10000)]


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
          ("quoted-printable 8 MiB UTF-8", "qp-utf8.eml", make_qp_utf8),
          ("quoted-printable 8 MiB paragraphs", "qp-paragraphs.eml", make_qp_paragraphs),
          ("2,000 small parts", "parts.eml", make_parts),
          ("uuencoded 10 MiB", "uuencoded.eml", make_uu),
          ("10,000 small messages", "small", make_many_small)]


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


def sums_of_mailtool(mailtool, paths):
    out = subprocess.run([mailtool, "decode"] + paths, check=True, capture_output=True).stdout
    # One file gives one indented object, several one object per line.
    objects = [json.loads(out)] if len(paths) == 1 else [json.loads(line) for line in out.splitlines()]
    return collections.Counter((a["size"], a["sha256"]) for o in objects for a in o["attachments"])


def sums_of_gmime(gmime, paths):
    out = subprocess.run([gmime] + paths, check=True, capture_output=True, text=True).stdout
    return collections.Counter((int(size), sha) for size, sha in
                               (line.split() for line in out.splitlines()))


def write_input(data_dir, name, message):
    """Writes one message, or a folder of many; returns the paths and the bytes."""
    if isinstance(message, bytes):
        path = os.path.join(data_dir, name)
        with open(path, "wb") as f:
            f.write(message)
        return [path], len(message)
    folder = os.path.join(data_dir, name)
    os.makedirs(folder, exist_ok=True)
    paths = []
    for n, text in enumerate(message):
        path = os.path.join(folder, "%05d.eml" % n)
        with open(path, "wb") as f:
            f.write(text)
        paths.append(path)
    return paths, sum(len(m) for m in message)


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
    print("%-36s %8s %16s %16s %7s %16s" %
          ("input", "MiB", "mailtool", "GMime", "ratio", "mailtool peak"))
    for index, (title, name, make) in enumerate(INPUTS):
        message = make(random.Random(args.seed + index))
        paths, size = write_input(args.data, name, message)
        count = len(paths)
        del message

        ours, theirs = sums_of_mailtool(args.mailtool, paths), sums_of_gmime(args.gmime, paths)
        if ours != theirs:
            print("%s: the decoders disagree: mailtool %d attachments, GMime %d" %
                  (title, sum(ours.values()), sum(theirs.values())))
            failed = True

        # The two decoders take turns, so a change in the machine's load
        # touches both alike.
        lib_times, ref_times, lib_peak = [], [], 0
        for _ in range(args.repeats):
            seconds, peak = timed([args.mailtool, "decode"] + paths, args.data)
            lib_times.append(seconds)
            lib_peak = max(lib_peak, peak)
            ref_times.append(timed([args.gmime] + paths, args.data)[0])
        lib_time, ref_time = statistics.median(lib_times), statistics.median(ref_times)
        ratio = ref_time / lib_time
        if count == 1:
            rates = ("%10.1f MiB/s" % (size / MiB / lib_time), "%10.1f MiB/s" % (size / MiB / ref_time))
            memory = "%9.1f MiB %4.2fx" % (lib_peak / MiB, lib_peak / size)
            failed = failed or lib_peak >= 3 * size
        else:
            rates = ("%11.0f msg/s" % (count / lib_time), "%11.0f msg/s" % (count / ref_time))
            memory = "%9.1f MiB" % (lib_peak / MiB)
        print("%-36s %8.1f %16s %16s %7.2f %s" % (title, size / MiB, rates[0], rates[1], ratio, memory))
        failed = failed or ratio < TARGET_RATIO
    print("targets (mailtool at least %.1f times as fast as GMime, peak under 3x the message): %s" %
          (TARGET_RATIO, "not met" if failed else "met"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
