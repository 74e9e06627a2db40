// Several desks on one database at once, against a real server: numbers
// taken by two processes, changes reaching the other desk, and an edit
// another desk overtook, through the persons page.

#include "PgCluster.h"
#include "pages/PageRig.h"

#include "config/AppError.h"
#include "data/TableLayouts.h"
#include "pages/GroupsPage.h"
#include "pages/NewNumbers.h"
#include "pages/PersonsPage.h"
#include "pages/ReadersPage.h"
#include "ui/DbEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int AddsPerDesk = 500;
const QString Database = QStringLiteral("pellaro_desks");

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk, PgStore::Kind kind = PgStore::Kind::Persons)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), kind));
    return table;
}

// The NAME of every stored record, in order.
QStringList storedNames(PgCluster& cluster, PgStore::Kind kind)
{
    auto table = openDesk(cluster, QStringLiteral("check"), kind);
    QStringList names;
    for (const QVariantList& values : table->storedRecords({table->fieldPosition(QStringLiteral("NAME"))}))
        names << values.at(0).toString().trimmed();
    return names;
}

// A desk's pages on the test database, as one window holds them.
struct OfficeDesk
{
    explicit OfficeDesk(PgCluster& cluster)
    {
        const PgServer server = cluster.server(QStringLiteral("office"));
        rig.tables.persons.open(std::make_unique<PgStore>(server, PgStore::Kind::Persons));
        rig.tables.groups.open(std::make_unique<PgStore>(server, PgStore::Kind::Groups));
        rig.tables.readers.open(std::make_unique<PgStore>(server, PgStore::Kind::Readers));
        rig.tables.bind(rig.ui);
        persons = std::make_unique<PersonsPage>(rig.tables.persons, rig.tables.groups, rig.ui.ui, rig.state, rig.link,
                                                rig.journal);
        groups = std::make_unique<GroupsPage>(rig.tables.groups, rig.tables.persons, rig.tables.readers, rig.ui.ui,
                                              rig.state);
        readers = std::make_unique<ReadersPage>(rig.tables.readers, *groups, rig.ui.ui, rig.state, rig.link,
                                                rig.journal);
    }

    PageRig rig;
    std::unique_ptr<PersonsPage> persons;
    std::unique_ptr<GroupsPage> groups;
    std::unique_ptr<ReadersPage> readers;
};

void addPerson(Table& table, int number, const QString& name)
{
    table.insert();
    table.setInteger(PersonField::Number, number);
    table.setText(PersonField::FamilyName, name);
    table.post();
}

// A desk of its own process: adds persons the way the persons page does.
int addPersons(const QString& desk)
{
    PgCluster cluster;
    cluster.useDatabase(Database);
    auto table = openDesk(cluster, desk);
    for (int i = 0; i < AddsPerDesk; ++i)
        pages::addNumbered(*table, PersonField::Number, {}, [&](qint64) {
            table->setText(PersonField::FamilyName, desk);
        });
    return 0;
}

QString familyName(Table& table)
{
    return table.asText(PersonField::FamilyName).trimmed();
}

} // namespace

class TestDesks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void numbersAddedAtOnce();
    void changeReachesOtherDesk_data();
    void changeReachesOtherDesk();
    void overtakenEdit_data();
    void overtakenEdit();
    void keepEditingStoresOwnFields_data();
    void keepEditingStoresOwnFields();
    void confirmedDeleteActsOnNamedRecord_data();
    void confirmedDeleteActsOnNamedRecord();
    void noticesArePaced();

private:
    PgCluster m_cluster;
};

void TestDesks::init()
{
    QVERIFY2(m_cluster.isValid(), "no test server: run through ctest, which starts one");
    QVERIFY(m_cluster.freshDatabase(Database));
}

void TestDesks::numbersAddedAtOnce()
{
    QList<std::shared_ptr<QProcess>> desks;
    for (const char* desk : {"gate", "office"}) {
        auto process = std::make_shared<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("add-persons"), QString::fromLatin1(desk)});
        desks << process;
    }
    for (const auto& process : desks) {
        QVERIFY(process->waitForFinished(240000));
        QCOMPARE(process->exitCode(), 0);
    }
    auto check = openDesk(m_cluster, QStringLiteral("check"));
    QSet<qint64> numbers;
    for (const QVariantList& values : check->storedRecords({check->fieldPosition(PersonField::Number)}))
        numbers.insert(values.at(0).toLongLong());
    QCOMPARE(check->rowCount(), 2 * AddsPerDesk);
    QCOMPARE(numbers.size(), 2 * AddsPerDesk);
}

// The gate stores a change; the office sees it without doing anything, on
// the record it stands on, its search kept, and what it has typed is never
// overwritten: it shows the gate's value once it cancels.
void TestDesks::changeReachesOtherDesk_data()
{
    QTest::addColumn<bool>("searching");
    QTest::addColumn<bool>("typing");
    QTest::addColumn<bool>("notified"); // false: the change bypasses the program, found by the periodic check

    QTest::newRow("browsing") << false << false << true;
    QTest::newRow("searching") << true << false << true;
    QTest::newRow("typing") << false << true << true;
    QTest::newRow("unannounced, found by the check") << false << false << false;
}

void TestDesks::changeReachesOtherDesk()
{
    QFETCH(bool, searching);
    QFETCH(bool, typing);
    QFETCH(bool, notified);
    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*gate, 1, QStringLiteral("Adams"));
    addPerson(*gate, 2, QStringLiteral("Baker"));
    addPerson(*gate, 3, QStringLiteral("Bell"));
    auto office = openDesk(m_cluster, QStringLiteral("office"));
    office->setCheckInterval(std::chrono::milliseconds(0)); // the test runs the check itself
    if (searching) {
        office->setPrefixFilter(PersonField::FamilyName, QStringLiteral("bel"));
        office->setFilterActive(true);
    }
    QVERIFY(office->locate(PersonField::Number, 3));
    if (typing) {
        office->edit();
        office->setText(PersonField::FirstName, QStringLiteral("Typed"));
    }

    if (notified) { // Adams goes; Bell is renamed
        gate->first();
        gate->remove();
        QVERIFY(gate->locate(PersonField::Number, 3));
        gate->edit();
        gate->setText(PersonField::FamilyName, QStringLiteral("Bellamy"));
        gate->post();
    } else {
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM persons WHERE \"NUMBER\" = 1")));
        QVERIFY(m_cluster.exec(QStringLiteral("UPDATE persons SET \"NAME\" = 'Bellamy', version = version + 1 "
                                              "WHERE \"NUMBER\" = 3")));
        office->checkForChanges();
        QCOMPARE(familyName(*office), QStringLiteral("Bellamy"));
    }
    if (typing) {
        QTest::qWait(300);
        QCOMPARE(office->asText(PersonField::FirstName), QStringLiteral("Typed"));
        QCOMPARE(office->state(), Table::State::Editing);
        office->cancel();
    }
    QTRY_COMPARE_WITH_TIMEOUT(familyName(*office), QStringLiteral("Bellamy"), 3000);
    QCOMPARE(office->asInteger(PersonField::Number), 3);
    QCOMPARE(office->rowCount(), searching ? 1 : 2);
    QCOMPARE(office->filterActive(), searching);
}

// The gate stores its change while the office is typing over the same
// person on its persons page: the office's Confirm stores nothing and asks,
// naming the gate and what it stored; each answer does what it says.
void TestDesks::overtakenEdit_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("storedAfterNextConfirm");

    QTest::newRow("reload") << 0 << "Gatekeeper" << "Gatekeeper";
    QTest::newRow("keep editing") << 1 << "Officer" << "Officer";
    QTest::newRow("escape keeps editing") << -1 << "Officer" << "Officer";
}

void TestDesks::overtakenEdit()
{
    QFETCH(int, answer);
    QFETCH(QString, shown);
    QFETCH(QString, storedAfterNextConfirm);
    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*gate, 1, QStringLiteral("Adams"));

    PageRig office;
    office.tables.persons.open(std::make_unique<PgStore>(m_cluster.server(QStringLiteral("office")), PgStore::Kind::Persons));
    office.tables.groups.open(std::make_unique<PgStore>(m_cluster.server(QStringLiteral("office")), PgStore::Kind::Groups));
    office.tables.bind(office.ui);
    PersonsPage page(office.tables.persons, office.tables.groups, office.ui.ui, office.state, office.link, office.journal);
    MessageBox::setRecording(true);
    page.SpeedButton4Click();
    office.ui.ui.DBEdit2->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Officer"));
    QApplication::sendEvent(office.ui.ui.DBEdit2, &typed);

    gate->edit();
    gate->setText(PersonField::FamilyName, QStringLiteral("Gatekeeper"));
    gate->post();

    MessageBox::setNextAnswer(answer);
    QVERIFY(!MessageBox::guarded([&] { page.SpeedButton3Click(); }));
    const QList<MessageBox::Shown> asked = MessageBox::takeShown();
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].text.contains(QStringLiteral("\"gate\"")) && asked[0].text.contains(QStringLiteral("Gatekeeper")),
             qPrintable(asked[0].text));
    QCOMPARE(asked[0].answers.size(), 2);
    auto check = openDesk(m_cluster, QStringLiteral("check"));
    QCOMPARE(familyName(*check), QStringLiteral("Gatekeeper")); // nothing overwritten unasked
    QCOMPARE(office.ui.ui.DBEdit2->text(), shown);

    QVERIFY(MessageBox::guarded([&] { page.SpeedButton3Click(); }));
    QVERIFY(MessageBox::takeShown().isEmpty());
    check->refresh();
    QCOMPARE(familyName(*check), storedAfterNextConfirm);
    MessageBox::setRecording(false);
}

// The gate changes other fields of the person, or the same one, while the
// office edits the family name; the office keeps editing. The question lists
// every field the gate changed, with both values where both desks changed
// it, and the office's next Confirm stores its own change and nothing else.
void TestDesks::keepEditingStoresOwnFields_data()
{
    QTest::addColumn<QStringList>("gateStores"); // FIELD=value
    QTest::addColumn<QStringList>("asked");      // lines the question holds
    QTest::addColumn<QStringList>("stored");     // FIELD=value after the office's Confirm

    QTest::newRow("index and group kept")
        << QStringList{"INDEX=1", "GROUP=Board"}
        << QStringList{"Number of duplicates: stored now \"1\"", "Group: stored now \"Board\""}
        << QStringList{"NAME=Officer", "INDEX=1", "GROUP=Board"};
    QTest::newRow("note kept") << QStringList{"INFO=Night shift", "SURNAME=Ann"}
                               << QStringList{"Comments: stored now \"Night shift\"", "Name: stored now \"Ann\""}
                               << QStringList{"NAME=Officer", "INFO=Night shift", "SURNAME=Ann"};
    QTest::newRow("changed at both desks")
        << QStringList{"NAME=Gatekeeper", "INDEX=2"}
        << QStringList{"Surename: yours \"Officer\", stored now \"Gatekeeper\"",
                       "Number of duplicates: stored now \"2\""}
        << QStringList{"NAME=Officer", "INDEX=2"};
}

void TestDesks::keepEditingStoresOwnFields()
{
    QFETCH(QStringList, gateStores);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, stored);
    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*gate, 1, QStringLiteral("Adams"));
    gate->edit();
    gate->setText(PersonField::Group, QStringLiteral("Visitors"));
    gate->post();

    OfficeDesk office(m_cluster);
    MessageBox::setRecording(true);
    office.persons->SpeedButton4Click();
    office.rig.ui.ui.DBEdit2->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Officer"));
    QApplication::sendEvent(office.rig.ui.ui.DBEdit2, &typed);

    gate->edit();
    for (const QString& change : gateStores)
        gate->setText(change.section(u'=', 0, 0), change.section(u'=', 1));
    gate->post();

    MessageBox::setNextAnswer(1); // keep editing
    QVERIFY(!MessageBox::guarded([&] { office.persons->SpeedButton3Click(); }));
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    for (const QString& line : asked)
        QVERIFY2(shown[0].text.contains(line), qPrintable(shown[0].text));
    QVERIFY(MessageBox::guarded([&] { office.persons->SpeedButton3Click(); }));
    QVERIFY(MessageBox::takeShown().isEmpty());
    MessageBox::setRecording(false);

    auto check = openDesk(m_cluster, QStringLiteral("check"));
    for (const QString& value : stored)
        QCOMPARE(check->asText(value.section(u'=', 0, 0)).trimmed(), value.section(u'=', 1));
}

// The office asks "Delete Bravo?"; while the question is open the gate
// removes or changes Bravo, or changes it behind the program's back. The
// answer deletes Bravo as asked about or nothing, never the record a re-read
// put at its place, and the operator is told why nothing was deleted. On the
// groups page nobody's group moves then.
void TestDesks::confirmedDeleteActsOnNamedRecord_data()
{
    QTest::addColumn<int>("kind"); // PgStore::Kind
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<int>("told"); // the text slot, -1 for nothing

    const struct
    {
        const char* name;
        PgStore::Kind kind;
    } pages[] = {{"persons", PgStore::Kind::Persons},
                 {"groups", PgStore::Kind::Groups},
                 {"readers", PgStore::Kind::Readers}};
    for (const auto& page : pages) {
        const int kind = int(page.kind);
        QTest::addRow("%s: nothing meanwhile", page.name)
            << kind << "nothing" << QStringList{"Alpha", "Charlie"} << -1;
        QTest::addRow("%s: removed meanwhile", page.name)
            << kind << "removed" << QStringList{"Alpha", "Charlie"} << int(Text::AskedRecordRemoved);
        QTest::addRow("%s: renamed meanwhile", page.name)
            << kind << "renamed" << QStringList{"Alpha", "Bravo 2", "Charlie"} << int(Text::AskedRecordChanged);
        QTest::addRow("%s: changed unannounced", page.name)
            << kind << "unannounced" << QStringList{"Alpha", "Bravo", "Charlie"} << int(Text::AskedRecordChanged);
    }
}

void TestDesks::confirmedDeleteActsOnNamedRecord()
{
    QFETCH(int, kind);
    QFETCH(QString, meanwhile);
    QFETCH(QStringList, stored);
    QFETCH(int, told);
    const auto table = PgStore::Kind(kind);
    const QString number = table == PgStore::Kind::Persons  ? PersonField::Number
                           : table == PgStore::Kind::Groups ? GroupField::Id
                                                            : ReaderField::Number;
    auto gate = openDesk(m_cluster, QStringLiteral("gate"), table);
    int n = 0;
    for (const char* name : {"Alpha", "Bravo", "Charlie"}) {
        gate->insert();
        gate->setInteger(number, ++n);
        gate->setText(QStringLiteral("NAME"), QString::fromLatin1(name));
        gate->post();
    }
    auto members = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*members, 10, QStringLiteral("Pat"));
    members->edit();
    members->setText(PersonField::Group, QStringLiteral("Charlie"));
    members->post();

    OfficeDesk office(m_cluster);
    Table& shown = table == PgStore::Kind::Persons  ? office.rig.tables.persons
                   : table == PgStore::Kind::Groups ? office.rig.tables.groups
                                                    : office.rig.tables.readers;
    QVERIFY(shown.locate(QStringLiteral("NAME"), QStringLiteral("Bravo"), Qt::CaseSensitive));
    QSignalSpy rereads(&shown, &Table::rowsReset);
    bool reread = true;
    MessageBox::setRecording(true);
    MessageBox::setNextAnswer(0);
    MessageBox::whileNextAsked([&] {
        if (meanwhile == "unannounced") {
            QVERIFY(m_cluster.exec(QStringLiteral("UPDATE %1 SET version = version + 1 WHERE \"NAME\" = 'Bravo'")
                                       .arg(table == PgStore::Kind::Persons  ? "persons"
                                            : table == PgStore::Kind::Groups ? "groups"
                                                                             : "readers")));
            return;
        }
        if (meanwhile == "nothing")
            return;
        QVERIFY(gate->locate(QStringLiteral("NAME"), QStringLiteral("Bravo"), Qt::CaseSensitive));
        if (meanwhile == "removed") {
            gate->remove();
        } else {
            gate->edit();
            gate->setText(QStringLiteral("NAME"), QStringLiteral("Bravo 2"));
            gate->post();
        }
        // The office hears of it while its question is open.
        reread = QTest::qWaitFor([&] { return rereads.count() > 0; }, 5000);
    });
    QVERIFY(MessageBox::guarded([&] {
        if (table == PgStore::Kind::Persons)
            office.persons->Button7Click();
        else if (table == PgStore::Kind::Groups)
            office.groups->Button10Click();
        else
            office.readers->Button8Click();
    }));
    QVERIFY(reread);
    QCOMPARE(storedNames(m_cluster, table), stored + (table == PgStore::Kind::Persons ? QStringList{"Pat"} : QStringList{}));
    QStringList messages = shownMessages();
    QCOMPARE(messages.size(), told < 0 ? 1 : 2); // the question, and why nothing was deleted
    if (told >= 0) {
        const QString what = table == PgStore::Kind::Persons  ? QStringLiteral("Bravo (2)")
                             : table == PgStore::Kind::Groups ? QStringLiteral("\"Bravo\"")
                                                              : QStringLiteral("\"Bravo\" (2)");
        QCOMPARE(messages.last().section(u'|', 0, 0), office.rig.state.TextSlots[told].arg(what));
    }
    MessageBox::setRecording(false);
    auto check = openDesk(m_cluster, QStringLiteral("check"));
    QVERIFY(check->locate(PersonField::Number, 10));
    QCOMPARE(check->asText(PersonField::Group).trimmed(), QStringLiteral("Charlie"));
}

// A burst of the gate's changes costs the office one re-read at once and
// one more when the pace has passed, which shows the last of them.
void TestDesks::noticesArePaced()
{
    auto gate = openDesk(m_cluster, QStringLiteral("gate"));
    addPerson(*gate, 1, QStringLiteral("Adams"));
    auto office = openDesk(m_cluster, QStringLiteral("office"));
    office->setCheckInterval(std::chrono::milliseconds(0));
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    QList<std::function<void()>> held;
    office->setRereadPace([&now] { return now; },
                          [&held](std::chrono::milliseconds wait, std::function<void()> reread) {
                              QCOMPARE(wait, Table::RereadPace);
                              held << reread;
                          });
    QSignalSpy rereads(office.get(), &Table::rowsReset);
    for (int i = 1; i <= 5; ++i) {
        gate->edit();
        gate->setText(PersonField::FamilyName, QStringLiteral("Adams %1").arg(i));
        gate->post();
        QTest::qWait(200); // the notice reaches the office
    }
    QCOMPARE(rereads.count(), 1);
    QCOMPARE(familyName(*office), QStringLiteral("Adams 1"));
    QCOMPARE(held.size(), 1);
    now += Table::RereadPace;
    held.takeFirst()();
    QTRY_COMPARE(familyName(*office), QStringLiteral("Adams 5"));
    QCOMPARE(rereads.count(), 2);
    QVERIFY(held.isEmpty());
}

// Run with add-persons DESK, the test is one desk of numbersAddedAtOnce.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "add-persons") {
        try {
            return addPersons(QString::fromLocal8Bit(argv[2]));
        } catch (const AppError& e) {
            qWarning("%s", qPrintable(e.message()));
            return 1;
        }
    }
    TestDesks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_desks.moc"
