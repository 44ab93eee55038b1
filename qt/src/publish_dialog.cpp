// The dialog's flow: login, the form and its checks, sending, the verdict,
// each step a call on the dialog's own uploader answered by a signal.
#include "clipferry-qt/PublishDialog.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <clipferry.h>

#include "form_checks.h"
#include "pages.h"
#include "remembered_login.h"
#include "transfer_rate.h"
#include "upload_rules.h"
#include "verdict_words.h"

namespace Clipferry {

namespace rules = ::clipferry::rules;

using namespace detail;

namespace {

constexpr int kIdRole = Qt::UserRole;

}  // namespace

struct PublishDialog::Private {
    explicit Private(PublishDialog* dialog) : q(dialog) {}
    static QString tr(const char* text) { return PublishDialog::tr(text); }

    PublishDialog* q;
    Uploader uploader;
    QStackedWidget* stack = nullptr;
    LoginPage* login = nullptr;
    FormPage* form = nullptr;
    SendingPage* sending = nullptr;
    VerdictPage* verdictPage = nullptr;

    QStringList fileTypes;
    bool fileTypesKnown = false;
    bool categoriesLoaded = false;
    QHash<int, QTreeWidgetItem*> categoryItems;
    QSet<int> askedParents;
    QList<int> chosen;  // in the order they were ticked: the first is the main category
    Verdict verdict;
    QElapsedTimer clock;
    TransferRate rate;
    qint64 sentShown = 0;  // of the upload under way, as last reported
    qint64 totalShown = 0;
    bool keyringAsked = false;

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
    void loadLists();
    void addCategories(int parent, const QList<Category>& children);
    void setModerators(const QList<Moderator>& moderators, bool allowed);
    void listFailed(int result);
    void categoryChanged(QTreeWidgetItem* item);
    Upload currentUpload() const;
    void updateChecks();
    void chooseFile();
    void publish();
    void cancelUpload();
    void showProgress(qint64 sent, qint64 total);
    void finished(const Verdict& result);
};

void PublishDialog::Private::build() {
    stack = new QStackedWidget(q);
    login = new LoginPage(stack);
    form = new FormPage(stack);
    sending = new SendingPage(stack);
    verdictPage = new VerdictPage(stack);
    for (QWidget* page : {static_cast<QWidget*>(login), static_cast<QWidget*>(form),
                          static_cast<QWidget*>(sending), static_cast<QWidget*>(verdictPage)}) {
        stack->addWidget(page);
    }
    auto* layout = new QVBoxLayout(q);
    layout->addWidget(stack);

    QObject::connect(login->logIn, &QPushButton::clicked, q, [this] { startLogin(); });
    QObject::connect(login->rememberedUser, QOverload<int>::of(&QComboBox::currentIndexChanged), q,
                     [this] { rememberedChosen(); });
    QObject::connect(&uploader, &Uploader::loggedIn, q, [this] { loggedIn(); });
    QObject::connect(&uploader, &Uploader::loginFailed, q, [this](int result) { loginFailed(result); });
    QObject::connect(&uploader, &Uploader::fileTypes, q, [this](const QStringList& patterns) {
        fileTypes = patterns;
        fileTypesKnown = true;
        updateChecks();
    });
    QObject::connect(&uploader, &Uploader::categories, q,
            [this](int parent, const QList<Category>& children) { addCategories(parent, children); });
    QObject::connect(&uploader, &Uploader::moderators, q,
            [this](const QList<Moderator>& list, bool allowed) { setModerators(list, allowed); });
    QObject::connect(&uploader, &Uploader::callFailed, q, [this](Uploader::Call, int result) { listFailed(result); });
    QObject::connect(&uploader, &Uploader::progress, q, [this](qint64 sent, qint64 total) { showProgress(sent, total); });
    QObject::connect(&uploader, &Uploader::finished, q, [this](const Verdict& result) { finished(result); });

    for (QLineEdit* edit : {form->file, form->title, form->tags}) {
        QObject::connect(edit, &QLineEdit::textChanged, q, [this] { updateChecks(); });
    }
    QObject::connect(form->description, &QPlainTextEdit::textChanged, q, [this] { updateChecks(); });
    QObject::connect(form->categories, &QTreeWidget::itemChanged, q, [this](QTreeWidgetItem* item) { categoryChanged(item); });
    QObject::connect(form->categories, &QTreeWidget::itemExpanded, q, [this](QTreeWidgetItem* item) {
        const int id = item->data(0, kIdRole).toInt();
        if (!askedParents.contains(id)) {
            askedParents.insert(id);
            uploader.fetchCategories(id);
        }
    });
    QObject::connect(form->chooseFile, &QPushButton::clicked, q, [this] { chooseFile(); });
    QObject::connect(form->reload, &QPushButton::clicked, q, [this] { loadLists(); });
    QObject::connect(form->publish, &QPushButton::clicked, q, [this] { publish(); });
    QObject::connect(sending->cancel, &QPushButton::clicked, q, [this] { cancelUpload(); });
    QObject::connect(verdictPage->back, &QPushButton::clicked, q, [this] { showPage(Page::Form); });
    QObject::connect(verdictPage->close, &QPushButton::clicked, q, [this] {
        if (verdict.accepted) {
            q->accept();
        } else {
            q->reject();
        }
    });
    login->remember->setVisible(keyringBuiltIn());
    updateChecks();
    showPage(Page::Login);
}

void PublishDialog::Private::showPage(Page page) {
    QWidget* pages[] = {login, form, sending, verdictPage};
    // Sending has none: Enter pressed once too often must not cancel an upload.
    QPushButton* defaults[] = {login->logIn, form->publish, nullptr, verdictPage->close};
    const int index = static_cast<int>(page);
    stack->setCurrentWidget(pages[index]);
    for (QPushButton* button : defaults) {
        if (button) button->setDefault(false);
    }
    if (defaults[index]) defaults[index]->setDefault(true);
    QWidget* focus[] = {login->user->text().isEmpty() ? static_cast<QWidget*>(login->user) : login->password,
                        form->title, sending->cancel, verdictPage->close};
    focus[index]->setFocus();
    emit q->pageChanged(page);
}

void PublishDialog::Private::startLogin() {
    if (login->user->text().trimmed().isEmpty()) {
        showReason(login->reason, tr("Give your user name."));
        login->user->setFocus();
        return;
    }
    login->setBusy(true);
    showReason(login->reason, tr("Logging in…"));
    uploader.login(login->user->text().trimmed(), login->password->text());
}

void PublishDialog::Private::loggedIn() {
    login->setBusy(false);
    form->loggedInAs->setText(tr("Logged in to Lumivid as %1.").arg(login->user->text().trimmed()));
    showReason(login->reason, QString());
    showPage(Page::Form);
    loadLists();
    keepLogin();
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
    if (!keyringBuiltIn()) return;
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
        showReason(form->keyringNote,
                   answer.ok ? QString() : tr("Your login could not be remembered: %1").arg(answer.error));
    });
}

void PublishDialog::Private::loginFailed(int result) {
    login->setBusy(false);
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

void PublishDialog::Private::loadLists() {
    form->reload->hide();
    showReason(form->status, tr("Loading the lists…"));
    fileTypesKnown = false;
    categoriesLoaded = false;
    chosen.clear();
    categoryItems.clear();
    askedParents = {0};
    form->categories->clear();
    uploader.fetchFileTypes();
    uploader.fetchCategories(0);
    uploader.fetchModerators();
    updateChecks();
}

void PublishDialog::Private::addCategories(int parent, const QList<Category>& children) {
    QTreeWidgetItem* parentItem = parent == 0 ? form->categories->invisibleRootItem() : categoryItems.value(parent);
    if (!parentItem) return;  // the tree was reloaded meanwhile
    const QSignalBlocker blocker(form->categories);
    for (const Category& category : children) {
        auto* item = new QTreeWidgetItem(parentItem, {category.name});
        item->setData(0, kIdRole, category.id);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        // Whether it has children is known only once it is opened.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        categoryItems.insert(category.id, item);
    }
    if (parent != 0) {
        parentItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    } else {
        categoriesLoaded = true;
        showReason(form->status, QString());
    }
    updateChecks();
}

void PublishDialog::Private::setModerators(const QList<Moderator>& moderators, bool allowed) {
    form->moderator->clear();
    form->moderator->addItem(tr("None"), 0);
    for (const Moderator& moderator : moderators) {
        form->moderator->addItem(QStringLiteral("%1 %2").arg(moderator.firstName, moderator.lastName).trimmed(),
                                 moderator.id);
    }
    form->moderator->setEnabled(allowed && !moderators.isEmpty());
    showReason(form->moderatorNote, allowed ? QString() : tr("This account may not choose a moderator."));
}

void PublishDialog::Private::listFailed(int result) {
    showReason(form->status, tr("The lists could not be loaded: %1").arg(failureText(result)));
    form->reload->show();
    updateChecks();
}

void PublishDialog::Private::categoryChanged(QTreeWidgetItem* item) {
    const int id = item->data(0, kIdRole).toInt();
    chosen.removeAll(id);
    if (item->checkState(0) == Qt::Checked) chosen.append(id);
    updateChecks();
}

Upload PublishDialog::Private::currentUpload() const {
    Upload upload;
    upload.file = form->file->text();
    upload.title = form->title->text();
    upload.description = form->description->toPlainText();
    upload.tags = form->tags->text();
    upload.categories = chosen;
    upload.moderator = form->moderator->currentData().toInt();
    return upload;
}

void PublishDialog::Private::updateChecks() {
    const FormReasons reasons = FormChecks::check(currentUpload(), fileTypes);
    showReason(form->fileReason, reasons.file);
    showReason(form->titleReason, reasons.title);
    showReason(form->descriptionReason, reasons.description);
    showReason(form->tagsReason, reasons.tags);
    showReason(form->categoriesReason, categoriesLoaded ? reasons.categories : QString());
    // The file is held against the service's types only once they are known.
    form->publish->setEnabled(reasons.ok() && fileTypesKnown && categoriesLoaded);
}

void PublishDialog::Private::chooseFile() {
    QStringList wildcards;
    for (const QString& pattern : fileTypes) {
        wildcards << QString::fromStdString(rules::asWildcard(pattern.toStdString()));
    }
    QStringList filters;
    if (!wildcards.isEmpty()) filters << tr("Videos Lumivid takes (%1)").arg(wildcards.join(QLatin1Char(' ')));
    filters << tr("All files (*)");
    const QString start = form->file->text().isEmpty() ? QString() : QFileInfo(form->file->text()).absolutePath();
    const QString chosenFile = QFileDialog::getOpenFileName(q, tr("Choose a video"), start, filters.join(QStringLiteral(";;")));
    if (!chosenFile.isEmpty()) q->setFile(chosenFile);
}

void PublishDialog::Private::publish() {
    if (!form->publish->isEnabled()) return;
    const Upload upload = currentUpload();
    sending->heading->setText(tr("Sending “%1”").arg(upload.title));
    sending->bar->setValue(0);
    sending->details->setText(tr("Finding the upload server…"));
    sending->cancel->setEnabled(true);
    rate = TransferRate();
    sentShown = totalShown = 0;
    clock.start();
    showPage(Page::Sending);
    uploader.upload(upload);
}

void PublishDialog::Private::cancelUpload() {
    uploader.cancel();
    sending->cancel->setEnabled(false);
    sending->details->setText(tr("Cancelling…"));
}

void PublishDialog::Private::showProgress(qint64 sent, qint64 total) {
    if (total <= 0) return;
    sentShown = sent;
    totalShown = total;
    rate.add(clock.elapsed(), sent);
    sending->bar->setValue(int(sent * 1000 / total));
    if (!sending->cancel->isEnabled()) return;  // "Cancelling…" stays
    const QLocale locale;
    QStringList parts{tr("%1 of %2").arg(locale.formattedDataSize(sent), locale.formattedDataSize(total))};
    const double speed = rate.bytesPerSecond();
    parts << (speed >= 0 ? tr("%1/s").arg(locale.formattedDataSize(qint64(speed))) : tr("--/s"));
    const qint64 left = rate.secondsLeft(total);
    parts << (sent >= total   ? tr("waiting for Lumivid's answer")
              : speed == 0    ? tr("stalled")
              : left >= 0     ? tr("%1 left").arg(duration(left))
                              : tr("--:-- left"));
    sending->details->setText(parts.join(QStringLiteral(" · ")));
}

void PublishDialog::Private::finished(const Verdict& result) {
    verdict = result;
    VerdictPage* page = verdictPage;
    showReason(page->message, result.message);
    page->back->setVisible(!result.accepted && !result.mayHaveBeenReceived);
    const VerdictWords words = verdictWords(result, sentShown, totalShown);
    page->headline->setText(words.headline);
    page->explanation->setText(words.explanation);
    showPage(Page::Verdict);
    emit q->uploadFinished(result);
}

PublishDialog::PublishDialog(QWidget* parent) : QDialog(parent), d(std::make_unique<Private>(this)) {
    setWindowTitle(tr("Publish to Lumivid"));
    d->build();
}

PublishDialog::~PublishDialog() = default;

void PublishDialog::setUser(const QString& user) {
    d->login->user->setText(user);
    if (page() == Page::Login && !user.isEmpty()) d->login->password->setFocus();
}

void PublishDialog::setFile(const QString& path) {
    d->form->file->setText(path);
    if (d->form->title->text().isEmpty()) d->form->title->setText(QFileInfo(path).completeBaseName());
}

void PublishDialog::setTitle(const QString& title) { d->form->title->setText(title); }
void PublishDialog::setDescription(const QString& description) { d->form->description->setPlainText(description); }
void PublishDialog::setTags(const QString& tags) { d->form->tags->setText(tags); }

void PublishDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!d->keyringAsked) {
        d->keyringAsked = true;
        d->useRememberedLogin();
    }
}

PublishDialog::Page PublishDialog::page() const { return static_cast<Page>(d->stack->currentIndex()); }

Verdict PublishDialog::verdict() const { return d->verdict; }

void PublishDialog::reject() {
    switch (page()) {
    case Page::Sending:
        // The outcome is not known yet: the upload is cancelled and the
        // dialog stays until it shows what happened.
        if (d->sending->cancel->isEnabled()) d->cancelUpload();
        return;
    case Page::Verdict:
        if (d->verdict.accepted) {  // the video is published: closing is no rejection
            accept();
            return;
        }
        break;
    default:
        break;
    }
    QDialog::reject();
}

}  // namespace Clipferry
