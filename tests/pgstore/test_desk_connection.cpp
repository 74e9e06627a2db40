// A desk's connection to the shared database: its password, and its loss while the operator works.

#include "PgCluster.h"
#include "Program.h"
#include "TcpProxy.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include "app/DatabaseWatch.h"
#include "config/AppError.h"
#include "i18n/LanguageTables.h"
#include "pgstore/PgJournals.h"
#include "ui/DbEdit.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

namespace {

const QString Database = QStringLiteral("desk_connection");
const QByteArray Role = "desk_pw";
const QByteArray Password = "Sekret-1";

QStringList storedFirstNames(const PgCluster& cluster)
{
    Table table;
    table.open(std::make_unique<PgStore>(cluster.server(QStringLiteral("check")), PgStore::Kind::Persons));
    QStringList names;
    for (const QVariantList& values : table.storedRecords({table.fieldPosition(PersonField::FirstName)}))
        names.append(values.at(0).toString());
    return names;
}

// The site's card journal as the database holds it.
QByteArray siteJournal(const PgCluster& cluster)
{
    QTemporaryDir folder;
    pgjournals::writeFiles(cluster.server(QStringLiteral("check")), folder.path());
    return readFile(folder.filePath(QStringLiteral("cards.log")));
}

} // namespace

class TestDeskConnection : public QObject
{
    Q_OBJECT

    PgCluster m_cluster;
    std::unique_ptr<WorkingDirectory> m_dir;

    bool renew(const QByteArray& user, const QByteArray& more = {})
    {
        return renewWorkingDirectory(
            m_dir, "[PASSWORD]\r\nsys_nr=123456\r\n" + more +
                       "[DATABASE]\r\nDriver=PostgreSQL\r\nHost=" + m_cluster.server({}).host.toUtf8() +
                       "\r\nName=" + Database.toUtf8() + "\r\nUser=" + user + "\r\n");
    }
    bool endBackends()
    {
        return m_cluster.adminExec(
            QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%1'")
                .arg(Database));
    }

private slots:
    void initTestCase()
    {
        MessageBox::setRecording(true);
        QVERIFY(m_cluster.isValid() && m_cluster.freshDatabase(Database));
        // A role the server asks a password of; the test's own role stays trusted.
        m_cluster.adminExec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(Role));
        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER ROLE %1 PASSWORD '%2'").arg(Role, Password)));
        QVERIFY(m_cluster.exec(QStringLiteral("GRANT ALL ON ALL TABLES IN SCHEMA public TO %1").arg(Role)));
        const QString hba = m_cluster.server({}).host + QStringLiteral("/data/pg_hba.conf");
        writeFile(hba, "local all " + Role + " scram-sha-256\n" + readFile(hba));
        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_reload_conf()")));
        QTRY_VERIFY(!PgConnection::canLogIn({m_cluster.server({}).host, 5432, Database, Role, {}, {}}, nullptr));
    }

    // From the password file, or asked in a masked box (a wrong one is told
    // and asked again; none ends the start); never written to config.ini.
    void databasePassword_data()
    {
        QTest::addColumn<QByteArray>("passwordFile");
        QTest::addColumn<QStringList>("typed"); // "" cancels
        QTest::addColumn<bool>("opens");
        QTest::newRow("password file") << "*:*:*:" + Role + ":" + Password << QStringList() << true;
        QTest::newRow("asked") << QByteArray() << QStringList{Password} << true;
        QTest::newRow("wrong, then right") << QByteArray() << QStringList{"Sekret-2", Password} << true;
        QTest::newRow("cancelled") << QByteArray() << QStringList{QString()} << false;
    }
    void databasePassword()
    {
        QFETCH(QByteArray, passwordFile);
        QFETCH(QStringList, typed);
        QFETCH(bool, opens);
        QVERIFY(renew(Role));
        const QString pgpass = m_dir->filePath(QStringLiteral("pgpass"));
        if (!passwordFile.isEmpty()) {
            writeFile(pgpass, passwordFile + "\n");
            QFile::setPermissions(pgpass, QFile::ReadOwner | QFile::WriteOwner);
        }
        qputenv("PGPASSFILE", pgpass.toLocal8Bit());
        QStringList asked;
        QTimer typing;
        connect(&typing, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box || box->objectName() != QLatin1String("DatabasePassword") || typed.isEmpty())
                return;
            asked.append(box->labelText());
            box->setTextValue(typed.takeFirst());
            box->textValue().isEmpty() || box->textEchoMode() != QLineEdit::Password ? box->reject() : box->accept();
        });
        typing.start(20);
        std::unique_ptr<TForm1> form;
        try {
            form = std::make_unique<TForm1>();
        } catch (const AppError& e) {
            QVERIFY(!opens && e.message().contains(QLatin1String("cannot be opened without the password")));
        }
        qunsetenv("PGPASSFILE");
        QVERIFY(typed.isEmpty());
        QVERIFY(asked.size() < 2 || asked.last().contains(QLatin1String("did not accept")));
        QCOMPARE(form && form->findChild<Table*>(QStringLiteral("Table1"))->isOpen(), opens);
        form.reset();
        QVERIFY(!readFile(QStringLiteral("config.ini")).contains(Password));
    }

    // A desk started on a database it cannot keep its texts in, or on one
    // without the tables, stops and tells what makes one it can work on.
    void refusedAtStart_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("told"); // %1 the working directory
        QTest::newRow("SQL_ASCII") << "SQL_ASCII"
                                   << "createdb --encoding=UTF8 --template=template0 desk_other";
        QTest::newRow("without the tables") << "UTF8"
                                            << "pellaro-tables db init %1";
    }
    void refusedAtStart()
    {
        QFETCH(QString, encoding);
        QFETCH(QString, told);
        PgCluster other = m_cluster;
        QVERIFY(other.freshDatabase(QStringLiteral("desk_other"), false, encoding));
        QVERIFY(renewWorkingDirectory(m_dir,
                                      "[DATABASE]\r\nDriver=PostgreSQL\r\nHost=" + m_cluster.server({}).host.toUtf8() +
                                          "\r\nName=desk_other\r\nUser=pellaro\r\n"));
        try {
            TForm1 form;
            QFAIL("the desk started");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(told.arg(QDir::toNativeSeparators(QDir::currentPath()))),
                     qPrintable(e.message()));
        }
    }

    // A connection cut while the operator types: the change is refused
    // naming the server, what was typed stays in the record and on screen,
    // and the next post, on a connection opened again, stores it.
    void lostConnection()
    {
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM persons; INSERT INTO persons (\"NUMBER\", \"SURNAME\", "
                                              "\"GROUP\") VALUES (1, 'Anna', 'Lack of assignment!')")));
        QVERIFY(renew("pellaro"));
        Program p(TForm1::Role::Administrator);
        MainWindowUi& ui = p.ui();
        Table& persons = p.table("Table1");
        p.click(ui.SpeedButton4);
        ui.DBEdit8->selectAll();
        QTest::keyClicks(ui.DBEdit8, QStringLiteral("Berta"));

        QVERIFY(endBackends());
        p.click(ui.SpeedButton3);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(
            shown[0].text.startsWith(QStringLiteral("The database at %1 on ").arg(Database) /* names the server */));
        QVERIFY(persons.state() != Table::State::Browsing);
        QCOMPARE(ui.DBEdit8->text(), QStringLiteral("Berta"));
        QCOMPARE(persons.asText(PersonField::FirstName), QStringLiteral("Berta"));
        QCOMPARE(storedFirstNames(m_cluster), QStringList{"Anna"});

        p.click(ui.SpeedButton3);
        QCOMPARE(MessageBox::takeShown().size(), 0);
        QCOMPARE(storedFirstNames(m_cluster), QStringList{"Berta"});
        QTRY_VERIFY(p.find<QLabel>("DatabaseStatus")->text().contains(QLatin1String("can be reached again")));
    }

    // The system number and the passwords are the site's: set once, by the
    // first desk, and the same at every desk whatever its own config.ini
    // holds; a desk whose config.ini holds another number is told.
    void siteSettingsSharedByDesks_data()
    {
        QTest::addColumn<QByteArray>("deskPasswords"); // the second desk's own [PASSWORD] lines
        QTest::addColumn<bool>("told");
        QTest::newRow("a new desk") << QByteArray() << false;
        QTest::newRow("a desk set up on its own before") << QByteArray("[PASSWORD]\r\nsys_nr=1\r\nadmin=1\r\n") << true;
        QTest::newRow("the same number") << QByteArray("[PASSWORD]\r\nsys_nr=4711\r\n") << false;
    }
    void siteSettingsSharedByDesks()
    {
        QFETCH(QByteArray, deskPasswords);
        QFETCH(bool, told);
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM pellaro_site")));
        const QByteArray database = "[DATABASE]\r\nDriver=PostgreSQL\r\nHost=" + m_cluster.server({}).host.toUtf8() +
                                    "\r\nName=" + Database.toUtf8() + "\r\nUser=pellaro\r\n";
        QVERIFY(renewWorkingDirectory(m_dir, "[PASSWORD]\r\nsys_nr=4711\r\nadmin=boss\r\n" + database));
        {
            Program first;
            QVERIFY(MessageBox::takeShown().isEmpty());
            QCOMPARE(first.form1->state().SystemNumber, 4711);
            first.login("boss");
            QVERIFY(first.form1->inWorkingState());
            QVERIFY(first.find<QLabel>("DatabaseStatus")->text().contains(Database));
            first.ui().Edit8->setText("clerk");
            first.click(first.ui().Button11);
            QCOMPARE(MessageBox::takeShown().size(), 1); // saved
        }
        QVERIFY(renewWorkingDirectory(m_dir, deskPasswords + database));
        Program second;
        QCOMPARE(second.form1->state().SystemNumber, 4711);
        QCOMPARE(second.ui().Edit1->text(), QStringLiteral("4711"));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), told ? 1 : 0);
        if (told)
            QVERIFY2(shown[0].text.contains(" 1,") && shown[0].text.contains("4711"), qPrintable(shown[0].text));
        // Neither the site's number nor its passwords are copied to the desk.
        const QByteArray config = readFile(QStringLiteral("config.ini"));
        QCOMPARE(config.contains("sys_nr="), !deskPasswords.isEmpty());
        QVERIFY(!config.contains("admin2="));
        second.login("clerk");
        QVERIFY(second.form1->inWorkingState());
        QCOMPARE(second.form1->frameGeometry().width(), 693);
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM pellaro_site"))); // the next test's desk sets its own
    }

    // No card is written while its record cannot be stored; once the server
    // takes connections again it is.
    void cardRefusedWithoutServer()
    {
        QProcess sim;
        sim.start(QStringLiteral(PROGRAMMER_SIM), {});
        QVERIFY(sim.waitForStarted() && sim.waitForReadyRead(5000));
        QVERIFY(renew("pellaro", "[COM_PORT]\r\nPORT=1\r\nCOM1=" + sim.readLine().trimmed() + "\r\n"));
        QVERIFY(m_cluster.exec(QStringLiteral("DELETE FROM persons; INSERT INTO persons (\"NUMBER\", \"SURNAME\", "
                                              "\"GROUP\", \"INDEX\") VALUES (1, 'Anna', 'Lack of assignment!', 0)")));
        Program p(TForm1::Role::Administrator);
        p.ui().COM11->trigger();
        QCOMPARE(p.form1->state().LinkOpen, 1);

        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(Database)));
        QVERIFY(endBackends());
        MessageBox::setNextAnswer(0); // Anna has no group: her card that opens no door is asked about first
        p.click(p.ui().Button4);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(m_cluster.adminExec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(Database)));
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[1].text.contains(QLatin1String("No card was written")));
        QTest::qWait(300);
        QByteArray printed = sim.readAllStandardOutput();
        QVERIFY(!printed.contains("Card written") && !siteJournal(m_cluster).contains("\tProgram\t"));

        MessageBox::setNextAnswer(0);
        p.click(p.ui().Button4);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains("Card written"), 3000);
        QCOMPARE(siteJournal(m_cluster).count("\tProgram\t"), 1);
        sim.terminate();
        sim.waitForFinished(3000);
    }

    // A network that goes silent under a desk, closing nothing: the status
    // line tells it within ten seconds while the window's own timers go on,
    // and tells when the database answers again.
    void silentNetwork()
    {
        TcpProxy proxy(m_cluster.server({}).host + QStringLiteral("/.s.PGSQL.5432"));
        const PgServer server{QStringLiteral("127.0.0.1"), proxy.port(), Database,
                              QStringLiteral("pellaro"),   {},           "desk"};
        const QString where = Database + QStringLiteral(" on 127.0.0.1");
        Table persons;
        auto store = std::make_unique<PgStore>(server, PgStore::Kind::Persons);
        PgStore& opened = *store;
        persons.open(std::move(store));
        TextSlots texts;
        i18n::copyLanguageTable(u"English", &texts);
        QStringList said;
        DatabaseWatch watch(
            server, texts, [&](const QString& text) { said.append(text); }, nullptr);
        watch.watch(persons, opened);
        // The silence falls on the probe's connection in use.
        QTRY_VERIFY_WITH_TIMEOUT(m_cluster.exec(QStringLiteral("SELECT 1 / count(*)::int FROM pg_stat_activity "
                                                               "WHERE application_name = 'pellaro-probe:desk'")),
                                 10000);
        proxy.setMode(TcpProxy::Silent);
        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        sinceTick.start();
        ticks.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 10000);
        QCOMPARE(said.first(), texts[Text::DatabaseUnreachable].arg(where, texts[Text::DatabaseSilent].arg(5)));
        QVERIFY2(longestPause < 1000, qPrintable(QString::number(longestPause)));
        proxy.setMode(TcpProxy::Passing);
        QTRY_COMPARE_WITH_TIMEOUT(said.last(), texts[Text::DatabaseBack].arg(where), 10000);
    }
};

QTEST_MAIN(TestDeskConnection)
#include "test_desk_connection.moc"
