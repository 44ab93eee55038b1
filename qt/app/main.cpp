// clipferry-publisher: open a video and publish it with the dialog; the
// example a host copies.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>

#include <clipferry-qt/PublishDialog.h>

namespace {

class PublisherWindow : public QMainWindow {
    // Its own translation context: QMainWindow's would be used otherwise.
    Q_DECLARE_TR_FUNCTIONS(PublisherWindow)
public:
    explicit PublisherWindow(const QString& file) {
        setWindowTitle(tr("Clipferry Publisher"));
        shown_ = new QLabel(this);
        shown_->setAlignment(Qt::AlignCenter);
        shown_->setTextFormat(Qt::PlainText);
        shown_->setMargin(shown_->fontMetrics().height() * 2);
        setCentralWidget(shown_);
        QToolBar* tools = addToolBar(tr("File"));
        QAction* open = tools->addAction(tr("&Open a video…"), this, [this] {
            const QString chosen = QFileDialog::getOpenFileName(this, tr("Open a video"), QString(),
                                                                tr("Videos (*.mp4 *.mov *.avi *.wmv *.mpg);;All files (*)"));
            if (!chosen.isEmpty()) setFile(chosen);
        });
        open->setShortcut(QKeySequence::Open);
        publish_ = tools->addAction(tr("&Publish to Lumivid…"), this, [this] { publish(); });
        publish_->setShortcut(Qt::CTRL | Qt::Key_P);
        setFile(file);
    }

private:
    void setFile(const QString& file) {
        file_ = file;
        publish_->setEnabled(!file.isEmpty());
        shown_->setText(file.isEmpty() ? tr("Open a video to publish it.") : QFileInfo(file).fileName());
    }

    // What a host adds for "Publish to Lumivid".
    void publish() {
        // The window's uploader keeps the login from one Publish to the next.
        Clipferry::PublishDialog dialog(&uploader_, this);
        dialog.setFile(file_);
        dialog.setTitle(QFileInfo(file_).completeBaseName());
        dialog.exec();
    }

    Clipferry::Uploader uploader_;
    QLabel* shown_;
    QAction* publish_;
    QString file_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The dialog keeps its choices in the application's settings.
    QApplication::setOrganizationName(QStringLiteral("Clipferry"));
    QApplication::setApplicationName(QStringLiteral("clipferry-publisher"));
    const QStringList arguments = QApplication::arguments();
    PublisherWindow window(arguments.size() > 1 ? arguments.at(1) : QString());
    window.show();
    return QApplication::exec();
}
