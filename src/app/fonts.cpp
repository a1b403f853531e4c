#include "app/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <fontconfig/fontconfig.h>

void InstallFontSubstitutions()
{
    const QString cjk = QStringLiteral("WenQuanYi Micro Hei");
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"), cjk};
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                               {QStringLiteral("Comic Neue"), QStringLiteral("Comic Sans"),
                                QStringLiteral("DejaVu Sans"), cjk});
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"), sans);
    QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
}

QString InstalledFace(const QString& family)
{
    const QStringList installed = QFontDatabase::families();
    const QStringList candidates = QStringList{family} + QFont::substitutes(family);
    for (const QString& candidate : candidates) {
        if (installed.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
    return family;
}

FontConfigurationWarmUp::FontConfigurationWarmUp() : m_thread([] { FcInit(); }) {}

FontConfigurationWarmUp::~FontConfigurationWarmUp()
{
    m_thread.join();
}
