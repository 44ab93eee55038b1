// The texts an application asked a translation of, checked against a catalogue.
#include "translation_recorder.h"

#include <QDir>
#include <QMutexLocker>

namespace ClipferryTest {

QString TranslationRecorder::translate(const char* context, const char* source, const char* disambiguation,
                                       int n) const {
    // Qt's own texts (QLineEdit, QMessageBox...) are Qt's translations' business.
    const QByteArray named(context ? context : "");
    const bool qts = named.size() > 1 && named[0] == 'Q' && QChar::fromLatin1(named[1]).isUpper();
    if (!qts && source) {
        QMutexLocker lock(&mutex_);
        asked_.emplace(named, QByteArray(source), QByteArray(disambiguation ? disambiguation : ""), n);
    }
    return {};
}

QStringList TranslationRecorder::untranslated(const QTranslator& catalogue) const {
    QMutexLocker lock(&mutex_);
    QStringList missing;
    for (const auto& [context, source, disambiguation, n] : asked_) {
        if (catalogue.translate(context.constData(), source.constData(),
                                disambiguation.isEmpty() ? nullptr : disambiguation.constData(), n).isEmpty()) {
            missing << QString::fromUtf8(context + ": " + source);
        }
    }
    missing.removeDuplicates();
    return missing;
}

QStringList TranslationRecorder::untranslatedInShippedCatalogues() const {
    const QDir folder(qEnvironmentVariable("CLIPFERRY_QT_TRANSLATIONS"));
    const QStringList files = folder.entryList({QStringLiteral("clipferry-qt_*.qm")}, QDir::Files);
    if (files.isEmpty()) return {QStringLiteral("no clipferry-qt_*.qm in \"%1\"").arg(folder.path())};
    QStringList missing;
    for (const QString& file : files) {
        QTranslator catalogue;
        if (!catalogue.load(folder.filePath(file))) return {file + QStringLiteral(" does not load")};
        for (const QString& text : untranslated(catalogue)) missing << file + QStringLiteral(": ") + text;
    }
    return missing;
}

}  // namespace ClipferryTest
