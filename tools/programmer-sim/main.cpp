// programmer-sim: stands in for the card programmer on a pseudo-terminal.
//
//   programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH] [--log FILE]
//                  [--swap TAKE_MS:PLACE_MS]
//
// Prints the terminal's device path on the first line of its output; with
// --link a symbolic link PATH points at it (give PATH to Pellaro as the device
// of a COM port). --card puts a card on the programmer (person 0 is a reader
// configuration card); without it there is none until a card is written. --log
// records every frame with its arrival time in ms since start and its verdict.
// --swap plays an operator at an enrolment station: once a card written has
// been read back, it is taken off TAKE_MS later and a blank card (it answers
// five zero bytes) is placed PLACE_MS after that; a blank card lies there at
// the start unless --card says otherwise. Lines on standard input move the
// card by hand: "take", "place" (a blank card), "place PERSON:SYSTEM:DUP".
// Runs until SIGTERM or SIGINT.

#include "sim/SimDevice.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

const char Help[] =
    "usage: programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH] [--log FILE]\n"
    "       programmer-sim --help | --version\n"
    "\n"
    "Stands in for Pellaro's card programmer on a pseudo-terminal, to try the\n"
    "program without the device. Prints the terminal's device path on its first\n"
    "line and runs until SIGTERM or SIGINT.\n"
    "  --card PERSON:SYSTEM:DUP  a card on the programmer (person 0: a reader's\n"
    "                            configuration card); else none until one is written\n"
    "  --link PATH               a symbolic link PATH to the terminal, for config.ini's\n"
    "                            [COM_PORT] COM1=PATH\n"
    "  --log FILE                every frame with its time and verdict\n"
    "See programmer-sim(1); pellaro-start --demo starts it with the program.\n";

int usage(const char* why)
{
    std::fprintf(stderr,
                 "programmer-sim: %s\nusage: programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH] [--log FILE] "
                 "[--swap TAKE_MS:PLACE_MS]\n",
                 why);
    return 2;
}

bool makeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO; // nothing taken: say why in the caller's words
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// "TAKE_MS:PLACE_MS", both whole milliseconds from 0.
bool parseSwap(const QString& text, qint64* takeMs, qint64* placeMs)
{
    const QStringList parts = text.split(u':');
    bool ok[2] = {false, false};
    if (parts.size() == 2) {
        *takeMs = parts[0].toLongLong(&ok[0]);
        *placeMs = parts[1].toLongLong(&ok[1]);
    }
    return ok[0] && ok[1] && *takeMs >= 0 && *placeMs >= 0;
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

} // namespace

int main(int argc, char** argv)
{
    SimDevice device;
    QString linkPath;
    QString logPath;
    qint64 takeMs = -1;
    qint64 placeMs = -1;
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
        } else if (arg == QLatin1String("--log")) {
            logPath = value;
        } else if (arg == QLatin1String("--swap")) {
            if (!parseSwap(value, &takeMs, &placeMs))
                return usage("--swap wants TAKE_MS:PLACE_MS");
        } else {
            return usage("unknown option");
        }
    }

    if (takeMs >= 0)
        device.setSwap(takeMs, placeMs);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("programmer-sim: pseudo-terminal");
        return 1;
    }
    const QByteArray slavePath = ::ptsname(master);
    // The simulator keeps the terminal's own end open, so Pellaro may close
    // and reopen it as often as it likes without the terminal going away.
    const int slave = ::open(slavePath.constData(), O_RDWR | O_NOCTTY);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master)) {
        std::perror("programmer-sim: terminal settings");
        return 1;
    }
    if (!linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(linkPath);
        struct stat st
        {
        };
        if (::lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(link.constData());
        if (::symlink(slavePath.constData(), link.constData()) != 0) {
            std::perror("programmer-sim: --link");
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
    out << slavePath << '\n';
    out << (device.card() ? QStringLiteral("Card on the programmer: ") + SimDevice::describe(*device.card())
                          : QStringLiteral("No card on the programmer"))
        << '\n';
    out.flush();

    struct sigaction sa
    {
    };
    sa.sa_handler = requestStop;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    // Started in the background of a terminal, a read of it must fail rather
    // than stop the simulator.
    ::signal(SIGTTIN, SIG_IGN);

    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [start] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    char buffer[4096];
    QByteArray typed;
    bool stdinOpen = true;
    while (!stopRequested) {
        for (const QString& note : device.advance(qint64(elapsed())))
            out << note << '\n';
        out.flush();
        const qint64 due = device.nextDue();
        const int wait = due < 0 ? 200 : int(std::clamp<qint64>(due - qint64(elapsed()), 0, 200));
        pollfd p[2] = {{master, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(p, stdinOpen ? 2 : 1, wait);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (stdinOpen && p[1].revents != 0) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                stdinOpen = false; // nobody types any more; the swap goes on
            } else {
                typed.append(buffer, int(got));
                for (qsizetype nl; (nl = typed.indexOf('\n')) >= 0; typed.remove(0, nl + 1))
                    out << command(device, QString::fromLocal8Bit(typed.left(nl))) << '\n';
                out.flush();
            }
        }
        if (!(p[0].revents & POLLIN)) {
            if (p[0].revents)
                ::usleep(10000); // cannot happen while the simulator holds its own end; do not spin
            continue;
        }
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0) {
            // The terminal itself has failed; polling it again would only spin.
            std::perror("programmer-sim: read");
            break;
        }
        if (n == 0)
            continue;
        const double ms = elapsed();
        for (const SimDevice::Event& event : device.receive(QByteArray(buffer, int(n)), qint64(ms))) {
            // An answer the terminal did not take is said so in the log and on
            // the console, not passed off as given.
            QString verdict = event.verdict;
            if (!event.reply.isEmpty() && !writeAll(master, event.reply)) {
                verdict += QStringLiteral("; answer not sent: ") + QString::fromLocal8Bit(std::strerror(errno));
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
    }

    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
    ::close(slave);
    ::close(master);
    return 0;
}
