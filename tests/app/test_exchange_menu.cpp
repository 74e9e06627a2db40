// The start-up backup and the Edit menu's spreadsheet commands in the main window.

#include "app/ExchangeMenu.h"
#include "app/Form1.h"
#include "audit/AuditLog.h"
#include "config/Cp1250.h"
#include "data/Backup.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"
#include "ui/MessageBox.h"

#include "KillPoints.h"
#include "TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

class TestExchangeMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void init();
    void cleanup();
    void startMakesABackup_data();
    void startMakesABackup();
    void startClearsUpAnInterruptedRestore_data();
    void startClearsUpAnInterruptedRestore();
    void bothRolesExchangePersons_data();
    void bothRolesExchangePersons();
    void sheetHeadingsImportTheRightWayRound_data();
    void sheetHeadingsImportTheRightWayRound();
    void hrStaffListsImport_data();
    void hrStaffListsImport();

private:
    // A start on a plain config.ini, or on the one an earlier start left
    // (its passwords hashed) when there is one.
    std::unique_ptr<TForm1> start(const char* language = "English", bool keepConfig = false)
    {
        if (!keepConfig || !QFile::exists("config.ini"))
            writeFile("config.ini", QByteArray("[PASSWORD]\r\nsys_nr=1\r\nsys_nr2=1\r\nadmin=1\r\nadmin2=2\r\n"
                                           "[COM_PORT]\r\nPORT=1\r\n[Language]\r\nLanguage=") +
                                    language + "\r\n");
        auto form = std::make_unique<TForm1>();
        [&] { QTRY_VERIFY(!form->findChild<QTimer*>("Timer2")->isActive()); }();
        return form;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestExchangeMenu::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    TableLayouts::createAll(m_dir->path());
    Table groups;
    groups.open(m_dir->filePath("grupa.dbf"));
    groups.insert();
    groups.setText("NAME", QStringLiteral("Zarząd"));
    groups.post();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    MessageBox::takeShown();
}

void TestExchangeMenu::cleanup()
{
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

void TestExchangeMenu::startMakesABackup_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("backups");
    QTest::addColumn<QString>("message");
    QTest::newRow("second start, nothing changed") << "again" << 1 << QString();
    QTest::newRow("second start, a person added") << "changed" << 2 << QString();
    QTest::newRow("backup folder blocked")
        << "blocked" << 0 << QStringLiteral("Nie udało się wykonać kopii zapasowej tabel:\n");
}

void TestExchangeMenu::startMakesABackup()
{
    QFETCH(QString, situation);
    QFETCH(int, backups);
    QFETCH(QString, message);
    if (situation == "blocked")
        writeFile("backup", "a file where the backups go");
    else
        start("Polski").reset();
    if (situation == "changed") {
        Table persons;
        persons.open("osoby.dbf");
        persons.insert();
        persons.setInteger("NUMBER", 1);
        persons.post();
    }
    auto form = start("Polski", true);
    QCOMPARE(backup::list(QDir::currentPath()).size(), backups);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QVERIFY2(shown[0].text.startsWith(message) && shown[0].text.contains("backup"), qPrintable(shown[0].text));
        QCOMPARE(shown[0].caption, QStringLiteral("Kopia zapasowa"));
    }
    // The program goes on either way, with its tables open.
    QVERIFY(form->findChild<Table*>("Table1")->isOpen());
}

void TestExchangeMenu::startClearsUpAnInterruptedRestore_data()
{
    QTest::addColumn<QString>("diesAt");
    QTest::addColumn<int>("persons");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("action"); // the audit trail's line for it
    QTest::newRow("killed before the commit")
        << "write .restore-commit-partial" << 1
        << "Przywracanie tabel zostało przerwane, zanim cokolwiek zastąpiło. Zostało cofnięte: tabele są takie jak "
           "przedtem."
        << "restore undone";
    QTest::newRow("killed between two renames") << "rename osoby.dbf osoby.dbf" << 0
                                                << "Przywracanie tabel z kopii %1 zostało przerwane. Zostało teraz "
                                                   "dokończone: tabele są takie jak w kopii."
                                                << "restore finished";
}

// A restore killed part-way is finished or undone before the tables open;
// the operator reads which in the chosen language, and the start-up backup
// that follows holds a whole set.
void TestExchangeMenu::startClearsUpAnInterruptedRestore()
{
    QFETCH(QString, diesAt);
    QFETCH(int, persons);
    QFETCH(QString, message);
    QFETCH(QString, action);
    start("Polski").reset();
    MessageBox::takeShown();
    const QString saved = backup::list(QDir::currentPath()).last();
    {
        Table table;
        table.open("osoby.dbf");
        table.insert();
        table.setInteger("NUMBER", 1);
        table.post();
    }
    // The step is found in a rehearsal on a copy of the working directory.
    QTemporaryDir rehearsal;
    for (const QString& name : QDir::current().entryList(QDir::Files))
        QVERIFY(QFile::copy(name, rehearsal.filePath(name)));
    const QString savedName = QFileInfo(saved).fileName();
    QVERIFY(QDir(rehearsal.path()).mkpath("backup/" + savedName));
    for (const QString& name : QDir(saved).entryList(QDir::Files))
        QVERIFY(QFile::copy(QDir(saved).filePath(name), rehearsal.filePath("backup/" + savedName + "/" + name)));
    const QStringList steps =
        killpoints::run([&] { backup::restore(rehearsal.filePath("backup/" + savedName), rehearsal.path()); }).steps;
    const int at = int(steps.indexOf(diesAt)) + 1;
    QVERIFY2(at > 0, qPrintable(steps.join(u'\n')));
    QVERIFY(killpoints::run([&] { backup::restore(saved, QDir::currentPath()); }, at).crashed);

    auto form = start("Polski");
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, message.contains(u"%1") ? message.arg(QDir::toNativeSeparators(saved)) : message);
    QCOMPARE(shown[0].caption, QStringLiteral("Kopia zapasowa"));
    QCOMPARE(form->findChild<Table*>("Table1")->rowCount(), persons);
    const QString newest = backup::list(QDir::currentPath()).last();
    QCOMPARE(readFile(QDir(newest).filePath("osoby.dbf")), readFile("osoby.dbf"));
    QStringList actions;
    for (const QByteArray& line : readFile("audit.log").split('\n'))
        actions.append(QString::fromUtf8(line).section(u'\t', 4, 4));
    QVERIFY2(actions.contains(action), qPrintable(actions.join(u',')));
}

void TestExchangeMenu::bothRolesExchangePersons_data()
{
    QTest::addColumn<TForm1::Role>("role");
    QTest::newRow("administrator") << TForm1::Role::Administrator;
    QTest::newRow("user") << TForm1::Role::User;
}

void TestExchangeMenu::bothRolesExchangePersons()
{
    QFETCH(TForm1::Role, role);
    auto form = start();
    form->EnterWorkingState(role);
    MainWindowUi& ui = form->ui();
    QVERIFY(ui.Edycja1->actions().contains(ui.Eksportosb1));
    QCOMPARE(ui.Eksportosb1->text(), QStringLiteral("Export persons…"));
    QCOMPARE(ui.Importosb1->text(), QStringLiteral("Import persons…"));
    QVERIFY(ui.Eksportosb1->isEnabled() && ui.Importosb1->isEnabled());

    auto* menu = form->findChild<ExchangeMenu*>();
    QVERIFY(menu);
    QString chosen;
    QStringList asked;
    menu->setFileChooser([&](bool saving, const QString& caption, const QString& filter) {
        asked << QStringLiteral("%1 %2 %3").arg(saving ? "save" : "open", caption, filter);
        return chosen;
    });

    // One bad row: nothing goes in, the lines are there to copy.
    chosen = m_dir->filePath("in.csv");
    writeFile(chosen,
              QStringLiteral("NAME,SURNAME,GROUP,INFO\r\nNowak,Jan,Zarząd,\"a\r\nb\"\r\nLis,Ola,zarząd,\r\n").toUtf8());
    ui.Importosb1->trigger();
    QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text,
             QStringLiteral("Nothing was imported. Correct these lines and import again.\n\n"
                            "line 4: GROUP \"zarząd\" is not a group of the groups table; it has \"Zarząd\""));
    QCOMPARE(shown[0].caption, QStringLiteral("Import"));
    QCOMPARE(shown[0].details,
             QStringLiteral("line 4: GROUP \"zarząd\" is not a group of the groups table; it has \"Zarząd\""));
    QVERIFY(form->findChild<Table*>("Table1")->isEmpty());

    writeFile(chosen, QStringLiteral("NAME,SURNAME,GROUP,INFO\r\nNowak,Jan,Zarząd,\"a\r\nb\"\r\n").toUtf8());
    MessageBox::setNextAnswer(0);
    ui.Importosb1->trigger();
    shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].text, QStringLiteral("Persons imported: 1"));
    QCOMPARE(form->findChild<Table*>("Table1")->rowCount(), 1);
    QCOMPARE(form->findChild<Table*>("Table1")->asText("INFO"), QStringLiteral("a\r\nb"));
    // One event for the import, with the file's SHA-256, no line per row.
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(readFile(chosen), QCryptographicHash::Sha256).toHex());
    const auto lastEvent = [] { return audit::fields(readFile(audit::FileName).trimmed().split('\n').last()); };
    QStringList last = lastEvent();
    // The file in the system's own form, a backslash in it doubled.
    const QString logged = QDir::toNativeSeparators(chosen).replace(u'\\', QStringLiteral("\\\\"));
    QCOMPARE(last.mid(4, 5), QStringList({"import", "osoby.dbf", "", "",
                                          QStringLiteral("file: \"%1\"; sha256: \"%2\"; rows added: \"1\"").arg(logged, sha)}));

    // An audit that cannot take the import's event: nothing is imported.
    QVERIFY(QFile::rename(audit::FileName, "audit.old"));
    QVERIFY(QDir().mkdir(audit::FileName));
    ui.Importosb1->trigger();
    QVERIFY(MessageBox::takeShown().value(0).text.startsWith(QStringLiteral("The audit trail audit.log cannot be written")));
    QCOMPARE(form->findChild<Table*>("Table1")->rowCount(), 1);
    QVERIFY(QDir().rmdir(audit::FileName) && QFile::rename("audit.old", audit::FileName));

    chosen = m_dir->filePath("out"); // the extension is added
    ui.Eksportosb1->trigger();
    shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, QStringLiteral("Persons exported: 1"));
    QCOMPARE(
        readFile(m_dir->filePath("out.csv")),
        QStringLiteral("\uFEFFNUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n1,Nowak,Jan,Zarząd,0,\"a\r\nb\"\r\n").toUtf8());
    last = lastEvent();
    QCOMPARE(last.value(4), QStringLiteral("export"));
    QVERIFY(last.value(8).endsWith(QStringLiteral("rows: \"1\"")));

    // Cancelling the file dialog does nothing.
    chosen.clear();
    ui.Eksportosb1->trigger();
    ui.Importosb1->trigger();
    QVERIFY(MessageBox::takeShown().isEmpty());
    QCOMPARE(asked.first(), QStringLiteral("open Import Spreadsheet files (*.csv)"));
    QCOMPARE(asked.size(), 6);
}

// An HR system's headings name the family and the first name in any of the
// four languages; the preview shows the first row as it will be stored, and
// only its Import stores anything.
void TestExchangeMenu::sheetHeadingsImportTheRightWayRound_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("answer");
    QTest::newRow("field names") << "NAME,SURNAME\r\nKowalski,Jan" << 0;
    QTest::newRow("English") << "Family name,First name\r\nKowalski,Jan" << 0;
    QTest::newRow("English, first name first") << "Given name,Last name\r\nJan,Kowalski" << 0;
    QTest::newRow("Polish") << "Imię,Nazwisko\r\nJan,Kowalski" << 0;
    QTest::newRow("Czech") << "PŘÍJMENÍ,JMÉNO\r\nKowalski,Jan" << 0;
    QTest::newRow("Hungarian") << "Vezetéknév,Keresztnév\r\nKowalski,Jan" << 0;
    QTest::newRow("cancelled") << "Family name,First name\r\nKowalski,Jan" << 1;
}

void TestExchangeMenu::sheetHeadingsImportTheRightWayRound()
{
    QFETCH(QString, sheet);
    QFETCH(int, answer);
    auto form = start();
    form->EnterWorkingState(TForm1::Role::Administrator);
    writeFile("in.csv", sheet.toUtf8());
    form->findChild<ExchangeMenu*>()->setFileChooser([](bool, const QString&, const QString&) { return "in.csv"; });
    MessageBox::setNextAnswer(answer);
    form->ui().Importosb1->trigger();
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.value(0).text, QStringLiteral("Persons to import: 1. The first row will be stored as family name: "
                                                 "Kowalski, first name: Jan."));
    QCOMPARE(shown.value(0).answers, (QStringList{"Import", "Cancel"}));
    Table& persons = *form->findChild<Table*>("Table1");
    QCOMPARE(persons.rowCount(), answer == 0 ? 1 : 0);
    QCOMPARE(shown.size(), answer == 0 ? 2 : 1);
    if (answer == 0)
        QCOMPARE(persons.asText("NAME") + u' ' + persons.asText("SURNAME"), QStringLiteral("Kowalski Jan"));
}

namespace {

// A staff list as HR tools write it: a heading in the site's language, a
// column Pellaro has no field for, Windows-1250 or UTF-8, and the separator
// of the spreadsheet's locale.
QByteArray staffList(const char* encoding, char separator)
{
    QString text = QStringLiteral("Nazwisko;Imię;Dział;Stanowisko\r\nŻółkiewski;Łukasz;Zarząd;kierownik\r\n"
                                  "Nowak;Ewa;Księgowość;\r\nKowalski;Jan;Zarząd;\r\n");
    text.replace(u';', QChar::fromLatin1(separator));
    if (qstrcmp(encoding, "1250") == 0)
        return cp1250::encode(text);
    return (qstrcmp(encoding, "BOM") == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

QString notes(const char* count, const QString& rest)
{
    return QStringLiteral("Persons to import: %1. The first row will be stored as family name: Żółkiewski, first "
                          "name: Łukasz.")
               .arg(count) +
           rest;
}

const QString Kowalski = QStringLiteral("Kowalski Jan Lack of assignment!"); // in the table beforehand
const QString Ignored = QStringLiteral("\n\nThese columns are not imported: Stanowisko.");
const QString Creates = QStringLiteral("\n\nThese groups will be created: Księgowość.");
const QString Skips = QStringLiteral("\n\nPersons already in the table that will be skipped: 1.");

} // namespace

// Both encodings and three separators; the questions a file raises (which
// reading, new groups, persons already stored) and the preview; then the
// persons and groups as stored.
void TestExchangeMenu::hrStaffListsImport_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("asked"); // how each question begins, the preview last
    QTest::addColumn<QString>("preview");
    QTest::addColumn<QStringList>("persons");
    QTest::addColumn<QStringList>("groups");
    const QString readAs = QStringLiteral("\n\nThe file is read as %1 text, its fields separated by %2.");
    const QStringList all{Kowalski, QStringLiteral("Żółkiewski Łukasz Zarząd"), QStringLiteral("Nowak Ewa Księgowość"),
                          QStringLiteral("Kowalski Jan Zarząd")};
    const QStringList newOnes = all.first(3);
    const QStringList withNew{QStringLiteral("Zarząd"), QStringLiteral("Księgowość")};
    const QStringList old{QStringLiteral("Zarząd")};
    const QString preview = QStringLiteral("Persons to import");
    const QStringList three{QStringLiteral("These groups are not in the groups table yet: Księgowość."),
                            "1 of these 3 persons are already in the table with the same family and first name.",
                            preview};
    QTest::newRow("UTF-8 BOM, comma: create, skip") << staffList("BOM", ',') << QList<int>{0, 0, 0} << three
                                                    << notes("2", Ignored + Creates + Skips) << newOnes << withNew;
    QTest::newRow("UTF-8 BOM, semicolon: no group, import again")
        << staffList("BOM", ';') << QList<int>{1, 1, 0} << three
        << notes("3", readAs.arg("UTF-8", "semicolons") + Ignored)
        << QStringList{Kowalski, QStringLiteral("Żółkiewski Łukasz Zarząd"), "Nowak Ewa Lack of assignment!",
                       QStringLiteral("Kowalski Jan Zarząd")}
        << old;
    QTest::newRow("UTF-8 BOM, tab: cancelled at the groups")
        << staffList("BOM", '\t') << QList<int>{2} << three.first(1) << QString() << QStringList{Kowalski} << old;
    QTest::newRow("1250, comma: create, import again")
        << staffList("1250", ',') << QList<int>{0, 1, 0} << three
        << notes("3", readAs.arg("Windows-1250", "commas") + Ignored + Creates) << all << withNew;
    QTest::newRow("1250, semicolon: create, skip")
        << staffList("1250", ';') << QList<int>{0, 0, 0} << three
        << notes("2", readAs.arg("Windows-1250", "semicolons") + Ignored + Creates + Skips) << newOnes << withNew;
    QTest::newRow("1250, tab: the preview cancelled")
        << staffList("1250", '\t') << QList<int>{0, 0, 1} << three
        << notes("2", readAs.arg("Windows-1250", "tabs") + Ignored + Creates + Skips) << QStringList{Kowalski} << old;
    QTest::newRow("UTF-8 without BOM, semicolon")
        << staffList("UTF-8", ';') << QList<int>{0, 0, 0} << three
        << notes("2", readAs.arg("UTF-8", "semicolons") + Ignored + Creates + Skips) << newOnes << withNew;
    // Upper-case names in Windows-1250 that are valid UTF-8 too (Ó Ł: U+04E3).
    const QByteArray both = "NAZWISKO;IMIE;DZIAL\r\n" + cp1250::encode(QStringLiteral("GÓŁKA;JAN;\r\n"));
    QTest::newRow("valid in both, taken as Windows-1250")
        << both << QList<int>{1, 0} << QStringList{"The file reads differently", preview}
        << QStringLiteral("Persons to import: 1. The first row will be stored as family name: GÓŁKA, first name: JAN."
                          "\n\nThe file is read as Windows-1250 text, its fields separated by semicolons.")
        << QStringList{Kowalski, QStringLiteral("GÓŁKA JAN Lack of assignment!")} << old;
    QTest::newRow("valid in both, taken as UTF-8: refused")
        << both << QList<int>{0} << QStringList{"The file reads differently"}
        << QStringLiteral("The file reads differently as UTF-8 and as Windows-1250. The first such row:\n\nUTF-8: "
                          "G\u04E3KA, JAN, \nWindows-1250: GÓŁKA, JAN, \n\nWhich one is it written in?")
        << QStringList{Kowalski} << old;
}

void TestExchangeMenu::hrStaffListsImport()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, preview);
    QFETCH(QStringList, persons);
    QFETCH(QStringList, groups);
    {
        Table persons, groups;
        persons.open(m_dir->filePath("osoby.dbf"));
        groups.open(m_dir->filePath("grupa.dbf"));
        QCOMPARE(exchange::importPersons(persons, groups, "NAME,SURNAME\nKowalski,Jan\n").added, 1);
    }
    auto form = start();
    form->EnterWorkingState(TForm1::Role::Administrator);
    writeFile("in.csv", file);
    form->findChild<ExchangeMenu*>()->setFileChooser([](bool, const QString&, const QString&) { return "in.csv"; });
    MessageBox::setNextAnswers(answers);
    form->ui().Importosb1->trigger();
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), asked.size() + (answers.last() == 0 ? 1 : 0)); // and what came of it
    for (qsizetype i = 0; i < asked.size(); ++i)
        QVERIFY2(shown[i].text.startsWith(asked[i]), qPrintable(shown[i].text));
    if (!preview.isEmpty())
        QCOMPARE(shown.value(asked.size() - 1).text, preview);
    form.reset();
    // The names (and the persons' groups) as stored.
    const auto stored = [&](const char* name, exchange::Kind kind, int columns) {
        Table table;
        table.openView(m_dir->filePath(name));
        QStringList rows;
        for (const QStringList& row : exchange::tableRows(table, kind).mid(1))
            rows.append(row.mid(1, columns).join(u' ').trimmed());
        return rows;
    };
    QCOMPARE(stored("osoby.dbf", exchange::Kind::Persons, 3), persons);
    QCOMPARE(stored("grupa.dbf", exchange::Kind::Groups, 1), groups);
}

QTEST_MAIN(TestExchangeMenu)
#include "test_exchange_menu.moc"
