#!/usr/bin/env python3
"""POP3 and SMTP client speed: Python's poplib and smtplib against a C++
client program, on the servers tests/support/mailservers.py has started, with
a raw pipelined client of a few lines beside them as the server's limit.

  POP3: 1,000 messages of 5 KiB in the mailbox; LIST + RETR + DELE for each,
        then QUIT. poplib waits for every answer; the C++ program runs as
        `CLIENT pop3 PORT USER PASSWORD`; the raw client sends the commands
        of a window of messages ahead of their answers and reads them in
        order.
  SMTP: 200 messages of 5 KiB to alice@example.test. smtplib and
        `CLIENT smtp PORT COUNT` use one connection each;
        `CLIENT smtp-session PORT COUNT` sends all of them over one
        connection, as an Outbox run does, and so does the raw session: EHLO,
        then for each message RSET (from the second on), MAIL FROM, RCPT TO
        and DATA in one write, the text, "."; QUIT at the end.
  POP3 over TLS: the POP3 case on the implicit-TLS port, poplib.POP3_SSL
        against `CLIENT pop3s PORT USER PASSWORD`.
  Submission over TLS: the SMTP case on the implicit-TLS submission port,
        with AUTH: smtplib.SMTP_SSL and login against
        `CLIENT smtps PORT COUNT USER PASSWORD`.

Both sides verify the servers' certificate against the harness's CA: Python
through its own SSL context, the C++ program through SSL_CERT_FILE.

Every case runs three times, its clients in turn; the median wall time of
each is printed with the ratios. Before a figure counts, the mailbox is
checked: emptied after a POP3 run, holding every sent message after an SMTP
run, so a fast client that does less cannot win. The messages are the same
on every run.
"""

import argparse
import os
import poplib
import random
import smtplib
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time

MAILSERVERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support",
                           "mailservers.py")
USER, PASSWORD = "alice", "secret"
SENDER = "sender@example.test"
MESSAGE_SIZE = 5 * 1024
POP3_MESSAGES = 1000
SMTP_MESSAGES = 200
RUNS = 3
# Messages whose commands the raw POP3 client has out at most: about 2 KiB of
# commands, well inside the socket buffers, so neither side blocks on a write
# while the other waits for it.
POP3_WINDOW = 64
WORDS = ("mail server client message line header body quoted printable base64 "
         "attachment receive send queue delivery mailbox folder reply forward").split()


def message(number):
    """Message `number`: exactly MESSAGE_SIZE bytes with CR LF line ends."""
    rng = random.Random(number)
    head = (f"From: Bench Sender <{SENDER}>\r\n"
            f"To: Alice <alice@example.test>\r\n"
            f"Subject: benchmark message {number}\r\n"
            f"Date: Tue, 8 Dec 2026 10:00:00 +0000\r\n"
            f"Message-ID: <bench{number}@example.test>\r\n\r\n").encode()
    lines, size = [], len(head)
    while True:
        line = " ".join(rng.choice(WORDS) for _ in range(10)).encode() + b"\r\n"
        if size + len(line) > MESSAGE_SIZE - 3:
            break
        lines.append(line)
        size += len(line)
    lines.append(b"x" * (MESSAGE_SIZE - size - 2) + b"\r\n")
    data = head + b"".join(lines)
    assert len(data) == MESSAGE_SIZE
    return data


class Servers:
    def __init__(self, directory):
        self.dir = directory
        with open(os.path.join(directory, "servers.env")) as f:
            facts = dict(line.rstrip("\n").split("=", 1) for line in f)
        self.host = facts["HOST"]
        self.pop3_port = int(facts["POP3_PORT"])
        self.smtp_port = int(facts["SMTP_PORT"])
        self.pop3s_port = int(facts["POP3S_PORT"])
        self.submissions_port = int(facts["SUBMISSIONS_PORT"])
        self.ca_file = facts["CA_FILE"]
        self.address = f"{USER}@{facts['DOMAIN']}"
        self.maildir = os.path.join(facts["MAILDIR_ROOT"], USER, "Maildir")

    def files(self):
        return [os.path.join(self.maildir, sub, name)
                for sub in ("new", "cur") for name in os.listdir(os.path.join(self.maildir, sub))]

    def empty(self):
        for path in self.files():
            os.remove(path)

    def fill(self, staging):
        self.empty()
        subprocess.run([sys.executable, MAILSERVERS, "put", self.dir, USER, *staging], check=True)

    def wait_for(self, count, seconds=60):
        deadline = time.monotonic() + seconds
        while len(self.files()) < count and time.monotonic() < deadline:
            time.sleep(0.02)
        return len(self.files())


def poplib_run(servers, tls):
    received = 0
    if tls:
        context = ssl.create_default_context(cafile=servers.ca_file)
        pop3 = poplib.POP3_SSL(servers.host, servers.pop3s_port, context=context, timeout=30)
    else:
        pop3 = poplib.POP3(servers.host, servers.pop3_port, timeout=30)
    pop3.user(USER)
    pop3.pass_(PASSWORD)
    count = len(pop3.list()[1])
    for number in range(1, count + 1):
        pop3.list(number)
        _, lines, _ = pop3.retr(number)
        received += sum(len(line) + 2 for line in lines)
        pop3.dele(number)
    pop3.quit()
    return count, received


def smtplib_run(servers, tls):
    context = ssl.create_default_context(cafile=servers.ca_file) if tls else None
    for number in range(SMTP_MESSAGES):
        if tls:
            smtp = smtplib.SMTP_SSL(servers.host, servers.submissions_port, context=context, timeout=30)
        else:
            smtp = smtplib.SMTP(servers.host, servers.smtp_port, timeout=30)
        with smtp:
            if tls:
                smtp.login(USER, PASSWORD)
            smtp.sendmail(SENDER, [servers.address], message(number))


class Replies:
    """A server's replies, read from a socket through one buffer, so replies
    that arrive together are taken apart without a system call each."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = bytearray()

    def until(self, marker, keep=0):
        """Everything up to and including marker, but for its last `keep`
        bytes, which stay in the buffer."""
        searched = 0
        while (end := self.buffer.find(marker, searched)) < 0:
            searched = max(0, len(self.buffer) - len(marker) + 1)
            chunk = self.sock.recv(1 << 18)
            if not chunk:
                sys.exit("raw client: the server closed the connection")
            self.buffer += chunk
        end += len(marker) - keep
        data = bytes(self.buffer[:end])
        del self.buffer[:end]
        return data

    def pop3_ok(self, keep=0):
        reply = self.until(b"\r\n", keep)
        if not reply.startswith(b"+OK"):
            sys.exit(f"raw POP3 client: {reply!r}")
        return reply

    def pop3_text(self):
        """A multi-line answer's text, terminator removed and dot-stuffing
        undone. The status line's CR LF stays in front of the text: for an
        empty text it is the first half of the terminator."""
        self.pop3_ok(keep=2)
        return self.until(b"\r\n.\r\n")[:-3].replace(b"\r\n..", b"\r\n.")[2:]

    def smtp(self, code):
        reply = b""
        while (line := self.until(b"\r\n"))[3:4] == b"-":
            reply += line
        reply += line
        if not reply.startswith(code):
            sys.exit(f"raw SMTP session: expected {code.decode()}, got {reply!r}")
        return reply


def raw_pop3_run(servers):
    """LIST, RETR and DELE for every message, the commands of up to
    POP3_WINDOW messages out ahead of their answers (topped up half a window
    at a time), the answers read in order."""
    with socket.create_connection((servers.host, servers.pop3_port), timeout=30) as sock:
        replies = Replies(sock)
        replies.pop3_ok()
        sock.sendall(f"USER {USER}\r\nPASS {PASSWORD}\r\nSTAT\r\n".encode())
        replies.pop3_ok()
        replies.pop3_ok()
        count = int(replies.pop3_ok().split()[1])
        sent = received = 0

        def send_through(last):
            nonlocal sent
            sock.sendall(b"".join(b"LIST %d\r\nRETR %d\r\nDELE %d\r\n" % (n, n, n)
                                  for n in range(sent + 1, last + 1)))
            sent = last

        send_through(min(count, POP3_WINDOW))
        for number in range(1, count + 1):
            replies.pop3_ok()
            received += len(replies.pop3_text())
            replies.pop3_ok()
            if sent < count and sent - number <= POP3_WINDOW // 2:
                send_through(min(count, sent + POP3_WINDOW // 2))
        sock.sendall(b"QUIT\r\n")
        replies.pop3_ok()
    return count, received


def raw_smtp_run(servers):
    """All SMTP_MESSAGES over one connection: RSET (from the second message
    on), MAIL FROM, RCPT TO and DATA in one write, as RFC 2920 allows, then
    the dot-stuffed text and "."; QUIT at the end."""
    envelope = f"MAIL FROM:<{SENDER}>\r\nRCPT TO:<{servers.address}>\r\nDATA\r\n".encode()
    with socket.create_connection((servers.host, servers.smtp_port), timeout=30) as sock:
        replies = Replies(sock)
        replies.smtp(b"220")
        sock.sendall(b"EHLO bench.example.test\r\n")
        if b"PIPELINING" not in replies.smtp(b"250").upper():
            sys.exit("raw SMTP session: the server does not offer PIPELINING")
        for number in range(SMTP_MESSAGES):
            sock.sendall((b"RSET\r\n" if number else b"") + envelope)
            if number:
                replies.smtp(b"250")
            replies.smtp(b"250")
            replies.smtp(b"250")
            replies.smtp(b"354")
            text = b"\r\n" + message(number)
            sock.sendall(text.replace(b"\r\n.", b"\r\n..")[2:] + b".\r\n")
            replies.smtp(b"250")
        sock.sendall(b"QUIT\r\n")
        replies.smtp(b"221")


def timed(action):
    began = time.perf_counter()
    result = action()
    return time.perf_counter() - began, result


def run_client(command, servers):
    """Runs the C++ program, trusting the servers' CA; returns the seconds it
    measured itself (from connecting to the end of the work), as Python's runs
    are timed in-process, without the start-up of a process."""
    env = dict(os.environ, SSL_CERT_FILE=servers.ca_file)
    env.pop("SSL_CERT_DIR", None)
    result = subprocess.run(command, capture_output=True, timeout=600, env=env)
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({result.returncode}):\n"
                 f"{result.stdout.decode(errors='replace')}{result.stderr.decode(errors='replace')}")
    return float(result.stdout.split()[-1])


def pop3_client(servers, staging, name, fetch):
    """One run of a POP3 client: fills the mailbox, runs fetch (which returns
    its seconds and, when it can tell, the messages and bytes it read) and
    checks that it read everything and left nothing on the server."""
    def run():
        servers.fill(staging)
        seconds, read = fetch()
        if read is not None and read != (POP3_MESSAGES, POP3_MESSAGES * MESSAGE_SIZE):
            sys.exit(f"{name}: read {read[0]} messages, {read[1]} bytes")
        if servers.files():
            sys.exit(f"{name} left {len(servers.files())} of {POP3_MESSAGES} messages on the server")
        return seconds
    return name, run


def smtp_client(servers, sizes, name, send):
    """One run of an SMTP client: empties the mailbox, runs send (which
    returns its seconds), waits until every message is delivered and notes
    their average size."""
    def run():
        servers.empty()
        seconds = send()
        delivered = servers.wait_for(SMTP_MESSAGES)
        if delivered != SMTP_MESSAGES:
            sys.exit(f"{name}: {delivered} of {SMTP_MESSAGES} messages delivered")
        sizes[name] = statistics.mean(os.path.getsize(p) for p in servers.files())
        return seconds
    return name, run


def measure(clients):
    """RUNS rounds of every client in turn; the seconds of each, by name."""
    times = {name: [] for name, _ in clients}
    for _ in range(RUNS):
        for name, run in clients:
            times[name].append(run())
    return {name: statistics.median(runs) for name, runs in times.items()}, times


def pop3_case(servers, client, staging, tls):
    if tls:
        python = "poplib.POP3_SSL"
        command = ["pop3s", str(servers.pop3s_port), USER, PASSWORD]
    else:
        python = "poplib"
        command = ["pop3", str(servers.pop3_port), USER, PASSWORD]
    clients = [pop3_client(servers, staging, python, lambda: timed(lambda: poplib_run(servers, tls)))]
    if client:
        clients.append(pop3_client(servers, staging, "C++ TnbPOP",
                                   lambda: (run_client([client, *command], servers), None)))
    if not tls:
        clients.append(pop3_client(servers, staging, "raw pipelined (limit)",
                                   lambda: timed(lambda: raw_pop3_run(servers))))
    return measure(clients)


def smtp_case(servers, client, tls):
    sizes = {}
    count = str(SMTP_MESSAGES)
    if tls:
        python = "smtplib.SMTP_SSL"
        command = ["smtps", str(servers.submissions_port), count, USER, PASSWORD]
    else:
        python = "smtplib, one each"
        command = ["smtp", str(servers.smtp_port), count]
    clients = [smtp_client(servers, sizes, python, lambda: timed(lambda: smtplib_run(servers, tls))[0])]
    if client:
        clients.append(smtp_client(servers, sizes, "C++ Send" + ("" if tls else ", one each"),
                                   lambda: run_client([client, *command], servers)))
    if client and not tls:
        clients.append(smtp_client(servers, sizes, "C++ SendMessages",
                                   lambda: run_client([client, "smtp-session", str(servers.smtp_port), count],
                                                      servers)))
    if not tls:
        clients.append(smtp_client(servers, sizes, "raw session (limit)",
                                   lambda: timed(lambda: raw_smtp_run(servers))[0]))
    medians, times = measure(clients)
    servers.empty()
    return medians, times, sizes


def report(title, medians, times, ratios):
    print(title)
    for name, runs in times.items():
        print(f"  {name:<26}{medians[name]:7.3f} s   runs: " + " ".join(f"{t:.3f}" for t in runs))
    for label, (slower, faster, unit, target) in ratios.items():
        if slower in medians and faster in medians:
            ratio = medians[slower] / medians[faster]
            figure = f"{ratio * 100:6.0f} %" if unit == "%" else f"{ratio:7.2f}"
            print(f"  {label:<26}{figure}" + (f"   (target: {target})" if target else ""))
    print()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--servers", required=True, help="directory of the running servers")
    parser.add_argument("--client", help="the C++ program (bench_mailclients)")
    args = parser.parse_args()
    servers = Servers(args.servers)
    client = args.client
    if client and not os.access(client, os.X_OK):
        print(f"No C++ client program at {client}: Python figures only.\n")
        client = None
    elif not client:
        print("No C++ client program given (CLIENT_BENCH or the first argument): Python figures only.\n")

    pop3_ratios = {
        "poplib / C++": ("poplib", "C++ TnbPOP", "", "2 or more"),
        "poplib / raw": ("poplib", "raw pipelined (limit)", "", ""),
        "C++ speed, share of raw": ("raw pipelined (limit)", "C++ TnbPOP", "%", ""),
    }
    pop3s_ratios = {"Python / C++": ("poplib.POP3_SSL", "C++ TnbPOP", "", "1 or more")}
    with tempfile.TemporaryDirectory() as work:
        staging = []
        for number in range(POP3_MESSAGES):
            path = os.path.join(work, str(number))
            with open(path, "wb") as f:
                f.write(message(number))
            staging.append(path)
        for tls, title, ratios in (
                (False, "POP3", pop3_ratios),
                (True, "POP3 over TLS (poplib.POP3_SSL, TnbPOP ImplicitTls)", pop3s_ratios)):
            report(f"{title}: {POP3_MESSAGES} messages of {MESSAGE_SIZE // 1024} KiB, LIST + RETR + DELE "
                   f"each, then QUIT (median of {RUNS})", *pop3_case(servers, client, staging, tls), ratios)

    smtp_ratios = {
        "smtplib / C++ Send": ("smtplib, one each", "C++ Send, one each", "", "1 or more"),
        "smtplib / C++ SendMessages": ("smtplib, one each", "C++ SendMessages", "", ""),
        "smtplib / raw": ("smtplib, one each", "raw session (limit)", "", ""),
        "C++ speed, share of raw": ("raw session (limit)", "C++ SendMessages", "%", "90 % or more"),
    }
    smtps_ratios = {"Python / C++": ("smtplib.SMTP_SSL", "C++ Send", "", "1 or more")}
    for tls, title, ratios in (
            (False, f"SMTP Outbox run: {SMTP_MESSAGES} messages of {MESSAGE_SIZE // 1024} KiB, one connection "
                    f"each (smtplib, Send) or one session (SendMessages, raw)", smtp_ratios),
            (True, f"Submission over TLS with AUTH (smtplib.SMTP_SSL + login, TnbSMTP ImplicitTls + AUTH): "
                   f"{SMTP_MESSAGES} messages of {MESSAGE_SIZE // 1024} KiB, one connection each", smtps_ratios)):
        medians, times, sizes = smtp_case(servers, client, tls)
        report(f"{title} (median of {RUNS})", medians, times, ratios)
        if max(sizes.values()) - min(sizes.values()) > 512:
            print("Note: delivered messages average " + ", ".join(f"{size:.0f} bytes from {name}"
                                                                for name, size in sizes.items())
                  + ": these figures compare different work.\n")


if __name__ == "__main__":
    main()
