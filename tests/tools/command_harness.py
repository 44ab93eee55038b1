"""Runs the built clipferry command for the tests, and talks to the local
Lumivid service's control API."""

import json
import os
import re
import socket
import subprocess
import tempfile
import urllib.request

COMMAND = os.environ["CLIPFERRY_COMMAND"]
SOURCE_DIR = os.environ["CLIPFERRY_SOURCE_DIR"]
DEVSERVER_STATE = os.environ.get("CLIPFERRY_DEVSERVER_STATE", "")

# An empty folder for config.toml, so no run reads or writes the caller's own.
_NO_CONFIG = tempfile.TemporaryDirectory(prefix="clipferry-no-config-")
# Where the ledger goes unless a test names a folder: never the caller's own.
_NO_STATE = tempfile.TemporaryDirectory(prefix="clipferry-no-state-")


def base_environment(**extra):
    """The caller's environment without anything that would steer the command."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("CLIPFERRY_") or k in ("CLIPFERRY_CURL_LIBRARY",)}
    env["XDG_CONFIG_HOME"] = _NO_CONFIG.name
    env["XDG_STATE_HOME"] = _NO_STATE.name
    if "LSAN_OPTIONS" in env:
        # LeakSanitizer's tracer can crash reading the dynamic TLS of a library
        # that was unloaded, as libcurl and what it loaded are when the command
        # releases its context. Without TLS among its roots it reports more,
        # never less, so no leak can hide behind this.
        env["LSAN_OPTIONS"] += ":use_tls=0"
    env.update({k: str(v) for k, v in extra.items()})
    return env


def _exit_status(help_text, words):
    """The status whose line in the help's exit status table holds `words`."""
    table = help_text[help_text.index("Exit status:"):]
    found = re.findall(r"^  (\d+) +[^\n]*" + re.escape(words), table, re.MULTILINE)
    if len(found) != 1:
        raise LookupError(f"the help's exit status table has {len(found)} lines with {words!r}")
    return int(found[0])


# The command's exit statuses, read from the table its help prints, so that
# the numbers are kept in one place: the command.
_HELP = subprocess.run([COMMAND, "--help"], env=base_environment(), capture_output=True,
                       text=True, stdin=subprocess.DEVNULL, timeout=60, check=True).stdout
FAILURE = _exit_status(_HELP, "the command failed")
USAGE = _exit_status(_HELP, "command line not understood")
BAD_ARGUMENT = _exit_status(_HELP, "(result 82")
REFUSED = _exit_status(_HELP, "(result 83")
CANCELLED = _exit_status(_HELP, "(result 42)")
UNREACHABLE = _exit_status(_HELP, "could not reach the service")
TIMED_OUT = _exit_status(_HELP, "timed out")
CONNECTION_BROKE = _exit_status(_HELP, "the connection broke")
NOT_REMEMBERED = _exit_status(_HELP, "password could not be kept in the keyring")


def run(args, env, timeout=120, **kwargs):
    """Standard input is empty unless `input` gives what it holds."""
    if "input" not in kwargs:
        kwargs["stdin"] = subprocess.DEVNULL
    return subprocess.run([COMMAND, *args], env=env, capture_output=True, text=True,
                          errors="replace", timeout=timeout, start_new_session=True, **kwargs)


def closed_port():
    """A loopback port with nothing listening on it."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def devserver_port():
    with open(os.path.join(DEVSERVER_STATE, "port")) as f:
        return int(f.read().strip())


def default_data():
    with open(os.path.join(SOURCE_DIR, "devserver", "default_data.json")) as f:
        return json.load(f)


class Control:
    """The service's /_control/ API, reached directly rather than through a proxy."""

    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}/_control"
        self.opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    def get(self, path):
        with self.opener.open(f"{self.base}/{path}", timeout=10) as r:
            return json.load(r)

    def post(self, path, body):
        request = urllib.request.Request(f"{self.base}/{path}", data=json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"})
        with self.opener.open(request, timeout=10) as r:
            return json.load(r)
