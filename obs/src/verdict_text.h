// An upload's verdict as one sentence for the dock and a few words for OBS's log.
#pragma once

#include <QString>

#include <clipferry-qt/Uploader.h>

namespace ClipferryObs {

QString verdictSentence(const Clipferry::Verdict& verdict, const QString& fileName);
QString verdictLogWords(const Clipferry::Verdict& verdict);

}  // namespace ClipferryObs
