#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the enrolment station's refusals and list rows.
constexpr AddedText Texts[] = {
    {Text::StationPersonsCard, "Zdejmij tę kartę: to karta osoby %1. Nic na niej nie zapisano.",
     "Take this card off: it is %1's card. Nothing was written on it.",
     "Sejměte tuto kartu: je to karta osoby %1. Nic na ni nebylo zapsáno.",
     "Vegye le ezt a kártyát: ez %1 kártyája. Semmi sem lett ráírva."},
    {Text::StationConfigurationCard,
     "Zdejmij tę kartę: to karta konfiguracyjna czytnika (kod %1). Nic na niej nie zapisano.",
     "Take this card off: it is a reader's configuration card (code %1). Nothing was written on it.",
     "Sejměte tuto kartu: je to konfigurační karta čtečky (kód %1). Nic na ni nebylo zapsáno.",
     "Vegye le ezt a kártyát: ez egy olvasó konfigurációs kártyája (kód: %1). Semmi sem lett ráírva."},
    {Text::StationSkippedGone, "pominięta: numeru %1 nie ma już w tabeli",
     "skipped: number %1 is no longer in the table", "přeskočena: číslo %1 už v tabulce není",
     "kihagyva: a(z) %1 szám már nincs a táblában"},
    {Text::StationSkippedPerson, "pominięta: numer %1 ma teraz %2", "skipped: number %1 is now %2",
     "přeskočena: číslo %1 má nyní %2", "kihagyva: a(z) %1 szám most %2 száma"},
    {Text::StationSkippedGroup, "pominięta: teraz w grupie \"%1\", na liście \"%2\"",
     "skipped: now in the group \"%1\", queued for \"%2\"", "přeskočena: nyní ve skupině \"%1\", v seznamu \"%2\"",
     "kihagyva: most a(z) \"%1\" csoportban, a listán \"%2\""},
    {Text::StationJournalSpooled,
     "Karta została zapisana, ale dziennik kart %1 nie przyjął jej wiersza: %2. Wiersz czeka w pliku %3 i zostanie "
     "zapisany w dzienniku, gdy baza danych znów będzie dostępna.",
     "The card was written, but the card journal %1 could not take its line: %2. The line waits in %3 and goes to "
     "the journal when the database can be reached again.",
     "Karta byla zapsána, ale deník karet %1 nepřijal její řádek: %2. Řádek čeká v souboru %3 a do deníku se zapíše, "
     "až bude databáze opět dostupná.",
     "A kártya meg lett írva, de a(z) %1 kártyanapló nem fogadta a sorát: %2. A sor a(z) %3 fájlban vár, és a "
     "naplóba kerül, amint az adatbázis újra elérhető."},
    {Text::StationRowSpooled, "%1; wiersz dziennika czeka w %2, aż baza danych będzie dostępna",
     "%1; its journal line waits in %2 until the database can be reached",
     "%1; řádek deníku čeká v %2, až bude databáze dostupná",
     "%1; a naplósor a(z) %2 fájlban vár, amíg az adatbázis elérhető lesz"},
};

static_assert(Texts[0].slot == Text::FirstStationText && std::size(Texts) <= 20);

} // namespace

std::span<const AddedText> stationTexts()
{
    return Texts;
}

} // namespace i18n
