#pragma once

#include "cards/CardLimits.h"
#include "data/Csv.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

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
};

// Adds the persons of a spreadsheet file to the persons table. Columns are
// found by their header, in any order and letter case; a missing NUMBER
// column (or an empty cell) gives the next free numbers, a missing INDEX 0,
// an empty GROUP the no-group marker. Every row is checked before anything
// changes; then all rows go in as one batch, or none does. The next free
// numbers pass over the numbers held by cards still in the field
// (field::heldNumbers()).
ImportResult importPersons(Table& persons, Table& groups, const QByteArray& bytes, const QSet<qint64>& held = {});
ImportResult importPersonsFile(Table& persons, Table& groups, const QString& path, const QSet<qint64>& held = {});

// The problems as the operator reads them, one "line N: reason" per line.
QString problemText(const QList<csv::Problem>& problems);

} // namespace exchange
