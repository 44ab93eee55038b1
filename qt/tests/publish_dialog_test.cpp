// The dialog driven through its scenarios against the local service: each
// row is a user's session, from the login to the verdict, and every row ends
// with no library context left alive.
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QProgressBar>
#include <QSignalSpy>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <dlfcn.h>

#include <atomic>
#include <cstdio>

#include <clipferry.h>

#include "dialog_driver.h"
#include "service_control.h"
#include "translation_recorder.h"

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
    void initTestCase() { QCoreApplication::installTranslator(&asked); }
    // Every text the scenarios showed is translated, in the context the code asks it in.
    void cleanupTestCase() {
        const QStringList untranslated = asked.untranslatedInShippedCatalogues();
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral("; "))));
    }
    void init() {
        resetService();
        QSettings().remove(QStringLiteral("ClipferryPublishDialog"));  // each row starts with no choices kept
    }
    void scenario_data();
    void scenario();
    void destroyedDuringAHeldCall_data();
    void destroyedDuringAHeldCall();
    void secondPublish();
    void fileTypesOfAnyLength();
    void quitWithACallHandedOff();
    void listFailsAndIsAskedAgain();
    void moderatorChoice_data();
    void moderatorChoice();
    void waitForThreadsIsBounded();

private:
    TranslationRecorder asked;
};

namespace {

const char kQuitDuringAHeldLogin[] = "--quit-during-a-held-login";

// The child process of quitWithACallHandedOff: a host that quits right after
// its uploader went during a login that the service holds.
int quitDuringAHeldLogin(int argc, char** argv) {
    {
        QApplication app(argc, argv);
        auto* uploader = new Clipferry::Uploader;
        uploader->login(QStringLiteral("demo"), QStringLiteral("demo-password"));
        if (!QTest::qWaitFor([] { return heldAnswers() == 1; }, 10000)) return 2;
        delete uploader;
        std::printf("handed off\n");
        std::fflush(stdout);
    }  // the application object goes, and waits for the thread still in the login
    std::printf("contexts left: %d\n", liveContexts.load());
    return 0;
}

}  // namespace

void PublishDialogTest::scenario_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("file");        // its name; "big" ones are 32 MiB
    QTest::addColumn<QString>("title");       // "" keeps the one made from the file's name
    QTest::addColumn<QString>("answer");      // the upload's: "", "stall", "hold the discovery",
                                              // "hold the verdict", "refuse",
                                              // "drop at 39%" or "drop after the last byte"
    QTest::addColumn<QString>("during");      // "", "cancel", "close" (deleted) or "escape" once bytes went out;
                                              // "escape, asked": kept sending, then stopped
    QTest::addColumn<QString>("reasonField"); // the label that must give a reason, "" for none
    QTest::addColumn<QString>("reason");      // a part of that reason
    QTest::addColumn<QString>("verdict");     // "", "accepted", "refused", "broke off", or what it holds of
                                              // "cancelled" and "may have been received"
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
    // The service's own words reach the user, as the local service words a refusal.
    QTest::newRow("the service refuses the upload")
        << good << true << "harbour.mp4" << none << "refuse" << none << "verdictMessage" << "Unknown category 99"
        << "refused" << 0;
    QTest::newRow("cancel mid-upload") << good << true << "big.mp4" << none << "stall" << "cancel" << none << none
                                       << "cancelled" << 0;
    QTest::newRow("cancel while the upload server is asked")
        << good << true << "harbour.mp4" << none << "hold the discovery" << "cancel" << none << none
        << "cancelled" << 0;
    QTest::newRow("dialog closed during an upload")
        << good << true << "big.mp4" << none << "stall" << "close" << none << none << none << 0;
    QTest::newRow("Escape while the verdict is awaited")
        << good << true << "harbour.mp4" << none << "hold the verdict" << "escape" << none << none
        << "cancelled, may have been received" << 0;
    QTest::newRow("Escape after seconds of sending asks first")
        << good << true << "big.mp4" << none << "stall" << "escape, asked" << none << none << "cancelled" << 0;
    QTest::newRow("connection lost mid-upload") << good << true << "big.mp4" << none << "drop at 39%" << none
                                                << none << none << "broke off" << 0;
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

    qputenv("CLIPFERRY_PROXY_SERVER", (reachable ? serviceProxy() : closedProxy()).toUtf8());
    QTemporaryDir dir;
    const qint64 size = file.startsWith(QLatin1String("big")) ? 32 << 20 : 256 << 10;

    auto* dialog = new PublishDialog;
    dialog->setUser(QStringLiteral("demo"));
    dialog->setFile(makeVideo(dir, file, size));
    if (!title.isEmpty()) dialog->setTitle(title);
    const QString description = QStringLiteral("Gulls over the harbour,\nat dusk");
    dialog->setDescription(description);
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
        QVERIFY(dialog->verdict().result() != CLIPFERRY_OK);  // no upload: no success to read
        delete dialog;
        QTRY_COMPARE(liveContexts.load(), 0);
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

    if (!reasonField.isEmpty() && verdict.isEmpty()) {
        auto* label = part<QLabel>(dialog, reasonField.toLatin1().constData());
        QTRY_VERIFY(label->isVisible() && label->text().contains(reason));
        QVERIFY(!publish->isEnabled());
        delete dialog;
        QTRY_COMPARE(liveContexts.load(), 0);
        return;
    }
    QTRY_VERIFY(publish->isEnabled());

    if (answer == QLatin1String("stall")) stallNextUpload();
    if (answer == QLatin1String("hold the verdict")) holdNextAnswer(QStringLiteral("/upload"));
    if (answer == QLatin1String("hold the discovery")) holdNextAnswer(QStringLiteral("/upload.xml"));
    if (answer == QLatin1String("refuse")) {
        scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")},
                      {QStringLiteral("body"), QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<result>"
                                                              "<status>UNSUCCESSFUL</status><message>%1</message>"
                                                              "</result>").arg(reason)}});
    }
    if (answer == QLatin1String("drop at 39%")) {
        scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")},
                      {QStringLiteral("read_limit"), size * 39 / 100},
                      {QStringLiteral("drop"), true}});
    }
    if (answer == QLatin1String("drop after the last byte")) {
        scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")}, {QStringLiteral("drop"), true}});
    }
    auto* bar = part<QProgressBar>(dialog, "progress");
    int mostShown = 0;
    connect(bar, &QProgressBar::valueChanged, bar, [&](int value) { mostShown = qMax(mostShown, value); });
    // What a host learns: the verdicts announced, and the one it reads once the dialog closed.
    int announced = 0;
    connect(dialog, &PublishDialog::uploadFinished, dialog, [&] { ++announced; });
    bool closed = false;
    Clipferry::Verdict atClose;
    connect(dialog, &QDialog::finished, dialog, [&] {
        if (!closed) atClose = dialog->verdict();
        closed = true;
    });
    QTest::keyClick(part<QLineEdit>(dialog, "title"), Qt::Key_Return);  // Enter publishes
    QCOMPARE(dialog->page(), PublishDialog::Page::Sending);
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);  // pressed twice: nothing more
    QCOMPARE(dialog->page(), PublishDialog::Page::Sending);

    if (during == QLatin1String("escape")) {
        // The service has every byte and holds its answer: the wait is shown, not the last speed.
        QTRY_VERIFY_WITH_TIMEOUT(mostShown == 1000 && heldAnswers() == 1, 20000);
        auto* details = part<QLabel>(dialog, "progressDetails");
        QTRY_VERIFY2(details->text().startsWith(QStringLiteral("All sent · waiting for Lumivid's answer (")),
                     qPrintable(details->text()));
        QVERIFY2(!details->text().contains(QLatin1String("/s")), qPrintable(details->text()));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        QVERIFY(!dialog->findChild<QMessageBox*>());  // a moment's sending is not asked about
        QVERIFY(!closed);  // not before the host can know the outcome
    } else if (answer == QLatin1String("hold the discovery")) {
        // The service holds its answer for 20 s: the cancel is heeded while it
        // still does, and nothing of the form goes out.
        QTRY_COMPARE_WITH_TIMEOUT(heldAnswers(), 1, 10000);
        QTest::mouseClick(part<QPushButton>(dialog, "cancelUpload"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->page(), PublishDialog::Page::Verdict, 5000);
        QCOMPARE(heldAnswers(), 1);
        QCOMPARE(mostShown, 0);
    } else if (!during.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(mostShown > 0, 20000);
        QVERIFY(mostShown < 1000);
        if (during == QLatin1String("escape, asked")) {
            // Past the few seconds of sending that are thrown away without asking.
            QTest::qWait(3500);
            for (const char* answer : {"keepSending", "stop"}) {
                QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
                QMessageBox* question = nullptr;
                QTRY_VERIFY((question = dialog->findChild<QMessageBox*>(QStringLiteral("stopSending"))) &&
                            question->isVisible());
                QVERIFY2(question->informativeText().contains(
                             QStringLiteral(" of %1 would be lost").arg(QLocale().formattedDataSize(size))),
                         qPrintable(question->informativeText()));
                QCOMPARE(question->defaultButton()->objectName(), QStringLiteral("keepSending"));
                QCOMPARE(dialog->page(), PublishDialog::Page::Sending);
                QVERIFY(part<QPushButton>(dialog, "cancelUpload")->isEnabled());  // nothing cancelled yet
                if (qstrcmp(answer, "keepSending") == 0) {
                    QTest::keyClick(question, Qt::Key_Return);  // the default keeps it going
                } else {
                    part<QPushButton>(question, answer)->click();
                }
                QTRY_VERIFY(!dialog->findChild<QMessageBox*>(QStringLiteral("stopSending")));
            }
        } else if (during == QLatin1String("close")) {
            QCOMPARE(liveContexts.load(), 1);
            delete dialog;  // cancels; the context goes once the call returned
            QTRY_COMPARE(liveContexts.load(), 0);
            return;
        }
        QTest::mouseClick(part<QPushButton>(dialog, "cancelUpload"), Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(dialog->page(), PublishDialog::Page::Verdict, 30000);
    releaseHeldAnswers();
    const Clipferry::Verdict got = dialog->verdict();
    QCOMPARE(announced, 1);
    QCOMPARE(got.accepted(), verdict == QLatin1String("accepted"));
    QCOMPARE(got.result() == CLIPFERRY_OK, got.accepted());
    QCOMPARE(got.cancelled(), verdict.contains(QLatin1String("cancelled")));
    QCOMPARE(got.mayHaveBeenReceived(), verdict.contains(QLatin1String("may have been received")));
    auto* headline = part<QLabel>(dialog, "verdictHeadline");
    // Never offered as a failure to send again.
    QCOMPARE(part<QPushButton>(dialog, "backToForm")->isVisibleTo(dialog), !got.accepted() && !got.mayHaveBeenReceived());
    if (got.mayHaveBeenReceived()) QVERIFY(headline->text().contains(QLatin1String("may have been received")));
    if (verdict == QLatin1String("broke off")) {
        QVERIFY2(headline->text().contains(QLatin1String("broke off")), qPrintable(headline->text()));
        const QString explanation = part<QLabel>(dialog, "verdictExplanation")->text();
        QVERIFY2(explanation.contains(QStringLiteral("at %1%").arg(mostShown / 10)) &&
                     explanation.contains(QLatin1String("nothing was published")),
                 qPrintable(explanation));
    }
    if (verdict == QLatin1String("refused")) {
        QCOMPARE(got.result(), CLIPFERRY_REFUSED);
        const QString shown = part<QLabel>(dialog, reasonField.toLatin1().constData())->text();
        QVERIFY2(shown.contains(reason), qPrintable(shown));
    }
    if (got.accepted()) {
        QCOMPARE(mostShown, 1000);
        QVERIFY(part<QLabel>(dialog, "verdictMessage")->text().contains(title));
        // What the service said: received and awaiting moderation, not published yet.
        QCOMPARE(headline->text(), QStringLiteral("Received, awaiting moderation"));
    }
    int stored = 0;
    for (const auto& upload : receivedUploads()) {
        if (upload.toObject().value(QStringLiteral("status")).toString() == QLatin1String("SUCCESS")) ++stored;
    }
    QCOMPARE(stored, uploadsStored);
    if (got.accepted()) {  // the host's description went out as it was given
        const QJsonArray fields = receivedUploads().last().toObject().value(QStringLiteral("fields")).toArray();
        QVERIFY(fields.contains(QJsonArray{QStringLiteral("description"), description}));
    }

    // Closing the verdict: accepted only for an accepted upload, and the verdict read then is the one shown.
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    QVERIFY(closed);
    QCOMPARE(dialog->result(), int(got.accepted() ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(atClose.result(), got.result());
    QCOMPARE(atClose.mayHaveBeenReceived(), got.mayHaveBeenReceived());
    delete dialog;
    QTRY_COMPARE(liveContexts.load(), 0);
}

void PublishDialogTest::destroyedDuringAHeldCall_data() {
    QTest::addColumn<bool>("dialog");   // the dialog (with its own uploader), or an uploader alone
    QTest::addColumn<QString>("call");  // the one the service holds: "login", "file types", "discovery" or
                                        // "upload" (its verdict, once every byte went out)
    for (const bool dialog : {false, true}) {
        const char* owner = dialog ? "dialog" : "uploader";
        QTest::addRow("%s, login", owner) << dialog << "login";
        QTest::addRow("%s, a list", owner) << dialog << "file types";
        QTest::addRow("%s, the upload server's discovery", owner) << dialog << "discovery";
        QTest::addRow("%s, the upload", owner) << dialog << "upload";
    }
}

namespace {
int apiRequests() {
    int count = 0;
    for (const auto& request : recordedRequests()) {
        count += request.toObject().value(QStringLiteral("path")).toString() == QLatin1String("/0.1.1/api");
    }
    return count;
}

Clipferry::Upload harbourUpload(const QTemporaryDir& dir) {
    Clipferry::Upload upload;
    upload.setFile(makeVideo(dir, QStringLiteral("harbour.mp4"), 1 << 16));
    upload.setTitle(QStringLiteral("Harbour"));
    upload.setCategories({1});
    return upload;
}
}  // namespace

// Destroying returns while the service still holds its answer; the calls
// queued behind the held one are never made, and the context goes on the
// worker's thread once the call returned.
void PublishDialogTest::destroyedDuringAHeldCall() {
    QFETCH(bool, dialog);
    QFETCH(QString, call);
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    QTemporaryDir dir;
    const QString demo = QStringLiteral("demo");
    const QString password = QStringLiteral("demo-password");
    const QString api = QStringLiteral("/0.1.1/api");
    const bool uploading = call == QLatin1String("discovery") || call == QLatin1String("upload");
    const QString uploadPath = call == QLatin1String("discovery") ? QStringLiteral("/upload.xml") : QStringLiteral("/upload");
    QObject* owner = nullptr;
    int apiCalls = 0;  // the ones that reach the service
    if (dialog) {
        auto* publish = new PublishDialog;
        owner = publish;
        publish->setUser(demo);
        publish->setFile(harbourUpload(dir).file());
        publish->show();
        if (call == QLatin1String("login")) {
            holdNextAnswer(api);
        } else if (call == QLatin1String("file types")) {
            // The form is shown before its lists are asked for: the first of them is held.
            connect(publish, &PublishDialog::pageChanged, publish, [api](PublishDialog::Page page) {
                if (page == PublishDialog::Page::Form) holdNextAnswer(api);
            });
        }
        logIn(publish, password);
        apiCalls = call == QLatin1String("file types") ? 2 : 1;
        if (uploading) {
            QTRY_COMPARE_WITH_TIMEOUT(publish->page(), PublishDialog::Page::Form, 10000);
            QVERIFY(waitForLists(publish));
            tickCategory(publish, 0);
            apiCalls = 4;  // the login and the three lists
            holdNextAnswer(uploadPath);
            QTRY_VERIFY(part<QPushButton>(publish, "publish")->isEnabled());
            part<QPushButton>(publish, "publish")->click();
        }
    } else {
        auto* uploader = new Clipferry::Uploader;
        owner = uploader;
        if (call != QLatin1String("login")) {
            QSignalSpy loggedIn(uploader, &Clipferry::Uploader::loggedIn);
            uploader->login(demo, password);
            QVERIFY(loggedIn.wait(10000));
            apiCalls = 1;
        }
        holdNextAnswer(uploading ? uploadPath : api);
        if (call == QLatin1String("login")) uploader->login(demo, password);
        if (call == QLatin1String("file types")) uploader->fetchFileTypes();
        if (uploading) uploader->upload(harbourUpload(dir));
        apiCalls += !uploading;
        uploader->fetchCategories(0);
        uploader->fetchModerators();
    }
    QTRY_COMPARE_WITH_TIMEOUT(heldAnswers(), 1, 10000);
    QCOMPARE(liveContexts.load(), 1);
    delete owner;
    QCOMPARE(heldAnswers(), 1);  // returned while the call was still held
    releaseHeldAnswers();
    QTRY_COMPARE_WITH_TIMEOUT(liveContexts.load(), 0, 10000);
    QTRY_COMPARE(apiRequests(), apiCalls);
}

// One uploader for the host's whole run: the second dialog opens on the form,
// logged in, with the first's categories (in their order), moderator and
// tags; "Log out / another account" brings the login page back.
void PublishDialogTest::secondPublish() {
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    QTemporaryDir dir;
    const QString video = makeVideo(dir, QStringLiteral("harbour.mp4"), 64 << 10);
    Clipferry::Uploader uploader;
    auto publishAndWait = [](PublishDialog* dialog) {
        auto* publish = part<QPushButton>(dialog, "publish");
        QTRY_VERIFY(publish->isEnabled());
        publish->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialog->page(), PublishDialog::Page::Verdict, 20000);
        QVERIFY(dialog->verdict().accepted());
    };
    {
        PublishDialog first(&uploader, nullptr);
        first.setUser(QStringLiteral("demo"));
        first.setFile(video);
        first.show();
        logIn(&first, QStringLiteral("demo-password"));
        QTRY_COMPARE_WITH_TIMEOUT(first.page(), PublishDialog::Page::Form, 10000);
        QVERIFY(waitForLists(&first));
        auto* tree = part<QTreeWidget>(&first, "categories");
        tree->expandItem(tree->topLevelItem(0));
        QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
        tree->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);  // the main category
        tickCategory(&first, 2);
        part<QComboBox>(&first, "moderator")->setCurrentIndex(2);
        part<QLineEdit>(&first, "tags")->setText(QStringLiteral("gulls dusk"));
        publishAndWait(&first);
    }
    QCOMPARE(uploader.user(), QStringLiteral("demo"));

    PublishDialog second(&uploader, nullptr);
    second.setFile(video);
    QCOMPARE(second.page(), PublishDialog::Page::Form);
    QVERIFY(part<QLabel>(&second, "loggedInAs")->text().contains(QLatin1String("demo")));
    second.show();
    QVERIFY(waitForLists(&second));
    auto* tree = part<QTreeWidget>(&second, "categories");
    QTRY_VERIFY(tree->topLevelItem(0)->childCount() == 2 &&
                tree->topLevelItem(0)->child(1)->checkState(0) == Qt::Checked);
    QCOMPARE(tree->topLevelItem(0)->checkState(0), Qt::Unchecked);
    QCOMPARE(tree->topLevelItem(2)->checkState(0), Qt::Checked);
    QCOMPARE(part<QComboBox>(&second, "moderator")->currentIndex(), 2);
    QCOMPARE(part<QLineEdit>(&second, "tags")->text(), QStringLiteral("gulls dusk"));
    publishAndWait(&second);
    const QJsonArray uploads = receivedUploads();
    QCOMPARE(uploads.size(), 2);
    QCOMPARE(uploads[1].toObject().value(QStringLiteral("fields")), uploads[0].toObject().value(QStringLiteral("fields")));


    PublishDialog third(&uploader, nullptr);
    third.show();
    QCOMPARE(third.page(), PublishDialog::Page::Form);
    part<QPushButton>(&third, "logOut")->click();
    QCOMPARE(third.page(), PublishDialog::Page::Login);
    QVERIFY(part<QLineEdit>(&third, "user")->text().isEmpty());
    QVERIFY(!uploader.isLoggedIn());
    part<QLineEdit>(&third, "user")->setText(QStringLiteral("solo"));
    logIn(&third, QStringLiteral("solo-password"));
    QTRY_COMPARE_WITH_TIMEOUT(third.page(), PublishDialog::Page::Form, 10000);
    QCOMPARE(uploader.user(), QStringLiteral("solo"));
    QVERIFY(part<QLabel>(&third, "loggedInAs")->text().contains(QLatin1String("solo")));
}

// A list of types far longer than a first buffer: every type arrives.
void PublishDialogTest::fileTypesOfAnyLength() {
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    Clipferry::Uploader uploader;
    QSignalSpy loggedIn(&uploader, &Clipferry::Uploader::loggedIn);
    uploader.login(QStringLiteral("demo"), QStringLiteral("demo-password"));
    QVERIFY(loggedIn.wait(10000));
    QStringList types;
    for (int i = 0; i < 2500; ++i) types << QStringLiteral("*.t%1").arg(i, 4, 10, QLatin1Char('0'));
    types << QStringLiteral("*.last");
    const QString answer = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"http://api.lumivid.example/0.1.0/\">"
        "<SOAP-ENV:Body><ns1:GetFileTypesResponse><return><FileTypes>%1</FileTypes></return>"
        "</ns1:GetFileTypesResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>").arg(types.join(QLatin1Char(';')));
    scriptAnswer({{QStringLiteral("path"), QStringLiteral("/0.1.1/api")},
                  {QStringLiteral("body"), answer},
                  {QStringLiteral("times"), 10}});
    QSignalSpy fileTypes(&uploader, &Clipferry::Uploader::fileTypesReceived);
    uploader.fetchFileTypes();
    QVERIFY(fileTypes.wait(10000));
    QCOMPARE(fileTypes.at(0).at(0).toStringList(), types);
}

// A process that quits with a call handed off ends cleanly, once the call
// returned and its context was released.
void PublishDialogTest::quitWithACallHandedOff() {
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    holdNextAnswer(QStringLiteral("/0.1.1/api"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kQuitDuringAHeldLogin)});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    while (!said.contains("handed off\n") && child.waitForReadyRead(20000)) said += child.readAllStandardOutput();
    QCOMPARE(said, QByteArray("handed off\n"));
    QCOMPARE(heldAnswers(), 1);  // still in the login
    releaseHeldAnswers();
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput(), QByteArray("contexts left: 0\n"));
}

// A list that fails says so on the form, with "Reload", which asks for the
// lists again: then the form fills and Publish can be pressed.
void PublishDialogTest::listFailsAndIsAskedAgain() {
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    QTemporaryDir dir;
    Clipferry::Uploader uploader;
    QSignalSpy loggedIn(&uploader, &Clipferry::Uploader::loggedIn);
    uploader.login(QStringLiteral("demo"), QStringLiteral("demo-password"));
    QVERIFY(loggedIn.wait(10000));
    // The dialog asks for the file types first: the connection goes without an answer.
    scriptAnswer({{QStringLiteral("path"), QStringLiteral("/0.1.1/api")}, {QStringLiteral("drop"), true}});
    QSignalSpy failed(&uploader, &Clipferry::Uploader::callFailed);
    PublishDialog dialog(&uploader, nullptr);
    dialog.setFile(makeVideo(dir, QStringLiteral("harbour.mp4"), 64 << 10));
    dialog.show();
    auto* reload = part<QPushButton>(&dialog, "reload");
    auto* status = part<QLabel>(&dialog, "listStatus");
    QTRY_VERIFY2(failed.size() == 1 && reload->isVisible(), qPrintable(QStringLiteral("%1 calls failed; %2").arg(failed.size()).arg(status->text())));
    QCOMPARE(failed.at(0).at(0).value<Clipferry::Uploader::Call>(), Clipferry::Uploader::Call::FileTypes);
    QVERIFY2(status->text().contains(QLatin1String("The lists could not be loaded")), qPrintable(status->text()));
    QVERIFY(waitForLists(&dialog));
    tickCategory(&dialog, 0);
    auto* publish = part<QPushButton>(&dialog, "publish");
    QVERIFY(!publish->isEnabled());  // the file is not held against the types yet
    reload->click();
    QVERIFY(waitForLists(&dialog));
    tickCategory(&dialog, 0);
    QTRY_VERIFY(publish->isEnabled());
    QVERIFY(!reload->isVisible());
    QVERIFY2(!status->isVisible(), qPrintable(status->text()));
    QCOMPARE(failed.size(), 1);
}

void PublishDialogTest::moderatorChoice_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("allowed");     // what the moderators list says
    QTest::addColumn<int>("moderator");    // the one the upload names anyway
    QTest::addColumn<QString>("message");  // a part of the service's verdict
    QTest::addColumn<bool>("accepted");
    QTest::newRow("one of the account's") << "demo" << true << 502 << "awaits moderation" << true;
    QTest::newRow("one of another account's") << "demo" << true << 999 << "Unknown moderator 999" << false;
    QTest::newRow("an account that may choose none")
        << "solo" << false << 501 << "Moderator 501 is not one this account may choose" << false;
}

// The moderators an account may choose, and the service's refusal of any
// other, which comes back as a refusal in its own words: nothing received.
void PublishDialogTest::moderatorChoice() {
    QFETCH(QString, user);
    QFETCH(bool, allowed);
    QFETCH(int, moderator);
    QFETCH(QString, message);
    QFETCH(bool, accepted);
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    QTemporaryDir dir;
    Clipferry::Uploader uploader;
    QSignalSpy loggedIn(&uploader, &Clipferry::Uploader::loggedIn);
    uploader.login(user, user + QStringLiteral("-password"));
    QVERIFY(loggedIn.wait(10000));
    QSignalSpy moderators(&uploader, &Clipferry::Uploader::moderatorsReceived);
    uploader.fetchModerators();
    QVERIFY(moderators.wait(10000));
    const auto listed = moderators.at(0).at(0).value<QList<Clipferry::Moderator>>();
    QCOMPARE(moderators.at(0).at(1).toBool(), allowed);
    QCOMPARE(listed.size(), allowed ? 2 : 0);
    if (allowed) QCOMPARE(listed.at(1).lastName(), QStringLiteral("O'Neil"));

    Clipferry::Upload upload = harbourUpload(dir);
    upload.setModerator(moderator);
    QSignalSpy finished(&uploader, &Clipferry::Uploader::uploadFinished);
    uploader.upload(upload);
    QVERIFY(finished.wait(20000));
    const auto verdict = finished.at(0).at(0).value<Clipferry::Verdict>();
    QCOMPARE(verdict.accepted(), accepted);
    QCOMPARE(verdict.result(), accepted ? CLIPFERRY_OK : CLIPFERRY_REFUSED);
    QVERIFY2(verdict.message().contains(message), qPrintable(verdict.message()));
    QVERIFY(!verdict.mayHaveBeenReceived());
    const QJsonArray fields = receivedUploads().last().toObject().value(QStringLiteral("fields")).toArray();
    QVERIFY(fields.contains(QJsonArray{QStringLiteral("moderator"), QString::number(moderator)}));
}

// A plugin host waits, bounded, for the threads of its uploaders before it is
// unloaded: not done while a call is held, done once it returned.
void PublishDialogTest::waitForThreadsIsBounded() {
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    holdNextAnswer(QStringLiteral("/0.1.1/api"));
    {
        Clipferry::Uploader uploader;
        uploader.login(QStringLiteral("demo"), QStringLiteral("demo-password"));
        QTRY_COMPARE_WITH_TIMEOUT(heldAnswers(), 1, 10000);
    }
    QVERIFY(!Clipferry::Uploader::waitForThreads(100));
    releaseHeldAnswers();
    QVERIFY(Clipferry::Uploader::waitForThreads(20000));
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], kQuitDuringAHeldLogin) == 0) return quitDuringAHeldLogin(argc, argv);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);  // the settings the dialog keeps go to a test folder
    QTEST_SET_MAIN_SOURCE_PATH
    PublishDialogTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "publish_dialog_test.moc"
