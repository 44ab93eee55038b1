"""Finds and loads the Clipferry shared library and declares its seven exports."""

from __future__ import annotations

import ctypes
import importlib
import os
import sys
import threading
from pathlib import Path

from ._errors import ClipferryError

# The library's callback types: cdecl on every platform, also 32-bit Windows.
CATEGORY_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32,
                                     ctypes.c_void_p)
MODERATOR_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_int32, ctypes.c_void_p, ctypes.c_void_p,
                                      ctypes.c_int32, ctypes.c_void_p)
PROGRESS_CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_double,
                                     ctypes.c_double, ctypes.c_double, ctypes.c_double)

_WINDOWS = sys.platform == "win32"
LIBRARY_NAME = "clipferry.dll" if _WINDOWS else "libclipferry.so.1"
# The library's text is UTF-16 in the machine's byte order (char16_t, or wchar_t on Windows).
UTF16 = "utf-16-le" if sys.byteorder == "little" else "utf-16-be"


class LibraryNotFound(ClipferryError, OSError):
    """The Clipferry shared library could not be loaded from any of the places
    tried; `tried` holds each (place, reason). Also an OSError."""

    def __init__(self, tried: list[tuple[str, str]]) -> None:
        self.tried = tried
        places = "; ".join(f"{place} ({reason})" for place, reason in tried)
        super().__init__(None, f"the Clipferry library could not be loaded; tried: {places}")


def _declare(lib: ctypes.CDLL) -> ctypes.CDLL:
    text = ctypes.c_char_p  # UTF-16 bytes, terminated by the caller
    void_p, i32, u32 = ctypes.c_void_p, ctypes.c_int32, ctypes.c_uint32
    signatures = {
        "CLIPFERRY_Init": (void_p, []),
        "CLIPFERRY_Release": (None, [void_p]),
        "CLIPFERRY_Login": (i32, [void_p, text, text]),
        "CLIPFERRY_GetFileTypes": (i32, [void_p, void_p, u32]),
        "CLIPFERRY_GetCategories": (i32, [void_p, i32, void_p, CATEGORY_CALLBACK,
                                          ctypes.POINTER(i32)]),
        "CLIPFERRY_GetModerators": (i32, [void_p, void_p, MODERATOR_CALLBACK,
                                          ctypes.POINTER(i32)]),
        "CLIPFERRY_DoUpload": (i32, [void_p, text, text, text, text, i32, i32, i32, i32, void_p,
                                     u32, PROGRESS_CALLBACK, void_p]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


def _installed_library_dir() -> str | None:
    """The library's folder that `cmake --install` recorded beside the package
    (_install_prefix.py); None from a source tree, a wheel or a system install."""
    try:
        recorded = importlib.import_module(f"{__package__}._install_prefix")
    except ImportError:
        return None
    folder = getattr(recorded, "LIBRARY_DIR", None)
    return folder if isinstance(folder, str) else None


def _candidates() -> list[tuple[str, str]]:
    """(what to load, where it came from), in the order they are tried."""
    found = []
    explicit = os.environ.get("CLIPFERRY_LIBRARY")
    if explicit:
        found.append((explicit, "CLIPFERRY_LIBRARY"))
    own = Path(__file__).resolve().parent / LIBRARY_NAME
    if own.exists():
        found.append((str(own), "the package's folder"))
    installed = _installed_library_dir()
    if installed:
        found.append((str(Path(installed) / LIBRARY_NAME), "the folder cmake --install put it in"))
    found.append((LIBRARY_NAME, "the system's library search path"))
    return found


_loaded: ctypes.CDLL | None = None
_loading = threading.Lock()


def library() -> ctypes.CDLL:
    """The loaded library, loaded on first use (so that importing never fails)."""
    global _loaded
    with _loading:
        if _loaded is None:
            tried = []
            for candidate, origin in _candidates():
                try:
                    if _WINDOWS:
                        _preload_curl(Path(candidate).parent)
                    _loaded = _declare(ctypes.CDLL(candidate))
                    break
                except (OSError, AttributeError) as error:
                    tried.append((f"{candidate} from {origin}", str(error) or type(error).__name__))
            else:
                raise LibraryNotFound(tried)
        return _loaded


def _preload_curl(folder: Path) -> None:
    # clipferry.dll loads "libcurl.dll" by name, which Windows searches beside
    # python.exe, not beside the DLL; one loaded already from the package's
    # folder is the one it then gets.
    curl = folder / "libcurl.dll"
    if curl.exists():
        ctypes.CDLL(str(curl))


_com_ready = threading.local()


def prepare_thread() -> None:
    """On Windows, initialises COM on the calling thread once: the DLL reads
    answers with MSXML, which needs it on every thread that calls an export."""
    if _WINDOWS and not getattr(_com_ready, "done", False):
        ole32 = getattr(ctypes, "windll").ole32
        ole32.CoInitializeEx(None, 0)  # already initialised, in either apartment, is fine too
        _com_ready.done = True
