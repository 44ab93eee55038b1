// The remembered login: the command's keyring entry and the dialog's
// "remember me" are one, in a test keyring; without a session bus nothing
// is stored and the dialog says so; and a keyring that never answers is
// given up on, said the same way.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <clipferry-common/keyring.h>

#include "dialog_driver.h"
#include "service_control.h"

using namespace ClipferryTest;
using Clipferry::PublishDialog;
namespace keyring = clipferry::keyring;

namespace {
const std::string service = CLIPFERRY_KEYRING_SERVICE;

bool storedFor(const char* user) {
    std::string error;
    const auto login = keyring::find(service, user, error);
    return login && login->password.view() == "demo-password";
}
}  // namespace

class KeyringTest : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8()); }
    void remembered_data();
    void remembered();
    void severalRemembered_data();
    void severalRemembered();
    void noKeyring();
    void silentKeyring();
    void uploaderRemembered_data();
    void uploaderRemembered();
};

void KeyringTest::uploaderRemembered_data() {
    QTest::addColumn<bool>("stored");
    QTest::newRow("remembered: logged in as it") << true;
    QTest::newRow("none remembered: refused with the keyring's words") << false;
}

// A host without a dialog (the OBS plugin) logs in with the remembered login.
void KeyringTest::uploaderRemembered() {
    QFETCH(bool, stored);
    std::string error;
    QVERIFY2(keyring::forget(service, "demo", error), error.c_str());
    if (stored) QVERIFY2(keyring::store(service, "demo", clipferry::Secret("demo-password"), error), error.c_str());
    Clipferry::Uploader uploader;
    QSignalSpy loggedIn(&uploader, &Clipferry::Uploader::loggedIn);
    QSignalSpy failed(&uploader, &Clipferry::Uploader::loginFailed);
    uploader.logInRemembered();
    QTRY_COMPARE_WITH_TIMEOUT(loggedIn.size() + failed.size(), 1, 10000);
    QCOMPARE(loggedIn.size(), stored ? 1 : 0);
    QCOMPARE(uploader.user(), stored ? QStringLiteral("demo") : QString());
    if (!stored) {
        QCOMPARE(failed.at(0).at(0).toInt(), 82);
        QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    }
    QVERIFY2(keyring::forget(service, "demo", error), error.c_str());
}

void KeyringTest::remembered_data() {
    QTest::addColumn<bool>("storedBefore");  // by the command
    QTest::addColumn<bool>("typed");         // the password typed before the dialog asked the keyring
    QTest::addColumn<bool>("tick");          // "remember me"
    QTest::addColumn<bool>("loggedInAlone");
    QTest::addColumn<bool>("storedAfter");
    QTest::newRow("the command's login used by the dialog") << true << false << false << true << true;
    QTest::newRow("remembered by the dialog, found by the command") << false << true << true << false << true;
    QTest::newRow("not remembered: forgotten") << true << true << false << false << false;
}

void KeyringTest::remembered() {
    QFETCH(bool, storedBefore);
    QFETCH(bool, typed);
    QFETCH(bool, tick);
    QFETCH(bool, loggedInAlone);
    QFETCH(bool, storedAfter);
    std::string error;
    QVERIFY2(keyring::forget(service, "demo", error), error.c_str());
    if (storedBefore) QVERIFY2(keyring::store(service, "demo", clipferry::Secret("demo-password"), error), error.c_str());

    PublishDialog dialog;
    if (typed) {
        dialog.setUser(QStringLiteral("demo"));
        part<QLineEdit>(&dialog, "password")->setText(QStringLiteral("demo-password"));
    }
    part<QCheckBox>(&dialog, "remember")->setChecked(tick);
    dialog.show();
    if (loggedInAlone) {
        QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), PublishDialog::Page::Form, 10000);
        QCOMPARE(part<QLineEdit>(&dialog, "user")->text(), QStringLiteral("demo"));
        QVERIFY(part<QCheckBox>(&dialog, "remember")->isChecked());
    } else {
        QCOMPARE(dialog.page(), PublishDialog::Page::Login);
        part<QPushButton>(&dialog, "logIn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), PublishDialog::Page::Form, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(storedFor("demo"), storedAfter, 10000);
    QVERIFY(part<QLabel>(&dialog, "keyringNote")->text().isEmpty());
}

void KeyringTest::severalRemembered_data() {
    QTest::addColumn<QString>("named");  // by the host; "" for none
    QTest::addColumn<bool>("asked");     // which login to use
    QTest::newRow("none named: the user is asked") << QString() << true;
    QTest::newRow("the host names one") << QStringLiteral("solo") << false;
}

// Two logins remembered by the command: never whichever the keyring lists
// first, and the form says who is logged in.
void KeyringTest::severalRemembered() {
    QFETCH(QString, named);
    QFETCH(bool, asked);
    std::string error;
    for (const char* user : {"demo", "solo"}) {
        const clipferry::Secret password(std::string(user) + "-password");
        QVERIFY2(keyring::store(service, user, password, error), error.c_str());
    }

    PublishDialog dialog;
    if (!named.isEmpty()) dialog.setUser(named);
    dialog.show();
    if (asked) {
        QComboBox* choice = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((choice = dialog.findChild<QComboBox*>(QStringLiteral("rememberedUser"))) &&
                                     choice->isVisible(),
                                 10000);
        QCOMPARE(dialog.page(), PublishDialog::Page::Login);
        QCOMPARE(choice->count(), 3);  // "Choose one…", then each user
        QCOMPARE(choice->itemText(1), QStringLiteral("demo"));
        choice->setCurrentIndex(choice->findText(QStringLiteral("solo")));
        QTRY_VERIFY_WITH_TIMEOUT(!part<QLineEdit>(&dialog, "password")->text().isEmpty(), 10000);
        QCOMPARE(dialog.page(), PublishDialog::Page::Login);
        part<QPushButton>(&dialog, "logIn")->click();
    }
    QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), PublishDialog::Page::Form, 10000);
    QCOMPARE(part<QLineEdit>(&dialog, "user")->text(), QStringLiteral("solo"));
    QVERIFY(part<QLabel>(&dialog, "loggedInAs")->text().contains(QLatin1String("solo")));
    for (const char* user : {"demo", "solo"}) QVERIFY2(keyring::forget(service, user, error), error.c_str());
}

void KeyringTest::noKeyring() {
    std::string error;
    QVERIFY(!keyring::store(service, "demo", clipferry::Secret("demo-password"), error));
    QVERIFY(!error.empty());
    error.clear();
    QVERIFY(!keyring::find(service, "demo", error));
    QVERIFY(!error.empty());

    PublishDialog dialog;
    dialog.setUser(QStringLiteral("demo"));
    part<QCheckBox>(&dialog, "remember")->setChecked(true);
    dialog.show();
    logIn(&dialog, QStringLiteral("demo-password"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), PublishDialog::Page::Form, 10000);
    auto* note = part<QLabel>(&dialog, "keyringNote");
    // In a user's words, not the session bus's.
    QTRY_COMPARE_WITH_TIMEOUT(note->text(), QStringLiteral("This desktop has no password store; the password will be "
                                                           "asked each time."), 10000);
}

// Under keyring_session.sh --silent: the dialog's look-up and its "remember
// me" give up on the keyring instead of waiting on it.
void KeyringTest::silentKeyring() {
    PublishDialog dialog;
    dialog.setUser(QStringLiteral("demo"));
    part<QCheckBox>(&dialog, "remember")->setChecked(true);
    dialog.show();
    logIn(&dialog, QStringLiteral("demo-password"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), PublishDialog::Page::Form, 10000);
    auto* note = part<QLabel>(&dialog, "keyringNote");
    QTRY_VERIFY_WITH_TIMEOUT(note->text().contains(QLatin1String("the keyring did not answer")), 15000);

    std::string error;
    QVERIFY(!keyring::find(service, "demo", error));
    QVERIFY2(error.find("did not answer") != std::string::npos, error.c_str());
}

QTEST_MAIN(KeyringTest)
#include "keyring_test.moc"
