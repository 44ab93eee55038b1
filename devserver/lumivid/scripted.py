"""Answers that tests set up in advance for a path: exact status, headers and
body, optionally sent in timed pieces or cut off by closing the connection."""

import base64
import socket
import threading
import time
from dataclasses import dataclass, field
from typing import Dict, Iterator, List, Optional, Tuple

from werkzeug.wrappers import Response


class ScriptError(ValueError):
    pass


@dataclass
class Script:
    path: str
    status: int = 200
    headers: List[Tuple[str, str]] = field(default_factory=list)
    body: bytes = b""
    chunks: Optional[List[int]] = None
    delay_ms: int = 0
    drop: bool = False
    read_limit: Optional[int] = None
    times: int = 1
    # The body goes out this many times over, without being held that often.
    repeat: int = 1
    # The answer waits, after the request was read, until a release or this long.
    hold_ms: int = 0

    @staticmethod
    def from_json(raw: dict) -> "Script":
        if not isinstance(raw, dict) or not str(raw.get("path", "")).startswith("/"):
            raise ScriptError('A script needs a "path" starting with "/"')
        try:
            body = base64.b64decode(raw.get("body_base64", ""), validate=True)
        except ValueError as e:
            raise ScriptError(f"body_base64: {e}") from None
        if "body" in raw:  # plain-text convenience
            body = str(raw["body"]).encode("utf-8")
        chunks = raw.get("chunks")
        if chunks is not None and (not isinstance(chunks, list)
                                   or not all(isinstance(c, int) and c > 0 for c in chunks)):
            raise ScriptError('"chunks" must be a list of positive sizes')
        read_limit = raw.get("read_limit")
        if read_limit is not None and (not isinstance(read_limit, int) or read_limit < 0):
            raise ScriptError('"read_limit" must be a size of 0 or more')
        times = int(raw.get("times", 1))
        if times < 1:
            raise ScriptError('"times" must be at least 1')
        repeat = raw.get("repeat", 1)
        if not isinstance(repeat, int) or repeat < 1:
            raise ScriptError('"repeat" must be at least 1')
        hold_ms = raw.get("hold_ms", 0)
        if not isinstance(hold_ms, int) or hold_ms < 0:
            raise ScriptError('"hold_ms" must be a time of 0 or more')
        return Script(path=raw["path"], status=int(raw.get("status", 200)),
                      headers=[(str(k), str(v)) for k, v in raw.get("headers", [])],
                      body=body, chunks=chunks, delay_ms=int(raw.get("delay_ms", 0)),
                      drop=bool(raw.get("drop", False)), read_limit=read_limit, times=times,
                      repeat=repeat, hold_ms=hold_ms)

    def pieces(self) -> Iterator[bytes]:
        """The pieces of every copy of the body, one copy after another."""
        for _ in range(self.repeat):
            yield from self.copy_pieces()

    def copy_pieces(self) -> List[bytes]:
        """The body cut by the chunk sizes. Without drop, whatever the sizes
        leave over goes out as one last piece; with drop it is never sent."""
        if self.chunks is None:
            return [] if self.drop else [self.body]
        pieces, offset = [], 0
        for size in self.chunks:
            if offset >= len(self.body):
                break
            pieces.append(self.body[offset:offset + size])
            offset += size
        if offset < len(self.body) and not self.drop:
            pieces.append(self.body[offset:])
        return pieces


class ScriptBook:
    """Pending scripts, first in first out per path."""

    def __init__(self):
        self._lock = threading.Lock()
        self._scripts: Dict[str, List[Script]] = {}

    def add(self, script: Script) -> None:
        with self._lock:
            self._scripts.setdefault(script.path, []).append(script)

    def take(self, path: str) -> Optional[Script]:
        with self._lock:
            queue = self._scripts.get(path)
            if not queue:
                return None
            script = queue[0]
            script.times -= 1
            if script.times == 0:
                queue.pop(0)
            return script

    def pending(self) -> List[dict]:
        with self._lock:
            return [{"path": s.path, "times_left": s.times}
                    for queue in self._scripts.values() for s in queue]

    def clear(self) -> None:
        with self._lock:
            self._scripts.clear()


class Holds:
    """Answers held back until the test releases them (or their time runs
    out), so that a test can act while a client waits for one."""

    def __init__(self):
        self._changed = threading.Condition()
        self._held = 0
        self._releases = 0

    def hold(self, seconds: float) -> None:
        with self._changed:
            releases = self._releases
            self._held += 1
            try:
                self._changed.wait_for(lambda: self._releases != releases, timeout=seconds)
            finally:
                self._held -= 1

    def held(self) -> int:
        with self._changed:
            return self._held

    def release(self) -> int:
        with self._changed:
            released = self._held
            self._releases += 1
            self._changed.notify_all()
            return released


class ExactResponse(Response):
    # No Content-Type unless the script gives one.
    default_mimetype = None


def _has_header(headers: List[Tuple[str, str]], name: str) -> bool:
    return any(k.lower() == name.lower() for k, _ in headers)


def build_response(script: Script, connection: Optional[socket.socket]) -> Response:
    """Werkzeug writes and flushes each yielded piece by itself: as a chunk of a
    chunked body when no Content-Length is given, else as raw bytes."""
    headers = list(script.headers)
    if script.chunks is None and not script.drop and not _has_header(headers, "Content-Length"):
        headers.append(("Content-Length", str(len(script.body) * script.repeat)))

    def body() -> Iterator[bytes]:
        for number, piece in enumerate(script.pieces()):
            if number and script.delay_ms:
                time.sleep(script.delay_ms / 1000)
            yield piece
        if script.drop:
            if script.delay_ms:
                time.sleep(script.delay_ms / 1000)
            if connection is not None:
                connection.shutdown(socket.SHUT_RDWR)
            # The server treats this as the client having gone, and writes nothing more.
            raise ConnectionAbortedError("scripted drop")

    response = ExactResponse(body(), status=script.status, headers=headers)
    return response
