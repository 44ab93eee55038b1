// The blocking calls, made on the worker thread: arguments to the library's
// UTF-16, callbacks gathered into Qt values, results into signals.
#include "upload_worker.h"

#include <chrono>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include <clipferry.h>
#include <clipferry-common/results.h>
#include <clipferry-common/file_types.h>
#include <clipferry-common/form_rules.h>

#include "utf16.h"

namespace Clipferry::detail {

namespace rules = ::clipferry::rules;

namespace {

// No context could be made: the library's own word for it.
constexpr int32_t kOutOfMemory = ::clipferry::results::code::OUT_OF_MEMORY;
// The progress callback comes many times a second; the window needs a few,
// and one a second while nothing moves, so that it can say so.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr auto kStillInterval = std::chrono::seconds(1);

struct ProgressState {
    const CancelState* cancel;
    std::function<void(qint64, qint64)> emitProgress;
    bool everyByteSent = false;
    qint64 seenSent = 0;  // as the library last reported it, emitted or not
    qint64 seenTotal = 0;
    qint64 lastSent = -1;
    qint64 lastTotal = -1;
    std::chrono::steady_clock::time_point lastEmitted{};
};

// No exception may leave a callback: the library is in the middle of a transfer.
int CLIPFERRY_CALL onProgress(void* data, double, double, double ultotal, double ulnow) {
    auto* state = static_cast<ProgressState*>(data);
    try {
        const auto sent = static_cast<qint64>(ulnow);
        const auto total = static_cast<qint64>(ultotal);
        if (total > 0 && sent >= total) state->everyByteSent = true;
        state->seenSent = sent;
        state->seenTotal = total;
        const auto now = std::chrono::steady_clock::now();
        const bool changed = sent != state->lastSent || total != state->lastTotal;
        const auto since = now - state->lastEmitted;
        if ((changed && (since >= kProgressInterval || sent == total || state->lastTotal != total)) ||
            since >= kStillInterval) {
            state->lastSent = sent;
            state->lastTotal = total;
            state->lastEmitted = now;
            state->emitProgress(sent, total);
        }
    } catch (...) {
        return 1;  // cannot report, so stop rather than send blind
    }
    return state->cancel->cancelled() ? 1 : 0;
}

void CLIPFERRY_CALL onCategory(int32_t id, const clipferry_char* name, int32_t, void* userData) {
    try {
        static_cast<QList<Category>*>(userData)->append(Category(id, fromLibrary(name)));
    } catch (...) {
    }
}

void CLIPFERRY_CALL onModerator(int32_t id, const clipferry_char* first, const clipferry_char* last, int32_t,
                                void* userData) {
    try {
        static_cast<QList<Moderator>*>(userData)->append(Moderator(id, fromLibrary(first), fromLibrary(last)));
    } catch (...) {
    }
}

// The list is cut to the buffer: one that fills it may go on, so it is asked
// for again with four times the room, up to more than any answer can hold.
int32_t fileTypesInto(void* ferry, std::vector<clipferry_char>& buffer) {
    constexpr std::size_t kFirstUnits = 4096;
    constexpr std::size_t kMostUnits = std::size_t(1) << 26;  // the library reads answers of 64 MiB at most
    for (std::size_t units = kFirstUnits;; units *= 4) {
        buffer.assign(units, 0);
        const int32_t result = CLIPFERRY_GetFileTypes(ferry, buffer.data(), uint32_t(units));
        if (result != CLIPFERRY_OK) return result;
        if (std::char_traits<clipferry_char>::length(buffer.data()) < units - 1 || units >= kMostUnits) {
            return result;
        }
    }
}

}  // namespace

void UploadWorker::Release::operator()(void* context) const { CLIPFERRY_Release(context); }

UploadWorker::UploadWorker(std::shared_ptr<CancelState> cancel) : cancel_(std::move(cancel)) {}

UploadWorker::~UploadWorker() = default;

void* UploadWorker::context() {
    if (!context_) context_.reset(CLIPFERRY_Init());
    return context_.get();
}

void UploadWorker::login(const QString& user, const QString& password) {
    if (cancel_->gone()) return;
    void* ferry = context();
    const int32_t result = ferry ? CLIPFERRY_Login(ferry, toLibrary(user), toLibrary(password)) : kOutOfMemory;
    emit loginAnswered(result);
}

void UploadWorker::logOut() { context_.reset(); }

void UploadWorker::callFailed(Uploader::Call call, int result) {
    report([call, result](Uploader& uploader) { emit uploader.callFailed(call, result, Uploader::resultText(result)); });
}

void UploadWorker::fetchFileTypes() {
    if (cancel_->gone()) return;
    void* ferry = context();
    std::vector<clipferry_char> buffer;
    int32_t result = kOutOfMemory;
    try {
        result = ferry ? fileTypesInto(ferry, buffer) : kOutOfMemory;
    } catch (const std::bad_alloc&) {
    }
    if (result != CLIPFERRY_OK) {
        callFailed(Uploader::Call::FileTypes, result);
        return;
    }
    QStringList patterns;
    for (const std::string& pattern : rules::splitFileTypes(fromLibrary(buffer.data()).toStdString())) {
        patterns << QString::fromStdString(pattern);
    }
    report([patterns](Uploader& uploader) { emit uploader.fileTypesReceived(patterns); });
}

void UploadWorker::fetchCategories(int parent) {
    if (cancel_->gone()) return;
    void* ferry = context();
    QList<Category> children;
    const int32_t result =
        ferry ? CLIPFERRY_GetCategories(ferry, parent, &children, onCategory, nullptr) : kOutOfMemory;
    if (result != CLIPFERRY_OK) {
        callFailed(Uploader::Call::Categories, result);
        return;
    }
    report([parent, children](Uploader& uploader) { emit uploader.categoriesReceived(parent, children); });
}

void UploadWorker::fetchModerators() {
    if (cancel_->gone()) return;
    void* ferry = context();
    QList<Moderator> list;
    const int32_t result = ferry ? CLIPFERRY_GetModerators(ferry, &list, onModerator, nullptr) : kOutOfMemory;
    if (result == CLIPFERRY_BAD_ARGUMENT) {
        // The account may not choose one (or is not logged in).
        report([](Uploader& uploader) { emit uploader.moderatorsReceived({}, false); });
    } else if (result != CLIPFERRY_OK) {
        callFailed(Uploader::Call::Moderators, result);
    } else {
        report([list](Uploader& uploader) { emit uploader.moderatorsReceived(list, true); });
    }
}

void UploadWorker::upload(const Upload& upload) {
    const Verdict verdict = send(upload);
    cancel_->finished();
    report([verdict](Uploader& uploader) { emit uploader.uploadFinished(verdict); });
}

Verdict UploadWorker::send(const Upload& upload) {
    Verdict verdict;
    void* ferry = context();
    if (!ferry) {
        verdict.setResult(kOutOfMemory);
        return verdict;
    }
    if (cancel_->cancelled()) {  // cancelled while it waited its turn: nothing is sent
        verdict.setResult(CLIPFERRY_ABORTED);
        verdict.setCancelled(true);
        return verdict;
    }
    const QList<int> chosen = upload.categories();
    int32_t categories[rules::kMostCategories] = {0, 0, 0};
    for (int i = 0; i < chosen.size() && i < rules::kMostCategories; ++i) categories[i] = chosen[i];
    const QString tags = QString::fromStdString(rules::tagsAsWords(upload.tags().toStdString()));
    const auto progress = [this](qint64 sent, qint64 total) {
        report([sent, total](Uploader& uploader) { emit uploader.uploadProgress(sent, total); });
    };
    ProgressState state{cancel_.get(), progress};
    clipferry_char message[4096] = {0};
    const int32_t result = CLIPFERRY_DoUpload(ferry, toLibrary(upload.file()), toLibrary(upload.title()),
                                              toLibrary(upload.description()), toLibrary(tags), upload.moderator(),
                                              categories[0], categories[1], categories[2], message, 4096,
                                              onProgress, &state);
    // The last report may have come between two emitted ones: the window
    // shows where the upload ended, and how far it got when it broke off.
    if (state.seenSent != state.lastSent || state.seenTotal != state.lastTotal) {
        progress(state.seenSent, state.seenTotal);
    }
    verdict.setResult(result);
    verdict.setAccepted(result == CLIPFERRY_OK);
    verdict.setMessage(fromLibrary(message));
    verdict.setCancelled(result == CLIPFERRY_ABORTED && cancel_->cancelled());
    verdict.setMayHaveBeenReceived(
        ::clipferry::results::mayHaveBeenReceived(result, state.everyByteSent, verdict.message().isEmpty()));
    return verdict;
}

}  // namespace Clipferry::detail
