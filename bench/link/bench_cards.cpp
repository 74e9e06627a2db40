// bench_cards: Program and Find as the operator sees them, from the click on
// the persons page's button to the result, through the card operations of the
// page, the link and the serial component, against the programmer simulator.
// Nominal: 1300 ms of protocol pauses for Program, with the read-back of the
// card only the time the card takes to answer on top (under 1450 ms in all),
// about 550 ms for Find.
// Usage: bench_cards [ROUNDS]
// With PELLARO_BENCH_PORT set, the simulator is not started: the port it
// names is taken as one where a simulator serves already (COM1 of a Windows
// build under Wine, say, mapped to the pseudo-terminal of bench/run-windows').

#include "BenchView.h"
#include "app/CardControls.h"
#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageTables.h"
#include "link/LinkView.h"
#include "link/ProgrammerLink.h"
#include "journal/CardJournal.h"
#include "pages/PersonCards.h"
#include "serial/TSerialComm.h"
#include "state/ProgramState.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"
#include "ui/TForm4.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

constexpr int Person = 300;
constexpr int System = 123456;

void report(const char* what, const QList<double>& ms, double nominal, double allowedPercent)
{
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    QList<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype half = sorted.size() / 2;
    const double median = sorted.size() % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
    const double over = (mean - nominal) / nominal * 100.0;
    std::printf("%-30s n=%lld  min %7.1f  median %7.1f  mean %7.1f  max %7.1f ms   (nominal %5.0f, mean %+5.2f %%, "
                "allowed +%.0f %%)\n",
                what, static_cast<long long>(ms.size()), sorted.first(), median, mean, sorted.last(), nominal, over,
                allowedPercent);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    MessageBox::setRecording(true);

    QTemporaryDir dir;
    QProcess sim;
    const QString given = qEnvironmentVariable("PELLARO_BENCH_PORT");
    const QString device = given.isEmpty() ? startSimulator(sim, QStringLiteral(PROGRAMMER_SIM)) : given;
    if (device.isEmpty()) {
        std::fprintf(stderr, "bench_cards: programmer-sim did not start\n");
        return 1;
    }

    // One group with readers 1 and 96 and as many persons as rounds, so that
    // each Program writes the next person's card.
    TableLayouts::createAll(dir.path());
    Table persons;
    Table groups;
    persons.open(QDir(dir.path()).filePath(TableLayouts::PersonsFile));
    groups.open(QDir(dir.path()).filePath(TableLayouts::GroupsFile));
    groups.insert();
    groups.setText(QStringLiteral("NAME"), QStringLiteral("Staff"));
    groups.setLogical(QStringLiteral("P1"), true);
    groups.setLogical(QStringLiteral("P96"), true);
    groups.post();
    for (int i = 0; i < 2 * rounds; ++i) {
        persons.insert();
        persons.setInteger(QStringLiteral("NUMBER"), Person + i);
        persons.setText(QStringLiteral("GROUP"), QStringLiteral("Staff"));
        persons.setInteger(QStringLiteral("INDEX"), 0);
        persons.post();
    }
    persons.first();

    QMainWindow window;
    MainWindowUi ui;
    ui.setupUi(&window);
    TForm4 form4;
    ProgramState state;
    state.SystemNumber = System;
    state.PortCaption = QStringLiteral("COM1 ");
    i18n::copyLanguageTable(u"English", &state.TextSlots);
    TSerialComm rs;
    rs.setPortDevice(1, device);
    BenchView view;
    view.timer1.setInterval(100);
    ProgrammerLink link({state.LinkOpen, state.PortNumber, state.PortCaption}, rs, view);
    QObject::connect(&view.timer1, &QTimer::timeout, &view.timer1, [&link] { link.Timer1Timer(); });
    CardJournal journal(QDir(dir.path()).filePath(CardJournal::FileName));
    journal.setRole(QStringLiteral("administrator"));
    PersonCards personCards(state, link, persons, groups, journal);
    link.setCardReadHandler([&](const cards::CardIdentity& c) { cardcontrols::cardRead(personCards, ui, &form4, c); });
    QObject::connect(ui.Button4, &QPushButton::clicked, ui.Button4,
                     [&] { cardcontrols::program(personCards, ui); });
    QObject::connect(ui.Button2, &QPushButton::clicked, ui.Button2, [&link] { link.Button2Click(); });
    try {
        link.ConnectProgrammer();
    } catch (const AppError& e) {
        std::fprintf(stderr, "bench_cards: %s\n", qPrintable(e.message()));
        return 1;
    }

    // Program: the click returns when the card is written (and read back)
    // and the next person is current. First without the read-back, then with.
    QList<double> programs[2];
    int advanced = 0;
    for (int i = 0; i < 2 * rounds; ++i) {
        const bool readBack = i >= rounds;
        link.setReadBack(readBack);
        const qint64 before = persons.asInteger(QStringLiteral("NUMBER"));
        QElapsedTimer t;
        t.start();
        ui.Button4->click();
        programs[readBack] << t.nsecsElapsed() / 1e6;
        if (persons.asInteger(QStringLiteral("NUMBER")) == before + 1 || i == 2 * rounds - 1)
            ++advanced;
        QCoreApplication::processEvents();
    }
    // The journal says what each read-back found.
    QFile journalFile(journal.path());
    const QByteArray journalBytes = journalFile.open(QIODevice::ReadOnly) ? journalFile.readAll() : QByteArray();
    const qsizetype verified = journalBytes.mid(journalBytes.indexOf('\n')).count("\tverified\t");

    // Find: from the click until the Card information dialog shows the
    // holder of the card last written.
    QList<double> finds;
    int found = 0;
    for (int i = 0; i < rounds; ++i) {
        form4.hide();
        persons.first();
        QElapsedTimer t;
        t.start();
        ui.Button2->click();
        view.waitForHide();
        finds << t.nsecsElapsed() / 1e6;
        if (form4.isVisible() && persons.asInteger(QStringLiteral("NUMBER")) == Person + 2 * rounds - 1)
            ++found;
    }
    link.DisconnectProgrammer();
    sim.terminate();
    sim.waitForFinished(3000);

    std::printf("bench_cards over programmer-sim (%s), %d rounds, through the persons page's card operations\n",
                qPrintable(device), rounds);
    report("Program, read-back off", programs[0], 1300, 2);
    report("Program, read-back on", programs[1], 1300, 11);
    report("Find, click to Card information", finds, 550, 5);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    std::printf("cards programmed and moved on: %d of %d; read back as written: %lld of %d; finds showing the "
                "holder: %d of %d; messages: %lld\n",
                advanced, 2 * rounds, static_cast<long long>(verified), rounds, found, rounds,
                static_cast<long long>(shown.size()));
    for (const MessageBox::Shown& s : shown)
        std::printf("  message: %s | %s\n", qPrintable(s.text), qPrintable(s.caption));
    return advanced == 2 * rounds && verified == rounds && found == rounds && shown.isEmpty() ? 0 : 1;
}
