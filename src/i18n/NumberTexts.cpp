#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: a change whose commit the database never
// answered, and a database that stopped answering.
constexpr AddedText Texts[] = {
    {Text::DatabaseCommitUncertain,
     "Baza danych %1 stała się nieosiągalna podczas zapisywania zmiany: %2. Zmiana mogła zostać zapisana lub nie; "
     "następna zmiana najpierw to sprawdzi.",
     "The database at %1 could not be reached while the change was being stored: %2. It may have been stored or "
     "not; the next change first looks which.",
     "Databáze %1 přestala být dostupná během ukládání změny: %2. Změna mohla, ale nemusela být uložena; další "
     "změna nejprve zjistí, jak to je.",
     "A(z) %1 adatbázis a módosítás mentése közben elérhetetlenné vált: %2. Lehet, hogy a módosítás mentve lett, "
     "lehet, hogy nem; a következő módosítás először ezt nézi meg."},
    {Text::DatabaseStoredAfterAll,
     "Niepotwierdzona zmiana została jednak zapisana w bazie danych %1. Nic więcej nie zmieniono; tabela pokazuje "
     "ją teraz.",
     "The change that could not be confirmed was stored in the database at %1 after all. Nothing more was changed; "
     "the table shows it now.",
     "Nepotvrzená změna byla v databázi %1 přece jen uložena. Nic dalšího nebylo změněno; tabulka ji nyní ukazuje.",
     "A meg nem erősített módosítás mégis bekerült a(z) %1 adatbázisba. Más nem változott; a tábla most mutatja."},
    {Text::DatabaseCommitUndecided,
     "Baza danych %1 jeszcze nie zakończyła niepotwierdzonej zmiany. Nic więcej nie zmieniono; spróbuj ponownie "
     "za chwilę.",
     "The database at %1 has not yet finished the change that could not be confirmed. Nothing more was changed; "
     "try again in a moment.",
     "Databáze %1 ještě nedokončila nepotvrzenou změnu. Nic dalšího nebylo změněno; zkuste to znovu za chvíli.",
     "A(z) %1 adatbázis még nem fejezte be a meg nem erősített módosítást. Más nem változott; próbálja újra "
     "egy kis idő múlva."},
    {Text::DatabaseSilent, "brak odpowiedzi od %1 s", "no answer for %1 seconds", "žádná odpověď po dobu %1 s",
     "%1 másodperce nincs válasz"},
};

} // namespace

std::span<const AddedText> numberTexts()
{
    return Texts;
}

} // namespace i18n
