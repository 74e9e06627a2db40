#pragma once

#include "i18n/TextSlots.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

// The four compiled-in language tables: the 104 original texts (slots 70 and
// 74 are not used and stay empty) and the texts the program added from slot
// 104 on (AddedTexts.h); slots no text uses stay empty.
namespace i18n {

inline constexpr int OriginalTableSize = 104;
inline constexpr int LanguageTableSize = TextSlotCount;
using LanguageTable = std::array<QString, LanguageTableSize>;

// The table used when a language name matches none of the four.
inline constexpr char16_t FallbackLanguage[] = u"English";

// "Polski", "English", "český", "Magyar", in the order of the language box.
QStringList languageNames();

// Exact, case-sensitive match on the name; nullptr when no table has it
// ("english" matches nothing).
const LanguageTable* findLanguageTable(QStringView name);

// Copies the named table into all slots and returns true; with an unknown
// name the slots keep what they held and the result is false.
bool copyLanguageTable(QStringView name, TextSlots* textSlots);

// The fixed credits line of the About text, the same in every language.
QString creditsLine();

} // namespace i18n
