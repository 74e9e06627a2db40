#include "audit/TableWatch.h"

#include "cards/CardNumber.h"
#include "config/AppError.h"
#include "journal/JournalFormat.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"

#include <QFileInfo>

namespace audit {
namespace {

// The number that names a record to an operator: the person's, group's or
// reader's own number field, else the first field.
int keyPosition(const Table& table)
{
    for (const QString& name : {PersonField::Number, GroupField::Id, ReaderField::Number})
        if (const int position = table.fieldPosition(name))
            return position;
    return 1;
}

QString valueText(const QVariant& value)
{
    return value.typeId() == QMetaType::Bool ? QString(value.toBool() ? u'T' : u'F') : value.toString().trimmed();
}

// The reader number of an access flag field (P1..P96), or 0.
int readerOf(const Table& table, int position)
{
    if (position < TableLayouts::FirstAccessFlagPosition || !table.fieldPosition(GroupField::Id))
        return 0;
    const QString name = table.fieldName(position);
    bool ok = false;
    const int reader = name.mid(1).toInt(&ok);
    return name.startsWith(u'P', Qt::CaseInsensitive) && ok ? reader : 0;
}

// "12 Kowalski Jan": the number and the names of the record.
QString subjectOf(const Table& table, const QVariantList& values)
{
    QStringList parts;
    for (int position : {keyPosition(table), table.fieldPosition(PersonField::FamilyName),
                         table.fieldPosition(PersonField::FirstName)})
        if (position > 0 && position <= values.size())
            parts << valueText(values[position - 1]);
    parts.removeAll(QString());
    return parts.join(u' ');
}

// "7 Kowalski Jan" for the person of that number (shown by the search or
// not); the number alone when the table no longer holds one.
QString personSubject(const Table* persons, qint64 number)
{
    const QString key = QString::number(number);
    if (!persons)
        return key;
    const QList<int> positions{persons->fieldPosition(PersonField::Number),
                               persons->fieldPosition(PersonField::FamilyName),
                               persons->fieldPosition(PersonField::FirstName)};
    if (positions.contains(0))
        return key;
    for (const QVariantList& record : persons->storedRecords(positions)) {
        if (record.isEmpty() || valueText(record[0]) != key)
            continue;
        QStringList parts;
        for (const QVariant& value : record)
            parts << valueText(value);
        parts.removeAll(QString());
        return parts.join(u' ');
    }
    return key;
}

} // namespace

QString tableFile(const Table& table)
{
    const QString file = QFileInfo(table.fileName()).fileName();
    if (file.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
        return file;
    if (table.fieldPosition(PersonField::Number))
        return TableLayouts::PersonsFile;
    if (table.fieldPosition(GroupField::Id))
        return TableLayouts::GroupsFile;
    return table.fieldPosition(ReaderField::Number) ? TableLayouts::ReadersFile : file;
}

TableWatch::TableWatch(Log& log, const TextSlots& texts, std::function<void(const QString&)> tell, QObject* parent)
    : QObject(parent), m_log(log), m_texts(texts), m_tell(std::move(tell))
{
}

bool TableWatch::ready(QString* message, qint64 lineBytes) const
{
    QString error;
    if (m_log.writable(&error, lineBytes))
        return true;
    *message = m_texts[Text::AuditUnwritable].arg(m_log.path(), error);
    return false;
}

void TableWatch::record(const Event& event)
{
    if (event.action.isEmpty())
        return;
    QString error;
    if (!m_log.append(event, &error) && m_tell)
        m_tell(m_texts[Text::AuditNotWritten].arg(m_log.path(), error));
}

Event TableWatch::changeEvent(const Table& table, const QVariantList& before, const QVariantList& after)
{
    Event e;
    const QVariantList& current = after.isEmpty() ? before : after;
    e.table = tableFile(table);
    const int key = keyPosition(table);
    e.record = key <= current.size() ? valueText(current[key - 1]) : QString();
    e.subject = subjectOf(table, current);
    QStringList added, removedReaders;
    for (int i = 0; i < current.size(); ++i) {
        const QString now = after.isEmpty() ? QString() : valueText(after[i]);
        const QString was = before.isEmpty() ? QString() : valueText(before[i]);
        if (const int reader = readerOf(table, i + 1)) {
            // Access is told as readers, not as 96 flags.
            const bool on = now == u'T', wasOn = was == u'T';
            if (on != wasOn)
                (on ? added : removedReaders) << QString::number(reader);
            continue;
        }
        if (now == was)
            continue;
        Item item{table.fieldName(i + 1), now, was, true};
        if (after.isEmpty() || before.isEmpty()) {
            item.change = false; // a record added or deleted: its values as they are
            item.value = after.isEmpty() ? was : now;
        }
        e.details.append(item);
    }
    if (!added.isEmpty())
        e.details.append({QStringLiteral("readers added"), added.join(u' ')});
    if (!removedReaders.isEmpty())
        e.details.append({QStringLiteral("readers removed"), removedReaders.join(u' ')});
    e.action = after.isEmpty()    ? QStringLiteral("delete")
               : before.isEmpty() ? QStringLiteral("add")
               : e.details.isEmpty() ? QString()
                                     : QStringLiteral("change");
    return e;
}

namespace {

// The stored values of the current record (empty while a new one is typed),
// and the values a post would store (empty for a removal).
// A damaged note reads as nothing here; the change itself says what is wrong.
template <class Read> QVariant readOrNothing(Read read)
{
    try {
        return read();
    } catch (const AppError&) {
        return {};
    }
}

QVariantList storedValues(const Table& table)
{
    QVariantList values;
    if (table.state() == Table::State::Inserting || table.currentRow() < 0)
        return values;
    for (int position = 1; position <= table.fieldCount(); ++position)
        values.append(readOrNothing([&] { return table.valueAt(table.currentRow(), position); }));
    return values;
}

QVariantList typedValues(const Table& table)
{
    QVariantList values;
    for (int position = 1; position <= table.fieldCount(); ++position)
        values.append(readOrNothing([&] {
            return table.fieldType(position) == u'L' ? QVariant(table.logicalAt(position))
                                                     : QVariant(table.textAt(position));
        }));
    return values;
}

} // namespace

void TableWatch::gate(const Table& table)
{
    if (m_quiet)
        return;
    QString message;
    if (table.inBatch()) {
        // A batch's lines are written at its end, before it commits, and
        // undo it when they cannot be: the trail is asked once up front.
        Batch& batch = m_batches[&table];
        if (!std::exchange(batch.checked, true) && !ready(&message))
            throw AppError(message);
        return;
    }
    // The room this change's own line needs: a note of thousands of
    // characters makes a line of as many bytes. While a record is edited the
    // gate may be asked for its post or its removal: the longer line counts.
    const QVariantList stored = storedValues(table);
    qint64 bytes = stored.isEmpty() ? 0 : m_log.lineBytes({changeEvent(table, stored, {})});
    if (table.state() != Table::State::Browsing) {
        const Event e = changeEvent(table, stored, typedValues(table));
        bytes = qMax(bytes, e.action.isEmpty() ? 0 : m_log.lineBytes({e}));
    }
    if (!ready(&message, bytes))
        throw AppError(message);
}

void TableWatch::notice(const Table& table, const Event& event)
{
    if (m_quiet || event.action.isEmpty())
        return;
    if (table.inBatch())
        m_batches[&table].events.append(event);
    else
        record(event);
}

bool TableWatch::beforeCommit(const Table& table)
{
    const auto it = m_batches.find(&table);
    if (it == m_batches.end() || it->second.events.isEmpty())
        return true;
    QString error;
    if (!m_log.append(it->second.events, &error)) {
        m_batches.erase(it);
        if (m_tell)
            m_tell(m_texts[Text::TrailBatchNotStored].arg(m_log.path(), error));
        return false;
    }
    it->second.written = it->second.events.size();
    return true;
}

void TableWatch::batchEnded(const Table& table, bool landed)
{
    const auto it = m_batches.find(&table);
    if (it == m_batches.end())
        return;
    const qsizetype written = it->second.written;
    m_batches.erase(it);
    // Lines are in the trail for changes a failed commit undid.
    if (!landed && written > 0)
        record({QStringLiteral("undone"),
                tableFile(table),
                {},
                {},
                {{QStringLiteral("events undone"), QString::number(written)}}});
}

void TableWatch::watch(Table& table)
{
    table.setChangeGate([this, &table] { gate(table); });
    table.setBatchHooks([this, &table] { return beforeCommit(table); },
                        [this, &table](bool landed) { batchEnded(table, landed); });
    connect(&table, &Table::posted, this, [this, &table](int, const QVariantList& before, const QVariantList& after) {
        notice(table, changeEvent(table, before, after));
    });
    connect(&table, &Table::removed, this,
            [this, &table](const QVariantList& before) { notice(table, changeEvent(table, before, {})); });
}

Event cardEvent(const QString& operation, qint64 personNumber, qint64 systemCode, qint64 duplicateIndex,
                const QString& group, const QString& journalPath, qint64 offset, const Table* persons,
                const QString& missed)
{
    Event e;
    e.action = operation == journal::ProgramOperation  ? QStringLiteral("card written")
               : operation == journal::RemoveOperation ? QStringLiteral("card withdrawn")
               : operation == journal::ConfigOperation ? QStringLiteral("configuration card")
                                                       : QString();
    if (e.action.isEmpty())
        return e;
    e.table = QFileInfo(journalPath).fileName();
    e.record = QString::number(personNumber);
    const bool personsCard = operation != journal::ConfigOperation;
    e.subject = personsCard ? personSubject(persons, personNumber) : group;
    const auto id = cards::identifierOf(systemCode, personNumber, duplicateIndex);
    e.details = {{QStringLiteral("card"), id ? cards::printedNumber(*id).decimal32 : QString()},
                 {QStringLiteral("duplicate"), QString::number(duplicateIndex)},
                 {QStringLiteral("system"), QString::number(systemCode)}};
    if (offset >= 0)
        e.details.append({QStringLiteral("cards.log offset"), QString::number(offset)});
    if (personsCard)
        e.details.append({QStringLiteral("group"), group});
    if (!missed.isEmpty())
        e.details.append({QStringLiteral("journal line not stored"), missed});
    return e;
}

} // namespace audit
