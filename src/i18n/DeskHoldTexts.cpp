#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the audit window, a folder held by another account, and small mends.
constexpr AddedText Texts[] = {
    {Text::DeskHeldBy,
     "%1 jest używany przez konto \"%2\" na komputerze \"%3\" od %4.",
     "%1 is in use by the account \"%2\" on the computer \"%3\" since %4.",
     "%1 používá účet \"%2\" na počítači \"%3\" od %4.",
     "A(z) %1 fájlt a(z) \"%2\" fiók használja a(z) \"%3\" számítógépen %4 óta."},
    {Text::DeskHeldUnknown,
     "%1 jest używany przez inny program, który nie zostawił notatki, kim jest.",
     "%1 is in use by another program, which left no note of who it is.",
     "%1 používá jiný program, který nezanechal poznámku, kdo je.",
     "A(z) %1 fájlt egy másik program használja, amely nem hagyott feljegyzést arról, ki ő."},
    {Text::DeskOneAtATime,
     "Na folderze z tabelami pracuje naraz jedno stanowisko; kilka stanowisk jednocześnie potrzebuje bazy danych "
     "(zob. README i instrukcję). Spróbuj ponownie, gdy tamto stanowisko zamknie Pellaro.",
     "One desk at a time works on a folder of tables; several desks at once need the database (see README and the "
     "manual). Try again once that desk has closed Pellaro.",
     "Se složkou tabulek pracuje vždy jen jedno pracoviště; několik pracovišť najednou potřebuje databázi (viz "
     "README a příručku). Zkuste to znovu, až to pracoviště Pellaro zavře.",
     "Egy táblamappán egyszerre egy munkaállomás dolgozik; több munkaállomásnak egyszerre adatbázis kell (lásd a "
     "README-t és a kézikönyvet). Próbálja újra, ha az a munkaállomás bezárta a Pellarót."},
    {Text::DeskHeldCaption, "Tabele w użyciu", "Tables in use", "Tabulky se používají", "A táblák használatban"},
    {Text::RetryAnswer, "Spróbuj ponownie", "Try again", "Zkusit znovu", "Újra"},
    {Text::QuitAnswer, "Zakończ", "Quit", "Ukončit", "Kilépés"},
};

} // namespace

std::span<const AddedText> deskHoldTexts()
{
    return Texts;
}

} // namespace i18n
