#pragma once

#include "cards/CardFrame.h"
#include "data/JournalFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// One line of the card journal as read back. A line that cannot be read
// (a wrong number of fields, a number, time or hex field that does not read)
// is kept as a damaged entry: it is shown, never skipped, and counts for no
// card.
struct JournalEvent
{
    enum class Kind { Program, RemovePermissions, ConfigurationCard, Other };
    enum class Problem { None, FieldCount, Number, Hex };

    int line = 0;    // in the file, the column names being line 1
    QByteArray text; // the line as stored, without its line end
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

// Reads cards.log and keeps its lines as events in file order, which is the
// order the cards were written. A refresh reads only what was appended since,
// so a list that is opened again and again on a long journal stays quick.
class JournalReader
{
public:
    explicit JournalReader(QString path);

    // Reads what was appended since the last refresh; everything again when
    // the file is shorter than what was read (replaced by a restore). A
    // journal that does not exist is empty. False with *error when the file
    // is there but cannot be read; the events are then as before.
    bool refresh(QString* error);

    const QString& path() const { return m_path; }
    const std::vector<JournalEvent>& events() const { return m_events; }

    // The events of journal bytes; firstLine is the line number of the first.
    // When it is 1, a first line of column names is not an event: it sets
    // *oldLayout, whether lines that end after the data column count.
    static std::vector<JournalEvent> parse(QByteArrayView bytes, int firstLine, bool* oldLayout);
    static JournalEvent parseLine(QByteArrayView line, int lineNumber, bool oldLayout);

private:
    QString m_path;
    std::vector<JournalEvent> m_events;
    qint64 m_consumed = 0;    // bytes up to the end of the last complete line
    int m_nextLine = 1;       // the line number at m_consumed
    bool m_openTail = false;  // the last event is a line still without its end
    bool m_oldLayout = false; // the journal began under the older column names
};
