"""What the library's header and its results table say, for the package.

Generated from include/clipferry.h and
common/results/include/clipferry-common/results.def by clipferry_python_contract;
do not edit. After changing either:
cmake --build BUILD --target update_python_contract
"""

from __future__ import annotations

from enum import IntEnum

# The library's version: the package is released with it.
VERSION = "1.0.0"
CREDENTIAL_LIMIT = 259  # user name, password, in UTF-8 bytes
FIELD_LIMIT = 1023  # title, description, tags, in UTF-8 bytes


class Result(IntEnum):
    """A result code of the library: the four the header names, then the
    libcurl results a host meets. Any other libcurl result stays an int."""

    OK = 0
    ABORTED = 42
    BAD_ARGUMENT = 82
    REFUSED = 83
    UNSUPPORTED_PROTOCOL = 1
    MALFORMED_URL = 3
    PROXY_NOT_RESOLVED = 5
    HOST_NOT_RESOLVED = 6
    COULD_NOT_CONNECT = 7
    TRANSFER_ENDED_EARLY = 18
    HTTP_ERROR = 22
    WRITE_ERROR = 23
    UPLOAD_FAILED = 25
    READ_ERROR = 26
    OUT_OF_MEMORY = 27
    TIMED_OUT = 28
    TLS_HANDSHAKE_FAILED = 35
    TOO_MANY_REDIRECTS = 47
    EMPTY_REPLY = 52
    SEND_ERROR = 55
    RECEIVE_ERROR = 56
    CERTIFICATE_NOT_TRUSTED = 60
    ANSWER_TOO_LARGE = 63
    PROXY_HANDSHAKE_FAILED = 97

    @property
    def text(self) -> str:
        """The header's short English text for the result."""
        return RESULT_TEXTS[self]


# clipferry_result_text of the header, code for code.
RESULT_TEXTS: dict[int, str] = {
    Result.OK: "success",
    Result.ABORTED: "libcurl missing, or the upload cancelled",
    Result.BAD_ARGUMENT: "bad argument or state",
    Result.REFUSED: "refused by the service, or no verdict",
    Result.UNSUPPORTED_PROTOCOL: "unsupported protocol",
    Result.MALFORMED_URL: "malformed URL",
    Result.PROXY_NOT_RESOLVED: "could not resolve the proxy",
    Result.HOST_NOT_RESOLVED: "could not resolve the host",
    Result.COULD_NOT_CONNECT: "could not connect",
    Result.TRANSFER_ENDED_EARLY: "transfer ended early",
    Result.HTTP_ERROR: "HTTP error status",
    Result.WRITE_ERROR: "could not write received data",
    Result.UPLOAD_FAILED: "upload failed",
    Result.READ_ERROR: "could not read the file",
    Result.OUT_OF_MEMORY: "out of memory",
    Result.TIMED_OUT: "timed out",
    Result.TLS_HANDSHAKE_FAILED: "TLS handshake failed",
    Result.TOO_MANY_REDIRECTS: "too many redirects",
    Result.EMPTY_REPLY: "empty reply from the server",
    Result.SEND_ERROR: "send error",
    Result.RECEIVE_ERROR: "receive error",
    Result.CERTIFICATE_NOT_TRUSTED: "server certificate not trusted",
    Result.ANSWER_TOO_LARGE: "answer too large",
    Result.PROXY_HANDSHAKE_FAILED: "proxy handshake failed",
}
OTHER_TEXT = "libcurl error"

# The status a host's process ends with, by what a result means.
EXIT_STATUS: dict[str, int] = {
    "accepted": 0,
    "refused": 4,
    "not_sent": 3,
    "cancelled": 5,
    "unreachable": 6,
    "timed_out": 7,
    "connection_broke": 8,
    "failed": 10,
    "unknown": 9,
}
