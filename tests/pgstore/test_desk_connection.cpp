// A desk's connection to the shared database in the operator's hands: the
// password the server asks for, and a connection lost while the operator works.

#include "PgCluster.h"
#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include "config/AppError.h"
#include "data/TableLayouts.h"
#include "ui/DbEdit.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

namespace {

const QString Database = QStringLiteral("desk_connection");
const QString PasswordRole = QStringLiteral("desk_pw");
const QString Password = QStringLiteral("Sekret-1");

QByteArray config(const PgServer& server, const QString& user, const QByteArray& more = {})
{
    return "[PASSWORD]\r\nsys_nr=123456\r\n[Language]\r\nLanguage=English\r\n" + more + "[DATABASE]\r\nDriver=PostgreSQL\r\nHost=" +
           server.host.toUtf8() + "\r\nName=" + server.name.toUtf8() + "\r\nUser=" + user.toUtf8() + "\r\n";
}

QStringList storedFirstNames(const PgCluster& cluster)
{
    Table table;
    table.open(std::make_unique<PgStore>(cluster.server(QStringLiteral("check")), PgStore::Kind::Persons));
    QStringList names;
    for (const QVariantList& values : table.storedRecords({table.fieldPosition(PersonField::FirstName)}))
        names.append(values.at(0).toString());
    return names;
}

// Answers the password boxes as they come, one answer each ("" cancels),
// and keeps what each box asked.
struct PasswordTyping
{
    QStringList answers;
    QStringList asked;
    QTimer timer;

    explicit PasswordTyping(QStringList typed) : answers(std::move(typed))
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box || box->objectName() != QLatin1String("DatabasePassword") || !box->isVisible())
                return;
            asked.append(box->labelText());
            const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
            if (box->textEchoMode() != QLineEdit::Password || answer.isEmpty()) {
                box->reject();
                return;
            }
            box->setTextValue(answer);
            box->accept();
        });
        timer.start();
    }
};

} // namespace

class TestDeskConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBox::setRecording(true);
        QVERIFY2(m_cluster.isValid(), "the test server's state file (PELLARO_PG_STATE) names no server");
        QVERIFY(m_cluster.freshDatabase(Database));
        // A role the server asks a password of; the test's own role stays trusted.
        m_cluster.adminExec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(PasswordRole));
        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER ROLE %1 PASSWORD '%2'").arg(PasswordRole, Password)));
        QVERIFY(m_cluster.exec(QStringLiteral("GRANT ALL ON ALL TABLES IN SCHEMA public TO %1; "
                                              "GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO %1")
                                   .arg(PasswordRole)));
        const QString hba = m_cluster.server({}).host + QStringLiteral("/data/pg_hba.conf");
        writeFile(hba, "local all " + PasswordRole.toUtf8() + " scram-sha-256\n" + readFile(hba));
        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_reload_conf()")));
        PgServer server = m_cluster.server({});
        server.user = PasswordRole;
        QTRY_VERIFY(!PgConnection::canLogIn(server, nullptr));
    }

    void cleanupTestCase() { qunsetenv("PGPASSFILE"); }

    // The password comes from the password file, or is asked once in a
    // masked box; a wrong one is told and asked again; none ends the start.
    // It is never written to config.ini.
    void databasePassword_data()
    {
        QTest::addColumn<QByteArray>("passwordFile");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("opens");
        QTest::newRow("from the password file") << ("*:*:*:" + PasswordRole.toUtf8() + ":" + Password.toUtf8() + "\n")
                                                << QStringList() << 0 << true;
        QTest::newRow("asked") << QByteArray() << QStringList{Password} << 1 << true;
        QTest::newRow("wrong, then right") << QByteArray() << QStringList{QStringLiteral("Sekret-2"), Password} << 2
                                           << true;
        QTest::newRow("wrong in the file") << QByteArray("*:*:*:" + PasswordRole.toUtf8() + ":stale\n")
                                           << QStringList{Password} << 1 << true;
        QTest::newRow("cancelled") << QByteArray() << QStringList{QString()} << 1 << false;
    }

    void databasePassword()
    {
        QFETCH(QByteArray, passwordFile);
        QFETCH(QStringList, typed);
        QFETCH(int, boxes);
        QFETCH(bool, opens);
        QVERIFY(renewWorkingDirectory(m_dir, config(m_cluster.server({}), PasswordRole)));
        const QString pgpass = m_dir->filePath(QStringLiteral("pgpass"));
        if (!passwordFile.isEmpty()) {
            writeFile(pgpass, passwordFile);
            QFile::setPermissions(pgpass, QFile::ReadOwner | QFile::WriteOwner);
        }
        qputenv("PGPASSFILE", pgpass.toLocal8Bit());

        PasswordTyping typing(typed);
        std::unique_ptr<TForm1> form;
        QString error;
        try {
            form = std::make_unique<TForm1>();
        } catch (const AppError& e) {
            error = e.message();
        }
        QCOMPARE(typing.asked.size(), boxes);
        if (boxes > 1)
            QVERIFY2(typing.asked.last().contains(QLatin1String("did not accept")), qPrintable(typing.asked.last()));
        QCOMPARE(bool(form), opens);
        if (opens)
            QVERIFY(form->findChild<Table*>(QStringLiteral("Table1"))->isOpen());
        else
            QVERIFY2(error.contains(QLatin1String("cannot be opened without the password")), qPrintable(error));
        form.reset();
        QVERIFY(!readFile(QStringLiteral("config.ini")).contains(Password.toUtf8()));
    }

    // A connection cut while the operator types: the change is refused
    // naming the server, what was typed stays in the record and on screen,
    // and the next post, on a connection opened again, stores it.
    void lostConnection_data()
    {
        QTest::addColumn<bool>("newPerson");
        QTest::addColumn<QStringList>("storedBefore");
        QTest::addColumn<QStringList>("storedAfter");
        QTest::newRow("edit") << false << QStringList{QStringLiteral("Anna")} << QStringList{QStringLiteral("Berta")};
        // The new person's number is stored at once; the name typed after it pends.
        QTest::newRow("new person") << true << QStringList{QStringLiteral("Anna"), QString()}
                                    << QStringList{QStringLiteral("Anna"), QStringLiteral("Berta")};
    }

    void lostConnection()
    {
        QFETCH(bool, newPerson);
        QFETCH(QStringList, storedBefore);
        QFETCH(QStringList, storedAfter);
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM persons")));
        QVERIFY(m_cluster.exec(QStringLiteral("INSERT INTO persons (\"NUMBER\", \"SURNAME\", \"GROUP\") "
                                              "VALUES (1, 'Anna', 'Lack of assignment!')")));
        QVERIFY(renewWorkingDirectory(m_dir, config(m_cluster.server({}), QStringLiteral("pellaro"))));
        Program p(TForm1::Role::Administrator);
        MainWindowUi& ui = p.ui();
        Table& persons = p.table("Table1");
        p.click(ui.SpeedButton4);
        if (newPerson)
            p.click(ui.Button9);
        ui.DBEdit8->setFocus();
        ui.DBEdit8->selectAll();
        QTest::keyClicks(ui.DBEdit8, QStringLiteral("Berta"));
        QVERIFY(persons.state() != Table::State::Browsing);

        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                                   "WHERE datname = '%1'").arg(Database)));
        p.click(ui.SpeedButton3);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("The database at %1 on ").arg(Database)) &&
                     shown[0].text.contains(QLatin1String("cannot be reached")),
                 qPrintable(shown[0].text));
        QVERIFY(persons.state() != Table::State::Browsing);
        QCOMPARE(ui.DBEdit8->text(), QStringLiteral("Berta"));
        QCOMPARE(persons.asText(PersonField::FirstName), QStringLiteral("Berta"));
        QCOMPARE(storedFirstNames(m_cluster), storedBefore);

        p.click(ui.SpeedButton3);
        QCOMPARE(MessageBox::takeShown().size(), 0);
        QCOMPARE(persons.state(), Table::State::Browsing);
        QCOMPARE(storedFirstNames(m_cluster), storedAfter);
        QTRY_VERIFY(p.find<QLabel>("DatabaseStatus")->text().contains(QLatin1String("can be reached again")));
    }

    // No card is written while its record cannot be stored: the card is
    // refused before the programmer is asked, and written once the server
    // takes connections again.
    void cardRefusedWithoutServer()
    {
        QProcess sim;
        sim.start(QStringLiteral(PROGRAMMER_SIM), {});
        QVERIFY(sim.waitForStarted() && sim.waitForReadyRead(5000));
        const QByteArray device = sim.readLine().trimmed();
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM persons")));
        QVERIFY(m_cluster.exec(QStringLiteral("INSERT INTO persons (\"NUMBER\", \"SURNAME\", \"GROUP\", \"INDEX\") "
                                              "VALUES (1, 'Anna', 'Lack of assignment!', 0)")));
        QVERIFY(renewWorkingDirectory(m_dir, config(m_cluster.server({}), QStringLiteral("pellaro"),
                                                    "[COM_PORT]\r\nPORT=1\r\nCOM1=" + device + "\r\n")));
        Program p(TForm1::Role::Administrator);
        p.ui().COM11->trigger();
        QCOMPARE(p.form1->state().LinkOpen, 1);

        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(Database)));
        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                                   "WHERE datname = '%1'").arg(Database)));
        p.click(p.ui().Button4);
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(Database)));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QLatin1String("No card was written")), qPrintable(shown[0].text));
        QTest::qWait(300);
        QByteArray printed = sim.readAllStandardOutput();
        QVERIFY(!printed.contains("Card written"));

        p.click(p.ui().Button4);
        shown = MessageBox::takeShown();
        QVERIFY2(shown.isEmpty(), qPrintable(shown.value(0).text));
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains("Card written"), 3000);
        QCOMPARE(readFile(QStringLiteral("cards.log")).count("\tProgram\t"), 1);
        sim.terminate();
        sim.waitForFinished(3000);
    }

private:
    PgCluster m_cluster;
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestDeskConnection)
#include "test_desk_connection.moc"
