// Timings of the table operations on an installation of the largest size:
// 65,535 persons each with a 200-byte note, 1,000 groups, 96 readers.
//   bench_tables [DIR]   (default: a temporary directory, removed afterwards)

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int PersonCount = cards::MaxPersonNumber;
constexpr int GroupCount = 1000;
constexpr int ReaderCount = cards::ReaderCount;
constexpr int NoteLength = 200;
constexpr int Repeats = 5;

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

const QStringList FirstNames{QStringLiteral("Łukasz"), QStringLiteral("Małgorzata"), QStringLiteral("Józef"),
                             QStringLiteral("Anna"),   QStringLiteral("Grzegorz"),   QStringLiteral("Żaneta"),
                             QStringLiteral("Zofia"),  QStringLiteral("Ewa"),        QStringLiteral("Piotr")};
const QStringList FamilyNames{QStringLiteral("Kowalski"),   QStringLiteral("Nowak"),    QStringLiteral("Wiśniewska"),
                              QStringLiteral("Żółkiewski"), QStringLiteral("Ćwikła"),   QStringLiteral("Dąbrowska"),
                              QStringLiteral("Kozłowski"),  QStringLiteral("Świątek"),  QStringLiteral("Lewandowski"),
                              QStringLiteral("Mazur"),      QStringLiteral("Krawczyk"), QStringLiteral("Zając")};

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The fastest and the median of times sorted from the fastest.
void printTimes(const QString& what, const std::vector<double>& times)
{
    out() << QStringLiteral("%1  min %2 ms  median %3 ms\n")
                 .arg(what, -44)
                 .arg(times.front(), 9, 'f', 3)
                 .arg(times[times.size() / 2], 9, 'f', 3);
    out().flush();
}

// Runs the step Repeats times and prints the fastest and the median. A
// warm-up run first, untimed, for a step that only reads and is compared
// with something timed the same way.
enum class WarmUp { No, Yes };
void measure(const QString& what, const std::function<void()>& step, WarmUp warmUp = WarmUp::No)
{
    if (warmUp == WarmUp::Yes)
        step();
    std::vector<double> times;
    for (int i = 0; i < Repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(msSince(timer));
    }
    std::sort(times.begin(), times.end());
    printTimes(what, times);
}

// Times one run of a program, its output thrown away: spawn, run, exit and
// wait, as a shell would time it (a spawn costs no more than the shell's
// fork, so the program is not made to look slower than it is).
double timeProcess(const QStringList& arguments)
{
    std::vector<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> args;
    for (QByteArray& argument : bytes)
        args.push_back(argument.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    int status = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    const bool waited = failed == 0 && waitpid(pid, &status, 0) == pid;
    const double ms = msSince(timer);
    posix_spawn_file_actions_destroy(&actions);
    if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw AppError(QStringLiteral("%1 did not run to its end").arg(arguments.join(QLatin1Char(' '))));
    return ms;
}

double timeCat(const QStringList& files)
{
    return timeProcess(QStringList{QStringLiteral("cat")} + files);
}

// The independent library: Perl's XBase reads every field of every record,
// notes included, in a process of its own.
const char* XBaseFullRead = R"PERL(
use strict;
use XBase;
my $t = XBase->new(shift) or die XBase->errstr;
my $n = 0;
for my $i (0 .. $t->last_record) {
    my ($deleted, @values) = $t->get_record($i);
    next if $deleted;
    $n += length($_ // '') for @values;
}
print "$n\n";
)PERL";

double timeXBase(const QString& table)
{
    return timeProcess({QStringLiteral("perl"), QStringLiteral("-e"), QString::fromLatin1(XBaseFullRead), table});
}

bool xbaseAvailable()
{
    try {
        timeProcess({QStringLiteral("perl"), QStringLiteral("-MXBase"), QStringLiteral("-e1")});
        return true;
    } catch (const AppError&) {
        return false;
    }
}

// The machine's speed drifts over seconds (other guests, clock changes), so
// runs of cat and of the full read timed apart can land in different
// phases. Here each full read runs right after a cat, and the ratio is taken
// pair by pair; a warm-up pair first.
void compareWithCat(const std::function<void()>& fullRead, const QStringList& files)
{
    constexpr int Pairs = 9;
    timeCat(files);
    fullRead();
    std::vector<double> cat, full, ratio;
    for (int i = 0; i < Pairs; ++i) {
        cat.push_back(timeCat(files));
        QElapsedTimer timer;
        timer.start();
        fullRead();
        full.push_back(msSince(timer));
        ratio.push_back(full.back() / cat.back());
    }
    for (auto* times : {&cat, &full, &ratio})
        std::sort(times->begin(), times->end());
    // The smallest ratio of a pair would be a slow cat beside a quick read;
    // the fastest read over the fastest cat is shown instead.
    const double fastest = full.front() / cat.front();
    out() << QStringLiteral("in %1 pairs, each full read right after a cat:\n").arg(Pairs);
    printTimes(QStringLiteral("  cat osoby.dbf osoby.dbt"), cat);
    printTimes(QStringLiteral("  full read"), full);
    out() << QStringLiteral("%1  fastest/fastest %2 x  median of the pairs %3 x\n")
                 .arg(QStringLiteral("  full read / cat"), -44)
                 .arg(fastest, 5, 'f', 2)
                 .arg(ratio[ratio.size() / 2], 5, 'f', 2);
    out().flush();
}

// The full read beside the same read by the independent library, in pairs
// as with cat; the engine is to take at most half the library's time.
void compareWithXBase(const std::function<void()>& fullRead, const QString& table)
{
    constexpr int Pairs = 3;
    constexpr double Nominal = 0.5;
    if (!xbaseAvailable()) {
        out() << "full read / XBase: skipped, Perl's XBase module is not installed (libdbd-xbase-perl)\n";
        return;
    }
    std::vector<double> xbase, full, ratio;
    for (int i = 0; i < Pairs; ++i) {
        xbase.push_back(timeXBase(table));
        QElapsedTimer timer;
        timer.start();
        fullRead();
        full.push_back(msSince(timer));
        ratio.push_back(full.back() / xbase.back());
    }
    for (auto* times : {&xbase, &full, &ratio})
        std::sort(times->begin(), times->end());
    out() << QStringLiteral("in %1 pairs, each full read right after the same read by Perl's XBase:\n").arg(Pairs);
    printTimes(QStringLiteral("  XBase: every field of osoby.dbf"), xbase);
    printTimes(QStringLiteral("  full read"), full);
    const double median = ratio[ratio.size() / 2];
    out() << QStringLiteral("%1  fastest/fastest %2 x  median of the pairs %3 x  (at most %4 x: %5)\n")
                 .arg(QStringLiteral("  full read / XBase"), -44)
                 .arg(full.front() / xbase.front(), 5, 'f', 2)
                 .arg(median, 5, 'f', 2)
                 .arg(Nominal, 4, 'f', 2)
                 .arg(median <= Nominal ? QStringLiteral("met") : QStringLiteral("MISSED"));
    out().flush();
}

void fill(const QString& dir)
{
    QElapsedTimer timer;
    timer.start();
    Table groups;
    groups.open(QDir(dir).filePath(TableLayouts::GroupsFile));
    {
        Table::Batch batch(groups);
        for (int id = 1; id <= GroupCount; ++id) {
            groups.insert();
            groups.setInteger(QStringLiteral("ID_Grupy"), id);
            groups.setText(QStringLiteral("NAME"), QStringLiteral("Grupa %1").arg(id));
            for (int k = 1; k <= cards::ReaderCount; ++k)
                groups.setLogicalAt(TableLayouts::FirstAccessFlagPosition + k - 1, (id + k) % 3 == 0);
            groups.post();
        }
    }
    Table readers;
    readers.open(QDir(dir).filePath(TableLayouts::ReadersFile));
    {
        Table::Batch batch(readers);
        for (int id = 1; id <= ReaderCount; ++id) {
            readers.insert();
            readers.setInteger(QStringLiteral("ID_CZYT"), id);
            readers.setText(QStringLiteral("NAME"), QStringLiteral("Czytnik %1").arg(id));
            readers.setInteger(QStringLiteral("TIME"), 2);
            readers.setLogical(QStringLiteral("PROX"), false);
            readers.setLogical(QStringLiteral("EMULACJA"), false);
            readers.post();
        }
    }
    Table persons;
    persons.open(QDir(dir).filePath(TableLayouts::PersonsFile));
    {
        Table::Batch batch(persons);
        for (int n = 1; n <= PersonCount; ++n) {
            persons.insert();
            persons.setInteger(QStringLiteral("NUMBER"), n);
            persons.setText(QStringLiteral("SURNAME"), FirstNames[n % FirstNames.size()]);
            persons.setText(QStringLiteral("NAME"), FamilyNames[(n / 7) % FamilyNames.size()]);
            persons.setText(QStringLiteral("GROUP"), QStringLiteral("Grupa %1").arg(1 + n % GroupCount));
            persons.setInteger(QStringLiteral("INDEX"), 0);
            QString note = QStringLiteral("Notatka nr %1 – zażółć gęślą jaźń. ").arg(n);
            while (note.size() < NoteLength)
                note += note;
            persons.setText(QStringLiteral("INFO"), note.left(NoteLength));
            persons.post();
        }
    }
    out() << QStringLiteral("%1  %2 ms (one sync per table)\n")
                 .arg(QStringLiteral("fill: %1 persons, %2 groups, %3 readers")
                          .arg(PersonCount)
                          .arg(GroupCount)
                          .arg(ReaderCount),
                      -44)
                 .arg(msSince(timer), 9, 'f', 1);
}

void run(const QString& dir)
{
    const QDir d(dir);
    TableLayouts::createAll(dir);
    fill(dir);
    for (const QString& name : {TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile})
        out() << name << ": " << QFileInfo(d.filePath(name)).size() << " bytes\n";

    qint64 sink = 0;
    // What the operator waits for when the persons page first fills: the
    // table opened and every field of every person read, notes included.
    // bench/run-tables compares it with cat of osoby.dbf and osoby.dbt,
    // timed the same way: a warm-up, then the fastest and the median.
    const auto fullRead = [&] {
        Table full;
        full.open(d.filePath(TableLayouts::PersonsFile));
        const int fields = full.fieldCount();
        for (full.first(); !full.atEnd(); full.next())
            for (int position = 1; position <= fields; ++position)
                sink += full.textAt(position).size();
    };
    const QStringList catFiles{d.filePath(TableLayouts::PersonsFile), d.filePath(QStringLiteral("osoby.dbt"))};
    measure(QStringLiteral("full read: open persons, every field"), fullRead, WarmUp::Yes);
    compareWithCat(fullRead, catFiles);
    compareWithXBase(fullRead, d.filePath(TableLayouts::PersonsFile));
    Table persons;
    Table groups;
    Table readers;
    measure(QStringLiteral("open all three tables"), [&] {
        persons.close();
        groups.close();
        readers.close();
        persons.open(d.filePath(TableLayouts::PersonsFile));
        groups.open(d.filePath(TableLayouts::GroupsFile));
        readers.open(d.filePath(TableLayouts::ReadersFile));
    });

    measure(QStringLiteral("full scan of persons (NUMBER, NAME)"), [&] {
        for (persons.first(); !persons.atEnd(); persons.next())
            sink += persons.asInteger(QStringLiteral("NUMBER")) + persons.asText(QStringLiteral("NAME")).size();
    });
    measure(QStringLiteral("full scan of persons with notes"), [&] {
        for (persons.first(); !persons.atEnd(); persons.next())
            sink += persons.asText(QStringLiteral("INFO")).size();
    });
    measure(QStringLiteral("largest NUMBER, display suspended"), [&] {
        persons.suspendDisplay();
        qint64 largest = 0;
        for (persons.first(); !persons.atEnd(); persons.next())
            largest = qMax(largest, persons.asInteger(QStringLiteral("NUMBER")));
        persons.resumeDisplay();
        sink += largest;
    });
    measure(QStringLiteral("locate NUMBER 65535 (last record)"), [&] {
        persons.first();
        if (!persons.locate(QStringLiteral("NUMBER"), PersonCount))
            throw AppError(QStringLiteral("locate found nothing"));
    });
    measure(QStringLiteral("locate group by NAME (case counting)"), [&] {
        if (!groups.locate(QStringLiteral("NAME"), QStringLiteral("Grupa 999"), Qt::CaseSensitive))
            throw AppError(QStringLiteral("locate found nothing"));
    });
    int passing = 0;
    measure(QStringLiteral("filter on, NAME prefix \"ko\""), [&] {
        persons.setPrefixFilter(QStringLiteral("NAME"), QStringLiteral("ko"));
        persons.setFilterActive(true);
        passing = persons.rowCount();
        persons.setFilterActive(false);
    });
    out() << "  (" << passing << " persons pass the filter)\n";
    measure(QStringLiteral("post one edit (with sync)"), [&] {
        persons.locate(QStringLiteral("NUMBER"), 30000);
        persons.edit();
        persons.setText(QStringLiteral("SURNAME"), QStringLiteral("Zmieniony"));
        persons.post();
    });
    measure(QStringLiteral("post one edit of a note (with sync)"), [&] {
        persons.edit();
        persons.setText(QStringLiteral("INFO"), QStringLiteral("Nowa notatka %1").arg(sink++));
        persons.post();
    });
    measure(QStringLiteral("append one record with a note (with sync)"), [&] {
        persons.insert();
        persons.setInteger(QStringLiteral("NUMBER"), PersonCount + 1);
        persons.setText(QStringLiteral("NAME"), QStringLiteral("Dodany"));
        persons.setText(QStringLiteral("INFO"), QString(NoteLength, u'ż'));
        persons.post();
    });
    measure(QStringLiteral("delete one record (with sync)"), [&] {
        persons.locate(QStringLiteral("NUMBER"), PersonCount + 1);
        persons.remove();
    });
    auto setGroup = [&](int count) {
        persons.first();
        for (int i = 0; i < count && !persons.atEnd(); ++i, persons.next()) {
            persons.edit();
            persons.setText(QStringLiteral("GROUP"), QStringLiteral("Lack of assignment!"));
            persons.post();
        }
    };
    measure(QStringLiteral("GROUP on 1,000 persons, one batch"), [&] {
        Table::Batch batch(persons);
        setGroup(1000);
    });
    measure(QStringLiteral("GROUP on 100 persons, sync per record"), [&] { setGroup(100); });
    measure(QStringLiteral("refresh persons (re-read the file)"), [&] { persons.refresh(); });
    measure(QStringLiteral("groups: full access by position (with sync)"), [&] {
        groups.edit();
        for (int k = 0; k < cards::ReaderCount; ++k)
            groups.setLogicalAt(TableLayouts::FirstAccessFlagPosition + k, true);
        groups.post();
    });
    out() << "(checksum " << sink << ")\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        if (argc > 1) {
            QDir().mkpath(QString::fromLocal8Bit(argv[1]));
            run(QString::fromLocal8Bit(argv[1]));
        } else {
            QTemporaryDir dir;
            run(dir.path());
        }
    } catch (const AppError& e) {
        QTextStream(stderr) << "bench_tables: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
