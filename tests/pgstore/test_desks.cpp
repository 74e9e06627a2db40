// Several desks on one database at once, against a real server: numbers
// taken by two processes and chosen beside another desk's additions, changes
// reaching the other desk, and an edit another desk overtook, through the
// persons page.

#include "PgCluster.h"
#include "TcpProxy.h"
#include "pages/PageRig.h"

#include "config/AppError.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "pages/GroupsPage.h"
#include "pages/NewNumbers.h"
#include "pages/PersonsPage.h"
#include "pages/ReadersPage.h"
#include "pgstore/PgConnection.h"
#include "ui/DbEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <memory>

namespace {

const QString Database = QStringLiteral("pellaro_desks");

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk, PgStore::Kind kind = PgStore::Kind::Persons)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), kind));
    return table;
}

// A sheet of persons without numbers, as an HR system gives it.
QByteArray personsSheet(const QByteArray& desk, int count)
{
    QByteArray sheet = "NAME,SURNAME\r\n";
    for (int i = 1; i <= count; ++i)
        sheet += desk + ",Person " + QByteArray::number(i) + "\r\n";
    return sheet;
}

QList<qint64> storedNumbers(Table& table, const QString& field)
{
    table.refresh();
    QList<qint64> numbers;
    for (const QVariantList& values : table.storedRecords({table.fieldPosition(field)}))
        numbers.append(values.at(0).toLongLong());
    return numbers;
}

void addPerson(Table& table, int number, const QString& name)
{
    table.insert();
    table.setInteger(PersonField::Number, number);
    table.setText(PersonField::FamilyName, name);
    table.post();
}

// A desk of its own process: adds persons the way the persons page does
// (add), or imports a sheet of them as the window and the tool do (import).
int addPersons(const QString& how, const QString& desk, int count)
{
    PgCluster cluster;
    cluster.useDatabase(Database);
    auto table = openDesk(cluster, desk);
    if (how == u"import")
        return exchange::importPersons(*table, *openDesk(cluster, desk, PgStore::Kind::Groups),
                                       personsSheet(desk.toUtf8(), count))
                           .added == count
                   ? 0
                   : 1;
    for (int i = 0; i < count; ++i)
        pages::addNumbered(*table, PersonField::Number, {},
                           [&](qint64) { table->setText(PersonField::FamilyName, desk); });
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
    void numbersAddedAtOnce_data();
    void numbersAddedAtOnce();
    void numberBesideOtherDesk_data();
    void numberBesideOtherDesk();
    void commitUnanswered_data();
    void commitUnanswered();
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

void TestDesks::numbersAddedAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("perDesk");
    QTest::newRow("Add, one by one") << "add" << 500;
    QTest::newRow("imported sheets") << "import" << 300;
}

void TestDesks::numbersAddedAtOnce()
{
    QFETCH(QString, how);
    QFETCH(int, perDesk);
    QList<std::shared_ptr<QProcess>> desks;
    for (const char* desk : {"gate", "office"}) {
        auto process = std::make_shared<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("add-persons"), how, QString::fromLatin1(desk), QString::number(perDesk)});
        desks << process;
    }
    for (const auto& process : desks) {
        QVERIFY(process->waitForFinished(240000));
        QCOMPARE(process->exitCode(), 0);
    }
    auto check = openDesk(m_cluster, QStringLiteral("check"));
    const QList<qint64> numbers = storedNumbers(*check, PersonField::Number);
    QCOMPARE(QSet<qint64>(numbers.begin(), numbers.end()).size(), 2 * perDesk);
}

// The office's rows are stale: the gate added a record it has not read (for
// the import: while its question stands open). What the office adds is
// numbered from the records as stored.
void TestDesks::numberBesideOtherDesk_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("field");
    QTest::newRow("persons imported") << int(PgStore::Kind::Persons) << PersonField::Number;
    QTest::newRow("group") << int(PgStore::Kind::Groups) << GroupField::Id;
    QTest::newRow("reader") << int(PgStore::Kind::Readers) << ReaderField::Number;
}

void TestDesks::numberBesideOtherDesk()
{
    QFETCH(int, kind);
    QFETCH(QString, field);
    PageRig office;
    Table* tables[] = {&office.tables.persons, &office.tables.groups, &office.tables.readers};
    for (int k = 0; k < 3; ++k)
        tables[k]->open(std::make_unique<PgStore>(m_cluster.server(QStringLiteral("office")), PgStore::Kind(k)));
    GroupsPage groups(office.tables.groups, office.tables.persons, office.tables.readers, office.ui.ui, office.state);
    ReadersPage readers(office.tables.readers, groups, office.ui.ui, office.state, office.link, office.journal);
    auto gate = openDesk(m_cluster, QStringLiteral("gate"), PgStore::Kind(kind));
    const auto gateAdds = [&] {
        pages::addWithNumber(
            *gate, field, [] { return 1; }, [](qint64) {});
    };
    MessageBox::setRecording(true);
    if (PgStore::Kind(kind) == PgStore::Kind::Persons) {
        const auto asked = [&](int, const QString&, const QString&) { return gateAdds(), true; };
        QCOMPARE(exchange::importPersons(*tables[0], *tables[1], personsSheet("office", 2), {}, asked).added, 2);
    } else {
        gateAdds();
        QVERIFY(MessageBox::guarded([&] { kind == 1 ? groups.Button1Click() : readers.Button6Click(); }));
        QCOMPARE(tables[kind]->asInteger(field), 2); // shown under the number stored
    }
    QCOMPARE(MessageBox::takeShown().size(), 0);
    const QList<qint64> numbers = storedNumbers(*gate, field);
    QCOMPARE(QSet<qint64>(numbers.begin(), numbers.end()).size(), numbers.size());
}

// The link to the office goes at the commit of its Add: it is told the person
// may have been stored, and Add pressed again makes no second person.
void TestDesks::commitUnanswered_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("storedAtFirst");
    QTest::newRow("stored, the answer lost") << int(TcpProxy::CutAfterCommit) << true;
    QTest::newRow("lost on its way") << int(TcpProxy::CutBeforeCommit) << false;
}

void TestDesks::commitUnanswered()
{
    QFETCH(int, cut);
    QFETCH(bool, storedAtFirst);
    TcpProxy proxy(m_cluster.server({}).host + QStringLiteral("/.s.PGSQL.5432"));
    PgServer server{QStringLiteral("127.0.0.1"), proxy.port(), Database, QStringLiteral("pellaro"), {}, "office"};
    const QString where = Database + QStringLiteral(" on 127.0.0.1");
    PageRig office;
    office.tables.persons.open(std::make_unique<PgStore>(server, PgStore::Kind::Persons));
    office.tables.groups.open(std::make_unique<PgStore>(server, PgStore::Kind::Groups));
    office.tables.bind(office.ui);
    PersonsPage page(office.tables.persons, office.tables.groups, office.ui.ui, office.state, office.link,
                     office.journal);
    const TextSlots& t = office.state.TextSlots;
    PgConnection::setCommitTexts(
        {t[Text::DatabaseCommitUncertain], t[Text::DatabaseStoredAfterAll], t[Text::DatabaseCommitUndecided]});
    MessageBox::setRecording(true);
    proxy.setMode(TcpProxy::Mode(cut));
    QVERIFY(!MessageBox::guarded([&] { page.Button9Click(); }));
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QVERIFY(shown.size() == 1 &&
            shown[0].text.startsWith(t[Text::DatabaseCommitUncertain].section("%2", 0, 0).arg(where)));
    // The server has ended the office's old session, and with it its transaction.
    QTRY_VERIFY(m_cluster.exec(QStringLiteral("SELECT 1 / (count(*) = 0)::int FROM pg_stat_activity WHERE "
                                              "application_name = 'pellaro:office' AND state <> 'idle'")));
    auto check = openDesk(m_cluster, QStringLiteral("check"));
    QCOMPARE(check->rowCount(), storedAtFirst ? 1 : 0);

    QCOMPARE(MessageBox::guarded([&] { page.Button9Click(); }), !storedAtFirst);
    QCOMPARE(shownMessages(),
             storedAtFirst ? QStringList{t[Text::DatabaseStoredAfterAll].arg(where) + "|Error"} : QStringList());
    QCOMPARE(storedNumbers(*check, PersonField::Number), QList<qint64>{1});
    QTRY_COMPARE(office.tables.persons.asInteger(PersonField::Number), 1);
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
    PersonsPage page(office.tables.persons, office.tables.groups, office.ui.ui, office.state, office.link,
                     office.journal);
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

// Run with add-persons add|import DESK COUNT, the test is one desk of numbersAddedAtOnce.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "add-persons") {
        try {
            return addPersons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
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
