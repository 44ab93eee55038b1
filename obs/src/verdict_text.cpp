// What happened, told the way the user must act on it: published, may have
// arrived (look before sending again), cancelled, or not published and why.
#include "verdict_text.h"

#include "obs_texts.h"

namespace ClipferryObs {

namespace {
QString reason(const Clipferry::Verdict& verdict) {
    return verdict.message().isEmpty() ? Clipferry::Uploader::resultText(verdict.result()) : verdict.message();
}
}  // namespace

QString verdictSentence(const Clipferry::Verdict& verdict, const QString& fileName) {
    if (verdict.accepted()) return text("Dock.Published").arg(fileName, verdict.message());
    if (verdict.mayHaveBeenReceived()) return text("Dock.MayHaveBeenReceived").arg(fileName, reason(verdict));
    if (verdict.cancelled()) return text("Dock.Cancelled").arg(fileName);
    return text("Dock.NotPublished").arg(fileName, reason(verdict));
}

QString verdictLogWords(const Clipferry::Verdict& verdict) {
    if (verdict.accepted()) return QStringLiteral("accepted");
    if (verdict.mayHaveBeenReceived()) return QStringLiteral("may have been received: ") + reason(verdict);
    if (verdict.cancelled()) return QStringLiteral("cancelled");
    return reason(verdict);
}

}  // namespace ClipferryObs
