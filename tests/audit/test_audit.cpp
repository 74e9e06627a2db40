#include "audit/AuditLog.h"
#include "audit/TableWatch.h"
#include "config/AppError.h"
#include "config/FileSync.h"
#include "platform/SharedFolder.h"
#include "data/Backup.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "journal/JournalFormat.h"

#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "TablesTool.h"
#include "TestFiles.h"

namespace {

// The persons table of a temporary folder, watched by the audit there.
struct Fixture
{
    QTemporaryDir dir;
    audit::Log log{dir.filePath(audit::FileName)};
    TextSlots texts;
    QStringList told;
    audit::TableWatch watch{log, texts, [this](const QString& m) { told << m; }};
    Table persons; // closed before its watch goes

    Fixture()
    {
        i18n::copyLanguageTable(u"English", &texts);
        TableLayouts::createAll(dir.path());
        persons.open(QDir(dir.path()).filePath(TableLayouts::PersonsFile));
        watch.watch(persons);
    }
    qsizetype lines() const { return readFile(log.path()).count('\n'); }
};

void addPerson(Table& persons, int number, const QString& info)
{
    persons.insert();
    persons.setInteger(PersonField::Number, number);
    persons.setText(PersonField::Info, info);
    persons.setText(PersonField::Group, QStringLiteral("A"));
    persons.post();
}

} // namespace

class TestAudit : public QObject
{
    Q_OBJECT

private slots:
    // A chain of five events, then one kind of tampering; what verify says.
    void verify_data()
    {
        QTest::addColumn<int>("tamper");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("untouched") << 0 << 0 << "events: 5";
        QTest::newRow("edited") << 1 << 1 << "line 3:";
        QTest::newRow("removed") << 2 << 1 << "line 3:";
        QTest::newRow("inserted") << 3 << 1 << "line 3:";
        QTest::newRow("reordered") << 4 << 1 << "line 2:";
        QTest::newRow("rewritten whole, --from") << 5 << 1 << "no line has the hash";
        QTest::newRow("torn last line") << 6 << 0
                                        << "torn lines (cut short by a crash; their marks are in the chain): 1";
        QTest::newRow("torn, then more events") << 7 << 0 << "events: 6";
        QTest::newRow("torn mark forged inside") << 8 << 1 << "line 3: a torn mark outside the chain";
        QTest::newRow("torn mark on the last line") << 9 << 1 << "line 5: a torn mark outside the chain";
        QTest::newRow("cut before its line end, then more") << 10 << 0 << "events: 5\ntorn lines";
        QTest::newRow("last lines removed") << 11 << 1 << "2 events missing at the end";
        QTest::newRow("emptied") << 12 << 1 << "5 events missing at the end";
        QTest::newRow("replaced by a longer chain") << 13 << 1 << "the trail was replaced";
        QTest::newRow("deleted") << 14 << 1 << "is missing, though";
    }
    void verify()
    {
        QFETCH(int, tamper);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(audit::FileName);
        audit::Log log(path);
        log.setRole(QStringLiteral("administrator"));
        QString error;
        const QString head = audit::headPath(path);
        QByteArray headOfFour;
        for (int i = 1; i <= 5; ++i) {
            headOfFour = readFile(head);
            QVERIFY(log.append({QStringLiteral("change"), QStringLiteral("osoby.dbf"), QString::number(i),
                                QStringLiteral("%1 Kowalski\tJan").arg(i),
                                {{QStringLiteral("NAME"), QStringLiteral("Nowak \"N\""), QStringLiteral("Kowalski"),
                                  true}}},
                               &error));
        }
        const QByteArray kept = log.newestHash(); // an auditor wrote it down
        QByteArrayList lines = readFile(path).split('\n');
        lines.removeLast();
        QCOMPARE(audit::decodeDetails(audit::fields(lines[0])[8]).value(0).before, QStringLiteral("Kowalski"));
        QStringList args{QStringLiteral("audit"), QStringLiteral("verify"), dir.path()};
        switch (tamper) {
        case 1: lines[2].replace("Kowalski", "Malinowski"); break;
        case 2: lines.removeAt(2); break;
        case 3: lines.insert(2, lines[1]); break;
        case 4: lines.swapItemsAt(1, 2); break;
        case 5: {
            // Every line rewritten with a chain of its own: it holds, but not
            // the hash written down.
            QFile::remove(path);
            QFile::remove(head); // the forger's own head goes with the forged chain
            audit::Log forged(path);
            QVERIFY(forged.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            args << QStringLiteral("--from") << QString::fromLatin1(kept);
            lines = readFile(path).split('\n');
            lines.removeLast();
            break;
        }
        case 6: lines.append(lines[4].left(20)); break;
        case 8:
            lines.insert(2, lines[1].left(lines[1].lastIndexOf('\t') + 1) + audit::TornMark);
            break;
        case 9:
            lines[4] += '\t' + audit::TornMark;
            break;
        case 11:
            lines.resize(3);
            break;
        case 12:
            lines.clear();
            break;
        case 13: {
            QTemporaryDir elsewhere;
            audit::Log forged(elsewhere.filePath(audit::FileName));
            for (int i = 0; i < 6; ++i)
                QVERIFY(forged.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            lines = readFile(forged.path()).split('\n');
            lines.removeLast();
            break;
        }
        }
        QByteArray content = lines.isEmpty() ? QByteArray() : lines.join('\n') + '\n';
        if (tamper == 6 || tamper == 10)
            content.chop(1); // a crash before the line's end
        if (tamper == 14)
            QVERIFY(QFile::remove(path));
        else
            writeFile(path, content);
        if (tamper == 7) {
            writeFile(path, content + lines[4].left(20));
            QVERIFY(log.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            QVERIFY(readFile(path).contains('\t' + audit::TornMark + '\t'));
        }
        if (tamper == 10) {
            // The crash came before the head followed the line: it names four.
            writeFile(head, headOfFour);
            QVERIFY2(log.append({QStringLiteral("login"), {}, {}, {}, {}}, &error), qPrintable(error));
        }
        if (tamper >= 11) {
            // Nothing is chained onto a trail that does not reach its head.
            QVERIFY(!log.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            QCOMPARE(QFile::exists(path), tamper != 14);
            QCOMPARE(readFile(path), tamper == 14 ? QByteArray() : content);
        }
        const ToolRun run = tables(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.output.contains(said), qPrintable(run.output));
        if (tamper == 0) {
            QVERIFY(run.output.contains(QString::fromLatin1(kept)));
            QCOMPARE(tables(args << QStringLiteral("--from") << QString::fromLatin1(lines[1].right(64))).exitCode, 0);
        }
    }

    // A change the disk has no room for the line of is refused before it is
    // stored: the room asked is the line's own length, a long note included.
    void roomForTheLine_data()
    {
        QTest::addColumn<int>("noteLength");
        QTest::addColumn<bool>("removed");
        QTest::newRow("short note") << 10 << true;
        QTest::newRow("6,000-character note") << 6000 << false;
    }
    void roomForTheLine()
    {
        QFETCH(int, noteLength);
        QFETCH(bool, removed);
        Fixture f;
        addPerson(f.persons, 7, QString(noteLength, u'x'));
        f.log.setRoomProbe([](const QString&) { return qint64(8000); }); // then the disk fills
        const qsizetype before = f.lines();
        QString refused;
        try {
            f.persons.remove();
        } catch (const AppError& e) {
            refused = e.message();
        }
        QCOMPARE(refused.startsWith(f.texts[Text::AuditUnwritable].section(u'%', 0, 0)), !removed);
        f.persons.refresh(); // what the file holds
        QCOMPARE(f.persons.rowCount(), removed ? 0 : 1);
        QCOMPARE(f.lines(), before + (removed ? 1 : 0));
    }

    // A batch's lines go into the trail in one synced write before it
    // commits; it is undone when they cannot be written, and the trail says
    // so when its commit fails after they were.
    void batchOfChanges_data()
    {
        QTest::addColumn<QString>("failing"); // the file whose sync fails
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("group");
        QTest::newRow("lands") << QString() << QStringList{"change", "change", "change"} << "B";
        QTest::newRow("trail refuses") << audit::FileName << QStringList{} << "A";
        QTest::newRow("commit fails") << TableLayouts::PersonsFile
                                      << QStringList{"change", "change", "change", "undone"} << "A";
    }
    void batchOfChanges()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, actions);
        QFETCH(QString, group);
        Fixture f;
        for (int n = 1; n <= 3; ++n)
            addPerson(f.persons, n, {});
        const qsizetype before = f.lines();
        int trailSyncs = 0;
        const filesync::Function old = filesync::setFunction([&](int fd, const QString& path, filesync::Kind kind) {
            trailSyncs += path.endsWith(audit::FileName) ? 1 : 0;
            if (!failing.isEmpty() && path.endsWith(failing)) {
                failing.clear();
                return errno = EIO, -1;
            }
            return kind == filesync::Kind::Data ? ::fdatasync(fd) : ::fsync(fd);
        });
        try {
            Table::Batch batch(f.persons);
            for (int row = 0; row < f.persons.rowCount(); ++row) {
                f.persons.moveToRow(row);
                f.persons.edit();
                f.persons.setText(PersonField::Group, QStringLiteral("B"));
                f.persons.post();
            }
            batch.commit();
        } catch (const AppError&) {
        }
        filesync::setFunction(old);
        QStringList got;
        for (const QByteArray& line : readFile(f.log.path()).trimmed().split('\n').mid(before))
            got << audit::fields(line).value(4);
        QCOMPARE(got, actions);
        QCOMPARE(trailSyncs, actions.size() > 3 ? 2 : 1);
        QCOMPARE(f.told.size(), actions.isEmpty() ? 1 : 0);
        QCOMPARE(f.told.value(0).startsWith(f.texts[Text::TrailBatchNotStored].section(u'%', 0, 0)), actions.isEmpty());
        f.persons.refresh();
        for (int row = 0; row < f.persons.rowCount(); ++row)
            QCOMPARE(f.persons.valueAt(row, f.persons.fieldPosition(PersonField::Group)).toString(), group);
    }

    // The account is the system's, whatever the environment says, and no
    // field is a formula to a spreadsheet; the window shows it as it was given.
    void cells_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("stored");
        QTest::newRow("formula") << "=HYPERLINK(\"x\")" << "'=HYPERLINK(\"x\")";
        QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
        QTest::newRow("apostrophe before a formula") << "'+1" << "''+1";
        QTest::newRow("plain") << "Zarząd" << "Zarząd";
    }
    void cells()
    {
        QFETCH(QString, group);
        QFETCH(QString, stored);
        QTemporaryDir dir;
        qputenv("USER", "=HYPERLINK(\"http://evil\")");
        audit::Log log(dir.filePath(audit::FileName));
        QString error;
        QVERIFY(log.append(audit::cardEvent(journal::ProgramOperation, 7, 1, 0, group, "cards.log", 0), &error));
        const QStringList f = audit::fields(readFile(log.path()).trimmed());
        QCOMPARE(QStringList({f[2], f[7], audit::fieldText(f[7])}), QStringList({shared::accountName(), stored, group}));
    }

    // A details field of a crafted line is read within its bounds.
    void craftedDetails_data()
    {
        QTest::addColumn<QString>("details");
        QTest::addColumn<QStringList>("read"); // name, old, new of each item
        QTest::newRow("no closing quote") << "NAME: \"Kow" << QStringList{"NAME", "", "Kow"};
        QTest::newRow("change without closing quote") << "NAME: \"a\" → \"b" << QStringList{"NAME", "a", "b"};
    }
    void craftedDetails()
    {
        QFETCH(QString, details);
        QFETCH(QStringList, read);
        const QString line = details + QStringLiteral("\"; LEAK: \"x\""); // the field ends, the line goes on
        QStringList got;
        for (const audit::Item& item : audit::decodeDetails(QStringView(line).first(details.size())))
            got << item.name << item.before << item.value;
        QCOMPARE(got, read);
    }

    // The audit is in every backup; a restore adds its event and never
    // replaces the audit.
    void backupAndRestore()
    {
        QTemporaryDir dir;
        TableLayouts::createAll(dir.path());
        const QString path = dir.filePath(audit::FileName);
        audit::Log log(path);
        QString error;
        QVERIFY(log.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
        const QString folder = backup::make(dir.path()).folder;
        QCOMPARE(readFile(QDir(folder).filePath(audit::FileName)), readFile(path));
        QVERIFY(log.append({QStringLiteral("change"), {}, {}, {}, {}}, &error));
        const QByteArray before = readFile(path);
        const ToolRun run = tables({QStringLiteral("restore"), folder, dir.path()});
        QCOMPARE(run.exitCode, 0);
        const QByteArray after = readFile(path);
        QVERIFY(after.startsWith(before));
        QVERIFY(after.mid(before.size()).contains("\trestore\t"));
        QCOMPARE(tables({QStringLiteral("audit"), QStringLiteral("verify"), dir.path()}).exitCode, 0);

        // An audit that cannot take the restore's line: nothing is restored.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir(audit::FileName));
        const QByteArray table = readFile(dir.filePath(TableLayouts::PersonsFile));
        const ToolRun refused = tables({QStringLiteral("restore"), folder, dir.path()});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.output.contains(QStringLiteral("nothing was changed")), qPrintable(refused.output));
        QCOMPARE(readFile(dir.filePath(TableLayouts::PersonsFile)), table);
    }
};

QTEST_GUILESS_MAIN(TestAudit)
#include "test_audit.moc"
