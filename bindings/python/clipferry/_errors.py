"""The library's result codes, and the exceptions the package raises for them."""

from __future__ import annotations

from ._contract import OTHER_TEXT, RESULT_TEXTS, Result


def result_text(result: int) -> str:
    """A short English text for a result code, as the header's clipferry_result_text gives it."""
    return RESULT_TEXTS.get(result, OTHER_TEXT)


def as_result(result: int) -> int:
    """`result` as a Result when the header names it, else the plain int."""
    try:
        return Result(result)
    except ValueError:
        return result


class ClipferryError(Exception):
    """Every exception of the package but UploadInterrupted (a KeyboardInterrupt,
    so that `except Exception` never swallows Ctrl-C).

    str() says what happened, in a user's words. `result` is the library's
    result code (a Result where the header names it; None when no call of
    the library failed), `text` the header's short text for it.
    `may_have_been_received` is true when the failure came after the last
    byte of an upload had gone out: the service may have the video, so look
    for it among the user's videos before sending it again.
    """

    said = "the Clipferry library failed"

    def __init__(self, result: int | None = None, message: str | None = None, *,
                 may_have_been_received: bool = False) -> None:
        self.result = None if result is None else as_result(result)
        self.text = "" if result is None else result_text(result)
        self.may_have_been_received = may_have_been_received
        super().__init__(message if message is not None else self.said)


class BadArgument(ClipferryError):
    """82: the library refused an argument or the Uploader's state (not
    logged in, most often); nothing was sent."""

    said = "the library refused an argument of the call, or the Uploader's state"


class Refused(ClipferryError):
    """83: the service refused the login (LoginRefused), or its answer to an
    upload held no verdict (NoVerdict). An upload the service refused is no
    exception: upload() returns it as Verdict(accepted=False, message)."""

    said = "the service refused, or gave no verdict"


class LoginRefused(Refused):
    """83 from a login: the service refused the user name or password."""

    said = "the user name or password is wrong"


class NoVerdict(Refused):
    """83 from an upload with no message: the service's answer held no
    verdict; with may_have_been_received, it may have the video all the same."""

    said = "the service's answer to the upload held no verdict"


class LibcurlMissing(ClipferryError):
    """42 outside an upload: libcurl could not be loaded, or lacks an entry point."""

    said = "libcurl could not be loaded, or lacks a function the library needs"


class Cancelled(ClipferryError):
    """42 from an upload: the progress callable returned True, or `cancel` was
    set; with may_have_been_received when that came after the last byte."""

    said = "the upload was cancelled"


class TransferError(ClipferryError):
    """Any libcurl result: the request could not be made or did not finish."""

    def __init__(self, result: int, *, may_have_been_received: bool = False) -> None:
        super().__init__(result, f"the request failed: {result_text(result)} (libcurl result {result})",
                         may_have_been_received=may_have_been_received)


class ConcurrentUse(ClipferryError, RuntimeError):
    """An Uploader was called while another call on it was under way (from
    another thread, or from inside one of its own callbacks). Also a RuntimeError."""

    def __init__(self, message: str) -> None:
        super().__init__(None, message)


class UploadInterrupted(KeyboardInterrupt):
    """Ctrl-C (SIGINT) stopped an upload that the service gave no verdict on.

    A KeyboardInterrupt like any other, and so no ClipferryError;
    `may_have_been_received` is true when the last byte had gone out first:
    the service may have the video, so look for it among the user's videos
    before sending it again. The library's own result (a Cancelled, usually)
    is its __cause__.
    """

    def __init__(self, *, may_have_been_received: bool) -> None:
        self.may_have_been_received = may_have_been_received
        super().__init__("interrupted after the last byte went out: the service may have received the video"
                         if may_have_been_received else "interrupted before the whole file went out")


def error_for(result: int, *, call: str, logged_in: bool, may_have_been_received: bool = False) -> ClipferryError:
    """The exception for a result other than 0 from `call` ("login", "upload"
    or a list), made while the Uploader was `logged_in` or not."""
    kind: type[ClipferryError]
    if result == Result.REFUSED:
        kind = LoginRefused if call == "login" else NoVerdict if call == "upload" else Refused
    elif result == Result.ABORTED:
        kind = Cancelled if call == "upload" else LibcurlMissing
    elif result == Result.BAD_ARGUMENT:
        message = None if logged_in or call == "login" else "log in first"
        return BadArgument(result, message, may_have_been_received=may_have_been_received)
    else:
        return TransferError(result, may_have_been_received=may_have_been_received)
    return kind(result, may_have_been_received=may_have_been_received)
