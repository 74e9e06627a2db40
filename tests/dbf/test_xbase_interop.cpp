// Tables travel between this program and other dBase tools. Perl's XBase
// module stands in for them: what it writes opens here with every value
// intact, and what we write reads back there the same.

#include "DbfBytes.h"
#include "KillPoints.h"

#include "config/Cp1250.h"
#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes a persons table in the given dBase version with three records, the
// second deleted, texts in code page 1250 and notes of one and of several
// blocks; then appends a fourth record to a table we wrote, if asked.
const char* WriteScript = R"PERL(
use strict;
use XBase;
my ($file, $version) = @ARGV;
my $t = XBase->create(name => $file, version => $version, codepage => 0xC8,
    field_names => ['NUMBER', 'SURNAME', 'NAME', 'GROUP', 'INDEX', 'INFO', 'ACTIVE'],
    field_types => ['N', 'C', 'C', 'C', 'N', 'M', 'L'],
    field_lengths => [10, 30, 30, 30, 3, 10, 1],
    field_decimals => [0, 0, 0, 0, 0, 0, 0]) or die XBase->errstr;
my $long = join('', map { "Wiersz $_ \xBF\xF3\xB3ty\r\n" } 1 .. 60);
$t->set_record(0, 1, "\xA3ukasz", "\xAF\xF3\xB3kiewski", "Zarz\xB9d", 0, "Notatka \xB9\xEA\r\ndruga linia", 1) or die $t->errstr;
$t->set_record(1, 2, "Usuni\xEAty", "Kowalski", "", 3, "gone", 0) or die $t->errstr;
$t->set_record(2, 3, "Ma\xB3gorzata", "\x8Cwi\xB9tek", "Ksi\xEAgowo\x9C\xE6", 15, $long, 0) or die $t->errstr;
$t->delete_record(1) or die $t->errstr;
$t->close;
)PERL";

const char* AppendScript = R"PERL(
use strict;
use XBase;
my ($file) = @ARGV;
my $t = XBase->new($file) or die XBase->errstr;
my $n = $t->last_record + 1;
my @names = $t->field_names;
my %v = (NUMBER => 99, SURNAME => "\x8Cwi\xEAty", NAME => "Perl", GROUP => "", INDEX => 7,
         INFO => "z Perla \xBF", ACTIVE => 1, ID_GRUPY => 99, NOTES => "x");
$t->set_record($n, map { $v{$_} } @names) or die $t->errstr;
$t->close;
)PERL";

// Every record as: deleted flag, then each field's value in hex.
const char* DumpScript = R"PERL(
use strict;
use XBase;
my ($file) = @ARGV;
my $t = XBase->new($file) or die XBase->errstr;
printf "VERSION %d\n", $t->version;
for my $i (0 .. $t->last_record) {
    my ($deleted, @values) = $t->get_record($i);
    print join('|', $deleted ? 1 : 0, map { defined $_ ? unpack('H*', $_) : '-' } @values), "\n";
}
)PERL";

QString perlProblem()
{
    QProcess p;
    p.start(QStringLiteral("perl"), {QStringLiteral("-MXBase"), QStringLiteral("-e1")});
    if (!p.waitForStarted())
        return QStringLiteral("perl is not installed (scripts/test installs perl and libdbd-xbase-perl)");
    p.waitForFinished();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("Perl's XBase module is missing (install libdbd-xbase-perl; scripts/test does)");
    return {};
}

QByteArray runPerl(const QString& dir, const char* script, const QStringList& args)
{
    const QString path = dir + QStringLiteral("/script.pl");
    dbfbytes::write(path, script);
    QProcess p;
    p.start(QStringLiteral("perl"), QStringList{path} + args);
    p.waitForFinished(60000);
    if (p.exitCode() != 0)
        qWarning().noquote() << "perl failed:" << p.readAllStandardError();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

struct Dumped
{
    bool deleted;
    QList<QByteArray> values; // "-" for undefined, else the raw bytes
};

QList<Dumped> dump(const QString& dir, const QString& file)
{
    QList<Dumped> rows;
    const QList<QByteArray> lines = runPerl(dir, DumpScript, {file}).split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty() || line.startsWith("VERSION"))
            continue;
        QList<QByteArray> parts = line.split('|');
        Dumped d{parts.takeFirst() == "1", {}};
        for (const QByteArray& hex : parts)
            d.values << (hex == "-" ? QByteArray("-") : QByteArray::fromHex(hex));
        rows << d;
    }
    return rows;
}

QString longNote()
{
    QString text;
    for (int i = 1; i <= 60; ++i)
        text += QStringLiteral("Wiersz %1 żółty\r\n").arg(i);
    return text;
}

} // namespace

class TestXBaseInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensTablesWrittenByXBase_data();
    void opensTablesWrittenByXBase();
    void xbaseReadsWhatWeWrite_data();
    void xbaseReadsWhatWeWrite();
    void xbaseReadsWhatACrashLeft();
};

void TestXBaseInterop::initTestCase()
{
    const QString problem = perlProblem();
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
}

void TestXBaseInterop::opensTablesWrittenByXBase_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("versionByte");
    QTest::newRow("dBase III+ with memo") << 3 << 0x83;
    QTest::newRow("dBase IV with memo") << 0x8B << 0x8B;
}

void TestXBaseInterop::opensTablesWrittenByXBase()
{
    QFETCH(int, version);
    QFETCH(int, versionByte);
    QTemporaryDir dir;
    const QString file = dir.filePath("osoby.dbf");
    runPerl(dir.path(), WriteScript, {file, QString::number(version)});
    QCOMPARE(quint8(dbfbytes::read(file).at(0)), quint8(versionByte));

    {
        Table t;
        t.open(file);
        QVERIFY(t.warnings().isEmpty());
        QCOMPARE(t.rowCount(), 2);
        QCOMPARE(t.asInteger("NUMBER"), 1);
        QCOMPARE(t.asText("SURNAME"), QStringLiteral("Łukasz"));
        QCOMPARE(t.asText("NAME"), QStringLiteral("Żółkiewski"));
        QCOMPARE(t.asText("GROUP"), QStringLiteral("Zarząd"));
        QCOMPARE(t.asInteger("INDEX"), 0);
        QCOMPARE(t.asText("INFO"), QStringLiteral("Notatka ąę\r\ndruga linia"));
        QVERIFY(t.asLogical("ACTIVE"));
        t.next();
        QCOMPARE(t.asInteger("NUMBER"), 3);
        QCOMPARE(t.asText("SURNAME"), QStringLiteral("Małgorzata"));
        QCOMPARE(t.asText("NAME"), QStringLiteral("Świątek"));
        QCOMPARE(t.asText("GROUP"), QStringLiteral("Księgowość"));
        QCOMPARE(t.asInteger("INDEX"), 15);
        QCOMPARE(t.asText("INFO"), longNote());
        QVERIFY(!t.asLogical("ACTIVE"));

        // Our change to their table.
        t.edit();
        t.setText("INFO", QStringLiteral("Zmiana ść"));
        t.setInteger("INDEX", 4);
        t.post();
    }
    const QList<Dumped> rows = dump(dir.path(), file);
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows[1].deleted);
    QCOMPARE(rows[2].values.value(4), QByteArray("4"));
    QCOMPARE(rows[2].values.value(5), cp1250::encode(u"Zmiana ść"));
    QCOMPARE(rows[0].values.value(5), cp1250::encode(u"Notatka ąę\r\ndruga linia"));
}

void TestXBaseInterop::xbaseReadsWhatWeWrite_data()
{
    QTest::addColumn<bool>("dBase3");
    QTest::newRow("dBase IV tables from pellaro-tables") << false;
    QTest::newRow("dBase III+ table from XBase, filled here") << true;
}

void TestXBaseInterop::xbaseReadsWhatWeWrite()
{
    QFETCH(bool, dBase3);
    QTemporaryDir dir;
    const QString file = dir.filePath("osoby.dbf");
    if (dBase3) {
        runPerl(dir.path(), WriteScript, {file, QStringLiteral("3")});
    } else {
        TableLayouts::createAll(dir.path());
    }
    {
        Table t;
        t.open(file);
        const bool hasActive = t.fieldPosition("ACTIVE") > 0;
        for (t.first(); !t.atEnd();)
            t.remove(); // start from no visible record
        const QStringList firsts{QStringLiteral("Łukasz"), QStringLiteral("Źdźisław"), QStringLiteral("Ćma")};
        for (int i = 0; i < firsts.size(); ++i) {
            t.insert();
            t.setInteger("NUMBER", i + 1);
            t.setText("SURNAME", firsts[i]);
            t.setText("NAME", QStringLiteral("Żółć-%1").arg(i));
            t.setText("GROUP", QStringLiteral("Lack of assignment!"));
            t.setInteger("INDEX", i * 5);
            t.setText("INFO", i == 1 ? longNote() : QStringLiteral("Uwagi ł %1").arg(i));
            if (hasActive)
                t.setLogical("ACTIVE", i != 0);
            t.post();
        }
        t.first();
        t.remove(); // the first of ours is marked deleted
    }

    QList<Dumped> rows = dump(dir.path(), file);
    const int before = dBase3 ? 3 : 0; // XBase's own records, all deleted now
    QCOMPARE(rows.size(), before + 3);
    for (int i = 0; i < before; ++i)
        QVERIFY(rows[i].deleted);
    QVERIFY(rows[before].deleted);
    for (int i = 1; i < 3; ++i) {
        const Dumped& r = rows[before + i];
        QVERIFY(!r.deleted);
        QCOMPARE(r.values.value(0), QByteArray::number(i + 1));
        QCOMPARE(r.values.value(1), cp1250::encode(i == 1 ? u"Źdźisław" : u"Ćma"));
        QCOMPARE(r.values.value(2), cp1250::encode(QStringLiteral("Żółć-%1").arg(i)));
        QCOMPARE(r.values.value(3), QByteArray("Lack of assignment!"));
        QCOMPARE(r.values.value(4), QByteArray::number(i * 5));
        QCOMPARE(r.values.value(5), cp1250::encode(i == 1 ? longNote() : QStringLiteral("Uwagi ł %1").arg(i)));
        if (dBase3)
            QCOMPARE(r.values.value(6), QByteArray("1"));
    }

    // XBase appends to our table; we read its record and ours.
    runPerl(dir.path(), AppendScript, {file});
    Table t;
    t.open(file);
    QVERIFY(t.warnings().isEmpty());
    QCOMPARE(t.rowCount(), 3);
    QVERIFY(t.locate("NUMBER", 99));
    QCOMPARE(t.asText("SURNAME"), QStringLiteral("Święty"));
    QCOMPARE(t.asText("INFO"), QStringLiteral("z Perla ż"));
    QCOMPARE(t.asInteger("INDEX"), 7);
    QVERIFY(t.locate("NUMBER", 2));
    QCOMPARE(t.asText("INFO"), longNote());
}

// An append killed before its count: once the reopening has moved it aside,
// XBase reads the records the program reads (before, it read one more).
void TestXBaseInterop::xbaseReadsWhatACrashLeft()
{
    QTemporaryDir dir;
    TableLayouts::createAll(dir.path());
    const QString file = dir.filePath("osoby.dbf");
    const auto append = [&](int number) {
        Table t;
        t.open(file);
        t.insert();
        t.setInteger("NUMBER", number);
        t.setText("NAME", QStringLiteral("Żółć %1").arg(number));
        t.post();
    };
    append(1);
    const QByteArray table = dbfbytes::read(file);
    const QStringList steps = killpoints::run([&] { append(2); }).steps;
    dbfbytes::write(file, table);
    QVERIFY(killpoints::run([&] { append(2); }, int(steps.lastIndexOf("write osoby.dbf")) + 1).crashed);

    Table t;
    t.open(file);
    QCOMPARE(t.takeRepairs().size(), 1);
    QCOMPARE(t.rowCount(), 1);
    const QList<Dumped> rows = dump(dir.path(), file);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(cp1250::decode(rows[0].values.value(2)), t.asText("NAME"));
}

QTEST_GUILESS_MAIN(TestXBaseInterop)
#include "test_xbase_interop.moc"
