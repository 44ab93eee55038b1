// The window's layout, its drop area and the queue of files to publish.
#include "publisher_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The regular files among what was dropped; folders and remote places are
// not videos the dialog can send.
QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    }
    return files;
}

}  // namespace

PublisherWindow::PublisherWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(tr("Clipferry Publisher"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("clipferry-publisher")));
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* heading = new QLabel(tr("Publish your videos to Lumivid"), central);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    auto* sentence = new QLabel(tr("Drop video files here or choose them: each opens the publishing form in turn, "
                                   "where you log in, give it a title, a description and categories, and send it."),
                                central);
    sentence->setWordWrap(true);

    auto* dropArea = new QLabel(tr("Drop videos here"), central);
    dropArea->setObjectName(QStringLiteral("dropArea"));
    dropArea->setAlignment(Qt::AlignCenter);
    dropArea->setFrameShape(QFrame::StyledPanel);
    dropArea->setFrameShadow(QFrame::Sunken);
    dropArea->setMinimumHeight(dropArea->fontMetrics().height() * 6);

    status_ = new QLabel(central);
    status_->setObjectName(QStringLiteral("waiting"));
    auto* choose = new QPushButton(tr("&Choose videos…"), central);
    choose->setObjectName(QStringLiteral("chooseVideos"));
    auto* close = new QPushButton(tr("C&lose"), central);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(choose);
    buttons->addWidget(close);

    layout->addWidget(heading);
    layout->addWidget(sentence);
    layout->addWidget(dropArea, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(choose, &QPushButton::clicked, this, [this] {
        publish(QFileDialog::getOpenFileNames(this, tr("Choose videos to publish"), QString(),
                                              tr("Videos (*.mp4 *.m4v *.mov *.avi *.wmv *.mpg *.mpeg *.webm *.mkv);;"
                                                 "All files (*)")));
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    const int line = fontMetrics().height();
    resize(line * 30, line * 18);
}

PublisherWindow::~PublisherWindow() {
    qDeleteAll(findChildren<Clipferry::PublishDialog*>(QString(), Qt::FindDirectChildrenOnly));
}

void PublisherWindow::publish(const QStringList& files) {
    if (!dialog_ && waiting_.isEmpty()) opened_ = 0;
    waiting_ << files;
    openNext();
}

void PublisherWindow::openNext() {
    showWaiting();
    if (dialog_ || waiting_.isEmpty()) return;
    const QString file = waiting_.takeFirst();
    ++opened_;
    // What a host adds for "Publish to Lumivid": the dialog with its file preset.
    auto* dialog = new Clipferry::PublishDialog(&uploader_, this);
    dialog->setFile(file);
    const QString name = QFileInfo(file).fileName();
    dialog->setWindowTitle(waiting_.isEmpty() && opened_ == 1
                               ? tr("Publish %1 to Lumivid").arg(name)
                               : tr("Publish %1 to Lumivid (%2 of %3)").arg(name).arg(opened_).arg(opened_ + waiting_.size()));
    dialog_ = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        dialog_ = nullptr;
        dialog->deleteLater();
        // The next one once this one has fully closed.
        QTimer::singleShot(0, this, [this] { openNext(); });
    });
    showWaiting();
    dialog->open();
}

void PublisherWindow::showWaiting() {
    status_->setText(waiting_.isEmpty() ? QString() : tr("%n more waiting", nullptr, int(waiting_.size())));
}

void PublisherWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void PublisherWindow::dropEvent(QDropEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    publish(files);
}
