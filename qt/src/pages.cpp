// The pages' widgets and layouts. Sizes come from layouts and fonts only, so
// the pages follow the application's style and scale.
#include "pages.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace Clipferry::detail {

namespace {
template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* headingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}
}  // namespace

QLabel* reasonLabel(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    label->hide();
    return label;
}

void showReason(QLabel* label, const QString& reason) {
    label->setText(reason);
    label->setVisible(!reason.isEmpty());
}

ElidedPath::ElidedPath(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);  // a file name is never markup
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::NoFocus);
}

void ElidedPath::setPath(const QString& path) {
    path_ = path;
    setToolTip(QDir::toNativeSeparators(path));
    elide();
    updateGeometry();
    emit pathChanged(path);
}

// Room for a dozen characters: a long name never widens the dialog past the screen.
QSize ElidedPath::minimumSizeHint() const {
    const QSize least = QLabel::minimumSizeHint();
    return {fontMetrics().averageCharWidth() * 12 + 2 * frameWidth() + 2 * margin(), least.height()};
}

QSize ElidedPath::sizeHint() const {
    const int whole = fontMetrics().horizontalAdvance(QFileInfo(path_).fileName()) + 2 * frameWidth() + 2 * margin() +
                      fontMetrics().averageCharWidth();
    return {qBound(minimumSizeHint().width(), whole, fontMetrics().averageCharWidth() * 40), QLabel::sizeHint().height()};
}

void ElidedPath::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedPath::elide() {
    const int room = contentsRect().width() - fontMetrics().averageCharWidth() / 2;
    setText(fontMetrics().elidedText(QFileInfo(path_).fileName(), Qt::ElideMiddle, qMax(room, 0)));
}

LoginPage::LoginPage(QWidget* parent) : Page(parent) {
    auto* form = new QFormLayout;
    rememberedUser = named(new QComboBox(this), "rememberedUser");
    rememberedLabel = new QLabel(tr("Remembered &logins:"), this);
    rememberedLabel->setBuddy(rememberedUser);
    rememberedLabel->hide();
    rememberedUser->hide();
    user = named(new QLineEdit(this), "user");
    password = named(new QLineEdit(this), "password");
    password->setEchoMode(QLineEdit::Password);
    remember = named(new QCheckBox(tr("&Remember me on this computer"), this), "remember");
    reason = reasonLabel(QStringLiteral("loginReason"), this);
    form->addRow(rememberedLabel, rememberedUser);
    form->addRow(tr("&User name:"), user);
    form->addRow(tr("&Password:"), password);
    form->addRow(QString(), reason);
    form->addRow(QString(), remember);
    logIn = named(new QPushButton(tr("&Log in"), this), "logIn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(logIn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headingLabel(tr("Log in to Lumivid"), this));
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);
}

void LoginPage::setBusy(bool busy) {
    for (QWidget* widget : {static_cast<QWidget*>(user), static_cast<QWidget*>(password),
                            static_cast<QWidget*>(remember), static_cast<QWidget*>(logIn)}) {
        widget->setEnabled(!busy);
    }
}

FormPage::FormPage(QWidget* parent) : Page(parent) {
    loggedInAs = named(new QLabel(this), "loggedInAs");
    loggedInAs->setTextFormat(Qt::PlainText);  // a user name is never markup
    logOut = named(new QPushButton(tr("Log &out / another account"), this), "logOut");
    logOut->setAutoDefault(false);
    file = named(new ElidedPath(this), "file");
    chooseFile = named(new QPushButton(tr("C&hoose…"), this), "chooseFile");
    fileReason = reasonLabel(QStringLiteral("fileReason"), this);
    title = named(new QLineEdit(this), "title");
    titleReason = reasonLabel(QStringLiteral("titleReason"), this);
    description = named(new QPlainTextEdit(this), "description");
    description->setTabChangesFocus(true);
    // Three lines of text, whatever the font and scale.
    description->setMinimumHeight(description->fontMetrics().lineSpacing() * 4);
    description->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    descriptionReason = reasonLabel(QStringLiteral("descriptionReason"), this);
    tags = named(new QLineEdit(this), "tags");
    tags->setPlaceholderText(tr("words separated by spaces"));
    tagsReason = reasonLabel(QStringLiteral("tagsReason"), this);
    moderator = named(new QComboBox(this), "moderator");
    moderatorNote = reasonLabel(QStringLiteral("moderatorNote"), this);
    categories = named(new QTreeWidget(this), "categories");
    categories->setHeaderHidden(true);
    categories->setColumnCount(1);
    categories->setMinimumWidth(categories->fontMetrics().averageCharWidth() * 28);
    categoriesReason = reasonLabel(QStringLiteral("categoriesReason"), this);
    status = reasonLabel(QStringLiteral("listStatus"), this);
    keyringNote = reasonLabel(QStringLiteral("keyringNote"), this);
    reload = named(new QPushButton(tr("&Reload the lists"), this), "reload");
    reload->hide();
    publish = named(new QPushButton(tr("&Publish"), this), "publish");

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file, 1);
    fileRow->addWidget(chooseFile);
    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto* fileLabel = new QLabel(tr("&Video:"), this);
    fileLabel->setBuddy(chooseFile);
    fields->addRow(fileLabel, fileRow);
    fields->addRow(QString(), fileReason);
    fields->addRow(tr("&Title:"), title);
    fields->addRow(QString(), titleReason);
    fields->addRow(tr("&Description:"), description);
    fields->addRow(QString(), descriptionReason);
    fields->addRow(tr("Ta&gs:"), tags);
    fields->addRow(QString(), tagsReason);
    fields->addRow(tr("&Moderator:"), moderator);
    fields->addRow(QString(), moderatorNote);

    auto* categoriesColumn = new QVBoxLayout;
    auto* categoriesLabel = new QLabel(tr("C&ategories (one to three):"), this);
    categoriesLabel->setBuddy(categories);
    categoriesColumn->addWidget(categoriesLabel);
    categoriesColumn->addWidget(categories, 1);
    categoriesColumn->addWidget(categoriesReason);

    auto* columns = new QHBoxLayout;
    columns->addLayout(fields, 3);
    columns->addLayout(categoriesColumn, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status, 1);
    buttons->addWidget(reload);
    buttons->addStretch();
    buttons->addWidget(publish);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headingLabel(tr("Publish a video to Lumivid"), this));
    auto* account = new QHBoxLayout;
    account->addWidget(loggedInAs, 1);
    account->addWidget(logOut);
    layout->addLayout(account);
    layout->addLayout(columns, 1);
    layout->addWidget(keyringNote);
    layout->addLayout(buttons);
    setTabOrder(logOut, chooseFile);
    setTabOrder(chooseFile, title);
    setTabOrder(title, description);
    setTabOrder(description, tags);
    setTabOrder(tags, moderator);
    setTabOrder(moderator, categories);
    setTabOrder(categories, reload);
    setTabOrder(reload, publish);
}

SendingPage::SendingPage(QWidget* parent) : Page(parent) {
    heading = named(headingLabel(QString(), this), "sendingHeading");
    heading->setTextFormat(Qt::PlainText);
    bar = named(new QProgressBar(this), "progress");
    bar->setRange(0, 1000);
    details = named(new QLabel(this), "progressDetails");
    details->setWordWrap(true);
    cancel = named(new QPushButton(tr("&Cancel"), this), "cancelUpload");
    cancel->setAutoDefault(false);  // Enter never cancels an upload, even with the focus here
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(bar);
    layout->addWidget(details);
    layout->addStretch();
    layout->addLayout(buttons);
}

VerdictPage::VerdictPage(QWidget* parent) : Page(parent) {
    headline = named(headingLabel(QString(), this), "verdictHeadline");
    explanation = named(new QLabel(this), "verdictExplanation");
    explanation->setWordWrap(true);
    explanation->setTextFormat(Qt::PlainText);
    message = named(new QLabel(this), "verdictMessage");
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);  // the service's text is never markup
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    back = named(new QPushButton(tr("&Back to the form"), this), "backToForm");
    close = named(new QPushButton(tr("C&lose"), this), "close");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(back);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline);
    layout->addWidget(explanation);
    layout->addWidget(message);
    layout->addStretch();
    layout->addLayout(buttons);
}

}  // namespace Clipferry::detail
