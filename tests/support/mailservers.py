#!/usr/bin/env python3
"""Private copies of Dovecot (POP3) and Postfix (SMTP) on loopback, for the
integration tests and the benchmarks. Every file lives in one directory; the
servers listen on 127.0.0.1 only, on free ports, and nothing is ever relayed
off the machine (every transport but the local Maildir one is `error:`).

  mailservers.py start DIR [--users USER:PASSWORD ...] [--owner PID|parent] [--cert NAME]
  mailservers.py stop DIR
  mailservers.py put DIR USER FILE...
  mailservers.py count DIR USER
  mailservers.py check-tls DIR

`start` makes the test certificates (testcerts.py) in DIR/certs, writes the
configuration, one Maildir per user (the default user is alice:secret),
starts both servers, waits for their greetings and prints KEY=VALUE lines
(also written to DIR/servers.env). Mail for USER@example.test sent to the
SMTP port arrives in USER's Maildir, which the POP3 server serves to USER with
PASSWORD. If anything fails, `start` stops what it started, prints the log
lines that tell why, and exits non-zero.

The ports:
  POP3_PORT         plain POP3; offers STLS, USER/PASS allowed without it
  POP3S_PORT        POP3 over implicit TLS
  SMTP_PORT         plain SMTP: no STARTTLS, no AUTH, accepts mail for the domain
  SUBMISSION_PORT   STARTTLS required before MAIL, AUTH required (after TLS only)
  SUBMISSIONS_PORT  SMTP over implicit TLS, AUTH required
Both servers present the certificate NAME (default good; see testcerts.py for
the others) issued by CA_FILE; CERT_DIR holds every test certificate. SMTP
AUTH checks the same users and passwords as POP3 (Postfix asks Dovecot).

Whether a credential reached a server: DOVECOT_LOG names the user of every
POP3 login ("Login: user=<alice>") and of every failed password check, POP3
or SMTP AUTH ("auth: passwd-file(alice,...)"); POSTFIX_LOG names the user of
every accepted SMTP AUTH ("sasl_username=alice") and notes failed ones
("SASL PLAIN authentication failed"). Neither logs passwords, nor a POP3 USER
without a PASS; a refused handshake shows as "TLS handshaking: SSL_accept()
failed" (Dovecot) or "SSL_accept error" (Postfix).

`check-tls` checks the TLS ports of running servers: each completes a
handshake verified against CA_FILE for 127.0.0.1, POP3 lists STLS, the plain
SMTP port offers neither STARTTLS nor AUTH, and submission takes no mail
before STARTTLS and AUTH (it logs in as the first user to see AUTH work, and
sends no mail). It prints what fails, one line each, and exits non-zero then.

Callers run `stop` in their teardown (a shell trap, a destructor). Nothing
stops servers of a caller that is killed before its teardown runs, so give
`--owner PID` (or `--owner parent`, the process that ran `start`): a small
watcher then stops the servers once that process has gone.

`put` writes message files straight into USER's Maildir/new with CR LF line
ends (much faster than sending them), `count` prints the number of messages
in USER's mailbox. Both need only the directory, not running servers.

Runs as root: Dovecot switches to the mail user (uid 5000) and Postfix's
delivery agent does the same.
"""

import argparse
import errno
import grp
import os
import poplib
import re
import shutil
import signal
import smtplib
import socket
import ssl
import subprocess
import sys
import time

import testcerts

HOST = "127.0.0.1"
DOMAIN = "example.test"
MAIL_UID = MAIL_GID = 5000
DEFAULT_USERS = ["alice:secret"]
CERTIFICATES = ("good", "otherhost", "expired", "selfsigned", "selfsigned2")
PORTS = ("pop3", "pop3s", "smtp", "submission", "submissions")

DOVECOT_READY_SECONDS = 15
POSTFIX_READY_SECONDS = 40
STOP_SECONDS = 15
CHECK_SECONDS = 10
# A port picked as free can be taken by someone else before the server binds it.
START_ATTEMPTS = 3


class StartError(Exception):
    pass


# ---------------------------------------------------------------- layout

class Layout:
    """Where everything lives inside the directory."""

    def __init__(self, top):
        self.top = os.path.abspath(top)
        self.env = os.path.join(self.top, "servers.env")
        self.users = os.path.join(self.top, "users")
        self.mail = os.path.join(self.top, "mail")
        self.dovecot = os.path.join(self.top, "dovecot")
        self.dovecot_conf = os.path.join(self.dovecot, "dovecot.conf")
        self.dovecot_run = os.path.join(self.dovecot, "run")
        self.dovecot_state = os.path.join(self.dovecot, "state")
        self.dovecot_log = os.path.join(self.dovecot, "dovecot.log")
        self.dovecot_pid = os.path.join(self.dovecot_run, "master.pid")
        self.dovecot_out = os.path.join(self.dovecot, "start.out")
        # Postfix asks Dovecot's auth service about SMTP AUTH through this socket.
        self.auth_socket = os.path.join(self.dovecot_run, "auth-postfix")
        self.postfix = os.path.join(self.top, "postfix")
        self.postfix_conf = os.path.join(self.postfix, "conf")
        self.postfix_queue = os.path.join(self.postfix, "queue")
        self.postfix_data = os.path.join(self.postfix, "data")
        self.postfix_log = os.path.join(self.postfix, "postfix.log")
        self.postfix_pid = os.path.join(self.postfix_queue, "pid", "master.pid")
        self.postfix_out = os.path.join(self.postfix, "start.out")
        self.mailboxes = os.path.join(self.postfix, "mailboxes")
        self.certs = os.path.join(self.top, "certs")
        self.ca_file = os.path.join(self.certs, "ca.pem")

    def cert(self, name, suffix):
        return os.path.join(self.certs, name + suffix)

    def maildir(self, user):
        return os.path.join(self.mail, user, "Maildir")


def parse_users(entries):
    users = []
    for entry in entries:
        name, sep, password = entry.partition(":")
        if not sep or not re.fullmatch(r"[A-Za-z0-9][A-Za-z0-9._-]*", name):
            raise StartError("user must be NAME:PASSWORD with a plain name: %r" % entry)
        # The passwd-file separates fields with ':' and records with line ends.
        if not password or re.search(r"[:\r\n]", password):
            raise StartError("password of %s must be non-empty, without ':' or line ends" % name)
        users.append((name, password))
    if len({n for n, _ in users}) != len(users):
        raise StartError("a user is named twice")
    return users


def make_maildir(layout, user):
    home = os.path.join(layout.mail, user)
    os.makedirs(home, mode=0o755, exist_ok=True)
    os.chown(home, MAIL_UID, MAIL_GID)
    for sub in ("", "new", "cur", "tmp"):
        path = os.path.join(layout.maildir(user), sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        os.chown(path, MAIL_UID, MAIL_GID)


# ---------------------------------------------------------------- configuration

def dovecot_conf(layout, ports, cert):
    return f"""\
# POP3 only, on loopback: plain text logins, STLS, and implicit TLS.
base_dir = {layout.dovecot_run}
state_dir = {layout.dovecot_state}
log_path = {layout.dovecot_log}
protocols = pop3
listen = {HOST}
ssl = yes
ssl_cert = <{layout.cert(cert, ".pem")}
ssl_key = <{layout.cert(cert, ".key")}
disable_plaintext_auth = no
auth_mechanisms = plain login
# Failed password checks name the user in the log (never the password).
auth_verbose = yes
# A failed login must not slow down the tests that follow it.
auth_failure_delay = 0
first_valid_uid = 100
mail_location = maildir:{layout.mail}/%u/Maildir

passdb {{
  driver = passwd-file
  args = username_format=%u {layout.users}
}}
userdb {{
  driver = passwd-file
  args = username_format=%u {layout.users}
}}

service pop3-login {{
  inet_listener pop3 {{
    address = {HOST}
    port = {ports["pop3"]}
  }}
  inet_listener pop3s {{
    address = {HOST}
    port = {ports["pop3s"]}
    ssl = yes
  }}
}}
service auth {{
  unix_listener {os.path.basename(layout.auth_socket)} {{
    mode = 0660
    user = postfix
    group = postfix
  }}
}}
service anvil {{
  # No per-address penalty after failed logins.
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
"""


def postfix_main_cf(layout, cert):
    return f"""\
compatibility_level = 3.6
queue_directory = {layout.postfix_queue}
data_directory = {layout.postfix_data}
mail_owner = postfix
setgid_group = postdrop
maillog_file = {layout.postfix_log}
maillog_file_prefixes = {layout.top}

myhostname = mail.{DOMAIN}
mydomain = {DOMAIN}
myorigin = $myhostname
mydestination =
inet_interfaces = {HOST}
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
smtpd_banner = $myhostname ESMTP Postfix
biff = no
alias_maps =
alias_database =

# Mail for the test domain goes into the Maildirs the POP3 server serves;
# nothing else is accepted, and nothing can leave the machine.
smtpd_relay_restrictions = reject_unauth_destination
virtual_mailbox_domains = {DOMAIN}
virtual_mailbox_base = {layout.mail}
virtual_mailbox_maps = texthash:{layout.mailboxes}
virtual_uid_maps = static:{MAIL_UID}
virtual_gid_maps = static:{MAIL_GID}
virtual_mailbox_limit = 0
message_size_limit = 104857600
local_transport = error:no local delivery on this test server
default_transport = error:no mail leaves this test server
relay_transport = error:no mail leaves this test server

# No TLS and no AUTH here; the submission services in master.cf turn them on.
smtpd_tls_security_level = none
smtpd_tls_cert_file = {layout.cert(cert, ".pem")}
smtpd_tls_key_file = {layout.cert(cert, ".key")}
smtpd_tls_loglevel = 1
smtpd_sasl_type = dovecot
smtpd_sasl_path = {layout.auth_socket}
"""


# Mail only from clients that have logged in, over TLS.
SUBMISSION_OPTIONS = [
    "smtpd_tls_security_level=encrypt",
    "smtpd_sasl_auth_enable=yes",
    "smtpd_tls_auth_only=yes",
    "smtpd_relay_restrictions=permit_sasl_authenticated,reject",
    "smtpd_recipient_restrictions=permit_sasl_authenticated,reject",
]


def postfix_master_cf(ports):
    services = [
        (f"{HOST}:{ports['smtp']}", "inet", "n", "-", "smtpd"),
        (f"{HOST}:{ports['submission']}", "inet", "n", "-", "smtpd"),
        (f"{HOST}:{ports['submissions']}", "inet", "n", "-", "smtpd"),
        ("pickup", "unix", "n", "1", "pickup"),
        ("cleanup", "unix", "n", "0", "cleanup"),
        ("qmgr", "unix", "n", "1", "qmgr"),
        ("rewrite", "unix", "-", "-", "trivial-rewrite"),
        ("bounce", "unix", "-", "0", "bounce"),
        ("defer", "unix", "-", "0", "bounce"),
        ("trace", "unix", "-", "0", "bounce"),
        ("verify", "unix", "-", "1", "verify"),
        ("flush", "unix", "n", "0", "flush"),
        ("proxymap", "unix", "-", "-", "proxymap"),
        ("showq", "unix", "n", "-", "showq"),
        ("error", "unix", "-", "-", "error"),
        ("retry", "unix", "-", "-", "error"),
        ("discard", "unix", "-", "-", "discard"),
        ("anvil", "unix", "-", "1", "anvil"),
        ("scache", "unix", "-", "1", "scache"),
        ("postlog", "unix-dgram", "n", "1", "postlogd"),
        ("tlsmgr", "unix", "-", "1", "tlsmgr"),
    ]
    options = {
        f"{HOST}:{ports['submission']}": ["syslog_name=postfix/submission", *SUBMISSION_OPTIONS],
        f"{HOST}:{ports['submissions']}": ["syslog_name=postfix/submissions", *SUBMISSION_OPTIONS,
                                          "smtpd_tls_wrappermode=yes"],
    }
    lines = ["# service type private unpriv chroot wakeup maxproc command"]
    for name, kind, private, maxproc, command in services:
        wakeup = {"pickup": "60", "qmgr": "300", "flush": "1000?", "tlsmgr": "1000?"}.get(name, "-")
        lines.append(f"{name} {kind} {private} - n {wakeup} {maxproc} {command}")
        lines.extend(f"  -o {option}" for option in options.get(name, []))
    # The delivery agent needs root to take the mail user's identity.
    lines.append("virtual unix - n n - - virtual")
    return "\n".join(lines) + "\n"


def write_configuration(layout, users, ports, cert):
    def write(path, text, mode=0o644):
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, mode)

    write(layout.dovecot_conf, dovecot_conf(layout, ports, cert))
    write(layout.users, "".join(
        f"{n}:{{PLAIN}}{p}:{MAIL_UID}:{MAIL_GID}::{os.path.join(layout.mail, n)}::\n"
        for n, p in users), 0o640)
    os.chown(layout.users, 0, grp.getgrnam("dovecot").gr_gid)
    write(os.path.join(layout.postfix_conf, "main.cf"), postfix_main_cf(layout, cert))
    write(os.path.join(layout.postfix_conf, "master.cf"), postfix_master_cf(ports))
    write(layout.mailboxes, "".join(f"{n}@{DOMAIN} {n}/Maildir/\n" for n, _ in users))
    # Postfix waits, in steps of 0.3 s, until the clock has passed the time its
    # configuration and table files were last changed: more than a second lost
    # in the postfix command and again in the first smtpd. Files written a
    # moment ago may as well be older.
    past = time.time() - 60
    for path in (os.path.join(layout.postfix_conf, "main.cf"),
                 os.path.join(layout.postfix_conf, "master.cf"), layout.mailboxes):
        os.utime(path, (past, past))


# ---------------------------------------------------------------- processes

def free_ports(count):
    """Ports nothing listens on now; all held open together so they differ."""
    held = []
    try:
        for _ in range(count):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.bind((HOST, 0))
            held.append(s)
        return [s.getsockname()[1] for s in held]
    finally:
        for s in held:
            s.close()


def read_pid(path):
    try:
        with open(path) as f:
            return int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        return None


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace").strip()
    except OSError:
        return ""


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    # A zombie has ended; only its parent has not collected it yet.
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rpartition(")")[2].split()[0] != "Z"
    except OSError:
        return False


def start_time(pid):
    """The process's start time in clock ticks, to tell it from a later one with its id."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rpartition(")")[2].split()[19]
    except (OSError, IndexError):
        return None


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rpartition(")")[2].split()[1])
            except (OSError, ValueError, IndexError):
                continue
            children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def wait_gone(pids, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pids = [p for p in pids if alive(p)]
        if not pids:
            return []
        time.sleep(0.02)
    return [p for p in pids if alive(p)]


def kill_all(pids, sig):
    for p in pids:
        try:
            os.kill(p, sig)
        except ProcessLookupError:
            pass


def run_quietly(command, output_path, timeout):
    """Runs a server's start or stop command. Its output goes to a file, never to
    our caller: daemons keep what they inherit, and a caller reading our stdout
    to its end would wait for them."""
    with open(output_path, "ab") as out:
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=subprocess.STDOUT, timeout=timeout).returncode


def greeting(port, expected, deadline):
    """Waits for the server on port to greet with a line starting with expected."""
    last = "no answer"
    while time.monotonic() < deadline:
        try:
            with socket.create_connection((HOST, port), timeout=2) as s:
                line = s.makefile("rb").readline().decode("latin-1").rstrip("\r\n")
                if line.startswith(expected):
                    s.sendall(b"QUIT\r\n")
                    return None
                last = "greeting %r" % line
        except OSError as e:
            last = str(e)
        time.sleep(0.05)
    return last


def tail(path, lines=25):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return "(no %s)\n" % path


def running_processes():
    return [int(e) for e in os.listdir("/proc") if e.isdigit() and alive(int(e))]


def environment_has(pid, setting):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            return setting.encode() in f.read().split(b"\0")
    except OSError:
        return False


def dovecot_masters(layout):
    pid = read_pid(layout.dovecot_pid)
    # A stale pid file may name a process that has nothing to do with Dovecot.
    if pid is not None and alive(pid) and "dovecot" in command_line(pid):
        return [pid]
    # A start cut short may have left a master that has not written its pid
    # file yet: it is the one running our configuration.
    return [p for p in running_processes() if command_line(p).endswith(f"dovecot -c {layout.dovecot_conf}")]


def postfix_masters(layout):
    pid = read_pid(layout.postfix_pid)
    if pid is not None and alive(pid):
        return [pid]
    # As for Dovecot; the postfix command hands its configuration directory
    # to the master in the environment.
    return [p for p in running_processes()
            if os.path.basename(command_line(p).split(" ")[0]) == "master"
            and environment_has(p, f"MAIL_CONFIG={layout.postfix_conf}")]


def signal_dovecot(layout):
    """Asks Dovecot to stop; returns its processes."""
    masters = dovecot_masters(layout)
    group = masters + [c for m in masters for c in descendants(m)]
    kill_all(masters, signal.SIGTERM)
    return group


def signal_postfix(layout):
    """Asks Postfix to stop; returns its processes."""
    masters = postfix_masters(layout)
    group = masters + [c for m in masters for c in descendants(m)]
    # `postfix stop` sends the master this signal too, but then looks for its
    # end only once a second; waiting here for the processes is faster.
    kill_all(masters, signal.SIGTERM)
    return group


def stop_servers(layout):
    """Stops both servers together and kills what is left of them after STOP_SECONDS."""
    dovecot = signal_dovecot(layout)
    postfix = signal_postfix(layout)
    if dovecot:
        # Once its other processes have ended, Dovecot's master sleeps a fixed
        # second before it closes the pipes of its log process and exits; it has
        # nothing left to do. Ending it then lets the log process write what is
        # in its pipes and exit by itself.
        masters = [p for p in dovecot if "dovecot -c" in command_line(p)]
        others = [p for p in dovecot if p not in masters and command_line(p) != "dovecot/log"]
        if not wait_gone(others, STOP_SECONDS):
            kill_all(masters, signal.SIGKILL)
    left = wait_gone(dovecot + postfix, STOP_SECONDS)
    kill_all(left, signal.SIGKILL)
    wait_gone(left, 2)


def stop_watcher(layout):
    facts = read_env(layout)
    pid = int(facts.get("WATCHER_PID", "0") or 0)
    if pid <= 0 or pid == os.getpid() or not alive(pid):
        return
    if f" watch {layout.top} " in command_line(pid) + " ":
        kill_all([pid], signal.SIGTERM)
        wait_gone([pid], 2)


def read_env(layout):
    facts = {}
    try:
        with open(layout.env) as f:
            for line in f:
                key, sep, value = line.rstrip("\n").partition("=")
                if sep:
                    facts[key] = value
    except OSError:
        pass
    return facts


# ---------------------------------------------------------------- commands

def start_once(layout, users, cert):
    ports = dict(zip(PORTS, free_ports(len(PORTS))))
    pop3_port, smtp_port = ports["pop3"], ports["smtp"]
    write_configuration(layout, users, ports, cert)

    if run_quietly(["dovecot", "-c", layout.dovecot_conf], layout.dovecot_out, 30) != 0:
        raise StartError("dovecot did not start")
    # Only the plain ports are probed: a probe of a TLS port logs a failed
    # handshake. Both masters bind every listener before any of them answers.
    problem = greeting(pop3_port, "+OK", time.monotonic() + DOVECOT_READY_SECONDS)
    if problem:
        raise StartError(f"dovecot does not answer on {HOST}:{pop3_port}: {problem}")

    if run_quietly(["postfix", "-c", layout.postfix_conf, "start"], layout.postfix_out, 120) != 0:
        raise StartError("postfix did not start")
    problem = greeting(smtp_port, "220 ", time.monotonic() + POSTFIX_READY_SECONDS)
    if problem:
        raise StartError(f"postfix does not answer on {HOST}:{smtp_port}: {problem}")
    return ports


def port_was_taken(layout):
    return any("in use" in tail(p) for p in
               (layout.dovecot_log, layout.dovecot_out, layout.postfix_log, layout.postfix_out))


def start(args):
    layout = Layout(args.dir)
    users = parse_users(args.users or DEFAULT_USERS)
    if os.geteuid() != 0:
        raise StartError("must run as root (the servers switch to the mail user, uid 5000)")
    for program in ("dovecot", "postfix"):
        if shutil.which(program) is None:
            raise StartError(f"{program} is not installed: run scripts/install-deps.sh")
    if alive_servers(layout):
        raise StartError(f"servers are already running in {layout.top}: stop them first")
    owner = None
    if args.owner is not None:
        owner = os.getppid() if args.owner == "parent" else int(args.owner)
        if not alive(owner):
            raise StartError(f"owner process {owner} is not running")

    # The mail user must be able to reach its Maildir, the postfix user its queue.
    os.makedirs(layout.top, exist_ok=True)
    os.chmod(layout.top, 0o755)
    for d in (layout.mail, layout.dovecot, layout.postfix, layout.postfix_conf, layout.postfix_queue):
        os.makedirs(d, mode=0o755, exist_ok=True)
    for name, _ in users:
        make_maildir(layout, name)
    try:
        testcerts.make(layout.certs)
    except subprocess.CalledProcessError as e:
        raise StartError(f"openssl {' '.join(e.cmd[1:3])} failed: {e.stderr.decode(errors='replace')}")

    # A caller giving up on us must not leave half-started servers behind.
    def interrupted(number, _frame):
        raise StartError(f"interrupted by signal {number}")
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, interrupted)

    for attempt in range(1, START_ATTEMPTS + 1):
        try:
            ports = start_once(layout, users, args.cert)
            break
        except Exception as e:
            for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
                signal.signal(number, signal.SIG_IGN)
            retry = attempt < START_ATTEMPTS and port_was_taken(layout)
            stop_servers(layout)
            if not retry:
                raise StartError(f"{e}\n"
                                 f"--- {layout.dovecot_out}\n{tail(layout.dovecot_out)}"
                                 f"--- {layout.dovecot_log}\n{tail(layout.dovecot_log)}"
                                 f"--- {layout.postfix_out}\n{tail(layout.postfix_out)}"
                                 f"--- {layout.postfix_log}\n{tail(layout.postfix_log)}")
            for log in (layout.dovecot_log, layout.dovecot_out, layout.postfix_log, layout.postfix_out):
                if os.path.exists(log):
                    os.rename(log, f"{log}.{attempt}")
            # Dovecot refuses to start while its pid file names a process that
            # kill(pid, 0) finds, and a stopped master may linger as a zombie
            # where nothing reaps orphans (a container's first process).
            for pid_file in (layout.dovecot_pid, layout.postfix_pid):
                if os.path.exists(pid_file):
                    os.remove(pid_file)
            for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
                signal.signal(number, interrupted)

    # Running now: nothing may stop the facts from being written.
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, signal.SIG_IGN)
    try:
        publish(layout, users, ports, owner)
    except BaseException:
        stop_watcher(layout)
        stop_servers(layout)
        raise


def publish(layout, users, ports, owner):
    """Writes servers.env and prints the same lines; starts the owner's watcher."""
    facts = [
        ("HOST", HOST),
        *((f"{name.upper()}_PORT", port) for name, port in ports.items()),
        ("CA_FILE", layout.ca_file),
        ("CERT_DIR", layout.certs),
        ("DOMAIN", DOMAIN),
        ("MAILDIR_ROOT", layout.mail),
        ("USERS", ",".join(n for n, _ in users)),
        ("DOVECOT_PID", read_pid(layout.dovecot_pid)),
        ("POSTFIX_PID", read_pid(layout.postfix_pid)),
        ("DOVECOT_LOG", layout.dovecot_log),
        ("POSTFIX_LOG", layout.postfix_log),
    ]
    if owner is not None:
        facts.append(("WATCHER_PID", start_watcher(layout, owner)))
    text = "".join(f"{k}={v}\n" for k, v in facts)
    with open(layout.env + ".new", "w") as f:
        f.write(text)
    os.rename(layout.env + ".new", layout.env)
    sys.stdout.write(text)


def alive_servers(layout):
    pids = (read_pid(layout.dovecot_pid), read_pid(layout.postfix_pid))
    return [p for p in pids if p is not None and alive(p)]


def start_watcher(layout, owner):
    watcher = subprocess.Popen(
        [sys.executable, os.path.abspath(__file__), "watch", layout.top, str(owner),
         start_time(owner) or "0"],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    return watcher.pid


def watch(args):
    """Stops the servers once the owner process has gone."""
    layout = Layout(args.dir)
    owner = int(args.owner)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while alive(owner) and start_time(owner) == args.started:
        time.sleep(0.5)
    stop_servers(layout)


def stop(args):
    layout = Layout(args.dir)
    stop_watcher(layout)
    stop_servers(layout)
    left = alive_servers(layout)
    if left:
        raise StartError(f"still running: {left}")


def user_maildir(layout, user):
    path = layout.maildir(user)
    if not os.path.isdir(path):
        raise StartError(f"no Maildir for user {user} in {layout.mail}")
    return path


def put(args):
    layout = Layout(args.dir)
    maildir = user_maildir(layout, args.user)
    host = socket.gethostname().replace("/", "_").replace(":", "_")
    # The POP3 server numbers new messages in the order of the time in their
    # names, so the names count up in microseconds: files keep their order.
    stamp = time.time_ns() // 1000
    for n, path in enumerate(args.files):
        with open(path, "rb") as f:
            data = f.read()
        data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        stamp = max(stamp + 1, time.time_ns() // 1000)
        name = f"{stamp // 1000000}.M{stamp % 1000000:06d}P{os.getpid()}Q{n}.{host}"
        temporary = os.path.join(maildir, "tmp", name)
        with open(temporary, "wb") as f:
            f.write(data)
        os.chown(temporary, MAIL_UID, MAIL_GID)
        os.chmod(temporary, 0o600)
        os.rename(temporary, os.path.join(maildir, "new", name))


def count(args):
    maildir = user_maildir(Layout(args.dir), args.user)
    print(sum(len(os.listdir(os.path.join(maildir, sub))) for sub in ("new", "cur")))


class CheckFailed(Exception):
    pass


def check_pop3(context, port, _login):
    # poplib's connections close when dropped; after a failed handshake its
    # close() would fail on the socket the handshake took.
    pop = poplib.POP3(HOST, port, timeout=CHECK_SECONDS)
    capabilities = pop.capa()
    if "STLS" not in capabilities or "USER" not in capabilities:
        raise CheckFailed(f"CAPA lists {sorted(capabilities)}, not STLS and USER")
    pop.stls(context)
    pop.quit()


def check_pop3s(context, port, _login):
    poplib.POP3_SSL(HOST, port, context=context, timeout=CHECK_SECONDS).quit()


def check_plain_smtp(_context, port, _login):
    with smtplib.SMTP(HOST, port, timeout=CHECK_SECONDS) as smtp:
        smtp.ehlo()
        if smtp.has_extn("starttls") or smtp.has_extn("auth"):
            raise CheckFailed("EHLO offers STARTTLS or AUTH")


def check_submission(context, port, login):
    with smtplib.SMTP(HOST, port, timeout=CHECK_SECONDS) as smtp:
        smtp.ehlo()
        if smtp.has_extn("auth"):
            raise CheckFailed("AUTH offered before STARTTLS")
        if smtp.mail(f"check@{DOMAIN}")[0] < 500:
            raise CheckFailed("MAIL accepted before STARTTLS")
        smtp.starttls(context=context)
        check_auth_required(smtp, login)


def check_submissions(context, port, login):
    with smtplib.SMTP_SSL(HOST, port, context=context, timeout=CHECK_SECONDS) as smtp:
        check_auth_required(smtp, login)


def check_auth_required(smtp, login):
    """Mail for a local user is refused before AUTH and accepted after it."""
    user, password = login
    smtp.ehlo()
    smtp.mail(f"check@{DOMAIN}")
    if smtp.rcpt(f"{user}@{DOMAIN}")[0] < 500:
        raise CheckFailed("mail accepted without AUTH")
    smtp.rset()
    smtp.login(user, password)
    smtp.mail(f"check@{DOMAIN}")
    code, reply = smtp.rcpt(f"{user}@{DOMAIN}")
    if code != 250:
        raise CheckFailed(f"RCPT after AUTH: {code} {reply.decode(errors='replace')}")
    smtp.quit()


CHECKS = [
    ("POP3_PORT", check_pop3),
    ("POP3S_PORT", check_pop3s),
    ("SMTP_PORT", check_plain_smtp),
    ("SUBMISSION_PORT", check_submission),
    ("SUBMISSIONS_PORT", check_submissions),
]


def check_tls(args):
    layout = Layout(args.dir)
    facts = read_env(layout)
    if "CA_FILE" not in facts:
        raise StartError(f"no servers with TLS in {layout.top}")
    context = ssl.create_default_context(cafile=facts["CA_FILE"])
    with open(layout.users) as f:
        name, _, rest = f.readline().partition(":")
    login = (name, rest.removeprefix("{PLAIN}").partition(":")[0])
    problems = []
    for key, check in CHECKS:
        try:
            check(context, int(facts[key]), login)
        except (CheckFailed, OSError, poplib.error_proto, smtplib.SMTPException) as e:
            problems.append(f"{key}: {e}")
    if problems:
        raise StartError("\n".join(problems))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("start", help="configure and start both servers in DIR")
    p.add_argument("dir")
    p.add_argument("--users", nargs="+", metavar="USER:PASSWORD")
    p.add_argument("--owner", metavar="PID|parent",
                   help="stop the servers once this process has gone")
    p.add_argument("--cert", choices=CERTIFICATES, default="good",
                   help="the certificate both servers present (default good)")
    p.set_defaults(run=start)
    p = commands.add_parser("stop", help="stop both servers of DIR")
    p.add_argument("dir")
    p.set_defaults(run=stop)
    p = commands.add_parser("put", help="put message files into USER's Maildir/new")
    p.add_argument("dir")
    p.add_argument("user")
    p.add_argument("files", nargs="+")
    p.set_defaults(run=put)
    p = commands.add_parser("count", help="print the number of messages of USER")
    p.add_argument("dir")
    p.add_argument("user")
    p.set_defaults(run=count)
    p = commands.add_parser("check-tls", help="check the TLS and AUTH rules of the servers of DIR")
    p.add_argument("dir")
    p.set_defaults(run=check_tls)
    p = commands.add_parser("watch")  # started by `start --owner`, not by hand
    p.add_argument("dir")
    p.add_argument("owner")
    p.add_argument("started")
    p.set_defaults(run=watch)
    args = parser.parse_args()
    try:
        args.run(args)
    except StartError as e:
        sys.stderr.write(f"mailservers.py {args.command}: {e}\n")
        sys.exit(1)


if __name__ == "__main__":
    main()
