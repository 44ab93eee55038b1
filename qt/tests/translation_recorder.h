// Notes each text the application asks a translation of, in the context the
// code asks it in, so that a test can check that a catalogue holds every one
// the library and the publisher asked for (a text filed under another
// context than the code uses is never translated, though lupdate is content).
#pragma once

#include <QByteArray>
#include <QMutex>
#include <QStringList>
#include <QTranslator>

#include <set>
#include <tuple>

namespace ClipferryTest {

class TranslationRecorder : public QTranslator {
public:
    // Installed last, it is asked first, and passes every text on untranslated.
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override;
    bool isEmpty() const override { return false; }

    // What `catalogue` has no translation of, as "context: text".
    QStringList untranslated(const QTranslator& catalogue) const;
    // The same for every clipferry-qt_*.qm in CLIPFERRY_QT_TRANSLATIONS, or
    // why there is none.
    QStringList untranslatedInShippedCatalogues() const;

private:
    // Context, source text, disambiguation, and the count of a plural (or -1).
    using Asked = std::tuple<QByteArray, QByteArray, QByteArray, int>;

    mutable QMutex mutex_;  // texts are asked for on any thread
    mutable std::set<Asked> asked_;
};

}  // namespace ClipferryTest
