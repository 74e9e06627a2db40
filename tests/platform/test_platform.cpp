#include "platform/Account.h"
#include "platform/FileModes.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/Locks.h"

#include "TestFiles.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

// The calls the tables, config.ini and the backups rely on, as the system
// they run on answers them.
class TestPlatform : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    // Two names are one file exactly when the file system finds one under the other.
    void namesCompareAsTheFileSystemDoes_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("asked");
        QTest::newRow("same name") << "osoby.dbf" << "osoby.dbf";
        QTest::newRow("letter case") << "osoby.dbf" << "OSOBY.DBF";
        QTest::newRow("Polish letters") << u"łódź.dbf"_qs << u"ŁÓDŹ.DBF"_qs;
        QTest::newRow("Czech letters") << u"čtečky.dbf"_qs << u"ČTEČKY.dbf"_qs;
        QTest::newRow("Hungarian letters") << u"őrök.dbt"_qs << u"ŐRÖK.DBT"_qs;
        QTest::newRow("another file") << "osoby.dbf" << "osoby.dbt";
    }
    void namesCompareAsTheFileSystemDoes()
    {
        QFETCH(QString, made);
        QFETCH(QString, asked);
        QTemporaryDir dir;
        writeFile(dir.filePath(made), "x");
        QCOMPARE(platform::sameFileName(made, asked), QFileInfo::exists(dir.filePath(asked)));
    }

    // A lock keeps out the locks it must, and never a reading of the records.
    void locksExcludeLockersNotReaders_data()
    {
        QTest::addColumn<bool>("firstExclusive");
        QTest::addColumn<bool>("secondExclusive");
        QTest::addColumn<bool>("secondGetsIt");
        QTest::newRow("two readers") << false << false << true;
        QTest::newRow("a writer while one reads") << false << true << false;
        QTest::newRow("a reader while one writes") << true << false << false;
        QTest::newRow("two writers") << true << true << false;
    }
    void locksExcludeLockersNotReaders()
    {
        QFETCH(bool, firstExclusive);
        QFETCH(bool, secondExclusive);
        QFETCH(bool, secondGetsIt);
        using platform::LockKind;
        const QByteArray records = "\x03 header and records";
        writeFile(path("grupa.dbf"), records);
        const int first = platform::openFile(path("grupa.dbf"), platform::Access::ReadWrite);
        const int second = platform::openFile(path("grupa.dbf"), platform::Access::ReadWrite);
        QVERIFY(first >= 0 && second >= 0);
        QCOMPARE(platform::tryLock(first, firstExclusive ? LockKind::Exclusive : LockKind::Shared), 0);
        const int got = platform::tryLock(second, secondExclusive ? LockKind::Exclusive : LockKind::Shared);
        QCOMPARE(got == 0, secondGetsIt);
        if (!secondGetsIt)
            QVERIFY2(platform::heldElsewhere(errno), qPrintable(platform::errorText(errno)));
        QByteArray read(records.size(), '\0');
        QCOMPARE(platform::readAt(second, 0, read.data(), read.size()), qint64(records.size()));
        QCOMPARE(read, records);
        // Closing the first descriptor lets the lock go.
        QCOMPARE(platform::closeFile(first), 0);
        QCOMPARE(platform::tryLock(second, LockKind::Exclusive), 0);
        QCOMPARE(platform::closeFile(second), 0);
    }

    // A rename either replaces the file under the new name whole, or (when
    // it must not replace) leaves both files as they were.
    void renameReplacesOrRefuses_data()
    {
        QTest::addColumn<bool>("mayReplace");
        QTest::addColumn<bool>("targetThere");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("replace an old file") << true << true << true;
        QTest::newRow("replace a missing file") << true << false << true;
        QTest::newRow("new name taken") << false << true << false;
        QTest::newRow("new name free") << false << false << true;
    }
    void renameReplacesOrRefuses()
    {
        QFETCH(bool, mayReplace);
        QFETCH(bool, targetThere);
        QFETCH(bool, renamed);
        QTemporaryDir dir;
        const QString from = dir.filePath(u"nowy ząb.tmp"_qs), to = dir.filePath(u"config żółw.ini"_qs);
        writeFile(from, "new");
        if (targetThere)
            writeFile(to, "old");
        const int result = mayReplace ? platform::replaceFile(from, to) : platform::renameNoReplace(from, to);
        QCOMPARE(result == 0, renamed);
        if (!renamed)
            QCOMPARE(errno, EEXIST);
        QCOMPARE(readFile(to), renamed ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(QFileInfo::exists(from), !renamed);
    }

    // A file made as a copy is never writable where its source or the limit
    // says it must not be, and the operator's read-only mark is seen as one.
    void copyModeNeverWider_data()
    {
        QTest::addColumn<uint>("source");
        QTest::addColumn<uint>("limit");
        QTest::newRow("private source, any limit") << 0600u << 0777u;
        QTest::newRow("read-only source") << 0444u << 0666u;
        QTest::newRow("read-only limit") << 0644u << 0440u;
        QTest::newRow("wide source, private limit") << 0666u << 0600u;
    }
    void copyModeNeverWider()
    {
        QFETCH(uint, source);
        QFETCH(uint, limit);
        const unsigned wanted = platform::narrowedMode(source, limit);
        QVERIFY((wanted & ~source) == 0 && (wanted & ~limit) == 0);
        QTemporaryDir dir;
        const QString copy = dir.filePath("config.ini");
        const int fd = platform::openFile(copy, platform::Access::Write, platform::Create::New, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(platform::setMode(fd, wanted), 0);
        QCOMPARE(platform::writeAt(fd, 0, "x", 1), qint64(1)); // the descriptor keeps its right to write
        unsigned got = 0;
        QCOMPARE(platform::modeOf(fd, &got), 0);
        QCOMPARE(platform::closeFile(fd), 0);
        QCOMPARE(got & ~wanted & 0200, 0u);
        QCOMPARE(platform::markedReadOnly(copy), !(wanted & 0200));
        QCOMPARE(readFile(copy), QByteArray("x"));
    }

    // Who and where, as the system knows them.
    void accountAndComputer()
    {
        QVERIFY(!platform::accountName().isEmpty());
        const QString computer = platform::computerName();
        QVERIFY(!computer.isEmpty());
        QVERIFY2(QSysInfo::machineHostName().startsWith(computer, Qt::CaseInsensitive), qPrintable(computer));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
