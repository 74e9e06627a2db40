#include "serial/TSerialComm.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

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
        if (error)
            *error = QStringLiteral("Device \"%1\" Open Error !!!\r%2").arg(portName(), m_port->errorString());
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

void TSerialComm::closePort(bool purge)
{
    if (!m_active)
        return;
    // Cleared first: whatever OnClose does, this opening is closed only once.
    m_active = false;
    m_deliveryPending = false;
    m_deviceCheck->stop();
    if (m_port->isOpen()) {
        // Bytes not yet on the line belong to a connection that is over.
        if (purge)
            m_port->clear(QSerialPort::Output);
        m_port->close();
    }
    m_port->clearError();
    if (OnClose)
        OnClose(this);
}

void TSerialComm::writeString(const QByteArray& bytes)
{
    if (!m_active || bytes.isEmpty())
        return;

    QElapsedTimer clock;
    clock.start();
    const qint64 limit = WriteTimeoutPerByte.count() * bytes.size();
    bool complete = false;

    m_writing = true;
    if (m_port->write(bytes) == bytes.size()) {
        while (m_port->bytesToWrite() > 0) {
            const qint64 left = limit - clock.elapsed();
            if (left <= 0 || !m_port->waitForBytesWritten(int(left)))
                break;
        }
        complete = m_port->bytesToWrite() == 0;
        // The card programmer separates frames by the pauses between them, so
        // a frame must have left the driver's queue when the sender pauses.
        if (complete)
            drainOutput(limit - clock.elapsed());
    }
    m_writing = false;

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

void TSerialComm::drainOutput(qint64 msecs)
{
#ifdef Q_OS_UNIX
    // tcdrain() has no time-out; the output queue is watched instead, for at
    // most the write time-out that is left.
    const QDeadlineTimer deadline(qMax<qint64>(0, msecs));
    int queued = 0;
    while (::ioctl(m_port->handle(), TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.hasExpired())
        QThread::usleep(200);
#else
    Q_UNUSED(msecs);
    m_port->flush();
#endif
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
