"""How long OBS's event loop stalls while clipferry-obs works: OBS records
until its file passes a size (1 GiB by default), the plugin publishes it
after the stop (hashing, login, upload), then the offer's dialog logs in and
fetches the lists. Prints the plugin's own stall lines (CLIPFERRY_OBS_STALL_LOG)
for each phase. Run through run.sh, which gives it the tests' namespaces.

  event_loop_stalls.py PLUGIN_DIR DATA_DIR [BYTES]
"""

import os
import re
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "obs"))
import obs_host  # noqa: E402
from conftest import Service, publishing_settings, remember_login  # noqa: E402


def stall_lines(obs):
    return [line for line in obs.log().splitlines() if "[clipferry-obs] stall" in line]


def main():
    plugin_dir, data_dir = sys.argv[1], sys.argv[2]
    size = int(sys.argv[3]) if len(sys.argv) > 3 else 1 << 30
    work = tempfile.mkdtemp(prefix="obs-stalls-")
    service = Service()
    service.json("POST", "settings", {"store_uploads": False})  # hashed and counted only
    remember_login()
    screen = obs_host.Xvfb(work)
    accessibility = obs_host.Accessibility(screen.display)

    def start(profile):
        obs = obs_host.Obs(profile, screen.display, plugin_dir=plugin_dir, plugin_data_dir=data_dir,
                           environment={"CLIPFERRY_PROXY_SERVER": f"127.0.0.1:{service.port}",
                                        "CLIPFERRY_OBS_STALL_LOG": "1",
                                        "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"]})
        obs.connect()
        obs.wait_log(r"\[clipferry-obs\] loaded", 20)
        return obs

    try:
        # x264 at a constant 900 Mbit/s (filler) makes the gigabyte in seconds.
        profile = obs_host.Profile(os.path.join(work, "publish"), os.path.join(work, "recordings"),
                                   publishing_settings("publish"), video_kbps=900_000)
        obs = start(profile)
        try:
            obs.ws.request("StartRecord")
            started = time.monotonic()
            obs_host.wait_for(f"a recording of {size} bytes", lambda: recording_size(profile) >= size, 600, 0.2)
            recording = obs.ws.request("StopRecord")["outputPath"]
            print(f"recorded {os.path.getsize(recording)} bytes in {time.monotonic() - started:.1f} s")
            sent = time.monotonic()
            obs.wait_log(r"\[clipferry-obs\] (published|not published) ", 900)
            print(f"published in {time.monotonic() - sent:.1f} s after the stop:",
                  re.findall(r"\[clipferry-obs\] (?:published|not published) .*", obs.log())[-1])
            uploads = service.uploads()
            print("the service received the file whole:", uploads[-1]["size"] if uploads else None,
                  "bytes;", os.path.getsize(recording), "on disk")
        finally:
            obs.stop()
        print("\n".join(stall_lines(obs)))

        profile = obs_host.Profile(os.path.join(work, "offer"), os.path.join(work, "recordings-offer"),
                                   publishing_settings("offer"), video_kbps=500)
        obs = start(profile)
        try:
            obs.record(1)
            accessibility.press(accessibility.wait(obs.pid, "push button", r"^Publish…$", 20))
            accessibility.wait(obs.pid, "tree item|table cell|check box", r"^Film & Animation$", 30)
        finally:
            obs.stop()
        print("\n".join(stall_lines(obs)))
    finally:
        screen.stop()
        service.stop()


def recording_size(profile):
    sizes = [os.path.getsize(os.path.join(profile.record_dir, name)) for name in os.listdir(profile.record_dir)]
    return max(sizes, default=0)


if __name__ == "__main__":
    main()
