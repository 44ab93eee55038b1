// The dialog's "remember me": the keyring entry the command uses too
// (clipferry-common/keyring.h), reached on a pool thread so the window never
// waits on the keyring's answer or its unlock prompt.
#pragma once

#include <QFuture>
#include <QString>
#include <QStringList>

namespace Clipferry::detail {

struct KeyringAnswer {
    bool ok = false;  // stored, forgotten, or found
    QString user;
    QString password;
    QString error;  // why the keyring could not be used; empty when there was simply nothing
    bool noStore = false;  // this desktop has no keyring to ask at all (no session bus)
};

struct RememberedUsers {
    QStringList users;  // every user with a login kept, sorted
    QString error;
};

// Whether this build has a keyring at all.
bool keyringBuiltIn();
// With an empty user, the first login stored for the service.
QFuture<KeyringAnswer> findLogin(const QString& user);
// No password is read for it.
QFuture<RememberedUsers> rememberedUsers();
QFuture<KeyringAnswer> rememberLogin(const QString& user, const QString& password);
QFuture<KeyringAnswer> forgetLogin(const QString& user);

}  // namespace Clipferry::detail
