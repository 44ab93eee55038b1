// The README's snippet in a host of its own (qt_install_test.sh cuts it out
// of the README: its #include lines, then the rest as the body of an action).
// The host logs in to the local service named by CLIPFERRY_PROXY_SERVER
// and closes the dialog once its form is filled from the service's lists, so
// the run shows that the installed library loads and works end to end.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "readme_includes.inc"

namespace {

void publishAsTheReadmeShows(QWidget* parent, const QString& path, const QString& name) {
#include "readme_body.inc"
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool loggedIn = false;
    bool typed = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Clipferry::PublishDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (dialog->page() == Clipferry::PublishDialog::Page::Login && !typed) {
            auto* user = dialog->findChild<QLineEdit*>(QStringLiteral("user"));
            auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("password"));
            auto* logIn = dialog->findChild<QPushButton*>(QStringLiteral("logIn"));
            if (!user || !password || !logIn) return;
            user->setText(QStringLiteral("demo"));
            password->setText(QStringLiteral("demo-password"));
            logIn->click();
            typed = true;
        } else if (dialog->page() == Clipferry::PublishDialog::Page::Form) {
            loggedIn = true;
            // In the language the library chose (qt_install_test.sh checks it).
            std::printf("%s\n", dialog->windowTitle().toUtf8().constData());
            dialog->reject();
        }
    });
    driver.start(10);
    // Bounded, so that a host that never reaches the form fails instead of waiting.
    QTimer::singleShot(60000, &app, [] {
        if (auto* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    publishAsTheReadmeShows(nullptr, QStringLiteral("harbour.mp4"), QStringLiteral("Harbour at dusk"));
    return loggedIn ? 0 : 1;
}
