// The dialog's state and steps, shared by its files: publish_dialog.cpp (the
// pages and the form), dialog_login.cpp (logging in and out),
// dialog_remembered_login.cpp (the keyring) and dialog_sending.cpp (sending
// and the verdict).
#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QStackedWidget>
#include <QTimer>

#include <memory>

#include "clipferry-qt/PublishDialog.h"
#include "pages.h"
#include "remembered_choices.h"
#include "transfer_rate.h"

namespace Clipferry {

// Hidden: a nested class takes its exported owner's visibility otherwise, and its
// functions would be part of the library's ABI.
struct Q_DECL_HIDDEN PublishDialog::Private {
    Private(PublishDialog* dialog, Uploader* hosts);
    static QString tr(const char* text) { return PublishDialog::tr(text); }

    PublishDialog* q;
    // The host's, when it gave one (it keeps the login between dialogs), else the dialog's own.
    std::unique_ptr<Uploader> ownUploader;
    QPointer<Uploader> uploader;
    QStackedWidget* stack = nullptr;
    detail::LoginPage* login = nullptr;
    detail::FormPage* form = nullptr;
    detail::SendingPage* sending = nullptr;
    detail::VerdictPage* verdictPage = nullptr;

    QStringList fileTypes;
    bool fileTypesKnown = false;
    bool categoriesLoaded = false;
    bool listFailedShown = false;  // a list failed since the last (re)load: its reason stays
    QHash<int, QTreeWidgetItem*> categoryItems;
    QSet<int> askedParents;
    QList<int> chosen;  // in the order they were ticked: the first is the main category
    // The last publish's choices, put back as the lists arrive; the
    // categories until the user ticks one of their own.
    detail::Choices remembered;
    Verdict verdict;
    QElapsedTimer clock;
    detail::TransferRate rate;
    qint64 sentShown = 0;  // of the upload under way, as last reported
    qint64 totalShown = 0;
    qint64 firstByteAt = -1;  // on `clock`, once bytes went out
    qint64 allSentAt = -1;    // on `clock`, once the last byte went out
    QTimer waitTicker;      // the seconds waited for the verdict
    QPointer<QMessageBox> stopQuestion;
    bool keyringAsked = false;
    bool loginAsked = false;  // by this dialog, and not answered yet

    void useRememberedLogin();
    bool loginUntouched(const QString& user) const;
    void logInAsRemembered(const QString& user);
    void askWhichLogin(const QStringList& users);
    void rememberedChosen();
    void keepLogin();

    void build();
    void showPage(Page page);
    void startLogin();
    void loggedIn();
    void loginFailed(int result);
    void logOut();
    void loadLists();
    void addCategories(int parent, const QList<Category>& children);
    void setModerators(const QList<Moderator>& moderators, bool allowed);
    void listFailed(int result);
    void categoryChanged(QTreeWidgetItem* item);
    QList<int> chainOf(int category) const;
    int rememberedAt(int category) const;
    Upload currentUpload() const;
    void updateChecks();
    void chooseFile();
    void publish();
    bool worthAsking() const;
    void askBeforeStopping();
    void cancelUpload();
    void showProgress(qint64 sent, qint64 total);
    void showWaiting();
    void fitHeight();
    void finished(const Verdict& result);
};

}  // namespace Clipferry
