"""`make devserver` at a terminal: Ctrl-C stops it quietly, and it can be
started again at once on the same port."""

import os
import pty
import select
import shutil
import socket
import subprocess
import tempfile
import time
import unittest

from service_process import REPO

# Generous bounds that only keep a broken run from hanging the suite.
PATIENCE = 30


def free_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def time_wait_on(port: int) -> bool:
    """A connection in TIME-WAIT whose local end is this port (state 06)."""
    with open("/proc/net/tcp") as f:
        rows = [line.split() for line in f.readlines()[1:]]
    return any(r[1].endswith(f":{port:04X}") and r[3] == "06" for r in rows)


class Terminal:
    """A program on a pseudo-terminal of its own, as a user's shell runs it."""

    def __init__(self, argv, env):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(REPO)
            os.execvpe(argv[0], argv, env)
        self.output = b""

    def read_until(self, text: bytes, patience: float = PATIENCE) -> bool:
        deadline = time.monotonic() + patience
        while text not in self.output and time.monotonic() < deadline:
            if not select.select([self.fd], [], [], min(patience, 1))[0]:
                continue
            try:
                data = os.read(self.fd, 4096)
            except OSError:  # the other side closed
                return text in self.output
            if not data:
                break
            self.output += data
        return text in self.output

    def wait_for_another_foreground_job(self) -> bool:
        """Until a job other than the program's own holds the terminal."""
        deadline = time.monotonic() + PATIENCE
        while os.tcgetpgrp(self.fd) == self.pid and time.monotonic() < deadline:
            self.read_until(b"\0never\0", 0.05)
        return os.tcgetpgrp(self.fd) != self.pid

    def finish(self) -> int:
        self.read_until(b"\0never\0")  # up to the end of the output
        _, status = os.waitpid(self.pid, 0)
        os.close(self.fd)
        return status


@unittest.skipUnless(shutil.which("make"), "needs make")
class MakeDevserverTest(unittest.TestCase):
    def test_ctrl_c_stops_quietly_and_the_port_is_free_at_once(self):
        port = free_port()
        scratch = tempfile.TemporaryDirectory(prefix="devserver-make-")
        self.addCleanup(scratch.cleanup)
        env = dict(os.environ, TMPDIR=scratch.name)
        env.pop("MAKEFLAGS", None)
        terminal = Terminal(["make", "--no-print-directory", "devserver", f"PORT={port}"], env)
        self.assertTrue(terminal.read_until(b"Ctrl-C stops it"), terminal.output)
        # As a user would: Ctrl-C once the service holds the terminal, not while it starts.
        self.assertTrue(terminal.wait_for_another_foreground_job(), terminal.output)

        # Read up to the service's close, so its end closes first and stays in TIME-WAIT.
        with socket.create_connection(("127.0.0.1", port), timeout=PATIENCE) as sock:
            sock.sendall(b"GET /upload.xml HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n")
            answer = b""
            while chunk := sock.recv(4096):
                answer += chunk
        self.assertIn(b"<url>", answer)

        os.write(terminal.fd, b"\x03")  # Ctrl-C, through the terminal's line discipline
        status = terminal.finish()
        output = terminal.output.decode("utf-8", "replace")
        self.assertTrue(os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0,
                        f"wait status {status}:\n{output}")
        self.assertIn(f"devserver: stopped; port {port} is free", output)
        for noise in ("make: ***", "Traceback", "Interrupt"):
            self.assertNotIn(noise, output)
        self.assertTrue(time_wait_on(port), "no TIME-WAIT left to start beside")

        again = subprocess.Popen(["scripts/devserver.sh", str(port)], cwd=REPO, env=env,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True)
        self.addCleanup(again.stdout.close)
        self.addCleanup(again.kill)
        lines = []
        for line in again.stdout:
            lines.append(line)
            if "listens on" in line or "taken" in line:
                break
        self.assertIn(f"listens on 127.0.0.1:{port}", "".join(lines))
        again.terminate()  # as a service manager stops it
        self.assertEqual(again.wait(PATIENCE), 0)


if __name__ == "__main__":
    unittest.main()
