// Publishing a recording that just stopped, with the saved defaults and the
// remembered login: fingerprint, look in the record, log in, send, note.
// One recording at a time; those that stop meanwhile wait their turn.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

#include <clipferry-qt/Uploader.h>

#include "plugin_settings.h"

namespace ClipferryObs {

class Hasher;
class PublishedRecord;
class PublishDock;
class StallMeter;

class AutoPublisher : public QObject {
    Q_OBJECT
public:
    AutoPublisher(Hasher& hasher, PublishedRecord& record, StallMeter& meter, QObject* parent = nullptr);
    // Returns at once: the upload under way is cancelled (see Uploader).
    ~AutoPublisher() override;

    void setDock(PublishDock* dock);
    void publish(const QString& path, const PluginSettings& settings);
    // The recording in hand is left unpublished; those waiting are dropped.
    void cancel();

private:
    enum class Step { Idle, Hashing, LoggingIn, Sending };
    struct Job {
        QString path;
        PluginSettings settings;
        QByteArray sha256;
    };

    void startNext();
    void hashed(const QByteArray& sha256, const QString& error);
    void logIn();
    void send();
    void finished(const Clipferry::Verdict& verdict);
    void end(const QString& dockWords, const QString& logWords);
    QString fileName() const;

    Hasher& hasher_;
    PublishedRecord& record_;
    StallMeter& meter_;
    QPointer<PublishDock> dock_;
    std::unique_ptr<Clipferry::Uploader> uploader_;
    QList<Job> waiting_;
    Job job_;
    Step step_ = Step::Idle;
    int generation_ = 0;  // answers from a job that was cancelled are dropped
};

}  // namespace ClipferryObs
