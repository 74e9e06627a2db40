#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// The Edit menu's spreadsheet commands, their messages, and the start-up backup.
const AddedText Texts[] = {
    {Text::ExportPersons, "Eksport osób…", "Export persons…", "Export osob…", "Személyek exportálása…"},
    {Text::ImportPersons, "Import osób…", "Import persons…", "Import osob…", "Személyek importálása…"},
    {Text::SpreadsheetFiles, "Pliki arkusza (*.csv)", "Spreadsheet files (*.csv)", "Soubory tabulek (*.csv)",
     "Táblázatfájlok (*.csv)"},
    {Text::ExportCaption, "Eksport", "Export", "Export", "Exportálás"},
    {Text::ImportCaption, "Import", "Import", "Import", "Importálás"},
    {Text::PersonsExported,
     "Wyeksportowano osób: ", "Persons exported: ", "Exportováno osob: ", "Exportált személyek: "},
    {Text::PersonsImported,
     "Zaimportowano osób: ", "Persons imported: ", "Importováno osob: ", "Importált személyek: "},
    {Text::ImportRefused, "Nic nie zostało zaimportowane. Popraw te wiersze i zaimportuj ponownie.",
     "Nothing was imported. Correct these lines and import again.",
     "Nic nebylo importováno. Opravte tyto řádky a importujte znovu.",
     "Semmi sem lett importálva. Javítsa ki ezeket a sorokat, és importáljon újra."},
    {Text::StoredNotSynced, "Zapisano, ale może nie przetrwać zaniku zasilania: %1",
     "It is stored, but may not survive a power cut: %1", "Je uloženo, ale nemusí přežít výpadek napájení: %1",
     "Mentve, de egy áramkimaradást talán nem él túl: %1"},
    {Text::BackupCaption, "Kopia zapasowa", "Backup", "Záloha", "Biztonsági mentés"},
    {Text::BackupFailed,
     "Nie udało się wykonać kopii zapasowej tabel:", "The backup copy of the tables could not be made:",
     "Záložní kopii tabulek se nepodařilo vytvořit:", "A táblák biztonsági másolata nem készült el:"},
    {Text::RestoreFinished,
     "Przywracanie tabel z kopii %1 zostało przerwane. Zostało teraz dokończone: tabele są takie jak w kopii.",
     "A restore of the tables from %1 was interrupted. It has been finished: the tables are those of the backup.",
     "Obnovení tabulek ze zálohy %1 bylo přerušeno. Nyní bylo dokončeno: tabulky jsou takové jako v záloze.",
     "A táblák visszaállítása a(z) %1 mentésből megszakadt. Most befejeződött: a táblák a mentés szerintiek."},
    {Text::RestoreUndone,
     "Przywracanie tabel zostało przerwane, zanim cokolwiek zastąpiło. Zostało cofnięte: tabele są takie jak przedtem.",
     "A restore of the tables was interrupted before it replaced anything. It has been undone: the tables are as they "
     "were.",
     "Obnovení tabulek bylo přerušeno dříve, než cokoli nahradilo. Bylo vráceno zpět: tabulky jsou jako předtím.",
     "A táblák visszaállítása megszakadt, mielőtt bármit lecserélt volna. Visszavonásra került: a táblák a korábbiak."},
};

} // namespace

std::span<const AddedText> exchangeTexts()
{
    return Texts;
}

} // namespace i18n
