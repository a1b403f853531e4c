#include "widgets/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString InstallTranslations(QCoreApplication& app, const QStringList& uiLanguages)
{
    auto* own = new QTranslator(&app);
    QString language;
    for (QString wish : uiLanguages) {
        wish.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (wish.isEmpty() || wish == QLatin1String("C") || wish == QLatin1String("POSIX")
            || wish.startsWith(QLatin1String("en")))
            break;
        // "quillby_de_AT" falls back to "quillby_de" by itself.
        if (own->load(QStringLiteral("quillby_") + wish, QStringLiteral(":/i18n"))) {
            language = wish.section(QLatin1Char('_'), 0, 0);
            break;
        }
    }
    if (language.isEmpty()) {
        delete own;
        return {};
    }
    QCoreApplication::installTranslator(own);
    // Qt's texts (the message boxes' Yes, No, Cancel) in the same language, where the
    // system has them; a missing file leaves them English.
    auto* qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return language;
}
