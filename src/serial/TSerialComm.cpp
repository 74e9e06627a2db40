#include "serial/TSerialComm.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// 8N1: a start bit, eight data bits and a stop bit per byte.
constexpr qint64 BitsPerByte = 10;

// The account the program runs under, as `adduser` wants it.
QString accountName()
{
#ifdef Q_OS_UNIX
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    return qEnvironmentVariable("USER");
}

} // namespace

TSerialComm::TSerialComm(QObject* parent)
    : QObject(parent), m_port(new QSerialPort(this)), m_deviceCheck(new QTimer(this))
{
    m_deviceCheck->setInterval(DeviceCheckInterval);
    connect(m_port, &QSerialPort::readyRead, this, &TSerialComm::readData);
    connect(m_port, &QSerialPort::errorOccurred, this, &TSerialComm::handleError);
    connect(m_deviceCheck, &QTimer::timeout, this, &TSerialComm::checkDevice);
}

TSerialComm::~TSerialComm()
{
    close();
}

bool TSerialComm::setComPort(int n)
{
    if (m_active || n < 1)
        return false;
    m_comPort = n;
    return true;
}

QString TSerialComm::portName() const
{
    return QStringLiteral("COM%1").arg(m_comPort);
}

void TSerialComm::setPortDevice(int n, const QString& devicePath)
{
    if (devicePath.isEmpty())
        m_devices.remove(n);
    else
        m_devices.insert(n, devicePath);
}

QString TSerialComm::portDevice(int n) const
{
    const auto it = m_devices.constFind(n);
    if (it != m_devices.constEnd())
        return *it;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

bool TSerialComm::open(QString* error)
{
    close();
    m_refusal.reset();

    m_port->setPortName(portDevice(m_comPort));
    m_port->setBaudRate(BaudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->setReadBufferSize(BufferSize);
    // QSerialPort opens raw (no translation, no end-of-file character) and
    // exclusively (lock file and TIOCEXCL).
    if (!m_port->open(QIODevice::ReadWrite)) {
        const OpenFailure failure = openFailure();
        if (error)
            *error = QStringLiteral("Device \"%1\" Open Error !!!\r%2").arg(portName(), failure.reason);
        if (failure.notPermitted)
            m_refusal = PermissionRefusal{portDevice(m_comPort), accountName()};
        m_port->clearError();
        return false;
    }
    // The programmer is powered from the modem lines on some adapters. A
    // pseudo-terminal or an adapter without them refuses; the line still works.
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(true);
    m_port->clearError();

    m_active = true;
    ++m_opening;
    m_deliveryPending = false;
    m_deviceCheck->start();
    return true;
}

void TSerialComm::close()
{
    closePort(true);
}

bool TSerialComm::setActive(bool on, QString* error)
{
    if (on)
        return open(error);
    close();
    return true;
}

TSerialComm::OpenFailure TSerialComm::openFailure() const
{
#ifdef Q_OS_UNIX
    // For a device another program holds, the port object reports only that
    // it could not lock it; the operator needs the system's own reason, and
    // whether it was this account that was refused.
    if (m_port->error() == QSerialPort::PermissionError) {
        const QByteArray path = QFile::encodeName(portDevice(m_comPort));
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        // It opens when the other program holds only the lock: busy all the same.
        const int reason = fd < 0 ? errno : EBUSY;
        if (fd >= 0)
            ::close(fd);
        return {QString::fromLocal8Bit(std::strerror(reason)), reason == EACCES || reason == EPERM};
    }
#endif
    return {m_port->errorString(), false};
}

std::chrono::milliseconds TSerialComm::closeDrainBound(qint64 pendingBytes)
{
    const qint64 lineMs = (qMax<qint64>(0, pendingBytes) * BitsPerByte * 1000 + BaudRate - 1) / BaudRate;
    return std::chrono::milliseconds{lineMs} + CloseDrainMargin;
}

void TSerialComm::watch(OutputStep step, qint64 bytes)
{
    if (m_outputWatch)
        m_outputWatch(step, bytes);
}

void TSerialComm::closePort(bool drain)
{
    if (!m_active)
        return;
    // Cleared first: whatever OnClose does, this opening is closed only once.
    m_active = false;
    m_deliveryPending = false;
    m_deviceCheck->stop();
    if (m_port->isOpen()) {
        if (drain) {
            // The last frame (a disconnect) must reach the device: a purge
            // right away would throw it out of the queue. Only what a stalled
            // device has not taken by the bound is discarded.
            const qint64 unsent = drainOutput(closeDrainBound(pendingOutput()).count());
            // A purge that fails leaves those bytes to the driver; the port
            // is let go either way.
            if (unsent > 0 && m_port->clear(QSerialPort::Output))
                watch(OutputStep::Discarded, unsent);
        }
        m_port->close();
        watch(OutputStep::Released, 0);
    }
    m_port->clearError();
    if (OnClose)
        OnClose(this);
}

void TSerialComm::writeString(const QByteArray& bytes)
{
    if (!m_active || bytes.isEmpty())
        return;

    const qint64 limit = WriteTimeoutPerByte.count() * bytes.size();
    m_writing = true;
    // The card programmer separates frames by the pauses between them, so a
    // frame must have left the driver's queue when the sender pauses.
    const qint64 written = m_port->write(bytes);
    const qint64 unsent = written == bytes.size() ? drainOutput(limit) : bytes.size();
    m_writing = false;
    const bool complete = unsent == 0;

    // A failed write is not reported, but it may mean the device has gone.
    if (!complete && deviceLost()) {
        closePort(false);
        return;
    }
    if (m_deliveryPending) {
        m_deliveryPending = false;
        QMetaObject::invokeMethod(this, &TSerialComm::deliverReceived, Qt::QueuedConnection);
    }
}

void TSerialComm::receivePending()
{
    if (!m_active)
        return;
    // Takes from the driver what has arrived, with no wait; readyRead then
    // delivers it. What an earlier write read on the side goes along too.
    if (!m_port->waitForReadyRead(0) && m_port->error() == QSerialPort::TimeoutError)
        m_port->clearError(); // nothing there yet is no fault of the port
    m_deliveryPending = false;
    deliverReceived();
}

qint64 TSerialComm::drainOutput(qint64 msecs)
{
    const QDeadlineTimer deadline(qMax<qint64>(0, msecs));
    // First from the port object into the driver...
    while (m_port->bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port->waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
#ifdef Q_OS_UNIX
    // ...then from the driver's queue onto the line. tcdrain() has no
    // time-out, so the queue is watched until the deadline.
    int queued = 0;
    while (m_port->bytesToWrite() == 0 && ::ioctl(m_port->handle(), TIOCOUTQ, &queued) == 0 && queued > 0 &&
           !deadline.hasExpired())
        QThread::usleep(200);
#endif
    const qint64 unsent = pendingOutput();
    watch(OutputStep::Drained, unsent);
    return unsent;
}

qint64 TSerialComm::pendingOutput() const
{
    qint64 pending = m_port->bytesToWrite();
#ifdef Q_OS_UNIX
    int queued = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
        pending += queued;
#endif
    return pending;
}

void TSerialComm::readData()
{
    // waitForBytesWritten() may read, and report, bytes while a frame is
    // being sent; they are handed over from the event loop afterwards.
    if (m_writing) {
        m_deliveryPending = true;
        return;
    }
    deliverReceived();
}

void TSerialComm::deliverReceived()
{
    if (!m_active)
        return;
    const QByteArray batch = m_port->readAll();
    if (!batch.isEmpty() && OnAfterReceive)
        OnAfterReceive(this, batch);
}

void TSerialComm::handleError()
{
    const QSerialPort::SerialPortError error = m_port->error();
    if (!m_active || error == QSerialPort::NoError)
        return;
    // A framing, parity or modem-line error is of no interest to the link.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
        return;
    // Closed from the event loop, not from inside the port's own call.
    QMetaObject::invokeMethod(
        this,
        [this, error, opening = m_opening] {
            if (opening != m_opening)
                return;
            if (error == QSerialPort::ResourceError)
                closePort(false);
            else
                checkDevice();
        },
        Qt::QueuedConnection);
}

void TSerialComm::checkDevice()
{
    if (m_active && deviceLost())
        closePort(false);
}

bool TSerialComm::deviceLost() const
{
#ifdef Q_OS_UNIX
    if (!m_port->isOpen())
        return true;
    // Hang-up and error are reported even when no event is asked for.
    pollfd p{int(m_port->handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return !m_port->isOpen();
#endif
}
