#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Refusals of a settings value that config.ini would not give back as typed.
const AddedText Texts[] = {
    {Text::SettingCharacterRefused, "Znaku \"%1\" nie można zapisać w pliku konfiguracyjnym. Nic nie zostało zapisane.",
     "The character \"%1\" cannot be stored in the configuration file. Nothing has been saved.",
     "Znak \"%1\" nelze uložit do konfiguračního souboru. Nic nebylo uloženo.",
     "A(z) \"%1\" karakter nem menthető a konfigurációs fájlba. Nem történt mentés."},
    {Text::SettingQuotesRefused,
     "Wartości ujętej w cudzysłów nie można zapisać: cudzysłów zostałby utracony przy odczycie. Nic nie zostało "
     "zapisane.",
     "A value enclosed in quotation marks cannot be stored: the marks would be lost when it is read. Nothing has "
     "been saved.",
     "Hodnotu v uvozovkách nelze uložit: uvozovky by se při čtení ztratily. Nic nebylo uloženo.",
     "Idézőjelek közé zárt érték nem menthető: olvasáskor az idézőjelek elvesznének. Nem történt mentés."},
    {Text::SettingBlanksRefused,
     "Wartości zaczynającej się lub kończącej spacją nie można zapisać: spacja zostałaby utracona przy odczycie. "
     "Nic nie zostało zapisane.",
     "A value that begins or ends with a blank cannot be stored: the blank would be lost when it is read. Nothing "
     "has been saved.",
     "Hodnotu, která začíná nebo končí mezerou, nelze uložit: mezera by se při čtení ztratila. Nic nebylo uloženo.",
     "Szóközzel kezdődő vagy végződő érték nem menthető: olvasáskor a szóköz elveszne. Nem történt mentés."},
    {Text::SettingTooLongRefused, "Wartości dłuższej niż %1 znaków nie można zapisać. Nic nie zostało zapisane.",
     "A value longer than %1 characters cannot be stored. Nothing has been saved.",
     "Hodnotu delší než %1 znaků nelze uložit. Nic nebylo uloženo.",
     "%1 karakternél hosszabb érték nem menthető. Nem történt mentés."},
    {Text::SettingLineBreakRefused,
     "Wartości zawierającej podział wiersza nie można zapisać. Nic nie zostało zapisane.",
     "A value with a line break cannot be stored. Nothing has been saved.",
     "Hodnotu se zalomením řádku nelze uložit. Nic nebylo uloženo.",
     "Sortörést tartalmazó érték nem menthető. Nem történt mentés."},
};

} // namespace

std::span<const AddedText> settingsTexts()
{
    return Texts;
}

} // namespace i18n
