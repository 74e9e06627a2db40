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
    // What the table engine found odd when it opened a table, told before login.
    {Text::TableDamaged,
     "Tabela %1 przy otwarciu okazała się uszkodzona:\n%2\nWidoczne są rekordy, które dało się odczytać. Do "
     "zamknięcia tego komunikatu nic nie zostanie zapisane w tabeli. Szczegóły podaje polecenie \"pellaro-tables "
     "check %1\".",
     "The table %1 was found damaged when it was opened:\n%2\nThe records that could be read are shown. Nothing is "
     "written to the table until this message is closed. The command \"pellaro-tables check %1\" gives the details.",
     "Tabulka %1 byla při otevření shledána poškozenou:\n%2\nZobrazeny jsou záznamy, které bylo možné přečíst. Do "
     "zavření této zprávy se do tabulky nic nezapíše. Podrobnosti vypíše příkaz \"pellaro-tables check %1\".",
     "A(z) %1 tábla megnyitáskor sérültnek bizonyult:\n%2\nA beolvasható rekordok láthatók. Ennek az üzenetnek a "
     "bezárásáig semmi sem íródik a táblába. A részleteket a \"pellaro-tables check %1\" parancs mutatja meg."},
    {Text::TableDamagedCaption, "Uszkodzona tabela", "Damaged table", "Poškozená tabulka", "Sérült tábla"},
    // What the table engine mended when it opened a table after a crash, told once.
    {Text::TableChangeUndone,
     "Tabela %1 została otwarta po przerwanej zmianie (program lub komputer zatrzymał się podczas zapisu). Zmiana "
     "została wycofana: tabela jest taka jak przed nią.",
     "The table %1 was opened after a change to it had been cut short (the program or the computer stopped while it "
     "was being written). The change was undone: the table is as it was before it.",
     "Tabulka %1 byla otevřena po přerušené změně (program nebo počítač se zastavil během zápisu). Změna byla vrácena: "
     "tabulka je taková jako před ní.",
     "A(z) %1 tábla egy félbeszakadt módosítás után nyílt meg (a program vagy a számítógép írás közben leállt). A "
     "módosítás visszavonva: a tábla olyan, mint előtte volt."},
    {Text::TableTailMoved,
     "Tabela %1 zawierała dane za ostatnim policzonym rekordem, pozostawione przez przerwane dodawanie. Dane "
     "przeniesiono do pliku %2, a tabela została naprawiona.",
     "The table %1 held data after its last counted record, left by an addition that was cut short. The data was "
     "moved to the file %2 and the table was repaired.",
     "Tabulka %1 obsahovala data za posledním započítaným záznamem, která zanechalo přerušené přidávání. Data byla "
     "přesunuta do souboru %2 a tabulka byla opravena.",
     "A(z) %1 tábla az utolsó számba vett rekordja után adatokat tartalmazott, amelyeket egy félbeszakadt hozzáadás "
     "hagyott ott. Az adatok a(z) %2 fájlba kerültek, a tábla javítva."},
    {Text::TableRepairedCaption, "Tabela naprawiona", "Table repaired", "Tabulka opravena", "Tábla javítva"},
};

} // namespace

std::span<const AddedText> settingsTexts()
{
    return Texts;
}

} // namespace i18n
