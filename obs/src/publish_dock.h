// The dock's content: what is being published, its progress, Cancel, the
// verdict in words, and the offer to publish a recording that just stopped.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ClipferryObs {

class PublishDock : public QWidget {
    Q_OBJECT
public:
    explicit PublishDock(QWidget* parent = nullptr);

    // Work under way: `words` above a bar that is busy until progress comes.
    void showWorking(const QString& words, bool cancellable);
    void showProgress(qint64 sent, qint64 total);
    // The end of a piece of work, in words; the bar and Cancel go.
    void showOutcome(const QString& words);
    // "Publish…" and "Not now" for `path`, below whatever the dock says.
    void offer(const QString& path);
    // What the buttons do, for a remote control.
    void takeOffer();
    void cancel();

    QString words() const;
    QString offered() const;  // empty unless the offer shows

signals:
    void cancelClicked();
    void publishClicked(const QString& path);
    void changed();  // what the dock says changed
    void workStarted();

private:
    QLabel* words_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QWidget* offerRow_ = nullptr;
    QLabel* offerWords_ = nullptr;
    QString offered_;
};

}  // namespace ClipferryObs
