// The dialog's login: typed, or remembered in the keyring; kept for the
// life of the uploader, and ended with "Log out / another account".
#include <QFutureWatcher>

#include <clipferry.h>

#include "publish_dialog_private.h"
#include "remembered_login.h"
#include "verdict_words.h"

namespace Clipferry {

using namespace detail;

void PublishDialog::Private::startLogin() {
    if (login->user->text().trimmed().isEmpty()) {
        showReason(login->reason, tr("Give your user name."));
        login->user->setFocus();
        return;
    }
    login->setBusy(true);
    loginAsked = true;
    showReason(login->reason, tr("Logging in…"));
    uploader->login(login->user->text().trimmed(), login->password->text());
}

void PublishDialog::Private::loggedIn() {
    login->setBusy(false);
    form->loggedInAs->setText(tr("Logged in to Lumivid as %1.").arg(uploader->user()));
    showReason(login->reason, QString());
    showPage(Page::Form);
    loadLists();
    // Only a login made here is remembered or forgotten, never the one the
    // host's uploader brought along.
    if (loginAsked) keepLogin();
    loginAsked = false;
}

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

void PublishDialog::Private::loginFailed(int result) {
    login->setBusy(false);
    loginAsked = false;
    QString reason;
    if (result == CLIPFERRY_REFUSED) {
        reason = tr("The user name or password is wrong.");
    } else if (result == CLIPFERRY_BAD_ARGUMENT) {
        reason = tr("The user name or password is too long, or holds a character that cannot be sent.");
    } else {
        reason = failureText(result);
    }
    showReason(login->reason, reason);
    login->password->setFocus();
    login->password->selectAll();
}

// "Log out / another account": the session ends, and the login page is
// there for whoever logs in next; a remembered login stays remembered.
void PublishDialog::Private::logOut() {
    uploader->logOut();
    login->user->clear();
    login->password->clear();
    login->remember->setChecked(false);
    showReason(login->reason, QString());
    showReason(form->keyringNote, QString());
    form->loggedInAs->clear();
    showPage(Page::Login);
}

}  // namespace Clipferry
