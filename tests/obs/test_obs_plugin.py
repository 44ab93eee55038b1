"""clipferry-obs inside the real OBS Studio: a recording made over
obs-websocket is published after it stops, the prompt opens the dialog, OBS
quits cleanly in the middle of an upload, and OBS's libcurl and ours work in
one process."""

import datetime
import os
import re
import time

import pytest

import obs_host
from conftest import dump, published_record, publishing_settings, sha256

SCREENSHOT = os.environ.get("CLIPFERRY_OBS_SCREENSHOT")


def titles_for(recording, pattern="Take {date} {time}"):
    """The titles the pattern may give: OBS names the file after the moment it
    started recording, and the file is born within that second, or just after."""
    stamp = datetime.datetime.strptime(os.path.basename(recording)[:19], "%Y-%m-%d_%H-%M-%S")
    return {pattern.format(date=moment.strftime("%Y-%m-%d"), time=moment.strftime("%H:%M"))
            for moment in (stamp, stamp + datetime.timedelta(seconds=2))}


def new_profile(tmp_path, settings, **options):
    return obs_host.Profile(str(tmp_path / "home"), str(tmp_path / "recordings"), settings, **options)


def mapped_libraries(obs):
    return {os.path.basename(line.split()[-1]) for line in obs.maps().splitlines()
            if len(line.split()) >= 6 and line.split()[-1].startswith("/")}


def test_a_stopped_recording_is_published_once_with_both_libcurls_mapped(tmp_path, service, slow_link, start_obs):
    relay = slow_link(512 * 1024)
    profile = new_profile(tmp_path, publishing_settings("publish"))
    obs = start_obs(profile, relay.port)
    recording = obs.record(3)
    obs.wait_log(r"\[clipferry-obs\] publishing .* as ", 30)

    # While the upload goes out over the slow link, OBS's own libcurl (which
    # already ran its start-up update check, and failed without a network)
    # and the one the library loaded are both in the process.
    wait_for_upload_under_way(relay)
    libraries = mapped_libraries(obs)
    assert "libcurl-gnutls.so.4" in {re.sub(r"\.4\..*", ".4", name) for name in libraries}, sorted(libraries)
    assert "libcurl.so.4" in {re.sub(r"\.4\..*", ".4", name) for name in libraries}, sorted(libraries)
    assert re.search(r"Remote update of URL .* failed: Could not resolve host", obs.log())

    obs.wait_log(r"\[clipferry-obs\] published .*: accepted", 120)
    uploads = service.uploads()
    assert len(uploads) == 1, dump(uploads)
    upload = uploads[0]
    fields = dict(upload["fields"])
    assert (upload["status"], upload["filename"]) == ("SUCCESS", os.path.basename(recording))
    # Byte for byte what OBS wrote.
    assert (upload["size"], upload["sha256"]) == (os.path.getsize(recording), sha256(recording))
    assert fields["title"] in titles_for(recording), fields
    assert [fields.get(name) for name in ("description", "tags", "category1", "category2", "moderator")] == \
        ["Recorded in OBS", "obs colour", "1", "21", "501"], fields
    assert [row[:2] for row in published_record(profile)] == [[sha256(recording), "published"]]

    # OBS again on the same profile, and a recording that stops on the same
    # file. OBS cannot write the same bytes twice (the frame count follows the
    # clock), so once OBS has its new file open, the published one is bound
    # over that path: OBS goes on writing to the file it opened, and the path
    # it names at the stop holds, byte for byte, what was published.
    assert obs.quit_by_websocket(10) is not None, obs.hang_text()
    again = start_obs(profile, relay.port)
    again.start_recording()
    second = obs_host.wait_for("OBS's second recording", lambda: [
        path for path in (os.path.join(profile.record_dir, name) for name in os.listdir(profile.record_dir))
        if path != recording and os.path.getsize(path) > 0], 20)[0]
    with obs_host.bound_over(recording, second):
        time.sleep(1)
        assert again.stop_recording() == second
        again.wait_log(r"\[clipferry-obs\] already published, not sent again: " + re.escape(second), 30)
        assert sha256(second) == sha256(recording)
    assert len(service.uploads()) == 1
    assert [request["path"] for request in service.requests()].count("/upload") == 1


def wait_for_upload_under_way(relay):
    """Until the relay has passed on more than a form's text: file bytes."""
    obs_host.wait_for("the upload under way", lambda: relay.forwarded() > 64 * 1024, 60)


# The plugin's offer and the dialog in the language chosen in OBS's settings.
OFFER_WORDS = {
    "en-US": ("^Publish…$", "^Publish to Lumivid$", "^Logged in to Lumivid as demo"),
    "de-DE": ("^Veröffentlichen…$", "^Auf Lumivid veröffentlichen$", "^Bei Lumivid angemeldet als demo"),
}


@pytest.mark.parametrize("language", sorted(OFFER_WORDS, reverse=True))
def test_b_the_offer_opens_the_dialog(tmp_path, service, start_obs, screen, accessibility, language):
    offer, title, logged_in = OFFER_WORDS[language]
    settings = publishing_settings("offer")
    settings["General"] = {"Language": language}
    profile = new_profile(tmp_path, settings, video_kbps=500)
    obs = start_obs(profile, service.port)
    recording = obs.record(2)
    obs.wait_log(r"\[clipferry-obs\] offered: " + re.escape(recording), 20)

    # The prompt is in the dock, beside OBS's controls; the button as a user
    # (or a screen reader) finds it.
    try:
        button = accessibility.wait(obs.pid, "push button", offer, 20)
    except obs_host.Failure as failure:
        raise obs_host.Failure(f"{failure}\n{obs.log_tail(30)}") from None
    accessibility.press(button)
    accessibility.wait(obs.pid, "dialog|frame", title, 20)
    # It logs in with the remembered login and fills the form from the lists.
    accessibility.wait(obs.pid, "label", logged_in, 30)
    accessibility.wait(obs.pid, "tree item|table cell|check box", r"^Film & Animation$", 30)
    assert service.uploads() == []  # opening the dialog sends nothing
    # The offer was taken: the plugin no longer offers the file.
    status = obs.ws.request("CallVendorRequest", {"vendorName": "clipferry-obs", "requestType": "Status"})
    assert (status["responseData"]["offered"], status["responseData"]["dialog"]) == ("", "form"), status
    if SCREENSHOT and language == "en-US":
        time.sleep(1)  # the last paint on llvmpipe
        screen.screenshot(SCREENSHOT)


@pytest.mark.parametrize("quit_by", ["websocket", "sigterm"])
def test_c_quitting_mid_upload(tmp_path, service, slow_link, start_obs, quit_by):
    relay = slow_link(64 * 1024)
    profile = new_profile(tmp_path, publishing_settings("publish"))
    obs = start_obs(profile, relay.port)
    recording = obs.record(3)
    wait_for_upload_under_way(relay)

    took = obs.quit_by_websocket(5) if quit_by == "websocket" else obs.terminate(5)
    print(f"OBS quit by {quit_by} {took} s after it was asked, mid-upload")
    assert took is not None, f"OBS did not exit within 5 s of {quit_by}:\n{obs.hang_text()}"
    # A crash shows as death by a signal other than ours, a core file or
    # OBS's own crash report.
    expected_status = 0 if quit_by == "websocket" else -15
    assert obs.process.returncode == expected_status, obs.log_tail()
    assert obs.core_files() == [] and profile.crash_reports() == []
    if quit_by == "websocket":
        # Only the orderly way runs the module's unload; OBS 29 has no
        # handler for SIGTERM, and dies of it at once.
        assert re.search(r"\[clipferry-obs\] exit: threads ended after \d+ ms", obs.log()), obs.log_tail()

    # The service saw the form cut short, and took nothing.
    def cut_upload():
        relay.wait_idle()
        uploads = [r for r in service.requests() if r["path"] == "/upload"]
        return uploads[0] if uploads else None
    request = obs_host.wait_for("the cut upload in the service's log", cut_upload, 30)
    declared = int(dict((k.lower(), v) for k, v in request["headers"])["content-length"])
    assert 0 < request["body_size"] < declared, (request["body_size"], declared)
    assert service.uploads() == []
    assert not [row for row in published_record(profile) if row[0] == sha256(recording)]
