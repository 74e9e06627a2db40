// The dBase file formats: tables written byte by byte here are read through
// Table, and what Table writes is checked byte by byte.

#include "DbfBytes.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "dbf/DbfFile.h"
#include "dbf/TableCheck.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace dbfbytes;

namespace {

// "Łukasz Żółkiewski" in code page 1250.
const QByteArray LukaszCp = "\xA3ukasz";
const QByteArray ZolkiewskiCp = "\xAF\xF3\xB3kiewski";
const QString Lukasz = QStringLiteral("Łukasz");
const QString Zolkiewski = QStringLiteral("Żółkiewski");
const QByteArray NoteCp = "Notatka: \xBF\xF3\xB3w\r\nlinia 2";
const QString Note = QStringLiteral("Notatka: żółw\r\nlinia 2");

QString errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const AppError& e) {
        return e.message();
    }
    return {};
}

QByteArray today()
{
    QDate d = QDate::currentDate();
    return QByteArray() + char(d.year() - 1900) + char(d.month()) + char(d.day());
}

enum class Memo { None, DBase3, DBase3OneMark, DBase4 };

// A persons-like table with three records; the second is deleted.
struct Fixture
{
    QString dbf;
    QString dbt;
    Layout layout;
};

Fixture writePersons(const QString& dir, quint8 version, char numberType, Memo memo)
{
    Fixture fx;
    fx.dbf = dir + QStringLiteral("/osoby.dbf");
    fx.dbt = dir + QStringLiteral("/osoby.dbt");
    Layout& l = fx.layout;
    l.version = version;
    const bool level7 = version == 0x04 || version == 0x8C;
    const int numberWidth = numberType == 'N' ? 10 : 4;
    l.fields = {{"NUMBER", numberType, numberWidth}, {"SURNAME", 'C', 20}, {"NAME", 'C', 25}};
    if (memo != Memo::None)
        l.fields.append({"INFO", 'M', 10});
    if (level7) {
        l.languageName = "DBWINWE0";
        l.afterTerminator = QByteArray("\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 14);
    }
    auto number = [&](int n) { return numberType == 'N' ? right(QByteArray::number(n), 10) : long7(n); };
    QList<int> blocks;
    QByteArray memoFile;
    if (memo == Memo::DBase4)
        memoFile = memo4({NoteCp, "second", "third note"}, &blocks, 64);
    else if (memo != Memo::None)
        memoFile = memo3({NoteCp, "second", "third note"}, &blocks, memo == Memo::DBase3OneMark ? 1 : 2);
    auto pointer = [&](int i) {
        // Some writers pad with zeros, some with blanks.
        return i == 0 ? QByteArray::number(blocks[0]).rightJustified(10, '0')
                      : right(QByteArray::number(blocks[i]), 10);
    };
    const QList<QList<QByteArray>> values{
        {number(1), left(LukaszCp, 20), left(ZolkiewskiCp, 25)},
        {number(2), left("Gone", 20), left("Deleted", 25)},
        {number(3), left("Anna", 20), left("Nowak", 25)},
    };
    for (int i = 0; i < values.size(); ++i) {
        QList<QByteArray> fields = values[i];
        if (memo != Memo::None)
            fields.append(pointer(i));
        l.records.append(row(fields, i == 1));
    }
    write(fx.dbf, table(l));
    if (memo != Memo::None)
        write(fx.dbt, memoFile);
    return fx;
}

} // namespace

class TestDbfEngine : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryFormat_data();
    void readsEveryFormat();
    void textsLoseOnlyTheirPadding_data();
    void textsLoseOnlyTheirPadding();
    void writesBackInTheTablesOwnFormat_data();
    void writesBackInTheTablesOwnFormat();
    void memoBlocksAsWritten();
    void newNotesNeverOverwriteStoredBlocks_data();
    void newNotesNeverOverwriteStoredBlocks();
    void interruptedAppend();
    void damagedTableIsNotChangedUntilShown_data();
    void damagedTableIsNotChangedUntilShown();
    void everyWriteDatesTheHeader_data();
    void everyWriteDatesTheHeader();
    void damagedNotesGiveAnErrorForThatRecord_data();
    void damagedNotesGiveAnErrorForThatRecord();
    void valuesThatDoNotFitAreRefused();
    void levelSevenIntegers();
    void levelSevenAutoincrementCounter_data();
    void levelSevenAutoincrementCounter();
    void openFailuresNameTheFile();
    void tableIsOpenedExclusively();
    void createdTablesHaveTheInstallationsLayout();
    void checkReportsProblemsWithoutChangingTheFile();
};

void TestDbfEngine::readsEveryFormat_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<char>("numberType");
    QTest::addColumn<int>("memo");
    QTest::newRow("dBase III+ 0x03") << 0x03 << 'N' << int(Memo::None);
    QTest::newRow("dBase III+ 0x83, two end marks") << 0x83 << 'N' << int(Memo::DBase3);
    QTest::newRow("dBase III+ 0x83, one end mark") << 0x83 << 'N' << int(Memo::DBase3OneMark);
    QTest::newRow("dBase IV 0x8B") << 0x8B << 'N' << int(Memo::DBase4);
    QTest::newRow("level 7 0x04, I field") << 0x04 << 'I' << int(Memo::None);
    QTest::newRow("level 7 0x8C, I field") << 0x8C << 'I' << int(Memo::DBase4);
    QTest::newRow("level 7 0x8C, N field") << 0x8C << 'N' << int(Memo::DBase4);
}

void TestDbfEngine::readsEveryFormat()
{
    QFETCH(int, version);
    QFETCH(char, numberType);
    QFETCH(int, memo);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), quint8(version), numberType, Memo(memo));

    Table t;
    t.open(fx.dbf);
    QVERIFY(t.warnings().isEmpty());
    QCOMPARE(t.rowCount(), 2); // the deleted record is skipped
    QVERIFY(!t.atEnd());
    QCOMPARE(t.asInteger("number"), 1);
    QCOMPARE(t.asText("Surname"), Lukasz);
    QCOMPARE(t.asText("NAME"), Zolkiewski);
    if (Memo(memo) != Memo::None)
        QCOMPARE(t.asText("info"), Note);
    t.next();
    QCOMPARE(t.asInteger("NUMBER"), 3);
    QCOMPARE(t.asText("SURNAME"), QStringLiteral("Anna"));
    if (Memo(memo) != Memo::None)
        QCOMPARE(t.asText("INFO"), QStringLiteral("third note"));
    t.next();
    QVERIFY(t.atEnd());
    QCOMPARE(t.asInteger("NUMBER"), 3); // past the end the last record stays current
    QVERIFY(!t.locate("NAME", "Deleted", Qt::CaseInsensitive));
}

void TestDbfEngine::textsLoseOnlyTheirPadding_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    const QByteArray zazolc = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1"; // 17 bytes
    QTest::newRow("blank") << QByteArray(40, ' ') << QString();
    QTest::newRow("zeros") << QByteArray(40, '\0') << QString();
    QTest::newRow("one letter") << QByteArray("A") << QStringLiteral("A");
    QTest::newRow("seven") << QByteArray("Kowalsk") << QStringLiteral("Kowalsk");
    QTest::newRow("eight") << QByteArray("Kowalski") << QStringLiteral("Kowalski");
    QTest::newRow("nine") << QByteArray("Kowalska2") << QStringLiteral("Kowalska2");
    QTest::newRow("padded with zeros") << QByteArray("Anna") + QByteArray(36, '\0') << QStringLiteral("Anna");
    QTest::newRow("blanks and zeros mixed")
        << QByteArray("Anna") + QByteArray(" \0 \0 \0 \0", 8).repeated(4) + QByteArray(4, ' ')
        << QStringLiteral("Anna");
    QTest::newRow("inner and leading blanks kept")
        << QByteArray("  Jan         Maria") << QStringLiteral("  Jan         Maria");
    QTest::newRow("full width") << QByteArray("ABCDEFGHIJ").repeated(4) << QStringLiteral("ABCDEFGHIJ").repeated(4);
    QTest::newRow("Polish letters, the last one past whole words") << zazolc << QStringLiteral("Zażółć gęślą jaźń");
    const QByteArray lodzOs = QByteArray("\xA3\xF3") + "d\x9F O\x8C"; // "Łódź OŚ", 7 bytes
    QTest::newRow("Polish letters, full width") << QByteArray("Kowalski") + zazolc + lodzOs + QByteArray(8, 'x')
                                                << QStringLiteral("KowalskiZażółć gęślą jaźńŁódź OŚxxxxxxxx");
}

// A text field of forty characters, as in the persons table: what is shown is
// the stored text without the blanks or zeros that pad it, whatever its length.
void TestDbfEngine::textsLoseOnlyTheirPadding()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    Layout l;
    l.fields = {{"NAME", 'C', 40}, {"NUMBER", 'N', 10}};
    l.records = {row({stored.leftJustified(40, ' '), right("7", 10)})};
    const QString path = dir.filePath(QStringLiteral("osoby.dbf"));
    QVERIFY(write(path, table(l)));

    Table t;
    t.open(path);
    QCOMPARE(t.asText("NAME"), shown);
    QCOMPARE(t.asText("NUMBER"), QStringLiteral("7"));
    QCOMPARE(t.valueAt(0, 1).toString(), shown);
}

void TestDbfEngine::writesBackInTheTablesOwnFormat_data()
{
    readsEveryFormat_data();
}

void TestDbfEngine::writesBackInTheTablesOwnFormat()
{
    QFETCH(int, version);
    QFETCH(char, numberType);
    QFETCH(int, memo);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), quint8(version), numberType, Memo(memo));
    const QByteArray before = read(fx.dbf);
    const int headerLength = quint8(before[8]) | quint8(before[9]) << 8;
    const int recordLength = quint8(before[10]) | quint8(before[11]) << 8;

    {
        Table t;
        t.open(fx.dbf);
        t.edit();
        t.setText("SURNAME", QStringLiteral("Łucja"));
        t.setInteger("NUMBER", 41);
        if (Memo(memo) != Memo::None)
            t.setText("INFO", QStringLiteral("Zmieniona notatka ąę"));
        t.post();
        t.insert();
        t.setInteger("NUMBER", 42);
        t.setText("NAME", QStringLiteral("Źdźbło"));
        t.post();
        QCOMPARE(t.asInteger("NUMBER"), 42);
        QCOMPARE(t.currentRow(), 2);
    }

    const QByteArray after = read(fx.dbf);
    QCOMPARE(after[0], before[0]);               // version byte
    QCOMPARE(after[29], before[29]);             // language driver id
    QCOMPARE(after.mid(8, 4), before.mid(8, 4)); // header and record length
    QCOMPARE(after.mid(1, 3), today());
    QCOMPARE(readLe32(after, 4), 4u);
    // Everything past the counts up to the first record stays as found:
    // descriptors, level-7 language driver name and field properties.
    QCOMPARE(after.mid(12, headerLength - 12), before.mid(12, headerLength - 12));
    QCOMPARE(after.size(), headerLength + 4 * recordLength + 1);
    QCOMPARE(after.back(), '\x1A');
    const QByteArray first = after.mid(headerLength, recordLength);
    QCOMPARE(first.mid(11 - (numberType == 'N' ? 0 : 6), 20),
             left("\xA3ucja", 20)); // SURNAME after NUMBER (10 or 4 bytes wide)
    const QByteArray added = after.mid(headerLength + 3 * recordLength, recordLength);
    QCOMPARE(added[0], ' ');
    QCOMPARE(added.mid(1, numberType == 'N' ? 10 : 4), numberType == 'N' ? right("42", 10) : long7(42));

    Table again;
    again.open(fx.dbf);
    QCOMPARE(again.asText("SURNAME"), QStringLiteral("Łucja"));
    QCOMPARE(again.asInteger("NUMBER"), 41);
    if (Memo(memo) != Memo::None)
        QCOMPARE(again.asText("INFO"), QStringLiteral("Zmieniona notatka ąę"));
    QVERIFY(again.locate("NAME", QStringLiteral("źdźbło"), Qt::CaseInsensitive));
    QCOMPARE(again.asInteger("NUMBER"), 42);
}

void TestDbfEngine::memoBlocksAsWritten()
{
    QTemporaryDir dir;
    {
        Fixture fx = writePersons(dir.path(), 0x83, 'N', Memo::DBase3);
        const QByteArray old = read(fx.dbt);
        Table t;
        t.open(fx.dbf);
        t.edit();
        t.setText("INFO", QStringLiteral("Nowa ż"));
        t.post();
        const QByteArray dbt = read(fx.dbt);
        const int block = int(old.size() / 512);
        QCOMPARE(dbt.left(old.size()).mid(4), old.mid(4)); // stored notes untouched
        QCOMPARE(readLe32(dbt, 0), quint32(block + 1));
        QCOMPARE(dbt.mid(block * 512, 8), QByteArray("Nowa \xBF\x1A\x1A"));
        QCOMPARE(dbt.size() % 512, 0);
        const QByteArray dbf = read(fx.dbf);
        const int headerLength = quint8(dbf[8]) | quint8(dbf[9]) << 8;
        QCOMPARE(dbf.mid(headerLength + 1 + 10 + 20 + 25, 10), right(QByteArray::number(block), 10));
    }
    QTemporaryDir dir4;
    {
        Fixture fx = writePersons(dir4.path(), 0x8B, 'N', Memo::DBase4); // 64-byte blocks
        const QByteArray old = read(fx.dbt);
        const QByteArray text(150, 'x'); // spans three blocks with its 8-byte header
        Table t;
        t.open(fx.dbf);
        t.edit();
        t.setText("INFO", QString::fromLatin1(text));
        t.post();
        const QByteArray dbt = read(fx.dbt);
        const int block = int(old.size() / 64);
        QCOMPARE(dbt.mid(block * 64, 4), QByteArray("\xFF\xFF\x08\x00", 4));
        QCOMPARE(readLe32(dbt, block * 64 + 4), quint32(text.size() + 8)); // the length counts the header
        QCOMPARE(dbt.mid(block * 64 + 8, text.size()), text);
        QCOMPARE(readLe32(dbt, 0), quint32(block + 3));
        QCOMPARE(quint8(dbt[20]) | quint8(dbt[21]) << 8, 64); // block size kept
        t.refresh();
        QCOMPARE(t.asText("INFO"), QString::fromLatin1(text));
        // An emptied note clears the pointer and adds no block.
        t.edit();
        t.setText("INFO", QString());
        t.post();
        QCOMPARE(read(fx.dbt).size(), dbt.size());
        QCOMPARE(t.asText("INFO"), QString());
        // An unchanged note is not written again.
        t.next();
        t.edit();
        t.setText("INFO", QStringLiteral("third note"));
        t.post();
        QCOMPARE(read(fx.dbt).size(), dbt.size());
    }
}

void TestDbfEngine::newNotesNeverOverwriteStoredBlocks_data()
{
    QTest::addColumn<quint32>("pointer"); // the memo header's next free block, as another program left it
    QTest::addColumn<bool>("refused");
    // Behind the blocks its records use: appending there would destroy them.
    QTest::newRow("behind the stored blocks") << quint32(1) << false;
    // Far past the end: a note written there would make a file of hundreds of gigabytes.
    QTest::newRow("far past the end") << quint32(0x10000000) << true;
}

void TestDbfEngine::newNotesNeverOverwriteStoredBlocks()
{
    QFETCH(quint32, pointer);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x83, 'N', Memo::DBase3);
    QByteArray dbt = read(fx.dbt);
    dbt.replace(0, 4, le32(pointer));
    write(fx.dbt, dbt);
    Table t;
    t.open(fx.dbf);
    t.next();
    t.edit();
    t.setText("INFO", QStringLiteral("replaced"));
    if (refused) {
        try {
            t.post();
            QFAIL("a note was written past the end of the notes file");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains("lies beyond the end of the file"), qPrintable(e.message()));
        }
        QCOMPARE(read(fx.dbt), dbt);
        return;
    }
    t.post();
    t.first();
    QCOMPARE(t.asText("INFO"), Note);
}

void TestDbfEngine::interruptedAppend()
{
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x03, 'N', Memo::None);
    const QByteArray whole = read(fx.dbf);
    const int recordLength = quint8(whole[10]) | quint8(whole[11]) << 8;

    // Killed in the middle of writing the fourth record: the header counts
    // it, the file holds half of it and no end mark.
    QByteArray cut = whole.left(whole.size() - 1);
    cut.replace(4, 4, le32(4));
    cut += row({right("4", 10), left("Half", 20), left("Written", 25)}).left(recordLength / 2);
    write(fx.dbf, cut);
    {
        Table t;
        t.open(fx.dbf);
        QCOMPARE(t.warnings().size(), 1);
        QVERIFY(t.warnings().first().contains(QStringLiteral("osoby.dbf")));
        QCOMPARE(t.rowCount(), 2);
        QVERIFY(!t.locate("NAME", "Written", Qt::CaseInsensitive));
        t.acknowledgeWarnings(); // the window shows them first
        t.insert();
        t.setInteger("NUMBER", 4);
        t.setText("NAME", QStringLiteral("Again"));
        t.post();
    }
    QByteArray repaired = read(fx.dbf);
    QCOMPARE(readLe32(repaired, 4), 4u);
    QCOMPARE(repaired.size(), whole.size() + recordLength);
    {
        Table t;
        t.open(fx.dbf);
        QVERIFY(t.warnings().isEmpty());
        QCOMPARE(t.rowCount(), 3);
        QVERIFY(t.locate("NAME", "Again", Qt::CaseSensitive));
        QCOMPARE(t.currentRow(), 2);
    }

    // No end mark at all is normal for some writers.
    write(fx.dbf, whole.left(whole.size() - 1));
    {
        Table t;
        t.open(fx.dbf);
        QVERIFY(t.warnings().isEmpty());
        QCOMPARE(t.rowCount(), 2);
        t.insert();
        t.setInteger("NUMBER", 9);
        t.post();
    }
    QCOMPARE(read(fx.dbf).size(), whole.size() + recordLength);
    QCOMPARE(read(fx.dbf).back(), '\x1A');
}

void TestDbfEngine::damagedTableIsNotChangedUntilShown_data()
{
    QTest::addColumn<int>("headerCount");
    QTest::addColumn<QByteArray>("tail"); // after the three records, in place of the end mark
    QTest::addColumn<QString>("found");
    const QByteArray fourth = row({right("4", 10), left("Half", 20), left("Written", 25)});
    QTest::newRow("cut in a record") << 4 << fourth.left(20) << "counts 4 records but the file holds 3";
    QTest::newRow("count 2,147,483,647") << 2147483647 << QByteArray("\x1A")
                                         << "counts 2147483647 records but the file holds 3";
    // More than a crash leaves after the count: every record is shown, none moved away.
    QTest::newRow("count 1 of 3 records") << 1 << QByteArray("\x1A") << "counts 1 records but the file holds 3";
}

void TestDbfEngine::damagedTableIsNotChangedUntilShown()
{
    QFETCH(int, headerCount);
    QFETCH(QByteArray, tail);
    QFETCH(QString, found);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x03, 'N', Memo::None);
    QByteArray bytes = read(fx.dbf);
    bytes.chop(1);
    bytes.replace(4, 4, le32(quint32(headerCount)));
    write(fx.dbf, bytes + tail);
    const QByteArray damaged = read(fx.dbf);

    Table t;
    t.open(fx.dbf);
    QCOMPARE(t.warnings().size(), 1);
    QVERIFY2(t.warnings().first().contains(found), qPrintable(t.warnings().first()));
    QVERIFY(t.warnings().first().contains(QStringLiteral("osoby.dbf")));
    QVERIFY(!t.warningsAcknowledged());
    QCOMPARE(t.rowCount(), 2); // the complete records still read (the second is deleted)
    for (const auto& change :
         std::initializer_list<std::function<void()>>{[&] { t.insert(); }, [&] { t.edit(); }, [&] { t.remove(); }}) {
        QVERIFY(errorOf(change).contains(QStringLiteral("osoby.dbf: the table was found damaged")));
        QCOMPARE(t.state(), Table::State::Browsing);
    }
    t.close();
    QCOMPARE(read(fx.dbf), damaged);

    t.open(fx.dbf);
    t.acknowledgeWarnings();
    t.edit();
    t.setText("NAME", QStringLiteral("Shown"));
    t.post();
    t.close();
    QVERIFY(read(fx.dbf).contains("Shown"));
}

void TestDbfEngine::everyWriteDatesTheHeader_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<quint32>("count");
    QTest::newRow("edit") << "edit" << 3u;
    QTest::newRow("append") << "append" << 4u;
    QTest::newRow("delete") << "delete" << 3u;
}

void TestDbfEngine::everyWriteDatesTheHeader()
{
    QFETCH(QString, change);
    QFETCH(quint32, count);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x8B, 'N', Memo::DBase4);
    QCOMPARE(read(fx.dbf).mid(1, 3), QByteArray("\x63\x07\x0F")); // 1999-07-15
    {
        Table t;
        t.open(fx.dbf);
        if (change == u"append") {
            t.insert();
            t.setInteger("NUMBER", 4);
        } else if (change == u"edit") {
            t.edit();
            t.setText("INFO", QStringLiteral("changed note"));
        } else {
            t.remove();
        }
        t.post();
    }
    const QByteArray after = read(fx.dbf);
    QCOMPARE(after.mid(1, 3), today());
    QCOMPARE(readLe32(after, 4), count);
}

void TestDbfEngine::damagedNotesGiveAnErrorForThatRecord_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("pointer");
    QTest::addColumn<QByteArray>("damage"); // written over the start of block 1
    QTest::addColumn<QString>("expected");
    QTest::newRow("III past the end") << 0x83 << right("4000", 10) << QByteArray() << "beyond the end";
    QTest::newRow("IV past the end") << 0x8B << right("4000000", 10) << QByteArray() << "beyond the end";
    QTest::newRow("IV far past the end") << 0x8B << right("999999999", 10) << QByteArray() << "beyond the end";
    QTest::newRow("IV no signature") << 0x8B << right("1", 10) << QByteArray("NOTANOTE") << "signature";
    QTest::newRow("IV length past the end")
        << 0x8B << right("1", 10) << QByteArray("\xFF\xFF\x08\x00\xFF\xFF\xFF\x7F", 8) << "does not fit";
    QTest::newRow("IV length below its header")
        << 0x8B << right("1", 10) << QByteArray("\xFF\xFF\x08\x00\x03\x00\x00\x00", 8) << "does not fit";
    QTest::newRow("pointer not a number") << 0x8B << QByteArray("12ab      ") << QByteArray() << "not a block number";
    QTest::newRow("pointer with a blank inside")
        << 0x8B << QByteArray("   12 4   ") << QByteArray() << "not a block number";
    QTest::newRow("pointer past 32 bits") << 0x8B << QByteArray("4294967296") << QByteArray() << "not a block number";
}

void TestDbfEngine::damagedNotesGiveAnErrorForThatRecord()
{
    QFETCH(int, version);
    QFETCH(QByteArray, pointer);
    QFETCH(QByteArray, damage);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), quint8(version), 'N', version == 0x83 ? Memo::DBase3 : Memo::DBase4);
    QByteArray dbf = read(fx.dbf);
    const int headerLength = quint8(dbf[8]) | quint8(dbf[9]) << 8;
    dbf.replace(headerLength + 1 + 10 + 20 + 25, 10, pointer);
    write(fx.dbf, dbf);
    if (!damage.isEmpty()) {
        QByteArray dbt = read(fx.dbt);
        dbt.replace(64, damage.size(), damage); // block 1 of the 64-byte blocks
        write(fx.dbt, dbt);
    }

    Table t;
    t.open(fx.dbf);
    const QString error = errorOf([&] { t.asText("INFO"); });
    QVERIFY2(error.contains(expected), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("osoby.dbt")) || error.contains(QStringLiteral("osoby.dbf")),
             qPrintable(error));
    QVERIFY(errorOf([&] {
                t.valueAt(0, t.fieldPosition("INFO"));
            }).contains(expected));        // a grid shows it empty and reports why
    QCOMPARE(t.asText("SURNAME"), Lukasz); // the rest of the record reads
    t.next();
    QCOMPARE(t.asText("INFO"), QStringLiteral("third note")); // other records are fine
    // Writing a new note repairs the record.
    t.prior();
    t.edit();
    t.setText("INFO", QStringLiteral("repaired"));
    t.post();
    QCOMPARE(t.asText("INFO"), QStringLiteral("repaired"));
}

void TestDbfEngine::valuesThatDoNotFitAreRefused()
{
    QTemporaryDir dir;
    TableLayouts::createAll(dir.path());
    Table t;
    t.open(dir.filePath("osoby.dbf")); // INDEX is 3 characters wide
    t.insert();
    t.setText("SURNAME", QStringLiteral("Kept"));
    QString error = errorOf([&] { t.setInteger("INDEX", 1000); });
    QVERIFY2(error.contains("INDEX") && error.contains("1000") && error.contains("osoby.dbf"), qPrintable(error));
    QVERIFY(errorOf([&] { t.setInteger("INDEX", -100); }).contains("does not fit"));
    t.setInteger("INDEX", 999);
    t.setInteger("INDEX", -99);
    QVERIFY(errorOf([&] { t.setText("INDEX", "-"); }).contains("not a valid number"));
    QVERIFY(errorOf([&] { t.setText("INDEX", "12a"); }).contains("not a valid number"));
    QCOMPARE(t.asInteger("INDEX"), -99); // refused values changed nothing
    t.setText("INDEX", " 15 ");
    QCOMPARE(t.asInteger("INDEX"), 15);

    QVERIFY(errorOf([&] { t.setText("NAME", QString(41, 'x')); }).contains("longer"));
    t.setText("NAME", QString(40, u'ż'));
    QVERIFY(errorOf([&] { t.setText("NAME", QStringLiteral("中文")); }).contains("code page 1250"));
    QVERIFY(errorOf([&] { t.setText("INFO", QStringLiteral("中文")); }).contains("code page 1250"));
    QVERIFY(errorOf([&] { t.setText("NOSUCH", "x"); }).contains("NOSUCH"));
    t.post();
    QCOMPARE(t.asText("SURNAME"), QStringLiteral("Kept"));
    QCOMPARE(t.asText("NAME"), QString(40, u'ż'));
    QCOMPARE(t.asInteger("INDEX"), 15);

    // Writing outside the editing and inserting states is refused.
    QVERIFY(errorOf([&] { t.setInteger("INDEX", 1); }).contains("not in edit"));
}

void TestDbfEngine::levelSevenIntegers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("seven.dbf");
    Layout l;
    l.version = 0x04;
    l.fields = {{"VALUE", 'I', 4}, {"FLAG", 'L', 1}};
    l.records = {row({long7(-5), "T"}), row({QByteArray(4, '\0'), "?"})};
    write(path, table(l));

    Table t;
    t.open(path);
    QCOMPARE(t.asInteger("VALUE"), -5);
    QVERIFY(t.asLogical("FLAG"));
    t.next();
    QCOMPARE(t.asInteger("VALUE"), 0);
    QVERIFY(!t.valueAt(1, 1).isValid()); // all zeros is empty
    QVERIFY(!t.asLogical("FLAG"));
    t.insert();
    t.setInteger("VALUE", -2147483647);
    QVERIFY(errorOf([&] { t.setInteger("VALUE", 2147483648LL); }).contains("does not fit"));
    // Stored, the smallest 32-bit value would be all zeros: an empty field.
    QVERIFY(errorOf([&] { t.setInteger("VALUE", -2147483648LL); }).contains("does not fit"));
    QVERIFY(errorOf([&] { t.setText("VALUE", "-2147483648"); }).contains("does not fit"));
    t.post();
    const QByteArray after = read(path);
    const int headerLength = quint8(after[8]) | quint8(after[9]) << 8;
    QCOMPARE(after.mid(headerLength + 2 * 6 + 1, 4), long7(-2147483647));
}

void TestDbfEngine::levelSevenAutoincrementCounter_data()
{
    QTest::addColumn<quint32>("counter");
    QTest::addColumn<QList<qint64>>("numbers"); // given to two appends; 0: refused
    QTest::addColumn<quint32>("counterAfter");
    QTest::newRow("next value 3") << 3u << QList<qint64>{3, 4} << 5u;
    QTest::newRow("never used") << 0u << QList<qint64>{1, 2} << 3u;
    QTest::newRow("last 32-bit value") << 2147483647u << QList<qint64>{2147483647, 0} << 2147483648u;
}

void TestDbfEngine::levelSevenAutoincrementCounter()
{
    QFETCH(quint32, counter);
    QFETCH(QList<qint64>, numbers);
    QFETCH(quint32, counterAfter);
    QTemporaryDir dir;
    const QString path = dir.filePath("seven.dbf");
    Layout l;
    l.version = 0x04;
    l.fields = {{"ID", '+', 4}, {"NAME", 'C', 8}};
    l.records = {row({long7(1), left("one", 8)}), row({long7(2), left("two", 8)})};
    QByteArray bytes = table(l);
    // The first field descriptor as dBase 7 writes it: name, type '+', width 4,
    // then the next value 3 at 42..45 and the reserved bytes around it.
    QByteArray descriptor = QByteArray::fromHex("4944000000000000000000000000000000000000000000000000000000000000"
                                                "2B040000000000000000"
                                                "03000000"
                                                "0000");
    QCOMPARE(descriptor.size(), 48);
    descriptor.replace(42, 4, le32(counter));
    bytes.replace(68, 48, descriptor);
    write(path, bytes);

    Table t;
    t.open(path);
    for (qint64 expected : numbers) {
        t.insert();
        t.setText("NAME", "new");
        if (expected == 0) {
            QVERIFY(errorOf([&] { t.post(); }).contains("largest"));
            t.cancel();
            continue;
        }
        t.post();
        QCOMPARE(t.asInteger("ID"), expected);
    }
    t.close();
    const QByteArray after = read(path);
    QCOMPARE(readLe32(after, 68 + 42), counterAfter);
    QCOMPARE(after.mid(68 + 40, 2), QByteArray(2, '\0')); // the reserved bytes stay as they were
    QCOMPARE(after.mid(68 + 46, 2), QByteArray(2, '\0'));
    Table reopened;
    reopened.open(path);
    QCOMPARE(reopened.rowCount(), 2 + numbers.size() - numbers.count(0));
}

void TestDbfEngine::openFailuresNameTheFile()
{
    QTemporaryDir dir;
    auto openError = [](const QString& path) {
        Table t;
        return errorOf([&] { t.open(path); });
    };
    const QString missing = dir.filePath("osoby.dbf");
    QString error = openError(missing);
    QVERIFY2(error.contains(QDir::toNativeSeparators(missing)) && error.contains("does not exist"), qPrintable(error));
    QVERIFY(!QFileInfo::exists(missing)); // nothing is created

    Fixture fx = writePersons(dir.path(), 0x83, 'N', Memo::DBase3);
    QFile::remove(fx.dbt);
    error = openError(fx.dbf);
    QVERIFY2(error.contains("osoby.dbt") && error.contains("does not exist"), qPrintable(error));

    struct Damage
    {
        int at;
        QByteArray bytes;
        const char* reason;
    };
    const QList<Damage> damages{
        {0, "\x30", "not a supported"},
        {8, QByteArray("\xFF\x7F", 2), "header length"},
        {10, QByteArray("\x05\x00", 2), "need"},
        {32 + 11, "X", "unsupported type"},
        {32 + 16, QByteArray(1, '\0'), "impossible width"},
    };
    for (const Damage& d : damages) {
        Fixture plain = writePersons(dir.path(), 0x03, 'N', Memo::None);
        QByteArray bytes = read(plain.dbf);
        bytes.replace(d.at, d.bytes.size(), d.bytes);
        write(plain.dbf, bytes);
        error = openError(plain.dbf);
        QVERIFY2(error.contains(QDir::toNativeSeparators(plain.dbf)) && error.contains(d.reason), qPrintable(error));
    }
    write(missing, QByteArray(10, ' '));
    QVERIFY(openError(missing).contains("too short"));
}

void TestDbfEngine::tableIsOpenedExclusively()
{
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x83, 'N', Memo::DBase3);
    {
        Table first;
        first.open(fx.dbf);
        Table second;
        const QString error = errorOf([&] { second.open(fx.dbf); });
        QVERIFY2(error.contains(QDir::toNativeSeparators(fx.dbf)) && error.contains("in use"), qPrintable(error));
        QVERIFY(!second.isOpen());
        QCOMPARE(first.asText("SURNAME"), Lukasz); // the first is undisturbed
    }
    Table afterClose;
    afterClose.open(fx.dbf); // closing released the lock
    QVERIFY(afterClose.isOpen());
}

void TestDbfEngine::createdTablesHaveTheInstallationsLayout()
{
    QTemporaryDir dir;
    TableLayouts::createAll(dir.path());
    for (const QString name : {"osoby", "grupa", "sprzet"}) {
        const QByteArray dbf = read(dir.filePath(name + ".dbf"));
        QCOMPARE(quint8(dbf[0]), quint8(0x8B));
        QCOMPARE(quint8(dbf[29]), quint8(0xC8));
        QCOMPARE(readLe32(dbf, 4), 0u);
        QCOMPARE(dbf.back(), '\x1A');
        const QByteArray dbt = read(dir.filePath(name + ".dbt"));
        QCOMPARE(dbt.size(), 512);
        QCOMPARE(readLe32(dbt, 0), 1u);
        QCOMPARE(readLe32(dbt, 4), 512u);
        QCOMPARE(quint8(dbt[20]) | quint8(dbt[21]) << 8, 512);
    }
    Table groups;
    groups.open(dir.filePath("grupa.dbf"));
    QCOMPARE(groups.fieldCount(), 99);
    QVERIFY(groups.fieldPosition("ID_Grupy") >= 1 && groups.fieldPosition("ID_Grupy") <= 3);
    QVERIFY(groups.fieldPosition("NAME") <= 3 && groups.fieldPosition("NOTES") <= 3);
    for (int k = 1; k <= 96; ++k) {
        QCOMPARE(groups.fieldPosition(QStringLiteral("p%1").arg(k)), k + 3);
        QCOMPARE(groups.fieldType(k + 3), QChar(u'L'));
    }
    Table persons;
    persons.open(dir.filePath("osoby.dbf"));
    const QStringList personFields{"NUMBER", "SURNAME", "NAME", "GROUP", "INDEX", "INFO"};
    for (int i = 0; i < personFields.size(); ++i)
        QCOMPARE(persons.fieldName(i + 1), personFields[i]);
    QVERIFY(persons.isEmpty() && persons.atEnd());
    Table readers;
    readers.open(dir.filePath("sprzet.dbf"));
    for (const char* field : {"ID_czyt", "NAME", "TIME", "MIEJSCE", "PROX", "EMULACJA"})
        QVERIFY(readers.fieldPosition(field) > 0);

    // An existing installation is never overwritten. (Windows removes no
    // file that is open.)
    persons.close();
    QVERIFY(QFile::remove(dir.filePath("osoby.dbf")));
    QVERIFY(errorOf([&] { TableLayouts::createAll(dir.path()); }).contains("exists"));
    QVERIFY(!QFileInfo::exists(dir.filePath("osoby.dbf")));
}

void TestDbfEngine::checkReportsProblemsWithoutChangingTheFile()
{
    QTemporaryDir dir;
    Fixture fx = writePersons(dir.path(), 0x8B, 'N', Memo::DBase4);
    TableCheck good = TableCheck::run(fx.dbf);
    QVERIFY2(good.problems.isEmpty(), qPrintable(good.problems.join('\n')));
    QVERIFY(good.summary.contains("3 records of which 1 deleted"));

    QByteArray dbf = read(fx.dbf);
    const int headerLength = quint8(dbf[8]) | quint8(dbf[9]) << 8;
    const int recordLength = quint8(dbf[10]) | quint8(dbf[11]) << 8;
    dbf.replace(headerLength + 1, 10, right("x1", 10));                         // NUMBER of record 1
    dbf.replace(headerLength + 2 * recordLength + 1 + 55, 10, right("90", 10)); // INFO of record 3
    dbf[headerLength + 2 * recordLength] = '#';
    dbf.replace(4, 4, le32(5));
    write(fx.dbf, dbf);
    const QByteArray dbtBefore = read(fx.dbt);

    TableCheck bad = TableCheck::run(fx.dbf);
    const QString all = bad.problems.join('\n');
    QVERIFY2(all.contains("record 1: ") && all.contains("not a number"), qPrintable(all));
    QVERIFY2(all.contains("record 3: ") && all.contains("deletion flag"), qPrintable(all));
    QVERIFY2(all.contains("beyond the end"), qPrintable(all));
    QVERIFY2(all.contains("counts 5 records"), qPrintable(all));
    QCOMPARE(read(fx.dbf), dbf);
    QCOMPARE(read(fx.dbt), dbtBefore);

    QVERIFY(!TableCheck::run(dir.filePath("none.dbf")).problems.isEmpty());
}

QTEST_GUILESS_MAIN(TestDbfEngine)
#include "test_dbf_engine.moc"
