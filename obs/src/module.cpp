// The module's entry points for OBS: the host is made when OBS has loaded
// its window and ended at exit or unload, whichever comes first, waiting
// (2 s at most) for the library's threads so that none is left inside code
// OBS may unload.
#include <QElapsedTimer>
#include <QMainWindow>

#include <memory>

#include <clipferry-qt/Uploader.h>

#include <obs-frontend-api.h>
#include <obs-module.h>

#include "plugin_host.h"
#include "websocket_requests.h"

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("clipferry-obs", "en-US")

namespace {

constexpr int kLeaveWithinMs = 2000;

std::unique_ptr<ClipferryObs::PluginHost> host;

QString recordFile() {
    char* path = obs_module_config_path("published.tsv");
    const QString file = path ? QString::fromUtf8(path) : QString();
    bfree(path);
    return file;
}

void leave() {
    if (!host) return;
    QElapsedTimer took;
    took.start();
    host.reset();
    if (Clipferry::Uploader::waitForThreads(kLeaveWithinMs)) {
        blog(LOG_INFO, "[clipferry-obs] exit: threads ended after %lld ms", static_cast<long long>(took.elapsed()));
    } else {
        blog(LOG_WARNING, "[clipferry-obs] exit: threads did not end within %d ms", kLeaveWithinMs);
    }
}

void onEvent(enum obs_frontend_event event, void*) {
    switch (event) {
    case OBS_FRONTEND_EVENT_FINISHED_LOADING:
        if (!host) {
            auto* main = static_cast<QMainWindow*>(obs_frontend_get_main_window());
            host = std::make_unique<ClipferryObs::PluginHost>(main, recordFile());
        }
        break;
    case OBS_FRONTEND_EVENT_RECORDING_STOPPED:
        if (host) host->recordingStopped();
        break;
    case OBS_FRONTEND_EVENT_EXIT:
        // obs-websocket is still loaded now; at unload it may be gone.
        ClipferryObs::unregisterWebsocketRequests();
        leave();
        break;
    default:
        break;
    }
}

}  // namespace

MODULE_EXPORT const char* obs_module_description(void) { return "Publish recordings to Lumivid"; }

bool obs_module_load(void) {
    obs_frontend_add_event_callback(onEvent, nullptr);
    return true;
}

void obs_module_post_load(void) { ClipferryObs::registerWebsocketRequests(); }

void obs_module_unload(void) {
    obs_frontend_remove_event_callback(onEvent, nullptr);
    leave();
}
