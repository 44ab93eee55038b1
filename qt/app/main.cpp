// clipferry-publisher: publish videos with the dialog, each file given on
// the command line (or dropped on the window) in turn.
#include <QApplication>
#include <QTimer>

#include "publisher_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The dialog keeps its choices in the application's settings.
    QApplication::setOrganizationName(QStringLiteral("Clipferry"));
    QApplication::setApplicationName(QStringLiteral("clipferry-publisher"));
    QApplication::setDesktopFileName(QStringLiteral("clipferry-publisher"));
    PublisherWindow window;
    window.show();
    // Once the window is up, so that the first dialog opens over it.
    const QStringList files = QApplication::arguments().mid(1);
    QTimer::singleShot(0, &window, [&window, files] { window.publish(files); });
    return QApplication::exec();
}
