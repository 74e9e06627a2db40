// Several desks on one database at once, against a real server: numbers
// taken by two processes, changes reaching the other desk, and an edit
// another desk overtook, through the persons page.

#include "PgCluster.h"
#include "pages/PageRig.h"

#include "config/AppError.h"
#include "data/TableLayouts.h"
#include "pages/NewNumbers.h"
#include "pages/PersonsPage.h"
#include "ui/DbEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <memory>

namespace {

constexpr int AddsPerDesk = 500;
const QString Database = QStringLiteral("pellaro_desks");

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), PgStore::Kind::Persons));
    return table;
}

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
