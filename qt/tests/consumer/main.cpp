// The README's three lines in a host of their own; the dialog is closed as
// soon as it runs, so the run shows that the installed library loads and works.
#include <QApplication>
#include <QTimer>

#include <clipferry-qt/PublishDialog.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget* parent = nullptr;
    const QString path = QStringLiteral("harbour.mp4");
    const QString name = QStringLiteral("Harbour at dusk");

    Clipferry::PublishDialog dialog(parent);
    dialog.setFile(path);
    dialog.setTitle(name);
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    dialog.exec();
    return dialog.page() == Clipferry::PublishDialog::Page::Login ? 0 : 1;
}
