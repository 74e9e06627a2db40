#pragma once

#include <QLocale>
#include <QStringView>

namespace i18n {

// The locale whose alphabet orders names for the operator of this language
// table ("Polski": Ł after L, "český": Ch after H); any other name gets the
// fallback language's.
QLocale languageLocale(QStringView languageName);

} // namespace i18n
