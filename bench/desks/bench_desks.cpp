// Several desks posting edits on one database at once, each a process of
// its own (this program started again with "desk"). Every edit adds one to a
// counter kept in a person's first name, starting from the value the desk
// sees; an edit refused because another desk was first is re-read and tried
// again. An update lost would leave a counter below the edits stored.
// Then two desks at once add persons, import sheets of them, delete them and
// write cards for persons they queued from what they showed a moment before,
// as an enrolment station does: a card written under a number that belonged
// to somebody else at that moment is a wrong-person write.
//   bench_desks SECONDS                        the benchmark (PELLARO_PG_STATE names the server)
//   bench_desks desk INDEX SECONDS OUTFILE     one desk posting edits
//   bench_desks cards INDEX SECONDS OUTFILE    one desk adding, deleting and writing cards

#include "PgCluster.h"
#include "link/LinkFakes.h"

#include "config/AppError.h"
#include "dbf/RecordStore.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "i18n/LanguageTables.h"
#include "journal/CardJournal.h"
#include "link/Frames.h"
#include "link/ProgrammerLink.h"
#include "pages/NewNumbers.h"
#include "pages/PersonCards.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

const QString Database = QStringLiteral("pellaro_bench");
constexpr int SharedPersons = 16;
constexpr int GridPersons = 65535;
constexpr int CardDesks = 2;
const QString StaffGroup = QStringLiteral("Staff");

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::unique_ptr<Table> openDesk(PgCluster& cluster, const QString& desk, PgStore::Kind kind = PgStore::Kind::Persons)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(cluster.server(desk), kind));
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

qint64 micros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The person number on the card the link sent: blocks 1 and 2 carry the
// identifier frame; -1 when they do not make one.
int numberOnCard(const FakePort& port)
{
    QByteArray frame;
    for (const FakePort::Write& w : port.writes)
        if (w.bytes.size() > 12 && quint8(w.bytes[2]) == frames::CmdWriteBlock && quint8(w.bytes[12]) <= 2)
            frame += w.bytes.mid(8, frames::BlockSize);
    const std::optional<cards::Identifier> id = cards::DecodeCardFrame(frame);
    return id ? cards::unpackIdentifier(*id).personNumber : -1;
}

// One desk of the cards run: adds persons as Add does, imports sheets of
// three, deletes the person a row shows and writes the cards of persons it
// queued from its rows some steps before, through the programmer link (on a
// port that only records) and the card journal, as the enrolment station
// does. Family names are unique over the run; a deleted last number is
// given again. Writes "add NUMBER FAMILY
// FIRST START END", "del ..." the same, "write NUMBER FAMILY FIRST CARD START
// END" (times in microseconds), and "skipped N REFUSED" at the end: the
// cards not written because the number no longer stood for the person
// queued, and the additions the database refused.
int runCardDesk(int index, int seconds, const QString& outFile)
{
    MessageBox::setRecording(true);
    PgCluster cluster;
    cluster.useDatabase(Database);
    const QString desk = QStringLiteral("cards %1").arg(index);
    auto persons = openDesk(cluster, desk);
    auto groups = openDesk(cluster, desk, PgStore::Kind::Groups);
    QTemporaryDir dir;
    ProgramState state;
    state.SystemNumber = 123456;
    i18n::copyLanguageTable(u"English", &state.TextSlots);
    FakeClock clock;
    FakePort port{clock};
    RecordingView view;
    ProgrammerLink link{LinkState{state.LinkOpen, state.PortNumber, state.PortCaption}, port, view,
                        [&clock](std::chrono::milliseconds d) { clock.pause(d); }};
    QString error;
    if (!port.open(&error))
        return 1;
    state.LinkOpen = 1;
    CardJournal journal{QDir(dir.path()).filePath(CardJournal::FileName)};
    journal.setRole(QStringLiteral("user"));
    PersonCards cards(state, link, *persons, *groups, journal);

    const int numberField = persons->fieldPosition(PersonField::Number);
    const int familyField = persons->fieldPosition(PersonField::FamilyName);
    const int firstField = persons->fieldPosition(PersonField::FirstName);
    const int groupField = persons->fieldPosition(PersonField::Group);
    const auto line = [](const char* what, qint64 number, const QVariant& family, const QVariant& first) {
        return QStringLiteral("%1 %2 %3 %4")
            .arg(QLatin1String(what))
            .arg(number)
            .arg(family.toString().trimmed(), first.toString().trimmed());
    };
    std::mt19937 random(unsigned(index) + 101);
    std::deque<PersonCards::Queued> queue;
    QStringList lines;
    int made = 0;
    int skipped = 0;
    int refused = 0;
    const QString tag = QStringLiteral("d%1-").arg(index);
    const qint64 end = now() + qint64(seconds) * 1000;
    while (now() < end) {
        QCoreApplication::processEvents();
        const unsigned action = random() % 10;
        const qint64 start = micros();
        if (action < 3) {
            const QString family = tag + QString::number(++made);
            qint64 number = 0;
            try {
                number = pages::addNumbered(*persons, PersonField::Number, {}, [&](qint64) {
                    persons->setText(PersonField::FamilyName, family);
                    persons->setText(PersonField::FirstName, QStringLiteral("A"));
                    persons->setText(PersonField::Group, StaffGroup);
                });
            } catch (const AppError&) {
                ++refused; // the database refused the number
                continue;
            }
            lines << line("add", number, family, QStringLiteral("A")) +
                         QStringLiteral(" %1 %2").arg(start).arg(micros());
        } else if (action < 4) {
            QByteArray sheet = "NAME,SURNAME,GROUP\r\n";
            QStringList names;
            for (int i = 0; i < 3; ++i) {
                names << tag + QString::number(++made);
                sheet += names.last().toUtf8() + ",I," + StaffGroup.toUtf8() + "\r\n";
            }
            try {
                if (exchange::importPersons(*persons, *groups, sheet).added != 3)
                    return 1;
            } catch (const AppError&) {
                ++refused;
                continue;
            }
            const qint64 done = micros();
            // The numbers the sheet's persons were given, as stored.
            for (const QVariantList& r : persons->storedRecords({numberField, familyField}))
                if (names.contains(r.at(1).toString().trimmed()))
                    lines << line("add", r.at(0).toLongLong(), r.at(1), QStringLiteral("I")) +
                                 QStringLiteral(" %1 %2").arg(start).arg(done);
        } else if (persons->rowCount() > 0) {
            // Half the time the last row, the person added last: deleted
            // there, the number is free for the next person added.
            const unsigned rows = unsigned(persons->rowCount());
            persons->moveToRow(int(random() % 2 ? rows - 1 : random() % rows));
            const int row = persons->currentRow();
            const PersonCards::Queued shown{
                persons->valueAt(row, numberField).toLongLong(), persons->valueAt(row, familyField).toString(),
                persons->valueAt(row, firstField).toString(), persons->valueAt(row, groupField).toString()};
            if (action < 6) {
                try {
                    persons->remove();
                } catch (const AppError&) {
                    persons->refresh(); // deleted or changed at the other desk already
                    continue;
                }
                lines << line("del", shown.number, shown.familyName, shown.firstName) +
                             QStringLiteral(" %1 %2").arg(start).arg(micros());
            } else if (action < 8) {
                queue.push_back(shown);
            } else if (!queue.empty()) {
                const PersonCards::Queued queued = queue.front();
                queue.pop_front();
                port.writes.clear();
                const PersonCards::QueuedWrite write = cards.programQueued(queued);
                if (write.outcome == PersonCards::QueuedWrite::Written)
                    lines << line("write", queued.number, queued.familyName, queued.firstName) +
                                 QStringLiteral(" %1 %2 %3").arg(numberOnCard(port)).arg(start).arg(micros());
                else if (write.outcome == PersonCards::QueuedWrite::Skipped)
                    ++skipped;
                else
                    return 1;
            }
        }
    }
    lines << QStringLiteral("skipped %1 %2").arg(skipped).arg(refused);
    QFile file(outFile);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write((lines.join(u'\n') + u'\n').toUtf8());
    return 0;
}

// Two card desks at once. A write is counted wrong when the number on the
// card is not the number of the person it was written for, when that person
// never held the number, or when another person held it at any moment
// between the start of that person's addition and the end of their deletion
// that overlaps the write's own check and write: the stores' commit lies
// somewhere within those spans, so the count errs on the side of a fault.
bool runCardDesks(PgCluster& cluster, int seconds)
{
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < CardDesks; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("cards"), QString::number(i), QString::number(seconds), dir.filePath(QString::number(i))});
        processes.push_back(std::move(process));
    }
    for (auto& process : processes)
        if (!process->waitForFinished(qMax(60, seconds * 4) * 1000) || process->exitCode() != 0) {
            out() << QStringLiteral("a card desk failed\n");
            return false;
        }

    struct Hold
    {
        QByteArray person;
        qint64 from = 0;
        qint64 to = std::numeric_limits<qint64>::max();
    };
    struct Write
    {
        qint64 number, card, from, to;
        QByteArray person;
    };
    std::map<qint64, std::vector<Hold>> holds; // number -> who held it, when
    std::vector<Write> writes;
    QHash<QByteArray, qint64> deletedAt; // family name -> the end of its deletion
    int added = 0;
    int skipped = 0;
    int refused = 0;
    for (int i = 0; i < CardDesks; ++i) {
        QFile file(dir.filePath(QString::number(i)));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& text : file.readAll().split('\n')) {
            const QList<QByteArray> p = text.split(' ');
            if (p.size() == 6 && p[0] == "add") {
                holds[p[1].toLongLong()].push_back({p[2], p[4].toLongLong()});
                ++added;
            } else if (p.size() == 6 && p[0] == "del") {
                // A row deleted at both desks: the first deletion counts.
                deletedAt[p[2]] = std::min(deletedAt.value(p[2], p[5].toLongLong()), p[5].toLongLong());
            } else if (p.size() == 7 && p[0] == "write") {
                writes.push_back({p[1].toLongLong(), p[4].toLongLong(), p[5].toLongLong(), p[6].toLongLong(), p[2]});
            } else if (p.size() == 3 && p[0] == "skipped") {
                skipped += p[1].toInt();
                refused += p[2].toInt();
            }
        }
    }
    for (auto& [number, list] : holds)
        for (Hold& hold : list)
            if (deletedAt.contains(hold.person))
                hold.to = deletedAt.value(hold.person);
    int wrong = 0;
    for (const Write& w : writes) {
        const std::vector<Hold>& list = holds[w.number];
        const bool held = std::any_of(list.begin(), list.end(), [&](const Hold& h) { return h.person == w.person; });
        const bool other = std::any_of(list.begin(), list.end(), [&](const Hold& h) {
            return h.person != w.person && h.from <= w.to && h.to >= w.from;
        });
        if (w.card != w.number || !held || other)
            ++wrong;
    }
    auto check = openDesk(cluster, QStringLiteral("check"));
    const QList<QVariantList> stored = check->storedRecords({check->fieldPosition(PersonField::Number)});
    QSet<qint64> distinct;
    for (const QVariantList& r : stored)
        distinct.insert(r.at(0).toLongLong());
    const int duplicates = int(stored.size() - distinct.size());
    out() << QStringLiteral("%1 desks adding, importing, deleting and writing cards, %2 s: %3 persons added, %4 "
                            "deleted, %5 cards written, %6 skipped (the number no longer the person queued), "
                            "%7 additions refused\n")
                 .arg(CardDesks)
                 .arg(seconds)
                 .arg(added)
                 .arg(deletedAt.size())
                 .arg(writes.size())
                 .arg(skipped)
                 .arg(refused);
    out() << QStringLiteral("wrong-person writes: %1\n").arg(wrong);
    out() << QStringLiteral("duplicate numbers: %1\n").arg(duplicates);
    out().flush();
    return wrong == 0 && duplicates == 0 && refused == 0;
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
        if (argc == 5 && QByteArray(argv[1]) == "cards")
            return runCardDesk(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt(),
                               QString::fromLocal8Bit(argv[4]));
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
        {
            auto groups = openDesk(cluster, QStringLiteral("setup"), PgStore::Kind::Groups);
            groups->insert();
            groups->setText(GroupField::Name, StaffGroup);
            groups->setLogical(QStringLiteral("P1"), true);
            groups->post();
        }
        cluster.exec(QStringLiteral("DELETE FROM persons"));
        sound = runCardDesks(cluster, seconds) && sound;
        timeGrid(cluster);
        return sound ? 0 : 1;
    } catch (const AppError& e) {
        out() << e.message() << '\n';
        return 1;
    }
}
