// The dialog driven through its scenarios against the local service: each
// row is a user's session, from the login to the verdict, and every row ends
// with no library context left alive.
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <dlfcn.h>

#include <atomic>
#include <clipferry.h>

#include "dialog_driver.h"
#include "service_control.h"

using namespace ClipferryTest;
using Clipferry::PublishDialog;

// The library's contexts alive, counted by standing in front of the
// library's own Init and Release (the dialog reaches them through this program).
static std::atomic<int> liveContexts{0};

extern "C" __attribute__((visibility("default"))) void* CLIPFERRY_Init(void) {
    static auto real = reinterpret_cast<void* (*)()>(dlsym(RTLD_NEXT, "CLIPFERRY_Init"));
    void* context = real();
    if (context) ++liveContexts;
    return context;
}

extern "C" __attribute__((visibility("default"))) void CLIPFERRY_Release(void* context) {
    static auto real = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_NEXT, "CLIPFERRY_Release"));
    if (context) --liveContexts;
    real(context);
}

class PublishDialogTest : public QObject {
    Q_OBJECT
private slots:
    void scenario_data();
    void scenario();
};

void PublishDialogTest::scenario_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("file");        // its name; "big" ones are 32 MiB
    QTest::addColumn<QString>("title");       // "" keeps the one made from the file's name
    QTest::addColumn<QString>("answer");      // the upload's: "", "stall" or "drop after the last byte"
    QTest::addColumn<QString>("during");      // "", "cancel" or "close" once bytes went out
    QTest::addColumn<QString>("reasonField"); // the label that must give a reason, "" for none
    QTest::addColumn<QString>("reason");      // a part of that reason
    QTest::addColumn<QString>("verdict");     // "", "accepted", "cancelled", "may have been received"
    QTest::addColumn<int>("uploadsStored");

    const QString good = QStringLiteral("demo-password");
    const QString none;
    QTest::newRow("wrong password") << QStringLiteral("nope") << true << "harbour.mp4" << none << none << none
                                    << "loginReason" << "wrong" << none << 0;
    QTest::newRow("service unreachable") << good << false << "harbour.mp4" << none << none << none
                                         << "loginReason" << "could not be reached" << none << 0;
    QTest::newRow("a file type the service does not take")
        << good << true << "harbour.mkv" << none << none << none << "fileReason" << "*.mp4" << none << 0;
    QTest::newRow("a title of blanks") << good << true << "harbour.mp4" << "   " << none << none << "titleReason"
                                       << "only blanks" << none << 0;
    QTest::newRow("publish with progress") << good << true << "harbour.mp4" << "Harbour at dusk" << none << none
                                           << none << none << "accepted" << 1;
    QTest::newRow("cancel mid-upload") << good << true << "big.mp4" << none << "stall" << "cancel" << none << none
                                       << "cancelled" << 0;
    QTest::newRow("dialog closed during an upload")
        << good << true << "big.mp4" << none << "stall" << "close" << none << none << none << 0;
    QTest::newRow("dropped connection after the last byte")
        << good << true << "harbour.mp4" << none << "drop after the last byte" << none << none << none
        << "may have been received" << 0;
}

void PublishDialogTest::scenario() {
    QFETCH(QString, password);
    QFETCH(bool, reachable);
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(QString, answer);
    QFETCH(QString, during);
    QFETCH(QString, reasonField);
    QFETCH(QString, reason);
    QFETCH(QString, verdict);
    QFETCH(int, uploadsStored);

    resetService();
    qputenv("CLIPFERRY_PROXY_SERVER", (reachable ? serviceProxy() : closedProxy()).toUtf8());
    QTemporaryDir dir;
    const qint64 size = file.startsWith(QLatin1String("big")) ? 32 << 20 : 256 << 10;

    auto* dialog = new PublishDialog;
    dialog->setUser(QStringLiteral("demo"));
    dialog->setFile(makeVideo(dir, file, size));
    if (!title.isEmpty()) dialog->setTitle(title);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    logIn(dialog, password);
    if (reasonField == QLatin1String("loginReason")) {
        auto* label = part<QLabel>(dialog, "loginReason");
        QTRY_VERIFY_WITH_TIMEOUT(label->text().contains(reason), 10000);
        // Nothing else changed: the same page, the user as typed, ready for another try.
        QCOMPARE(dialog->page(), PublishDialog::Page::Login);
        QCOMPARE(part<QLineEdit>(dialog, "user")->text(), QStringLiteral("demo"));
        QVERIFY(part<QPushButton>(dialog, "logIn")->isEnabled());
        if (reachable) QCOMPARE(recordedRequests().size(), 1);
        delete dialog;
        QCOMPARE(liveContexts.load(), 0);
        return;
    }

    // The form, filled from the service's lists; the tree a level at a time.
    QTRY_COMPARE(dialog->page(), PublishDialog::Page::Form);
    QVERIFY(waitForLists(dialog));
    auto* tree = part<QTreeWidget>(dialog, "categories");
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Film & Animation"));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 0);
    tree->expandItem(tree->topLevelItem(0));
    QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->child(1)->text(0), QStringLiteral("Animation <2D/3D>"));
    QCOMPARE(part<QComboBox>(dialog, "moderator")->itemText(1), QStringLiteral("Mia Moderator"));
    auto* publish = part<QPushButton>(dialog, "publish");
    QVERIFY(!publish->isEnabled());  // no category yet
    QVERIFY(part<QLabel>(dialog, "categoriesReason")->isVisible());
    tickCategory(dialog, 0);

    if (!reasonField.isEmpty()) {
        auto* label = part<QLabel>(dialog, reasonField.toLatin1().constData());
        QTRY_VERIFY(label->isVisible() && label->text().contains(reason));
        QVERIFY(!publish->isEnabled());
        delete dialog;
        QCOMPARE(liveContexts.load(), 0);
        return;
    }
    QTRY_VERIFY(publish->isEnabled());

    if (answer == QLatin1String("stall")) stallNextUpload();
    if (answer == QLatin1String("drop after the last byte")) {
        scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")}, {QStringLiteral("drop"), true}});
    }
    auto* bar = part<QProgressBar>(dialog, "progress");
    int mostShown = 0;
    connect(bar, &QProgressBar::valueChanged, bar, [&](int value) { mostShown = qMax(mostShown, value); });
    QTest::keyClick(part<QLineEdit>(dialog, "title"), Qt::Key_Return);  // Enter publishes
    QCOMPARE(dialog->page(), PublishDialog::Page::Sending);

    if (!during.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(mostShown > 0, 20000);
        QVERIFY(mostShown < 1000);
        if (during == QLatin1String("close")) {
            QCOMPARE(liveContexts.load(), 1);
            delete dialog;  // cancels, waits for the call, releases the context
            QCOMPARE(liveContexts.load(), 0);
            return;
        }
        QTest::mouseClick(part<QPushButton>(dialog, "cancelUpload"), Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(dialog->page(), PublishDialog::Page::Verdict, 30000);
    const Clipferry::Verdict got = dialog->verdict();
    QCOMPARE(got.accepted, verdict == QLatin1String("accepted"));
    QCOMPARE(got.cancelled, verdict == QLatin1String("cancelled"));
    QCOMPARE(got.mayHaveBeenReceived, verdict == QLatin1String("may have been received"));
    auto* headline = part<QLabel>(dialog, "verdictHeadline");
    // Never offered as a failure to send again.
    QCOMPARE(part<QPushButton>(dialog, "backToForm")->isVisibleTo(dialog), !got.accepted && !got.mayHaveBeenReceived);
    if (got.mayHaveBeenReceived) QVERIFY(headline->text().contains(QLatin1String("may have been received")));
    if (got.accepted) {
        QCOMPARE(mostShown, 1000);
        QVERIFY(part<QLabel>(dialog, "verdictMessage")->text().contains(title));
    }
    int stored = 0;
    for (const auto& upload : receivedUploads()) {
        if (upload.toObject().value(QStringLiteral("status")).toString() == QLatin1String("SUCCESS")) ++stored;
    }
    QCOMPARE(stored, uploadsStored);
    delete dialog;
    QCOMPARE(liveContexts.load(), 0);
}

QTEST_MAIN(PublishDialogTest)
#include "publish_dialog_test.moc"
