#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. The passwords kept as hashes, the login's
// wait after wrong tries, and the audit trail with its window.
constexpr AddedText Texts[] = {
    {Text::PasswordOfOtherRole, "To jest hasło drugiej roli. Wybierz inne hasło.",
     "This is the other role's password. Choose a different one.", "Toto je heslo druhé role. Zvolte jiné heslo.",
     "Ez a másik szerepkör jelszava. Válasszon másikat."},
    {Text::PasswordNotHashed,
     "Nie można utworzyć skrótu hasła (system nie dał losowej soli). Nic nie zapisano.",
     "The password could not be hashed (the system gave no random salt). Nothing was stored.",
     "Heslo nelze zahašovat (systém nedal náhodnou sůl). Nic nebylo uloženo.",
     "A jelszó hash-e nem készíthető el (a rendszer nem adott véletlen sót). Semmi sem lett mentve."},
    {Text::PasswordTooLong, "Hasło jest za długie: najwyżej %1 bajtów w UTF-8. Nic nie zapisano.",
     "The password is too long: at most %1 bytes in UTF-8. Nothing was stored.",
     "Heslo je příliš dlouhé: nejvýše %1 bajtů v UTF-8. Nic nebylo uloženo.",
     "A jelszó túl hosszú: legfeljebb %1 bájt UTF-8-ban. Semmi sem lett mentve."},
    {Text::DefaultPasswordsInUse, "Używane są hasła domyślne: zmień je na stronie Ustawienia",
     "Default passwords are in use: change them on the Settings page",
     "Používají se výchozí hesla: změňte je na stránce Nastavení",
     "Alapértelmezett jelszavak vannak használatban: változtassa meg őket a Beállítások lapon"},
    {Text::DefaultPasswordHint, "Hasło administratora nowej instalacji to 1.",
     "A new installation's administrator password is 1.", "Heslo správce nové instalace je 1.",
     "Egy új telepítés rendszergazdai jelszava: 1."},
    {Text::LoginWait, "Zbyt wiele błędnych haseł: to hasło zostanie sprawdzone za %1 s",
     "Too many wrong passwords: this one is checked in %1 s", "Příliš mnoho chybných hesel: toto se ověří za %1 s",
     "Túl sok hibás jelszó: ez %1 mp múlva lesz ellenőrizve"},
    {Text::PasswordUnreadable,
     "Wartość %1 w pliku config.ini nie jest hasłem ani skrótem hasła, który ten system umie sprawdzić, więc nie "
     "otwiera żadnej roli. Ustaw to hasło ponownie albo usuń ten wiersz (wraca wtedy hasło domyślne).",
     "The value of %1 in config.ini is neither a password nor a password hash this system can check, so it opens "
     "no role. Set that password again, or remove its line (the default password then applies).",
     "Hodnota %1 v souboru config.ini není heslo ani haš hesla, který tento systém umí ověřit, takže neotevírá "
     "žádnou roli. Nastavte heslo znovu, nebo odstraňte jeho řádek (platí pak výchozí heslo).",
     "A config.ini %1 értéke sem jelszó, sem a rendszer által ellenőrizhető jelszó-hash, így egyik szerepkört sem "
     "nyitja meg. Állítsa be újra a jelszót, vagy törölje a sorát (ekkor az alapértelmezett jelszó érvényes)."},
    {Text::PasswordNotRehashed, "Nie można zapisać hasła jako skrótu: %1", "The password could not be stored as a hash: %1",
     "Heslo nelze uložit jako haš: %1", "A jelszó nem menthető hash-ként: %1"},
    {Text::AuditUnwritable, "Nie można zapisać dziennika audytu %1: %2. Niczego nie zmieniono.",
     "The audit trail %1 cannot be written: %2. Nothing was changed.",
     "Auditní záznam %1 nelze zapsat: %2. Nic nebylo změněno.",
     "A(z) %1 naplózás nem írható: %2. Semmi sem változott."},
    {Text::AuditCaption, "Dziennik audytu", "Audit trail", "Auditní záznam", "Naplózás"},
    {Text::AuditTrailMenu, "Dziennik audytu…", "Audit trail…", "Auditní záznam…", "Naplózás…"},
    {Text::AuditPersonFilter, "Osoba (numer lub nazwisko):", "Person (number or name):", "Osoba (číslo nebo jméno):",
     "Személy (szám vagy név):"},
    {Text::AuditTableFilter, "Tabela:", "Table:", "Tabulka:", "Tábla:"},
    {Text::AuditFrom, "Od:", "From:", "Od:", "Ettől:"},
    {Text::AuditTo, "Do:", "To:", "Do:", "Eddig:"},
    {Text::AuditAllTables, "(wszystkie)", "(all)", "(všechny)", "(mind)"},
    {Text::AuditColumns, "Czas|Rola|Użytkownik|Komputer|Czynność|Tabela|Rekord|Osoba",
     "Time|Role|User|Host|Action|Table|Record|Person", "Čas|Role|Uživatel|Počítač|Činnost|Tabulka|Záznam|Osoba",
     "Idő|Szerepkör|Felhasználó|Gép|Művelet|Tábla|Rekord|Személy"},
    {Text::AuditDetailColumns, "Pole|Stara wartość|Nowa wartość", "Field|Old value|New value",
     "Pole|Stará hodnota|Nová hodnota", "Mező|Régi érték|Új érték"},
    {Text::AuditEvents, "Pokazano zdarzeń: %1 z %2", "Events shown: %1 of %2", "Zobrazeno událostí: %1 z %2",
     "Megjelenített események: %1 / %2"},
    {Text::AuditNewestHash, "Dziennik audytu: %1", "Audit trail: %1", "Auditní záznam: %1", "Naplózás: %1"},
    {Text::AuditNotReadable, "Nie można odczytać dziennika audytu %1: %2", "The audit trail %1 could not be read: %2",
     "Auditní záznam %1 nelze přečíst: %2", "A(z) %1 naplózás nem olvasható: %2"},
    {Text::AuditNotWritten, "Zmianę zapisano, ale dziennik audytu %1 nie przyjął jej wiersza: %2",
     "The change was stored, but the audit trail %1 could not take its line: %2",
     "Změna byla uložena, ale auditní záznam %1 nepřijal její řádek: %2",
     "A változás mentve, de a(z) %1 naplózás nem fogadta a sorát: %2"},
};

} // namespace

std::span<const AddedText> auditTexts()
{
    return Texts;
}

} // namespace i18n
