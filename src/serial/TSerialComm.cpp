#include "serial/TSerialComm.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

namespace {

// 8N1: a start bit, eight data bits and a stop bit per byte.
constexpr qint64 BitsPerByte = 10;

} // namespace

TSerialComm::TSerialComm(QObject* parent) : QObject(parent), m_deviceCheck(new QTimer(this))
{
    m_deviceCheck->setInterval(DeviceCheckInterval);
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
    return platform::defaultSerialDevice(n);
}

bool TSerialComm::open(QString* error)
{
    close();
    m_refusal.reset();

    const QString device = portDevice(m_comPort);
    std::unique_ptr<platform::SerialDevice> port = m_deviceMaker ? m_deviceMaker(device) : nullptr;
    if (!port)
        port = platform::makeSerialDevice();
    const platform::SerialDevice::OpenResult opened = port->open(device, BaudRate);
    if (!opened.ok) {
        if (error)
            *error = QStringLiteral("Device \"%1\" Open Error !!!\r%2").arg(portName(), opened.reason);
        if (opened.notPermitted)
            m_refusal = PermissionRefusal{device, opened.account};
        return false;
    }
    m_port = std::move(port);
    m_output.clear();
    m_port->watchInput(this, [this] { readData(); });

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
    if (m_port && m_port->isOpen()) {
        if (drain) {
            // The last frame (a disconnect) must reach the device: a purge
            // right away would throw it out of the queue. Only what a stalled
            // device has not taken by the bound is discarded.
            const qint64 unsent = drainOutput(closeDrainBound(pendingOutput()).count());
            // A device that does not purge (or fails to) leaves those bytes
            // to the driver; the port is let go either way.
            if (unsent > 0 && m_port->discardOutput())
                watch(OutputStep::Discarded, unsent);
        }
        m_port->close();
        watch(OutputStep::Released, 0);
    }
    m_output.clear();
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
    m_output.append(bytes);
    const qint64 unsent = drainOutput(limit);
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
    // Takes from the driver what has arrived, with no wait.
    m_deliveryPending = false;
    deliverReceived();
}

qint64 TSerialComm::drainOutput(qint64 msecs)
{
    const QDeadlineTimer deadline(qMax<qint64>(0, msecs));
    // First into the driver...
    while (!m_output.isEmpty()) {
        const qint64 taken = m_port->write(m_output);
        if (taken < 0)
            break;
        m_output.remove(0, taken);
        if (m_output.isEmpty() || deadline.hasExpired() ||
            !m_port->waitWritable(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
    // ...then from the driver's queue onto the line. The system's own drain
    // has no time-out, so the queue is watched until the deadline.
    while (m_output.isEmpty() && m_port->queuedOutput() > 0 && !deadline.hasExpired())
        QThread::usleep(200);
    const qint64 unsent = pendingOutput();
    watch(OutputStep::Drained, unsent);
    return unsent;
}

qint64 TSerialComm::pendingOutput() const
{
    return m_output.size() + (m_port ? m_port->queuedOutput() : 0);
}

void TSerialComm::readData()
{
    // Bytes that arrive while a frame is being sent are handed over from the
    // event loop afterwards.
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
    const QByteArray batch = m_port->read(BufferSize);
    if (!batch.isEmpty() && OnAfterReceive)
        OnAfterReceive(this, batch);
    // A read that failed means the device has gone: closed from the event
    // loop, not from inside the caller's own work.
    if (m_active && m_port->lost()) {
        QMetaObject::invokeMethod(
            this,
            [this, opening = m_opening] {
                if (opening == m_opening)
                    checkDevice();
            },
            Qt::QueuedConnection);
    }
}

void TSerialComm::checkDevice()
{
    if (m_active && deviceLost())
        closePort(false);
}

bool TSerialComm::deviceLost() const
{
    return !m_port || m_port->lost();
}
