#!/usr/bin/env python3
"""mailservers.py from the outside: what its callers rely on when a start
fails, when they die, and when they fill mailboxes by hand."""

import os
import poplib
import signal
import smtplib
import subprocess
import sys
import tempfile
import time
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mailservers.py")


def run(*args, env=None):
    return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True,
                          timeout=120, env=env)


def read_env(directory):
    with open(os.path.join(directory, "servers.env")) as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f)


def running(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rpartition(")")[2].split()[0] != "Z"
    except OSError:
        return False


def processes_started_from(directory):
    """Running servers whose command line names the directory (Dovecot's master does)."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit() and running(entry):
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    command = f.read()
            except OSError:
                continue
            if directory.encode() in command and b"mailservers.py" not in command:
                found.append(int(entry))
    return found


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


class ServersInDirectory(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corvalen-servers-test-", dir="/tmp")
        self.addCleanup(subprocess.run, ["rm", "-rf", self.dir])
        self.addCleanup(run, "stop", self.dir)

    def start(self, *args, **kw):
        result = run("start", self.dir, *args, **kw)
        self.assertEqual(result.returncode, 0, result.stderr)
        return read_env(self.dir)


class StartAndStop(ServersInDirectory):
    def with_fake_postfix(self, script):
        """An environment whose `postfix` command runs script instead."""
        fake_bin = os.path.join(self.dir, "fake-bin")
        os.mkdir(fake_bin)
        with open(os.path.join(fake_bin, "postfix"), "w") as f:
            f.write("#!/bin/sh\n" + script)
        os.chmod(os.path.join(fake_bin, "postfix"), 0o755)
        return dict(os.environ, PATH=fake_bin + os.pathsep + os.environ["PATH"])

    def test_failed_start_stops_what_it_started_and_shows_the_logs(self):
        # Dovecot starts, then "postfix" fails: nothing may stay running.
        env = self.with_fake_postfix("echo fake postfix refuses >&2\nexit 1\n")

        result = run("start", self.dir, env=env)

        self.assertNotEqual(result.returncode, 0)
        self.assertIn("postfix did not start", result.stderr)
        self.assertIn("fake postfix refuses", result.stderr)
        self.assertIn("Dovecot", result.stderr)  # its log, where it started up
        self.assertFalse(os.path.exists(os.path.join(self.dir, "servers.env")))
        self.assertEqual(processes_started_from(self.dir), [])

    def test_start_cut_short_by_a_signal_stops_what_it_started(self):
        marker = os.path.join(self.dir, "postfix-called")
        env = self.with_fake_postfix(f"touch {marker}\nexec sleep 60\n")
        start = subprocess.Popen([sys.executable, SCRIPT, "start", self.dir], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.addCleanup(start.wait)
        self.addCleanup(start.kill)
        # Dovecot is up when the start reaches postfix.
        self.assertTrue(wait_until(lambda: os.path.exists(marker), 20))
        self.assertNotEqual(processes_started_from(self.dir), [])

        start.send_signal(signal.SIGTERM)
        _, errors = start.communicate(timeout=30)

        self.assertNotEqual(start.returncode, 0)
        self.assertIn("interrupted", errors)
        self.assertEqual(processes_started_from(self.dir), [])

    def test_second_start_is_refused_and_stop_can_be_repeated(self):
        facts = self.start()
        again = run("start", self.dir)
        self.assertNotEqual(again.returncode, 0)
        self.assertIn("already running", again.stderr)
        self.assertTrue(running(int(facts["DOVECOT_PID"])))

        began = time.monotonic()
        self.assertEqual(run("stop", self.dir).returncode, 0)
        stopped = time.monotonic() - began
        self.assertFalse(running(int(facts["DOVECOT_PID"])))
        self.assertFalse(running(int(facts["POSTFIX_PID"])))
        self.assertLess(stopped, 5)
        self.assertEqual(run("stop", self.dir).returncode, 0)

    def test_servers_stop_when_their_owner_dies(self):
        owner = subprocess.Popen(["sleep", "60"])
        self.addCleanup(owner.wait)
        self.addCleanup(owner.kill)
        facts = self.start("--owner", str(owner.pid))
        pids = [int(facts[k]) for k in ("DOVECOT_PID", "POSTFIX_PID", "WATCHER_PID")]
        self.assertTrue(all(running(p) for p in pids))

        owner.kill()
        owner.wait()
        self.assertTrue(wait_until(lambda: not any(running(p) for p in pids), 10),
                        [p for p in pids if running(p)])

    def test_owner_that_is_not_running_is_refused(self):
        child = subprocess.Popen(["true"])
        child.wait()
        result = run("start", self.dir, "--owner", str(child.pid))
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("not running", result.stderr)


class Mailboxes(ServersInDirectory):
    def test_each_user_gets_mail_for_its_own_address_and_logs_in_with_its_password(self):
        facts = self.start("--users", "alice:secret", "bob:other")
        self.assertEqual(facts["USERS"], "alice,bob")
        with smtplib.SMTP(facts["HOST"], int(facts["SMTP_PORT"]), timeout=10) as smtp:
            smtp.sendmail("carol@elsewhere.test", ["bob@" + facts["DOMAIN"]],
                          b"Subject: for bob\r\n\r\nhello bob\r\n")
        self.assertTrue(wait_until(lambda: run("count", self.dir, "bob").stdout == "1\n", 10))
        self.assertEqual(run("count", self.dir, "alice").stdout, "0\n")

        pop3 = poplib.POP3(facts["HOST"], int(facts["POP3_PORT"]), timeout=10)
        pop3.user("bob")
        with self.assertRaises(poplib.error_proto):
            pop3.pass_("secret")  # alice's password is not bob's
        pop3 = poplib.POP3(facts["HOST"], int(facts["POP3_PORT"]), timeout=10)
        pop3.user("bob")
        pop3.pass_("other")
        self.assertIn(b"hello bob", pop3.retr(1)[1])
        pop3.quit()

    def test_put_writes_cr_lf_files_of_the_mail_user_in_the_order_given(self):
        self.start()
        files = []
        for name, text in (("lf", b"Subject: a\n\nx\n"), ("crlf", b"Subject: b\r\n\r\ny\r\n"),
                           ("none", b"Subject: c\n\nno end")):
            path = os.path.join(self.dir, name)
            with open(path, "wb") as f:
                f.write(text)
            files.append(path)
        self.assertEqual(run("put", self.dir, "alice", *files).returncode, 0)
        self.assertEqual(run("count", self.dir, "alice").stdout, "3\n")

        new = os.path.join(self.dir, "mail", "alice", "Maildir", "new")
        names = sorted(os.listdir(new))
        contents = []
        for name in names:
            with open(os.path.join(new, name), "rb") as f:
                contents.append(f.read())
            self.assertEqual(os.stat(os.path.join(new, name)).st_uid, 5000)
        self.assertEqual(contents, [b"Subject: a\r\n\r\nx\r\n", b"Subject: b\r\n\r\ny\r\n",
                                    b"Subject: c\r\n\r\nno end"])
        self.assertEqual(os.listdir(os.path.join(self.dir, "mail", "alice", "Maildir", "tmp")), [])

    def test_put_for_an_unknown_user_fails(self):
        self.start()
        path = os.path.join(self.dir, "m")
        with open(path, "wb") as f:
            f.write(b"Subject: a\n\nx\n")
        result = run("put", self.dir, "mallory", path)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("mallory", result.stderr)


if __name__ == "__main__":
    unittest.main()
