// The dialog's checks of its form before sending, over the rules the command
// holds an upload to, in the dialog's own words: one reason per field, empty
// when the field is fine.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include "clipferry-qt/Uploader.h"

namespace Clipferry::detail {

struct FormReasons {
    QString file;
    QString title;
    QString description;
    QString tags;
    QString categories;
    bool ok() const {
        return file.isEmpty() && title.isEmpty() && description.isEmpty() && tags.isEmpty() && categories.isEmpty();
    }
};

class FormChecks {
    Q_DECLARE_TR_FUNCTIONS(Clipferry::FormChecks)
public:
    // `fileTypes`: the service's patterns; empty when it gave none (nothing to hold the file against).
    static FormReasons check(const Upload& upload, const QStringList& fileTypes);
    static QString checkFile(const QString& file, const QStringList& fileTypes);
    static QString checkText(const QString& text, bool lineBreaksAllowed);
};

}  // namespace Clipferry::detail
