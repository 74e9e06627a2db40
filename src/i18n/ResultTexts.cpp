#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: a card's result and the status bar.
constexpr AddedText Texts[] = {
    {Text::ProgramWrittenVerified, "%1: karta %2 zapisana i sprawdzona", "%1: card %2 written and verified",
     "%1: karta %2 zapsána a ověřena", "%1: a(z) %2 kártya megírva és ellenőrizve"},
    {Text::ProgramWrittenUnchecked, "%1: karta %2 zapisana, bez odczytu kontrolnego (jest wyłączony)",
     "%1: card %2 written, not read back (reading back is off)",
     "%1: karta %2 zapsána, bez kontrolního čtení (je vypnuto)",
     "%1: a(z) %2 kártya megírva, visszaolvasás nélkül (ki van kapcsolva)"},
    {Text::ProgramWrittenUnconfirmed, "%1: karta %2 zapisana, ale odczyt kontrolny jej nie potwierdził",
     "%1: card %2 written, but reading it back did not confirm it",
     "%1: karta %2 zapsána, ale kontrolní čtení ji nepotvrdilo",
     "%1: a(z) %2 kártya megírva, de a visszaolvasás nem igazolta"},
    {Text::ProgramNoDoorQuestion,
     "%1 nie należy do żadnej grupy, która otwiera drzwi (grupa: \"%2\"). Karta nie otworzy żadnych drzwi. "
     "Zapisać ją mimo to?",
     "%1 is in no group that opens a door (group: \"%2\"). The card would open no door. Write it anyway?",
     "%1 nepatří do žádné skupiny, která otevírá dveře (skupina: \"%2\"). Karta by neotevřela žádné dveře. "
     "Přesto ji zapsat?",
     "%1 nem tartozik ajtót nyitó csoportba (csoport: \"%2\"). A kártya egyetlen ajtót sem nyitna. Mégis megírja?"},
    {Text::DefaultPasswordsShort, "Hasła domyślne w użyciu", "Default passwords in use", "Výchozí hesla v použití",
     "Alapjelszavak használatban"},
};

} // namespace

std::span<const AddedText> resultTexts()
{
    return Texts;
}

} // namespace i18n
