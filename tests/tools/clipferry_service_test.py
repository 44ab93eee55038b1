"""The clipferry command against the local Lumivid service (CTest fixture
`devserver`): what each subcommand prints, refusals, retries, the password
prompt and cancelling an upload."""

import hashlib
import http.server
import json
import os
import pty
import re
import select
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from command_harness import (BAD_ARGUMENT, COMMAND, CONNECTION_BROKE, REFUSED, SOURCE_DIR, TIMED_OUT,
                             Control, base_environment, default_data, devserver_port, run)

sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))
from throttling_relay import ThrottlingRelay, busiest  # noqa: E402

DEMO_PASSWORD = "demo-password"


def write_clip(path, size):
    with open(path, "wb") as f:
        f.write(os.urandom(size))
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class ServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.port = devserver_port()
        cls.control = Control(cls.port)
        cls.data = default_data()

    def setUp(self):
        self.control.post("reset", {})
        self.addCleanup(self.control.post, "reset", {})
        self.scratch = tempfile.TemporaryDirectory(prefix="clipferry-command-")
        self.addCleanup(self.scratch.cleanup)
        # Both users were told about the terms already, so the note stays out of the way.
        self.config = os.path.join(self.scratch.name, "clipferry", "config.toml")
        self.write_config("")

    def write_config(self, text, told=("demo", "solo")):
        os.makedirs(os.path.dirname(self.config), exist_ok=True)
        with open(self.config, "w") as f:
            f.write(text + "".join(f"\n[terms.{user}]\naccepted = 2026-01-02T03:04:05Z\n"
                                   for user in told))

    def env(self, **extra):
        values = {"CLIPFERRY_PROXY_SERVER": f"127.0.0.1:{self.port}",
                  "CLIPFERRY_PASSWORD": DEMO_PASSWORD, "XDG_CONFIG_HOME": self.scratch.name}
        values.update(extra)  # None leaves a variable out
        return base_environment(**{k: v for k, v in values.items() if v is not None})

    def clipferry(self, *args, user="demo", input=None, **env):
        """user None: the user comes from config.toml. Each run has a ledger of
        its own unless XDG_STATE_HOME names one, so a file may be sent twice."""
        extra = {} if input is None else {"input": input}
        env.setdefault("XDG_STATE_HOME", tempfile.mkdtemp(dir=self.scratch.name))
        return run([*(["--user", user] if user else []), *args], self.env(**env), **extra)

    def await_upload_request(self, path="/upload"):
        """Until the service has read an upload, or a request to path (up to 20 s)."""
        deadline = time.monotonic() + 20
        while (not [r for r in self.control.get("requests") if r["path"] == path]
               and time.monotonic() < deadline):
            time.sleep(0.1)

    def assertOk(self, done):
        self.assertEqual(done.returncode, 0, f"stdout: {done.stdout}\nstderr: {done.stderr}")

    def categories_below(self, parent):
        return [c for c in self.data["categories"] if c["parent"] == parent]


class ListsTest(ServiceTest):
    def test_login(self):
        done = self.clipferry("login")
        self.assertOk(done)
        self.assertEqual(done.stdout, "logged in as demo\n")

    def test_file_types_one_per_line(self):
        done = self.clipferry("file-types")
        self.assertOk(done)
        self.assertEqual(done.stdout.splitlines(), self.data["file_types"].split(";"))

    def test_categories_one_level(self):
        for args, parent in ((["categories"], 0), (["categories", "1"], 1)):
            with self.subTest(args=args):
                done = self.clipferry(*args)
                self.assertOk(done)
                expected = [f'{c["id"]} {c["name"]}' for c in self.categories_below(parent)]
                self.assertEqual(done.stdout.splitlines(), expected)

    def test_categories_recursive_tree_plainly_through_a_pipe(self):
        def lines(parent, indent):
            out = []
            for c in self.categories_below(parent):
                out.append(f'{indent}{c["id"]} {c["name"]}')
                out += lines(c["id"], indent + "  ")
            return out

        done = self.clipferry("categories", "--recursive")
        self.assertOk(done)
        self.assertEqual(done.stdout.splitlines(), lines(0, ""))
        self.assertIn("  12 Animation <2D/3D>", done.stdout)

    def test_every_command_prints_one_json_document(self):
        def tree(parent):
            return [{"id": c["id"], "name": c["name"], "children": tree(c["id"])}
                    for c in self.categories_below(parent)]

        moderators = [{"id": m["contact_id"], "first": m["first_name"], "last": m["last_name"]}
                      for m in self.data["moderators"]["17"]]
        # (arguments, environment, exit status, the document)
        rows = [
            (["login"], {}, 0, {"ok": True, "user": "demo", "contact": {"user": "demo"}, "remembered": False}),
            (["file-types"], {}, 0,
             {"ok": True, "file_types": self.data["file_types"].split(";")}),
            (["categories", "1"], {}, 0, {"ok": True, "parent": 1, "categories": [
                {"id": c["id"], "name": c["name"]} for c in self.categories_below(1)]}),
            (["categories", "-r"], {}, 0, {"ok": True, "parent": 0, "categories": tree(0)}),
            (["moderators"], {}, 0, {"ok": True, "moderators": moderators}),
            (["login"], {"CLIPFERRY_PASSWORD": "wrong"}, REFUSED,
             {"ok": False, "operation": "login", "result": 83, "exit_status": REFUSED}),
        ]
        for args, env, status, expected in rows:
            with self.subTest(args=args):
                done = self.clipferry("--json", *args, **env)
                self.assertEqual(done.returncode, status, done.stderr)
                document = json.loads(done.stdout)
                document.pop("error", None)
                self.assertEqual(document, expected)

    def test_categories_below_an_unknown_or_a_childless_category(self):
        # (arguments, exit status, what standard error says)
        rows = [(["categories", "99"], BAD_ARGUMENT, "clipferry: categories: no such category 99"),
                (["categories", "11"], 0, "clipferry: no categories below 11 Short Films\n")]
        for args, status, said in rows:
            with self.subTest(args=args):
                done = self.clipferry(*args)
                self.assertEqual((done.returncode, done.stdout), (status, ""), done.stderr)
                self.assertIn(said, done.stderr)

    def test_a_login_answer_that_is_not_lumivids_is_not_called_a_wrong_password(self):
        class Plain(http.server.BaseHTTPRequestHandler):  # answers POST with 501
            def log_message(self, *args):
                pass
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Plain)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)
        plain = f"127.0.0.1:{server.server_address[1]}"
        done = self.clipferry("--proxy", plain, "login")
        self.assertEqual(done.returncode, REFUSED, done.stderr)
        self.assertIn(f"the proxy {plain} (--proxy) did not answer as Lumivid does; is it a proxy "
                      "to Lumivid? check --proxy", done.stderr)
        self.assertNotIn("wrong user name or password", done.stderr)

    def test_moderators(self):
        done = self.clipferry("moderators")
        self.assertOk(done)
        expected = [f'{m["contact_id"]} {m["first_name"]} {m["last_name"]}'
                    for m in self.data["moderators"]["17"]]
        self.assertEqual(done.stdout.splitlines(), expected)

    def test_moderators_for_an_account_without_them(self):
        done = self.clipferry("moderators", user="solo", CLIPFERRY_PASSWORD="solo-password")
        self.assertEqual(done.returncode, BAD_ARGUMENT, done.stderr)
        self.assertIn("may not choose moderators", done.stderr)

    def test_wrong_password_is_refused(self):
        # (command, user flag, CLIPFERRY_USER, where the hint says the user name came from)
        for sub, user, variable, source in (("login", "demo", None, "--user"),
                                            ("categories", "demo", None, "--user"),
                                            ("login", None, "demo", "CLIPFERRY_USER")):
            with self.subTest(sub=sub, source=source):
                done = self.clipferry(sub, user=user, CLIPFERRY_USER=variable,
                                      CLIPFERRY_PASSWORD="not-the-password")
                self.assertEqual(done.returncode, REFUSED, done.stderr)
                self.assertEqual(done.stderr, "clipferry: login: login refused: wrong user name "
                                              f"or password; check {source} and CLIPFERRY_PASSWORD\n")
                self.assertEqual(done.stdout, "")

    def test_a_drop_is_retried_unless_the_whole_upload_went_out(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        with open(clip, "wb") as f:
            f.truncate(32 * 1024 * 1024)  # more than the sockets' buffers hold
        upload = ["upload", clip, "--title", "Harbour at dusk", "--category", "1"]
        # (name, command, script, retried)
        rows = [
            ("login", ["login"], {"path": "/0.1.1/api"}, True),
            ("upload mid-file", upload, {"path": "/upload", "read_limit": 1000}, True),
            ("upload after the whole file", upload, {"path": "/upload"}, False),
        ]
        self.control.post("settings", {"store_uploads": False})
        for name, args, script, retried in rows:
            with self.subTest(name):
                self.control.post("script", {**script, "drop": True, "times": 1})
                done = self.clipferry("--retry", "1", *args)
                uploads = self.control.get("uploads")
                self.control.post("reset", {})
                self.control.post("settings", {"store_uploads": False})
                if retried:
                    self.assertOk(done)
                    self.assertIn("retry 1 of 1 in 0:01", done.stderr)
                    continue
                self.assertEqual(done.returncode, CONNECTION_BROKE, done.stderr)
                self.assertNotIn("retry 1 of", done.stderr)
                self.assertIn("broke after every byte was handed to the network", done.stderr)
                self.assertIn("may have received it", done.stderr)
                self.assertIn('"Harbour at dusk" (sent 20', done.stderr)
                self.assertEqual(uploads, [])

    def test_without_retries_a_dropped_connection_fails(self):
        self.control.post("script", {"path": "/0.1.1/api", "drop": True, "times": 1})
        done = self.clipferry("login")
        self.assertEqual(done.returncode, CONNECTION_BROKE, done.stderr)
        self.assertNotIn("retry 1 of", done.stderr)


class UploadTest(ServiceTest):
    def upload(self, path, *extra, **env):
        return self.clipferry("upload", path, "--title", "Harbour at dusk", "--description",
                              "Gulls and ferries", "--tags", "harbour dusk", "--category", "1",
                              "--category2", "11", "--category3", "2", "--moderator", "501",
                              *extra, **env)

    def upload_over_slow_link(self, bytes_per_second, size, *extra):
        """Uploads a new clip of `size` bytes through a relay that reads at
        `bytes_per_second`: the run, and the relay's record of the upload."""
        relay = ThrottlingRelay(("127.0.0.1", self.port), bytes_per_second)
        self.addCleanup(relay.close)
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, size)
        done = self.upload(clip, *extra, CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{relay.port}")
        return done, max(relay.wait_idle(), key=lambda connection: connection.upstream)

    def test_the_limit_rate_holds_the_link_to_the_rate(self):
        # A link ten times faster than the limit: only the command holds the pace.
        done, upload = self.upload_over_slow_link(1024 * 1024, 500 * 1024, "--limit-rate", "100K")
        self.assertOk(done)
        averages = re.findall(r"avg ([0-9.]+) KiB/s", done.stderr)
        self.assertTrue(averages, done.stderr)
        self.assertLessEqual(max(float(a) for a in averages), 100.5, done.stderr)  # display rounding
        self.assertGreater(upload.upstream, 500 * 1024)
        # What reached the service in any two seconds. A busy machine only
        # makes the command hold longer; the margin is for the relay's own
        # timing. Pieces of a megabyte went out at once: twice the rate.
        self.assertLessEqual(busiest(upload.samples, 2.0), 1.1 * 2 * 100 * 1024)

    def test_a_slow_link_is_no_stall(self):
        # The system would take the whole file at once, then hand it on in
        # steps of several seconds each.
        done, upload = self.upload_over_slow_link(64 * 1024, 512 * 1024, "--stall-timeout", "2s")
        self.assertOk(done)
        self.assertGreater(upload.upstream, 512 * 1024)

    def test_upload_is_accepted_and_kept(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        digest = write_clip(clip, 3 * 1024 * 1024 + 17)
        done = self.upload(clip)
        self.assertOk(done)
        self.assertEqual(done.stdout, 'accepted: Your video "Harbour at dusk" was received '
                                      'and awaits moderation.\n')
        # Not a terminal: plain progress lines, ending at 100%.
        progress = [line for line in done.stderr.splitlines() if line.startswith("upload: ")]
        self.assertTrue(progress, done.stderr)
        self.assertIn("100%  3.0 MiB of 3.0 MiB", progress[-1])
        self.assertNotIn("\r", done.stderr)

        [record] = self.control.get("uploads")
        self.assertEqual(record["status"], "SUCCESS")
        self.assertEqual(record["sha256"], digest)
        self.assertEqual(record["size"], 3 * 1024 * 1024 + 17)
        fields = dict(record["fields"])
        for name, value in (("title", "Harbour at dusk"), ("description", "Gulls and ferries"),
                            ("tags", "harbour dusk"), ("category1", "1"), ("category2", "11"),
                            ("category3", "2")):
            self.assertEqual(fields.get(name), value, name)
        self.assertTrue(os.path.isfile(record["stored_path"]))

    def test_a_batch_goes_on_after_a_failure_and_ends_with_the_worst_status(self):
        clips = []
        for name in ("first take.mp4", "second.mov", "third.mp4"):
            clips.append(os.path.join(self.scratch.name, name))
            write_clip(clips[-1], 2000)
        refusal = "<result><status>UNSUCCESSFUL</status><message>Too dark</message></result>"
        for as_json in (False, True):
            with self.subTest(json=as_json):
                self.control.post("reset", {})
                # The first file is refused, the second dropped after it was read (so the
                # service may have it), the third kept.
                self.control.post("script", {"path": "/upload", "body": refusal})
                self.control.post("script", {"path": "/upload", "drop": True})
                done = self.clipferry(*(["--json"] if as_json else []), "upload", *clips,
                                      "--category", "1")
                self.assertEqual(done.returncode, CONNECTION_BROKE, done.stderr)
                self.assertIn(f"clipferry: upload of {clips[0]}: refused by the service: Too dark",
                              done.stderr)
                self.assertIn(f"clipferry: upload of {clips[1]}: the connection", done.stderr)
                [kept] = self.control.get("uploads")
                self.assertEqual(dict(kept["fields"])["title"], "third")
                if not as_json:
                    self.assertEqual(done.stdout.splitlines(), [
                        f'{clips[2]}: accepted: Your video "third" was received and awaits '
                        'moderation.',
                        "3 files: 1 accepted, 1 refused, 0 failed, 1 may have been received"])
                    continue
                document = json.loads(done.stdout)
                self.assertEqual(document["summary"], {"accepted": 1, "refused": 1, "failed": 0,
                                                       "not_sent": 0, "may_have_been_received": 1,
                                                       "skipped": 0, "cancelled": 0})
                self.assertEqual(
                    [(u["file"], u["title"], u["verdict"], u["result"], u["exit_status"])
                     for u in document["uploads"]],
                    [(clips[0], "first take", "refused", 83, REFUSED),
                     (clips[1], "second", "may have been received", 52, CONNECTION_BROKE),
                     (clips[2], "third", "accepted", 0, 0)])
                self.assertEqual(document["uploads"][0]["message"], "Too dark")
                for upload in document["uploads"]:
                    self.assertEqual(upload["bytes"], 2000)
                    self.assertGreater(upload["bytes_sent"], 2000)  # the form around the file
                self.assertEqual(document["exit_status"], CONNECTION_BROKE)

    def test_standard_input_carries_the_password_or_the_description(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 1000)
        upload = ["upload", clip, "--category", "1", "--description-file", "-"]
        # (arguments, standard input, exit status, description received)
        rows = [
            (["--password-stdin", "login"], DEMO_PASSWORD + "\r\n", 0, None),
            (["--password-stdin", "login"], DEMO_PASSWORD + "x\n", REFUSED, None),
            (upload, "Line one\nline two\n", 0, "Line one\nline two"),
            (["--password-stdin", *upload], DEMO_PASSWORD + "\n", BAD_ARGUMENT, None),
        ]
        for args, given, status, description in rows:
            with self.subTest(args=args, input=given):
                self.control.post("reset", {})
                password = None if "--password-stdin" in args else DEMO_PASSWORD
                done = self.clipferry(*args, input=given, CLIPFERRY_PASSWORD=password)
                self.assertEqual(done.returncode, status, done.stderr)
                if description is not None:
                    [record] = self.control.get("uploads")
                    self.assertEqual(dict(record["fields"])["description"], description)

    def test_quiet_verbose_and_json_say_what_they_promise_on_standard_error(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 100_000)
        # (flags, what standard error holds, what it must not)
        rows = [
            (["--quiet"], [], ["upload: ", "verbose: "]),
            (["--json"], [], ["upload: "]),  # no terminal: no progress beside the document
            (["--verbose"], [f"verbose: proxy 127.0.0.1:{self.port} (CLIPFERRY_PROXY_SERVER)",
                             f"verbose: CLIPFERRY_LOG=999: each answer is kept in "
                             f"{self.scratch.name}/Clipferry_*.xml",
                             "verbose: logging in as demo at http://",
                             f"verbose: {clip}: every byte sent; waiting for the verdict",
                             f"verbose: {clip}: verdict: accepted", "upload: harbour.mp4  100%"], []),
        ]
        for flags, present, absent in rows:
            with self.subTest(flags=flags):
                done = self.clipferry(*flags, "upload", clip, "--category", "1",
                                      CLIPFERRY_LOG="999", TMPDIR=self.scratch.name)
                self.assertOk(done)
                self.assertIn("awaits moderation", done.stdout)
                for text in present:
                    self.assertIn(text, done.stderr)
                for text in absent:
                    self.assertNotIn(text, done.stderr)
                if flags == ["--json"]:
                    document = json.loads(done.stdout)
                    self.assertEqual((document["file"], document["bytes"], document["verdict"],
                                      document["result"]), (clip, 100_000, "accepted", 0))
                if flags == ["--quiet"]:
                    self.assertEqual([line for line in done.stderr.splitlines()
                                      if line.startswith(("upload", "verbose", "clipferry"))], [])
        self.assertTrue(os.path.isfile(os.path.join(self.scratch.name, "Clipferry_Login.xml")))

    def test_config_meta_and_the_checks_before_sending(self):
        clip, clip2, mkv, empty = (os.path.join(self.scratch.name, name)
                                   for name in ("a.mp4", "b.mov", "c.mkv", "d.mp4"))
        latin1 = os.path.join(self.scratch.name, os.fsdecode(b"caf\xe9.mp4"))  # not UTF-8
        for path, size in ((clip, 2000), (clip2, 1000), (mkv, 1000), (empty, 0), (latin1, 10)):
            write_clip(path, size)
        meta = os.path.join(self.scratch.name, "meta.json")
        with open(meta, "w") as f:
            json.dump([{"file": clip, "title": "From meta", "tags": ["a", "b"]},
                       {"file": "b.mov", "categories": [2, 21], "moderator": 502}], f)
        defaults = 'user = "demo"\ncategories = [1, 11]\nmoderator = 501\n'
        # (name, user, arguments, config.toml, exit status, on stdout or stderr,
        #  what arrives: title, category1, category2, moderator)
        rows = [
            ("config gives user and defaults", None, ["upload", clip], defaults, 0,
             'Your video "a" was received', [("a", "1", "11", "501")]),
            ("--meta for two files", None, ["upload", clip, clip2, "--meta", meta], defaults, 0,
             "2 files: 2 accepted", [("From meta", "1", "11", "501"), ("b", "2", "21", "502")]),
            ("a flag beats --meta and config", "demo",
             ["upload", clip, "--meta", meta, "--title", "Flag", "--category", "3"], defaults, 0,
             "accepted", [("Flag", "3", "0", "501")]),
            ("wrong extension", "demo", ["upload", clip, mkv, "--category", "1"], "", BAD_ARGUMENT,
             f"clipferry: {mkv}: not a file type the service accepts; it accepts *.mp4, *.mov", []),
            ("unknown category", "demo", ["upload", clip, "--category", "1", "--category2", "99"],
             "", BAD_ARGUMENT, "--category2 99: no such category; choose one of: 1 Film & Animation",
             []),
            ("unknown moderator", "demo", ["upload", clip, "--category", "1", "--moderator", "7"],
             "", BAD_ARGUMENT, "--moderator 7: not one of your moderators; choose one of: 501 Mia "
             "Moderator, 502 Otto O'Neil, or 0 for none", []),
            ("solo may not choose one", "solo", ["upload", clip], defaults, BAD_ARGUMENT,
             "--moderator 501: this account may not choose a moderator", []),
            ("empty file, even unchecked", "demo", ["upload", empty, "--no-check", "--category", "1"],
             "", BAD_ARGUMENT, f"clipferry: {empty}: the file is empty", []),
            ("dry run", None, ["upload", clip, clip2, "--meta", meta, "--dry-run"], defaults, 0,
             "  categories   2 Music, 21 Live Concerts\n  moderator    502 Otto O'Neil\n"
             "dry run: 2 files checked, nothing was sent", []),
            # Unchecked, the service refuses, and the user reads its own words.
            ("no check", "demo", ["upload", mkv, "--no-check", "--category", "1"], "", REFUSED,
             f'clipferry: upload of {mkv}: refused by the service: The file "c.mkv" is not of a '
             "type Lumivid accepts (*.mp4, *.mov, *.avi, *.wmv, *.mpg)\n", [("c", "1", "0", "0")]),
            ("no check, unknown category", "demo", ["upload", clip, "--no-check", "--category", "99"],
             "", REFUSED, f"clipferry: upload of {clip}: refused by the service: Unknown category 99\n",
             [("a", "99", "0", "0")]),
            ("no check, unknown moderator", "demo",
             ["upload", clip, "--no-check", "--category", "1", "--moderator", "777"], "", REFUSED,
             f"clipferry: upload of {clip}: refused by the service: Unknown moderator 777\n",
             [("a", "1", "0", "777")]),
            ("a name not UTF-8 fails alone", "demo", ["upload", latin1, clip, "--category", "1"],
             "", BAD_ARGUMENT, "2 files: 1 accepted, 0 refused, 1 failed", [("a", "1", "0", "0")]),
            ("a control character in the title", "demo",
             ["upload", clip, "--category", "1", "--title", "a\x01b"], "", BAD_ARGUMENT,
             "clipferry: --title: holds a control character (a\\x01b)", []),
            ("empty and wrong type at once", "demo", ["upload", empty, mkv, "--category", "1"], "",
             BAD_ARGUMENT, f"clipferry: {empty}: the file is empty; there is nothing to upload\n"
             f"clipferry: {mkv}: not a file type", []),
            ("a dry run predicts a name not UTF-8 fails", "demo",
             ["upload", latin1, clip, "--category", "1", "--dry-run"], "", 0,
             "  would fail   the file's name and every field must be UTF-8 text\n", []),
            ("a dry run honours --no-check", "demo",
             ["upload", mkv, "--no-check", "--dry-run", "--category", "1", "--tags", "a, b"], "", 0,
             "  tags         a b\n  categories   1\n", []),
            ("the same file twice is sent once", "demo", ["upload", clip, clip, "--category", "1"],
             "", 0, "given more than once; it is sent once", [("a", "1", "0", "0")]),
        ]
        for name, user, args, config, status, text, arrived in rows:
            with self.subTest(name):
                self.control.post("reset", {})
                self.write_config(config)
                password = "solo-password" if user == "solo" else DEMO_PASSWORD
                done = self.clipferry(*args, user=user, CLIPFERRY_PASSWORD=password)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(text, done.stdout + done.stderr)
                fields = [dict(u["fields"]) for u in self.control.get("uploads")]
                self.assertEqual([(f["title"], f["category1"], f["category2"], f["moderator"])
                                  for f in fields], arrived)

    def test_the_terms_are_said_once_per_user_and_noted_beside_the_ledger(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 1000)
        state = os.path.join(self.scratch.name, "state")
        # A file 1.0 appended its note to, and settings the user added after it.
        own = '# mine\n\n[terms."solo"]\naccepted = 2026-01-02T03:04:05Z\nretry = 2\n'
        with open(self.config, "w") as f:
            f.write(own)
        # (user, flags, times said on stdout and on stderr): not on a dry run; with --json
        # on stderr; then never again for that user; a user 1.0 noted is not told again.
        rows = [("demo", ["--dry-run"], [0, 0]), ("demo", ["--json"], [0, 1]), ("demo", [], [0, 0]),
                ("solo", [], [0, 0])]
        for user, flags, said in rows:
            with self.subTest(user=user, flags=flags):
                password = "solo-password" if user == "solo" else DEMO_PASSWORD
                done = self.clipferry("upload", clip, "--category", "1", *flags, user=user,
                                      CLIPFERRY_PASSWORD=password, XDG_STATE_HOME=state)
                self.assertOk(done)
                self.assertEqual([stream.count("accepts its terms")
                                  for stream in (done.stdout, done.stderr)], said)
                self.assertIn(f"clipferry: warning: {self.config}:5: retry is inside the table "
                              "[terms.solo] (line 3), so it is ignored: move it above that line\n",
                              done.stderr)
        with open(self.config) as f:
            self.assertEqual(f.read(), own)
        note = os.path.join(state, "clipferry", "terms-accepted.json")
        with open(note) as f:
            self.assertEqual(list(json.load(f)["accepted"]), ["demo"])
        self.assertEqual(os.stat(note).st_mode & 0o777, 0o600)
        shown = json.loads(self.clipferry("--json", "config", XDG_STATE_HOME=state).stdout)
        self.assertEqual(shown["terms_accepted"], ["demo", "solo"])

    def test_a_title_of_blanks_is_refused_before_the_file_goes_out(self):
        clip = os.path.join(self.scratch.name, "blank.mp4")
        write_clip(clip, 1000)
        done = self.clipferry("upload", clip, "--title", "   ", "--category", "1")
        self.assertEqual(done.returncode, BAD_ARGUMENT, done.stderr)
        self.assertIn("clipferry: --title: the title is only blanks", done.stderr)
        self.assertEqual((done.stdout, self.control.get("uploads")), ("", []))

    def test_the_service_messages_escape_is_shown_not_obeyed(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 1000)
        # C1's CSI: XML takes it, and some terminals obey it as ESC [.
        refusal = ("<result><status>UNSUCCESSFUL</status><message>Too dark\u009b2J"
                   "</message></result>")
        self.control.post("script", {"path": "/upload", "body": refusal})
        done = self.clipferry("upload", clip, "--category", "1")
        self.assertEqual(done.returncode, REFUSED, done.stderr)
        self.assertIn("refused by the service: Too dark\\u009b2J\n", done.stderr)
        self.assertNotIn("\u009b", done.stderr)

    def test_a_verdict_that_never_comes_may_have_been_received(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 100_000)
        self.control.post("settings", {"store_uploads": False})
        # The service reads the whole file, then says nothing for 20 s.
        self.control.post("script", {"path": "/upload", "delay_ms": 20000, "drop": True})
        done = self.clipferry("--json", "upload", clip, clip, "--category", "1",
                              "--stall-timeout", "2s")
        self.assertEqual(done.returncode, TIMED_OUT, done.stderr)
        self.assertIn(f"clipferry: warning: {clip}: given more than once; it is sent once",
                      done.stderr)
        self.assertIn("stalled: nothing moved for 2 s (the limit given: --stall-timeout 2 s)",
                      done.stderr)
        self.assertIn("the service may have received it", done.stderr)
        self.assertNotIn("longer --stall-timeout", done.stderr)  # it is not to be sent again
        document = json.loads(done.stdout)
        self.assertEqual((document["verdict"], document["exit_status"]),
                         ("may have been received", TIMED_OUT))

    def test_interrupt_cancels_the_upload_and_the_batch(self):
        clip, clip2 = (os.path.join(self.scratch.name, name) for name in ("long.mp4", "next.mp4"))
        for path in (clip, clip2):
            with open(path, "wb") as f:
                f.write(path.encode())  # two contents, or the second would be left out as the first
                f.truncate(1024 ** 3)  # sparse: costs no disk here
        self.control.post("settings", {"store_uploads": False})
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", clip, clip2, "--title", "Long", "--category", "1"],
            env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True)
        try:
            first = process.stderr.readline()  # the first progress line: bytes are moving
            while first.startswith("checking "):  # the ledger hashing the file
                first = process.stderr.readline()
            self.assertTrue(first.startswith("upload: "), first)
            process.send_signal(signal.SIGINT)
            stdout, stderr = process.communicate(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertEqual(process.returncode, -signal.SIGINT, stderr)  # the shell says 130
        self.assertIn(f"clipferry: upload of {clip}: cancelled\n", stderr)
        # Ctrl-C stops the batch: the second file is not sent.
        self.assertEqual(stdout, "2 files: 0 accepted, 0 refused, 0 failed, 1 cancelled, 1 not sent\n")
        self.assertNotIn("interrupted:", stderr)  # one summary, not two
        self.assertFalse([u for u in self.control.get("uploads") if u["status"] == "SUCCESS"])


    def test_ctrl_c_while_the_upload_server_is_asked_for_cancels_it(self):
        clip = os.path.join(self.scratch.name, "harbour.mp4")
        write_clip(clip, 1000)
        # The API host holds its answer longer than the library waits for it (50 s).
        self.control.post("script", {"path": "/upload.xml", "delay_ms": 600_000, "drop": True})
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", clip, "--category", "1"],
            env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True)
        try:
            self.await_upload_request("/upload.xml")
            process.send_signal(signal.SIGINT)
            # Ignoring Ctrl-C there, the command would go on for 50 s at least.
            stdout, stderr = process.communicate(timeout=45)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertEqual(process.returncode, -signal.SIGINT, stderr)  # the shell says 130
        self.assertIn(f"clipferry: upload of {clip}: cancelled\n", stderr)
        self.assertNotIn("may have received it", stderr)
        self.assertFalse([r for r in self.control.get("requests") if r["path"] == "/upload"])

    def test_a_signal_while_the_verdict_is_awaited_may_have_been_received(self):
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                self.control.post("reset", {})
                clip = os.path.join(self.scratch.name, "harbour.mp4")
                write_clip(clip, 100_000)
                state = tempfile.mkdtemp(dir=self.scratch.name)
                self.control.post("script", {"path": "/upload", "delay_ms": 20000, "drop": True})
                process = subprocess.Popen(
                    [COMMAND, "--user", "demo", "--json", "upload", clip, "--category", "1"],
                    env=self.env(XDG_STATE_HOME=state), stdin=subprocess.DEVNULL,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                try:
                    # --json without a terminal shows no progress: the service's log says
                    # when it has read the whole upload.
                    self.await_upload_request()
                    time.sleep(0.5)
                    process.send_signal(sig)
                    stdout, stderr = process.communicate(timeout=60)
                finally:
                    if process.poll() is None:
                        process.kill()
                        process.wait()
                # Ended by the same signal (the shell says 130, 143, 129), after the note.
                self.assertEqual(process.returncode, -sig, stderr)
                self.assertIn("cancelled", stderr)
                self.assertIn("the service may have received it", stderr)
                document = json.loads(stdout)
                self.assertEqual((document["verdict"], document["exit_status"]),
                                 ("may have been received", 130))
                history = self.clipferry("history", XDG_STATE_HOME=state).stdout
                self.assertIn("may have been received as 'harbour'", history)


class PasswordPromptTest(ServiceTest):
    def read_until(self, fd, text, timeout=20):
        seen = b""
        deadline = time.monotonic() + timeout
        while text not in seen:
            ready, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                self.fail(f"waited for {text!r}, got {seen!r}")
            try:
                chunk = os.read(fd, 1024)
            except OSError:
                break
            if not chunk:
                break
            seen += chunk
        return seen

    def test_prompt_without_echo_and_nothing_in_the_arguments(self):
        env = self.env()
        del env["CLIPFERRY_PASSWORD"]
        pid, fd = pty.fork()
        if pid == 0:  # the child: the command, with the pty as its terminal
            os.execve(COMMAND, [COMMAND, "--user", "demo", "login"], env)
        try:
            self.read_until(fd, b"Lumivid password for demo: ")
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                arguments = f.read().split(b"\0")
            self.assertNotIn(DEMO_PASSWORD.encode(), b" ".join(arguments))
            os.write(fd, DEMO_PASSWORD.encode() + b"\n")
            rest = self.read_until(fd, b"logged in as demo")
            self.assertNotIn(DEMO_PASSWORD.encode(), rest)  # not echoed
        finally:
            _, status = os.waitpid(pid, 0)
            os.close(fd)
        self.assertEqual(os.waitstatus_to_exitcode(status), 0)

    def test_a_mistyped_password_is_asked_again_up_to_three_times(self):
        env = self.env()
        del env["CLIPFERRY_PASSWORD"]
        # (what is typed at each prompt, exit status, what the last lines say)
        rows = [(["wrong", DEMO_PASSWORD], 0, b"logged in as demo"),
                (["wrong", "wrong", "wrong"], REFUSED, b"check --user and the password typed")]
        for typed, status, last in rows:
            with self.subTest(typed=typed):
                pid, fd = pty.fork()
                if pid == 0:
                    os.execve(COMMAND, [COMMAND, "--user", "demo", "login"], env)
                try:
                    for attempt, password in enumerate(typed, 1):
                        said = self.read_until(fd, b"Lumivid password for demo: ")
                        if attempt > 1:
                            self.assertIn(f"try again ({attempt} of 3)".encode(), said)
                        os.write(fd, password.encode() + b"\n")
                    self.read_until(fd, last)
                finally:
                    deadline = time.monotonic() + 10
                    while (done := os.waitpid(pid, os.WNOHANG)) == (0, 0):
                        if time.monotonic() > deadline:
                            os.kill(pid, signal.SIGKILL)  # never hang the run on a stuck prompt
                        time.sleep(0.1)
                    exit_status = done[1]
                    os.close(fd)
                self.assertEqual(os.waitstatus_to_exitcode(exit_status), status)

    def test_a_slow_answer_says_on_the_terminal_what_it_waits_for(self):
        self.control.post("script", {"path": "/0.1.1/api", "delay_ms": 3500, "drop": True})
        pid, fd = pty.fork()
        if pid == 0:
            os.execve(COMMAND, [COMMAND, "--user", "demo", "login"], self.env())
        try:
            said = self.read_until(fd, b"waiting for")
            said += self.read_until(fd, b"clipferry:")
        finally:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            os.close(fd)
        self.assertIn(f"waiting for 127.0.0.1:{self.port} (the proxy, from CLIPFERRY_PROXY_SERVER) "
                      "0:02".encode(), said)
        self.assertIn(b"\r\x1b[Kclipferry:", said)  # the line is cleared when the answer comes

    def test_ctrl_c_at_the_prompt_ends_as_ctrl_c_does(self):
        env = self.env()
        del env["CLIPFERRY_PASSWORD"]
        pid, fd = pty.fork()
        if pid == 0:
            os.execve(COMMAND, [COMMAND, "--user", "demo", "login"], env)
        try:
            self.read_until(fd, b"Lumivid password for demo: ")
            os.kill(pid, signal.SIGINT)
            said = self.read_until(fd, b"cancelled at the password prompt")
        finally:
            _, status = os.waitpid(pid, 0)
            os.close(fd)
        self.assertIn(b"clipferry: cancelled at the password prompt", said)
        self.assertEqual(os.waitstatus_to_exitcode(status), -signal.SIGINT)


if __name__ == "__main__":
    unittest.main()
