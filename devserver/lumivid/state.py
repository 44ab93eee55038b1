"""Run-time state shared by the service routes and the test-control API."""

import threading
from typing import List, Optional

from .data import ServiceData
from .recording import RequestLog
from .scripted import Holds, ScriptBook

DEFAULT_SETTINGS = {"store_uploads": True, "upload_url": None}


class ServiceState:
    def __init__(self, data: ServiceData, storage_dir: str):
        self.data = data
        self.storage_dir = storage_dir
        self.requests = RequestLog()
        self.scripts = ScriptBook()
        self.holds = Holds()
        self._lock = threading.Lock()
        self._uploads: List[dict] = []
        self._settings = dict(DEFAULT_SETTINGS)

    def setting(self, name: str):
        with self._lock:
            return self._settings[name]

    def settings(self) -> dict:
        with self._lock:
            return dict(self._settings)

    def change_settings(self, changes: dict) -> dict:
        unknown = set(changes) - set(DEFAULT_SETTINGS)
        if unknown:
            raise ValueError(f"Unknown settings: {sorted(unknown)}")
        if "store_uploads" in changes and not isinstance(changes["store_uploads"], bool):
            raise ValueError("store_uploads must be true or false")
        if "upload_url" in changes and not isinstance(changes["upload_url"], (str, type(None))):
            raise ValueError("upload_url must be a string or null")
        with self._lock:
            self._settings.update(changes)
            return dict(self._settings)

    def upload_base_url(self, own_port: str) -> str:
        configured: Optional[str] = self.setting("upload_url") or self.data.upload_url
        return configured or f"http://127.0.0.1:{own_port}"

    def add_upload(self, record: dict) -> None:
        with self._lock:
            record["index"] = len(self._uploads)
            self._uploads.append(record)

    def uploads(self) -> List[dict]:
        with self._lock:
            return list(self._uploads)

    def reset(self) -> None:
        self.requests.clear()
        self.scripts.clear()
        self.holds.release()
        with self._lock:
            self._uploads.clear()
            self._settings = dict(DEFAULT_SETTINGS)
