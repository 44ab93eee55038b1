"""The clipferry command where no service is needed: arguments it refuses,
and a service that is not there."""

import json
import os
import subprocess
import tempfile
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
             "clipferry: unknown command uplaod; did you mean upload?\n"),
            (["uplod"], USAGE, "", "clipferry: unknown command uplod; did you mean upload?\n"),
            (["hist"], USAGE, "", "did you mean history?\n"),
            (["lgn"], USAGE, "", "clipferry: unknown command lgn; did you mean login?\n"),
            (["--json", "publish"], USAGE, '"exit_status": 2', "unknown command"),
            (["login", "--bogus"], USAGE, "", "clipferry: unknown option --bogus\n"),
            (["--retry", "abc", "login"], USAGE, "",
             "clipferry: --retry wants a whole number from 0 to 100, not 'abc'\n"),
            (["help"], 0, "Usage: clipferry [OPTIONS] COMMAND", ""),
            (["help"], 0, "  8   the connection broke", ""),
            (["help", "upload"], 0, "--limit-rate", ""),
            (["completion", "zsh"], 0, "#compdef clipferry", ""),
            (["completion", "fish"], 0, "complete -c clipferry -n '__fish_seen_subcommand_from upload' -l stall-timeout -r", ""),
        ]
        for args, status, out, err in rows:
            with self.subTest(args=args):
                done = run(args, base_environment())
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(out, done.stdout)
                self.assertIn(err, done.stderr)
                for jargon in ("is required", "Excludes", "INT:INT", "At Most", "Run with --help"):
                    self.assertNotIn(jargon, done.stderr)

    def test_every_problem_of_every_file_is_named_before_anything_is_sent(self):
        # The proxy goes nowhere: the command must stop before any upload.
        env = base_environment(CLIPFERRY_PASSWORD="x",
                               CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{closed_port()}")
        folder = tempfile.TemporaryDirectory(prefix="clipferry-checks-")
        self.addCleanup(folder.cleanup)
        empty, escape = (os.path.join(folder.name, name) for name in ("empty.mp4", "\x1b[2J.mp4"))
        open(empty, "w").close()
        with open(escape, "w") as f:
            f.write("video")
        done = run(["--user", "demo", "upload", empty, "/nonexistent/clip.mp4", escape,
                    "--title", "   ", "--category", "1"], env)
        self.assertEqual(done.returncode, BAD_ARGUMENT, done.stderr)
        shown = escape.replace("\x1b", "\\x1b")
        for line in (f"clipferry: {empty}: the file is empty",
                     "clipferry: /nonexistent/clip.mp4: no such file",
                     f"clipferry: {shown}: the file's name holds a control character",
                     f"clipferry: {empty}: --title: the title is only blanks",
                     "clipferry: the files were not checked against the service's lists: login: "
                     "could not reach", "clipferry: nothing was sent\n"):
            self.assertIn(line, done.stderr)
        self.assertNotIn("\x1b", done.stderr)  # the escape is shown, never sent to the terminal
        self.assertNotIn("--no-check", done.stderr)  # it would not help
        # A title taken from the file's name is said against the name, once.
        done = run(["--user", "demo", "upload", escape, "--category", "1"], env)
        self.assertEqual(done.stderr.count("control character"), 1, done.stderr)

    def test_bash_completes_a_subcommand_and_an_option(self):
        script = run(["completion", "bash"], base_environment()).stdout
        # (the words typed, the word being completed, what is offered)
        rows = [(["clipferry", "upl"], 1, ["upload"]),
                (["clipferry", "--user", "demo", "upload", "a.mp4", "--ti"], 5, ["--title"]),
                (["clipferry", "upload", "--limit"], 2, ["--limit-rate"]),
                (["clipferry", "--user", "login", "upl"], 3, ["upload"]),  # login: the user's name
                (["clipferry", "help", "comp"], 2, ["completion"])]
        for words, current, offered in rows:
            with self.subTest(words=words):
                probe = (script + "\nCOMP_WORDS=(" + " ".join(words) + f"); COMP_CWORD={current}; "
                         "_clipferry; printf '%s\\n' \"${COMPREPLY[@]}\"\n")
                done = subprocess.run(["bash", "--norc", "-c", probe], capture_output=True,
                                      text=True, timeout=30)
                self.assertEqual(done.stdout.split(), offered, done.stderr)

    def test_config_shows_each_setting_and_where_it_came_from(self):
        folder = tempfile.TemporaryDirectory(prefix="clipferry-config-")
        self.addCleanup(folder.cleanup)
        path = os.path.join(folder.name, "clipferry", "config.toml")
        os.makedirs(os.path.dirname(path))
        full = ('user = "filer"\nproxy = "file:1"\nretry = 2\ncategories = [1, 11]\n'
                'moderator = 501\n')
        # (config.toml, environment, arguments, exit status, {setting: (value, origin)} or
        # what standard error says)
        rows = [
            (full, {}, [], 0, {"user": ("filer", "file"), "proxy": ("file:1", "file"),
                                "retry": (2, "file"), "categories": ([1, 11], "file"),
                                "moderator": (501, "file")}),
            (full, {"CLIPFERRY_USER": "envy", "CLIPFERRY_PROXY_SERVER": "env:2"}, [], 0,
             {"user": ("envy", "environment"), "proxy": ("env:2", "environment"),
              "retry": (2, "file")}),
            (full, {"CLIPFERRY_USER": "envy", "CLIPFERRY_PROXY_SERVER": "env:2"},
             ["--user", "cli", "--proxy", "cli:3", "--retry", "0"], 0,
             {"user": ("cli", "command line"), "proxy": ("cli:3", "command line"),
              "retry": (0, "command line")}),
            ('user = "filer"\nretry = "3"\n', {}, [], BAD_ARGUMENT,
             f"clipferry: config file: {path}:2: retry: expected an integer from 0 to 100"),
            (None, {"CLIPFERRY_USER": ""}, [], 0, {"user": ("", "default"), "retry": (0, "default")}),
        ]
        for text, env, args, status, expected in rows:
            with self.subTest(env=env, args=args, file=text):
                if text is None:
                    os.remove(path)
                else:
                    with open(path, "w") as f:
                        f.write(text)
                done = run(["--json", *args, "config"],
                           base_environment(XDG_CONFIG_HOME=folder.name, **env))
                self.assertEqual(done.returncode, status, done.stderr)
                if isinstance(expected, str):
                    self.assertIn(expected, done.stderr)
                    continue
                document = json.loads(done.stdout)
                self.assertEqual(document["config_file"], {"path": path, "exists": text is not None})
                self.assertFalse(document["password_set"])
                for name, (value, origin) in expected.items():
                    setting = document["settings"][name]
                    self.assertEqual((setting["value"], setting["origin"]), (value, origin), name)
        plain = run(["config"], base_environment(XDG_CONFIG_HOME=folder.name, CLIPFERRY_USER="envy",
                                                 CLIPFERRY_PASSWORD="s3cret"))
        self.assertEqual(plain.returncode, 0, plain.stderr)
        self.assertIn("from CLIPFERRY_USER", plain.stdout)
        self.assertIn("password    from CLIPFERRY_PASSWORD", plain.stdout)
        self.assertNotIn("s3cret", plain.stdout)

    def test_without_terminal_or_variable_there_is_no_password(self):
        done = run(["--user", "demo", "login"], base_environment())  # new session: no /dev/tty
        self.assertEqual(done.returncode, FAILURE, done.stderr)
        self.assertIn("CLIPFERRY_PASSWORD", done.stderr)
        self.assertIn("--password-stdin", done.stderr)

    def test_output_that_cannot_be_written_fails(self):
        with open("/dev/full", "w") as full:
            done = subprocess.run([os.environ["CLIPFERRY_COMMAND"], "config"], env=base_environment(),
                                  stdout=full, stderr=subprocess.PIPE, text=True, timeout=30)
        self.assertEqual(done.returncode, FAILURE, done.stderr)
        self.assertIn("clipferry: could not write the output: No space left on device", done.stderr)


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
        self.assertIn("clipferry: failed again the same way; retry 2 of 2 in 0:02\n", done.stderr)
        # The whole error for the first try and the last, not for every one.
        self.assertEqual(done.stderr.count("could not connect"), 2, done.stderr)
        self.assertGreaterEqual(elapsed, 3.0)


if __name__ == "__main__":
    unittest.main()
