// The dialog's translation: one QTranslator, owned by the application (it
// goes with it), loaded from the folder installed beside the library, or
// from the one CLIPFERRY_QT_TRANSLATIONS names (the build tree's, in tests).
#include "clipferry-qt/Translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTranslator>

#include <dlfcn.h>

#include <memory>

namespace Clipferry {

namespace {

// Relative to the library's own file, so that it holds wherever the package is unpacked.
QString translationsFolder() {
    const QString named = qEnvironmentVariable("CLIPFERRY_QT_TRANSLATIONS");
    if (!named.isEmpty()) return named;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&translationsFolder), &self) == 0 || !self.dli_fname) return {};
    return QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath() +
           QStringLiteral("/" CLIPFERRY_QT_TRANSLATIONS_FROM_LIBRARY);
}

QPointer<QTranslator>& installed() {
    static QPointer<QTranslator> translator;
    return translator;
}

}  // namespace

bool useLanguage(const QLocale& locale) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return false;
    if (QThread::currentThread() != application->thread()) {
        // A host that loads its plugins on another thread: done on the application's, in turn.
        QMetaObject::invokeMethod(application, [locale] { useLanguage(locale); }, Qt::QueuedConnection);
        return false;
    }
    delete installed().data();  // which takes it out of the application's translators
    const QString folder = translationsFolder();
    auto translator = std::make_unique<QTranslator>();
    for (const QString& name : locale.uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English || language.language() == QLocale::C) return false;
        if (translator->load(language, QStringLiteral("clipferry-qt"), QStringLiteral("_"), folder)) {
            translator->setParent(application);
            QCoreApplication::installTranslator(translator.get());
            installed() = translator.release();
            return true;
        }
    }
    return false;
}

// When the application is made, before any dialog, on its thread; at once
// when the library is loaded into a running application.
static void useApplicationLanguage() { useLanguage(QLocale()); }
Q_COREAPP_STARTUP_FUNCTION(useApplicationLanguage)

}  // namespace Clipferry
