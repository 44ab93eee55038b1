"""The clipferry command against the local Lumivid service (CTest fixture
`devserver`): what each subcommand prints, refusals, retries, the password
prompt and cancelling an upload."""

import hashlib
import os
import pty
import select
import signal
import subprocess
import tempfile
import time
import unittest

from command_harness import (BAD_ARGUMENT, CANCELLED, COMMAND, REFUSED, Control, base_environment,
                             default_data, devserver_port, run)

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

    def env(self, **extra):
        values = {"CLIPFERRY_PROXY_SERVER": f"127.0.0.1:{self.port}",
                  "CLIPFERRY_PASSWORD": DEMO_PASSWORD}
        values.update(extra)
        return base_environment(**values)

    def clipferry(self, *args, user="demo", **env):
        return run(["--user", user, *args], self.env(**env))

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

    def test_categories_recursive_tree(self):
        def lines(parent, indent):
            below = self.categories_below(parent)
            out = []
            for i, c in enumerate(below):
                last = i == len(below) - 1
                branch = "" if parent == 0 else ("└── " if last else "├── ")
                out.append(f'{indent}{branch}{c["id"]} {c["name"]}')
                out += lines(c["id"], "" if parent == 0 else indent + ("    " if last else "│   "))
            return out

        done = self.clipferry("categories", "--recursive")
        self.assertOk(done)
        self.assertEqual(done.stdout.splitlines(), lines(0, ""))
        self.assertIn("└── 12 Animation <2D/3D>", done.stdout)

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
        for sub in ("login", "categories"):
            with self.subTest(sub=sub):
                done = self.clipferry(sub, CLIPFERRY_PASSWORD="not-the-password")
                self.assertEqual(done.returncode, REFUSED, done.stderr)
                self.assertEqual(done.stderr, "clipferry: login: login refused "
                                              "(wrong user name or password?)\n")
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
                self.assertNotEqual(done.returncode, 0, done.stderr)
                self.assertNotIn("retry", done.stderr)
                self.assertIn("may have received it", done.stderr)
                self.assertIn('"Harbour at dusk" (sent 20', done.stderr)
                self.assertEqual(uploads, [])

    def test_without_retries_a_dropped_connection_fails(self):
        self.control.post("script", {"path": "/0.1.1/api", "drop": True, "times": 1})
        done = self.clipferry("login")
        self.assertIn(done.returncode, (10 + 52, 10 + 56), done.stderr)
        self.assertNotIn("retry", done.stderr)


class UploadTest(ServiceTest):
    def upload(self, path, *extra, **env):
        return self.clipferry("upload", path, "--title", "Harbour at dusk", "--description",
                              "Gulls and ferries", "--tags", "harbour dusk", "--category", "1",
                              "--category2", "11", "--category3", "2", "--moderator", "501",
                              *extra, **env)

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

    def test_refusal_shows_the_service_message(self):
        clip = os.path.join(self.scratch.name, "blank.mp4")
        write_clip(clip, 1000)
        done = self.clipferry("upload", clip, "--title", "   ", "--category", "1")
        self.assertEqual(done.returncode, REFUSED, done.stderr)
        self.assertIn("clipferry: upload: refused by the service: A title is required", done.stderr)
        self.assertEqual(done.stdout, "")

    def test_interrupt_cancels_the_upload(self):
        clip = os.path.join(self.scratch.name, "long.mp4")
        with open(clip, "wb") as f:
            f.truncate(1024 ** 3)  # sparse: costs no disk here
        self.control.post("settings", {"store_uploads": False})
        process = subprocess.Popen(
            [COMMAND, "--user", "demo", "upload", clip, "--title", "Long", "--category", "1"],
            env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True)
        try:
            first = process.stderr.readline()  # the first progress line: bytes are moving
            self.assertTrue(first.startswith("upload: "), first)
            process.send_signal(signal.SIGINT)
            stdout, stderr = process.communicate(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertEqual(process.returncode, CANCELLED, stderr)
        self.assertIn("clipferry: upload: cancelled\n", stderr)
        self.assertEqual(stdout, "")
        self.assertFalse([u for u in self.control.get("uploads") if u["status"] == "SUCCESS"])


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


if __name__ == "__main__":
    unittest.main()
