// Tables on the shared database, two desks at once, against a real server.

#include "PgCluster.h"
#include "TablesTool.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk, PgStore::Kind kind = PgStore::Kind::Persons)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), kind));
    return table;
}

void addPerson(Table& table, int number, const QString& name)
{
    table.insert();
    table.setInteger(PersonField::Number, number);
    table.setText(PersonField::FamilyName, name);
    table.post();
}

QStringList storedNames(PgCluster& cluster)
{
    QStringList names;
    auto table = openDesk(cluster, QStringLiteral("check"));
    for (const QVariantList& values : table->storedRecords({table->fieldPosition(PersonField::FamilyName)}))
        names.append(values.at(0).toString());
    return names;
}

} // namespace

class TestPgStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void conflictingChanges_data();
    void conflictingChanges();
    void batchCutShort_data();
    void batchCutShort();
    void schemaLimits_data();
    void schemaLimits();
    void toolMovesSets_data();
    void toolMovesSets();
    void numberGivenTwice_data();
    void numberGivenTwice();

private:
    PgCluster m_cluster;
};

void TestPgStore::init()
{
    QVERIFY2(m_cluster.isValid(), "no test server: run through ctest, which starts one");
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_test")));
}

// The gate's change is stored first; the office's, started from the row as
// it was before, is refused naming the gate, overwrites nothing and keeps
// what the office typed.
void TestPgStore::conflictingChanges_data()
{
    QTest::addColumn<bool>("gateRemoves");
    QTest::addColumn<bool>("officeRemoves");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("edit, then edit") << false << false << "\"gate\"" << QStringList{"Gate"};
    QTest::newRow("edit, then remove") << false << true << "\"gate\"" << QStringList{"Gate"};
    QTest::newRow("remove, then edit") << true << false << "removed" << QStringList{};
}

void TestPgStore::conflictingChanges()
{
    QFETCH(bool, gateRemoves);
    QFETCH(bool, officeRemoves);
    QFETCH(QString, refusal);
    QFETCH(QStringList, stored);

    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*gate, 7, QStringLiteral("Nowak"));
    auto office = openDesk(m_cluster, QStringLiteral("office"));
    QCOMPARE(office->asText(PersonField::FamilyName), QStringLiteral("Nowak"));

    office->edit();
    office->setText(PersonField::FamilyName, QStringLiteral("Office"));
    if (gateRemoves) {
        gate->remove();
    } else {
        gate->edit();
        gate->setText(PersonField::FamilyName, QStringLiteral("Gate"));
        gate->post();
    }
    try {
        if (officeRemoves)
            office->remove();
        else
            office->post();
        QFAIL("the office's change was stored over the gate's");
    } catch (const AppError& e) {
        QVERIFY2(e.message().contains(refusal), qPrintable(e.message()));
    }
    QCOMPARE(office->state(), Table::State::Editing);
    QCOMPARE(office->asText(PersonField::FamilyName), QStringLiteral("Office"));
    QCOMPARE(storedNames(m_cluster), stored);
}

// A bulk change whose connection the server ends half-way (an import into
// an empty table, a rename of every stored person) stores nothing of it.
void TestPgStore::batchCutShort_data()
{
    QTest::addColumn<bool>("renames");
    QTest::newRow("import") << false;
    QTest::newRow("rename") << true;
}

void TestPgStore::batchCutShort()
{
    QFETCH(bool, renames);

    QStringList before;
    if (renames) {
        auto office = openDesk(m_cluster, QStringLiteral("office"));
        for (int n = 1; n <= 3; ++n)
            addPerson(*office, n, QStringLiteral("Person %1").arg(n));
        before = storedNames(m_cluster);
    }
    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    try {
        Table::Batch batch(*gate);
        for (int n = 1; n <= 3; ++n) {
            if (renames) {
                gate->moveToRow(n - 1);
                gate->edit();
                gate->setText(PersonField::FamilyName, QStringLiteral("Renamed"));
                gate->post();
            } else {
                addPerson(*gate, n, QStringLiteral("Imported"));
            }
        }
        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                                   "WHERE application_name = 'pellaro:gate'")));
        batch.commit();
        QFAIL("a batch whose connection was ended was told stored");
    } catch (const AppError&) {
    }
    QCOMPARE(gate->rowCount(), before.size());
    QCOMPARE(storedNames(m_cluster), before);
}

// The server holds the limits the tables hold, also against a program that
// writes to it directly.
void TestPgStore::schemaLimits_data()
{
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("reader 96, relay 255") << "96, 'Door', 255" << true;
    QTest::newRow("reader 97") << "97, 'Door', 5" << false;
    QTest::newRow("reader 0") << "0, 'Door', 5" << false;
    QTest::newRow("relay 0") << "1, 'Door', 0" << false;
    QTest::newRow("relay 256") << "1, 'Door', 256" << false;
    QTest::newRow("name too long") << QStringLiteral("1, '%1', 5").arg(QString(41, 'x')) << false;
    QTest::newRow("name outside code page 1250") << "1, 'Dveře ✓', 5" << false;
}

void TestPgStore::schemaLimits()
{
    QFETCH(QString, values);
    QFETCH(bool, accepted);
    QString error;
    const bool ok =
        m_cluster.exec(QStringLiteral("INSERT INTO readers (\"ID_CZYT\", \"NAME\", \"TIME\") VALUES (%1)").arg(values),
                       &error);
    QVERIFY2(ok == accepted, qPrintable(error));
    QCOMPARE(openDesk(m_cluster, QStringLiteral("check"), PgStore::Kind::Readers)->rowCount(), accepted ? 1 : 0);
}

// A dBase set moved into an empty database and written back out as a new
// set holds the same records; the commands refuse to make or fill twice.
void TestPgStore::toolMovesSets_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("persons") << TableLayouts::PersonsFile;
    QTest::newRow("groups") << TableLayouts::GroupsFile;
    QTest::newRow("readers") << TableLayouts::ReadersFile;
}

void TestPgStore::toolMovesSets()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_tool"), false));
    const PgServer server = m_cluster.server({});
    QFile ini(dir.filePath(QStringLiteral("config.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[DATABASE]\nDriver=PostgreSQL\nHost=%1\nPort=%2\nName=%3\nUser=%4\n")
                  .arg(server.host)
                  .arg(server.port)
                  .arg(server.name, server.user)
                  .toUtf8());
    ini.close();
    const QString set = dir.filePath(QStringLiteral("set"));
    const QString back = dir.filePath(QStringLiteral("back"));
    QVERIFY(QDir().mkpath(set));
    QCOMPARE(tables({"demo", set}).exitCode, 0);

    for (const QStringList& run : {QStringList{"db", "init", dir.path()}, QStringList{"db", "import", dir.path(), set},
                                   QStringList{"db", "export", dir.path(), back}}) {
        const ToolRun done = tables(run);
        QVERIFY2(done.exitCode == 0, qPrintable(done.output));
        if (run[1] != u"export")
            QVERIFY2(tables(run).exitCode == 1, "made or filled twice");
    }
    const auto records = [&](const QString& folder) {
        Table table;
        table.open(QDir(folder).filePath(file));
        QList<int> positions;
        for (int position = 1; position <= table.fieldCount(); ++position)
            positions.append(position);
        return table.storedRecords(positions);
    };
    const QList<QVariantList> moved = records(back);
    QVERIFY(!moved.isEmpty());
    QCOMPARE(moved, records(set));
}

// A database of the version before numbers were unique, giving one number
// twice: no desk opens it and db init leaves it, both naming the number and a
// command that shows its records; held once, db init makes the server refuse
// a second holder.
void TestPgStore::numberGivenTwice_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::newRow("persons") << int(PgStore::Kind::Persons) << "persons"
                             << "NUMBER";
    QTest::newRow("groups") << int(PgStore::Kind::Groups) << "groups"
                            << "ID_GRUPY";
    QTest::newRow("readers") << int(PgStore::Kind::Readers) << "readers"
                             << "ID_CZYT";
}

void TestPgStore::numberGivenTwice()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(QString, column);
    const QString insert =
        QStringLiteral("INSERT INTO %1 (\"%2\", \"NAME\") VALUES (8, 'One'), (8, 'Two'), (9, 'Three')");
    QVERIFY(!m_cluster.exec(insert.arg(table, column)));
    QVERIFY(m_cluster.exec(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %1_number_unique; UPDATE pellaro_schema "
                                          "SET version = 2; %2")
                               .arg(table, insert.arg(table, column))));
    QString refusal;
    try {
        openDesk(m_cluster, QStringLiteral("check"), PgStore::Kind(kind));
    } catch (const AppError& e) {
        refusal = e.message();
    }
    QVERIFY2(refusal.contains(column + QStringLiteral(" 8 (2 records)")) && !refusal.contains(" 9 "),
             qPrintable(refusal));
    QProcess shown;
    shown.start(QStringLiteral("sh"), {QStringLiteral("-c"), refusal.section(u'\n', 1, 1)});
    QVERIFY(shown.waitForFinished(20000));
    const QByteArray records = shown.readAllStandardOutput();
    QVERIFY2(records.contains("One") && records.contains("Two") && !records.contains("Three"), records);

    QTemporaryDir dir;
    QVERIFY(m_cluster.writeConfig(dir.path()));
    const ToolRun refused = tables({"db", "init", dir.path()});
    QVERIFY2(refused.exitCode == 1 && refused.output.contains(column + QStringLiteral(" 8 (2")),
             qPrintable(refused.output));
    QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM %1 WHERE \"NAME\" = 'Two'").arg(table)));
    QCOMPARE(tables({"db", "init", dir.path()}).exitCode, 0);
    QCOMPARE(openDesk(m_cluster, QStringLiteral("check"), PgStore::Kind(kind))->rowCount(), 2);
    QVERIFY(!m_cluster.exec(QStringLiteral("INSERT INTO %1 (\"%2\") VALUES (9)").arg(table, column)));
}

QTEST_GUILESS_MAIN(TestPgStore)
#include "test_pgstore.moc"
