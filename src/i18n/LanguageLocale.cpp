#include "i18n/LanguageLocale.h"

#include <QString>

namespace i18n {

QLocale languageLocale(QStringView languageName)
{
    if (languageName == u"Polski")
        return QLocale(QLocale::Polish, QLocale::Poland);
    if (languageName == QString::fromUtf8("český"))
        return QLocale(QLocale::Czech, QLocale::CzechRepublic);
    if (languageName == u"Magyar")
        return QLocale(QLocale::Hungarian, QLocale::Hungary);
    return QLocale(QLocale::English, QLocale::UnitedKingdom);
}

QString languageOfLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Polish:
        return QStringLiteral("Polski");
    case QLocale::Czech:
        return QString::fromUtf8("český");
    case QLocale::Hungarian:
        return QStringLiteral("Magyar");
    default:
        return QStringLiteral("English");
    }
}

QLocale desktopLocale()
{
    // The messages' language, not the numbers': a Polish desktop with
    // English number formats still reads Polish.
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? QLocale::system() : QLocale(languages.first());
}

} // namespace i18n
