#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. What a new site meets first: the login
// box, the device behind a port that does not open, and the import's look at
// its first row before anything is stored.
constexpr AddedText Texts[] = {
    {Text::PasswordPlaceholder, "Hasło", "Password", "Heslo", "Jelszó"},
    {Text::PortDeviceSet, "Urządzenie: %1, ustawione w config.ini przez [COM_PORT] %2=",
     "Device: %1, set in config.ini by [COM_PORT] %2=", "Zařízení: %1, nastavené v config.ini klíčem [COM_PORT] %2=",
     "Eszköz: %1, a config.ini [COM_PORT] %2= kulcsa szerint"},
    {Text::PortDeviceDefault, "Urządzenie: %1, domyślne, bo config.ini nie ustawia [COM_PORT] %2=",
     "Device: %1, the default, as config.ini sets no [COM_PORT] %2=",
     "Zařízení: %1, výchozí, protože config.ini nenastavuje [COM_PORT] %2=",
     "Eszköz: %1, az alapértelmezett, mert a config.ini nem ad meg [COM_PORT] %2= kulcsot"},
    {Text::ImportPreview, "Osoby do importu: %1. Pierwszy wiersz zostanie zapisany jako nazwisko: %2, imię: %3.",
     "Persons to import: %1. The first row will be stored as family name: %2, first name: %3.",
     "Osob k importu: %1. První řádek bude uložen jako příjmení: %2, jméno: %3.",
     "Importálandó személyek: %1. Az első sor így kerül tárolásra: vezetéknév: %2, keresztnév: %3."},
    {Text::ImportAnswer, "Importuj", "Import", "Importovat", "Importálás"},
};

static_assert(Texts[0].slot == Text::FirstStartText && std::size(Texts) <= 15);

} // namespace

std::span<const AddedText> startTexts()
{
    return Texts;
}

} // namespace i18n
