#include "data/TableExchange.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "journal/CardsInField.h"
#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace exchange {

namespace {

// The columns are the fields, under the fields' own names.
const QStringList PersonColumns{PersonField::Number, PersonField::FamilyName, PersonField::FirstName,
                                PersonField::Group,  PersonField::Index,      PersonField::Info};

constexpr int HighestDuplicateIndex = cards::MaxDuplicateIndex;

struct Column
{
    QString header;
    int position;
};

QList<Column> columnsOf(const Table& table, Kind kind)
{
    QList<Column> columns;
    auto named = [&](const QStringList& names) {
        for (const QString& name : names) {
            const int position = table.fieldPosition(name);
            if (position == 0)
                throw AppError(QStringLiteral("%1: the table has no field %2")
                                   .arg(QDir::toNativeSeparators(table.fileName()), name));
            columns.append({name, position});
        }
    };
    switch (kind) {
    case Kind::Persons:
        named(PersonColumns);
        break;
    case Kind::Groups:
        named({GroupField::Id, GroupField::Name, GroupField::Notes});
        // The access flags by position, as the groups page addresses them.
        if (table.fieldCount() < TableLayouts::FirstAccessFlagPosition + cards::ReaderCount - 1)
            throw AppError(QStringLiteral("%1: the table has fewer than %2 access fields")
                               .arg(QDir::toNativeSeparators(table.fileName()))
                               .arg(cards::ReaderCount));
        for (int k = 1; k <= cards::ReaderCount; ++k)
            columns.append({QStringLiteral("P%1").arg(k), TableLayouts::FirstAccessFlagPosition + k - 1});
        break;
    case Kind::Readers:
        named({ReaderField::Number, ReaderField::Name, ReaderField::Time, ReaderField::Place, ReaderField::Prox,
               ReaderField::Emulation});
        break;
    }
    return columns;
}

QString cellOf(const Table& table, int position)
{
    if (table.isNumeric(position))
        return QString::number(table.integerAt(position));
    if (table.fieldType(position) == u'L')
        return table.logicalAt(position) ? QStringLiteral("1") : QStringLiteral("0");
    return table.textAt(position);
}

// The first character of a text that the tables cannot hold, or none.
std::optional<QChar> unstorable(const QString& text, bool lineBreaksAllowed)
{
    for (QChar c : text) {
        const bool lineBreak = c == u'\r' || c == u'\n';
        if (lineBreak ? !lineBreaksAllowed : (c.unicode() < 0x20 && c != u'\t'))
            return c;
        if (!cp1250::representable(QStringView(&c, 1)))
            return c;
    }
    return std::nullopt;
}

QString describe(QChar c)
{
    if (c == u'\r' || c == u'\n')
        return QStringLiteral("a line break");
    const QString code = QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    if (c.isPrint() && !c.isSurrogate())
        return QStringLiteral("the character \"%1\" (%2)").arg(QString(c), code);
    return QStringLiteral("the character %1").arg(code);
}

struct Person
{
    int line = 0;
    qint64 given = 0;   // the file's NUMBER; 0: the next free one
    qint64 number = 0;  // the number it is stored under
    QString familyName; // NAME
    QString firstName;  // SURNAME
    QString group;
    bool newGroup = false; // the groups table has no such group yet
    qint64 index = 0;
    QString info;
};

// Letter case and accents set aside: "DZIAŁ", "Dział" and "dzial" are one
// heading.
QString folded(const QString& text)
{
    QString out;
    for (QChar c : text.simplified().toCaseFolded().normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out += c == u'ł' ? u'l' : c; // the one letter of the four languages with no decomposition
    }
    return out;
}

// The persons field a header names: the field's own name, or the usual
// heading of an HR system's sheet for the family name, the first name or the
// group in the four languages (NAME holds the family name, SURNAME the first
// name), in any letter case, with or without accents. Empty: a column the
// tables have no field for.
QString fieldOfHeader(const QString& header)
{
    static const QHash<QString, QString> headings = [] {
        QHash<QString, QString> h;
        const auto add = [&h](const QString& field, std::initializer_list<const char*> names) {
            for (const char* name : names)
                h.insert(folded(QString::fromUtf8(name)), field);
        };
        add(PersonField::FamilyName,
            {"family name", "last name", "nazwisko", "příjmení", "vezetéknév", "vezeték név", "családnév"});
        add(PersonField::FirstName,
            {"first name", "given name", "imię", "jméno", "křestní jméno", "keresztnév", "kereszt név", "utónév"});
        add(PersonField::Group, {"group", "department", "dept", "grupa", "dział", "oddział", "skupina", "oddělení",
                                 "útvar", "csoport", "osztály", "részleg"});
        return h;
    }();
    const QString name = header.simplified().toUpper();
    return PersonColumns.contains(name) ? name : headings.value(folded(header));
}

// Persons are the same when their family and first names are, letter case aside.
QString nameKey(const QString& familyName, const QString& firstName)
{
    return familyName.trimmed().toCaseFolded() + u'\n' + firstName.trimmed().toCaseFolded();
}

// A record as the preview quotes it.
QString quoted(const QStringList& fields)
{
    return fields.join(QStringLiteral(", "));
}

class PersonsImport
{
public:
    PersonsImport(Table& persons, Table& groups, const QSet<qint64>& held, const ImportPreview& preview)
        : m_persons(persons), m_groups(groups), m_held(held), m_preview(preview)
    {
    }

    ImportResult run(const QByteArray& bytes)
    {
        const csv::Detected detected = csv::detect(bytes);
        csv::Format format = detected.format;
        bool readingChosen = false;
        ImportChoices choices;
        for (;;) {
            analyse(bytes, format);
            // The operator sees what will be stored before anything changes.
            // The numbers are chosen again when the rows are stored: other
            // desks may add persons while the question is open.
            if (!m_preview || !m_problems.isEmpty() || m_people.empty())
                break;
            ImportPlan plan = planOf(format);
            if (detected.bothReadings && !readingChosen)
                readBothWays(bytes, format.separator, &plan);
            choices = m_preview(plan);
            if (plan.bothReadings && choices.encoding && *choices.encoding != format.encoding) {
                format.encoding = *choices.encoding;
                readingChosen = true;
                continue;
            }
            if (!choices.proceed) {
                ImportResult cancelled;
                cancelled.cancelled = true;
                return cancelled;
            }
            break;
        }
        if (!m_problems.isEmpty())
            return finish();
        settleNewGroups(choices.newGroups);
        m_skipExisting = choices.skipExisting;
        if (m_problems.isEmpty() && !m_people.empty())
            add();
        return finish();
    }

private:
    void problem(int line, const QString& reason) { m_problems.append({line, reason}); }

    ImportResult finish()
    {
        std::stable_sort(m_problems.begin(), m_problems.end(),
                         [](const csv::Problem& a, const csv::Problem& b) { return a.line < b.line; });
        ImportResult result;
        result.added = m_problems.isEmpty() ? int(m_people.size()) : 0;
        result.problems = m_problems;
        result.warnings = m_persons.takeCommitWarnings() + m_groups.takeCommitWarnings();
        if (m_problems.isEmpty()) {
            result.skipped = m_skipped;
            result.groupsCreated = m_created;
        }
        return result;
    }

    void analyse(const QByteArray& bytes, csv::Format format)
    {
        m_problems.clear();
        m_columns.clear();
        m_ignored.clear();
        m_people.clear();
        m_newGroups.clear();
        csv::Parsed parsed = csv::parse(bytes, format);
        m_problems = parsed.problems;
        if (parsed.records.isEmpty()) {
            problem(1, QStringLiteral("the file has no header row naming the columns (%1)")
                           .arg(PersonColumns.join(QStringLiteral(", "))));
            return;
        }
        if (!readHeader(parsed.records.first()))
            return;
        readTables();
        for (qsizetype i = 1; i < parsed.records.size(); ++i)
            readPerson(parsed.records[i]);
        giveNumbers();
    }

    ImportPlan planOf(csv::Format format) const
    {
        ImportPlan plan;
        plan.format = format;
        plan.count = int(m_people.size());
        plan.familyName = m_people.front().familyName;
        plan.firstName = m_people.front().firstName;
        plan.ignoredColumns = m_ignored;
        plan.newGroups = m_newGroups;
        plan.alreadyInTable = int(std::count_if(m_people.begin(), m_people.end(), [this](const Person& p) {
            return m_storedNames.contains(nameKey(p.familyName, p.firstName));
        }));
        return plan;
    }

    // The first record that reads differently in the two encodings, both ways.
    static void readBothWays(const QByteArray& bytes, char separator, ImportPlan* plan)
    {
        const csv::Parsed utf8 = csv::parse(bytes, {separator, csv::Encoding::Utf8});
        const csv::Parsed cp1250 = csv::parse(bytes, {separator, csv::Encoding::Windows1250});
        for (qsizetype i = 0; i < std::min(utf8.records.size(), cp1250.records.size()); ++i) {
            if (utf8.records[i].fields != cp1250.records[i].fields) {
                plan->bothReadings = true;
                plan->utf8Reading = quoted(utf8.records[i].fields);
                plan->windows1250Reading = quoted(cp1250.records[i].fields);
                return;
            }
        }
    }

    bool readHeader(const csv::Record& header)
    {
        bool sound = true;
        for (qsizetype i = 0; i < header.fields.size(); ++i) {
            const QString name = fieldOfHeader(header.fields[i]);
            if (name.isEmpty()) {
                m_ignored.append(header.fields[i].simplified());
            } else if (m_columns.contains(name)) {
                problem(header.line, QStringLiteral("the column %1 appears twice").arg(name));
                sound = false;
            } else {
                m_columns.insert(name, int(i));
            }
        }
        m_columnCount = int(header.fields.size());
        if (sound && !m_columns.contains(PersonField::FamilyName) && !m_columns.contains(PersonField::FirstName)) {
            problem(header.line, QStringLiteral("the file has neither a NAME nor a SURNAME column (%1)")
                                     .arg(PersonColumns.join(QStringLiteral(", "))));
            sound = false;
        }
        return sound;
    }

    void readTables()
    {
        m_persons.post(); // a person being typed holds a number too
        readNumbers();
        readNames();
        m_groupNames.clear();
        m_foldedGroups.clear();
        const int namePosition = m_groups.fieldPosition(GroupField::Name);
        for (int row = 0; row < m_groups.rowCount(); ++row) {
            const QString name = m_groups.valueAt(row, namePosition).toString();
            m_groupNames.insert(name);
            m_foldedGroups.insert(folded(name), name);
        }
    }

    void readNumbers()
    {
        m_taken.clear();
        m_highest = 0;
        for (const QVariantList& stored : m_persons.storedRecords({m_persons.fieldPosition(PersonField::Number)})) {
            const qint64 n = stored[0].toLongLong();
            m_taken.insert(n, 0);
            m_highest = std::max(m_highest, n);
        }
    }

    void readNames()
    {
        m_storedNames.clear();
        for (const QVariantList& stored : m_persons.storedRecords(
                 {m_persons.fieldPosition(PersonField::FamilyName), m_persons.fieldPosition(PersonField::FirstName)}))
            m_storedNames.insert(nameKey(stored[0].toString(), stored[1].toString()));
    }

    QString cell(const csv::Record& record, const QString& column) const
    {
        const auto it = m_columns.find(column);
        return it == m_columns.end() ? QString() : record.fields.value(*it);
    }

    // A name field: one line, blanks at either end dropped, within the field's width.
    bool text(const csv::Record& record, const QString& column, QString* out)
    {
        *out = cell(record, column).trimmed();
        return storable(record.line, column, *out, false);
    }

    bool storable(int line, const QString& column, const QString& value, bool lineBreaksAllowed,
                  const Table* table = nullptr, const QString& field = {})
    {
        if (const auto c = unstorable(value, lineBreaksAllowed)) {
            problem(line, QStringLiteral("%1 holds %2, which the tables cannot store").arg(column, describe(*c)));
            return false;
        }
        const Table& t = table ? *table : m_persons;
        const int position = t.fieldPosition(field.isEmpty() ? column : field);
        if (t.fieldType(position) == u'C' && cp1250::encode(value).size() > t.fieldWidth(position)) {
            problem(line, QStringLiteral("%1 \"%2\" is longer than the %3 characters the table holds")
                              .arg(column, value)
                              .arg(t.fieldWidth(position)));
            return false;
        }
        return true;
    }

    bool wholeNumber(int line, const QString& column, const QString& value, qint64 low, qint64 high, qint64* out)
    {
        bool ok = false;
        *out = value.toLongLong(&ok);
        if (!ok) {
            problem(line, QStringLiteral("%1 \"%2\" is not a whole number").arg(column, value));
            return false;
        }
        if (*out < low || *out > high) {
            problem(line, QStringLiteral("%1 %2 is outside %3..%4").arg(column).arg(*out).arg(low).arg(high));
            return false;
        }
        return true;
    }

    // A group the table has, or one to create; one that differs from a
    // group of the table or of the file only in letter case or accents is
    // taken for a slip and refused rather than made a second group.
    bool readGroup(Person& p)
    {
        if (p.group.isEmpty()) {
            p.group = TableLayouts::NoGroupMarker;
            return true;
        }
        if (p.group == TableLayouts::NoGroupMarker || m_groupNames.contains(p.group))
            return true;
        const QString key = folded(p.group);
        if (const auto near = m_foldedGroups.find(key); near != m_foldedGroups.end() && *near != p.group) {
            problem(
                p.line,
                QStringLiteral("GROUP \"%1\" is not a group of the groups table; it has \"%2\"").arg(p.group, *near));
            return false;
        }
        if (!storable(p.line, PersonField::Group, p.group, false, &m_groups, GroupField::Name))
            return false;
        if (!m_newGroups.contains(p.group)) {
            m_newGroups.append(p.group);
            m_foldedGroups.insert(key, p.group);
        }
        p.newGroup = true;
        return true;
    }

    void readPerson(const csv::Record& record)
    {
        if (record.fields.size() != m_columnCount) {
            problem(
                record.line,
                QStringLiteral("the line has %1 fields, the header %2").arg(record.fields.size()).arg(m_columnCount));
            return;
        }
        Person p;
        p.line = record.line;
        bool sound = true;
        const QString number = cell(record, PersonField::Number).trimmed();
        if (!number.isEmpty()) {
            if (wholeNumber(p.line, PersonField::Number, number, 1, HighestPersonNumber, &p.given)) {
                if (m_taken.contains(p.given)) {
                    const int first = m_taken.value(p.given);
                    problem(p.line,
                            first == 0
                                ? inTableAlready(p.given)
                                : QStringLiteral("NUMBER %1 appears on line %2 already").arg(p.given).arg(first));
                    sound = false;
                } else {
                    m_taken.insert(p.given, p.line);
                }
            } else {
                sound = false;
            }
        }
        sound = text(record, PersonField::FamilyName, &p.familyName) && sound;
        sound = text(record, PersonField::FirstName, &p.firstName) && sound;
        sound = text(record, PersonField::Group, &p.group) && readGroup(p) && sound;
        const QString index = cell(record, PersonField::Index).trimmed();
        if (!index.isEmpty())
            sound = wholeNumber(p.line, PersonField::Index, index, 0, HighestDuplicateIndex, &p.index) && sound;
        p.info = cell(record, PersonField::Info);
        sound = storable(p.line, PersonField::Info, p.info, true) && sound;
        if (sound)
            m_people.push_back(p);
    }

    void settleNewGroups(NewGroups choice)
    {
        for (Person& p : m_people) {
            if (!p.newGroup)
                continue;
            if (choice == NewGroups::Refuse)
                problem(p.line, QStringLiteral("GROUP \"%1\" is not a group of the groups table").arg(p.group));
            else if (choice == NewGroups::LeaveWithout) {
                p.group = TableLayouts::NoGroupMarker;
                p.newGroup = false;
            }
        }
    }

    static QString inTableAlready(qint64 number)
    {
        return QStringLiteral("NUMBER %1 is in the persons table already").arg(number);
    }

    // Rows without a number get the next ones above every number in use,
    // past the numbers of cards still in the field.
    void giveNumbers()
    {
        qint64 last = m_highest;
        for (const Person& p : m_people)
            last = std::max(last, p.given);
        for (Person& p : m_people) {
            p.number = p.given;
            if (p.given != 0)
                continue;
            const qint64 next = field::nextFreeNumber(last, m_held);
            if (next > HighestPersonNumber) {
                problem(p.line, QStringLiteral("no person number is left above %1 (the highest is %2)")
                                    .arg(last)
                                    .arg(HighestPersonNumber));
                continue;
            }
            p.number = last = next;
        }
    }

    // Under the table's hold on additions, the numbers of the file and the
    // next free ones are checked and chosen again from the records as stored
    // now, which another desk may have added to since they were read; so are
    // the persons to skip.
    bool chooseStoredNumbers()
    {
        readNumbers();
        if (m_skipExisting) {
            readNames();
            const auto kept = std::stable_partition(m_people.begin(), m_people.end(), [this](const Person& p) {
                return !m_storedNames.contains(nameKey(p.familyName, p.firstName));
            });
            m_skipped = int(m_people.end() - kept);
            m_people.erase(kept, m_people.end());
        }
        for (const Person& p : m_people) {
            if (p.given != 0 && m_taken.contains(p.given))
                problem(p.line, inTableAlready(p.given));
        }
        if (m_problems.isEmpty())
            giveNumbers();
        return m_problems.isEmpty();
    }

    // Under the groups table's hold on additions: the new groups the stored
    // persons name, numbered past the largest stored number. One another
    // desk has added meanwhile is taken as it is.
    void createGroups()
    {
        const int idPosition = m_groups.fieldPosition(GroupField::Id);
        const int namePosition = m_groups.fieldPosition(GroupField::Name);
        qint64 id = 0;
        QSet<QString> stored;
        for (const QVariantList& record : m_groups.storedRecords({idPosition, namePosition})) {
            id = std::max(id, record[0].toLongLong());
            stored.insert(record[1].toString());
        }
        for (const Person& p : m_people) {
            if (!p.newGroup || stored.contains(p.group))
                continue;
            stored.insert(p.group);
            m_groups.insert();
            m_groups.setInteger(GroupField::Id, ++id);
            m_groups.setText(GroupField::Name, p.group);
            for (int k = 1; k <= cards::ReaderCount; ++k)
                m_groups.setLogical(QStringLiteral("p%1").arg(k), false);
            m_groups.post();
            m_createdIds.append(id);
            m_created.append(p.group);
        }
    }

    // The groups this import stored in a change of their own, taken out
    // again when the persons could not be stored.
    void removeCreatedGroups(QString* undone)
    {
        try {
            Table::Batch batch(m_groups);
            for (qint64 id : std::as_const(m_createdIds)) {
                if (m_groups.locate(GroupField::Id, id))
                    m_groups.remove();
            }
            batch.commit();
        } catch (const AppError& e) {
            *undone +=
                QStringLiteral("; the groups %1 stay: %2").arg(m_created.join(QStringLiteral(", ")), e.message());
        }
        m_created.clear();
    }

    void add()
    {
        Table::Scan all(m_persons);
        const bool creating = std::any_of(m_people.begin(), m_people.end(), [](const Person& p) { return p.newGroup; });
        std::optional<Table::Scan> allGroups;
        if (creating)
            allGroups.emplace(m_groups);
        Table::Batch batch(m_persons);
        bool groupsStored = false;
        try {
            m_persons.holdOtherAppends();
            if (!chooseStoredNumbers()) {
                batch.undo(); // nothing was added yet
                return;
            }
            if (creating) {
                // One change with the persons where the stores can share
                // one; otherwise stored first, and taken out again below
                // when the persons fail.
                Table::Batch groups(m_groups, &m_persons);
                m_groups.holdOtherAppends();
                createGroups();
                groups.commit();
                groupsStored = true;
            }
            for (const Person& p : m_people) {
                m_persons.insert();
                m_persons.setInteger(PersonField::Number, p.number);
                m_persons.setText(PersonField::FirstName, p.firstName);
                m_persons.setText(PersonField::FamilyName, p.familyName);
                m_persons.setText(PersonField::Group, p.group);
                m_persons.setInteger(PersonField::Index, p.index);
                m_persons.setText(PersonField::Info, p.info);
                m_persons.post();
            }
            batch.commit();
        } catch (const AppError& e) {
            // All or nothing: the batch puts the files back as they were (a
            // failed commit has done so already); a kill part-way leaves its
            // journal for the next opening to do the same.
            QString undone = QStringLiteral("nothing was imported");
            try {
                batch.undo();
            } catch (const AppError& again) {
                undone += QStringLiteral("; ") + again.message();
            }
            if (groupsStored)
                removeCreatedGroups(&undone);
            m_created.clear();
            throw AppError(QStringLiteral("%1; %2").arg(e.message(), undone));
        }
    }

    Table& m_persons;
    Table& m_groups;
    const QSet<qint64>& m_held;
    const ImportPreview& m_preview;
    QList<csv::Problem> m_problems;
    QHash<QString, int> m_columns; // header name -> field index in a record
    QStringList m_ignored;
    int m_columnCount = 0;
    QHash<qint64, int> m_taken; // number -> line of the file that gives it, 0 for the table
    qint64 m_highest = 0;
    QSet<QString> m_storedNames; // nameKey() of every stored person
    QSet<QString> m_groupNames;
    QHash<QString, QString> m_foldedGroups; // folded() -> the group's name, of the table and the file
    QStringList m_newGroups;
    bool m_skipExisting = false;
    int m_skipped = 0;
    QList<qint64> m_createdIds;
    QStringList m_created;
    std::vector<Person> m_people;
};

} // namespace

std::optional<Kind> kindNamed(const QString& name)
{
    if (name == u"persons")
        return Kind::Persons;
    if (name == u"groups")
        return Kind::Groups;
    if (name == u"readers")
        return Kind::Readers;
    return std::nullopt;
}

QList<QStringList> tableRows(Table& table, Kind kind)
{
    const QList<Column> columns = columnsOf(table, kind);
    QList<QStringList> rows;
    QStringList header;
    for (const Column& c : columns)
        header.append(c.header);
    rows.append(header);
    Table::Scan all(table);
    rows.reserve(table.rowCount() + 1);
    for (int row = 0; row < table.rowCount(); ++row) {
        table.moveToRow(row);
        QStringList cells;
        cells.reserve(columns.size());
        for (const Column& c : columns)
            cells.append(cellOf(table, c.position));
        rows.append(cells);
    }
    return rows;
}

int exportFile(Table& table, Kind kind, const QString& path)
{
    const QList<QStringList> rows = tableRows(table, kind);
    QSaveFile file(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("%1: cannot be written: %2").arg(name, file.errorString()));
    const QByteArray bytes = csv::write(rows);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("%1: cannot be written: %2").arg(name, file.errorString()));
    return int(rows.size()) - 1;
}

ImportResult importPersons(Table& persons, Table& groups, const QByteArray& bytes, const QSet<qint64>& held,
                           const ImportPreview& preview)
{
    return PersonsImport(persons, groups, held, preview).run(bytes);
}

ImportResult importPersonsFile(Table& persons, Table& groups, const QString& path, const QSet<qint64>& held,
                               const ImportPreview& preview)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("%1: cannot be read: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return importPersons(persons, groups, file.readAll(), held, preview);
}

QString problemText(const QList<csv::Problem>& problems)
{
    QStringList lines;
    for (const csv::Problem& p : problems)
        lines.append(QStringLiteral("line %1: %2").arg(p.line).arg(p.reason));
    return lines.join(u'\n');
}

} // namespace exchange
