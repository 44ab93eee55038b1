"""The ledger against the local Lumivid service (CTest fixture `devserver`):
a batch run again sends only what is new (known by its bytes), a verdict
that never came is not sent twice, two commands or a killed one send nothing
twice, a ledger that cannot be used stops the upload, the kept lists spare
the requests and are asked for again when a check misses them."""

import datetime
import hashlib
import json
import os
import shutil
import sqlite3
import subprocess
import time

from clipferry_service_test import ServiceTest, write_clip
from command_harness import BAD_ARGUMENT, COMMAND, CONNECTION_BROKE, FAILURE, REFUSED
from fixtures.ledger_1_0 import clips as clips_1_0

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")


class LedgerTest(ServiceTest):
    def setUp(self):
        super().setUp()
        self.state = os.path.join(self.scratch.name, "state")
        self.ledger = os.path.join(self.state, "clipferry", "ledger.sqlite")
        self.folder = os.path.join(self.scratch.name, "clips")

    def file(self, name, size=1500):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write_clip(path, size)
        return path

    def upload(self, *args):
        """Runs the command; gives it, the titles that arrived and the requests it made."""
        self.control.post("reset", {})
        done = self.clipferry(*args, XDG_STATE_HOME=self.state)
        titles = [dict(u["fields"])["title"] for u in self.control.get("uploads")]
        return done, titles, [r["path"] for r in self.control.get("requests")]

    def test_a_folder_run_again_sends_only_what_is_new(self):
        for name in ("b.mov", "a.mp4", "notes.txt", ".hidden.mp4", "sub/c.mp4"):
            self.file(name)
        today = datetime.date.today().isoformat()
        upload = ["upload", self.folder, "--category", "1"]
        # (name, before: what to do to the folder, arguments, exit status, titles that arrive,
        #  requests made (None: not counted), text on standard output)
        rows = [
            ("first run", None, upload, 0, ["a", "b"], None, "2 files: 2 accepted"),
            ("nothing new: login, and the file types before notes.txt is left out", None, upload,
             0, [], ["/0.1.1/api"] * 2, "2 files already published, skipped; --again sends them\n"),
            ("--verbose names each", None, ["--verbose", *upload], 0, [], None,
             f"skipped: {self.folder}/a.mp4, accepted {today} as 'a'\n"),
            ("a renamed file is known; a new one costs login, file types, discovery, upload",
             lambda: (os.rename(f"{self.folder}/a.mp4", f"{self.folder}/z.mp4"), self.file("d.mp4")),
             upload, 0, ["d"], ["/0.1.1/api", "/0.1.1/api", "/upload.xml", "/upload"],
             "3 files: 1 accepted, 0 refused, 0 failed, 2 skipped (sent before)"),
            ("--recursive", None, [*upload, "--recursive"], 0, ["c"], None, "c.mp4: accepted"),
            ("--again", None, ["upload", f"{self.folder}/b.mov", "--category", "1", "--again"],
             0, ["b"], None, "accepted"),
            ("--refresh asks for the lists", lambda: self.file("e.mp4"), [*upload, "--refresh"], 0,
             ["e"], None, "skipped"),
            ("a folder of nothing acceptable", lambda: os.makedirs(f"{self.folder}/empty"),
             ["upload", f"{self.folder}/empty", "--category", "1"], BAD_ARGUMENT, [], None, ""),
        ]
        for name, before, args, status, titles, requests, text in rows:
            with self.subTest(name):
                if before:
                    before()
                done, arrived, made = self.upload(*args)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertEqual(arrived, titles)
                self.assertIn(text, done.stdout)
                if requests is not None:
                    self.assertEqual(made, requests)
                if "--refresh" in args:
                    self.assertGreater(made.count("/0.1.1/api"), 2)
        history = json.loads(self.clipferry("--json", "history", XDG_STATE_HOME=self.state).stdout)
        self.assertEqual([(os.path.basename(u["file"]), u["title"], u["outcome"])
                          for u in history["uploads"]],
                         [("a.mp4", "a", "accepted"), ("b.mov", "b", "accepted"),
                          ("d.mp4", "d", "accepted"), ("c.mp4", "c", "accepted"),
                          ("b.mov", "b", "accepted"), ("e.mp4", "e", "accepted")])
        self.assertEqual(history["ledger"], self.ledger)

    def test_a_verdict_that_never_came_is_not_sent_again(self):
        clip = self.file("harbour.mp4")
        self.control.post("script", {"path": "/upload", "drop": True, "times": 1})
        done = self.clipferry("upload", clip, "--title", "Harbour", "--category", "1",
                              XDG_STATE_HOME=self.state)
        self.assertEqual(done.returncode, CONNECTION_BROKE, done.stderr)
        done, arrived, _ = self.upload("--json", "upload", clip, self.file("new.mp4"),
                                       "--category", "1")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(arrived, ["new"])
        document = json.loads(done.stdout)
        self.assertEqual((document["summary"]["skipped"], document["summary"]["accepted"]), (1, 1))
        self.assertEqual([u["verdict"] for u in document["uploads"]], ["skipped", "accepted"])
        self.assertEqual(document["uploads"][0]["ledger"]["outcome"], "may have been received")
        self.assertEqual(document["uploads"][0]["ledger"]["title"], "Harbour")
        text = self.clipferry("history", XDG_STATE_HOME=self.state).stdout
        self.assertIn("  demo  may have been received as 'Harbour'  " + clip, text)

    def test_a_weekly_folder_published_from_inside_it(self):
        """Typed relative to the folder: noted whole, shown as it would be typed
        where history runs; an edit of a published file goes out, said to be one."""
        pier = self.file("week/pier.mp4")
        week, elsewhere = os.path.dirname(pier), os.getcwd()
        self.addCleanup(os.chdir, elsewhere)
        os.chdir(week)
        earlier = f" (an earlier version was published on {datetime.date.today().isoformat()})\n"

        def edit():
            write_clip(pier, 1500)

        upload = ["upload", "./pier.mp4", "--category", "1"]
        # (name, change before, arguments, titles that arrive, the earlier version said)
        rows = [
            ("first", None, upload, ["pier"], False),
            ("unchanged: skipped", None, upload, [], False),
            ("the same bytes again", None, [*upload, "--again"], ["pier"], False),
            ("edited", edit, upload, ["pier"], True),
            ("edited, in a batch", edit, [*upload, self.file("week/new.mp4")], ["pier", "new"], True),
            ("edited, --json", edit, ["--json", *upload], ["pier"], True),
        ]
        for name, change, args, titles, said in rows:
            with self.subTest(name):
                if change:
                    change()
                done, arrived, _ = self.upload(*args)
                self.assertEqual((done.returncode, arrived), (0, titles), done.stderr)
                if "--json" in args:
                    version = json.loads(done.stdout)["earlier_version"]
                    self.assertEqual((version["outcome"], version["file"], version["title"]),
                                     ("accepted", pier, "pier"))
                    continue
                self.assertEqual(earlier in done.stdout, said, done.stdout)
                if said and "new.mp4" in str(args):
                    self.assertIn("./pier.mp4: accepted: ", done.stdout)
        history = json.loads(self.clipferry("--json", "history", XDG_STATE_HOME=self.state).stdout)
        self.assertEqual({u["file"] for u in history["uploads"]}, {pier, os.path.join(week, "new.mp4")})
        # (where history runs, how it shows the file)
        for here, shown in ((week, "pier.mp4"), (self.folder, "week/pier.mp4"), (elsewhere, pier),
                            ("/", pier)):
            with self.subTest(here=here):
                os.chdir(here)
                text = self.clipferry("history", XDG_STATE_HOME=self.state).stdout
                self.assertIn(f"accepted as 'pier'  {shown} (1.5 KiB)\n", text)

    def test_a_ledger_written_by_1_0_keeps_protecting_what_it_noted(self):
        """1.0 noted sampled fingerprints and relative paths (fixtures/ledger_1_0)."""
        os.makedirs(os.path.dirname(self.ledger), mode=0o700)
        shutil.copy(os.path.join(FIXTURES, "ledger_1_0", "ledger.sqlite"), self.ledger)
        history = json.loads(self.clipferry("--json", "history", XDG_STATE_HOME=self.state).stdout)
        self.assertEqual([u["title"] for u in history["uploads"]], ["a", "b", "c", "d"])
        # 1.0 noted paths as typed, relative to a folder not known: shown as noted.
        text = self.clipferry("history", XDG_STATE_HOME=self.state).stdout
        self.assertIn("accepted as 'a'  clipsB/a.mp4 (", text)
        self.addCleanup(os.chdir, os.getcwd())
        os.chdir(self.scratch.name)
        clips_1_0.write_clips("clipsB")
        os.rename("clipsB/c.mov", "clipsB/renamed.mov")  # known by its bytes, not its name
        with open("clipsB/b.mp4", "r+b") as f:  # b.mp4 is not what 1.0 sent any more
            f.write(b"X")
        # The day 1.0 noted them, 2026-12-08T07:30:26Z, where the command runs.
        noted = datetime.datetime(2026, 12, 8, 7, 30, 26, tzinfo=datetime.timezone.utc)
        day = noted.astimezone().date().isoformat()
        upload = ["upload", "clipsB", "--category", "1"]
        # (name, arguments, titles that arrive, text on standard output)
        rows = [
            ("the three that match are skipped, the changed one is named",
             upload, [], "skipped: clipsB/b.mp4, changed since clipferry 1.0 noted it accepted "
             f"{day} as 'b' (1.0 kept too little of a file to tell an edit from another "
             "video; look for it among your videos; --again sends it)\n"
             "4 files already published, skipped; --again sends them\n"),
            ("by today's fingerprints after that", ["--verbose", *upload], [],
             f"skipped: clipsB/renamed.mov, accepted {day} as 'c'\n"),
            ("--again sends the changed one, an edit of what 1.0 noted from its path",
             ["upload", "clipsB/b.mp4", "--category", "1", "--again"],
             ["b"], f"(an earlier version was published on {day})\n"),
        ]
        for name, args, titles, text in rows:
            with self.subTest(name):
                done, arrived, _ = self.upload(*args)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(arrived, titles)
                self.assertIn(text, done.stdout)
        with sqlite3.connect(self.ledger) as db:
            prints = dict(db.execute("SELECT title, fingerprint FROM uploads WHERE id <= 4"))
        for title, name in (("a", "a.mp4"), ("c", "renamed.mov"), ("d", "d.mp4")):
            with open(os.path.join("clipsB", name), "rb") as f:
                self.assertEqual(prints[title], "sha256:" + hashlib.sha256(f.read()).hexdigest())
        self.assertTrue(prints["b"].startswith("3000:"), prints["b"])

    def test_a_kept_list_that_misses_is_asked_for_again(self):
        self.assertEqual(self.upload("upload", self.file("a.mp4"), "--category", "1")[0].returncode, 0)
        # A day-old list without category 2, as if the service added it since.
        with sqlite3.connect(self.ledger) as db:
            db.execute("UPDATE lists SET value = '[[1, \"Film & Animation\"]]' "
                       "WHERE key LIKE '% categories'")
        done, arrived, made = self.upload("upload", self.file("b.mp4"), "--category", "2")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(arrived, ["b"])
        self.assertGreater(made.count("/0.1.1/api"), 2)

    def keep(self, name, value, kept):
        """Puts a list into the ledger as if the service had given it at `kept`."""
        with sqlite3.connect(self.ledger) as db:
            db.execute("UPDATE lists SET value = ? WHERE key LIKE ?",
                       (json.dumps({"kept": int(kept.timestamp()), "list": value}), f"% {name}"))

    def test_no_file_is_left_out_on_a_kept_list_or_in_silence(self):
        self.assertEqual(self.upload("upload", self.file("a.mp4"),
                                     "--category", "1")[0].returncode, 0)
        # Kept lists without *.mov and category 2, as if the service added them since.
        yesterday = datetime.datetime.now() - datetime.timedelta(hours=20)
        self.keep("file-types", "*.mp4", yesterday)
        self.keep("categories", [[1, "Film & Animation"], [2, "Music"]], yesterday)
        for name in ("b.mov", "notes.txt", ".hidden.mp4", "day2/c.mp4"):
            self.file(name)
        done, arrived, _ = self.upload("--json", "upload", self.folder, "--category", "1")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(arrived, ["b"])
        self.assertEqual(json.loads(done.stdout)["left_out"], [
            {"file": f"{self.folder}/.hidden.mp4", "reason": "hidden"},
            {"file": f"{self.folder}/day2", "reason": "a folder (--recursive goes into it)"},
            {"file": f"{self.folder}/notes.txt", "reason": "not a type the service accepts"}])
        # Every week the same: counted, named only with --verbose.
        count = ("clipferry: 3 left out: a folder, a hidden file and a file of another type; "
                 "--verbose names them\n")
        named = f"clipferry: left out {self.folder}/notes.txt: not a type the service accepts\n"
        for args, said, unsaid in ([], count, named), (["--verbose"], named, count):
            with self.subTest(args=args):
                done, _, _ = self.upload(*args, "upload", self.folder, "--category", "1")
                self.assertIn(said, done.stderr)
                self.assertNotIn(unsaid, done.stderr)
        # A refusal after checks that passed on kept lists says how old they were.
        self.keep("categories", [[1, "Film & Animation"], [2, "Music"]], yesterday)
        self.control.post("script", {"path": "/upload", "body": "<result><status>UNSUCCESSFUL"
                                     "</status><message>no such category</message></result>"})
        done = self.clipferry("upload", self.file("d.mp4"), "--category", "2",
                              XDG_STATE_HOME=self.state)
        self.assertIn("clipferry: the checks used the service's lists as kept since "
                      f"{yesterday:%Y-%m-%d %H:%M:%S}; --refresh asks the service for them again\n",
                      done.stderr)

    def test_a_ledger_that_cannot_be_used_stops_before_the_first_byte(self):
        folder = os.path.dirname(self.ledger)
        other = os.path.join(self.scratch.name, "other.db")

        def link_to(target, contents=None):
            os.makedirs(folder, mode=0o700)
            if contents is not None:
                with open(target, "wb") as f:
                    f.write(contents)
            os.symlink(target, self.ledger)

        def open_folder():
            os.makedirs(folder)
            os.chmod(folder, 0o755)

        def write_ledger(contents):  # None: a folder
            os.makedirs(folder, mode=0o700)
            if contents is None:
                os.mkdir(self.ledger)
                return
            with open(self.ledger, "wb") as f:
                f.write(contents)

        # (name, what is in the ledger's place, what stderr says)
        rows = [
            ("a file where the folder should be", lambda: open(self.state, "w").close(),
             "cannot create"),
            ("a link to an empty file", lambda: link_to(other, b""), "is a symbolic link"),
            ("a link to nothing", lambda: link_to(other), "is a symbolic link"),
            ("a folder other users can read", open_folder, f"chmod 700 {folder}"),
            ("garbage", lambda: write_ledger(b"garbage " * 1000), "not a database"),
            ("a truncated database", lambda: write_ledger(b"SQLite format 3\0" + b"\1" * 200),
             "not a database"),
            ("a folder in its place", lambda: write_ledger(None), "is not a file"),
        ]
        for name, setup, said in rows:
            with self.subTest(name):
                shutil.rmtree(self.state, ignore_errors=True)
                if os.path.lexists(self.state):
                    os.remove(self.state)
                if os.path.lexists(other):
                    os.remove(other)
                setup()
                done, arrived, _ = self.upload("upload", self.file("a.mp4"), "--category", "1")
                self.assertEqual(done.returncode, FAILURE, done.stderr)
                self.assertEqual(arrived, [])
                self.assertIn("the ledger of uploads cannot be used", done.stderr)
                self.assertIn(said, done.stderr)
                self.assertIn("--no-ledger", done.stderr)
                if "link" in name:  # what the link points at is left alone
                    self.assertEqual(os.path.exists(other), name.endswith("empty file"))
                    if os.path.exists(other):
                        self.assertEqual(os.path.getsize(other), 0)
                done, arrived, _ = self.upload("upload", self.file("a.mp4"), "--category", "1",
                                               "--no-ledger")
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(arrived, ["a"])
        # A ledger made here is its owner's alone.
        shutil.rmtree(self.state)
        self.assertEqual(self.upload("upload", self.file("a.mp4"), "--category", "1")[0].returncode, 0)
        modes = {name: oct(os.stat(os.path.join(folder, name)).st_mode & 0o777)
                 for name in os.listdir(folder)}
        self.assertEqual(oct(os.stat(folder).st_mode & 0o777), "0o700")
        self.assertEqual(set(modes.values()), {"0o600"}, modes)

    def test_history_reads_without_writing(self):
        self.assertEqual(self.upload("upload", self.file("a.mp4"), "--category", "1")[0].returncode, 0)
        folder = os.path.dirname(self.ledger)
        with open(self.ledger + "-shm", "wb") as f:
            f.write(b"\0" * 100)  # a leftover of another mode
        os.chmod(self.ledger + "-shm", 0o400)
        os.chmod(self.ledger, 0o400)
        os.chmod(folder, 0o500)
        self.addCleanup(os.chmod, folder, 0o700)
        done = self.clipferry("history", XDG_STATE_HOME=self.state)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("accepted as 'a'", done.stdout)

    def test_the_bytes_decide(self):
        """A file is known by every byte it holds, whatever its name or times."""
        clip = self.file("clip.mp4", 3_000_000)
        upload = ["upload", self.folder, "--category", "1"]
        self.assertEqual(self.upload(*upload)[1], ["clip"])

        def rewrite_in_place():  # a tag rewritten, the times put back
            times = os.stat(clip)
            with open(clip, "r+b") as f:
                f.seek(500_000)
                f.write(b"TAG!")
            os.utime(clip, ns=(times.st_atime_ns, times.st_mtime_ns))

        def reexport():  # the same length, replaced by a rename
            write_clip(clip + ".part", 3_000_000)
            os.rename(clip + ".part", clip)

        def copies():  # the same new content under two names
            write_clip(clip, 3_000_000)
            shutil.copy(clip, os.path.join(self.folder, "copy.mp4"))

        # (name, change, titles that arrive, text on standard error)
        rows = [
            ("unchanged", lambda: None, [], ""),
            ("four bytes rewritten in place", rewrite_in_place, ["clip"], ""),
            ("a same-length re-export", reexport, ["clip"], ""),
            ("two names, one content", copies, ["clip"],
             f"{self.folder}/copy.mp4 holds the same bytes as {clip}: it is sent once"),
        ]
        for name, change, titles, said in rows:
            with self.subTest(name):
                change()
                done, arrived, _ = self.upload(*upload)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(arrived, titles)
                self.assertIn(said, done.stderr)

    def test_a_file_replaced_before_its_turn_or_while_sent(self):
        first, second = self.file("a.mp4"), self.file("b.mp4")
        self.control.post("reset", {})
        accepted = "<result><status>SUCCESS</status><message>fine</message></result>"
        self.control.post("script", {"path": "/upload", "body": accepted, "chunks": [10],
                                     "delay_ms": 2000, "times": 2})
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", self.folder, "--category", "1"],
            env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.await_upload_request()
        for path in (first, second):  # a.mp4 awaits its verdict; b.mp4 waits its turn
            write_clip(path + ".new", 1500)
            os.rename(path + ".new", path)
        _, stderr = process.communicate(timeout=60)
        self.assertEqual(process.returncode, 0, stderr)
        self.assertIn(f"{first} changed or was replaced while it was sent", stderr)
        self.assertNotIn(second, stderr)
        history = self.clipferry("history", XDG_STATE_HOME=self.state).stdout
        self.assertIn("the file changed while sent", history)
        # b.mp4's note holds what went out; a.mp4's new bytes never did.
        done, arrived, _ = self.upload("upload", self.folder, "--category", "1")
        self.assertEqual((done.returncode, arrived), (0, ["a"]), done.stderr)

    def test_a_verdict_without_a_message_after_the_whole_file_may_have_been_received(self):
        clip = self.file("harbour.mp4")
        self.control.post("script", {"path": "/upload", "status": 502})  # a gateway's empty page
        done = self.clipferry("upload", clip, "--category", "1", XDG_STATE_HOME=self.state)
        self.assertEqual(done.returncode, REFUSED, done.stderr)
        self.assertIn("no verdict came", done.stderr)
        self.assertIn("the service may have received it", done.stderr)
        done, arrived, _ = self.upload("upload", clip, "--category", "1")
        self.assertEqual((done.returncode, arrived), (0, []), done.stderr)
        self.assertIn("may have been received", done.stdout)

    def test_a_note_that_fails_after_an_accepted_upload_says_what_a_later_run_does(self):
        self.assertEqual(self.upload("upload", self.file("first.mp4"), "--category", "1")[0].returncode, 0)
        # (name, what happens to the ledger while the verdict is awaited, what is said,
        #  what a later run sends, what it says)
        rows = [
            ("the claim is taken away", "DELETE FROM uploads WHERE outcome = 'being sent'",
             "a later run would send it again", ["harbour"], "accepted: "),
            ("the ledger fills", "CREATE TRIGGER full BEFORE UPDATE ON uploads BEGIN "
             "SELECT RAISE(ABORT, 'database or disk is full'); END",
             "its claim stays, so a later run skips it as a file whose verdict never came "
             "(--again sends it)", [], "ended before its verdict came"),
        ]
        for name, change, said, later, later_said in rows:
            with self.subTest(name):
                clip = self.file(f"{name}/harbour.mp4")
                # The verdict comes 3 s after the file went out; meanwhile the ledger changes.
                accepted = "<result><status>SUCCESS</status><message>fine</message></result>"
                self.control.post("reset", {})
                self.control.post("script", {"path": "/upload", "body": accepted, "chunks": [10],
                                             "delay_ms": 3000})
                process = subprocess.Popen(
                    [COMMAND, "--user", "demo", "upload", clip, self.file(f"{name}/next.mp4"),
                     "--category", "1"],
                    env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                self.await_upload_request()
                with sqlite3.connect(self.ledger, timeout=10) as db:
                    db.execute(change)
                stdout, stderr = process.communicate(timeout=60)
                self.assertEqual(process.returncode, FAILURE, stderr)
                self.assertIn(f"clipferry: {clip} was accepted but the ledger could not note it", stderr)
                self.assertIn(f"): {said}; the files after it were not sent", stderr)
                self.assertIn("2 files: 1 accepted, 0 refused, 0 failed, 1 not sent", stdout)
                with sqlite3.connect(self.ledger) as db:
                    db.execute("DROP TRIGGER IF EXISTS full")
                done, arrived, _ = self.upload("upload", clip, "--category", "1")
                self.assertEqual((done.returncode, arrived), (0, later), done.stderr)
                self.assertIn(later_said, done.stdout)

    def test_a_killed_command_leaves_a_claim(self):
        """Whatever its process id or host name say: a pid namespace's pid 2 is
        alive seen from here, and a renamed machine's name is another's."""
        clip = self.file("long.mp4", 3_000_000)
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", clip, "--category", "1", "--limit-rate", "500K"],
            env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            self.assertTrue(process.stderr.readline().startswith("upload: "))  # bytes move
            process.kill()
        finally:
            process.communicate()
        history = self.clipferry("history", XDG_STATE_HOME=self.state).stdout
        self.assertIn(f"may have been received as 'long'  {clip} (2.9 MiB, its clipferry (pid "
                      f"{process.pid}) ended first)", history)
        left = os.path.join(self.scratch.name, "left")
        shutil.copytree(self.state, left)
        # (name, what the claim is made to say, its pid as said)
        rows = [
            ("as it was left", "", process.pid),
            ("on a machine renamed since", "host = 'laptop-old'", process.pid),
            ("from a pid namespace", "pid = 2", 2),
        ]
        for name, change, pid in rows:
            with self.subTest(name):
                shutil.rmtree(self.state)
                shutil.copytree(left, self.state)
                if change:
                    with sqlite3.connect(self.ledger) as db:
                        db.execute(f"UPDATE uploads SET {change}")
                done, arrived, _ = self.upload("upload", clip, "--category", "1")
                self.assertEqual((done.returncode, arrived), (0, []), done.stderr)
                self.assertIn(f"pid {pid}, ended before its verdict came", done.stdout)
                self.assertIn("--again sends it", done.stdout)
                done, arrived, _ = self.upload("upload", clip, "--category", "1", "--again")
                self.assertEqual((done.returncode, arrived), (0, ["long"]), done.stderr)

    def test_a_live_claim_holds_whatever_its_pid_host_or_clock_say(self):
        clip = self.file("harbour.mp4")
        accepted = "<result><status>SUCCESS</status><message>fine</message></result>"
        self.control.post("script", {"path": "/upload", "body": accepted, "chunks": [10],
                                     "delay_ms": 8000})
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", clip, "--category", "1"],
            env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(process.kill)
        self.await_upload_request()
        ended = subprocess.Popen(["true"])
        ended.wait()  # its process id runs no more
        # (name, what the claim is made to say)
        rows = [
            ("its clock 2 h ahead", "time = strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '+2 hours')"),
            ("a day old", "time = strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '-25 hours')"),
            ("its process id not in this namespace", f"pid = {ended.pid}"),
            ("another host name", "host = 'laptop-old'"),
        ]
        for name, change in rows:
            with self.subTest(name):
                with sqlite3.connect(self.ledger, timeout=10) as db:
                    db.execute(f"UPDATE uploads SET {change} WHERE outcome = 'being sent'")
                done = self.clipferry("upload", clip, "--category", "1", "--again",
                                      XDG_STATE_HOME=self.state)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertIn("being sent by another clipferry", done.stdout)
                self.assertIn("--again does not send it meanwhile", done.stdout)
        stdout, stderr = process.communicate(timeout=60)
        self.assertEqual(process.returncode, 0, stderr)
        self.assertEqual([r["path"] for r in self.control.get("requests")].count("/upload"), 1)

    def test_two_commands_on_one_folder_send_each_file_once(self):
        for name in "abcd":
            self.file(f"{name}.mp4", 300_000)
        commands = []
        for _ in range(2):
            commands.append(subprocess.Popen(
                [COMMAND, "--user", "demo", "upload", self.folder, "--category", "1",
                 "--limit-rate", "1M"],
                env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True))
            time.sleep(0.5)
        said = ""
        for command in commands:
            stdout, stderr = command.communicate(timeout=60)
            self.assertEqual(command.returncode, 0, stderr)
            said += stdout
        titles = sorted(dict(u["fields"])["title"] for u in self.control.get("uploads"))
        self.assertEqual(titles, ["a", "b", "c", "d"], said)
        self.assertIn("being sent by another clipferry, pid ", said)

    def test_two_commands_at_once_share_the_ledger(self):
        clips = [self.file(f"{i}.mp4") for i in range(6)]
        commands = [subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", *clips[i::2], "--category", "1", "--quiet"],
            env=self.env(XDG_STATE_HOME=self.state), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True) for i in (0, 1)]
        for command in commands:
            _, stderr = command.communicate(timeout=60)
            self.assertEqual(command.returncode, 0, stderr)
            self.assertNotIn("warning", stderr)
        with sqlite3.connect(self.ledger) as db:
            self.assertEqual(db.execute("SELECT count(*) FROM uploads").fetchone()[0], 6)


if __name__ == "__main__":
    import unittest
    unittest.main()
