#pragma once

#include "journal/JournalReader.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Where the lines of a card journal are kept: the file cards.log of one
// desk, or a table of the site's database that every desk writes. A line is
// the journal's line (code page 1250, without its line end); the reader
// reads what was appended since it last read.
class JournalStore
{
public:
    virtual ~JournalStore() = default;

    // For the operator: the file's path, or the table and its database.
    virtual QString where() const = 0;
    // For the audit: cards.log, or the table's name.
    virtual QString name() const = 0;

    // Whether an append can be expected to succeed; *error says why not.
    virtual bool writable(QString* error) const = 0;
    // Appends one line and makes it durable before returning; *position is
    // where it went (the file's byte offset, the row's number). False with
    // *error when it is not on record.
    virtual bool append(const QByteArray& line, qint64* position, QString* error) = 0;

    // Adds to events what was appended after cursor and moves the cursor on;
    // everything again when the journal was replaced by a shorter one. False
    // with *error, events and cursor unchanged, when it cannot be read.
    virtual bool readNew(JournalCursor& cursor, std::vector<JournalEvent>& events, QString* error) const = 0;
};
