// The dialog's look on a real X server: each page captured from the screen
// (non-empty, the window's size) and checked for widgets cut off or pushed
// out of the dialog, at whatever QT_SCALE_FACTOR the test is run with, in
// the language of its locale (CLIPFERRY_QT_TEST_LANGUAGE names the language
// expected, whose every text shown must then be translated).
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>

#include "dialog_driver.h"
#include "service_control.h"
#include "translation_recorder.h"

using namespace ClipferryTest;
using Clipferry::PublishDialog;

namespace {

// Every widget of the page shown: inside the dialog, no smaller than its
// contents need, wrapped text given its height; the dialog on the screen.
QStringList overflows(PublishDialog* dialog) {
    QStringList problems;
    QWidget* page = dialog->findChild<QStackedWidget*>()->currentWidget();
    for (QWidget* widget : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!widget->isVisibleTo(dialog)) continue;
        const QString name = widget->objectName().isEmpty()
                                 ? QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') +
                                       (qobject_cast<QLabel*>(widget) ? qobject_cast<QLabel*>(widget)->text() : QString())
                                 : widget->objectName();
        const QRect where(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
        if (!dialog->rect().contains(where)) problems << name + QStringLiteral(": outside the dialog");
        const QSize least = widget->minimumSizeHint();
        if (least.isValid() && (widget->width() < least.width() || widget->height() < least.height())) {
            problems << QStringLiteral("%1: %2x%3, less than the %4x%5 it needs")
                            .arg(name).arg(widget->width()).arg(widget->height()).arg(least.width()).arg(least.height());
        }
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && label->wordWrap() && label->height() < label->heightForWidth(label->width())) {
            problems << name + QStringLiteral(": its wrapped text is cut off");
        }
    }
    // Sized for its own content, not left mostly empty at the largest page's size.
    const int needed = qMax(page->sizeHint().height(), page->minimumSizeHint().height());
    if (page->height() > needed + needed / 8 + page->fontMetrics().height()) {
        problems << QStringLiteral("the page is %1 high, for content of %2").arg(page->height()).arg(needed);
    }
    if (!dialog->screen()->availableGeometry().contains(dialog->frameGeometry())) {
        problems << QStringLiteral("the dialog is larger than the screen");
    }
    return problems;
}

int colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) seen.insert(image.pixel(x, y));
    }
    return seen.size();
}

}  // namespace

class PublishDialogLookTest : public QObject {
    Q_OBJECT
private slots:
    // The choices the dialog keeps go to a test folder, not the user's settings.
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::installTranslator(&asked);
    }
    void page_data();
    void page();

private:
    TranslationRecorder asked;
};

void PublishDialogLookTest::page_data() {
    QTest::addColumn<PublishDialog::Page>("page");
    // What goes wrong on the way, for the pages' longest texts and most buttons.
    QTest::addColumn<QString>("trouble");
    QTest::newRow("login") << PublishDialog::Page::Login << QString();
    QTest::newRow("login-refused") << PublishDialog::Page::Login << QStringLiteral("wrong password");
    QTest::newRow("form") << PublishDialog::Page::Form << QString();
    QTest::newRow("sending") << PublishDialog::Page::Sending << QString();
    QTest::newRow("verdict") << PublishDialog::Page::Verdict << QString();
    QTest::newRow("verdict-refused") << PublishDialog::Page::Verdict << QStringLiteral("refused");
    QTest::newRow("verdict-uncertain") << PublishDialog::Page::Verdict << QStringLiteral("no verdict");
}

void PublishDialogLookTest::page() {
    QFETCH(PublishDialog::Page, page);
    QFETCH(QString, trouble);
    resetService();
    qputenv("CLIPFERRY_PROXY_SERVER", serviceProxy().toUtf8());
    QTemporaryDir dir;
    const bool large = page == PublishDialog::Page::Sending;
    PublishDialog dialog;
    dialog.setUser(QStringLiteral("demo"));
    // A name longer than the form has room for at 200%.
    const QString name = QStringLiteral("harbour at dusk, seen from the lighthouse pier, long take.mp4");
    const QString video = makeVideo(dir, name, large ? 32 << 20 : 256 << 10);
    dialog.setFile(video);
    dialog.setTitle(QStringLiteral("Harbour at dusk"));
    dialog.setTags(QStringLiteral("harbour dusk gulls"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    if (trouble == QLatin1String("wrong password")) {
        logIn(&dialog, QStringLiteral("nope"));
        QTRY_VERIFY(part<QPushButton>(&dialog, "logIn")->isEnabled());  // the answer came
    }
    if (page != PublishDialog::Page::Login) {
        logIn(&dialog, QStringLiteral("demo-password"));
        QTRY_COMPARE(dialog.page(), PublishDialog::Page::Form);
        QVERIFY(waitForLists(&dialog));
        auto* tree = part<QTreeWidget>(&dialog, "categories");
        tree->expandItem(tree->topLevelItem(0));
        QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
        tickCategory(&dialog, 0);
    }
    if (page == PublishDialog::Page::Sending || page == PublishDialog::Page::Verdict) {
        if (large) stallNextUpload();
        if (trouble == QLatin1String("refused")) {
            scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")},
                          {QStringLiteral("body"), QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<result>"
                                                                  "<status>UNSUCCESSFUL</status><message>Unknown "
                                                                  "category 99</message></result>")}});
        }
        if (trouble == QLatin1String("no verdict")) {
            scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")}, {QStringLiteral("drop"), true}});
        }
        part<QPushButton>(&dialog, "publish")->click();
    }
    if (page == PublishDialog::Page::Sending) {
        // Bytes out and the size shown (in any language), then the transfer held by the service.
        const QString size = QLocale().formattedDataSize(QFileInfo(video).size());
        QTRY_VERIFY_WITH_TIMEOUT(part<QProgressBar>(&dialog, "progress")->value() > 0 &&
                                     part<QLabel>(&dialog, "progressDetails")->text().contains(size),
                                 20000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(dialog.page(), page, 20000);
    QTest::qWait(200);  // let the X server draw what the last change asked for

    if (page == PublishDialog::Page::Form) {
        // The name's start and end, cut in the middle; the whole path in the tooltip.
        auto* file = part<QLabel>(&dialog, "file");
        const QString shown = file->text();
        QVERIFY2(shown == name || (shown.startsWith(QLatin1String("harb")) && shown.endsWith(QLatin1String("take.mp4")) &&
                                   shown.contains(QChar(0x2026))),
                 qPrintable(shown));
        QCOMPARE(file->toolTip(), video);
        QVERIFY(file->fontMetrics().horizontalAdvance(shown) <= file->contentsRect().width());
    }
    const QString language = qEnvironmentVariable("CLIPFERRY_QT_TEST_LANGUAGE");
    if (!language.isEmpty()) {
        QTranslator catalogue;
        QVERIFY(catalogue.load(QLocale(language), QStringLiteral("clipferry-qt"), QStringLiteral("_"),
                               qEnvironmentVariable("CLIPFERRY_QT_TRANSLATIONS")));
        // The library took the language from the locale on its own.
        QCOMPARE(dialog.windowTitle(), catalogue.translate("Clipferry::PublishDialog", "Publish to Lumivid"));
        const QStringList untranslated = asked.untranslated(catalogue);
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral("; "))));
    }
    const QStringList problems = overflows(&dialog);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));

    const QPixmap shot = dialog.screen()->grabWindow(dialog.winId());
    QVERIFY(!shot.isNull());
    QCOMPARE(shot.size(), dialog.size() * dialog.devicePixelRatioF());
    QVERIFY2(colours(shot.toImage()) > 8, "the capture is blank");
    const QString folder = qEnvironmentVariable("CLIPFERRY_QT_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        const QString scale = QString::number(qRound(dialog.devicePixelRatioF() * 100));
        QString tag = QLatin1String(QTest::currentDataTag());
        if (!language.isEmpty()) tag += QLatin1Char('-') + language;
        QVERIFY(shot.save(QStringLiteral("%1/publish-dialog-%2-%3.png").arg(folder, tag, scale)));
    }
}

QTEST_MAIN(PublishDialogLookTest)
#include "publish_dialog_look_test.moc"
