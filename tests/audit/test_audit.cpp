#include "audit/AuditLog.h"
#include "data/Backup.h"
#include "data/TableLayouts.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "TablesTool.h"
#include "TestFiles.h"

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
        QTest::newRow("torn last line") << 6 << 0 << "torn lines (cut short by a crash, not part of the chain): 1";
        QTest::newRow("torn, then more events") << 7 << 0 << "events: 6";
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
        for (int i = 1; i <= 5; ++i)
            QVERIFY(log.append({QStringLiteral("change"), QStringLiteral("osoby.dbf"), QString::number(i),
                                QStringLiteral("%1 Kowalski\tJan").arg(i),
                                {{QStringLiteral("NAME"), QStringLiteral("Nowak \"N\""), QStringLiteral("Kowalski"),
                                  true}}},
                               &error));
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
            audit::Log forged(path);
            QVERIFY(forged.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            args << QStringLiteral("--from") << QString::fromLatin1(kept);
            lines = readFile(path).split('\n');
            lines.removeLast();
            break;
        }
        case 6: lines.append(lines[4].left(20)); break;
        }
        QByteArray content = lines.join('\n') + '\n';
        if (tamper == 6)
            content.chop(1); // a crash before the line's end
        writeFile(path, content);
        if (tamper == 7) {
            writeFile(path, content + lines[4].left(20));
            QVERIFY(log.append({QStringLiteral("login"), {}, {}, {}, {}}, &error));
            QVERIFY(readFile(path).contains('\t' + audit::TornMark + '\n'));
        }
        const ToolRun run = tables(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.output.contains(said), qPrintable(run.output));
        if (tamper == 0) {
            QVERIFY(run.output.contains(QString::fromLatin1(kept)));
            QCOMPARE(tables(args << QStringLiteral("--from") << QString::fromLatin1(lines[1].right(64))).exitCode, 0);
        }
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
