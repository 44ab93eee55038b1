"""Keeps every request as it arrived on the wire, for tests to inspect."""

import base64
import hashlib
import threading
from typing import List, Optional

# Bodies larger than this are kept only as length and hash (multi-GiB uploads).
MAX_KEPT_BODY = 8 * 1024 * 1024
CONTROL_PREFIX = "/_control/"


class TeeInput:
    """Wraps wsgi.input: hashes and counts what the application reads, and
    keeps a copy while it stays under MAX_KEPT_BODY."""

    def __init__(self, stream):
        self._stream = stream
        self._sha256 = hashlib.sha256()
        self._kept: Optional[bytearray] = bytearray()
        self.size = 0

    def _seen(self, data: bytes) -> bytes:
        self.size += len(data)
        self._sha256.update(data)
        if self._kept is not None:
            if len(self._kept) + len(data) > MAX_KEPT_BODY:
                self._kept = None
            else:
                self._kept.extend(data)
        return data

    def read(self, size: int = -1) -> bytes:
        return self._seen(self._stream.read(size) if size is not None else self._stream.read())

    def readline(self, size: int = -1) -> bytes:
        return self._seen(self._stream.readline(size))

    def readlines(self, hint: int = -1) -> List[bytes]:
        return [self._seen(line) for line in self._stream.readlines(hint)]

    def __iter__(self):
        return self

    def __next__(self) -> bytes:
        line = self.readline()
        if not line:
            raise StopIteration
        return line

    def drain(self, limit: int) -> None:
        """Reads what the application left unread, so the record is whole."""
        remaining = limit - self.size if limit >= 0 else -1
        while remaining != 0:
            chunk = self.read(1 << 20 if remaining < 0 else min(1 << 20, remaining))
            if not chunk:
                break
            if remaining > 0:
                remaining -= len(chunk)

    def record_fields(self) -> dict:
        kept = self._kept
        return {
            "body_size": self.size,
            "body_sha256": self._sha256.hexdigest(),
            "body_kept": kept is not None,
            "body_base64": base64.b64encode(bytes(kept)).decode("ascii") if kept is not None else None,
        }


class RequestLog:
    def __init__(self):
        self._lock = threading.Lock()
        self._entries: List[dict] = []

    def add(self, entry: dict) -> None:
        with self._lock:
            entry["index"] = len(self._entries)
            self._entries.append(entry)

    def entries(self) -> List[dict]:
        with self._lock:
            return list(self._entries)

    def clear(self) -> None:
        with self._lock:
            self._entries.clear()


class RecordingMiddleware:
    """Records each non-control request once the application has read it.
    Raw header lines come from LoggingRequestHandler through the environ,
    since the WSGI environ itself loses their case and order."""

    def __init__(self, app, log: RequestLog):
        self.app = app
        self.log = log

    def __call__(self, environ, start_response):
        if environ.get("PATH_INFO", "").startswith(CONTROL_PREFIX):
            return self.app(environ, start_response)
        tee = TeeInput(environ["wsgi.input"])
        environ["wsgi.input"] = tee
        try:
            return self.app(environ, start_response)
        finally:
            self._finish(environ, tee)

    def _finish(self, environ, tee: TeeInput) -> None:
        try:
            length = int(environ.get("CONTENT_LENGTH") or -1)
        except ValueError:
            length = -1
        chunked = environ.get("wsgi.input_terminated", False)
        if (length >= 0 or chunked) and not environ.get("lumivid.leave_body_unread"):
            try:
                tee.drain(length if length >= 0 else -1)
            except OSError:
                pass  # the client went away mid-body; keep what arrived
        entry = {
            "method": environ.get("REQUEST_METHOD", ""),
            "target": environ.get("lumivid.raw_target", environ.get("REQUEST_URI", "")),
            "http_version": environ.get("SERVER_PROTOCOL", ""),
            "path": environ.get("PATH_INFO", ""),
            "headers": [list(h) for h in environ.get("lumivid.raw_headers", [])],
        }
        entry.update(tee.record_fields())
        self.log.add(entry)
