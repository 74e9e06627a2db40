#include "pages/PrintSheets.h"

#include "cards/CardLimits.h"
#include "data/RowOrder.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"

#include <map>
#include <numeric>

namespace printing {

PrintSheet personsList(Table& persons, const TextSlots& texts, const QString& sortField, Qt::SortOrder order,
                       const QLocale& locale)
{
    // The export's rows: every record, with the search and the current
    // record as they were afterwards.
    QList<QStringList> rows = exchange::tableRows(persons, exchange::Kind::Persons);
    const QStringList header = rows.takeFirst();
    const QString columns[] = {PersonField::Number, PersonField::FirstName, PersonField::FamilyName, PersonField::Group,
                               PersonField::Index};
    QList<qsizetype> at;
    for (const QString& field : columns)
        at.append(header.indexOf(field));

    PrintSheet sheet;
    sheet.title = texts[Text::PrintPersons];
    sheet.headings = QStringList{texts[Text::PersonGridId], texts[Text::PersonGridName], texts[Text::PersonGridSurname],
                                 texts[Text::PersonGridGroup], texts[Text::DuplicatesLabel]};
    sheet.numeric = {true, false, false, false, true};
    sheet.emptyText = QStringLiteral("—");

    std::vector<int> shown(size_t(rows.size()));
    std::iota(shown.begin(), shown.end(), 0);
    const qsizetype sortAt = header.indexOf(sortField);
    if (!sortField.isEmpty() && sortAt >= 0) {
        const bool numeric = sortField == PersonField::Number || sortField == PersonField::Index;
        std::vector<QVariant> values;
        values.reserve(size_t(rows.size()));
        for (const QStringList& row : rows)
            values.push_back(numeric ? QVariant(row.value(sortAt).toLongLong()) : QVariant(row.value(sortAt)));
        shown = roworder::sorted(values, numeric, order, roworder::collator(locale));
    }
    for (int r : shown) {
        QStringList cells;
        for (qsizetype column : at)
            cells.append(rows[r].value(column));
        sheet.rows.append(cells);
    }
    return sheet;
}

PrintSheet accessSheet(const Table& groups, int groupRow, const Table& readers, const TextSlots& texts)
{
    std::map<qint64, QString> readerNames;
    const int numberAt = readers.fieldPosition(ReaderField::Number);
    const int nameAt = readers.fieldPosition(ReaderField::Name);
    for (int row = 0; row < readers.rowCount(); ++row)
        readerNames.emplace(readers.valueAt(row, numberAt).toLongLong(), readers.valueAt(row, nameAt).toString());

    PrintSheet sheet;
    sheet.title =
        texts[Text::AccessSheetTitle].arg(groups.valueAt(groupRow, groups.fieldPosition(GroupField::Name)).toString());
    sheet.headings = QStringList{texts[Text::ReaderNumberLabel], texts[Text::ReaderGridName]};
    sheet.numeric = {true, false};
    sheet.emptyText = texts[Text::NoReadersInGroup];
    for (int k = cards::MinReaderNumber; k <= cards::MaxReaderNumber; ++k) {
        if (!groups.valueAt(groupRow, TableLayouts::FirstAccessFlagPosition + k - 1).toBool())
            continue;
        const auto reader = readerNames.find(k);
        sheet.rows.append(
            {QString::number(k), reader != readerNames.end() ? reader->second : texts[Text::NoAssignment]});
    }
    return sheet;
}

QList<std::pair<qint64, QString>> groupChoices(const Table& groups)
{
    const int idAt = groups.fieldPosition(GroupField::Id);
    const int nameAt = groups.fieldPosition(GroupField::Name);
    QList<std::pair<qint64, QString>> choices;
    for (int row = 0; row < groups.rowCount(); ++row)
        choices.append({groups.valueAt(row, idAt).toLongLong(), groups.valueAt(row, nameAt).toString()});
    return choices;
}

int groupRow(const Table& groups, qint64 number, const QString& name)
{
    const QList<std::pair<qint64, QString>> choices = groupChoices(groups);
    int found = -1;
    int sameNumber = 0;
    for (int row = 0; row < choices.size(); ++row) {
        if (choices[row].first != number)
            continue;
        if (choices[row].second == name)
            return row;
        found = row;
        ++sameNumber;
    }
    // Renamed meanwhile: still the same group when its number is its own.
    return sameNumber == 1 ? found : -1;
}

} // namespace printing
