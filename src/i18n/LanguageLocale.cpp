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

} // namespace i18n
