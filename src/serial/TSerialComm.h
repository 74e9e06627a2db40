#pragma once

#include "platform/SerialDevice.h"
#include "serial/CommPort.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

// The serial port component of the main window ("rs"): the only owner of the
// port to the card programmer. Fixed line settings: 19 200 bit/s, 8 data bits,
// no parity, one stop bit, raw bytes, no flow control, DTR and RTS on, 8192-byte
// receive buffer, write time-out 100 ms per byte.
//
// Open errors are values: open() returns false and hands back the operator's
// text ("Device \"COMn\" Open Error !!!\r" + the system's reason); the link
// turns it into an AppError for the message box. A device this account may not
// open is also named by permissionRefusal(), for the advice that goes with it.
//
// Everything runs on the main thread. Received bytes reach OnAfterReceive from
// the event loop, or from receivePending() when the caller asks for them,
// never from inside writeString() or a blocking pause, so batches arrive in
// order and never in the middle of other work. A device that
// disappears while open (adapter unplugged, far end of a pseudo-terminal gone)
// is noticed through the port's error report or the periodic hang-up check;
// the port is then closed without purging and OnClose is called once.
//
// The system's calls live behind platform::SerialDevice; a device maker may
// stand in for it for some names (the programmer simulated inside the
// program answers to "sim:").
//
// A frame handed to writeString() must reach the device even when the port is
// closed right after it (the disconnect frame): a close first waits, bounded,
// until the output has left, and discards only what is still unsent then.
class TSerialComm : public QObject, public CommPort
{
    Q_OBJECT

public:
    static constexpr qint32 BaudRate = 19200;
    static constexpr qint64 BufferSize = 8192;
    static constexpr std::chrono::milliseconds WriteTimeoutPerByte{100};
    // How often an open port is checked for a vanished device.
    static constexpr std::chrono::milliseconds DeviceCheckInterval{200};
    // A close waits for the pending bytes' time on the line plus this, so a
    // device that stopped taking bytes cannot hang the window.
    static constexpr std::chrono::milliseconds CloseDrainMargin{100};

    // What happens to the output, in order: Drained after each write and
    // before a close (bytes = still unsent after the bounded wait), Discarded
    // (bytes thrown away at a close), Released (the port is let go).
    enum class OutputStep { Drained, Discarded, Released };
    using OutputWatch = std::function<void(OutputStep step, qint64 bytes)>;

    // A device for a name it knows, or nothing for the system's own device.
    using DeviceMaker = std::function<std::unique_ptr<platform::SerialDevice>(const QString& device)>;

    explicit TSerialComm(QObject* parent = nullptr);
    // Closes an open port, which calls OnClose.
    ~TSerialComm() override;

    // ComPort: the n of COMn, 1 at creation. Only while closed.
    bool setComPort(int n) override;
    int comPort() const override { return m_comPort; }
    // "COM" followed by the port number, as the operator knows the port.
    QString portName() const;

    // The device that stands for COMn (for example a USB adapter or the
    // simulator's pseudo-terminal). Without one, COMn is the system's own
    // (/dev/ttyS0..3 for COM1..COM4 on Linux, \\.\COMn on Windows).
    void setPortDevice(int n, const QString& devicePath);
    QString portDevice(int n) const;
    std::optional<Device> deviceOf(int n) const override { return Device{portDevice(n), m_devices.contains(n)}; }

    // Active := True / False. open() first closes a previous opening.
    [[nodiscard]] bool open(QString* error) override;
    void close() override;
    bool active() const override { return m_active; }
    [[nodiscard]] bool setActive(bool on, QString* error = nullptr);
    std::optional<PermissionRefusal> permissionRefusal() const override { return m_refusal; }
    // Asked first at every open; only while closed.
    void setDeviceMaker(DeviceMaker maker) { m_deviceMaker = std::move(maker); }

    void writeString(const QByteArray& bytes) override;
    void receivePending() override;

    // Sees every output step; for tests of the close order.
    void setOutputWatch(OutputWatch watch) { m_outputWatch = std::move(watch); }
    // The drain bound of a close with this many bytes pending.
    static std::chrono::milliseconds closeDrainBound(qint64 pendingBytes);

private slots:
    void readData();
    void checkDevice();

private:
    void deliverReceived();
    void closePort(bool drain);
    // Waits at most msecs for the output to leave; reports and returns the
    // bytes still unsent.
    qint64 drainOutput(qint64 msecs);
    qint64 pendingOutput() const;
    void watch(OutputStep step, qint64 bytes);
    bool deviceLost() const;

    std::unique_ptr<platform::SerialDevice> m_port;
    DeviceMaker m_deviceMaker;
    QByteArray m_output; // written, not yet taken by the driver
    QTimer* m_deviceCheck = nullptr;
    OutputWatch m_outputWatch;
    QHash<int, QString> m_devices;
    std::optional<PermissionRefusal> m_refusal;
    int m_comPort = 1;
    quint64 m_opening = 0; // counts openings, so a late error report finds its own
    bool m_active = false;
    bool m_writing = false;         // inside writeString()
    bool m_deliveryPending = false; // bytes arrived during a write
};
