// obs-websocket's plugin interface is a procedure handler of its own, reached
// through libobs's global one: a vendor is registered by name, then each
// request type with a callback and its data.
#include "websocket_requests.h"

#include <QMetaObject>

#include <mutex>

#include <obs-module.h>

#include "plugin_host.h"

namespace ClipferryObs {

namespace {

using RequestFunction = void (*)(obs_data_t* request, obs_data_t* response, void* data);
// The layout obs-websocket reads the callback from.
struct RequestCallback {
    RequestFunction callback;
    void* data;
};

struct Shared {
    std::mutex mutex;
    PluginHost* host = nullptr;  // cleared first thing in its destructor
    DockStatus status;
    proc_handler_t* handler = nullptr;
    void* vendor = nullptr;
};

Shared& shared() {
    static Shared value;
    return value;
}

QString field(obs_data_t* request, const char* name) {
    return request ? QString::fromUtf8(obs_data_get_string(request, name)) : QString();
}

// Posts `action` to the host on OBS's UI thread; false when there is no host.
template <typename Action>
bool post(Action action) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.host) return false;
    // Dropped by Qt if the host is gone before OBS's UI thread runs it.
    PluginHost* host = s.host;
    return QMetaObject::invokeMethod(host, [host, action] { action(*host); }, Qt::QueuedConnection);
}

void answer(obs_data_t* response, bool done) { obs_data_set_bool(response, "done", done); }

void status(obs_data_t*, obs_data_t* response, void*) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    obs_data_set_string(response, "dock", s.status.words.toUtf8().constData());
    obs_data_set_string(response, "offered", s.status.offered.toUtf8().constData());
    obs_data_set_string(response, "dialog", s.status.dialogPage.toUtf8().constData());
}

void publishFile(obs_data_t* request, obs_data_t* response, void*) {
    const QString path = field(request, "path");
    answer(response, !path.isEmpty() && post([path](PluginHost& host) { host.publishAutomatically(path); }));
}

void openPublishDialog(obs_data_t* request, obs_data_t* response, void*) {
    const QString path = field(request, "path");
    answer(response, post([path](PluginHost& host) { host.openPublishDialog(path); }));
}

void takeOffer(obs_data_t*, obs_data_t* response, void*) {
    answer(response, post([](PluginHost& host) { host.takeOffer(); }));
}

void cancelUpload(obs_data_t*, obs_data_t* response, void*) {
    answer(response, post([](PluginHost& host) { host.cancelFromDock(); }));
}

void quitObs(obs_data_t*, obs_data_t* response, void*) {
    answer(response, post([](PluginHost& host) { host.quitObs(); }));
}

struct Request {
    const char* type;
    RequestFunction function;
};
const Request kRequests[] = {{"Status", status},
                             {"PublishFile", publishFile},
                             {"OpenPublishDialog", openPublishDialog},
                             {"TakeOffer", takeOffer},
                             {"CancelUpload", cancelUpload},
                             {"Quit", quitObs}};

bool callVendor(const char* procedure, calldata_t* data) {
    Shared& s = shared();
    calldata_set_ptr(data, "vendor", s.vendor);
    proc_handler_call(s.handler, procedure, data);
    return calldata_bool(data, "success");
}

}  // namespace

void registerWebsocketRequests() {
    Shared& s = shared();
    calldata_t data = {};
    if (proc_handler_call(obs_get_proc_handler(), "obs_websocket_api_get_ph", &data)) {
        s.handler = static_cast<proc_handler_t*>(calldata_ptr(&data, "ph"));
    }
    calldata_free(&data);
    if (!s.handler) return;  // no obs-websocket
    calldata_t named = {};
    calldata_set_string(&named, "name", "clipferry-obs");
    proc_handler_call(s.handler, "vendor_register", &named);
    s.vendor = calldata_ptr(&named, "vendor");
    calldata_free(&named);
    if (!s.vendor) return;
    for (const Request& request : kRequests) {
        RequestCallback callback{request.function, nullptr};
        calldata_t call = {};
        calldata_set_string(&call, "type", request.type);
        calldata_set_ptr(&call, "callback", &callback);
        if (!callVendor("vendor_request_register", &call)) {
            blog(LOG_WARNING, "[clipferry-obs] obs-websocket refused the request %s", request.type);
        }
        calldata_free(&call);
    }
}

void unregisterWebsocketRequests() {
    Shared& s = shared();
    if (!s.vendor) return;
    for (const Request& request : kRequests) {
        calldata_t call = {};
        calldata_set_string(&call, "type", request.type);
        callVendor("vendor_request_unregister", &call);
        calldata_free(&call);
    }
    s.vendor = nullptr;
}

void setRequestTarget(PluginHost* host) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.host = host;
}

void setDockStatus(const DockStatus& status) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.status = status;
}

}  // namespace ClipferryObs
