// The keyring calls as futures; a build without libsecret answers that
// there is no keyring.
#include "remembered_login.h"

#include <QtConcurrent/QtConcurrentRun>

#if defined(CLIPFERRY_QT_KEYRING)
#include <clipferry-common/keyring.h>
#endif

namespace Clipferry::detail {

#if defined(CLIPFERRY_QT_KEYRING)

namespace keyring = ::clipferry::keyring;

namespace {
// No keyring to ask on this desktop: no session bus named, none where one
// is named (GLib's words), or a bus with no keyring service on it.
bool noStore(const std::string& error) {
    return error.rfind("no session bus", 0) == 0 || error.rfind("Could not connect", 0) == 0 ||
           error.rfind("no keyring service is running", 0) == 0;
}
}  // namespace

bool keyringBuiltIn() { return true; }

QFuture<KeyringAnswer> findLogin(const QString& user) {
    return QtConcurrent::run([user] {
        KeyringAnswer answer;
        std::string error;
        if (const auto login = keyring::find(CLIPFERRY_KEYRING_SERVICE, user.toStdString(), error)) {
            const std::string_view password = login->password.view();
            answer = {true, QString::fromStdString(login->user),
                      QString::fromUtf8(password.data(), static_cast<qsizetype>(password.size())), {}};
        }
        answer.error = QString::fromStdString(error);
        answer.noStore = noStore(error);
        return answer;
    });
}

QFuture<RememberedUsers> rememberedUsers() {
    return QtConcurrent::run([] {
        RememberedUsers answer;
        std::string error;
        for (const std::string& user : keyring::users(CLIPFERRY_KEYRING_SERVICE, error)) {
            answer.users << QString::fromStdString(user);
        }
        answer.error = QString::fromStdString(error);
        return answer;
    });
}

QFuture<KeyringAnswer> rememberLogin(const QString& user, const QString& password) {
    return QtConcurrent::run([user, password] {
        KeyringAnswer answer;
        std::string error;
        QByteArray utf8 = password.toUtf8();
        const clipferry::Secret secret(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        clipferry::wipeBytes(utf8.data(), static_cast<size_t>(utf8.size()));
        answer.ok = keyring::store(CLIPFERRY_KEYRING_SERVICE, user.toStdString(), secret, error);
        answer.error = QString::fromStdString(error);
        answer.noStore = noStore(error);
        return answer;
    });
}

QFuture<KeyringAnswer> forgetLogin(const QString& user) {
    return QtConcurrent::run([user] {
        KeyringAnswer answer;
        std::string error;
        answer.ok = keyring::forget(CLIPFERRY_KEYRING_SERVICE, user.toStdString(), error);
        answer.error = QString::fromStdString(error);
        answer.noStore = noStore(error);
        return answer;
    });
}

#else

bool keyringBuiltIn() { return false; }

namespace {
QFuture<KeyringAnswer> none() {
    return QtFuture::makeReadyFuture(KeyringAnswer{false, {}, {}, QStringLiteral("no keyring in this build"), true});
}
}  // namespace

QFuture<KeyringAnswer> findLogin(const QString&) { return none(); }
QFuture<RememberedUsers> rememberedUsers() {
    return QtFuture::makeReadyFuture(RememberedUsers{{}, QStringLiteral("no keyring in this build"), true});
}
QFuture<KeyringAnswer> rememberLogin(const QString&, const QString&) { return none(); }
QFuture<KeyringAnswer> forgetLogin(const QString&) { return none(); }

#endif

}  // namespace Clipferry::detail
