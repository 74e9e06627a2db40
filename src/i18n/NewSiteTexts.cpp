#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: a new site's import, status bar and results.
constexpr AddedText Texts[] = {
    {Text::ImportReadings,
     "Plik czyta się inaczej jako UTF-8, a inaczej jako Windows-1250. Pierwszy taki wiersz:\n\nUTF-8: %1\n"
     "Windows-1250: %2\n\nW jakim kodowaniu jest zapisany?",
     "The file reads differently as UTF-8 and as Windows-1250. The first such row:\n\nUTF-8: %1\n"
     "Windows-1250: %2\n\nWhich one is it written in?",
     "Soubor se čte jinak jako UTF-8 a jinak jako Windows-1250. První takový řádek:\n\nUTF-8: %1\n"
     "Windows-1250: %2\n\nV jakém kódování je zapsán?",
     "A fájl másként olvasható UTF-8-ként és Windows-1250-ként. Az első ilyen sor:\n\nUTF-8: %1\n"
     "Windows-1250: %2\n\nMelyik kódolással készült?"},
    {Text::ReadingUtf8, "UTF-8", "UTF-8", "UTF-8", "UTF-8"},
    {Text::ReadingWindows1250, "Windows-1250", "Windows-1250", "Windows-1250", "Windows-1250"},
    {Text::ImportReadAs, "Plik jest czytany jako tekst %1, pola rozdzielają %2.",
     "The file is read as %1 text, its fields separated by %2.", "Soubor se čte jako text %1, pole oddělují %2.",
     "A fájl %1 szövegként olvasható, a mezőket %2 választják el."},
    {Text::SeparatorComma, "przecinki", "commas", "čárky", "vesszők"},
    {Text::SeparatorSemicolon, "średniki", "semicolons", "středníky", "pontosvesszők"},
    {Text::SeparatorTab, "tabulatory", "tabs", "tabulátory", "tabulátorok"},
    {Text::ImportIgnoredColumns, "Te kolumny nie są importowane: %1.", "These columns are not imported: %1.",
     "Tyto sloupce se neimportují: %1.", "Ezek az oszlopok nem kerülnek importálásra: %1."},
    {Text::ImportNewGroups,
     "Tych grup nie ma jeszcze w tabeli grup: %1.\n\nUtworzyć je (nie otwierają żadnego czytnika, dopóki ich nie "
     "ustawisz), czy zapisać ich osoby bez grupy?",
     "These groups are not in the groups table yet: %1.\n\nCreate them (they open no reader until you set them), or "
     "store their persons without a group?",
     "Tyto skupiny zatím v tabulce skupin nejsou: %1.\n\nVytvořit je (neotevírají žádnou čtečku, dokud je "
     "nenastavíte), nebo uložit jejich osoby bez skupiny?",
     "Ezek a csoportok még nincsenek a csoporttáblában: %1.\n\nLétrehozza őket (amíg be nem állítja, egy olvasót sem "
     "nyitnak), vagy csoport nélkül tárolja a személyeiket?"},
    {Text::CreateGroupsAnswer, "Utwórz grupy", "Create the groups", "Vytvořit skupiny", "Csoportok létrehozása"},
    {Text::WithoutGroupAnswer, "Zapisz je bez grupy", "Store them without a group", "Uložit je bez skupiny",
     "Tárolás csoport nélkül"},
    {Text::ImportAlreadyInTable, "%1 z tych %2 osób jest już w tabeli z tym samym nazwiskiem i imieniem.",
     "%1 of these %2 persons are already in the table with the same family and first name.",
     "%1 z těchto %2 osob už je v tabulce se stejným příjmením a jménem.",
     "Ebből a(z) %2 személyből %1 már szerepel a táblában ugyanazzal a vezeték- és keresztnévvel."},
    {Text::SkipExistingAnswer, "Pomiń je", "Skip them", "Přeskočit je", "Kihagyás"},
    {Text::ImportAgainAnswer, "Importuj je ponownie", "Import them again", "Importovat je znovu", "Újra importálás"},
    {Text::ImportWillCreate, "Zostaną utworzone grupy: %1.", "These groups will be created: %1.",
     "Budou vytvořeny skupiny: %1.", "Ezek a csoportok jönnek létre: %1."},
    {Text::ImportWillSkip, "Osoby już obecne w tabeli, które zostaną pominięte: %1.",
     "Persons already in the table that will be skipped: %1.", "Osoby, které už v tabulce jsou a budou přeskočeny: %1.",
     "A táblában már szereplő, kihagyandó személyek: %1."},
    {Text::GroupsCreated, "Utworzone grupy: %1", "Groups created: %1", "Vytvořené skupiny: %1",
     "Létrehozott csoportok: %1"},
    {Text::PersonsSkipped, "Osoby pominięte, bo są już w tabeli: %1", "Persons skipped as already in the table: %1",
     "Osoby přeskočené, protože už v tabulce jsou: %1", "A táblában már szereplő, kihagyott személyek: %1"},
};

static_assert(Texts[0].slot == Text::FirstNewSiteText && std::size(Texts) <= 20);

} // namespace

std::span<const AddedText> newSiteTexts()
{
    return Texts;
}

} // namespace i18n
