// The dialog's login, typed or remembered (dialog_remembered_login.cpp):
// kept for the life of the uploader, and ended with "Log out / another account".
#include <clipferry.h>

#include "publish_dialog_private.h"
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
