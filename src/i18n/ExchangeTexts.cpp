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
    {Text::BackupCaption, "Kopia zapasowa", "Backup", "Záloha", "Biztonsági mentés"},
    {Text::BackupFailed,
     "Nie udało się wykonać kopii zapasowej tabel:", "The backup copy of the tables could not be made:",
     "Záložní kopii tabulek se nepodařilo vytvořit:", "A táblák biztonsági másolata nem készült el:"},
};

} // namespace

std::span<const AddedText> exchangeTexts()
{
    return Texts;
}

} // namespace i18n
