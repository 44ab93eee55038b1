// The dialog's pure parts on their own, without the service: the form's
// checks, the speed and its words, the verdict's words and the cancel state.
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <clipferry.h>
#include <clipferry-common/form_rules.h>

#include "cancel_state.h"
#include "form_checks.h"
#include "transfer_rate.h"
#include "verdict_words.h"

using namespace Clipferry;
using namespace Clipferry::detail;
namespace rules = ::clipferry::rules;

using Samples = QList<QPair<qint64, qint64>>;  // (msecs, sent)

class UnitsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void formChecks_data();
    void formChecks();
    void transferRate_data();
    void transferRate();
    void waitingText_data();
    void waitingText();
    void verdictWords_data();
    void verdictWords();
    void cancelState_data();
    void cancelState();
    void values();
};

namespace {
constexpr qint64 kMiB = 1 << 20;
}

void UnitsTest::formChecks_data() {
    QTest::addColumn<QString>("file");  // in a fresh folder: "folder", "missing", "empty", else a file of that name
    QTest::addColumn<QStringList>("fileTypes");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("tags");
    QTest::addColumn<int>("categories");
    QTest::addColumn<QString>("field");   // the one field with a reason; "" when the form is fine
    QTest::addColumn<QString>("reason");  // a part of it

    const QStringList mp4{QStringLiteral("*.mp4")};
    const QString clip = QStringLiteral("clip.mp4");
    const QString title = QStringLiteral("Harbour");
    const QString none;
    const QString atLimit(int(rules::kMostFieldBytes), QLatin1Char('a'));
    QTest::newRow("fine") << clip << mp4 << title << "Line one\n\tline two" << "sea dusk" << 1 << none << none;
    QTest::newRow("three categories and fields at the limit") << clip << mp4 << atLimit << atLimit << atLimit << 3
                                                              << none << none;
    QTest::newRow("any type while the service named none") << "clip.mkv" << QStringList() << title << none << none
                                                           << 1 << none << none;
    QTest::newRow("no file") << none << mp4 << title << none << none << 1 << "file" << "Choose the video";
    QTest::newRow("no such file") << "missing" << mp4 << title << none << none << 1 << "file" << "no such file";
    QTest::newRow("a folder") << "folder" << mp4 << title << none << none << 1 << "file" << "not a file";
    QTest::newRow("an empty file") << "empty" << mp4 << title << none << none << 1 << "file" << "is empty";
    QTest::newRow("a type the service does not take")
        << "clip.mkv" << (mp4 + QStringList{QStringLiteral("*.mov")}) << title << none << none << 1 << "file"
        << "it takes *.mp4, *.mov";
    QTest::newRow("a control character in the file's name")
        << "clip\x07.mp4" << mp4 << title << none << none << 1 << "file" << "rename the file";
    QTest::newRow("no title") << clip << mp4 << none << none << none << 1 << "title" << "Give the video a title";
    QTest::newRow("a title of blanks") << clip << mp4 << " \t " << none << none << 1 << "title" << "only blanks";
    QTest::newRow("a tab in the title") << clip << mp4 << "Har\tbour" << none << none << 1 << "title"
                                        << "control character";
    QTest::newRow("a C1 control in the description") << clip << mp4 << title << QStringLiteral("a\u0085b") << none
                                                     << 1 << "description" << "tabs and line breaks are fine";
    QTest::newRow("tags a byte too long") << clip << mp4 << title << none << atLimit + QLatin1Char('s') << 1
                                          << "tags" << "Too long by 1 byte";
    QTest::newRow("a description too long in UTF-8 bytes")
        << clip << mp4 << title << QString(int(rules::kMostFieldBytes) / 2 + 2, QChar(0xE9)) << none << 1
        << "description" << "Too long by 3 byte";
    QTest::newRow("no category") << clip << mp4 << title << none << none << 0 << "categories" << "at least one";
    QTest::newRow("four categories") << clip << mp4 << title << none << none << 4 << "categories" << "at most 3";
}

void UnitsTest::formChecks() {
    QFETCH(QString, file);
    QFETCH(QStringList, fileTypes);
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, tags);
    QFETCH(int, categories);
    QFETCH(QString, field);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QString path;
    if (file == QLatin1String("folder")) {
        path = dir.path();
    } else if (!file.isEmpty()) {
        path = dir.filePath(file);
        if (file != QLatin1String("missing")) {
            QFile video(path);
            QVERIFY(video.open(QIODevice::WriteOnly));
            if (file != QLatin1String("empty")) video.write("frames");
        }
    }
    Upload upload;
    upload.setFile(path);
    upload.setTitle(title);
    upload.setDescription(description);
    upload.setTags(tags);
    QList<int> chosen;
    for (int i = 1; i <= categories; ++i) chosen << i;
    upload.setCategories(chosen);

    const FormReasons reasons = FormChecks::check(upload, fileTypes);
    const QList<QPair<QString, QString>> fields{{QStringLiteral("file"), reasons.file},
                                                {QStringLiteral("title"), reasons.title},
                                                {QStringLiteral("description"), reasons.description},
                                                {QStringLiteral("tags"), reasons.tags},
                                                {QStringLiteral("categories"), reasons.categories}};
    for (const auto& [name, given] : fields) {
        if (name == field) {
            QVERIFY2(given.contains(reason), qPrintable(name + QStringLiteral(": ") + given));
        } else {
            QVERIFY2(given.isEmpty(), qPrintable(name + QStringLiteral(": ") + given));
        }
    }
    QCOMPARE(reasons.ok(), field.isEmpty());
}

void UnitsTest::transferRate_data() {
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<double>("speed");  // bytes a second, -1 while unknown
    QTest::addColumn<qint64>("left");   // seconds, -1 while unknown
    QTest::addColumn<QString>("text");

    QTest::newRow("one sample") << Samples{{0, 0}} << 10 * kMiB << -1.0 << qint64(-1)
                                << "0 bytes of 10.00 MiB · --/s · --:-- left";
    QTest::newRow("two samples a moment apart") << Samples{{0, 0}, {150, kMiB}} << 10 * kMiB << -1.0 << qint64(-1)
                                                << "1.00 MiB of 10.00 MiB · --/s · --:-- left";
    QTest::newRow("a steady MiB a second") << Samples{{0, 0}, {1000, kMiB}, {2000, 2 * kMiB}} << 10 * kMiB
                                           << double(kMiB) << qint64(8)
                                           << "2.00 MiB of 10.00 MiB · 1.00 MiB/s · 0:08 left";
    QTest::newRow("nothing moves") << Samples{{0, kMiB}, {1000, kMiB}} << 10 * kMiB << 0.0 << qint64(-1)
                                   << "1.00 MiB of 10.00 MiB · 0 bytes/s · stalled";
    // Only the last three seconds count: the burst at the start is forgotten.
    QTest::newRow("a burst long ago")
        << Samples{{0, 0}, {1000, 8 * kMiB}, {2000, 8 * kMiB}, {3000, 8 * kMiB}, {4000, 8 * kMiB}, {5000, 8 * kMiB}}
        << 10 * kMiB << 0.0 << qint64(-1) << "8.00 MiB of 10.00 MiB · 0 bytes/s · stalled";
    QTest::newRow("more than an hour left") << Samples{{0, 0}, {1000, 1000}} << qint64(1000 + 3725 * 1000) << 1000.0
                                            << qint64(3725) << "1000 bytes of 3.55 MiB · 1000 bytes/s · 1:02:05 left";
}

void UnitsTest::transferRate() {
    QFETCH(Samples, samples);
    QFETCH(qint64, total);
    QFETCH(double, speed);
    QFETCH(qint64, left);
    QFETCH(QString, text);
    TransferRate rate;
    for (const auto& [msecs, sent] : samples) rate.add(msecs, sent);
    QCOMPARE(rate.bytesPerSecond(), speed);
    QCOMPARE(rate.secondsLeft(total), left);
    QCOMPARE(progressText(samples.constLast().second, total, rate), text);
}

void UnitsTest::waitingText_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("seconds") << qint64(12) << "All sent · waiting for Lumivid's answer (12 s)";
    QTest::newRow("from a minute on") << qint64(75) << "All sent · waiting for Lumivid's answer (1:15)";
}

void UnitsTest::waitingText() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(detail::waitingText(seconds), text);
}

void UnitsTest::verdictWords_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");  // the service's
    QTest::addColumn<bool>("mayHaveBeenReceived");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<int>("sentPercent");  // of the file, as last reported
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("explanation");  // a part of it

    const QString none;
    const QString moderated = QStringLiteral("Your video was received and awaits moderation.");
    QTest::newRow("awaiting moderation") << int(CLIPFERRY_OK) << moderated << false << false << 100
                                         << "Received, awaiting moderation" << "once a moderator has approved it";
    QTest::newRow("published") << int(CLIPFERRY_OK) << "Published." << false << false << 100 << "Published"
                               << "received the video and says:";
    // Never a failure to send again, not even once the user cancelled the wait.
    QTest::newRow("cancelled while the verdict was awaited")
        << int(CLIPFERRY_ABORTED) << none << true << true << 100 << "The video may have been received"
        << "look for it among your videos";
    QTest::newRow("cancelled") << int(CLIPFERRY_ABORTED) << none << false << true << 40 << "Cancelled"
                               << "was not published";
    QTest::newRow("refused in the service's words") << int(CLIPFERRY_REFUSED) << "Unknown category 99" << false
                                                    << false << 100 << "Refused by Lumivid" << "says:";
    QTest::newRow("refused without a word") << int(CLIPFERRY_REFUSED) << none << false << false << 100
                                            << "Refused by Lumivid" << "gave no reason";
    QTest::newRow("broke off") << 55 << none << false << false << 39 << "The upload broke off"
                               << "broke off at 39% and nothing was published";
    QTest::newRow("unreachable") << 7 << none << false << false << 0 << "Not sent" << "could not be reached";
    QTest::newRow("another failure") << 26 << none << false << false << 0 << "Not sent" << "The call failed";
    // A secure connection that fails was reached: trying later will not help.
    QTest::newRow("TLS handshake") << 35 << none << false << false << 0 << "Not sent" << "The call failed";
}

void UnitsTest::verdictWords() {
    QFETCH(int, result);
    QFETCH(QString, message);
    QFETCH(bool, mayHaveBeenReceived);
    QFETCH(bool, cancelled);
    QFETCH(int, sentPercent);
    QFETCH(QString, headline);
    QFETCH(QString, explanation);
    Verdict verdict;
    verdict.setResult(result);
    verdict.setAccepted(result == CLIPFERRY_OK);
    verdict.setMessage(message);
    verdict.setMayHaveBeenReceived(mayHaveBeenReceived);
    verdict.setCancelled(cancelled);
    const VerdictWords words = detail::verdictWords(verdict, sentPercent * 1000, 100 * 1000);
    QCOMPARE(words.headline, headline);
    QVERIFY2(words.explanation.contains(explanation), qPrintable(words.explanation));
}

void UnitsTest::cancelState_data() {
    QTest::addColumn<QStringList>("steps");  // queued, cancel, finished, forGood
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<bool>("gone");
    const auto steps = [](const char* list) { return QString::fromLatin1(list).split(QLatin1Char(' ')); };
    QTest::newRow("an upload cancelled") << steps("queued cancel") << true << false;
    QTest::newRow("a cancel with nothing under way") << steps("cancel") << false << false;
    QTest::newRow("a cancel before the upload") << steps("cancel queued") << false << false;
    QTest::newRow("the cancelled upload ended") << steps("queued cancel finished") << false << false;
    QTest::newRow("one of two ended") << steps("queued queued cancel finished") << true << false;
    QTest::newRow("the next upload is not cancelled") << steps("queued cancel finished queued") << false << false;
    QTest::newRow("the uploader went") << steps("forGood") << true << true;
    QTest::newRow("the uploader went during an upload") << steps("queued forGood finished") << true << true;
}

void UnitsTest::cancelState() {
    QFETCH(QStringList, steps);
    QFETCH(bool, cancelled);
    QFETCH(bool, gone);
    CancelState state;
    for (const QString& step : steps) {
        if (step == QLatin1String("queued")) state.queued();
        if (step == QLatin1String("cancel")) state.cancel();
        if (step == QLatin1String("finished")) state.finished();
        if (step == QLatin1String("forGood")) state.cancelForGood();
    }
    QCOMPARE(state.cancelled(), cancelled);
    QCOMPARE(state.gone(), gone);
}

// The value types: no success by default, copies apart once one is changed,
// and a value moved from still one to read.
void UnitsTest::values() {
    Verdict verdict;
    QCOMPARE(verdict.result(), -1);
    QVERIFY(!verdict.accepted());
    verdict.setMessage(QStringLiteral("first"));
    Verdict copy = verdict;
    copy.setMessage(QStringLiteral("second"));
    QCOMPARE(verdict.message(), QStringLiteral("first"));
    Verdict moved = std::move(copy);
    QCOMPARE(moved.message(), QStringLiteral("second"));
    QCOMPARE(copy.result(), -1);
    verdict = std::move(moved);
    QCOMPARE(verdict.message(), QStringLiteral("second"));
    QCOMPARE(moved.message(), QStringLiteral("first"));
    const Moderator moderator(501, QStringLiteral("Mia"), QStringLiteral("Moderator"));
    QCOMPARE(moderator.id(), 501);
    QCOMPARE(moderator.lastName(), QStringLiteral("Moderator"));
}

QTEST_GUILESS_MAIN(UnitsTest)
#include "units_test.moc"
