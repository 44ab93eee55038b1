// Drives a PublishDialog through its pages as a user would, by its widgets'
// names, for the scenario and look tests.
#pragma once

#include <QLabel>
#include <QString>
#include <QTemporaryDir>

#include <clipferry-qt/PublishDialog.h>

namespace ClipferryTest {

// A file of `bytes` bytes named `name` in `dir`.
QString makeVideo(const QTemporaryDir& dir, const QString& name, qint64 bytes);

template <typename W = QWidget>
W* part(const QWidget* dialog, const char* name) {
    auto* widget = dialog->findChild<W*>(QLatin1String(name));
    if (!widget) qFatal("the dialog has no %s", name);
    return widget;
}

// Types the password and presses Enter on the login page.
void logIn(Clipferry::PublishDialog* dialog, const QString& password);
// Waits for the form's lists (three top-level categories, the moderators).
bool waitForLists(Clipferry::PublishDialog* dialog);
// Ticks the top-level category at `row`.
void tickCategory(Clipferry::PublishDialog* dialog, int row);
// An answer to the upload that reads none of it and holds the connection,
// so that an upload of a large file stays under way.
void stallNextUpload();

}  // namespace ClipferryTest
