#pragma once

#include "cards/CardFrame.h"
#include "journal/JournalFormat.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class JournalStore;

// One line of the card journal as read back. A line that cannot be read
// (a wrong number of fields, a number, time or hex field that does not read)
// is kept as a damaged entry: it is shown, never skipped, and counts for no
// card.
struct JournalEvent
{
    enum class Kind { Program, RemovePermissions, ConfigurationCard, Other };
    enum class Problem { None, FieldCount, Number, Hex };

    int line = 0;    // in the file, the column names being line 1; the row in a database
    QByteArray text; // the line as stored, without its line end
    QString desk;    // the desk that wrote it, where the journal is the site's
    Problem problem = Problem::None;
    Kind kind = Kind::Other;
    qint64 person = 0;
    qint64 system = 0;
    qint64 duplicate = 0;
    QByteArray data; // blocks 3..6 of a card written, else empty
    journal::Verification verification = journal::Verification::None;

    bool damaged() const { return problem != Problem::None; }
    // Program or Remove permissions: a user card written.
    bool userCardWrite() const { return !damaged() && (kind == Kind::Program || kind == Kind::RemovePermissions); }
    // One column's text (code page 1250 decoded), empty past the line's end.
    QString field(int column) const;
    // The identifier of the card the line is about; nothing for a damaged
    // line or values no card carries.
    std::optional<cards::Identifier> identifier() const;
};

// How far a reader has read a journal.
struct JournalCursor
{
    qint64 consumed = 0;    // bytes up to the end of the last complete line; the last row read
    int nextLine = 1;       // the line number at consumed
    bool openTail = false;  // the last event is a line still without its end
    bool oldLayout = false; // the journal began under the older column names
};

// Reads a card journal and keeps its lines as events in the order they were
// appended, which is the order the cards were written. A refresh reads only
// what was appended since, so a list that is opened again and again on a
// long journal stays quick.
class JournalReader
{
public:
    // The journal file at path.
    explicit JournalReader(QString path);
    explicit JournalReader(std::shared_ptr<const JournalStore> store);

    // Reads what was appended since the last refresh; everything again when
    // the file is shorter than what was read (replaced by a restore). A
    // journal that does not exist is empty. False with *error when the file
    // is there but cannot be read; the events are then as before.
    bool refresh(QString* error);

    // The file's path, or the table and its database.
    QString path() const;
    const std::shared_ptr<const JournalStore>& store() const { return m_store; }
    const std::vector<JournalEvent>& events() const { return m_events; }

    // The events of journal bytes; firstLine is the line number of the first.
    // When it is 1, a first line of column names is not an event: it sets
    // *oldLayout, whether lines that end after the data column count.
    static std::vector<JournalEvent> parse(QByteArrayView bytes, int firstLine, bool* oldLayout);
    static JournalEvent parseLine(QByteArrayView line, int lineNumber, bool oldLayout);

private:
    std::shared_ptr<const JournalStore> m_store;
    std::vector<JournalEvent> m_events;
    JournalCursor m_cursor;
};
