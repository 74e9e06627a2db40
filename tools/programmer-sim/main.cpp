// programmer-sim: stands in for the card programmer on a pseudo-terminal, or
// on a serial port joined to the program's by a null-modem cable or pair.
//
//   programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH | --port PORT]
//                  [--log FILE] [--swap[=MS | =TAKE_MS:PLACE_MS]]
//
// Prints the terminal's device path (with --port, the port) on the first line
// of its output; with --link a symbolic link PATH points at it (give PATH to
// Pellaro as the device of a COM port). --port serves on that port instead of
// a pseudo-terminal (COM5, say, on Windows, the other end of a port pair whose
// first end Pellaro opens; a tty on Linux). --card puts a card on the
// programmer (person 0 is a reader configuration card); without it there is
// none until a card is written. --log
// records every frame with its arrival time in ms since start and its verdict.
// --swap plays an operator at an enrolment station: once a card written has
// been read back, it is taken off and a blank card (it answers five zero
// bytes) is placed MS later (1500 by default); =TAKE_MS:PLACE_MS sets both
// waits (the older "--swap TAKE_MS:PLACE_MS" still works). A blank card lies
// there at the start unless --card says otherwise. Lines on standard input move the
// card by hand: "take", "place" (a blank card), "place PERSON:SYSTEM:DUP".
// Runs until SIGTERM or SIGINT (Ctrl+C).

#include "sim/SimDevice.h"
#include "sim/SwapOption.h"
#include "platform/SerialDevice.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

const char Help[] =
    "usage: programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH | --port PORT] [--log FILE]\n"
    "                      [--swap[=MS | =TAKE_MS:PLACE_MS]]\n"
    "       programmer-sim --help | --version\n"
    "\n"
    "Stands in for Pellaro's card programmer on a pseudo-terminal, or on a serial\n"
    "port, to try the program without the device. Prints the terminal's device path\n"
    "(or the port) on its first line and runs until SIGTERM or SIGINT (Ctrl+C).\n"
    "  --card PERSON:SYSTEM:DUP  a card on the programmer (person 0: a reader's\n"
    "                            configuration card); else none until one is written\n"
    "  --link PATH               a symbolic link PATH to the terminal, for config.ini's\n"
    "                            [COM_PORT] COM1=PATH\n"
    "  --port PORT               serves on the serial port PORT instead of a pseudo-\n"
    "                            terminal: the far end of a null-modem cable or port\n"
    "                            pair whose other end Pellaro opens (COM5, /dev/ttyUSB1)\n"
    "  --log FILE                every frame with its time and verdict\n"
    "  --swap[=MS]               plays the operator at a list: once a card written\n"
    "                            has been read back, takes it off and lays a new\n"
    "                            blank card MS later (default 1500); a blank card\n"
    "                            lies there at the start unless --card says otherwise\n"
    "  --swap=TAKE_MS:PLACE_MS   the same, the card taken off TAKE_MS after it was\n"
    "                            read back and the blank one laid PLACE_MS after that\n"
    "\n"
    "Lines typed on standard input move the card by hand:\n"
    "  take                      takes the card off: nothing answers, nothing is written\n"
    "  place                     lays a blank card on the programmer\n"
    "  place PERSON:SYSTEM:DUP   lays that card on it\n"
    "See programmer-sim(1); pellaro-start --demo starts it with --swap.\n";

// The line's baud rate, as the programmer's.
constexpr qint32 BaudRate = 19200;
// Longest wait for the line to take an answer, and between looks for a stop.
constexpr int WriteGiveUpMs = 2000;
constexpr int IdleMs = 100;

int usage(const char* why)
{
    std::fprintf(stderr,
                 "programmer-sim: %s\nusage: programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH | --port PORT] "
                 "[--log FILE] [--swap[=MS | =TAKE_MS:PLACE_MS]]\n",
                 why);
    return 2;
}

// All of bytes onto the line; false (and *why) when it would not take them.
bool writeAll(platform::SerialDevice& line, const QByteArray& bytes, QString* why)
{
    const QDeadlineTimer giveUp(WriteGiveUpMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = line.write(QByteArrayView(bytes.constData() + done, bytes.size() - done));
        if (n < 0) {
            *why = QStringLiteral("the line failed");
            return false;
        }
        done += n;
        if (done < bytes.size() && (giveUp.hasExpired() || !line.waitWritable(int(giveUp.remainingTime())))) {
            *why = QStringLiteral("the line took nothing for %1 ms").arg(WriteGiveUpMs);
            return false;
        }
    }
    return true;
}

// One line typed on standard input: what it did, for the console.
QString command(SimDevice& device, const QString& line)
{
    const QString text = line.trimmed();
    if (text == QLatin1String("take"))
        return device.take();
    if (text == QLatin1String("place"))
        return device.place();
    if (text.startsWith(QLatin1String("place "))) {
        QString error;
        const auto card = SimDevice::parseCard(text.mid(6).trimmed(), &error);
        return card ? device.place(*card) : QStringLiteral("Not understood: ") + error;
    }
    return QStringLiteral("Not understood: \"%1\" (take, place, place PERSON:SYSTEM:DUP)").arg(text);
}

// Reads standard input on a thread of its own (a console cannot be watched
// alongside a serial port on every system) and hands each line to the event
// loop; ends at the input's end.
void readCommands(QCoreApplication* app, std::function<void(const QString&)> onLine)
{
    std::thread([app, onLine = std::move(onLine)] {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            const QString line = QString::fromLocal8Bit(buffer).section(u'\n', 0, 0);
            QMetaObject::invokeMethod(app, [onLine, line] { onLine(line); }, Qt::QueuedConnection);
        }
    }).detach();
}

} // namespace

int main(int argc, char** argv)
{
    SimDevice device;
    QString linkPath;
    QString portName;
    QString logPath;
    std::optional<swapoption::Swap> swap;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("programmer-sim %s\n", PELLARO_VERSION);
            return 0;
        }
        const std::optional<QString> next =
            i + 1 < argc ? std::optional<QString>(QString::fromLocal8Bit(argv[i + 1])) : std::nullopt;
        int used = 0;
        QString swapError;
        if (const auto asked = swapoption::parse(arg, next, &used, &swapError)) {
            swap = asked;
            i += used - 1;
            continue;
        }
        if (used > 0)
            return usage(qPrintable(swapError));
        if (!arg.startsWith(u'-'))
            return usage(qPrintable(QStringLiteral("unexpected argument \"%1\" (a pause is given as --swap=MS)").arg(arg)));
        if (i + 1 >= argc)
            return usage("missing value or unknown option");
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == QLatin1String("--card")) {
            QString error;
            const auto card = SimDevice::parseCard(value, &error);
            if (!card)
                return usage(qPrintable(error));
            device.putCard(*card);
        } else if (arg == QLatin1String("--link")) {
            linkPath = value;
        } else if (arg == QLatin1String("--port")) {
            portName = value;
        } else if (arg == QLatin1String("--log")) {
            logPath = value;
        } else {
            return usage("unknown option");
        }
    }
    if (!portName.isEmpty() && !linkPath.isEmpty())
        return usage("--link names a pseudo-terminal; with --port the port is named in config.ini itself");

    if (swap)
        device.setSwap(swap->takeMs, swap->placeMs);

    QCoreApplication app(argc, argv);
    // The line to the program: the port asked for, else a pseudo-terminal
    // whose far end the program opens, and the simulator keeps open, so that
    // the program may close and reopen it as often as it likes.
    std::unique_ptr<platform::SerialDevice> line;
    QString served = portName;
    if (!portName.isEmpty()) {
        line = platform::makeSerialDevice();
        const platform::SerialDevice::OpenResult opened = line->open(portName, BaudRate);
        if (!opened.ok) {
            std::fprintf(stderr, "programmer-sim: --port %s: %s\n", qPrintable(portName), qPrintable(opened.reason));
            return 1;
        }
    } else {
        QString error;
        std::optional<platform::PseudoTerminal> terminal = platform::openPseudoTerminal(&error);
        if (!terminal) {
            std::fprintf(stderr, "programmer-sim: %s (--port PORT serves on a serial port)\n", qPrintable(error));
            return 1;
        }
        line = std::move(terminal->device);
        served = terminal->path;
    }
    if (!linkPath.isEmpty()) {
        if (QFileInfo(linkPath).isSymLink())
            QFile::remove(linkPath);
        if (!QFile::link(served, linkPath)) {
            std::fprintf(stderr, "programmer-sim: --link %s: cannot make the link\n", qPrintable(linkPath));
            return 1;
        }
    }

    QFile logFile(logPath);
    if (!logPath.isEmpty() && !logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "programmer-sim: cannot open log %s\n", qPrintable(logPath));
        return 1;
    }
    QTextStream log(&logFile);
    QTextStream out(stdout);
    out << served << '\n';
    out << (device.card() ? QStringLiteral("Card on the programmer: ") + SimDevice::describe(*device.card())
                          : QStringLiteral("No card on the programmer"))
        << '\n';
    out.flush();

    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    // Started in the background of a terminal, a read of it must fail rather
    // than stop the simulator.
    platform::readConsoleFailsInBackground();

    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [start] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    // The swap's moves when due, and a look for a stop at least every IdleMs.
    QTimer tick;
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    const auto step = [&] {
        if (stopRequested) {
            app.quit();
            tick.start(IdleMs); // again, should the loop not run yet
            return;
        }
        for (const QString& note : device.advance(qint64(elapsed())))
            out << note << '\n';
        out.flush();
        const qint64 due = device.nextDue();
        tick.start(due < 0 ? IdleMs : int(std::clamp<qint64>(due - qint64(elapsed()), 0, IdleMs)));
    };
    QObject::connect(&tick, &QTimer::timeout, &app, step);

    int status = 0;
    line->watchInput(&app, [&] {
        const QByteArray bytes = line->read(4096);
        if (bytes.isEmpty()) {
            if (line->lost()) {
                // The line itself has failed; looking at it again would only spin.
                std::fprintf(stderr, "programmer-sim: the line %s has gone\n", qPrintable(served));
                status = 1;
                app.quit();
            }
            return;
        }
        const double ms = elapsed();
        for (const SimDevice::Event& event : device.receive(bytes, qint64(ms))) {
            // An answer the line did not take is said so in the log and on
            // the console, not passed off as given.
            QString verdict = event.verdict;
            QString why;
            if (!event.reply.isEmpty() && !writeAll(*line, event.reply, &why)) {
                verdict += QStringLiteral("; answer not sent: ") + why;
                out << verdict << '\n';
            }
            if (logFile.isOpen()) {
                log << QString::number(ms, 'f', 1) << " ms  " << event.bytes.toHex(' ').toUpper() << "  " << verdict
                    << '\n';
                log.flush();
            }
            for (const QString& note : event.notes)
                out << note << '\n';
            out.flush();
        }
        step();
    });
    readCommands(&app, [&](const QString& typed) {
        out << command(device, typed) << '\n';
        out.flush();
        step();
    });
    step();
    if (status == 0)
        status = app.exec();

    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    line->close();
    // The thread reading standard input may still wait for a line: no
    // destructors run under it.
    std::fflush(stdout);
    std::_Exit(status);
}
