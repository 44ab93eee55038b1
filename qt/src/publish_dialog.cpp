// The dialog's pages and its form: each step a call on the uploader,
// answered by a signal; the login and the sending are in dialog_login.cpp
// and dialog_sending.cpp.
#include "clipferry-qt/PublishDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QVBoxLayout>

#include <algorithm>

#include <clipferry-common/file_types.h>

#include "form_checks.h"
#include "publish_dialog_private.h"
#include "remembered_login.h"
#include "verdict_words.h"

namespace Clipferry {

namespace rules = ::clipferry::rules;

using namespace detail;

namespace {

constexpr int kIdRole = Qt::UserRole;

}  // namespace

PublishDialog::Private::Private(PublishDialog* dialog, Uploader* hosts)
    : q(dialog), ownUploader(hosts ? nullptr : std::make_unique<Uploader>()), uploader(hosts ? hosts : ownUploader.get()) {}

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
    QObject::connect(uploader.data(), &Uploader::loggedIn, q, [this] { loggedIn(); });
    QObject::connect(uploader.data(), &Uploader::loginFailed, q, [this](int result) { loginFailed(result); });
    QObject::connect(uploader.data(), &Uploader::fileTypesReceived, q, [this](const QStringList& patterns) {
        fileTypes = patterns;
        fileTypesKnown = true;
        updateChecks();
    });
    QObject::connect(uploader.data(), &Uploader::categoriesReceived, q,
            [this](int parent, const QList<Category>& children) { addCategories(parent, children); });
    QObject::connect(uploader.data(), &Uploader::moderatorsReceived, q,
            [this](const QList<Moderator>& list, bool allowed) { setModerators(list, allowed); });
    QObject::connect(uploader.data(), &Uploader::callFailed, q, [this](Uploader::Call, int result) { listFailed(result); });
    QObject::connect(uploader.data(), &Uploader::uploadProgress, q, [this](qint64 sent, qint64 total) { showProgress(sent, total); });
    QObject::connect(uploader.data(), &Uploader::uploadFinished, q, [this](const Verdict& result) { finished(result); });

    QObject::connect(form->file, &ElidedPath::pathChanged, q, [this] { updateChecks(); });
    QObject::connect(form->logOut, &QPushButton::clicked, q, [this] { logOut(); });
    QObject::connect(&waitTicker, &QTimer::timeout, q, [this] { showWaiting(); });
    for (QLineEdit* edit : {form->title, form->tags}) {
        QObject::connect(edit, &QLineEdit::textChanged, q, [this] { updateChecks(); });
    }
    QObject::connect(form->description, &QPlainTextEdit::textChanged, q, [this] { updateChecks(); });
    QObject::connect(form->categories, &QTreeWidget::itemChanged, q, [this](QTreeWidgetItem* item) { categoryChanged(item); });
    QObject::connect(form->categories, &QTreeWidget::itemExpanded, q, [this](QTreeWidgetItem* item) {
        const int id = item->data(0, kIdRole).toInt();
        if (!askedParents.contains(id)) {
            askedParents.insert(id);
            uploader->fetchCategories(id);
        }
    });
    QObject::connect(form->chooseFile, &QPushButton::clicked, q, [this] { chooseFile(); });
    QObject::connect(form->reload, &QPushButton::clicked, q, [this] { loadLists(); });
    QObject::connect(form->publish, &QPushButton::clicked, q, [this] { publish(); });
    QObject::connect(sending->cancel, &QPushButton::clicked, q, [this] { cancelUpload(); });
    QObject::connect(verdictPage->back, &QPushButton::clicked, q, [this] { showPage(Page::Form); });
    QObject::connect(verdictPage->close, &QPushButton::clicked, q, [this] {
        if (verdict.accepted()) {
            q->accept();
        } else {
            q->reject();
        }
    });
    login->remember->setVisible(keyringBuiltIn());
    remembered = loadChoices();
    form->tags->setText(remembered.tags);  // the host's setTags() comes after
    updateChecks();
    if (uploader->isLoggedIn()) {
        // The host's uploader kept the login of an earlier dialog.
        login->user->setText(uploader->user());
        loggedIn();
    } else {
        showPage(Page::Login);
    }
}

void PublishDialog::Private::showPage(Page page) {
    QWidget* pages[] = {login, form, sending, verdictPage};
    // Sending has none: Enter pressed once too often must not cancel an upload.
    QPushButton* defaults[] = {login->logIn, form->publish, nullptr, verdictPage->close};
    const int index = static_cast<int>(page);
    stack->setCurrentWidget(pages[index]);
    // The dialog takes the size this page needs, not the largest page's.
    stack->updateGeometry();
    q->layout()->invalidate();
    q->layout()->activate();
    q->adjustSize();
    for (QPushButton* button : defaults) {
        if (button) button->setDefault(false);
    }
    if (defaults[index]) defaults[index]->setDefault(true);
    QWidget* focus[] = {login->user->text().isEmpty() ? static_cast<QWidget*>(login->user) : login->password,
                        form->title, sending->cancel, verdictPage->close};
    focus[index]->setFocus();
    emit q->pageChanged(page);
}

void PublishDialog::Private::loadLists() {
    form->reload->hide();
    showReason(form->status, tr("Loading the lists…"));
    fileTypesKnown = false;
    categoriesLoaded = false;
    listFailedShown = false;
    chosen.clear();
    categoryItems.clear();
    askedParents = {0};
    form->categories->clear();
    uploader->fetchFileTypes();
    uploader->fetchCategories(0);
    uploader->fetchModerators();
    updateChecks();
}

void PublishDialog::Private::addCategories(int parent, const QList<Category>& children) {
    QTreeWidgetItem* parentItem = parent == 0 ? form->categories->invisibleRootItem() : categoryItems.value(parent);
    if (!parentItem) return;  // the tree was reloaded meanwhile
    QList<QTreeWidgetItem*> toOpen;
    QSignalBlocker blocker(form->categories);
    for (const Category& category : children) {
        auto* item = new QTreeWidgetItem(parentItem, {category.name()});
        item->setData(0, kIdRole, category.id());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        // Whether it has children is known only once it is opened.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        categoryItems.insert(category.id(), item);
    }
    for (const QList<int>& chain : remembered.categories) {
        // Down the way to a category chosen the last time: opened, then ticked.
        for (int step = 0; step < chain.size(); ++step) {
            QTreeWidgetItem* item = categoryItems.value(chain[step]);
            if (!item || item->parent() != (parent == 0 ? nullptr : parentItem) ||
                (step > 0 && categoryItems.value(chain[step - 1]) != item->parent())) {
                continue;
            }
            if (step + 1 < chain.size()) {
                toOpen << item;
            } else if (!chosen.contains(chain[step])) {
                item->setCheckState(0, Qt::Checked);
                chosen << chain[step];
            }
        }
    }
    std::stable_sort(chosen.begin(), chosen.end(), [this](int a, int b) { return rememberedAt(a) < rememberedAt(b); });
    if (parent != 0) {
        parentItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    } else {
        categoriesLoaded = true;
        if (!listFailedShown) showReason(form->status, QString());
    }
    blocker.unblock();
    for (QTreeWidgetItem* item : toOpen) form->categories->expandItem(item);  // asks for its children
    updateChecks();
}

// Where a category stands among the ones chosen the last time; after them, the rest.
int PublishDialog::Private::rememberedAt(int category) const {
    for (int i = 0; i < remembered.categories.size(); ++i) {
        if (remembered.categories[i].constLast() == category) return i;
    }
    return remembered.categories.size();
}

// The category with the ones above it, top first.
QList<int> PublishDialog::Private::chainOf(int category) const {
    QList<int> chain;
    for (QTreeWidgetItem* item = categoryItems.value(category); item; item = item->parent()) {
        chain.prepend(item->data(0, kIdRole).toInt());
    }
    return chain;
}

void PublishDialog::Private::setModerators(const QList<Moderator>& moderators, bool allowed) {
    form->moderator->clear();
    form->moderator->addItem(tr("None"), 0);
    for (const Moderator& moderator : moderators) {
        form->moderator->addItem(QStringLiteral("%1 %2").arg(moderator.firstName(), moderator.lastName()).trimmed(),
                                 moderator.id());
    }
    form->moderator->setEnabled(allowed && !moderators.isEmpty());
    const int last = form->moderator->findData(remembered.moderator);
    if (allowed && last > 0) form->moderator->setCurrentIndex(last);
    showReason(form->moderatorNote, allowed ? QString() : tr("This account may not choose a moderator."));
}

void PublishDialog::Private::listFailed(int result) {
    listFailedShown = true;
    showReason(form->status, tr("The lists could not be loaded: %1").arg(failureText(result)));
    form->reload->show();
    updateChecks();
}

void PublishDialog::Private::categoryChanged(QTreeWidgetItem* item) {
    const int id = item->data(0, kIdRole).toInt();
    remembered.categories.clear();  // the user's own choice from here on
    chosen.removeAll(id);
    if (item->checkState(0) == Qt::Checked) chosen.append(id);
    updateChecks();
}

Upload PublishDialog::Private::currentUpload() const {
    Upload upload;
    upload.setFile(form->file->path());
    upload.setTitle(form->title->text());
    upload.setDescription(form->description->toPlainText());
    upload.setTags(form->tags->text());
    upload.setCategories(chosen);
    upload.setModerator(form->moderator->currentData().toInt());
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
    const QString start = form->file->path().isEmpty() ? QString() : QFileInfo(form->file->path()).absolutePath();
    const QString chosenFile = QFileDialog::getOpenFileName(q, tr("Choose a video"), start, filters.join(QStringLiteral(";;")));
    if (!chosenFile.isEmpty()) q->setFile(chosenFile);
}

PublishDialog::PublishDialog(QWidget* parent) : PublishDialog(nullptr, parent) {}

PublishDialog::PublishDialog(Uploader* uploader, QWidget* parent)
    : QDialog(parent), d(std::make_unique<Private>(this, uploader)) {
    setWindowTitle(tr("Publish to Lumivid"));
    d->build();
}

PublishDialog::~PublishDialog() {
    // The host's uploader stays, logged in: only this dialog's upload ends.
    if (d->ownUploader || !d->uploader) return;
    if (page() == Page::Sending) d->uploader->cancel();
    d->uploader->disconnect(this);
}

void PublishDialog::setUser(const QString& user) {
    d->login->user->setText(user);
    if (page() == Page::Login && !user.isEmpty()) d->login->password->setFocus();
}

void PublishDialog::setFile(const QString& path) {
    d->form->file->setPath(path);
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
        // The outcome is not known yet: the upload is cancelled (once the
        // user said so, when more than a few seconds of it would be lost)
        // and the dialog stays until it shows what happened.
        if (!d->sending->cancel->isEnabled()) return;
        if (d->worthAsking()) {
            d->askBeforeStopping();
        } else {
            d->cancelUpload();
        }
        return;
    case Page::Verdict:
        if (d->verdict.accepted()) {  // the video is published: closing is no rejection
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
