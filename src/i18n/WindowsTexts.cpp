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
};

} // namespace

std::span<const AddedText> windowsTexts()
{
    return Texts;
}

} // namespace i18n
