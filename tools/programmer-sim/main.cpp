// programmer-sim: stands in for the card programmer on a pseudo-terminal.
//
//   programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH] [--log FILE]
//
// Prints the terminal's device path on the first line of its output; with
// --link a symbolic link PATH points at it (give PATH to Pellaro as the device
// of a COM port). --card puts a card on the programmer (person 0 is a reader
// configuration card); without it there is none until a card is written. --log
// records every frame with its arrival time in ms since start and its verdict.
// Runs until SIGTERM or SIGINT.

#include "SimDevice.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextStream>

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
                 "programmer-sim: %s\nusage: programmer-sim [--card PERSON:SYSTEM:DUP] [--link PATH] [--log FILE]\n",
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

} // namespace

int main(int argc, char** argv)
{
    SimDevice device;
    QString linkPath;
    QString logPath;
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
        } else {
            return usage("unknown option");
        }
    }

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

    const auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    while (!stopRequested) {
        pollfd p{master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 200);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (!(p.revents & POLLIN)) {
            // Cannot happen while the simulator holds its own end; do not spin.
            ::usleep(10000);
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
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        for (const SimDevice::Event& event : device.receive(QByteArray(buffer, int(n)))) {
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
