#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the site's settings and passwords.
constexpr AddedText Texts[] = {
    {Text::ConfigUnreadable,
     "Plik %1 istnieje, ale konto \"%2\" nie może go odczytać (%3), więc żadne hasło nie otwiera roli: hasła "
     "domyślne obowiązują tylko wtedy, gdy pliku config.ini nie ma. Administrator pozwala temu kontu czytać plik "
     "(sudo chown %2 %1 albo, w folderze dzielonym przez grupę, sudo pellaro-start --shared FOLDER GRUPA) i "
     "uruchamia program ponownie.",
     "%1 is there, but the account \"%2\" cannot read it (%3), so no password opens a role: the default "
     "passwords hold only where there is no config.ini. An administrator lets the account read the file (sudo "
     "chown %2 %1, or in a folder shared by a group, sudo pellaro-start --shared FOLDER GROUP) and starts the "
     "program again.",
     "Soubor %1 existuje, ale účet \"%2\" jej nemůže číst (%3), takže žádné heslo neotevře roli: výchozí hesla "
     "platí jen tam, kde config.ini není. Správce dovolí účtu soubor číst (sudo chown %2 %1, nebo ve složce "
     "sdílené skupinou sudo pellaro-start --shared SLOŽKA SKUPINA) a spustí program znovu.",
     "A(z) %1 létezik, de a(z) \"%2\" fiók nem tudja olvasni (%3), így egyik jelszó sem nyit meg szerepkört: az "
     "alapértelmezett jelszavak csak ott érvényesek, ahol nincs config.ini. A rendszergazda olvasási jogot ad a "
     "fióknak (sudo chown %2 %1, vagy csoport által megosztott mappában sudo pellaro-start --shared MAPPA "
     "CSOPORT), majd újraindítja a programot."},
    {Text::PasswordValueUnreadable,
     "Wartość %1 w pliku %2 nie jest hasłem ani skrótem hasła, który ten system umie sprawdzić, więc żadne hasło "
     "nie otwiera roli. Administrator usuwa wiersz %1= z pliku %2 (otwiera ją wtedy hasło domyślne tej roli: od "
     "razu je zmień) albo przywraca config.ini z kopii zapasowej.",
     "The value of %1 in %2 is neither a password nor a password hash this system can check, so no password "
     "opens a role. An administrator removes the line %1= from %2 (that role's default password then opens it: "
     "change it at once) or puts back config.ini from a backup.",
     "Hodnota %1 v souboru %2 není heslo ani haš hesla, který tento systém umí ověřit, takže žádné heslo "
     "neotevře roli. Správce odstraní řádek %1= ze souboru %2 (roli pak otevře její výchozí heslo: hned je "
     "změňte) nebo vrátí config.ini ze zálohy.",
     "A(z) %2 fájlban a(z) %1 értéke sem jelszó, sem a rendszer által ellenőrizhető jelszó-hash, így egyik "
     "jelszó sem nyit meg szerepkört. A rendszergazda törli a(z) %1= sort a(z) %2 fájlból (ekkor a szerepkör "
     "alapértelmezett jelszava nyitja meg: azonnal változtassa meg), vagy visszateszi a config.ini-t egy "
     "mentésből."},
    {Text::PasswordEmpty, "Puste hasło niczego nie otwiera: wpisz hasło. Nic nie zapisano.",
     "An empty password opens nothing: type one. Nothing was stored.",
     "Prázdné heslo nic neotevře: zadejte heslo. Nic nebylo uloženo.",
     "Üres jelszó semmit sem nyit meg: írjon be egyet. Semmi sem lett mentve."},
    {Text::SiteSystemNumberDiffers,
     "Plik config.ini tego stanowiska zawiera numer systemu %1, a %2 przechowuje dla wszystkich stanowisk numer "
     "%3: karty są zapisywane z numerem %3. Numer systemu i hasła obiektu w bazie danych są w bazie; usuń sekcję "
     "[PASSWORD] z pliku %4.",
     "This desk's config.ini holds the system number %1, but the %2 holds %3 for every desk: cards are written "
     "with %3. A site on a database keeps its system number and passwords there; remove the [PASSWORD] section "
     "from %4.",
     "Soubor config.ini tohoto stanoviště obsahuje číslo systému %1, ale %2 uchovává pro všechna stanoviště číslo "
     "%3: karty se zapisují s číslem %3. Objekt v databázi má číslo systému a hesla tam; odstraňte oddíl "
     "[PASSWORD] ze souboru %4.",
     "Ennek a munkahelynek a config.ini fájlja a(z) %1 rendszerszámot tartalmazza, de a(z) %2 minden munkahely "
     "számára a(z) %3 számot tárolja: a kártyák a(z) %3 számmal íródnak. Az adatbázisban tárolt telephely "
     "rendszerszáma és jelszavai ott vannak; törölje a [PASSWORD] szakaszt a(z) %4 fájlból."},
    {Text::DatabaseInUse, "Baza danych: %1 na %2", "Database: %1 on %2", "Databáze: %1 na %2", "Adatbázis: %1 itt: %2"},
    {Text::SiteSettingsUnreadable,
     "Nie można odczytać numeru systemu i haseł obiektu z %1 (%2), więc żadne hasło nie otwiera roli. Sprawdź "
     "połączenie z bazą danych i uprawnienia tego stanowiska do tabeli pellaro_site, potem uruchom program "
     "ponownie.",
     "The site's system number and passwords cannot be read from the %1 (%2), so no password opens a role. "
     "Check the connection to the database and this desk's rights on the table pellaro_site, then start the "
     "program again.",
     "Číslo systému a hesla objektu nelze přečíst z %1 (%2), takže žádné heslo neotevře roli. Zkontrolujte "
     "připojení k databázi a práva tohoto stanoviště k tabulce pellaro_site a spusťte program znovu.",
     "A telephely rendszerszáma és jelszavai nem olvashatók innen: %1 (%2), így egyik jelszó sem nyit meg "
     "szerepkört. Ellenőrizze az adatbázis-kapcsolatot és a munkahely jogait a pellaro_site táblához, majd "
     "indítsa újra a programot."},
};

} // namespace

std::span<const AddedText> siteSettingsTexts()
{
    return Texts;
}

} // namespace i18n
