#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: moving a site between files and the
// database, the database's schema and encoding. %1 the database, %2 its
// server; %3 the encoding and %4 the command that makes a database, or %3
// the working directory.
constexpr AddedText Texts[] = {
    {Text::DatabaseWrongEncoding,
     "Baza danych %1 na %2 ma kodowanie %3; Pellaro pracuje tylko na bazie o kodowaniu UTF8. Utwórz taką "
     "poleceniem:\n%4\na następnie przenieś do niej tabele (pellaro-tables db init, db import).",
     "The database %1 on %2 is of the encoding %3; Pellaro works only on a database of the encoding UTF8. Make one "
     "with:\n%4\nand then move the tables into it (pellaro-tables db init, db import).",
     "Databáze %1 na %2 má kódování %3; Pellaro pracuje jen s databází v kódování UTF8. Vytvořte ji příkazem:\n%4\n"
     "a pak do ní přeneste tabulky (pellaro-tables db init, db import).",
     "A(z) %1 adatbázis (%2) kódolása %3; a Pellaro csak UTF8 kódolású adatbázison működik. Hozzon létre egyet "
     "ezzel:\n%4\nmajd vigye át bele a táblákat (pellaro-tables db init, db import)."},
    {Text::DatabaseWithoutTables,
     "Baza danych %1 na %2 nie zawiera tabel programu Pellaro. Utwórz je poleceniem:\npellaro-tables db init %3",
     "The database %1 on %2 holds none of Pellaro's tables. Make them with:\npellaro-tables db init %3",
     "Databáze %1 na %2 neobsahuje žádné tabulky programu Pellaro. Vytvořte je příkazem:\npellaro-tables db init %3",
     "A(z) %1 adatbázis (%2) nem tartalmazza a Pellaro tábláit. Hozza létre őket ezzel:\npellaro-tables db init %3"},
};

} // namespace

std::span<const AddedText> siteMoveTexts()
{
    return Texts;
}

} // namespace i18n
