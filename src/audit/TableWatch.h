#pragma once

#include "audit/AuditLog.h"
#include "i18n/TextSlots.h"

#include <QObject>
#include <QVariantList>

#include <functional>
#include <map>

class Table;

namespace audit {

// Puts every stored change of a watched table into the audit: a change with
// the fields that changed (a group's access as the readers added and
// removed), an addition, a deletion. A change the audit could not take is
// refused before anything is stored: the space it asks for is the length of
// the change's own line. The changes of a batch go in as one append, written
// and synced before the batch commits; a batch whose lines could not be
// written is undone, and one undone after its lines were written leaves a
// line that says so.
class TableWatch : public QObject
{
public:
    // tell shows the operator a line that could not be written after the
    // change was stored.
    TableWatch(Log& log, const TextSlots& texts, std::function<void(const QString&)> tell, QObject* parent = nullptr);

    void watch(Table& table);

    // Asked before a change that is not a table's post (a Save of settings, an
    // import): the operator's message when the audit cannot take a line.
    bool ready(QString* message, qint64 lineBytes = 0) const;
    // Appends, telling the operator when the line could not be written.
    void record(const Event& event);

    // While one lives, the watched tables' rows are not told one by one: a
    // bulk change (an import) writes its own event.
    class Quiet
    {
    public:
        explicit Quiet(TableWatch& watch) : m_watch(watch) { ++m_watch.m_quiet; }
        ~Quiet() { --m_watch.m_quiet; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        TableWatch& m_watch;
    };

    // The event of one stored change, or an empty action when nothing changed.
    static Event changeEvent(const Table& table, const QVariantList& before, const QVariantList& after);

private:
    // The lines of an open batch, and how many of them are written.
    struct Batch
    {
        QList<Event> events;
        qsizetype written = 0;
        bool checked = false;
    };

    void gate(const Table& table);
    void notice(const Table& table, const Event& event);
    bool beforeCommit(const Table& table);
    void batchEnded(const Table& table, bool landed);

    std::map<const Table*, Batch> m_batches;
    Log& m_log;
    const TextSlots& m_texts;
    std::function<void(const QString&)> m_tell;
    int m_quiet = 0;
};

// The event of a card operation whose cards.log line starts at offset: a card
// written, withdrawn or a configuration card; an empty action for a Find,
// which writes nothing. A person's card names the person ("7 Kowalski Jan",
// from persons) and carries the group in its details; a configuration card
// names its reader (group holds the reader's name). A line the journal could
// not take has no offset (negative), names where it waits instead, and missed
// says why.
Event cardEvent(const QString& operation, qint64 personNumber, qint64 systemCode, qint64 duplicateIndex,
                const QString& group, const QString& journalPath, qint64 offset, const Table* persons,
                const QString& missed = {});

// What the audit calls a table: its file (osoby.dbf, grupa.dbf, sprzet.dbf),
// also when its records are on a database server.
QString tableFile(const Table& table);

} // namespace audit
