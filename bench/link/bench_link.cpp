// bench_link: how long a card write and a card read take over the serial
// component, against the programmer simulator on a pseudo-terminal. Nominal:
// 1300 ms of pauses per card write, about 550 ms from Find to the decoded
// answer; each gap between the frames of a card write as the programmer sees
// it is printed against its pause, with the count outside GapBound.
// Usage: bench_link [ROUNDS]

#include "BenchView.h"
#include "link/LinkView.h"
#include "link/ProgrammerLink.h"
#include "serial/TSerialComm.h"

#include "config/AppError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// How far a frame gap the programmer sees may stray from its pause.
constexpr double GapBound = 20.0;

void report(const char* what, const QList<double>& ms, double nominal)
{
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-34s n=%lld  min %7.1f  mean %7.1f  max %7.1f ms   (nominal %6.0f, mean %+6.1f)\n", what,
                static_cast<long long>(ms.size()), *lo, mean, *hi, nominal, mean - nominal);
}

// Arrival times (ms) of the frames the simulator logged with the given verdict start.
QList<double> loggedTimes(const QString& logPath, const QString& verdict)
{
    QList<double> times;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return times;
    while (!log.atEnd()) {
        const QString line = QString::fromUtf8(log.readLine());
        const int cut = line.indexOf(QStringLiteral(" ms  "));
        if (cut > 0 && line.mid(cut + 5).section(QStringLiteral("  "), 1).startsWith(verdict))
            times << line.left(cut).toDouble();
    }
    return times;
}

// The gaps between consecutive frames of each card write, as the simulator
// logged them: block 1..6, then the write end.
void reportGaps(const QString& logPath)
{
    QList<QList<double>> times;
    for (int block = 1; block <= 6; ++block)
        times << loggedTimes(logPath, QStringLiteral("block %1:").arg(block));
    times << loggedTimes(logPath, QStringLiteral("card written"));
    qsizetype cards = times[0].size();
    for (const QList<double>& t : times)
        cards = std::min(cards, t.size());
    if (cards == 0) {
        std::printf("frame gaps: no complete card write in the simulator's log\n");
        return;
    }
    int outside = 0;
    for (int i = 0; i + 1 < int(times.size()); ++i) {
        const double nominal = double(ProgrammerLink::WritePauses[i].count());
        QList<double> gaps;
        for (qsizetype c = 0; c < cards; ++c) {
            gaps << times[i + 1][c] - times[i][c];
            outside += std::abs(gaps.last() - nominal) > GapBound ? 1 : 0;
        }
        const QByteArray what = i + 2 <= 6 ? QStringLiteral("gap block %1 to block %2").arg(i + 1).arg(i + 2).toLatin1()
                                           : QStringLiteral("gap block %1 to write end").arg(i + 1).toLatin1();
        report(what.constData(), gaps, nominal);
    }
    std::printf("frame gaps outside +-%.0f ms of their pause: %d of %lld\n", GapBound, outside,
                static_cast<long long>(cards * (times.size() - 1)));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("programmer.log"));
    QProcess sim;
    sim.start(QStringLiteral(PROGRAMMER_SIM),
              {QStringLiteral("--card"), QStringLiteral("5:65537:3"), QStringLiteral("--log"), logPath});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_link: programmer-sim did not start\n");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    int linkOpen = 0;
    int portNumber = 1;
    QString portCaption = QStringLiteral("COM1 ");
    TSerialComm rs;
    rs.setPortDevice(1, device);
    BenchView view;
    view.timer1.setInterval(100);
    ProgrammerLink link({linkOpen, portNumber, portCaption}, rs, view);
    QObject::connect(&view.timer1, &QTimer::timeout, &view.timer1, [&link] { link.Timer1Timer(); });
    int cardsRead = 0;
    link.setCardReadHandler([&cardsRead](const cards::CardIdentity& c) {
        if (c.personNumber == 5 && c.systemCode == 65537 && c.duplicateIndex == 3)
            ++cardsRead;
    });
    try {
        link.ConnectProgrammer();
    } catch (const AppError& e) {
        std::fprintf(stderr, "bench_link: %s\n", qPrintable(e.message()));
        return 1;
    }

    const QByteArray data = QByteArray::fromHex("80000025000000A5000000A5000001A4");
    QList<double> writes;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        link.WriteCard(65537, 5, 3, data);
        writes << t.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
    }

    QList<double> reads;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        link.Button2Click();
        view.waitForHide();
        reads << t.nsecsElapsed() / 1e6;
    }
    // Each disconnect frame is followed at once by the close of the port; the
    // programmer must still receive every one.
    const int disconnects = rounds + 1;
    for (int i = 0; i < rounds; ++i) {
        link.DisconnectProgrammer();
        link.ConnectProgrammer();
    }
    link.DisconnectProgrammer();
    QEventLoop settle;
    QTimer::singleShot(100, &settle, &QEventLoop::quit);
    settle.exec();
    sim.terminate();
    sim.waitForFinished(3000);

    // First block to write end as the simulator saw it: the pauses after
    // blocks 1..6, 1100 ms; the last 200 ms follow the write-end frame.
    const QList<double> block1 = loggedTimes(logPath, QStringLiteral("block 1:"));
    const QList<double> ends = loggedTimes(logPath, QStringLiteral("card written"));
    QList<double> spans;
    for (int i = 0; i < std::min(block1.size(), ends.size()); ++i)
        spans << ends[i] - block1[i];

    std::printf("bench_link over programmer-sim (%s), %d rounds\n", qPrintable(device), rounds);
    report("card write, WriteCard call", writes, 1300);
    if (!spans.isEmpty())
        report("card write, block 1 to write end", spans, 1100);
    report("card read, Find to decoded answer", reads, 550);
    reportGaps(logPath);
    std::printf("cards written and decoded by the simulator: %lld of %d; answers read back right: %d of %d\n",
                static_cast<long long>(ends.size()), rounds, cardsRead, rounds);
    const qsizetype disconnectsSeen = loggedTimes(logPath, QStringLiteral("disconnect")).size();
    std::printf("disconnect frames the simulator received: %lld of %d\n", static_cast<long long>(disconnectsSeen),
                disconnects);
    return cardsRead == rounds && ends.size() == rounds && disconnectsSeen == disconnects ? 0 : 1;
}
