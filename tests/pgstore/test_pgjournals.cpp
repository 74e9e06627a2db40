// The site's card journal and audit trail, written by several desks at once.

#include "PgCluster.h"
#include "TablesTool.h"

#include "config/AppError.h"
#include "journal/CardJournal.h"
#include "journal/CardsInField.h"
#include "pgstore/PgConnection.h"
#include "pgstore/PgJournals.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace pgjournals;

class TestPgJournals : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cardsOfTwoDesks_data();
    void cardsOfTwoDesks();
    void auditOfDesksAtOnce_data();
    void auditOfDesksAtOnce();
    void auditOnlyGrows_data();
    void auditOnlyGrows();
    void trailShortOfItsHead_data();
    void trailShortOfItsHead();
    void olderSchema_data();
    void olderSchema();
    void lateCommitIsRead();

private:
    PgCluster m_cluster;
};

void TestPgJournals::init()
{
    QVERIFY2(m_cluster.isValid(), "no test server: run through ctest, which starts one");
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_journals")));
}

// Cards written at the gate and at the office land in one journal that
// names each desk; a card in the field keeps its number at the other desk
// until it is withdrawn; the backup's cards.log reads back the same lines.
void TestPgJournals::cardsOfTwoDesks_data()
{
    QTest::addColumn<QString>("officeOperation");
    QTest::addColumn<bool>("held");
    QTest::newRow("found at the office") << journal::FindUser << true;
    QTest::newRow("withdrawn at the office") << journal::RemoveOperation << false;
}

void TestPgJournals::cardsOfTwoDesks()
{
    QFETCH(QString, officeOperation);
    QFETCH(bool, held);
    const int system = 7;
    CardJournal gate(std::make_shared<CardJournalTable>(m_cluster.server(QStringLiteral("gate"))));
    CardJournal office(std::make_shared<CardJournalTable>(m_cluster.server(QStringLiteral("office"))));
    QString error;
    const QByteArray data(16, '\x01');
    QVERIFY2(gate.append({journal::ProgramOperation, 12, system, 0, QStringLiteral("Brama"), data,
                          journal::Verification::Verified},
                         &error),
             qPrintable(error));
    const bool written = officeOperation == journal::RemoveOperation;
    QVERIFY2(office.append({officeOperation, 12, system, 0, QStringLiteral("Brama"), written ? data : QByteArray(),
                            written ? journal::Verification::Verified : journal::Verification::None},
                           &error),
             qPrintable(error));

    const auto site = std::make_shared<CardJournalTable>(m_cluster.server(QStringLiteral("reception")));
    JournalReader reader(site);
    QVERIFY2(reader.refresh(&error), qPrintable(error));
    QStringList desks;
    for (const JournalEvent& e : reader.events()) {
        QVERIFY(!e.damaged());
        desks << e.desk;
    }
    QCOMPARE(desks, (QStringList{"gate", "office"}));
    QCOMPARE(field::heldNumbers(site, system).contains(12), held);

    QTemporaryDir dir;
    writeFiles(m_cluster.server({}), dir.path());
    JournalReader file(QDir(dir.path()).filePath(journal::FileName));
    QVERIFY2(file.refresh(&error), qPrintable(error));
    QCOMPARE(file.events().size(), reader.events().size());
    QCOMPARE(file.events().back().text, reader.events().back().text);
}

// Desks appending at the same moment, each on its own connection, make one
// unbroken chain, which the tool verifies on the database.
void TestPgJournals::auditOfDesksAtOnce_data()
{
    QTest::addColumn<int>("desks");
    QTest::newRow("one desk") << 1;
    QTest::newRow("four desks") << 4;
}

void TestPgJournals::auditOfDesksAtOnce()
{
    QFETCH(int, desks);
    const int eventsEach = 100;
    std::vector<std::thread> threads;
    std::atomic<int> failures = 0;
    for (int d = 0; d < desks; ++d) {
        threads.emplace_back([&, d] {
            audit::Log log;
            log.setStore(std::make_shared<AuditTrailTable>(m_cluster.server(QStringLiteral("desk%1").arg(d))));
            QString error;
            for (int i = 0; i < eventsEach; ++i)
                failures += log.append({QStringLiteral("change"), {}, QString::number(i), {}, {}}, &error) ? 0 : 1;
        });
    }
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(failures.load(), 0);

    QTemporaryDir dir;
    QVERIFY(m_cluster.writeConfig(dir.path()));
    const ToolRun verified = tables({"audit", "verify", dir.path()});
    QVERIFY2(verified.exitCode == 0, qPrintable(verified.output));
    QVERIFY2(verified.output.contains(QStringLiteral("events: %1\n").arg(desks * eventsEach)),
             qPrintable(verified.output));
}

// The trail only grows: the desks' role (as README sets it up) reads and
// adds lines and nothing more, and the owner changes or removes none either.
// Each line carries its row's desk and time inside its hash.
void TestPgJournals::auditOnlyGrows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("update") << "UPDATE audit_trail SET line = 'x'";
    QTest::newRow("delete") << "DELETE FROM audit_trail";
    QTest::newRow("truncate") << "TRUNCATE audit_trail";
}

void TestPgJournals::auditOnlyGrows()
{
    QFETCH(QString, statement);
    QString error;
    QVERIFY(m_cluster.adminExec(QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                                               "'pellaro_desk') THEN CREATE ROLE pellaro_desk LOGIN; END IF; END$$")));
    QVERIFY2(m_cluster.exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO "
                                           "pellaro_desk; GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO "
                                           "pellaro_desk; REVOKE UPDATE, DELETE ON audit_trail, pellaro_schema FROM "
                                           "pellaro_desk"),
                            &error),
             qPrintable(error));
    PgServer desk = m_cluster.server(QStringLiteral("gate"));
    desk.user = QStringLiteral("pellaro_desk");
    audit::Log log;
    log.setStore(std::make_shared<AuditTrailTable>(desk));
    for (int i = 0; i < 2; ++i)
        QVERIFY2(log.append({QStringLiteral("change"), {}, QString::number(i), {}, {}}, &error), qPrintable(error));
    QVERIFY(!m_cluster.exec(statement, &error));
    QVERIFY2(error.contains(QStringLiteral("only takes new rows")), qPrintable(error));
    QSqlQuery query(PgConnection::open(desk, QStringLiteral("as-desk"), QStringLiteral("test")));
    QVERIFY(!query.exec(statement));
    QVERIFY(query.exec(QStringLiteral("SELECT desk, written, line FROM audit_trail ORDER BY id")));
    int rows = 0;
    for (; query.next(); ++rows) {
        const QStringList f = audit::fields(query.value(2).toString().toUtf8());
        QCOMPARE(f[3], query.value(0).toString());
        QCOMPARE(f[0].left(19), query.value(1).toDateTime().toLocalTime().toString(Qt::ISODate));
    }
    QCOMPARE(rows, 2);
}

// Rows cut from the trail's end, or a fresh chain in its place, by someone
// who may drop its triggers: verify and the desk find it, and no line is added.
void TestPgJournals::trailShortOfItsHead_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("found");
    QTest::addColumn<int>("kind");
    const QString cut = QStringLiteral("ALTER TABLE audit_trail DISABLE TRIGGER USER; DELETE FROM audit_trail ");
    using Kind = audit::Log::Gap::Kind;
    QTest::newRow("the last two cut") << cut + "WHERE id > (SELECT min(id) FROM audit_trail)"
                                      << "2 events missing at the end" << int(Kind::Cut);
    QTest::newRow("emptied") << cut << "3 events missing at the end" << int(Kind::Cut);
    QTest::newRow("a fresh chain") << cut + "; INSERT INTO audit_trail (desk, line) SELECT 'x', line FROM fresh"
                                   << "the trail was replaced" << int(Kind::Replaced);
}

void TestPgJournals::trailShortOfItsHead()
{
    QFETCH(QString, statement);
    QFETCH(QString, found);
    QFETCH(int, kind);
    audit::Log log;
    log.setStore(std::make_shared<AuditTrailTable>(m_cluster.server(QStringLiteral("gate"))));
    QTemporaryDir dir;
    audit::Log fresh(QDir(dir.path()).filePath(audit::FileName));
    QString error;
    for (int i = 0; i < 4; ++i) {
        const audit::Event e{QStringLiteral("change"), {}, QString::number(i), {}, {}};
        QVERIFY2((i == 3 || log.append(e, &error)) && fresh.append(e, &error), qPrintable(error));
    }
    QByteArray lines;
    QVERIFY(fresh.content(&lines, &error));
    QVERIFY(m_cluster.exec(QStringLiteral("CREATE TABLE fresh AS SELECT unnest(string_to_array(rtrim('%1', E'\\n'), "
                                          "E'\\n')) AS line")
                               .arg(QString::fromUtf8(lines))));
    QVERIFY2(m_cluster.exec(statement, &error), qPrintable(error));

    QVERIFY(m_cluster.writeConfig(dir.path()));
    QVERIFY(QFile::remove(fresh.path()));
    const ToolRun verified = tables({"audit", "verify", dir.path()});
    QVERIFY2(verified.exitCode == 1 && verified.output.contains(found), qPrintable(verified.output));
    QCOMPARE(int(log.gap().kind), kind);
    QVERIFY(!log.append({QStringLiteral("change"), {}, {}, {}, {}}, &error));
    QVERIFY2(error.contains(QStringLiteral("audit_head")), qPrintable(error));
}

// A database of an older schema is refused with the way to bring it up to
// date; db init adds what it lacks, the trail's head set from its rows, and
// the desks work on it.
void TestPgJournals::olderSchema_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("statement");
    QTest::newRow("1") << 1 << "DROP TABLE card_journal, audit_trail, audit_head";
    QTest::newRow("3") << 3 << "DROP TABLE audit_head; DROP TRIGGER audit_trail_head ON audit_trail";
}

void TestPgJournals::olderSchema()
{
    QFETCH(int, version);
    QFETCH(QString, statement);
    QString error;
    audit::Log log;
    log.setStore(std::make_shared<AuditTrailTable>(m_cluster.server({})));
    QVERIFY2(log.append({QStringLiteral("change"), {}, {}, {}, {}}, &error), qPrintable(error));
    QVERIFY2(m_cluster.exec(statement, &error), qPrintable(error));
    QVERIFY(m_cluster.exec(QStringLiteral("UPDATE pellaro_schema SET version = %1").arg(version)));
    try {
        PgStore store(m_cluster.server({}), PgStore::Kind::Persons);
        QFAIL("an older database was opened");
    } catch (const AppError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("db init")), qPrintable(e.message()));
    }
    QTemporaryDir dir;
    QVERIFY(m_cluster.writeConfig(dir.path()));
    const ToolRun init = tables({"db", "init", dir.path()});
    QVERIFY2(init.exitCode == 0, qPrintable(init.output));
    QVERIFY2(tables({"db", "init", dir.path()}).exitCode == 1, "brought up to date twice");
    PgStore store(m_cluster.server({}), PgStore::Kind::Persons);
    qint64 row = 0;
    QVERIFY2(CardJournalTable(m_cluster.server({})).append("line", &row, &error), qPrintable(error));
    // The head counts every line the trail holds, the one of db init too.
    QVERIFY2(log.append({QStringLiteral("change"), {}, {}, {}, {}}, &error), qPrintable(error));
    const std::optional<audit::Head> head = log.store()->head(&error);
    QByteArray lines;
    QVERIFY2(head && head->present && log.content(&lines, &error), qPrintable(error));
    QCOMPARE(audit::verify(lines, {}, *head).brokenLine, 0);
}

// A desk whose line commits late (its insert took a lower id than a line
// another desk committed and a reader has read meanwhile): the reader still
// gets it, in the order of the ids.
void TestPgJournals::lateCommitIsRead()
{
    JournalReader reader(std::make_shared<CardJournalTable>(m_cluster.server(QStringLiteral("reception"))));
    QString error;
    const QString line = QStringLiteral("2024-03-05 14:07:09\tuser\tFind (user)\t%1\t7\t0\tStaff\t\t\t\t\t\t");
    {
        QSqlDatabase slow = PgConnection::open(m_cluster.server({}), QStringLiteral("slow"), QStringLiteral("slow"));
        QVERIFY(slow.transaction());
        QVERIFY(QSqlQuery(slow).exec(
            QStringLiteral("INSERT INTO card_journal (desk, line) VALUES ('slow', '%1')").arg(line.arg(1))));
        qint64 row = 0;
        QVERIFY2(
            CardJournalTable(m_cluster.server(QStringLiteral("gate"))).append(line.arg(2).toLatin1(), &row, &error),
            qPrintable(error));
        reader.refresh(&error); // may wait for the slow desk and give up
        QVERIFY(slow.commit());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("slow"));
    QVERIFY2(reader.refresh(&error), qPrintable(error));
    QStringList read;
    for (const JournalEvent& e : reader.events())
        read << e.desk + u' ' + QString::number(e.person);
    QCOMPARE(read, (QStringList{"slow 1", "gate 2"}));
}

QTEST_GUILESS_MAIN(TestPgJournals)
#include "test_pgjournals.moc"
