// Sending and the verdict: progress with speed and time left, the wait for
// Lumivid's answer, a question before throwing away more than a few seconds
// of sending, and the verdict in the service's own terms.
#include <QLayout>
#include <QLocale>
#include <QPushButton>

#include "publish_dialog_private.h"
#include "verdict_words.h"

namespace Clipferry {

using namespace detail;

namespace {
// A cancel that throws away less than this is not asked about.
constexpr qint64 kAskAfterMs = 3000;
}  // namespace

void PublishDialog::Private::publish() {
    if (!form->publish->isEnabled()) return;
    const Upload upload = currentUpload();
    Choices choices;
    for (int id : upload.categories()) choices.categories << chainOf(id);
    choices.moderator = upload.moderator();
    choices.tags = upload.tags();
    saveChoices(choices);
    remembered = choices;
    sending->heading->setText(tr("Sending “%1”").arg(upload.title()));
    sending->bar->setValue(0);
    sending->details->setText(tr("Finding the upload server…"));
    sending->cancel->setEnabled(true);
    rate = TransferRate();
    sentShown = totalShown = 0;
    firstByteAt = allSentAt = -1;
    clock.start();
    showPage(Page::Sending);
    uploader->upload(upload);
}

// Escape or closing asks first when the time spent sending (from the first
// byte to the last, or to now) is more than a moment; the wait for the
// verdict after a quick send is not.
bool PublishDialog::Private::worthAsking() const {
    if (firstByteAt < 0) return false;
    return (allSentAt >= 0 ? allSentAt : clock.elapsed()) - firstByteAt > kAskAfterMs;
}

void PublishDialog::Private::askBeforeStopping() {
    if (stopQuestion) {
        stopQuestion->raise();
        return;
    }
    const QLocale locale;
    const QString text =
        totalShown > 0 && sentShown >= totalShown
            ? tr("All %1 went out and Lumivid's answer is awaited: if you stop now, you will not know whether "
                 "it received the video.").arg(locale.formattedDataSize(totalShown))
            : tr("%1 of %2 would be lost.")
                  .arg(locale.formattedDataSize(sentShown), locale.formattedDataSize(qMax(totalShown, sentShown)));
    auto* box = new QMessageBox(QMessageBox::Question, tr("Stop sending?"), tr("Stop sending?"), QMessageBox::NoButton, q);
    box->setObjectName(QStringLiteral("stopSending"));
    box->setInformativeText(text);
    QPushButton* stop = box->addButton(tr("&Stop"), QMessageBox::DestructiveRole);
    stop->setObjectName(QStringLiteral("stop"));
    QPushButton* keep = box->addButton(tr("&Keep sending"), QMessageBox::RejectRole);
    keep->setObjectName(QStringLiteral("keepSending"));
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::buttonClicked, q, [this, stop](QAbstractButton* button) {
        if (button == stop && q->page() == Page::Sending && sending->cancel->isEnabled()) cancelUpload();
    });
    stopQuestion = box;
    box->open();  // window-modal, and the upload goes on meanwhile
}

void PublishDialog::Private::cancelUpload() {
    uploader->cancel();
    waitTicker.stop();
    sending->cancel->setEnabled(false);
    sending->details->setText(tr("Cancelling…"));
}

void PublishDialog::Private::showProgress(qint64 sent, qint64 total) {
    if (total <= 0) return;
    sentShown = sent;
    totalShown = total;
    rate.add(clock.elapsed(), sent);
    if (sent > 0 && firstByteAt < 0) firstByteAt = clock.elapsed();
    sending->bar->setValue(int(sent * 1000 / total));
    if (!sending->cancel->isEnabled()) return;  // "Cancelling…" stays
    if (sent >= total) {
        // The speed of the last piece says nothing now: the wait is what counts.
        if (allSentAt < 0) {
            allSentAt = clock.elapsed();
            waitTicker.start(1000);
        }
        showWaiting();
        return;
    }
    sending->details->setText(progressText(sent, total, rate));
    fitHeight();
}

// A line more of details makes the dialog taller, never cut off.
void PublishDialog::Private::fitHeight() {
    q->layout()->activate();
    const int needed = q->layout()->hasHeightForWidth() ? q->layout()->totalHeightForWidth(q->width())
                                                        : q->layout()->totalMinimumSize().height();
    if (needed > q->height()) q->resize(q->width(), needed);
}

void PublishDialog::Private::showWaiting() {
    if (allSentAt < 0 || !sending->cancel->isEnabled()) return;
    const qint64 seconds = (clock.elapsed() - allSentAt) / 1000;
    sending->details->setText(waitingText(seconds));
    fitHeight();
}

void PublishDialog::Private::finished(const Verdict& result) {
    waitTicker.stop();
    if (stopQuestion) stopQuestion->close();  // answered by the outcome
    verdict = result;
    VerdictPage* page = verdictPage;
    showReason(page->message, result.message());
    page->back->setVisible(!result.accepted() && !result.mayHaveBeenReceived());
    const VerdictWords words = verdictWords(result, sentShown, totalShown);
    page->headline->setText(words.headline);
    page->explanation->setText(words.explanation);
    showPage(Page::Verdict);
    emit q->uploadFinished(result);
}

}  // namespace Clipferry
