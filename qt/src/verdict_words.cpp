// The dialog's wording for results. Free functions translate in their
// namespace's context, which is the one lupdate files their texts under.
#include "verdict_words.h"

#include <QCoreApplication>

#include <clipferry.h>
#include <clipferry-common/results.h>

#include "clipferry-qt/PublishDialog.h"

namespace Clipferry::detail {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("Clipferry::detail", text); }

}  // namespace

QString failureText(int result) {
    const QString what = QStringLiteral("%1, %2").arg(Uploader::resultText(result)).arg(result);
    // Could not resolve or connect, timed out or broke: what may pass by itself.
    const bool unreachable = ::clipferry::results::isRetryable(result);
    return unreachable ? tr("Lumivid could not be reached (%1).").arg(what) : tr("The call failed (%1).").arg(what);
}

VerdictWords verdictWords(const Verdict& verdict, qint64 sent, qint64 total) {
    if (verdict.accepted()) {
        // Lumivid says when a moderator looks at the video first: then it is
        // received, not yet published.
        if (verdict.message().contains(QLatin1String("moderation"), Qt::CaseInsensitive)) {
            return {tr("Received, awaiting moderation"),
                    tr("Lumivid received the video; it is published once a moderator has approved it. Lumivid says:")};
        }
        return {tr("Published"), tr("Lumivid received the video and says:")};
    }
    if (verdict.mayHaveBeenReceived()) {
        // Not a failure to retry: sending it again could publish it twice.
        return {tr("The video may have been received"),
                tr("The whole video went out, but no verdict came back (%1). Lumivid may have it and publish it: "
                   "look for it among your videos before you send it again.")
                    .arg(Uploader::resultText(verdict.result()))};
    }
    if (verdict.cancelled()) return {tr("Cancelled"), tr("The upload was cancelled; the video was not published.")};
    if (verdict.result() == CLIPFERRY_REFUSED) {
        return {tr("Refused by Lumivid"), verdict.message().isEmpty() ? tr("Lumivid gave no reason.")
                                                                    : tr("Lumivid did not take the video and says:")};
    }
    if (sent > 0 && sent < total) {
        // Not "not sent": a part went out, but no service publishes a part.
        return {tr("The upload broke off"), tr("The upload broke off at %1% and nothing was published. %2")
                                                .arg(sent * 100 / total)
                                                .arg(failureText(verdict.result()))};
    }
    return {tr("Not sent"), failureText(verdict.result())};
}

}  // namespace Clipferry::detail
