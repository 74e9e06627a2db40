// The persons import on any spreadsheet file. Every row goes in or none does:
// with problems the tables stay byte for byte; without, the persons table
// holds one more record per person added, also when opened again. The file
// reader must give back what the writer wrote.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "config/FileSync.h"
#include "data/Csv.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"

namespace {

const QStringList Files{QStringLiteral("osoby.dbf"), QStringLiteral("osoby.dbt"), QStringLiteral("grupa.dbf"),
                        QStringLiteral("grupa.dbt")};

// The empty persons table and the groups of the demo installation, made
// once; each run starts from their bytes.
const QList<QByteArray>& installation()
{
    static const QList<QByteArray> bytes = [] {
        // Durability is not what is fuzzed here; syncs only slow every run.
        filesync::setFunction([](int, const QString&, filesync::Kind) { return 0; });
        TableLayouts::createAll(fuzz::folder());
        Table groups;
        groups.open(fuzz::path(TableLayouts::GroupsFile));
        int id = 0;
        for (const QString& name : {QStringLiteral("Zarząd"), QStringLiteral("Księgowość"), QStringLiteral("Magazyn"),
                                    QStringLiteral("Ochrona")}) {
            groups.insert();
            groups.setText(GroupField::Id, QString::number(++id));
            groups.setText(GroupField::Name, name);
            groups.post();
        }
        groups.close();
        QList<QByteArray> all;
        for (const QString& name : Files)
            all << fuzz::getFile(name);
        return all;
    }();
    return bytes;
}

QList<QByteArray> current()
{
    QList<QByteArray> all;
    for (const QString& name : Files)
        all << fuzz::getFile(name);
    return all;
}

QList<QStringList> fieldsOf(const csv::Parsed& parsed)
{
    QList<QStringList> rows;
    for (const csv::Record& record : parsed.records)
        if (record.fields != QStringList{QString()}) // one empty field is written as a blank line, which is skipped
            rows << record.fields;
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QStringList> rows = fieldsOf(csv::parse(bytes));
    fuzz::check(fieldsOf(csv::parse(csv::write(rows))) == rows, "the rows written read back");

    const QList<QByteArray>& start = installation();
    for (qsizetype i = 0; i < Files.size(); ++i)
        fuzz::putFile(Files[i], start[i]);
    exchange::ImportResult result;
    {
        Table persons;
        persons.open(fuzz::path(TableLayouts::PersonsFile));
        Table groups;
        groups.open(fuzz::path(TableLayouts::GroupsFile));
        try {
            result = exchange::importPersons(persons, groups, bytes);
        } catch (const AppError&) {
            // A write that failed; the files are then the engine's to mend.
            return 0;
        }
    }
    if (!result.problems.isEmpty() || result.added == 0) {
        fuzz::check(result.added == 0, "nothing is added when a row has a problem");
        fuzz::check(current() == start, "a refused import leaves the tables");
        return 0;
    }
    Table persons;
    persons.open(fuzz::path(TableLayouts::PersonsFile));
    fuzz::check(persons.warnings().isEmpty(), "the imported table opens without warnings");
    fuzz::check(persons.rowCount() == result.added, "every person added is stored");
    return 0;
}
