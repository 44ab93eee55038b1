// clipferry-publisher's window: the files it is given open the dialog one
// after the other, and a drop of local files opens it for them.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "dialog_driver.h"
#include "publisher_window.h"

using ClipferryTest::makeVideo;

namespace {

// The visible dialogs and the file each is preset with (the form's file
// field names the path in its tooltip).
QStringList shownFiles(const PublisherWindow& window) {
    QStringList files;
    for (auto* dialog : window.findChildren<Clipferry::PublishDialog*>()) {
        if (dialog->isVisible()) files << ClipferryTest::part<QLabel>(dialog, "file")->toolTip();
    }
    return files;
}

void closeShownDialog(const PublisherWindow& window) {
    for (auto* dialog : window.findChildren<Clipferry::PublishDialog*>()) {
        if (dialog->isVisible()) dialog->reject();
    }
}

// A drag entered and dropped on the window; whether the window took it.
bool drop(PublisherWindow& window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint centre = window.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    return dropped.isAccepted();
}

}  // namespace

class PublisherWindowTest : public QObject {
    Q_OBJECT
private slots:
    void filesOpenOneAfterTheOther() {
        QTemporaryDir dir;
        const QString first = makeVideo(dir, QStringLiteral("first.mp4"), 1024);
        const QString second = makeVideo(dir, QStringLiteral("second.mp4"), 1024);
        PublisherWindow window;
        window.show();
        window.publish({first, second});
        QTRY_COMPARE(shownFiles(window), QStringList{first});
        closeShownDialog(window);
        QTRY_COMPARE(shownFiles(window), QStringList{second});
        closeShownDialog(window);
        QTRY_COMPARE(shownFiles(window), QStringList{});
    }

    void drops_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a local video") << QStringLiteral("video") << true;
        QTest::newRow("a folder") << QStringLiteral("folder") << false;
        QTest::newRow("a remote address") << QStringLiteral("remote") << false;
    }

    void drops() {
        QFETCH(QString, what);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString video = makeVideo(dir, QStringLiteral("dropped.mp4"), 1024);
        const QUrl url = what == QLatin1String("video")    ? QUrl::fromLocalFile(video)
                         : what == QLatin1String("folder") ? QUrl::fromLocalFile(dir.path())
                                                           : QUrl(QStringLiteral("https://example.invalid/clip.mp4"));
        PublisherWindow window;
        window.show();
        QCOMPARE(drop(window, {url}), taken);
        if (taken) {
            QTRY_COMPARE(shownFiles(window), QStringList{video});
        } else {
            QCoreApplication::processEvents();
            QCOMPARE(shownFiles(window), QStringList{});
        }
    }
};

QTEST_MAIN(PublisherWindowTest)
#include "publisher_window_test.moc"
