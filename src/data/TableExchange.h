#pragma once

#include "cards/CardLimits.h"
#include "data/Csv.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Table;

// The tables as spreadsheet files (Csv.h): the persons, groups and readers go
// out, persons come in. A header row names the fields; persons are written
// NUMBER, NAME, SURNAME, GROUP, INDEX, INFO.
namespace exchange {

enum class Kind { Persons, Groups, Readers };

// "persons", "groups", "readers"; nothing for any other name.
std::optional<Kind> kindNamed(const QString& name);

// The header, then every record of the table in natural order (a persons
// filter is set aside meanwhile). A pending change is posted first; the
// current record stays current. Numbers are written as digits, logicals as 1
// and 0, notes with their line breaks.
QList<QStringList> tableRows(Table& table, Kind kind);
// Writes the rows to a new file that replaces the old one only when complete;
// returns how many records were written. Errors are AppError.
int exportFile(Table& table, Kind kind, const QString& path);

inline constexpr int HighestPersonNumber = cards::MaxPersonNumber;

struct ImportResult
{
    int added = 0;
    QList<csv::Problem> problems; // by line; when there is any, nothing was added
    QStringList warnings;         // the persons were added, but may not survive a power cut
    bool cancelled = false;       // the preview said no: nothing was added
    int skipped = 0;              // persons left out as already in the table
    QStringList groupsCreated;
};

// What the operator decides about groups the file names that the groups
// table does not have.
enum class NewGroups {
    Refuse,       // their rows are refused as naming no group of the table
    Create,       // they are added to the groups table, opening no reader yet
    LeaveWithout, // their persons are stored with the no-group marker
};

// What a sound file would store, as the preview shows it.
struct ImportPlan
{
    csv::Format format;
    // The file reads differently as UTF-8 and as Windows-1250: the first
    // row that differs, read each way (the one not chosen is asked of
    // the operator).
    bool bothReadings = false;
    QString utf8Reading;
    QString windows1250Reading;
    int count = 0;                 // persons in the file
    QString familyName, firstName; // its first row as it will be stored
    QStringList ignoredColumns;    // headings of columns that are not imported
    QStringList newGroups;         // in the order the file names them
    int alreadyInTable = 0;        // persons of the file whose family and first name the table has
};

struct ImportChoices
{
    bool proceed = false;
    // Read the file in this encoding instead: the preview is asked again.
    std::optional<csv::Encoding> encoding;
    NewGroups newGroups = NewGroups::Refuse;
    bool skipExisting = false;
};

// Shown what a sound file adds before anything changes; the answer's
// proceed false cancels the import. Asked only when the file has no other
// problem than groups it would create.
using ImportPreview = std::function<ImportChoices(const ImportPlan& plan)>;

// Adds the persons of a spreadsheet file to the persons table. The file's
// separator and encoding are found by csv::detect(). Columns are found by
// their header, in any order, letter case and accents, the field's name or
// the usual heading for the family or the first name or the group
// ("Last name", "Nazwisko", "Jméno", "Dział", ...); other columns are
// ignored (ImportPlan::ignoredColumns). A missing NUMBER
// column (or an empty cell) gives the next free numbers, a missing INDEX 0,
// an empty GROUP the no-group marker. Every row is checked before anything
// changes; then all rows go in as one batch, or none does. The next free
// numbers pass over the numbers held by cards still in the field
// (field::heldNumbers()). Without a preview a file that reads two ways is
// read as UTF-8, new groups are refused and persons already in the table
// are added again. New groups go in with the persons or not at all.
ImportResult importPersons(Table& persons, Table& groups, const QByteArray& bytes, const QSet<qint64>& held = {},
                           const ImportPreview& preview = {});
ImportResult importPersonsFile(Table& persons, Table& groups, const QString& path, const QSet<qint64>& held = {},
                               const ImportPreview& preview = {});

// The problems as the operator reads them, one "line N: reason" per line.
QString problemText(const QList<csv::Problem>& problems);

} // namespace exchange
