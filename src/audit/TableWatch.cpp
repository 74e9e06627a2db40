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

bool TableWatch::ready(QString* message) const
{
    QString error;
    if (m_log.writable(&error))
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

void TableWatch::watch(Table& table)
{
    table.setChangeGate([this] {
        QString message;
        if (!m_quiet && !ready(&message))
            throw AppError(message);
    });
    connect(&table, &Table::posted, this, [this, &table](int, const QVariantList& before, const QVariantList& after) {
        if (m_quiet)
            return;
        const Event e = changeEvent(table, before, after);
        if (!e.action.isEmpty())
            record(e);
    });
    connect(&table, &Table::removed, this, [this, &table](const QVariantList& before) {
        if (!m_quiet)
            record(changeEvent(table, before, {}));
    });
}

Event cardEvent(const QString& operation, qint64 personNumber, qint64 systemCode, qint64 duplicateIndex,
                const QString& group, const QString& journalPath, qint64 offset)
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
    e.subject = group;
    const auto id = cards::identifierOf(systemCode, personNumber, duplicateIndex);
    e.details = {{QStringLiteral("card"), id ? cards::printedNumber(*id).decimal32 : QString()},
                 {QStringLiteral("duplicate"), QString::number(duplicateIndex)},
                 {QStringLiteral("system"), QString::number(systemCode)},
                 {QStringLiteral("cards.log offset"), QString::number(offset)}};
    return e;
}

} // namespace audit
