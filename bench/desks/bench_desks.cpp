// Several desks posting edits on one database at once, each a process of
// its own (this program started again with "desk"). Every edit adds one to a
// counter kept in a person's first name, starting from the value the desk
// sees; an edit refused because another desk was first is re-read and tried
// again. An update lost would leave a counter below the edits stored.
//   bench_desks SECONDS                        the benchmark (PELLARO_PG_STATE names the server)
//   bench_desks desk INDEX SECONDS OUTFILE     one desk

#include "PgCluster.h"

#include "config/AppError.h"
#include "dbf/RecordStore.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

const QString Database = QStringLiteral("pellaro_bench");
constexpr int SharedPersons = 16;
constexpr int GridPersons = 65535;

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), PgStore::Kind::Persons));
    return table;
}

// One desk: posts for the given seconds; writes "post NUMBER VALUE TIME" for
// each edit stored, "seen NUMBER VALUE TIME" for each value of another desk
// the notices brought, and "refused N" at the end.
int runDesk(int index, int seconds, const QString& outFile)
{
    PgCluster cluster;
    cluster.useDatabase(Database);
    auto table = openDesk(cluster, QStringLiteral("desk %1").arg(index));
    const int numberField = table->fieldPosition(PersonField::Number);
    const int counterField = table->fieldPosition(PersonField::FirstName);
    QHash<qint64, qint64> known; // number -> the largest value seen or stored
    QStringList lines;
    bool ownReread = false;
    const auto look = [&] {
        const qint64 t = now();
        for (int row = 0; row < table->rowCount(); ++row) {
            const qint64 number = table->valueAt(row, numberField).toLongLong();
            const qint64 value = table->valueAt(row, counterField).toString().trimmed().toLongLong();
            if (value > known.value(number)) {
                if (!ownReread)
                    lines << QStringLiteral("seen %1 %2 %3").arg(number).arg(value).arg(t);
                known[number] = value;
            }
        }
    };
    ownReread = true;
    look();
    ownReread = false;
    QObject::connect(table.get(), &Table::rowsReset, look);

    std::mt19937 random(unsigned(index) + 1);
    int refused = 0;
    const qint64 end = now() + qint64(seconds) * 1000;
    while (now() < end) {
        QCoreApplication::processEvents();
        table->moveToRow(int(random() % unsigned(table->rowCount())));
        for (;;) {
            const qint64 number = table->asInteger(PersonField::Number);
            const qint64 value = table->asText(PersonField::FirstName).trimmed().toLongLong() + 1;
            table->edit();
            table->setText(PersonField::FirstName, QString::number(value));
            const qint64 posted = now();
            try {
                table->post();
            } catch (const RecordChangedElsewhere&) {
                ++refused;
                table->cancel();
                ownReread = true;
                table->reread();
                ownReread = false;
                continue;
            }
            lines << QStringLiteral("post %1 %2 %3").arg(number).arg(value).arg(posted);
            known[number] = std::max(known.value(number), value);
            break;
        }
    }
    lines << QStringLiteral("refused %1").arg(refused);
    QFile file(outFile);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write((lines.join(u'\n') + u'\n').toUtf8());
    return 0;
}

QHash<qint64, qint64> storedCounters(PgCluster& cluster)
{
    auto table = openDesk(cluster, QStringLiteral("check"));
    QHash<qint64, qint64> counters;
    const QList<int> fields{table->fieldPosition(PersonField::Number), table->fieldPosition(PersonField::FirstName)};
    for (const QVariantList& values : table->storedRecords(fields))
        counters[values.at(0).toLongLong()] = values.at(1).toString().trimmed().toLongLong();
    return counters;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

bool runDesks(PgCluster& cluster, int desks, int seconds)
{
    const QHash<qint64, qint64> before = storedCounters(cluster);
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < desks; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("desk"), QString::number(i), QString::number(seconds), dir.filePath(QString::number(i))});
        processes.push_back(std::move(process));
    }
    for (auto& process : processes)
        if (!process->waitForFinished(qMax(60, seconds * 4) * 1000) || process->exitCode() != 0) {
            out() << QStringLiteral("a desk failed\n");
            return false;
        }

    QHash<QString, qint64> postedAt; // "NUMBER VALUE" -> time
    QHash<qint64, int> stores;       // number -> edits stored
    QHash<qint64, qint64> largest;   // number -> the largest value a desk stored
    std::vector<std::pair<QString, qint64>> seen;
    int refused = 0;
    for (int i = 0; i < desks; ++i) {
        QFile file(dir.filePath(QString::number(i)));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 4 && parts[0] == "post") {
                const qint64 number = parts[1].toLongLong();
                postedAt[parts[1] + ' ' + parts[2]] = parts[3].toLongLong();
                ++stores[number];
                largest[number] = std::max(largest.value(number), parts[2].toLongLong());
            } else if (parts.size() == 4 && parts[0] == "seen") {
                seen.emplace_back(QString::fromLatin1(parts[1] + ' ' + parts[2]), parts[3].toLongLong());
            } else if (parts.size() == 2 && parts[0] == "refused") {
                refused += parts[1].toInt();
            }
        }
    }
    std::vector<double> delays;
    for (const auto& [key, at] : seen)
        if (postedAt.contains(key))
            delays.push_back(double(at - postedAt.value(key)));
    const QHash<qint64, qint64> after = storedCounters(cluster);
    int lost = 0;
    int edits = 0;
    for (auto it = stores.cbegin(); it != stores.cend(); ++it) {
        edits += it.value();
        const qint64 gained = after.value(it.key()) - before.value(it.key());
        lost += int(std::max<qint64>(0, it.value() - gained));
        if (after.value(it.key()) != largest.value(it.key()))
            ++lost; // the stored value is not the last one a desk stored
    }
    out() << QStringLiteral("%1 desk(s), %2 s: %3 edits/s (%4 edits, %5 refused and tried again), change seen at "
                            "another desk: p95 %6 ms over %7 changes\n")
                 .arg(desks)
                 .arg(seconds)
                 .arg(double(edits) / seconds, 0, 'f', 0)
                 .arg(edits)
                 .arg(refused)
                 .arg(desks > 1 ? QString::number(percentile(delays, 0.95), 'f', 0) : QStringLiteral("-"))
                 .arg(delays.size());
    out() << QStringLiteral("lost updates: %1\n").arg(lost);
    out().flush();
    return lost == 0;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void timeGrid(PgCluster& cluster)
{
    cluster.exec(QStringLiteral("DELETE FROM persons"));
    cluster.exec(QStringLiteral("INSERT INTO persons (\"NUMBER\", \"SURNAME\", \"NAME\", \"GROUP\", \"INDEX\", \"INFO\") "
                                "SELECT g, 'First ' || g, 'Family ' || g, 'Group ' || (g % 1000), 0, "
                                "CASE WHEN g % 10 = 0 THEN 'note ' || g END FROM generate_series(1, %1) g")
                     .arg(GridPersons));
    cluster.exec(QStringLiteral("VACUUM ANALYZE persons"));
    std::vector<double> opens;
    std::unique_ptr<Table> table;
    for (int i = 0; i < 5; ++i) {
        table.reset();
        QElapsedTimer timer;
        timer.start();
        table = openDesk(cluster, QStringLiteral("grid"));
        TableModel model(table.get(), {PersonField::Number, PersonField::FirstName, PersonField::FamilyName,
                                       PersonField::Group});
        for (int row = 0; row < std::min(40, model.rowCount()); ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                model.data(model.index(row, column));
        opens.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (table->rowCount() != GridPersons)
            out() << QStringLiteral("the grid shows %1 persons\n").arg(table->rowCount());
    }
    out() << QStringLiteral("persons grid of %1 opened from the server: median %2 ms, min %3 ms (goal 1000 ms)\n")
                 .arg(GridPersons)
                 .arg(median(opens), 0, 'f', 1)
                 .arg(*std::min_element(opens.begin(), opens.end()), 0, 'f', 1);
    std::vector<double> posts;
    std::mt19937 random(7);
    for (int i = 0; i < 101; ++i) {
        table->moveToRow(int(random() % unsigned(GridPersons)));
        QElapsedTimer timer;
        timer.start();
        table->edit();
        table->setText(PersonField::FirstName, QStringLiteral("Edited %1").arg(i));
        table->post();
        posts.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    out() << QStringLiteral("one edit posted on it: median %1 ms, max %2 ms (goal 20 ms median)\n")
                 .arg(median(posts), 0, 'f', 2)
                 .arg(*std::max_element(posts.begin(), posts.end()), 0, 'f', 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        if (argc == 5 && QByteArray(argv[1]) == "desk")
            return runDesk(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt(), QString::fromLocal8Bit(argv[4]));
        const int seconds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 30;
        PgCluster cluster;
        if (!cluster.isValid() || !cluster.freshDatabase(Database)) {
            out() << QStringLiteral("no server: PELLARO_PG_STATE must name a running one (bench/run-desks starts it)\n");
            return 1;
        }
        {
            auto setup = openDesk(cluster, QStringLiteral("setup"));
            for (int n = 1; n <= SharedPersons; ++n) {
                setup->insert();
                setup->setInteger(PersonField::Number, n);
                setup->setText(PersonField::FirstName, QStringLiteral("0"));
                setup->setText(PersonField::FamilyName, QStringLiteral("Shared %1").arg(n));
                setup->post();
            }
        }
        out() << QStringLiteral("%1 persons edited by every desk\n").arg(SharedPersons);
        bool sound = true;
        for (int desks : {1, 2, 4, 8})
            sound = runDesks(cluster, desks, seconds) && sound;
        timeGrid(cluster);
        return sound ? 0 : 1;
    } catch (const AppError& e) {
        out() << e.message() << '\n';
        return 1;
    }
}
