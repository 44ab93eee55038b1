"""The real OBS Studio as a test host: a fresh profile in a home of its own,
an Xvfb screen, the local Lumivid service, and OBS driven over obs-websocket
(protocol v5). Meant to run inside a network namespace of its own
(run_in_namespace.sh), so that nothing OBS tries at start-up leaves the
machine and the ports below are free."""

import configparser
import contextlib
import glob
import json
import os
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import time
import uuid

import websocket

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tests", "devserver"))
from service_process import ServiceProcess  # noqa: E402

OBS = shutil.which("obs") or "/usr/bin/obs"
WEBSOCKET_PORT = 4455
PROFILE = "Clipferry"
COLLECTION = "Clipferry"
SCREEN = (1280, 800)


class Failure(AssertionError):
    pass


@contextlib.contextmanager
def bound_over(source, target):
    """`source` seen at `target`'s path (a bind mount, in the mount namespace
    the tests run in) for the duration; whoever had `target` open keeps it."""
    subprocess.run(["mount", "--bind", source, target], check=True)
    try:
        yield
    finally:
        subprocess.run(["umount", target], check=True)


def wait_for(what, condition, timeout, step=0.05):
    """condition()'s first true value, or Failure naming `what` after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"gave up waiting for {what} after {timeout} s")
        time.sleep(step)


class Xvfb:
    """An X screen of its own; its framebuffer is also an XWD file (-fbdir),
    which is how screenshots are taken without an X client."""

    def __init__(self, folder):
        self.fbdir = os.path.join(folder, "framebuffer")
        os.makedirs(self.fbdir, exist_ok=True)
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-fbdir", self.fbdir, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(folder, "xvfb.log"), "wb"))
        os.close(write_end)
        # Xvfb writes the number and its newline apart, and gives up when the
        # newline cannot be written: read to the newline before closing.
        answer = b""
        try:
            while not answer.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], 20)
                piece = os.read(read_end, 32) if ready else b""
                if not piece:
                    break
                answer += piece
        finally:
            os.close(read_end)
        number = answer.decode().strip() if answer.endswith(b"\n") else ""
        if not number:
            self.stop()
            raise Failure("Xvfb did not start")
        self.display = f":{number}"

    def screenshot(self, png_path):
        import xwd_png
        xwd_png.convert(os.path.join(self.fbdir, "Xvfb_screen0"), png_path)

    def stop(self):
        stop_process(self.process, 5)


def stop_process(process, grace):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def allow_core_files():
    """In the child before exec: a crash leaves a core file in its working
    folder (the kernel's core_pattern permitting), which a test looks for."""
    resource.setrlimit(resource.RLIMIT_CORE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))


def write_ini(path, sections):
    parser = configparser.RawConfigParser()
    parser.optionxform = str  # OBS's keys are case-sensitive
    for name, values in sections.items():
        parser[name] = {key: str(value) for key, value in values.items()}
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        parser.write(f, space_around_delimiters=False)


class Profile:
    """OBS's configuration in a home of its own: a profile recording MP4 files
    at `video_kbps` into `record_dir`, a scene with a colour source, obs-websocket on
    without authentication, and `global_sections` added to global.ini (where
    plugins keep their settings)."""

    def __init__(self, home, record_dir, global_sections=None, video_kbps=4000):
        self.home = home
        self.record_dir = record_dir
        self.config = os.path.join(home, ".config", "obs-studio")
        os.makedirs(record_dir, exist_ok=True)
        sections = {
            # FirstRun and LastVersion keep the first-run wizard away.
            "General": {"FirstRun": "true", "LastVersion": "486539266", "EnableAutoUpdates": "false",
                        "ConfirmOnExit": "false"},
            "BasicWindow": {"WarnBeforeStartingRecord": "false", "WarnBeforeStoppingRecord": "false",
                            "SysTrayEnabled": "false", "ShowTransitions": "false"},
            "Basic": {"Profile": PROFILE, "ProfileDir": PROFILE,
                      "SceneCollection": COLLECTION, "SceneCollectionFile": COLLECTION,
                      "ConfigOnNewProfile": "false"},
            "OBSWebSocket": {"FirstLoad": "false", "ServerEnabled": "true", "ServerPort": WEBSOCKET_PORT,
                             "AlertsEnabled": "false", "AuthRequired": "false", "ServerPassword": ""},
        }
        for name, values in (global_sections or {}).items():
            sections.setdefault(name, {}).update(values)
        write_ini(os.path.join(self.config, "global.ini"), sections)
        write_ini(os.path.join(self.config, "basic", "profiles", PROFILE, "basic.ini"), {
            "General": {"Name": PROFILE},
            "Video": {"BaseCX": 320, "BaseCY": 180, "OutputCX": 320, "OutputCY": 180,
                      "FPSType": 0, "FPSCommon": 30},
            "Output": {"Mode": "Simple"},
            # The stream's settings: x264 at a constant rate (with filler), so
            # that a few seconds of a still colour still make megabytes.
            "SimpleOutput": {"FilePath": record_dir, "RecFormat": "mp4", "RecQuality": "Stream",
                             "StreamEncoder": "x264", "VBitrate": video_kbps, "ABitrate": 64,
                             "FileNameWithoutSpace": "true"},
            "Audio": {"SampleRate": 48000, "ChannelSetup": "Stereo"},
        })
        self._write_scene_collection()
        # obs-websocket 5.1 (OBS 29) keeps its settings in global.ini; later
        # ones in plugin_config/obs-websocket/config.json. Both are written.
        write_json(os.path.join(self.config, "plugin_config", "obs-websocket", "config.json"), {
            "alerts_enabled": False, "auth_required": False, "first_load": False,
            "server_enabled": True, "server_password": "", "server_port": WEBSOCKET_PORT})

    def _write_scene_collection(self):
        colour = {"id": "color_source_v3", "versioned_id": "color_source_v3", "name": "Colour",
                  "uuid": str(uuid.uuid4()), "enabled": True, "flags": 0, "mixers": 0,
                  "settings": {"color": 0xFF3070D0, "width": 320, "height": 180}}
        scene = {"id": "scene", "versioned_id": "scene", "name": "Scene", "uuid": str(uuid.uuid4()),
                 "enabled": True, "flags": 0, "mixers": 0,
                 "settings": {"id_counter": 1, "custom_size": False, "items": [
                     {"name": "Colour", "source_uuid": colour["uuid"], "visible": True, "locked": False,
                      "id": 1, "pos": {"x": 0.0, "y": 0.0}, "scale": {"x": 1.0, "y": 1.0},
                      "rot": 0.0, "align": 5, "bounds_type": 0, "bounds_align": 0,
                      "bounds": {"x": 0.0, "y": 0.0}, "crop_left": 0, "crop_top": 0,
                      "crop_right": 0, "crop_bottom": 0}]}}
        write_json(os.path.join(self.config, "basic", "scenes", COLLECTION + ".json"), {
            "name": COLLECTION, "current_scene": "Scene", "current_program_scene": "Scene",
            "scene_order": [{"name": "Scene"}], "sources": [colour, scene], "groups": [],
            "transitions": [], "current_transition": "Fade", "transition_duration": 300})

    def logs(self):
        return sorted(glob.glob(os.path.join(self.config, "logs", "*.txt")), key=os.path.getmtime)

    def crash_reports(self):
        return glob.glob(os.path.join(self.config, "crashes", "*"))


def write_json(path, value):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        json.dump(value, f, indent=1)


class WebSocketError(Failure):
    pass


class ObsWebSocket:
    """obs-websocket v5, without authentication: requests and the events that
    arrive between them."""

    def __init__(self, url, timeout=10):
        self.socket = websocket.create_connection(url, timeout=timeout,
                                                  subprotocols=["obswebsocket.json"])
        hello = self._receive()
        if hello["op"] != 0:
            raise WebSocketError(f"expected Hello, got {hello}")
        # Every event category but the high-volume ones.
        self._send({"op": 1, "d": {"rpcVersion": 1, "eventSubscriptions": 0x7FF}})
        identified = self._receive()
        if identified["op"] != 2:
            raise WebSocketError(f"expected Identified, got {identified}")
        self.events = []
        self._next_id = 0

    def _send(self, message):
        self.socket.send(json.dumps(message))

    def _receive(self):
        return json.loads(self.socket.recv())

    def request(self, kind, data=None, check=True):
        self._next_id += 1
        request_id = str(self._next_id)
        message = {"requestType": kind, "requestId": request_id}
        if data is not None:
            message["requestData"] = data
        self._send({"op": 6, "d": message})
        while True:
            answer = self._receive()
            if answer["op"] == 5:
                self.events.append(answer["d"])
            elif answer["op"] == 7 and answer["d"]["requestId"] == request_id:
                status = answer["d"]["requestStatus"]
                if check and not status["result"]:
                    raise WebSocketError(f"{kind} failed: {status}")
                return answer["d"].get("responseData") or {}

    def wait_event(self, kind, timeout, accept=lambda data: True):
        """The first event of `kind` whose data `accept` takes, already
        received or arriving within timeout seconds."""
        deadline = time.monotonic() + timeout
        while True:
            for index, event in enumerate(self.events):
                if event["eventType"] == kind and accept(event.get("eventData", {})):
                    del self.events[index]
                    return event.get("eventData", {})
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"no {kind} event within {timeout} s")
            self.socket.settimeout(left)
            try:
                answer = self._receive()
            except websocket.WebSocketTimeoutException:
                continue
            finally:
                self.socket.settimeout(10)
            if answer["op"] == 5:
                self.events.append(answer["d"])

    def close(self):
        try:
            self.socket.close()
        except Exception:
            pass


class Obs:
    """One OBS process on `profile`, with the plugins in `plugin_dir` (and
    their data in `plugin_data_dir`) beside OBS's own modules."""

    def __init__(self, profile, display, environment=None, plugin_dir=None, plugin_data_dir=None):
        self.profile = profile
        self.display = display
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "XDG_", "DBUS_", "OBS_", "CLIPFERRY_"))}
        env.update({
            "HOME": profile.home, "XDG_CONFIG_HOME": os.path.join(profile.home, ".config"),
            "XDG_DATA_HOME": os.path.join(profile.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(profile.home, ".cache"),
            "DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "LIBGL_ALWAYS_SOFTWARE": "1",
            "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
            # No session bus unless the test gives one.
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent",
        })
        # Qt's widgets reach the accessibility bus only when asked at start.
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # The build tree's translations, which its Qt library does not find beside itself.
        if os.environ.get("CLIPFERRY_QT_TRANSLATIONS"):
            env["CLIPFERRY_QT_TRANSLATIONS"] = os.environ["CLIPFERRY_QT_TRANSLATIONS"]
        if plugin_dir:
            env["OBS_PLUGINS_PATH"] = plugin_dir
            env["OBS_PLUGINS_DATA_PATH"] = plugin_data_dir
        env.update(environment or {})
        self.started = time.monotonic()
        self.stdout = open(os.path.join(profile.home, "obs-stdout.txt"), "ab")
        # OBS looks for its locale and themes relative to the working folder
        # only in portable mode; any folder does. A core file would land here.
        self.workdir = os.path.join(profile.home, "cwd")
        os.makedirs(self.workdir, exist_ok=True)
        self.process = subprocess.Popen(
            [OBS, "--multi", "--disable-updater", "--disable-missing-files-check", "--verbose",
             "--profile", PROFILE, "--collection", COLLECTION],
            cwd=self.workdir, env=env, stdout=self.stdout, stderr=subprocess.STDOUT,
            preexec_fn=allow_core_files)
        self.pid = self.process.pid
        self.log_path = None
        self.ws = None

    def connect(self, timeout=60):
        """Waits until obs-websocket answers and the UI has finished loading."""
        def attempt():
            if self.process.poll() is not None:
                raise Failure(f"OBS exited with {self.process.returncode} while starting:\n{self.log_tail()}")
            try:
                return ObsWebSocket(f"ws://127.0.0.1:{WEBSOCKET_PORT}")
            except (OSError, websocket.WebSocketException):
                return None
        self.ws = wait_for("obs-websocket", attempt, timeout, step=0.2)
        return self.ws

    def log(self):
        """The text of this run's OBS log."""
        if self.log_path is None:
            logs = [path for path in self.profile.logs() if os.path.getmtime(path) >= self._started_wall()]
            if not logs:
                return ""
            self.log_path = logs[-1]
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def _started_wall(self):
        return time.time() - (time.monotonic() - self.started) - 1

    def log_tail(self, lines=60):
        """The end of the OBS log, and of what OBS printed."""
        with open(self.stdout.name, errors="replace") as f:
            printed = f.read().splitlines()[-lines:]
        return "\n".join(self.log().splitlines()[-lines:] + ["--- printed ---"] + printed)

    def wait_log(self, pattern, timeout, after=0):
        """The first match of the regular expression in the log at or after
        offset `after`."""
        expression = re.compile(pattern)

        def found():
            if self.process.poll() is not None:
                raise Failure(f"OBS exited ({self.process.returncode}) before the log showed "
                              f"{pattern!r}:\n{self.log_tail()}")
            return expression.search(self.log(), after)
        return wait_for(f"{pattern!r} in the OBS log", found, timeout)

    def maps(self):
        with open(f"/proc/{self.pid}/maps") as f:
            return f.read()

    def record(self, seconds):
        """Starts recording, records for about `seconds`, stops, and returns
        the path of the file OBS wrote."""
        self.start_recording()
        time.sleep(seconds)
        return self.stop_recording()

    def start_recording(self):
        self.ws.request("StartRecord")
        self.ws.wait_event("RecordStateChanged", 20,
                           lambda data: data.get("outputState") == "OBS_WEBSOCKET_OUTPUT_STARTED")

    def stop_recording(self):
        answer = self.ws.request("StopRecord")
        self.ws.wait_event("RecordStateChanged", 20,
                           lambda data: data.get("outputState") == "OBS_WEBSOCKET_OUTPUT_STOPPED")
        return answer["outputPath"]

    def quit_by_websocket(self, timeout):
        """Quits over obs-websocket, which has no request of its own for it:
        the plugin's vendor request closes the main window through Qt, as its
        close button does. Returns the time until OBS exited, as terminate()
        does."""
        sent = time.monotonic()
        self.ws.request("CallVendorRequest", {"vendorName": "clipferry-obs", "requestType": "Quit"})
        self._disconnect()
        return self.wait_exit(sent, timeout)

    def close_main_window(self, timeout):
        """Quits as a user does, by the main window's close button: the window
        manager's WM_DELETE_WINDOW message, sent straight to the window (no
        window manager runs on Xvfb). obs-websocket v5 has no request that
        quits OBS. Returns the time until OBS exited, as terminate() does."""
        from Xlib import X, Xatom, display as xdisplay, protocol
        self._disconnect()
        screen = xdisplay.Display(self.display)
        try:
            pid_atom = screen.intern_atom("_NET_WM_PID")
            protocols = screen.intern_atom("WM_PROTOCOLS")
            delete = screen.intern_atom("WM_DELETE_WINDOW")
            main = None
            for window in screen.screen().root.query_tree().children:
                owner = window.get_full_property(pid_atom, Xatom.CARDINAL)
                name = window.get_wm_name() or ""
                if owner and owner.value[0] == self.pid and name.startswith("OBS "):
                    main = window
            if main is None:
                raise Failure("OBS's main window was not found")
            message = protocol.event.ClientMessage(window=main, client_type=protocols,
                                                   data=(32, [delete, X.CurrentTime, 0, 0, 0]))
            main.send_event(message, event_mask=X.NoEventMask)
            screen.flush()
        finally:
            screen.close()
        return self.wait_exit(time.monotonic(), timeout)

    def terminate(self, timeout):
        """SIGTERM, then the time until OBS exited (None if it did not
        within timeout; it is killed then)."""
        self._disconnect()
        sent = time.monotonic()
        self.process.send_signal(signal.SIGTERM)
        return self.wait_exit(sent, timeout)

    def _disconnect(self):
        """obs-websocket waits up to 5 s at its unload for a client that
        does not answer its closing handshake; a client that is not reading
        would be counted in the time OBS takes to quit."""
        if self.ws:
            self.ws.close()
            self.ws = None

    def wait_exit(self, since, timeout):
        """The time from `since` until OBS exited; None when it had not
        within `timeout`: then its threads' stacks go into hang.txt beside
        the log, and it is killed."""
        try:
            self.process.wait(timeout)
            return time.monotonic() - since
        except subprocess.TimeoutExpired:
            self.hang_report = os.path.join(self.profile.home, "hang.txt")
            if shutil.which("gdb"):
                with open(self.hang_report, "w") as report:
                    subprocess.run(["gdb", "-p", str(self.pid), "-batch", "-ex", "thread apply all bt"],
                                   stdout=report, stderr=subprocess.STDOUT, timeout=60)
            self.process.kill()
            self.process.wait()
            return None

    def hang_text(self):
        """What OBS was doing when it did not exit, and the end of its log."""
        text = self.log_tail()
        if getattr(self, "hang_report", None) and os.path.exists(self.hang_report):
            with open(self.hang_report, errors="replace") as f:
                text += "\n--- threads ---\n" + f.read()
        return text

    def stop(self):
        """Ends OBS if a test left it running: as a user would, so that the
        plugin's unload runs and logs, else by signals."""
        if self.process.poll() is None and self.ws:
            try:
                self.quit_by_websocket(10)
            except Exception:
                pass
        self._disconnect()
        if self.process.poll() is None:
            try:
                self.close_main_window(10)
            except Exception:
                pass
        stop_process(self.process, 10)
        self.stdout.close()

    def core_files(self):
        return glob.glob(os.path.join(self.workdir, "core*"))


class Accessibility:
    """OBS's widgets as a screen reader sees them (AT-SPI): how a test finds
    a button it did not place and presses it. Spoken to straight over the
    accessibility bus, OBS found by its process id: the registry's list of
    applications, which libatspi would read, now and then lacks an OBS whose
    widgets are on the bus all the same. Made before OBS starts, on OBS's
    screen: see announce()."""

    ACCESSIBLE = "org.a11y.atspi.Accessible"
    ROOT = "/org/a11y/atspi/accessible/root"
    SHOWING = 25  # ATSPI_STATE_SHOWING

    def __init__(self, display):
        import dbus
        self.dbus = dbus
        session = dbus.SessionBus()
        address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
        self.bus = dbus.bus.BusConnection(str(address))
        self.announce(display, str(address))

    @staticmethod
    def announce(display, address):
        """The bus's address on the screen's root window, as a desktop's
        launcher puts it. Qt 5.15 then connects to the bus before it exports
        its widgets; found only through the session bus, with the bus already
        up, it exports them to a connection not yet made, and no widget of
        OBS is ever on the bus (one start in two, here)."""
        from Xlib import X, Xatom, display as xdisplay
        screen = xdisplay.Display(display)
        try:
            screen.screen().root.change_property(screen.intern_atom("AT_SPI_BUS"), Xatom.STRING, 8,
                                                 address.encode(), X.PropModeReplace)
            screen.sync()
        finally:
            screen.close()

    def _application(self, pid):
        """The connection of `pid` that serves the root of a widget tree (a
        process may hold others on the bus)."""
        daemon = self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        for name in daemon.ListNames(dbus_interface="org.freedesktop.DBus"):
            if not name.startswith(":"):
                continue
            try:
                if daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus") != pid:
                    continue
                root = self.bus.get_object(str(name), self.ROOT, introspect=False)
                root.GetRoleName(dbus_interface=self.ACCESSIBLE)
                return str(name)
            except self.dbus.DBusException:
                continue
        return None

    def _nodes(self, name, path, depth=0):
        node = self.bus.get_object(name, path, introspect=False)
        yield node
        if depth > 40:
            return
        for child_name, child_path in node.GetChildren(dbus_interface=self.ACCESSIBLE):
            yield from self._nodes(str(child_name), str(child_path), depth + 1)

    def _describe_node(self, node):
        role = str(node.GetRoleName(dbus_interface=self.ACCESSIBLE))
        name = str(node.Get(self.ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties"))
        states = node.GetState(dbus_interface=self.ACCESSIBLE)
        showing = bool(states[self.SHOWING // 32] & (1 << (self.SHOWING % 32)))
        return role, name, showing

    def find_all(self, pid, role, name):
        """Every showing widget of process `pid` whose role and name match the
        regular expressions."""
        application = self._application(pid)
        if application is None:
            return []
        expression = re.compile(name)
        found = []
        for node in self._nodes(application, self.ROOT):
            try:
                node_role, node_name, showing = self._describe_node(node)
            except self.dbus.DBusException:
                continue
            if showing and re.fullmatch(role, node_role) and expression.search(node_name):
                found.append(node)
        return found

    def wait(self, pid, role, name, timeout):
        try:
            return wait_for(f"a {role} named {name!r}", lambda: (self.find_all(pid, role, name) or [None])[0],
                            timeout, step=0.3)
        except Failure as failure:
            raise Failure(f"{failure}; the widgets of that role:\n" + "\n".join(self.describe(pid, role))) from None

    def describe(self, pid, role):
        application = self._application(pid)
        if application is None:
            return [f"(process {pid} is not on the accessibility bus)"]
        lines = []
        for node in self._nodes(application, self.ROOT):
            try:
                node_role, node_name, showing = self._describe_node(node)
            except self.dbus.DBusException as error:
                lines.append(f"  ({error})")
                continue
            if re.fullmatch(role, node_role):
                lines.append(f"  {node_name!r} showing={showing}")
        return lines

    def press(self, node):
        """What a click does: the widget's first action."""
        node.DoAction(0, dbus_interface="org.a11y.atspi.Action")
