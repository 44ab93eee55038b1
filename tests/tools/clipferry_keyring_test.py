"""The command's remembered login against the local service: stored by
`login --remember`, used by later commands, reported by `config`, removed by
`logout`, and a refused one said and replaced (run in a private D-Bus session
with a test keyring); without a session bus, said and not stored; with a
keyring that never answers, given up on after a few seconds and said."""

import os
import pty
import select
import signal
import tempfile
import time
import unittest
import warnings

from command_harness import COMMAND, base_environment, devserver_port, run

PASSWORD = "demo-password"


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
            (["login", "--remember"], with_password, 0, "remembered in the keyring"),
            (["file-types"], env, 0, "*.mp4"),
            (["config"], env, 0, "remembered  stored in the keyring for demo"),
            (["--json", "config"], env, 0, '"password_remembered": true'),
            (["logout"], env, 0, "is no longer remembered"),
            (["file-types"], env, 1, "no password"),
            (["config"], env, 0, "remembered  none stored for demo"),
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
        self.assertIn("none stored", run(["config"], env).stdout)


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
        self.assertIn("is remembered in the keyring", done.stderr)
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
            (["config"], env, 0, "remembered  no keyring: the keyring did not answer within 5 seconds"),
            (["logout"], env, 1, "logout: the keyring cannot be reached: the keyring did not answer"),
            (["login", "--remember"], dict(env, CLIPFERRY_PASSWORD=PASSWORD), 0,
             "could not be remembered: the keyring did not answer within 5 seconds"),
            (["file-types"], env, 1, "the keyring did not answer within 5 seconds; going on without"),
        ]
        for args, step_env, status, said in steps:
            with self.subTest(args=args):
                done = run(args, step_env)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)


class WithoutKeyring(unittest.TestCase):
    """No session bus: the login works, nothing is stored, and it is said."""

    def test_refused_without_a_session_bus(self):
        with tempfile.TemporaryDirectory() as runtime:
            env = environment(XDG_RUNTIME_DIR=runtime)
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            done = run(["login", "--remember"], dict(env, CLIPFERRY_PASSWORD=PASSWORD))
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn("could not be remembered: no session bus", done.stderr)
            self.assertIn("remembered  no keyring", run(["config"], env).stdout)
            done = run(["logout"], env)
            self.assertEqual(done.returncode, 1)
            self.assertIn("keyring cannot be reached", done.stderr)


if __name__ == "__main__":
    unittest.main()
