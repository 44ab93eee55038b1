// The steps of an automatic publication, each answered by a signal or a
// posted fingerprint; every way out goes through end(), which says why in
// the dock and in OBS's log and starts the next recording. Nothing is retried.
#include "auto_publisher.h"

#include <QFileInfo>

#include <clipferry.h>
#include <obs-module.h>

#include "hasher.h"
#include "obs_texts.h"
#include "publish_dock.h"
#include "published_record.h"
#include "stall_meter.h"
#include "title_pattern.h"
#include "verdict_text.h"

namespace ClipferryObs {

AutoPublisher::AutoPublisher(Hasher& hasher, PublishedRecord& record, StallMeter& meter, QObject* parent)
    : QObject(parent), hasher_(hasher), record_(record), meter_(meter), uploader_(std::make_unique<Clipferry::Uploader>()) {
    using U = Clipferry::Uploader;
    connect(uploader_.get(), &U::loggedIn, this, [this] {
        if (step_ == Step::LoggingIn) send();
    });
    connect(uploader_.get(), &U::loginFailed, this, [this](int result, const QString& words) {
        if (step_ != Step::LoggingIn) return;
        // Logging in once with "remember me" mends only a missing or refused login.
        const bool loginToMend = result == CLIPFERRY_BAD_ARGUMENT || result == CLIPFERRY_REFUSED;
        end(text(loginToMend ? "Dock.LoginToMend" : "Dock.LoginFailed").arg(fileName(), words),
            QStringLiteral("login failed: %1 (result %2)").arg(words).arg(result));
    });
    connect(uploader_.get(), &U::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (step_ == Step::Sending && dock_) dock_->showProgress(sent, total);
    });
    connect(uploader_.get(), &U::uploadFinished, this, [this](const Clipferry::Verdict& verdict) { finished(verdict); });
}

AutoPublisher::~AutoPublisher() = default;

void AutoPublisher::setDock(PublishDock* dock) {
    dock_ = dock;
    if (dock_) connect(dock_, &PublishDock::cancelClicked, this, [this] { cancel(); });
}

void AutoPublisher::publish(const QString& path, const PluginSettings& settings) {
    waiting_.append({path, settings, {}});
    if (step_ == Step::Idle) startNext();
}

void AutoPublisher::cancel() {
    waiting_.clear();
    switch (step_) {
    case Step::Idle: return;
    case Step::Sending: uploader_->cancel(); return;  // finished() says what came of it
    case Step::Hashing:
    case Step::LoggingIn:
        ++generation_;
        end(text("Dock.Cancelled").arg(fileName()), QStringLiteral("cancelled"));
        return;
    }
}

void AutoPublisher::startNext() {
    if (waiting_.isEmpty()) {
        step_ = Step::Idle;
        meter_.setPhase(QStringLiteral("idle"));
        return;
    }
    job_ = waiting_.takeFirst();
    step_ = Step::Hashing;
    meter_.setPhase(QStringLiteral("hashing"));
    if (dock_) dock_->showWorking(text("Dock.Checking").arg(fileName()), true);
    const int generation = ++generation_;
    hasher_.hash(job_.path, this, [this, generation](const Fingerprint& answer) {
        if (generation == generation_ && step_ == Step::Hashing) hashed(answer.sha256, answer.error);
    });
}

void AutoPublisher::hashed(const QByteArray& sha256, const QString& error) {
    if (sha256.isEmpty()) {
        end(text("Dock.Unreadable").arg(fileName(), error), QStringLiteral("could not read it: ") + error);
        return;
    }
    job_.sha256 = sha256;
    const RecordState known = record_.find(sha256);
    if (known != RecordState::Unknown) {
        blog(LOG_INFO, "[clipferry-obs] already published, not sent again: %s", job_.path.toUtf8().constData());
        if (dock_) dock_->showOutcome(text(known == RecordState::Published ? "Dock.AlreadyPublished" : "Dock.AlreadyMaybe").arg(fileName()));
        startNext();
        return;
    }
    if (job_.settings.categories.isEmpty()) {
        end(text("Dock.NoCategories").arg(fileName()), QStringLiteral("no categories in the settings"));
        return;
    }
    if (uploader_->isLoggedIn() && (job_.settings.user.isEmpty() || job_.settings.user == uploader_->user())) {
        send();
    } else {
        logIn();
    }
}

void AutoPublisher::logIn() {
    step_ = Step::LoggingIn;
    meter_.setPhase(QStringLiteral("login"));
    if (dock_) dock_->showWorking(text("Dock.LoggingIn"), true);
    uploader_->logInRemembered(job_.settings.user);
}

void AutoPublisher::send() {
    step_ = Step::Sending;
    meter_.setPhase(QStringLiteral("upload"));
    Clipferry::Upload upload;
    upload.setFile(job_.path);
    upload.setTitle(expandTitle(job_.settings.titlePattern, recordingStart(job_.path), job_.path));
    upload.setDescription(job_.settings.description);
    upload.setTags(job_.settings.tags);
    upload.setCategories(job_.settings.categories);
    upload.setModerator(job_.settings.moderator);
    blog(LOG_INFO, "[clipferry-obs] publishing %s as \"%s\"", job_.path.toUtf8().constData(), upload.title().toUtf8().constData());
    if (dock_) dock_->showWorking(text("Dock.Sending").arg(fileName(), upload.title()), true);
    uploader_->upload(upload);
}

void AutoPublisher::finished(const Clipferry::Verdict& verdict) {
    if (step_ != Step::Sending) return;
    if (verdict.accepted() || verdict.mayHaveBeenReceived()) {
        QString error;
        const RecordState state = verdict.accepted() ? RecordState::Published : RecordState::MayHaveBeenReceived;
        if (!record_.note(job_.sha256, state, job_.path, &error)) {
            blog(LOG_WARNING, "[clipferry-obs] could not note %s as sent: %s", job_.path.toUtf8().constData(),
                 error.toUtf8().constData());
        }
    }
    if (verdict.accepted()) {
        blog(LOG_INFO, "[clipferry-obs] published %s: accepted", job_.path.toUtf8().constData());
        if (dock_) dock_->showOutcome(verdictSentence(verdict, fileName()));
        startNext();
        return;
    }
    end(verdictSentence(verdict, fileName()), QStringLiteral("%1 (result %2)").arg(verdictLogWords(verdict)).arg(verdict.result()));
}

void AutoPublisher::end(const QString& dockWords, const QString& logWords) {
    blog(LOG_WARNING, "[clipferry-obs] not published %s: %s", job_.path.toUtf8().constData(), logWords.toUtf8().constData());
    if (dock_) dock_->showOutcome(dockWords);
    startNext();
}

QString AutoPublisher::fileName() const { return QFileInfo(job_.path).fileName(); }

}  // namespace ClipferryObs
