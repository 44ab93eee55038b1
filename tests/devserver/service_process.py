"""Starts the local Lumivid service on a free port for one test class."""

import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER_SCRIPT = os.path.join(REPO, "devserver", "lumivid_devserver.py")


class ServiceProcess:
    def __init__(self, extra_args=()):
        self.dir = tempfile.TemporaryDirectory(prefix="lumivid-test-")
        self.storage = os.path.join(self.dir.name, "storage")
        port_file = os.path.join(self.dir.name, "port")
        self.log = open(os.path.join(self.dir.name, "server.log"), "w+")
        self.process = subprocess.Popen(
            [sys.executable, SERVER_SCRIPT, "--port", "0", "--port-file", port_file,
             "--storage", self.storage, *extra_args],
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while not os.path.exists(port_file):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("service did not start:\n" + self.log_text())
            time.sleep(0.02)
        with open(port_file) as f:
            self.port = int(f.read())

    def log_text(self) -> str:
        self.log.seek(0)
        return self.log.read()

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(5)
        self.log.close()
        self.dir.cleanup()

    # Plain HTTP helpers --------------------------------------------------

    def request(self, method, target, body=None, headers=None):
        """Sends target as given, so absolute-form targets reach the service
        the way a proxy client sends them. Headers keep their case and order."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.putrequest(method, target, skip_host=True, skip_accept_encoding=True)
            for name, value in headers or []:
                conn.putheader(name, value)
            if body is not None:
                conn.putheader("Content-Length", str(len(body)))
            conn.endheaders(body)
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def raw_exchange(self, raw_request: bytes) -> bytes:
        """Everything the service sends back, until it closes the connection."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as sock:
            sock.sendall(raw_request)
            received = b""
            while True:
                data = sock.recv(65536)
                if not data:
                    return received
                received += data

    def control(self, method, name, payload=None):
        body = json.dumps(payload).encode() if payload is not None else None
        status, _, answer = self.request(method, f"/_control/{name}", body,
                                         [("Host", "127.0.0.1"),
                                          ("Content-Type", "application/json")])
        return status, json.loads(answer)
