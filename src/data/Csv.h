#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated values the way spreadsheets write and read them: UTF-8
// with a byte-order mark, fields separated by commas, records by CRLF, and a
// field that holds a comma, a quote or a line break enclosed in quotes with
// its quotes doubled.
namespace csv {

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
