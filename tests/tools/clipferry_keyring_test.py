"""The command's remembered login against the local service: stored by
`login --remember`, used by later commands, reported by `config`, removed by
`logout` (run in a private D-Bus session with a test keyring); and, without
a session bus, said and not stored."""

import os
import tempfile
import unittest

from command_harness import base_environment, devserver_port, run

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
