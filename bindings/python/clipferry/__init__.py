"""Publish videos to Lumivid from Python, through the Clipferry library.

    import clipferry

    with clipferry.Uploader() as up:
        up.login("demo", "demo-password")
        verdict = up.upload("harbour.mp4", title="Harbour at dusk", categories=[1])
        print(verdict.accepted, verdict.message)

The package loads the shared library (libclipferry.so.1, or clipferry.dll)
through ctypes when the first Uploader is made: from CLIPFERRY_LIBRARY when
set, else from the package's own folder, else from the folder `cmake
--install` recorded beside the package, else from the system's library path.
Failures are exceptions (ClipferryError and its subclasses; Ctrl-C during an
upload is UploadInterrupted, a KeyboardInterrupt); an upload the service
refused is never an exception but a Verdict with accepted False. Whenever the service
answered with a verdict, the caller gets it, however the call was stopped
meanwhile; a failure after the last byte of an upload went out says so with
may_have_been_received (see Uploader.upload and Uploader.upload_async).
"""

from ._contract import CREDENTIAL_LIMIT, FIELD_LIMIT, Result
from ._contract import VERSION as __version__  # the library's: the package is released with it
from ._errors import (BadArgument, Cancelled, ClipferryError, ConcurrentUse, LibcurlMissing,
                      LoginRefused, NoVerdict, Refused, TransferError, UploadInterrupted, result_text)
from ._library import LibraryNotFound
from ._uploader import Category, CategoryNode, Moderator, Uploader, Verdict

__all__ = [
    "BadArgument", "CREDENTIAL_LIMIT", "Cancelled", "Category", "CategoryNode", "ClipferryError",
    "ConcurrentUse", "FIELD_LIMIT", "LibcurlMissing", "LibraryNotFound", "LoginRefused",
    "Moderator", "NoVerdict", "Refused", "Result", "TransferError", "UploadInterrupted", "Uploader", "Verdict", "result_text",
]
