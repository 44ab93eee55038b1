// The form's checks, in the dialog's words, over the shared rules.
#include "form_checks.h"

#include <QFileInfo>

#include <clipferry-common/control_characters.h>
#include <clipferry-common/file_types.h>
#include <clipferry-common/form_rules.h>

namespace Clipferry::detail {

namespace rules = ::clipferry::rules;

QString FormChecks::checkFile(const QString& file, const QStringList& fileTypes) {
    if (file.isEmpty()) return tr("Choose the video to publish.");
    const QFileInfo info(file);
    if (!info.exists()) return tr("There is no such file.");
    if (!info.isFile()) return tr("This is not a file.");
    if (!info.isReadable()) return tr("The file cannot be read.");
    if (info.size() == 0) return tr("The file is empty; there is nothing to publish.");
    // The name goes out with the file, and the service echoes it in its verdict.
    const std::string name = info.fileName().toStdString();
    if (rules::hasControlCharacter(name)) return tr("The file's name holds a control character; rename the file.");
    std::vector<std::string> patterns;
    for (const QString& pattern : fileTypes) patterns.push_back(pattern.toStdString());
    if (!patterns.empty() && !rules::matchesFileTypes(name, patterns)) {
        return tr("Lumivid does not take this type of file; it takes %1.").arg(fileTypes.join(QStringLiteral(", ")));
    }
    return {};
}

QString FormChecks::checkText(const QString& text, bool lineBreaksAllowed) {
    const std::string utf8 = text.toStdString();
    if (rules::hasControlCharacter(utf8, lineBreaksAllowed)) {
        return lineBreaksAllowed ? tr("Holds a control character, which Lumivid cannot take (tabs and line breaks are fine).")
                                 : tr("Holds a control character, which Lumivid cannot take.");
    }
    if (utf8.size() > rules::kMostFieldBytes) {
        return tr("Too long by %n byte(s); Lumivid takes %1 bytes.", nullptr,
                  static_cast<int>(utf8.size() - rules::kMostFieldBytes))
            .arg(rules::kMostFieldBytes);
    }
    return {};
}

FormReasons FormChecks::check(const Upload& upload, const QStringList& fileTypes) {
    FormReasons reasons;
    reasons.file = checkFile(upload.file(), fileTypes);
    if (upload.title().isEmpty()) {
        reasons.title = tr("Give the video a title.");
    } else if (rules::isBlank(upload.title().toStdString())) {
        reasons.title = tr("The title is only blanks; give it words.");
    } else {
        reasons.title = checkText(upload.title(), false);
    }
    reasons.description = checkText(upload.description(), true);
    reasons.tags = checkText(upload.tags(), false);
    if (upload.categories().isEmpty()) {
        reasons.categories = tr("Choose at least one category.");
    } else if (upload.categories().size() > rules::kMostCategories) {
        reasons.categories = tr("Choose at most %1 categories.").arg(rules::kMostCategories);
    }
    return reasons;
}

}  // namespace Clipferry::detail
