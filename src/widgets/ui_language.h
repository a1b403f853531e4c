#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;

// Loads the program's translation, and Qt's own for its standard buttons, for the first
// of the user's interface languages (LANGUAGE, else LC_ALL, LC_MESSAGES, LANG) that has
// one. English, the texts' own language, ends the search: an English wish, or none
// translated, leaves the texts as they are. Returns the language loaded ("de"), empty for
// English.
QString InstallTranslations(QCoreApplication& app, const QStringList& uiLanguages = QLocale::system().uiLanguages());
