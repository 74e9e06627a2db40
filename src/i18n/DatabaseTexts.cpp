#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. A desk on the shared database: its
// connection lost and found again, and the password the server asks for.
constexpr AddedText Texts[] = {
    {Text::DatabaseLost, "Baza danych %1 jest nieosiągalna: %2. Nic nie zapisano; to, co wpisano, pozostało.",
     "The database at %1 cannot be reached: %2. Nothing was stored; what you typed is still here.",
     "Databáze %1 není dosažitelná: %2. Nic nebylo uloženo; co jste napsali, zůstává.",
     "A(z) %1 adatbázis nem érhető el: %2. Semmi sem lett mentve; amit beírt, megmaradt."},
    {Text::DatabaseCardRefused,
     "Baza danych %1 jest nieosiągalna: %2. Nie zapisano karty, bo nie można zapisać jej rekordu.",
     "The database at %1 cannot be reached: %2. No card was written, as its record could not be stored.",
     "Databáze %1 není dosažitelná: %2. Žádná karta nebyla zapsána, protože její záznam nelze uložit.",
     "A(z) %1 adatbázis nem érhető el: %2. Nem lett kártya írva, mert a rekordja nem menthető."},
    {Text::DatabaseUnreachable, "Baza danych %1 jest nieosiągalna: %2. Kolejna próba za kilka sekund.",
     "The database at %1 cannot be reached: %2. Trying again in a few seconds.",
     "Databáze %1 není dosažitelná: %2. Další pokus za několik sekund.",
     "A(z) %1 adatbázis nem érhető el: %2. Újrapróbálás néhány másodperc múlva."},
    {Text::DatabaseBack, "Baza danych %1 jest znów osiągalna; rekordy odczytano od nowa.",
     "The database at %1 can be reached again; the records were read anew.",
     "Databáze %1 je opět dosažitelná; záznamy byly načteny znovu.",
     "A(z) %1 adatbázis ismét elérhető; a rekordok újra beolvasva."},
    {Text::DatabasePasswordCaption, "Hasło bazy danych", "Database password", "Heslo databáze", "Adatbázis jelszava"},
    {Text::DatabasePasswordAsk,
     "Baza danych %1 prosi o hasło użytkownika %2:", "The database %1 asks for the password of the user %2:",
     "Databáze %1 žádá heslo uživatele %2:", "A(z) %1 adatbázis kéri %2 felhasználó jelszavát:"},
    {Text::DatabasePasswordWrong, "Baza danych %1 nie przyjęła hasła użytkownika %2. Wpisz je ponownie:",
     "The database %1 did not accept the password of the user %2. Type it again:",
     "Databáze %1 nepřijala heslo uživatele %2. Zadejte je znovu:",
     "A(z) %1 adatbázis nem fogadta el %2 felhasználó jelszavát. Írja be újra:"},
    {Text::DatabasePasswordNone, "Bazy danych %1 nie można otworzyć bez hasła użytkownika %2; program kończy pracę.",
     "The database %1 cannot be opened without the password of the user %2; the program ends.",
     "Databázi %1 nelze otevřít bez hesla uživatele %2; program končí.",
     "A(z) %1 adatbázis nem nyitható meg %2 felhasználó jelszava nélkül; a program befejeződik."},
};

} // namespace

std::span<const AddedText> databaseTexts()
{
    return Texts;
}

} // namespace i18n
