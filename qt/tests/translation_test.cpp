// The library's translation as a plugin host meets it: the library loaded
// into a running application (as OBS loads its modules) takes the locale's
// language at once, and a host's own language setting replaces it. This
// program does not link the library; it loads it, as a plugin would be.
#include <QCoreApplication>
#include <QTest>

#include <dlfcn.h>

namespace {

using UseLanguage = bool (*)(const QLocale&);

QString dialogTitle() { return QCoreApplication::translate("Clipferry::PublishDialog", "Publish to Lumivid"); }

}  // namespace

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() {
        if (library) dlclose(library);
    }
    void useLanguage_data();
    void useLanguage();

private:
    void* library = nullptr;
    UseLanguage use = nullptr;
};

void TranslationTest::initTestCase() {
    QCOMPARE(dialogTitle(), QStringLiteral("Publish to Lumivid"));
    library = dlopen(CLIPFERRY_QT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(library, dlerror());
    // Loaded with LANGUAGE=de (main), into an application that exists already.
    QCOMPARE(dialogTitle(), QStringLiteral("Auf Lumivid veröffentlichen"));
    use = reinterpret_cast<UseLanguage>(dlsym(library, "_ZN9Clipferry11useLanguageERK7QLocale"));
    QVERIFY(use);
}

void TranslationTest::useLanguage_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("translated");
    QTest::addColumn<QString>("title");
    const QString english = QStringLiteral("Publish to Lumivid");
    const QString german = QStringLiteral("Auf Lumivid veröffentlichen");
    // In order: each row starts from the language the row before left.
    QTest::newRow("English over German") << "en-US" << false << english;
    QTest::newRow("German, as OBS names it") << "de-DE" << true << german;
    QTest::newRow("German of a region it has no file for") << "de_AT" << true << german;
    QTest::newRow("a language without a translation") << "fr-FR" << false << english;
    QTest::newRow("C") << "C" << false << english;
}

void TranslationTest::useLanguage() {
    QFETCH(QString, locale);
    QFETCH(bool, translated);
    QFETCH(QString, title);
    QCOMPARE(use(QLocale(locale)), translated);
    QCOMPARE(dialogTitle(), title);
}

int main(int argc, char** argv) {
    qputenv("LANGUAGE", "de");
    QCoreApplication app(argc, argv);
    TranslationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "translation_test.moc"
