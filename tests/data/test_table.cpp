// Table's operations on the current record, and the record model over it.

#include "dbf/DbfBytes.h"

#include "config/AppError.h"
#include "config/FileSync.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "platform/Files.h"

#include <QAbstractItemModelTester>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

struct Person
{
    int number;
    QString first;
    QString family;
    QString group;
};

void addPersons(Table& t, const QList<Person>& persons)
{
    for (const Person& p : persons) {
        t.insert();
        t.setInteger("NUMBER", p.number);
        t.setText("SURNAME", p.first);
        t.setText("NAME", p.family);
        t.setText("GROUP", p.group);
        t.setInteger("INDEX", 0);
        t.post();
    }
}

QList<int> numbersInOrder(Table& t)
{
    QList<int> numbers;
    for (t.first(); !t.atEnd(); t.next())
        numbers << int(t.asInteger("NUMBER"));
    return numbers;
}

QString errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const AppError& e) {
        return e.message();
    }
    return {};
}

// Puts a sync function in place of the system calls for its lifetime.
struct SyncWatch
{
    explicit SyncWatch(filesync::Function f) : previous(filesync::setFunction(std::move(f))) {}
    ~SyncWatch() { filesync::setFunction(previous); }
    filesync::Function previous;
};

} // namespace

class TestTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void movesAndTheEnd();
    void fieldNamesInAnyLetterCase();
    void groupFlagsByPosition();
    void insertGoesToTheEndOfTheNaturalOrder();
    void deleteMakesTheNeighbourCurrent();
    void refreshPostsAndKeepsTheCurrentRecord();
    void locate();
    void prefixFilter_data();
    void prefixFilter();
    void filterIsSwitchedAndSurvivesChanges();
    void suspendedDisplay();
    void statesAndTheirSignals();
    void postedTellsOldAndNewValues_data();
    void postedTellsOldAndNewValues();
    void everyPostIsOnDiskAtOnce();
    void batchWritesEveryRecord();
    void failedStepLeavesEarlierStepsDone();
    void modelFollowsTheTable();
    void modelSortsInTheOperatorsAlphabet_data();
    void modelSortsInTheOperatorsAlphabet();
    void modelShowsUnreadableValuesEmptyAndReportsOnce();
    void writeOrderOnDisk_data();
    void writeOrderOnDisk();
    void batchEndNeverThrows_data();
    void batchEndNeverThrows();
    void failedChangeLeavesNothingBehind_data();
    void failedChangeLeavesNothingBehind();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }
};

void TestTable::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    TableLayouts::createAll(m_dir->path());
}

void TestTable::movesAndTheEnd()
{
    Table t;
    t.open(path("osoby.dbf"));
    QVERIFY(t.atEnd() && t.isEmpty());
    t.first();
    t.next();
    t.prior();
    QVERIFY(t.atEnd());
    QCOMPARE(t.asInteger("NUMBER"), 0);
    QCOMPARE(t.asText("NAME"), QString());

    addPersons(t, {{1, "A", "a", ""}, {2, "B", "b", ""}, {3, "C", "c", ""}});
    t.first();
    QVERIFY(!t.atEnd());
    t.prior(); // on the first record prior stays there
    QCOMPARE(t.asInteger("NUMBER"), 1);
    QVERIFY(!t.atEnd());
    t.next();
    t.next();
    QCOMPARE(t.asInteger("NUMBER"), 3);
    QVERIFY(!t.atEnd());
    t.next(); // past the last: at end, still on the last record
    QVERIFY(t.atEnd());
    QCOMPARE(t.asInteger("NUMBER"), 3);
    t.prior();
    QVERIFY(!t.atEnd());
    QCOMPARE(t.asInteger("NUMBER"), 2);
    QCOMPARE(numbersInOrder(t), QList<int>({1, 2, 3}));

    // A scan that starts one back from the first record still sees every record.
    t.first();
    t.prior();
    int largest = 0;
    for (; !t.atEnd(); t.next())
        largest = qMax<int>(largest, int(t.asInteger("NUMBER")));
    QCOMPARE(largest, 3);
}

void TestTable::fieldNamesInAnyLetterCase()
{
    Table readers;
    readers.open(path("sprzet.dbf"));
    readers.insert();
    readers.setInteger("ID_czyt", 7);
    readers.setText("name", QStringLiteral("Reader 7"));
    readers.post();
    QCOMPARE(readers.asInteger("ID_CZYT"), 7);
    QCOMPARE(readers.asInteger("id_Czyt"), 7);
    QCOMPARE(readers.asText("NAME"), QStringLiteral("Reader 7"));
    QVERIFY(readers.locate("Id_Czyt", 7));

    Table groups;
    groups.open(path("grupa.dbf"));
    groups.insert();
    groups.setInteger("ID_grupy", 1);
    groups.setLogical("p13", true);
    groups.setLogical("P49", true);
    groups.post();
    QVERIFY(groups.asLogical("P13"));
    QVERIFY(groups.asLogical("p49"));
    QCOMPARE(groups.asInteger("ID_Grupy"), 1);
    const QString error = errorOf([&] { groups.asLogical("P97"); });
    QVERIFY2(error.contains("P97") && error.contains("grupa.dbf"), qPrintable(error));
}

void TestTable::groupFlagsByPosition()
{
    Table groups;
    groups.open(path("grupa.dbf"));
    groups.insert();
    groups.setInteger("ID_Grupy", 5);
    groups.setText("NAME", QStringLiteral("Grupa 5"));
    groups.setText("NOTES", QStringLiteral("notatka"));
    for (int k = 1; k <= 96; ++k)
        groups.setLogical(QStringLiteral("p%1").arg(k), false);
    groups.post();

    // Full access: the 4th to 99th fields.
    groups.edit();
    for (int position = 4; position <= 99; ++position)
        groups.setLogicalAt(position, true);
    groups.post();
    for (int k = 1; k <= 96; ++k)
        QVERIFY2(groups.asLogical(QStringLiteral("P%1").arg(k)), qPrintable(QString::number(k)));
    QCOMPARE(groups.asInteger("ID_Grupy"), 5);
    QCOMPARE(groups.asText("NAME"), QStringLiteral("Grupa 5"));
    QCOMPARE(groups.asText("NOTES"), QStringLiteral("notatka"));

    // One flag by position reaches exactly its field.
    groups.edit();
    for (int position = 4; position <= 99; ++position)
        groups.setLogicalAt(position, false);
    groups.setLogicalAt(4 + 41, true);
    groups.post();
    for (int k = 1; k <= 96; ++k)
        QCOMPARE(groups.asLogical(QStringLiteral("P%1").arg(k)), k == 42);
    QCOMPARE(groups.logicalAt(45), true);
    QVERIFY(errorOf([&] { groups.logicalAt(100); }).contains("no field number 100"));
    QVERIFY(errorOf([&] { groups.logicalAt(0); }).contains("no field number 0"));
}

void TestTable::insertGoesToTheEndOfTheNaturalOrder()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "A", "a", ""}, {2, "B", "b", ""}, {3, "C", "c", ""}});
    t.first(); // inserting while the first record is current
    t.insert();
    QCOMPARE(t.state(), Table::State::Inserting);
    QCOMPARE(t.asText("NAME"), QString()); // a blank record is shown
    t.setInteger("NUMBER", 4);
    t.post();
    QCOMPARE(t.asInteger("NUMBER"), 4);
    QCOMPARE(t.currentRow(), 3);
    QCOMPARE(numbersInOrder(t), QList<int>({1, 2, 3, 4}));

    // Insert posts a pending change first.
    t.first();
    t.edit();
    t.setText("NAME", QStringLiteral("changed"));
    t.insert();
    t.cancel();
    t.first();
    QCOMPARE(t.asText("NAME"), QStringLiteral("changed"));
    QCOMPARE(t.rowCount(), 4); // the cancelled insert left nothing

    // Edit on an empty table inserts.
    Table readers;
    readers.open(path("sprzet.dbf"));
    readers.edit();
    QCOMPARE(readers.state(), Table::State::Inserting);
    readers.setInteger("ID_CZYT", 1);
    readers.post();
    QCOMPARE(readers.rowCount(), 1);
}

void TestTable::deleteMakesTheNeighbourCurrent()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "A", "a", ""}, {2, "B", "b", ""}, {3, "C", "c", ""}, {4, "D", "d", ""}});
    t.first();
    t.next();
    t.remove(); // a middle record: the following one becomes current
    QCOMPARE(t.asInteger("NUMBER"), 3);
    QVERIFY(!t.atEnd());
    t.next();
    QCOMPARE(t.asInteger("NUMBER"), 4);
    t.remove(); // the last record: the preceding one becomes current
    QCOMPARE(t.asInteger("NUMBER"), 3);
    QVERIFY(!t.atEnd());
    QCOMPARE(numbersInOrder(t), QList<int>({1, 3}));

    // Records are only marked: the file keeps them, and reopening skips them.
    const QByteArray bytes = dbfbytes::read(path("osoby.dbf"));
    QCOMPARE(dbfbytes::readLe32(bytes, 4), 4u);
    Table reopened;
    t.close();
    reopened.open(path("osoby.dbf"));
    QCOMPARE(numbersInOrder(reopened), QList<int>({1, 3}));
    reopened.first();
    reopened.remove();
    reopened.remove(); // the only record left: the table is empty and at its end
    QVERIFY(reopened.isEmpty());
    QVERIFY(reopened.atEnd());
    reopened.remove(); // on an empty table: nothing happens
    QVERIFY(reopened.isEmpty());

    // Deleting while editing drops the pending change; while inserting it
    // drops the new record.
    addPersons(reopened, {{5, "E", "e", ""}});
    reopened.insert();
    reopened.remove();
    QCOMPARE(reopened.state(), Table::State::Browsing);
    QCOMPARE(reopened.rowCount(), 1);
    QCOMPARE(reopened.asInteger("NUMBER"), 5);
}

void TestTable::refreshPostsAndKeepsTheCurrentRecord()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "A", "a", ""}, {2, "B", "b", ""}, {3, "C", "c", ""}});
    t.first();
    t.next();
    t.edit();
    t.setText("SURNAME", QStringLiteral("Bożena"));
    QSignalSpy changed(&t, &Table::currentChanged);
    t.refresh();
    QCOMPARE(t.state(), Table::State::Browsing);
    QCOMPARE(t.asInteger("NUMBER"), 2);
    QCOMPARE(t.asText("SURNAME"), QStringLiteral("Bożena"));
    QVERIFY(changed.count() >= 1);

    // At the end of a scan the table stays at its end through a refresh.
    for (t.first(); !t.atEnd(); t.next()) {
    }
    t.refresh();
    QVERIFY(t.atEnd());
    QCOMPARE(t.asInteger("NUMBER"), 3);
}

void TestTable::locate()
{
    Table groups;
    groups.open(path("grupa.dbf"));
    int id = 0;
    for (const QString name : {"Biuro", "Magazyn", "biuro", "Magazyn", "Łódź"}) {
        groups.insert();
        groups.setInteger("ID_Grupy", ++id);
        groups.setText("NAME", name);
        groups.post();
    }
    groups.first();
    QVERIFY(groups.locate("NAME", "biuro", Qt::CaseSensitive));
    QCOMPARE(groups.asInteger("ID_Grupy"), 3);
    QVERIFY(groups.locate("NAME", "BIURO", Qt::CaseInsensitive));
    QCOMPARE(groups.asInteger("ID_Grupy"), 1);
    // Two groups with the same name: the first in natural order.
    QVERIFY(groups.locate("NAME", "Magazyn", Qt::CaseSensitive));
    QCOMPARE(groups.asInteger("ID_Grupy"), 2);
    QVERIFY(groups.locate("NAME", QStringLiteral("łÓDŹ"), Qt::CaseInsensitive));
    QCOMPARE(groups.asInteger("ID_Grupy"), 5);

    // Not found: nothing moves, no change is announced.
    groups.first();
    groups.next();
    QSignalSpy changed(&groups, &Table::currentChanged);
    QVERIFY(!groups.locate("NAME", "MAGAZYN", Qt::CaseSensitive));
    QVERIFY(!groups.locate("NAME", "Magazyn 2", Qt::CaseInsensitive));
    QVERIFY(!groups.locate("ID_Grupy", 99));
    QCOMPARE(groups.asInteger("ID_Grupy"), 2);
    QCOMPARE(changed.count(), 0);
    QVERIFY(groups.locate("ID_GRUPY", 4));
    QCOMPARE(groups.asText("NAME"), QStringLiteral("Magazyn"));

    // Locate ends a scan that went past the end.
    for (groups.first(); !groups.atEnd(); groups.next()) {
    }
    QVERIFY(groups.locate("NAME", "Biuro", Qt::CaseSensitive));
    QVERIFY(!groups.atEnd());
}

void TestTable::prefixFilter_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("two letters, other case") << "NAME"
                                             << "NO" << QList<int>{1, 3};
    QTest::newRow("Polish letters, other case") << "NAME" << QStringLiteral("żó") << QList<int>{2};
    QTest::newRow("first name") << "SURNAME"
                                << "a" << QList<int>{1, 4};
    QTest::newRow("apostrophe is plain text") << "NAME"
                                              << "O'" << QList<int>{5};
    QTest::newRow("expression characters") << "NAME"
                                           << "*" << QList<int>{};
    QTest::newRow("empty text passes all") << "NAME"
                                           << "" << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("no match") << "NAME"
                              << "Xy" << QList<int>{};
}

void TestTable::prefixFilter()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QList<int>, expected);
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", ""},
                   {2, "Jan", QStringLiteral("Żółkiewski"), ""},
                   {3, "Ewa", "nowicka", ""},
                   {4, "Adam", "Kowal", ""},
                   {5, "Sean", "O'Brien", ""},
                   {6, "Blank", "", ""}});
    t.setPrefixFilter(field, text);
    t.setFilterActive(true);
    QCOMPARE(t.atEnd(), expected.isEmpty());
    QCOMPARE(t.rowCount(), expected.size());
    QCOMPARE(numbersInOrder(t), expected);
    t.setFilterActive(false);
    QCOMPARE(t.rowCount(), 6);
}

void TestTable::filterIsSwitchedAndSurvivesChanges()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", ""}, {2, "Jan", "Kos", ""}, {3, "Ewa", "Nowicka", ""}});
    t.setPrefixFilter("NAME", "No");
    QCOMPARE(t.rowCount(), 3); // set but not switched on
    t.setFilterActive(true);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(t.asInteger("NUMBER"), 1); // switching moves to the first record
    t.setPrefixFilter("SURNAME", "j");  // a new text applies at once while on
    QCOMPARE(numbersInOrder(t), QList<int>({2}));
    t.setPrefixFilter("NAME", "No");
    // Removing under the filter: the next passing record becomes current.
    t.first();
    t.remove();
    QCOMPARE(t.asInteger("NUMBER"), 3);
    t.setFilterActive(false);
    QCOMPARE(numbersInOrder(t), QList<int>({2, 3}));
    QVERIFY(errorOf([&] { t.setPrefixFilter("NOSUCH", "x"); }).contains("NOSUCH"));
}

void TestTable::suspendedDisplay()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "A", "a", ""}, {2, "B", "b", ""}, {3, "C", "c", ""}});
    QSignalSpy changed(&t, &Table::currentChanged);
    t.suspendDisplay();
    t.suspendDisplay(); // nested
    for (t.first(); !t.atEnd(); t.next()) {
    }
    t.locate("NUMBER", 2);
    QCOMPARE(changed.count(), 0);
    QVERIFY(t.displaySuspended());
    t.resumeDisplay();
    QCOMPARE(changed.count(), 0);
    t.resumeDisplay();
    QCOMPARE(changed.count(), 1); // one catch-up
    QVERIFY(!t.displaySuspended());
    t.resumeDisplay(); // unbalanced: harmless
    QCOMPARE(changed.count(), 1);
    t.next();
    QCOMPARE(changed.count(), 2);

    // A scan that ends in an error lets the controls follow again.
    QVERIFY(!errorOf([&] {
                 Table::DisplaySuspension suspended(t);
                 t.first();
                 t.asInteger("NOSUCH");
             }).isEmpty());
    QVERIFY(!t.displaySuspended());
    QCOMPARE(changed.count(), 3);
}

void TestTable::statesAndTheirSignals()
{
    Table t;
    t.open(path("sprzet.dbf"));
    QSignalSpy states(&t, &Table::stateChanged);
    t.insert();
    QCOMPARE(t.state(), Table::State::Inserting);
    QVERIFY(!t.atEnd());
    t.setInteger("ID_CZYT", 1);
    t.setInteger("TIME", 2);
    t.setLogical("PROX", false);
    t.post();
    QCOMPARE(t.state(), Table::State::Browsing);
    t.edit();
    QCOMPARE(t.state(), Table::State::Editing);
    t.edit(); // already editing: no change
    t.setInteger("TIME", 15);
    QCOMPARE(t.asInteger("TIME"), 15); // reads see the pending change
    t.cancel();
    QCOMPARE(t.asInteger("TIME"), 2);
    QCOMPARE(states.count(), 4);

    // The update hook runs at the start of every post, so a bound control
    // can store what was typed into it.
    QObject owner;
    int calls = 0;
    t.setUpdateHook(&owner, [&] {
        ++calls;
        t.setInteger("TIME", 30);
    });
    t.edit();
    t.next(); // a move posts
    QCOMPARE(calls, 1);
    QCOMPARE(t.asInteger("TIME"), 30);
    t.post(); // browsing: nothing to post
    QCOMPARE(calls, 1);
    t.removeUpdateHook(&owner);
    t.edit();
    t.post();
    QCOMPARE(calls, 1);
}

void TestTable::postedTellsOldAndNewValues_data()
{
    QTest::addColumn<bool>("insert");
    QTest::addColumn<QString>("search"); // a NAME prefix, empty for none
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("before"); // empty: a new record has no values before
    QTest::newRow("rename") << false << ""
                            << "NAME" << 1 << "Lis";
    QTest::newRow("note") << false << ""
                          << "INFO" << 1 << "old note";
    QTest::newRow("new record") << true << ""
                                << "NAME" << 2 << "";
    QTest::newRow("new record the search hides") << true << "N"
                                                 << "NAME" << -1 << "";
}

void TestTable::postedTellsOldAndNewValues()
{
    QFETCH(bool, insert);
    QFETCH(QString, search);
    QFETCH(QString, field);
    QFETCH(int, row);
    QFETCH(QString, before);
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", "Day"}, {2, "Ewa", "Lis", "Day"}});
    t.edit();
    t.setText("INFO", "old note");
    t.post();
    if (!search.isEmpty()) {
        t.setPrefixFilter("NAME", search);
        t.setFilterActive(true);
    }
    QSignalSpy spy(&t, &Table::posted);
    if (insert) {
        t.insert();
    } else {
        t.moveToRow(1);
        t.edit();
    }
    t.setText(field, "Zed");
    t.post();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toInt(), row);
    const int position = t.fieldPosition(field) - 1;
    const QVariantList was = spy[0][1].toList();
    const QVariantList now = spy[0][2].toList();
    QCOMPARE(was.isEmpty(), before.isEmpty());
    if (!before.isEmpty())
        QCOMPARE(was.value(position).toString(), before);
    QCOMPARE(now.size(), t.fieldCount());
    QCOMPARE(now.value(position).toString(), QStringLiteral("Zed"));
}

void TestTable::everyPostIsOnDiskAtOnce()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", "Biuro"}});
    t.edit();
    t.setText("INFO", QStringLiteral("Notatka ąę"));
    t.post();
    // Another reader of the files sees the change while the table is open.
    const QByteArray dbf = dbfbytes::read(path("osoby.dbf"));
    QVERIFY(dbf.contains("Nowak"));
    QCOMPARE(dbfbytes::readLe32(dbf, 4), 1u);
    QVERIFY(dbfbytes::read(path("osoby.dbt")).contains("Notatka \xB9\xEA"));
}

void TestTable::batchWritesEveryRecord()
{
    Table t;
    t.open(path("osoby.dbf"));
    QList<Person> persons;
    for (int i = 1; i <= 50; ++i)
        persons.append({i, QStringLiteral("P%1").arg(i), "X", "Old"});
    addPersons(t, persons);
    {
        Table::Batch batch(t);
        for (t.first(); !t.atEnd(); t.next()) {
            t.edit();
            t.setText("GROUP", QStringLiteral("Lack of assignment!"));
            t.post();
        }
    }
    t.close();
    Table reopened;
    reopened.open(path("osoby.dbf"));
    int count = 0;
    for (reopened.first(); !reopened.atEnd(); reopened.next(), ++count)
        QCOMPARE(reopened.asText("GROUP"), QStringLiteral("Lack of assignment!"));
    QCOMPARE(count, 50);
}

void TestTable::failedStepLeavesEarlierStepsDone()
{
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", ""}});
    t.edit();
    t.setText("NAME", QStringLiteral("Nowakowska"));
    QVERIFY(!errorOf([&] { t.setInteger("INDEX", 123456); }).isEmpty());
    t.post();
    QCOMPARE(t.asText("NAME"), QStringLiteral("Nowakowska"));
    QCOMPARE(t.asInteger("INDEX"), 0);

    // A hook that fails makes post fail; the record stays in edit with the
    // change pending, and nothing is written.
    QObject owner;
    t.setUpdateHook(&owner, [&] { t.setText("INDEX", "-"); });
    t.edit();
    t.setText("NAME", QStringLiteral("Kowalska"));
    QVERIFY(errorOf([&] { t.post(); }).contains("not a valid number"));
    QCOMPARE(t.state(), Table::State::Editing);
    QVERIFY(!dbfbytes::read(path("osoby.dbf")).contains("Kowalska"));
    t.removeUpdateHook(&owner);
    t.post();
    QVERIFY(dbfbytes::read(path("osoby.dbf")).contains("Kowalska"));
}

void TestTable::modelFollowsTheTable()
{
    Table t;
    t.open(path("osoby.dbf"));
    TableModel model(&t, {"NUMBER", "SURNAME", "NAME", "GROUP", "NOSUCH"});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    addPersons(t, {{1, "Anna", "Nowak", "Biuro"}, {2, QStringLiteral("Łucja"), "Kos", ""}, {3, "Ewa", "Nowicka", ""}});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("Łucja"));
    QCOMPARE(model.index(0, 0).data().toLongLong(), 1);
    QVERIFY(!model.index(0, 4).data().isValid()); // a field the table lacks stays empty
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    model.setColumnTitle(2, QStringLiteral("Surename"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Surename"));

    QSignalSpy dataChanged(&model, &QAbstractItemModel::dataChanged);
    t.first();
    t.next();
    t.edit();
    t.setText("NAME", QStringLiteral("Kosowska"));
    t.post();
    QCOMPARE(dataChanged.count(), 1);
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("Kosowska"));

    t.setPrefixFilter("NAME", "now");
    t.setFilterActive(true);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, 0).data().toLongLong(), 3);
    t.remove();
    QCOMPARE(model.rowCount(), 1);
    t.setFilterActive(false);
    t.refresh();
    QCOMPARE(model.rowCount(), 2);
    t.close();
    QCOMPARE(model.rowCount(), 0);
}

void TestTable::modelSortsInTheOperatorsAlphabet_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("names"); // family names in the table's order
    QTest::addColumn<QStringList>("shown"); // the grid's rows, sorted up by family name
    QTest::newRow("Polish") << "pl_PL"
                            << QStringList{"Żak", "Zając", "Łoś", "Lis", "Ćma", "Czapla", "Ąbel", "Azja"}
                            << QStringList{"Azja", "Ąbel", "Czapla", "Ćma", "Lis", "Łoś", "Zając", "Żak"};
    QTest::newRow("Czech") << "cs_CZ" << QStringList{"Chrást", "Hora", "Čapek", "Cihla"}
                           << QStringList{"Cihla", "Čapek", "Hora", "Chrást"};
    QTest::newRow("digits as numbers, case ignored")
        << "en_GB" << QStringList{"reader 1000", "Reader 199", "Reader 9", "anna", "reader 10", "Bartek"}
        << QStringList{"anna", "Bartek", "Reader 9", "reader 10", "Reader 199", "reader 1000"};
    QTest::newRow("equal names keep the table's order")
        << "pl_PL" << QStringList{"nowak", "Kos", "NOWAK", "Nowak"} << QStringList{"Kos", "nowak", "NOWAK", "Nowak"};
}

void TestTable::modelSortsInTheOperatorsAlphabet()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, names);
    QFETCH(QStringList, shown);
    Table t;
    t.open(path("osoby.dbf"));
    QList<Person> persons;
    for (const QString& name : names)
        persons.append({int(persons.size()) + 1, "A", name, ""});
    addPersons(t, persons);
    TableModel model(&t, {"NUMBER", "NAME"});
    model.setCollationLocale(QLocale(locale));
    model.sort(1, Qt::AscendingOrder);
    QStringList seen;
    for (int row = 0; row < model.rowCount(); ++row)
        seen << model.index(row, 1).data().toString().trimmed();
    QCOMPARE(seen, shown);
}

void TestTable::modelShowsUnreadableValuesEmptyAndReportsOnce()
{
    {
        Table t;
        t.open(path("osoby.dbf"));
        addPersons(t, {{1, "Anna", "Nowak", ""}, {2, "Ewa", "Kos", ""}});
        for (t.first(); !t.atEnd(); t.next()) {
            t.edit();
            t.setText("INFO", QStringLiteral("note %1").arg(t.asInteger("NUMBER")));
            t.post();
        }
    }
    // Both notes lose their block signature.
    QByteArray dbt = dbfbytes::read(path("osoby.dbt"));
    for (int at = dbt.indexOf("\xFF\xFF\x08\x00"); at >= 0; at = dbt.indexOf("\xFF\xFF\x08\x00", at))
        dbt.replace(at, 4, "XXXX");
    QVERIFY(dbfbytes::write(path("osoby.dbt"), dbt));

    Table t;
    t.open(path("osoby.dbf"));
    TableModel model(&t, {"NAME", "INFO"});
    QSignalSpy failed(&model, &TableModel::readFailed);
    for (int row = 0; row < 2; ++row) {
        QVERIFY(!model.index(row, 1).data().isValid());
        QVERIFY(!model.index(row, 1).data().isValid());
    }
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("Kos"));
    QCOMPARE(failed.count(), 0); // not while painting
    QTRY_COMPARE(failed.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(failed.count(), 1);
    const QString message = failed.first().first().toString();
    QVERIFY2(message.contains("osoby.dbt") && message.contains("signature"), qPrintable(message));
}

void TestTable::writeOrderOnDisk_data()
{
    QTest::addColumn<QString>("change");
    // At each sync: the file synced, then what all files hold at that moment.
    QTest::addColumn<QStringList>("syncs");
    QTest::newRow("append with note") << "append with note"
                                      << QStringList{"osoby.dbt: note", "osoby.dbf: note record",
                                                     "osoby.dbf: note record count"};
    QTest::newRow("append") << "append" << QStringList{"osoby.dbf: record", "osoby.dbf: record count"};
    // An edit is journaled before the record is overwritten, and the journal
    // goes only once both files are durable.
    QTest::newRow("edit with note") << "edit with note"
                                    << QStringList{"osoby.jnl: note", "folder: note", "osoby.dbt: note record",
                                                   "osoby.dbf: note record", "folder: note record"};
}

void TestTable::writeOrderOnDisk()
{
    QFETCH(QString, change);
    QFETCH(QStringList, syncs);
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", ""}});

    QStringList seen;
    SyncWatch watch([&](int, const QString& file, filesync::Kind) {
        const QByteArray dbf = dbfbytes::read(path("osoby.dbf"));
        QStringList facts;
        if (dbfbytes::read(path("osoby.dbt")).contains("new note"))
            facts << "note";
        if (dbf.contains("Zofia"))
            facts << "record";
        if (dbfbytes::readLe32(dbf, 4) == 2)
            facts << "count";
        seen << (QFileInfo(file).isDir() ? QStringLiteral("folder") : QFileInfo(file).fileName()) + ": " +
                    facts.join(' ');
        return 0;
    });
    if (change.startsWith(u"append")) {
        t.insert();
        t.setInteger("NUMBER", 2);
    } else {
        t.edit();
    }
    t.setText("NAME", "Zofia");
    if (change.endsWith(u"with note"))
        t.setText("INFO", "new note");
    t.post();
    QCOMPARE(seen, syncs);
}

void TestTable::batchEndNeverThrows_data()
{
    QTest::addColumn<bool>("otherError");
    QTest::addColumn<QString>("caught");     // at the end of the batch's scope
    QTest::addColumn<QString>("nextChange"); // the error of the next change
    QTest::newRow("none on its way") << false << ""
                                     << "journal cannot be made durable";
    QTest::newRow("another on its way") << true << "other"
                                        << "";
}

void TestTable::batchEndNeverThrows()
{
    QFETCH(bool, otherError);
    QFETCH(QString, caught);
    QFETCH(QString, nextChange);
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", ""}});
    QString error;
    {
        // The batch's journal cannot be made durable: its commit fails and is undone.
        SyncWatch failing([](int fd, const QString& file, filesync::Kind kind) {
            if (!file.endsWith(u".jnl"))
                return kind == filesync::Kind::Data ? platform::syncData(fd) : platform::syncFull(fd);
            errno = EIO;
            return -1;
        });
        error = errorOf([&] {
            Table::Batch batch(t);
            t.edit();
            t.setText("NAME", "Batch");
            t.post();
            if (otherError)
                throw AppError("other");
        });
    }
    QCOMPARE(error, caught);
    QVERIFY(!t.displaySuspended());
    const QString next = errorOf([&] { t.edit(); });
    QVERIFY2(nextChange.isEmpty() ? next.isEmpty() : next.contains(nextChange), qPrintable(next));
    QVERIFY(errorOf([&] { t.edit(); }).isEmpty()); // reported once
    QCOMPARE(t.asText("NAME"), QStringLiteral("Nowak"));
    QVERIFY(!dbfbytes::read(path("osoby.dbf")).contains("Batch"));
}

void TestTable::failedChangeLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("append not durable") << "sync";
    QTest::newRow("append not counted") << "count";
    QTest::newRow("batch cut by a value that does not fit") << "field";
    QTest::newRow("batch cut by an error of the caller") << "caller";
}

// A failed append is not counted, in memory or on disk, so posting it again
// stores it once; a batch cut short by an error is undone whole.
void TestTable::failedChangeLeavesNothingBehind()
{
    QFETCH(QString, failure);
    Table t;
    t.open(path("osoby.dbf"));
    addPersons(t, {{1, "Anna", "Nowak", "Old"}, {2, "Jan", "Lis", "Old"}});
    const QByteArray before = dbfbytes::read(path("osoby.dbf"));
    const bool append = failure == "sync" || failure == "count";
    {
        SyncWatch failing(failure != "sync" ? filesync::Function() : [](int, const QString&, filesync::Kind) {
            errno = EIO;
            return -1;
        });
        const filesync::Hook hook = filesync::setHook([&](const filesync::Step& s) {
            errno = ENOSPC;
            return failure == "count" && s.offset == 1 ? -1 : 0; // the count and date
        });
        QVERIFY(!errorOf([&] {
                     if (append) {
                         t.insert();
                         t.setInteger("NUMBER", 3);
                         return t.post();
                     }
                     Table::Batch batch(t);
                     for (t.first(); !t.atEnd(); t.next()) {
                         t.edit();
                         t.setText("GROUP", t.currentRow() == 1 && failure == "field" ? QString(99, 'x') : "New");
                         t.post();
                         if (t.currentRow() == 1)
                             throw AppError("cut");
                     }
                 }).isEmpty());
        filesync::setHook(hook);
    }
    QCOMPARE(dbfbytes::read(path("osoby.dbf")), before);
    t.post();
    t.close();
    t.open(path("osoby.dbf"));
    QCOMPARE(numbersInOrder(t), (append ? QList<int>{1, 2, 3} : QList<int>{1, 2}));
    t.first();
    QCOMPARE(t.asText("GROUP"), QStringLiteral("Old"));
}

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
