"""The Flask application: Lumivid's API, upload-server discovery and upload."""

import os

from flask import Flask, Response, request

from . import soap, upload, verdict
from .control import control
from .data import ServiceData
from .recording import RecordingMiddleware
from .scripted import build_response
from .state import ServiceState
from .xmltext import document, element

XML_CONTENT_TYPE = "text/xml; charset=utf-8"


def xml_response(body: bytes, status: int = 200) -> Response:
    return Response(body, status=status, content_type=XML_CONTENT_TYPE)


def create_app(data: ServiceData, storage_dir: str) -> Flask:
    app = Flask("lumivid")
    app.json.sort_keys = False
    state = ServiceState(data, storage_dir)
    app.config["LUMIVID_STATE"] = state
    app.register_blueprint(control)

    @app.before_request
    def scripted_answer():
        if request.path.startswith("/_control/"):
            return None
        script = state.scripts.take(request.path)
        if script is None:
            return None
        # Read the whole request first, as a real server would before answering,
        # unless the script answers after only a part of it.
        left = script.read_limit
        if left is not None and script.drop:
            # The rest of the body stays unread, so the client sees the
            # connection go while it is still sending.
            request.environ["lumivid.leave_body_unread"] = True
        while left is None or left > 0:
            piece = request.stream.read(1 << 20 if left is None else min(left, 1 << 20))
            if not piece:
                break
            if left is not None:
                left -= len(piece)
        if script.hold_ms:
            state.holds.hold(script.hold_ms / 1000)
        return build_response(script, request.environ.get("werkzeug.socket"))

    @app.post("/0.1.1/api")
    def api():
        status, body = soap.handle(state.data, request.headers.get("soapAction"),
                                   request.get_data(cache=False))
        return xml_response(body, status)

    @app.get("/upload.xml")
    def upload_server():
        base = state.upload_base_url(request.environ.get("SERVER_PORT", ""))
        return xml_response(document(element("upload", [element("url", base)])))

    @app.post("/upload")
    def receive_upload():
        storage = state.storage_dir if state.setting("store_uploads") else None
        try:
            form = upload.parse_multipart(request.stream, request.headers.get("Content-Type", ""),
                                          storage)
        except upload.FormError as e:
            return xml_response(upload.result_document(False, f"Malformed upload: {e}"), 400)
        accepted, message = verdict.judge(form, state.data)
        if not accepted:
            # Refused uploads are not kept.
            for received in form.files:
                if received.stored_path:
                    os.remove(received.stored_path)
                    received.stored_path = None
        record = {"status": "SUCCESS" if accepted else "UNSUCCESSFUL", "message": message,
                  "fields": [list(f) for f in form.fields], "part_names": form.part_names,
                  "files": [f.as_json() for f in form.files]}
        first = form.files[0].as_json() if form.files else {}
        for key in ("filename", "content_type", "size", "sha256", "stored_path"):
            record[key] = first.get(key)
        state.add_upload(record)
        return xml_response(upload.result_document(accepted, message))

    app.wsgi_app = RecordingMiddleware(app.wsgi_app, state.requests)
    return app
