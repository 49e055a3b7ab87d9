#!/usr/bin/env python3
"""POP3 and SMTP client speed: Python's poplib and smtplib against a C++
client program, on the servers tests/support/mailservers.py has started.

  POP3: 1,000 messages of 5 KiB in the mailbox; LIST + RETR + DELE for each,
        then QUIT. The C++ program runs as `CLIENT pop3 PORT USER PASSWORD`.
  SMTP: 200 messages of 5 KiB to alice@example.test, one connection each.
        The C++ program runs as `CLIENT smtp PORT COUNT`.
  POP3 over TLS: the POP3 case on the implicit-TLS port, poplib.POP3_SSL
        against `CLIENT pop3s PORT USER PASSWORD`.
  Submission over TLS: the SMTP case on the implicit-TLS submission port,
        with AUTH: smtplib.SMTP_SSL and login against
        `CLIENT smtps PORT COUNT USER PASSWORD`.

Both sides verify the servers' certificate against the harness's CA: Python
through its own SSL context, the C++ program through SSL_CERT_FILE.

Every case runs three times, Python and C++ in turn; the median wall time is
printed with the ratio Python / C++. Before a figure counts, the mailbox is
checked: emptied after a POP3 run, holding every sent message after an SMTP
run, so a fast client that does less cannot win. The messages are the same
on every run.
"""

import argparse
import os
import poplib
import random
import smtplib
import ssl
import statistics
import subprocess
import sys
import tempfile
import time

MAILSERVERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support",
                           "mailservers.py")
USER, PASSWORD = "alice", "secret"
MESSAGE_SIZE = 5 * 1024
POP3_MESSAGES = 1000
SMTP_MESSAGES = 200
RUNS = 3
WORDS = ("mail server client message line header body quoted printable base64 "
         "attachment receive send queue delivery mailbox folder reply forward").split()


def message(number):
    """Message `number`: exactly MESSAGE_SIZE bytes with CR LF line ends."""
    rng = random.Random(number)
    head = (f"From: Bench Sender <sender@example.test>\r\n"
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
            smtp.sendmail("sender@example.test", [servers.address], message(number))


def timed(action):
    began = time.perf_counter()
    action()
    return time.perf_counter() - began


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


def pop3_case(servers, client, staging, tls):
    python, cpp = [], []
    for _ in range(RUNS):
        servers.fill(staging)

        def python_run():
            count, received = poplib_run(servers, tls)
            if count != POP3_MESSAGES or received != POP3_MESSAGES * MESSAGE_SIZE:
                sys.exit(f"poplib read {count} messages, {received} bytes")
        python.append(timed(python_run))
        if servers.files():
            sys.exit("poplib left messages on the server")

        if client:
            servers.fill(staging)
            command = ["pop3s", str(servers.pop3s_port)] if tls else ["pop3", str(servers.pop3_port)]
            cpp.append(run_client([client, *command, USER, PASSWORD], servers))
            if servers.files():
                sys.exit(f"the C++ client left {len(servers.files())} of {POP3_MESSAGES} messages on the server")
    return python, cpp


def smtp_case(servers, client, tls):
    python, cpp, sizes = [], [], {}
    for _ in range(RUNS):
        servers.empty()
        python.append(timed(lambda: smtplib_run(servers, tls)))
        if servers.wait_for(SMTP_MESSAGES) != SMTP_MESSAGES:
            sys.exit("smtplib: not every message was delivered")
        sizes["Python"] = statistics.mean(os.path.getsize(p) for p in servers.files())

        if client:
            servers.empty()
            if tls:
                command = ["smtps", str(servers.submissions_port), str(SMTP_MESSAGES), USER, PASSWORD]
            else:
                command = ["smtp", str(servers.smtp_port), str(SMTP_MESSAGES)]
            cpp.append(run_client([client, *command], servers))
            delivered = servers.wait_for(SMTP_MESSAGES)
            if delivered != SMTP_MESSAGES:
                sys.exit(f"the C++ client: {delivered} of {SMTP_MESSAGES} messages delivered")
            sizes["C++"] = statistics.mean(os.path.getsize(p) for p in servers.files())
    servers.empty()
    return python, cpp, sizes


def report(title, python, cpp):
    print(title)
    print(f"  Python           {statistics.median(python):7.3f} s   runs: "
          + " ".join(f"{t:.3f}" for t in python))
    if cpp:
        print(f"  C++ client       {statistics.median(cpp):7.3f} s   runs: " + " ".join(f"{t:.3f}" for t in cpp))
        print(f"  Python / C++     {statistics.median(python) / statistics.median(cpp):7.2f}")
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

    with tempfile.TemporaryDirectory() as work:
        staging = []
        for number in range(POP3_MESSAGES):
            path = os.path.join(work, str(number))
            with open(path, "wb") as f:
                f.write(message(number))
            staging.append(path)
        for tls, title in ((False, "POP3"), (True, "POP3 over TLS (poplib.POP3_SSL, TnbPOP ImplicitTls)")):
            report(f"{title}: {POP3_MESSAGES} messages of {MESSAGE_SIZE // 1024} KiB, LIST + RETR + DELE "
                   f"each, then QUIT (median of {RUNS})", *pop3_case(servers, client, staging, tls))

    for tls, title in ((False, "SMTP"),
                       (True, "Submission over TLS with AUTH (smtplib.SMTP_SSL + login, TnbSMTP ImplicitTls + AUTH)")):
        python, cpp, sizes = smtp_case(servers, client, tls)
        report(f"{title}: {SMTP_MESSAGES} messages of {MESSAGE_SIZE // 1024} KiB, one connection each "
               f"(median of {RUNS})", python, cpp)
        if "C++" in sizes and abs(sizes["C++"] - sizes["Python"]) > 512:
            print(f"Note: delivered messages average {sizes['Python']:.0f} bytes from Python and "
                  f"{sizes['C++']:.0f} bytes from the C++ client: these figures compare different work.\n")


if __name__ == "__main__":
    main()
