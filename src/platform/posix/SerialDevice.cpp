#include "platform/SerialDevice.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

speed_t speedOf(qint32 baudRate)
{
    switch (baudRate) {
    case 9600:
        return B9600;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B19200;
    }
}

QString systemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The account the program runs under, as `adduser` wants it.
QString accountName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

class PosixSerialDevice final : public SerialDevice
{
public:
    ~PosixSerialDevice() override { close(); }

    OpenResult open(const QString& path, qint32 baudRate) override
    {
        close();
        const QByteArray name = QFile::encodeName(path);
        const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return failure(errno);
        // Two locks: TIOCEXCL keeps other accounts' programs out, the advisory
        // lock another copy of Pellaro (and root, whom TIOCEXCL lets through).
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno == EWOULDBLOCK ? EBUSY : errno;
            ::close(fd);
            return failure(code);
        }
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {
            const int code = errno;
            ::close(fd);
            return failure(code);
        }
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, speedOf(baudRate));
        ::cfsetospeed(&tio, speedOf(baudRate));
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        // With O_NONBLOCK this makes an empty queue read as EAGAIN, not as
        // the end of file a hung-up terminal gives.
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            const int code = errno;
            ::close(fd);
            return failure(code);
        }
        ::ioctl(fd, TIOCEXCL);
        // The programmer is powered from the modem lines on some adapters. A
        // pseudo-terminal or an adapter without them refuses; the line still works.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIS, &lines);
        m_fd = fd;
        m_lost = false;
        return {true, {}, false, {}};
    }

    // Takes over fd, already set up and not blocking; held is closed with
    // it (a pseudo-terminal's far end, kept so the terminal lasts).
    void adopt(int fd, int held)
    {
        close();
        m_fd = fd;
        m_held = held;
        m_lost = false;
    }

    bool isOpen() const override { return m_fd >= 0; }

    void close() override
    {
        m_notifier.reset();
        if (m_held >= 0)
            ::close(m_held);
        m_held = -1;
        if (m_fd < 0)
            return;
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }

    qint64 write(QByteArrayView bytes) override
    {
        if (m_fd < 0)
            return -1;
        for (;;) {
            const ssize_t n = ::write(m_fd, bytes.data(), size_t(bytes.size()));
            if (n >= 0)
                return n;
            if (errno == EINTR)
                continue;
            return errno == EAGAIN ? 0 : -1;
        }
    }

    bool waitWritable(int msecs) override
    {
        pollfd p{m_fd, POLLOUT, 0};
        return m_fd >= 0 && ::poll(&p, 1, qMax(0, msecs)) > 0 && (p.revents & POLLOUT);
    }

    qint64 queuedOutput() const override
    {
        int queued = 0;
        return m_fd >= 0 && ::ioctl(m_fd, TIOCOUTQ, &queued) == 0 ? qMax(0, queued) : 0;
    }

    bool discardOutput() override { return m_fd >= 0 && ::tcflush(m_fd, TCOFLUSH) == 0; }

    QByteArray read(qint64 maxBytes) override
    {
        QByteArray bytes;
        if (m_fd < 0)
            return bytes;
        char buffer[4096];
        while (bytes.size() < maxBytes) {
            const ssize_t n = ::read(m_fd, buffer, size_t(qMin<qint64>(sizeof buffer, maxBytes - bytes.size())));
            if (n > 0) {
                bytes.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // A terminal whose far end has gone reads as end of file or EIO.
            m_lost = n == 0 ? lost() : errno != EAGAIN;
            if (m_lost && m_notifier)
                m_notifier->setEnabled(false); // it would fire without end
            break;
        }
        return bytes;
    }

    bool lost() const override
    {
        if (m_fd < 0 || m_lost)
            return true;
        // Hang-up and error are reported even when no event is asked for.
        pollfd p{m_fd, 0, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
    }

    void watchInput(QObject* context, std::function<void()> notify) override
    {
        if (m_fd < 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, context, [notify = std::move(notify)] {
            notify();
        });
    }

private:
    static OpenResult failure(int code)
    {
        const bool refused = code == EACCES || code == EPERM;
        return {false, systemText(code), refused, refused ? accountName() : QString()};
    }

    int m_fd = -1;
    int m_held = -1;
    bool m_lost = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

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

} // namespace

std::optional<PseudoTerminal> openPseudoTerminal(QString* error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        *error = QStringLiteral("pseudo-terminal: ") + systemText(errno);
        if (master >= 0)
            ::close(master);
        return std::nullopt;
    }
    const QByteArray path = ::ptsname(master);
    const int slave = ::open(path.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master) || ::fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
        *error = QStringLiteral("terminal settings: ") + systemText(errno);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return std::nullopt;
    }
    auto device = std::make_unique<PosixSerialDevice>();
    device->adopt(master, slave);
    return PseudoTerminal{std::move(device), QString::fromLocal8Bit(path)};
}

void readConsoleFailsInBackground()
{
    ::signal(SIGTTIN, SIG_IGN);
}

std::unique_ptr<SerialDevice> makeSerialDevice()
{
    return std::make_unique<PosixSerialDevice>();
}

QString defaultSerialDevice(int n)
{
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

} // namespace platform
