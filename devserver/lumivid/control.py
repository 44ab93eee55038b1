"""/_control/: lets tests read what the service received and steer its answers."""

from flask import Blueprint, current_app, jsonify, request

from .scripted import Script, ScriptError

control = Blueprint("control", __name__, url_prefix="/_control")


def _state():
    return current_app.config["LUMIVID_STATE"]


def _json_body() -> dict:
    body = request.get_json(force=True, silent=True)
    if not isinstance(body, dict):
        raise ValueError("Expected a JSON object")
    return body


@control.errorhandler(ValueError)
def bad_request(error):
    return jsonify({"error": str(error)}), 400


@control.get("/requests")
def recorded_requests():
    return jsonify(_state().requests.entries())


@control.get("/uploads")
def received_uploads():
    return jsonify(_state().uploads())


@control.post("/reset")
def reset():
    _state().reset()
    return jsonify({"ok": True})


@control.post("/script")
def add_script():
    try:
        script = Script.from_json(_json_body())
    except ScriptError as e:
        raise ValueError(str(e)) from None
    _state().scripts.add(script)
    return jsonify({"ok": True, "pending": _state().scripts.pending()})


@control.get("/held")
def held_answers():
    return jsonify({"held": _state().holds.held()})


@control.post("/release")
def release_held_answers():
    return jsonify({"released": _state().holds.release()})


@control.get("/settings")
def read_settings():
    return jsonify(_state().settings())


@control.post("/settings")
def change_settings():
    return jsonify(_state().change_settings(_json_body()))


@control.get("/health")
def health():
    return jsonify({"ok": True})
