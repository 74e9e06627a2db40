#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. "%1" and "%2" are filled in by the card
// operations (a number, a group name, a file name, a system error text).
constexpr AddedText Texts[] = {
    {Text::CardNotWritten, "Karta nie została zapisana", "Card not written", "Karta nebyla zapsána",
     "A kártya nem készült el"},
    {Text::PersonNumberUnfit, "Numer osoby %1 nie mieści się na karcie (1..65535). Nic nie wysłano.",
     "Person number %1 does not fit on a card (1..65535). Nothing was sent.",
     "Číslo osoby %1 se na kartu nevejde (1..65535). Nic nebylo odesláno.",
     "A(z) %1 személyszám nem fér el a kártyán (1..65535). Semmi sem lett elküldve."},
    {Text::DuplicateCountUnfit, "Zapisana liczba duplikatów (%1) nie mieści się na karcie (0..15). Nic nie wysłano.",
     "The stored number of duplicates (%1) does not fit on a card (0..15). Nothing was sent.",
     "Uložený počet duplikátů (%1) se na kartu nevejde (0..15). Nic nebylo odesláno.",
     "A tárolt másolatszám (%1) nem fér el a kártyán (0..15). Semmi sem lett elküldve."},
    {Text::SystemNumberUnfit, "Numer systemu %1 jest poza zakresem 1..1 000 000. Nic nie wysłano.",
     "The system number %1 is outside 1..1 000 000. Nothing was sent.",
     "Číslo systému %1 je mimo rozsah 1..1 000 000. Nic nebylo odesláno.",
     "A(z) %1 rendszerszám kívül esik az 1..1 000 000 tartományon. Semmi sem lett elküldve."},
    {Text::NoPersonSelected,
     "Nie wybrano osoby: karta z numerem osoby 0 byłaby odczytana jako karta konfiguracyjna. Nic nie wysłano.",
     "No person is selected: a card with person number 0 would be read as a configuration card. Nothing was sent.",
     "Není vybrána žádná osoba: karta s číslem osoby 0 by se četla jako konfigurační karta. Nic nebylo odesláno.",
     "Nincs kiválasztott személy: a 0 személyszámú kártya konfigurációs kártyának számítana. Semmi sem lett "
     "elküldve."},
    {Text::ReaderNumberUnfit, "Numer czytnika %1 jest poza zakresem 1..96. Nic nie wysłano.",
     "Reader number %1 is outside 1..96. Nothing was sent.",
     "Číslo čtečky %1 je mimo rozsah 1..96. Nic nebylo odesláno.",
     "A(z) %1 olvasószám kívül esik az 1..96 tartományon. Semmi sem lett elküldve."},
    {Text::RelayTimeUnfit, "Zapisany czas przekaźnika %1 s jest poza zakresem 1..255 s. Nic nie wysłano.",
     "The stored relay time %1 s is outside 1..255 s. Nothing was sent.",
     "Uložená doba relé %1 s je mimo rozsah 1..255 s. Nic nebylo odesláno.",
     "A tárolt %1 s reléidő kívül esik az 1..255 s tartományon. Semmi sem lett elküldve."},
    {Text::OldCodeUnfit, "Stary kod %1 jest poza zakresem 1..1 000 000. Nic nie wysłano.",
     "The old code %1 is outside 1..1 000 000. Nothing was sent.",
     "Starý kód %1 je mimo rozsah 1..1 000 000. Nic nebylo odesláno.",
     "A(z) %1 régi kód kívül esik az 1..1 000 000 tartományon. Semmi sem lett elküldve."},
    {Text::WriteIncomplete,
     "Połączenie z programatorem zostało przerwane podczas zapisu. Karta nie została zapisana i nic nie zachowano.",
     "The connection to the programmer was lost during the write. The card is not written and nothing was stored.",
     "Spojení s programátorem bylo během zápisu přerušeno. Karta není zapsána a nic nebylo uloženo.",
     "A programozóval megszakadt a kapcsolat írás közben. A kártya nem készült el, semmi sem lett mentve."},
    {Text::GroupMissingNoAccess, "Karta została zapisana bez dostępu: grupa \"%1\" nie istnieje.",
     "The card was written without access: the group \"%1\" does not exist.",
     "Karta byla zapsána bez přístupu: skupina \"%1\" neexistuje.",
     "A kártya hozzáférés nélkül készült el: a(z) \"%1\" csoport nem létezik."},
    {Text::JournalNotWritten, "Nie można zapisać dziennika kart %1: %2", "The card journal %1 could not be written: %2",
     "Deník karet %1 nelze zapsat: %2", "A(z) %1 kártyanapló nem írható: %2"},
    {Text::CardJournal, "Dziennik kart", "Card journal", "Deník karet", "Kártyanapló"},
    {Text::JournalUnwritable, "Nie można zapisać dziennika kart %1: %2. Karta nie została zapisana i nic nie wysłano.",
     "The card journal %1 cannot be written: %2. No card was written and nothing was sent.",
     "Deník karet %1 nelze zapsat: %2. Karta nebyla zapsána a nic nebylo odesláno.",
     "A(z) %1 kártyanapló nem írható: %2. A kártya nem készült el, semmi sem lett elküldve."},
};

static_assert(Texts[0].slot == Text::FirstCardText && std::size(Texts) <= 30);

} // namespace

std::span<const AddedText> cardTexts()
{
    return Texts;
}

} // namespace i18n
