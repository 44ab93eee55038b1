"""The library's result codes as exceptions: one table, mirroring the
header's clipferry_result_text."""

from __future__ import annotations

OK, ABORTED, BAD_ARGUMENT, REFUSED = 0, 42, 82, 83

# clipferry_result_text of include/clipferry.h, code for code (a static
# inline function there, so there is nothing in the library to call).
RESULT_TEXTS = {
    OK: "success",
    ABORTED: "libcurl missing, or the upload cancelled",
    BAD_ARGUMENT: "bad argument or state",
    REFUSED: "refused by the service, or no verdict",
    1: "unsupported protocol",
    3: "malformed URL",
    5: "could not resolve the proxy",
    6: "could not resolve the host",
    7: "could not connect",
    18: "transfer ended early",
    22: "HTTP error status",
    23: "could not write received data",
    25: "upload failed",
    26: "could not read the file",
    27: "out of memory",
    28: "timed out",
    35: "TLS handshake failed",
    47: "too many redirects",
    52: "empty reply from the server",
    55: "send error",
    56: "receive error",
    60: "server certificate not trusted",
    63: "answer too large",
    97: "proxy handshake failed",
}


def result_text(result: int) -> str:
    """A short English text for a result code, as the header's clipferry_result_text gives it."""
    return RESULT_TEXTS.get(result, "libcurl error")


class ClipferryError(Exception):
    """A call of the library failed with `result` (its code) and `text`.

    `may_have_been_received` is true when the failure came after the last
    byte of an upload had gone out: the service may have the video, so look
    for it among the user's videos before sending it again.
    """

    def __init__(self, result: int, text: str | None = None, *,
                 may_have_been_received: bool = False) -> None:
        self.result = result
        self.text = text if text is not None else result_text(result)
        self.may_have_been_received = may_have_been_received
        super().__init__(f"{self.text} (result {result})")


class BadArgument(ClipferryError):
    """82: an argument or the context's state was refused (not logged in, a
    control character in a text...); nothing was sent."""


class Refused(ClipferryError):
    """83: the service refused, or its answer held no verdict; `message` is
    the service's message, empty when there was none."""

    def __init__(self, result: int, text: str | None = None, *, message: str = "",
                 may_have_been_received: bool = False) -> None:
        super().__init__(result, text, may_have_been_received=may_have_been_received)
        self.message = message


class LoginRefused(Refused):
    """83 from a login: wrong user name or password (or no verdict in the answer)."""


class LibcurlMissing(ClipferryError):
    """42 outside an upload: libcurl could not be loaded, or lacks an entry point."""


class Cancelled(ClipferryError):
    """42 from an upload: the progress callable returned True, or `cancel` was
    set; with may_have_been_received when that came after the last byte."""


class TransferError(ClipferryError):
    """Any libcurl result: the request could not be made or did not finish."""


class UploadInterrupted(KeyboardInterrupt):
    """Ctrl-C (SIGINT) stopped an upload that the service gave no verdict on.

    A KeyboardInterrupt like any other; `may_have_been_received` is true when
    the last byte had gone out first: the service may have the video, so look
    for it among the user's videos before sending it again. The library's own
    result (a Cancelled, usually) is its __cause__.
    """

    def __init__(self, *, may_have_been_received: bool) -> None:
        self.may_have_been_received = may_have_been_received
        super().__init__("interrupted after the last byte went out: the service may have received the video"
                         if may_have_been_received else "interrupted before the whole file went out")


class ConcurrentUse(RuntimeError):
    """An Uploader was called while another call on it was under way (from
    another thread, or from inside one of its own callbacks)."""


def error_for(result: int, *, upload: bool = False, login: bool = False, message: str = "",
              may_have_been_received: bool = False) -> ClipferryError:
    """The exception for a result other than 0."""
    if result == REFUSED:
        kind = LoginRefused if login else Refused
        return kind(result, message=message, may_have_been_received=may_have_been_received)
    if result == ABORTED:
        kind_42 = Cancelled if upload else LibcurlMissing
        return kind_42(result, may_have_been_received=may_have_been_received)
    kind_other = BadArgument if result == BAD_ARGUMENT else TransferError
    return kind_other(result, may_have_been_received=may_have_been_received)
