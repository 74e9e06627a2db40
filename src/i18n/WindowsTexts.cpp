#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: Windows: the port, the registry, the password hash, files and the installer.
constexpr AddedText Texts[] = {
    // the port and the registry
    {Text::RegistryKeyMissing,
     "Klucz rejestru HKEY_CURRENT_USER\\%1 nie istnieje dla tego konta Windows. Instalator programu Pellaro tworzy "
     "go dla konta, które instaluje program; dla innego konta utwórz go w wierszu poleceń: "
     "reg add HKCU\\%1 /v Port /t REG_DWORD /d %2",
     "The registry key HKEY_CURRENT_USER\\%1 does not exist for this Windows account. The Pellaro installer creates "
     "it for the account that installs the program; for another account, create it at a command prompt: "
     "reg add HKCU\\%1 /v Port /t REG_DWORD /d %2",
     "Klíč registru HKEY_CURRENT_USER\\%1 pro tento účet Windows neexistuje. Instalační program Pellaro jej vytváří "
     "pro účet, který program instaluje; pro jiný účet jej vytvořte na příkazovém řádku: "
     "reg add HKCU\\%1 /v Port /t REG_DWORD /d %2",
     "A HKEY_CURRENT_USER\\%1 beállításkulcs nem létezik ehhez a Windows-fiókhoz. A Pellaro telepítője létrehozza "
     "a programot telepítő fiók számára; más fiókhoz hozza létre parancssorban: "
     "reg add HKCU\\%1 /v Port /t REG_DWORD /d %2"},
    // password hashes
    {Text::PasswordHashOfLinux,
     "Hasło %1 w %2 jest zapisane jako skrót (\"$y$…\"), który umie sprawdzić tylko wersja dla Linuksa. Zaloguj się "
     "nim raz w systemie Linux: to logowanie zapisze je jako skrót, który sprawdzają obie wersje. Albo wyzeruj je "
     "tak, jak opisuje podręcznik: usuń wiersz %1= z pliku config.ini; rolę otworzy wtedy jej hasło domyślne (od "
     "razu je zmień).",
     "The password of %1 in %2 is stored as a hash (\"$y$…\") that only the Linux build can check. Log in with it "
     "once on Linux: that login stores it as a hash both builds check. Or reset it as the manual says: remove the "
     "line %1= from config.ini; that role's default password then opens it (change it at once).",
     "Heslo %1 v %2 je uloženo jako haš (\"$y$…\"), který umí ověřit jen verze pro Linux. Přihlaste se jím jednou v "
     "Linuxu: toto přihlášení je uloží jako haš, který ověří obě verze. Nebo je obnovte, jak popisuje příručka: "
     "odstraňte řádek %1= ze souboru config.ini; roli pak otevře její výchozí heslo (hned je změňte).",
     "A(z) %1 jelszava a(z) %2 helyen olyan hash-ként (\"$y$…\") van tárolva, amelyet csak a linuxos változat tud "
     "ellenőrizni. Jelentkezzen be vele egyszer Linuxon: ez a bejelentkezés mindkét változat által ellenőrizhető "
     "hash-ként tárolja. Vagy állítsa vissza a kézikönyv leírása szerint: törölje a(z) %1= sort a config.ini "
     "fájlból; a szerepkört ekkor az alapértelmezett jelszava nyitja meg (azonnal változtassa meg)."},
    // files
    {Text::ConfigUnreadableByRules,
     "Plik %1 istnieje, ale konto \"%2\" nie może go odczytać (%3), więc żadne hasło nie otwiera roli: hasła "
     "domyślne obowiązują tylko wtedy, gdy pliku config.ini nie ma. Administrator pozwala temu kontu czytać plik "
     "(we Właściwościach pliku, na karcie Zabezpieczenia: Odczyt dla tego konta) i uruchamia program ponownie.",
     "%1 is there, but the account \"%2\" cannot read it (%3), so no password opens a role: the default "
     "passwords hold only where there is no config.ini. An administrator lets the account read the file (in the "
     "file's Properties, on the Security tab: Read for this account) and starts the program again.",
     "Soubor %1 existuje, ale účet \"%2\" jej nemůže číst (%3), takže žádné heslo neotevře roli: výchozí hesla "
     "platí jen tam, kde config.ini není. Správce dovolí účtu soubor číst (ve Vlastnostech souboru, na kartě "
     "Zabezpečení: Čtení pro tento účet) a spustí program znovu.",
     "A(z) %1 létezik, de a(z) \"%2\" fiók nem tudja olvasni (%3), így egyik jelszó sem nyit meg szerepkört: az "
     "alapértelmezett jelszavak csak ott érvényesek, ahol nincs config.ini. A rendszergazda olvasási jogot ad a "
     "fióknak (a fájl Tulajdonságai között, a Biztonság lapon: Olvasás ehhez a fiókhoz), majd újraindítja a "
     "programot."},
    // printing
    {Text::NoPrinterInstalled,
     "Na tym komputerze nie zainstalowano żadnej drukarki. Nic nie wydrukowano. Dodaj drukarkę w ustawieniach "
     "systemu albo zapisz wydruk przyciskiem \"%1\" i wydrukuj go później.",
     "This computer has no printer installed. Nothing was printed. Add a printer in the system's settings, or "
     "save the print with \"%1\" and print it later.",
     "V tomto počítači není nainstalována žádná tiskárna. Nic nebylo vytištěno. Přidejte tiskárnu v nastavení "
     "systému, nebo tisk uložte tlačítkem \"%1\" a vytiskněte jej později.",
     "Ezen a számítógépen nincs telepítve nyomtató. Semmi sem lett kinyomtatva. Adjon hozzá nyomtatót a rendszer "
     "beállításaiban, vagy mentse a nyomtatást a(z) \"%1\" gombbal, és nyomtassa ki később."},
};

} // namespace

std::span<const AddedText> windowsTexts()
{
    return Texts;
}

} // namespace i18n
