// Requests a remote control (and the tests in the real OBS) sends through
// obs-websocket's CallVendorRequest, vendor "clipferry-obs": what the dock
// says, and the plugin's own actions (publish a file, open the dialog, take
// the offer, cancel). obs-websocket calls them on its own thread; each is
// posted to OBS's UI thread and answered at once.
#pragma once

#include <QString>

namespace ClipferryObs {

class PluginHost;

// What the dock shows, copied for the requests' thread.
struct DockStatus {
    QString words;
    QString offered;  // the recording offered, while the offer shows
    QString dialogPage;  // "login", "form", "sending", "verdict", or empty without a dialog
};

// From obs_module_post_load, once obs-websocket is loaded; without it, nothing.
void registerWebsocketRequests();
// At OBS's exit, while obs-websocket is still there.
void unregisterWebsocketRequests();
// The host the requests act on; nullptr once it is gone.
void setRequestTarget(PluginHost* host);
void setDockStatus(const DockStatus& status);

}  // namespace ClipferryObs
