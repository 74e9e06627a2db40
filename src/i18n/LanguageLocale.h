#pragma once

#include <QLocale>
#include <QStringView>

namespace i18n {

// The locale whose alphabet orders names for the operator of this language
// table ("Polski": Ł after L, "český": Ch after H); any other name gets the
// fallback language's.
QLocale languageLocale(QStringView languageName);

// The language table for the desktop's language: "Polski", "English",
// "český" or "Magyar" for a locale of one of the four, "English" for any
// other (C and POSIX included).
QString languageOfLocale(const QLocale& locale);

// The language the desktop asks programs to speak (LC_ALL, LC_MESSAGES,
// LANG and LANGUAGE, as the system's locale reads them).
QLocale desktopLocale();

} // namespace i18n
