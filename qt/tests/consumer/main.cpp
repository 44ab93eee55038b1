// The README's snippet in a host of its own (qt_install_test.sh cuts it out
// of the README: its #include lines, then the rest as the body of an action).
// The dialog is closed as soon as it shows, so the run shows that the
// installed library loads and works.
#include <QApplication>
#include <QTimer>

#include "readme_includes.inc"

namespace {

void publishAsTheReadmeShows(QWidget* parent, const QString& path, const QString& name) {
#include "readme_body.inc"
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool loginShown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Clipferry::PublishDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        loginShown = dialog->page() == Clipferry::PublishDialog::Page::Login;
        dialog->reject();
    });
    closer.start(10);
    publishAsTheReadmeShows(nullptr, QStringLiteral("harbour.mp4"), QStringLiteral("Harbour at dusk"));
    return loginShown ? 0 : 1;
}
