// bench_enrol: the enrolment station writing a list of cards in a row through
// the real link over a pseudo-terminal, the programmer simulator taking each
// card off and putting a blank one on (--swap TAKE_MS:PLACE_MS). Prints the
// cards per hour and the time per card beyond the protocol's own: the
// write's 1300 ms of pauses, the simulator's answer to a read and the swap.
// Usage: bench_enrol [CARDS] [TAKE_MS:PLACE_MS]

#include "BenchView.h"
#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageTables.h"
#include "link/ProgrammerLink.h"
#include "journal/CardJournal.h"
#include "pages/EnrolStation.h"
#include "pages/PersonCards.h"
#include "pages/ProgramQueue.h"
#include "serial/TSerialComm.h"
#include "state/ProgramState.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <numeric>

namespace {

constexpr int FirstPerson = 1000;
constexpr int System = 123456;
constexpr int AnswerRounds = 20;

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const QString swap = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("300:700");
    const QStringList swapParts = swap.split(u':');
    const double swapMs = swapParts.value(0).toDouble() + swapParts.value(1).toDouble();
    MessageBox::setRecording(true);

    QTemporaryDir dir;
    QProcess sim;
    const QString device = startSimulator(sim, QStringLiteral(PROGRAMMER_SIM), {QStringLiteral("--swap"), swap});
    if (device.isEmpty()) {
        std::fprintf(stderr, "bench_enrol: programmer-sim did not start\n");
        return 1;
    }

    TableLayouts::createAll(dir.path());
    Table persons;
    Table groups;
    persons.open(QDir(dir.path()).filePath(TableLayouts::PersonsFile));
    groups.open(QDir(dir.path()).filePath(TableLayouts::GroupsFile));
    groups.insert();
    groups.setText(QStringLiteral("NAME"), QStringLiteral("Staff"));
    groups.setLogical(QStringLiteral("P1"), true);
    groups.post();
    std::vector<ProgramQueue::Person> list;
    for (int i = 0; i < count; ++i) {
        persons.insert();
        persons.setInteger(QStringLiteral("NUMBER"), FirstPerson + i);
        persons.setText(QStringLiteral("GROUP"), QStringLiteral("Staff"));
        persons.post();
        list.push_back({FirstPerson + i, {}, {}, QStringLiteral("Staff"), {}, {}, -1, {}});
    }

    QMainWindow window;
    MainWindowUi ui;
    ui.setupUi(&window);
    ProgramState state;
    state.SystemNumber = System;
    state.PortCaption = QStringLiteral("COM1 ");
    i18n::copyLanguageTable(u"English", &state.TextSlots);
    TSerialComm rs;
    rs.setPortDevice(1, device);
    BenchView view;
    ProgrammerLink link({state.LinkOpen, state.PortNumber, state.PortCaption}, rs, view);
    link.setReadBack(true);
    CardJournal journal(QDir(dir.path()).filePath(CardJournal::FileName));
    journal.setRole(QStringLiteral("administrator"));
    PersonCards cards(state, link, persons, groups, journal);
    ProgramQueue queue(state.TextSlots);
    queue.add(list);
    EnrolStation station(state, link, cards, queue);
    try {
        link.ConnectProgrammer();
    } catch (const AppError& e) {
        std::fprintf(stderr, "bench_enrol: %s\n", qPrintable(e.message()));
        return 1;
    }

    // The simulator's answer to a read, from the command to the fifth byte,
    // on the blank card it starts with.
    QList<double> answers;
    for (int i = 0; i < AnswerRounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (link.queryCard())
            answers << t.nsecsElapsed() / 1e6;
    }
    if (answers.isEmpty()) {
        std::fprintf(stderr, "bench_enrol: the simulator's blank card does not answer\n");
        return 1;
    }
    const double answerMs = std::accumulate(answers.begin(), answers.end(), 0.0) / answers.size();

    QEventLoop loop;
    QObject::connect(&station, &EnrolStation::changed, &loop, [&] {
        if (!station.running())
            loop.quit();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    giveUp.start(int(count * (3000 + swapMs)));
    QElapsedTimer t;
    t.start();
    station.start();
    loop.exec();
    const double totalMs = t.nsecsElapsed() / 1e6;
    link.DisconnectProgrammer();
    sim.terminate();
    sim.waitForFinished(3000);

    const int verified = int(std::count_if(queue.persons().begin(), queue.persons().end(),
                                           [](const auto& p) { return p.state == ProgramQueue::State::Verified; }));
    const double writeMs = 0.0 + std::accumulate(ProgrammerLink::WritePauses.begin(), ProgrammerLink::WritePauses.end(),
                                                 std::chrono::milliseconds{0})
                                     .count();
    // Every card is written and read back; the swap comes between cards.
    const double protocolMs = count * (writeMs + answerMs) + (count - 1) * swapMs;
    std::printf("bench_enrol over programmer-sim (%s), %d cards, --swap %s, read answered in %.1f ms\n",
                qPrintable(device), count, qPrintable(swap), answerMs);
    std::printf("whole list: %.0f ms, of which protocol and swap %.0f ms; verified %d of %d\n", totalMs, protocolMs,
                verified, count);
    std::printf("cards per hour: %.0f\n", count * 3600000.0 / totalMs);
    std::printf("beyond the protocol: %.0f ms per card\n", (totalMs - protocolMs) / count);
    for (const MessageBox::Shown& s : MessageBox::takeShown())
        std::printf("  message: %s | %s\n", qPrintable(s.text), qPrintable(s.caption));
    return verified == count ? 0 : 1;
}
