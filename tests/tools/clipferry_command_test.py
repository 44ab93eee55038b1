"""The clipferry command where no service is needed: arguments it refuses,
and a service that is not there."""

import json
import time
import unittest

from command_harness import (BAD_ARGUMENT, FAILURE, UNREACHABLE, USAGE, base_environment,
                             closed_port, run)


class CommandLineTest(unittest.TestCase):
    def test_the_password_is_never_an_option(self):
        env = base_environment()
        for args in (["--user", "demo", "login", "--password", "s3cret"],
                     ["--user", "demo", "--password=s3cret", "login"],
                     ["--user", "demo", "login", "s3cret"]):
            with self.subTest(args=args):
                done = run(args, env)
                self.assertEqual(done.returncode, USAGE, done.stderr)

    def test_every_subcommand_has_help(self):
        for sub in ("login", "file-types", "categories", "moderators", "upload"):
            with self.subTest(sub=sub):
                done = run([sub, "--help"], base_environment())
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertIn(f"clipferry {sub}", done.stdout)
                self.assertNotIn("Exit status:", done.stdout)
                self.assertIn("clipferry --help", done.stdout)

    def test_what_the_command_says_without_a_service(self):
        # (arguments, exit status, text on stdout, text on stderr)
        rows = [
            ([], USAGE, "", "Usage:"),
            (["--help"], 0, "CLIPFERRY_PROXY_SERVER", ""),
            (["--help"], 0, "  8   the connection broke", ""),
            (["--version"], 0, "library header ", ""),
            (["publish"], USAGE, "", "clipferry: unknown command publish (the commands are"),
            (["--user", "demo", "--retry", "2", "uplaod", "x.mp4"], USAGE, "",
             "clipferry: unknown command uplaod"),
            (["--json", "publish"], USAGE, '"exit_status": 2', "unknown command"),
        ]
        for args, status, out, err in rows:
            with self.subTest(args=args):
                done = run(args, base_environment())
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(out, done.stdout)
                self.assertIn(err, done.stderr)
                self.assertNotIn("is required", done.stderr)

    def test_a_missing_file_is_named_before_anything_is_sent(self):
        # The proxy goes nowhere: the command must stop before any request.
        env = base_environment(CLIPFERRY_PASSWORD="x",
                               CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{closed_port()}")
        done = run(["--user", "demo", "upload", "/nonexistent/clip.mp4", "--title", "T",
                    "--category", "1"], env)
        self.assertEqual(done.returncode, BAD_ARGUMENT, done.stderr)
        self.assertIn("FILE: no such file: /nonexistent/clip.mp4", done.stderr)

    def test_without_terminal_or_variable_there_is_no_password(self):
        done = run(["--user", "demo", "login"], base_environment())  # new session: no /dev/tty
        self.assertEqual(done.returncode, FAILURE, done.stderr)
        self.assertIn("CLIPFERRY_PASSWORD", done.stderr)


class NoServiceTest(unittest.TestCase):
    def setUp(self):
        self.env = base_environment(CLIPFERRY_PASSWORD="demo-password",
                                    CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{closed_port()}")

    def test_each_command_names_the_connection_failure(self):
        proxy = self.env["CLIPFERRY_PROXY_SERVER"]
        for sub in (["login"], ["file-types"], ["categories", "--recursive"], ["moderators"],
                    ["--json", "login"]):
            with self.subTest(sub=sub):
                done = run(["--user", "demo", *sub], self.env)
                self.assertEqual(done.returncode, UNREACHABLE, done.stderr)
                self.assertIn(f"clipferry: login: could not reach the proxy {proxy} "
                              "(CLIPFERRY_PROXY_SERVER) (libcurl result 7: could not connect); "
                              "is the service or proxy running?", done.stderr)
                if "--json" in sub:
                    document = json.loads(done.stdout)
                    self.assertEqual((document["ok"], document["result"], document["exit_status"]),
                                     (False, 7, UNREACHABLE))
                else:
                    self.assertEqual(done.stdout, "")

    def test_retries_wait_one_then_two_seconds(self):
        started = time.monotonic()
        done = run(["--user", "demo", "--retry", "2", "login"], self.env)
        elapsed = time.monotonic() - started
        self.assertEqual(done.returncode, UNREACHABLE, done.stderr)
        self.assertIn("retry 1 of 2 in 0:01", done.stderr)
        self.assertIn("retry 2 of 2 in 0:02", done.stderr)
        self.assertEqual(done.stderr.count("could not connect"), 3, done.stderr)
        self.assertGreaterEqual(elapsed, 3.0)


if __name__ == "__main__":
    unittest.main()
