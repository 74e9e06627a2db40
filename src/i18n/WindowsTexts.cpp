#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: Windows: the port, the registry, the password hash, files and the installer.
constexpr AddedText Texts[] = {
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
};

} // namespace

std::span<const AddedText> windowsTexts()
{
    return Texts;
}

} // namespace i18n
