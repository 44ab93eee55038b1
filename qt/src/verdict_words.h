// What the dialog says about a result: the failure of a call, and the
// verdict of an upload in a headline and a sentence.
#pragma once

#include <QString>

#include "clipferry-qt/Uploader.h"

namespace Clipferry::detail {

// "Lumivid could not be reached (receive error, 56)." or "The call failed (…)."
QString failureText(int result);

struct VerdictWords {
    QString headline;
    QString explanation;
};
// `sent` of `total` bytes: how far the upload got, as last reported.
VerdictWords verdictWords(const Verdict& verdict, qint64 sent, qint64 total);

}  // namespace Clipferry::detail
