"""Fixtures for the tests that run the real OBS Studio with clipferry-obs:
the local service, an X screen, the login in the test keyring, and OBS
processes that are ended whatever a test does. Run by run_in_namespace.sh."""

import hashlib
import json
import os
import re
import sys
import warnings

import pytest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import obs_host  # noqa: E402

sys.path.insert(0, os.path.join(obs_host.REPO, "tests", "support"))
from throttling_relay import ThrottlingRelay  # noqa: E402

API_HOST_URL = os.environ.get("CLIPFERRY_API_HOST_URL", "http://api.lumivid.example")
PLUGIN_DIR = os.environ.get("CLIPFERRY_OBS_PLUGIN_DIR")
PLUGIN_DATA_DIR = os.environ.get("CLIPFERRY_OBS_DATA_DIR")
USER, PASSWORD = "demo", "demo-password"


class Service(obs_host.ServiceProcess):
    def json(self, method, name, payload=None):
        status, answer = self.control(method, name, payload)
        assert status == 200, (name, answer)
        return answer

    def uploads(self):
        return self.json("GET", "uploads")

    def requests(self):
        return self.json("GET", "requests")

    def upload_bytes(self):
        """What the service has read of upload requests so far, complete or not."""
        return sum(request["body_size"] for request in self.requests() if request["path"] == "/upload")


@pytest.fixture(scope="session")
def service_process():
    process = Service()
    yield process
    process.stop()


@pytest.fixture
def service(service_process):
    service_process.json("POST", "reset", {})
    return service_process


@pytest.fixture(scope="session")
def screen(tmp_path_factory):
    xvfb = obs_host.Xvfb(str(tmp_path_factory.mktemp("xvfb")))
    yield xvfb
    xvfb.stop()


@pytest.fixture(scope="session")
def remembered_login():
    return remember_login()


def remember_login():
    """demo's password in the test keyring, where the command and the dialog
    keep it (the private session run_in_namespace.sh started)."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", ImportWarning)
        import gi
        gi.require_version("Secret", "1")
        from gi.repository import Secret
    schema = Secret.Schema.new("org.clipferry.Login", Secret.SchemaFlags.NONE,
                               {"service": Secret.SchemaAttributeType.STRING,
                                "user": Secret.SchemaAttributeType.STRING})
    stored = Secret.password_store_sync(schema, {"service": API_HOST_URL, "user": USER},
                                        Secret.COLLECTION_DEFAULT, f"Lumivid login for {USER}",
                                        PASSWORD, None)
    assert stored
    return USER


@pytest.fixture
def slow_link(service):
    """slow_link(bytes_per_second): a throttling relay in front of the service."""
    links = []

    def make(rate):
        links.append(ThrottlingRelay(("127.0.0.1", service.port), rate))
        return links[-1]
    yield make
    for link in links:
        link.close()


@pytest.fixture(scope="session")
def accessibility(screen):
    return obs_host.Accessibility(screen.display)


@pytest.fixture
def start_obs(screen, remembered_login, accessibility):
    """start_obs(profile, proxy_port) -> a running, connected Obs with the
    plugin; every one is ended after the test."""
    if not PLUGIN_DIR:
        pytest.fail("CLIPFERRY_OBS_PLUGIN_DIR is not set: run through ctest (the Qt 5 build)")
    started = []

    def start(profile, proxy_port):
        environment = {"CLIPFERRY_PROXY_SERVER": f"127.0.0.1:{proxy_port}", "CLIPFERRY_OBS_STALL_LOG": "1",
                       "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"]}
        obs = obs_host.Obs(profile, screen.display, plugin_dir=PLUGIN_DIR, plugin_data_dir=PLUGIN_DATA_DIR,
                           environment=environment)
        started.append(obs)
        obs.connect()
        obs.wait_log(r"\[clipferry-obs\] loaded", 20)
        return obs

    yield start
    for obs in started:
        obs.stop()
        # The plugin's own account of OBS's event loop and of its leaving, for
        # the reader of a verbose run (ctest -V); nothing here is asserted.
        for line in obs.log().splitlines():
            if re.search(r"\[clipferry-obs\] (stall|exit)", line):
                print(line)
        if os.environ.get("CLIPFERRY_OBS_SHOW_LOG"):
            print(obs.log())


def publishing_settings(after_recording, **extra):
    """The plugin's section of global.ini: demo's login, a pattern with the
    recording's date and time, a category and a moderator of demo's."""
    values = {"AfterRecording": after_recording, "TitlePattern": "Take {date} {time}",
              "Description": "Recorded in OBS", "Tags": "obs colour", "Categories": "1,21",
              "Moderator": "501", "User": USER}
    values.update(extra)
    return {"Clipferry": values}


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def published_record(profile):
    path = os.path.join(profile.config, "plugin_config", "clipferry-obs", "published.tsv")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def dump(value):
    return json.dumps(value, indent=1)
