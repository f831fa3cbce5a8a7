#include "app/translations.h"

#include "app/globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

QString TranslationsDir() {
    return DataDir() + QStringLiteral("translations/");
}

void LoadTranslations() {
    // Kept for the whole run: an application object made later installs the same ones.
    static std::unique_ptr<QTranslator> own, qt;
    if (!own) {
        const QLocale locale;
        own = std::make_unique<QTranslator>();
        if (!own->load(locale, QStringLiteral("sonavel"), QStringLiteral("_"), TranslationsDir()))
            own.reset(new QTranslator); // empty: every text stays English
        qt = std::make_unique<QTranslator>();
        // Only where the program itself speaks the language, so a window is never half
        // in a language the program does not know.
        if (own->isEmpty() || !qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            qt.reset(new QTranslator);
    }
    for (QTranslator* t : {own.get(), qt.get()})
        if (!t->isEmpty())
            QCoreApplication::installTranslator(t);
}
