#pragma once

#include <QString>
#include <QStringList>

// Reads a table and its memo file without changing them and lists what is
// wrong: a file that does not open, a record count that disagrees with the
// file size, numbers, logicals and dates that do not parse, deletion flags
// that are neither blank nor '*', and notes that cannot be read.
struct TableCheck
{
    QString summary; // what the table is, when it opened
    QStringList problems;

    static TableCheck run(const QString& path);
};
