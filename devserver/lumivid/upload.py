"""POST /upload: multipart/form-data parsed while it streams in, so multi-GiB
files never sit in memory. File parts are hashed and, unless turned off,
written to the storage folder."""

import hashlib
import itertools
import os
import re
import threading
from dataclasses import dataclass, field
from typing import BinaryIO, List, Optional, Tuple

from werkzeug.http import parse_options_header
from werkzeug.sansio.multipart import Data, Epilogue, Field, File, MultipartDecoder, NeedData

from .xmltext import document, element

READ_SIZE = 1 << 20
MAX_FIELD_SIZE = 1 << 20
_upload_numbers = itertools.count(1)
_number_lock = threading.Lock()
# Every file this process wrote, so they can go when it stops (remove_stored_files).
_stored_paths: List[str] = []


class FormError(Exception):
    pass


@dataclass
class ReceivedFile:
    field: str
    filename: str
    content_type: str
    size: int = 0
    sha256: str = ""
    stored_path: Optional[str] = None

    def as_json(self) -> dict:
        return dict(self.__dict__)


@dataclass
class ReceivedForm:
    fields: List[Tuple[str, str]] = field(default_factory=list)
    part_names: List[str] = field(default_factory=list)
    files: List[ReceivedFile] = field(default_factory=list)

    def value(self, name: str) -> Optional[str]:
        return next((v for k, v in self.fields if k == name), None)


def safe_file_name(name: str) -> str:
    base = re.sub(r"[^A-Za-z0-9._-]+", "_", os.path.basename(name.replace("\\", "/")))
    return base.strip("._") or "upload"


class _FileSink:
    def __init__(self, received: ReceivedFile, storage_dir: Optional[str]):
        self.received = received
        self.hash = hashlib.sha256()
        self.out: Optional[BinaryIO] = None
        if storage_dir is not None:
            with _number_lock:
                number = next(_upload_numbers)
                path = os.path.join(storage_dir, f"{number:05d}-{safe_file_name(received.filename)}")
                _stored_paths.append(path)
            self.out = open(path, "wb")
            received.stored_path = path

    def write(self, data: bytes) -> None:
        self.received.size += len(data)
        self.hash.update(data)
        if self.out is not None:
            self.out.write(data)

    def close(self) -> None:
        self.received.sha256 = self.hash.hexdigest()
        if self.out is not None:
            self.out.close()


def remove_stored_files() -> None:
    """Deletes the files this process stored, and nothing else in their folder."""
    with _number_lock:
        paths, _stored_paths[:] = list(_stored_paths), []
    for path in paths:
        try:
            os.unlink(path)
        except FileNotFoundError:
            pass


def parse_multipart(stream: BinaryIO, content_type: str, storage_dir: Optional[str]) -> ReceivedForm:
    """Parses the whole form; storage_dir None means count and hash only."""
    mimetype, options = parse_options_header(content_type)
    boundary = options.get("boundary")
    if mimetype != "multipart/form-data" or not boundary:
        raise FormError(f"Not multipart/form-data: {content_type!r}")
    decoder = MultipartDecoder(boundary.encode("latin-1"))
    form = ReceivedForm()
    field_name: Optional[str] = None
    field_value = bytearray()
    sink: Optional[_FileSink] = None
    done = False
    try:
        while not done:
            chunk = stream.read(READ_SIZE)
            decoder.receive_data(chunk if chunk else None)
            while True:
                try:
                    event = decoder.next_event()
                except ValueError as e:
                    raise FormError(str(e)) from None
                if isinstance(event, NeedData):
                    break
                if isinstance(event, Field):
                    form.part_names.append(event.name)
                    field_name, field_value = event.name, bytearray()
                elif isinstance(event, File):
                    form.part_names.append(event.name)
                    received = ReceivedFile(event.name, event.filename,
                                            event.headers.get("Content-Type", ""))
                    form.files.append(received)
                    sink = _FileSink(received, storage_dir)
                elif isinstance(event, Data):
                    if sink is not None:
                        sink.write(event.data)
                        if not event.more_data:
                            sink.close()
                            sink = None
                    elif field_name is not None:
                        field_value.extend(event.data)
                        if len(field_value) > MAX_FIELD_SIZE:
                            raise FormError(f"Field {field_name!r} is too large")
                        if not event.more_data:
                            form.fields.append((field_name, field_value.decode("utf-8", "replace")))
                            field_name = None
                elif isinstance(event, Epilogue):
                    done = True
                    break
            if not chunk and not done:
                raise FormError("Form data ended early")
    finally:
        if sink is not None:
            sink.close()
    return form


def result_document(success: bool, message: str) -> bytes:
    status = "SUCCESS" if success else "UNSUCCESSFUL"
    return document(element("result", [element("status", status), element("message", message)]))

