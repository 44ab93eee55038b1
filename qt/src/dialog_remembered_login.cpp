// The dialog's remembered login: looked up in the keyring when the dialog is
// first shown, chosen among several, and kept or forgotten once a login
// worked. Every keyring call is a future (remembered_login.h): the window
// never waits on the keyring.
#include <QFutureWatcher>

#include "publish_dialog_private.h"
#include "remembered_login.h"

namespace Clipferry {

using namespace detail;

namespace {

// Runs `then` with the keyring's answer, unless the dialog is gone by then.
template <typename Answer, typename Then>
void whenAnswered(QObject* owner, const QFuture<Answer>& future, Then then) {
    auto* watcher = new QFutureWatcher<Answer>(owner);
    QObject::connect(watcher, &QFutureWatcher<Answer>::finished, owner, [watcher, then] {
        then(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(future);
}

}  // namespace

// A user the host named logs in with their remembered login; with none named,
// the only login remembered is used, and with several the user is asked.
void PublishDialog::Private::useRememberedLogin() {
    // An uploader that is logged in already needs none.
    if (!keyringBuiltIn() || q->page() != Page::Login) return;
    const QString named = login->user->text().trimmed();
    if (!named.isEmpty()) {
        logInAsRemembered(named);
        return;
    }
    whenAnswered(q, rememberedUsers(), [this](const RememberedUsers& answer) {
        if (answer.users.isEmpty() || !loginUntouched(QString())) return;
        if (answer.users.size() == 1) {
            logInAsRemembered(answer.users.first());
        } else {
            askWhichLogin(answer.users);
        }
    });
}

// Only while the user has not started a login of their own.
bool PublishDialog::Private::loginUntouched(const QString& user) const {
    const QString typed = login->user->text().trimmed();
    return q->page() == Page::Login && login->logIn->isEnabled() && login->password->text().isEmpty() &&
           (typed.isEmpty() || typed == user);
}

void PublishDialog::Private::logInAsRemembered(const QString& user) {
    whenAnswered(q, findLogin(user), [this, user](const KeyringAnswer& answer) {
        if (!answer.ok || !loginUntouched(user)) return;
        login->user->setText(answer.user);
        login->password->setText(answer.password);
        login->remember->setChecked(true);
        startLogin();
    });
}

void PublishDialog::Private::askWhichLogin(const QStringList& users) {
    const QSignalBlocker blocker(login->rememberedUser);
    login->rememberedUser->clear();
    login->rememberedUser->addItem(tr("Choose one…"));
    for (const QString& user : users) login->rememberedUser->addItem(user, user);
    login->rememberedLabel->show();
    login->rememberedUser->show();
    showReason(login->reason, tr("Several logins are remembered on this computer: choose yours, or type another."));
    login->rememberedUser->setFocus();
}

// The user picked a remembered login: its password is filled in, and Log in
// is theirs to press.
void PublishDialog::Private::rememberedChosen() {
    const QString user = login->rememberedUser->currentData().toString();
    if (user.isEmpty()) return;
    login->user->setText(user);
    login->password->clear();
    whenAnswered(q, findLogin(user), [this, user](const KeyringAnswer& answer) {
        if (!answer.ok || login->rememberedUser->currentData().toString() != user || !loginUntouched(user)) return;
        login->password->setText(answer.password);
        login->remember->setChecked(true);
        showReason(login->reason, QString());
        login->logIn->setFocus();
    });
}

// The login that worked is kept when "remember me" is ticked, and an earlier
// one forgotten when it is not.
void PublishDialog::Private::keepLogin() {
    if (!keyringBuiltIn()) return;
    const QString user = login->user->text().trimmed();
    if (!login->remember->isChecked()) {
        whenAnswered(q, forgetLogin(user), [](const KeyringAnswer&) {});
        return;
    }
    whenAnswered(q, rememberLogin(user, login->password->text()), [this](const KeyringAnswer& answer) {
        showReason(form->keyringNote, answer.ok         ? QString()
                                      : answer.noStore ? tr("This desktop has no password store; the password "
                                                            "will be asked each time.")
                                                       : tr("Your login could not be remembered: %1").arg(answer.error));
    });
}

}  // namespace Clipferry
