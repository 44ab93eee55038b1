"""The command's remembered login against the local service: stored by
`login --remember`, used by later commands, reported by `config`, removed by
`logout`, and a refused one said and replaced (run in a private D-Bus session
with a test keyring); a locked keyring told from an empty one; without a
session bus, a keyring service or a default keyring, said in the user's words
and not stored; with a keyring that never answers, given up on after a few
seconds and said."""

import os
import pty
import select
import signal
import subprocess
import tempfile
import time
import unittest
import warnings

from command_harness import COMMAND, NOT_REMEMBERED, base_environment, devserver_port, run

PASSWORD = "demo-password"
KEPT = "logged in as demo; the password is now kept in the keyring (clipferry logout forgets it)"
NO_TERMINAL = "password    no terminal to ask at, so the command will fail: CLIPFERRY_PASSWORD is not set and "


def environment(**extra):
    return base_environment(CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{devserver_port()}",
                            CLIPFERRY_USER="demo", **extra)


class RememberedLogin(unittest.TestCase):
    """Needs the keyring session of tests/support/keyring_session.sh."""

    def test_stored_used_reported_removed(self):
        env = environment()
        with_password = dict(env, CLIPFERRY_PASSWORD=PASSWORD)
        # (what is run, its environment, the status, a part of what it says)
        steps = [
            (["logout"], env, 0, "demo"),  # from a clean keyring
            (["file-types"], env, 1, "no password"),
            (["login", "--remember"], with_password, 0, KEPT),
            (["login", "--remember"], with_password, 0, KEPT),  # already there: still said
            (["file-types"], env, 0, "*.mp4"),
            (["config"], env, 0, "password    from the keyring, where it is kept for demo (clipferry logout"),
            (["config"], with_password, 0, "password    from CLIPFERRY_PASSWORD (the one in the keyring is not"),
            (["--json", "config"], env, 0, '"password_from": "keyring"'),
            (["logout"], env, 0, "is no longer remembered"),
            (["file-types"], env, 1, "no password"),
            (["config"], env, 0, NO_TERMINAL + "none is kept in the keyring for demo"),
        ]
        for args, step_env, status, said in steps:
            with self.subTest(args=args):
                done = run(args, step_env)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)

    def test_a_refused_login_stores_nothing(self):
        self.assertEqual(run(["login", "--remember"], environment(CLIPFERRY_PASSWORD="not-it")).returncode, 4)
        env = environment()
        # A refused login stores nothing.
        self.assertIn("none is kept in the keyring", run(["config"], env).stdout)


def keep_in_keyring(password):
    """Puts `password` in demo's entry, where the command keeps it, as an
    earlier password the service no longer takes."""
    with warnings.catch_warnings():  # GObject's importer is older than Python's
        warnings.simplefilter("ignore", ImportWarning)
        import gi
        gi.require_version("Secret", "1")
        from gi.repository import Secret
    schema = Secret.Schema.new("org.clipferry.Login", Secret.SchemaFlags.NONE,
                               {"service": Secret.SchemaAttributeType.STRING,
                                "user": Secret.SchemaAttributeType.STRING})
    found = Secret.password_search_sync(schema, {"user": "demo"}, Secret.SearchFlags.NONE, None)
    attributes = found[0].get_attributes()  # the service's name as the command wrote it
    Secret.password_store_sync(schema, attributes, Secret.COLLECTION_DEFAULT, "stale", password, None)


def read_until(fd, text, timeout=20):
    seen = b""
    deadline = time.monotonic() + timeout
    while text not in seen:
        ready, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
        if not ready:
            raise AssertionError(f"waited for {text!r}, got {seen!r}")
        try:
            chunk = os.read(fd, 1024)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
    return seen


def end(pid, fd):
    """The exit status; a command stuck at a prompt is killed, never waited on."""
    deadline = time.monotonic() + 10
    while (done := os.waitpid(pid, os.WNOHANG)) == (0, 0):
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
        time.sleep(0.1)
    os.close(fd)
    return os.waitstatus_to_exitcode(done[1])


class RefusedRememberedPassword(unittest.TestCase):
    """Needs the keyring session of tests/support/keyring_session.sh."""

    def setUp(self):
        done = run(["login", "--remember"], environment(CLIPFERRY_PASSWORD=PASSWORD))
        self.assertEqual(done.returncode, 0, done.stderr)
        keep_in_keyring("an-old-password")

    def tearDown(self):
        run(["logout"], environment())

    def test_without_a_terminal_it_is_said_and_ends_as_refused_until_replaced(self):
        done = run(["file-types"], environment())
        self.assertEqual(done.returncode, 4, done.stderr)
        self.assertIn("the password remembered in the keyring for demo is wrong", done.stderr)
        self.assertIn("login --remember replaces it, clipferry logout forgets it", done.stderr)
        self.assertNotIn("no password", done.stderr)
        self.assertNotIn("of 3", done.stderr)
        # login --remember with the right one replaces it.
        done = run(["login", "--remember"], environment(CLIPFERRY_PASSWORD=PASSWORD))
        self.assertIn(KEPT, done.stdout)
        self.assertEqual(run(["file-types"], environment()).returncode, 0)

    def test_at_a_terminal_a_typed_one_that_works_replaces_it(self):
        pid, fd = pty.fork()
        if pid == 0:  # the child: the command, with the pty as its terminal
            os.execve(COMMAND, [COMMAND, "file-types"], environment())
        try:
            said = read_until(fd, b"Lumivid password for demo: ")
            self.assertIn(b"remembered in the keyring for demo is wrong", said)
            self.assertNotIn(b"of 3", said)  # nothing was typed yet
            os.write(fd, PASSWORD.encode() + b"\n")
            read_until(fd, b"Replace the password remembered in the keyring for demo with this one? [y/N] ")
            os.write(fd, b"y\n")
            read_until(fd, b"is remembered in the keyring")
        finally:
            status = end(pid, fd)
        self.assertEqual(status, 0)
        done = run(["file-types"], environment())  # the new one, from the keyring
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("*.mp4", done.stdout)


class SilentKeyring(unittest.TestCase):
    """A keyring that never answers (keyring_session.sh --silent): each
    command waits a few seconds at most, says so, and goes on without it."""

    def test_each_command_says_the_keyring_did_not_answer(self):
        env = environment()
        # (what is run, its environment, the status, what it says)
        steps = [
            (["config"], env, 0, NO_TERMINAL + "no keyring: the keyring did not answer within 5 seconds"),
            (["logout"], env, 1, "logout: the keyring cannot be reached: the keyring did not answer"),
            (["login", "--remember"], dict(env, CLIPFERRY_PASSWORD=PASSWORD), NOT_REMEMBERED,
             "could not be remembered: the keyring did not answer within 5 seconds"),
            (["file-types"], env, 1, "the keyring did not answer within 5 seconds; going on without"),
        ]
        for args, step_env, status, said in steps:
            with self.subTest(args=args):
                done = run(args, step_env)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)


def lock_login_keyring():
    import dbus
    service = dbus.Interface(dbus.SessionBus().get_object("org.freedesktop.secrets", "/org/freedesktop/secrets"),
                             "org.freedesktop.Secret.Service")
    locked, _ = service.Lock([dbus.ObjectPath("/org/freedesktop/secrets/collection/login")])
    assert locked, "the test keyring did not lock"


class LockedKeyring(unittest.TestCase):
    """Needs the keyring session of tests/support/keyring_session.sh, which it
    leaves locked: the password is stored, then the keyring locked, and no one
    is there to answer its unlock prompt."""

    def test_stored_but_locked_is_not_none_stored(self):
        self.assertEqual(run(["login", "--remember"], environment(CLIPFERRY_PASSWORD=PASSWORD)).returncode, 0)
        lock_login_keyring()
        env = environment()
        # (what is run, its environment, the status, what it says)
        steps = [
            (["config"], env, 0, NO_TERMINAL + "the keyring holding the one kept for demo is locked"),
            (["--json", "config"], env, 0, '"keyring": "locked"'),
            (["file-types"], env, 1, "the password remembered for demo is in a locked keyring, so it is asked for"),
            (["login", "--remember"], dict(env, CLIPFERRY_PASSWORD=PASSWORD), NOT_REMEMBERED,
             "the password could not be remembered: the keyring is locked: unlock it"),
            (["logout"], env, 1, "logout: the password kept for demo stays: the keyring is locked"),
        ]
        for args, step_env, status, said in steps:
            with self.subTest(args=args):
                done = run(args, step_env)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)


# A session bus that can start no service: no keyring service on it.
BUS_WITHOUT_SERVICES = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class WithoutKeyring(unittest.TestCase):
    """No session bus, a bus without a keyring service, and one whose keyring
    has no default keyring (nothing logged in to unlock one): the login works,
    nothing is stored, --remember ends with its own status, and each is said
    as what to do, never as D-Bus names."""

    def run_in(self, session, args, **extra):
        with tempfile.TemporaryDirectory() as home:
            env = environment(HOME=home, XDG_RUNTIME_DIR=home, XDG_DATA_HOME=home, **extra)
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            env.pop("DISPLAY", None)  # no X server to start a bus or a prompt through
            config = os.path.join(home, "bus.conf")
            with open(config, "w") as f:
                f.write(BUS_WITHOUT_SERVICES)
            prefix = {"no bus": [],
                      "no keyring service": ["dbus-run-session", "--config-file", config, "--"],
                      "no default keyring": ["dbus-run-session", "--"]}[session]
            return subprocess.run([*prefix, COMMAND, *args], env=env, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=60, start_new_session=True)

    def test_said_in_the_users_words(self):
        remember = ["login", "--remember"]
        # (the session, what is run, the status, what it says)
        steps = [
            ("no bus", remember, NOT_REMEMBERED, "could not be remembered: no session bus"),
            ("no bus", ["config"], 0, NO_TERMINAL + "no keyring: no session bus"),
            ("no bus", ["logout"], 1, "logout: the keyring cannot be reached: no session bus"),
            ("no bus", ["--json", "logout"], 1, '"exit_status": 1,\n  "error": "logout: the keyring cannot be reached'),
            ("no keyring service", remember, NOT_REMEMBERED,
             "could not be remembered: no keyring service is running on this desktop session "
             "(gnome-keyring or KeePassXC provide one)"),
            ("no default keyring", remember, NOT_REMEMBERED,
             "could not be remembered: the keyring service has no default keyring to keep it in"),
        ]
        for session, args, status, said in steps:
            with self.subTest(session=session, args=args):
                done = self.run_in(session, args, CLIPFERRY_PASSWORD=PASSWORD) if args == remember \
                    else self.run_in(session, args)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)
                self.assertNotIn("/org/freedesktop", done.stderr)
                if args == remember:
                    self.assertIn("logged in as demo\n", done.stdout)


if __name__ == "__main__":
    unittest.main()
