"""The ledger against the local Lumivid service (CTest fixture `devserver`):
a batch run again sends only what is new, a verdict that never came is not
sent twice, the kept lists spare the requests and are asked for again when
a check misses them."""

import datetime
import json
import os
import shutil
import sqlite3
import subprocess

from clipferry_service_test import ServiceTest, write_clip
from command_harness import BAD_ARGUMENT, COMMAND, CONNECTION_BROKE


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
        done, _, _ = self.upload("upload", self.folder, "--category", "1")
        self.assertIn(f"clipferry: left out {self.folder}/notes.txt: not a type the service "
                      "accepts\n", done.stderr)
        # A refusal after checks that passed on kept lists says how old they were.
        self.keep("categories", [[1, "Film & Animation"], [2, "Music"]], yesterday)
        self.control.post("script", {"path": "/upload", "body": "<result><status>UNSUCCESSFUL"
                                     "</status><message>no such category</message></result>"})
        done = self.clipferry("upload", self.file("d.mp4"), "--category", "2",
                              XDG_STATE_HOME=self.state)
        self.assertIn("clipferry: the checks used the service's lists as kept since "
                      f"{yesterday:%Y-%m-%d %H:%M:%S}; --refresh asks the service for them again\n",
                      done.stderr)

    def test_a_ledger_that_cannot_be_opened_is_a_warning(self):
        with open(self.state, "w"):
            pass  # a file where the folder should be
        done, arrived, _ = self.upload("upload", self.file("a.mp4"), "--category", "1")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(arrived, ["a"])
        self.assertIn("clipferry: warning: the ledger of uploads cannot be used", done.stderr)

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
