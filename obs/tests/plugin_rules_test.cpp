// The plugin's rules as tables: what a hand-edited setting means, what title
// a pattern gives, and that the record keeps every recording noted, by two
// writers too, and answers Unknown rather than guess.
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include "file_fingerprint.h"
#include "plugin_settings.h"
#include "published_record.h"
#include "title_pattern.h"

using namespace ClipferryObs;

Q_DECLARE_METATYPE(AfterRecording)

class PluginRulesTest : public QObject {
    Q_OBJECT
private slots:
    void afterRecording_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<AfterRecording>("mode");
        QTest::newRow("offer") << "offer" << AfterRecording::Offer;
        QTest::newRow("publish, any case and spaces") << " Publish " << AfterRecording::Publish;
        QTest::newRow("nothing") << "nothing" << AfterRecording::Nothing;
        QTest::newRow("a typo publishes nothing") << "publsh" << AfterRecording::Nothing;
        QTest::newRow("missing") << "" << AfterRecording::Nothing;
    }
    void afterRecording() {
        QFETCH(QString, text);
        QFETCH(AfterRecording, mode);
        QCOMPARE(parseAfterRecording(text), mode);
        QCOMPARE(parseAfterRecording(afterRecordingText(mode)), mode);
    }

    void categories_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("one") << "12" << QList<int>{12};
        QTest::newRow("three with spaces") << " 12, 31 ,7" << QList<int>{12, 31, 7};
        QTest::newRow("four are too many") << "1,2,3,4" << QList<int>{};
        QTest::newRow("a word") << "12,music" << QList<int>{};
        QTest::newRow("zero") << "0" << QList<int>{};
        QTest::newRow("negative") << "-3" << QList<int>{};
        QTest::newRow("empty") << "" << QList<int>{};
    }
    void categories() {
        QFETCH(QString, text);
        QFETCH(QList<int>, ids);
        QCOMPARE(parseCategories(text), ids);
        QCOMPARE(parseCategories(categoriesText(ids)), ids);
    }

    void title_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("title");
        QTest::newRow("date and time") << "Recording {date} {time}" << "Recording 2026-03-09 07:05";
        QTest::newRow("file name") << "{file}" << "2026-03-09 07-05-01";
        QTest::newRow("unknown braces kept") << "{day} {date}" << "{day} 2026-03-09";
        QTest::newRow("blank gives the file name") << "  " << "2026-03-09 07-05-01";
        QTest::newRow("spaces squeezed") << " A  {time} " << "A 07:05";
    }
    void title() {
        QFETCH(QString, pattern);
        QFETCH(QString, title);
        const QDateTime started(QDate(2026, 3, 9), QTime(7, 5, 1));
        QCOMPARE(expandTitle(pattern, started, QStringLiteral("/rec/2026-03-09 07-05-01.mkv")), title);
    }

    // Two records on one file stand for two OBS processes: neither loses
    // the other's line, and a state noted again replaces the old one.
    void recordKeepsEveryLine() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("config/published.tsv"));
        PublishedRecord first(file), second(file);
        const QByteArray a(32, 'a'), b(32, 'b'), c(32, 'c');
        QString error;
        QVERIFY(first.note(a, RecordState::MayHaveBeenReceived, QStringLiteral("/rec/a.mkv"), &error));
        QVERIFY2(second.note(b, RecordState::Published, QStringLiteral("/rec/b\tx.mkv"), &error), qPrintable(error));
        QVERIFY(first.note(a, RecordState::Published, QStringLiteral("/rec/a.mkv"), &error));
        QCOMPARE(second.find(a), RecordState::Published);
        QCOMPARE(first.find(b), RecordState::Published);
        QCOMPARE(first.find(c), RecordState::Unknown);
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll().count('\n'), 2);
    }

    void recordUnknownRatherThanGuess() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("published.tsv"));
        const QByteArray a(32, 'a');
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(a.toHex() + "\tpublished-maybe\t/rec/a.mkv\t2026\nnonsense\n");
        }
        PublishedRecord record(file);
        QCOMPARE(record.find(a), RecordState::Unknown);  // a state it does not know is no state
        QString error;
        QVERIFY(record.note(a, RecordState::Published, QStringLiteral("/rec/a.mkv"), &error));
        QCOMPARE(record.find(a), RecordState::Published);
        // Held by another process: nothing is written, and that is said.
        QLockFile other(file + QStringLiteral(".lock"));
        QVERIFY(other.tryLock());
        QVERIFY(!record.note(QByteArray(32, 'b'), RecordState::Published, QStringLiteral("/rec/b.mkv"), &error));
        QVERIFY(!error.isEmpty());
    }

    void fingerprint() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.mkv"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("abc");
        out.close();
        std::atomic<bool> stop{false};
        QCOMPARE(fingerprintFile(path, stop).sha256.toHex(),
                 QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
        QVERIFY(!fingerprintFile(dir.filePath(QStringLiteral("gone.mkv")), stop).error.isEmpty());
        stop = true;
        const Fingerprint stopped = fingerprintFile(path, stop);
        QVERIFY(stopped.sha256.isEmpty() && stopped.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PluginRulesTest)
#include "plugin_rules_test.moc"
