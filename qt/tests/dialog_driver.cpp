// The steps a user takes in the dialog, each waited for like a user would.
#include "dialog_driver.h"

#include <QComboBox>
#include <QFile>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "service_control.h"

namespace ClipferryTest {

QString makeVideo(const QTemporaryDir& dir, const QString& name, qint64 bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    QByteArray block(1 << 16, '\0');
    for (int i = 0; i < block.size(); ++i) block[i] = char(i * 7 % 251);
    for (qint64 left = bytes; left > 0; left -= block.size()) file.write(block.constData(), qMin<qint64>(left, block.size()));
    return path;
}

void logIn(Clipferry::PublishDialog* dialog, const QString& password) {
    auto* field = part<QLineEdit>(dialog, "password");
    field->setFocus();
    QTest::keyClicks(field, password);
    QTest::keyClick(field, Qt::Key_Return);  // the default button, "Log in"
}

bool waitForLists(Clipferry::PublishDialog* dialog) {
    auto* tree = part<QTreeWidget>(dialog, "categories");
    auto* moderators = part<QComboBox>(dialog, "moderator");
    return QTest::qWaitFor([&] { return tree->topLevelItemCount() == 3 && moderators->count() == 3; }, 10000);
}

void tickCategory(Clipferry::PublishDialog* dialog, int row) {
    part<QTreeWidget>(dialog, "categories")->topLevelItem(row)->setCheckState(0, Qt::Checked);
}

void stallNextUpload() {
    scriptAnswer({{QStringLiteral("path"), QStringLiteral("/upload")},
                  {QStringLiteral("read_limit"), 0},
                  {QStringLiteral("drop"), true},
                  {QStringLiteral("delay_ms"), 15000}});
}

}  // namespace ClipferryTest
