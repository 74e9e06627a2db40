#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated values the way spreadsheets write and read them: UTF-8
// with a byte-order mark, fields separated by commas, records by CRLF, and a
// field that holds a comma, a quote or a line break enclosed in quotes with
// its quotes doubled. Files from other programs are read too: an HR system
// or a spreadsheet set to a Central European locale writes Windows-1250 and
// separates fields by semicolons or tabs.
namespace csv {

enum class Encoding { Utf8, Windows1250 };

struct Format
{
    char separator = ',';
    Encoding encoding = Encoding::Utf8;
};

// How a file seems to be written. A file with a byte-order mark is UTF-8; one
// that is not valid UTF-8 is Windows-1250. One that is valid in both and
// reads as words of the site's languages both ways (no mark) has
// bothReadings set, only a person can tell which is meant; it is taken as
// UTF-8 unless that reading holds letters the tables cannot store. The separator is
// the one of comma, semicolon and tab that splits the heading into the most
// columns that the following records also have.
struct Detected
{
    Format format;
    bool bothReadings = false;
};
Detected detect(const QByteArray& bytes);

struct Record
{
    int line = 0; // the line of the file the record starts on, from 1
    QStringList fields;
};

struct Problem
{
    int line = 0;
    QString reason;
};

struct Parsed
{
    QList<Record> records;   // the sound records, in file order
    QList<Problem> problems; // one per malformed record
};

// Reads the whole file. A malformed record is reported with its line and
// left out; reading goes on at the next line. Blank lines are skipped. A
// leading byte-order mark is optional; records may end in CRLF, LF or CR.
Parsed parse(const QByteArray& bytes);
// The same for a file of another separator or encoding.
Parsed parse(const QByteArray& bytes, Format format);

// The byte-order mark, then one line per row, each field guarded().
QByteArray write(const QList<QStringList>& rows);

// Common spreadsheets run a cell that begins with = + - @, a tab or a
// carriage return as a formula, quoted or not. Such a cell is written with an
// apostrophe before it, and so is one that begins with apostrophes followed
// by one of those: unguarded() then takes exactly one apostrophe off whatever
// guarded() wrote, and every other cell reads as it stands. parse() gives
// fields unguarded.
QString guarded(const QString& cell);
QString unguarded(const QString& cell);

} // namespace csv
