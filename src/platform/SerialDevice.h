#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace platform {

// One serial device as the system offers it: opened raw and exclusively, no
// flow control, DTR and RTS on. TSerialComm owns one at a time and keeps the
// rules (time-outs, the drain before a close, the notifications); a device
// only does what the system does, without waiting unless told how long.
class SerialDevice
{
public:
    struct OpenResult
    {
        bool ok = false;
        QString reason;        // the system's text when not ok
        bool notPermitted = false; // the system refused this account
        QString account;       // that account, as the system's tools name it
    };

    virtual ~SerialDevice() = default;

    // 8 data bits, no parity, one stop bit at baudRate. A device another
    // program holds is refused with the system's "busy" reason.
    virtual OpenResult open(const QString& path, qint32 baudRate) = 0;
    virtual bool isOpen() const = 0;
    // Releases the device. Nothing still queued in the driver is thrown away
    // by this; a caller that wants that calls discardOutput() first.
    virtual void close() = 0;

    // Hands bytes to the driver; how many it took (0 when it takes none now),
    // -1 when the write failed.
    virtual qint64 write(QByteArrayView bytes) = 0;
    // Waits at most msecs until the driver takes bytes again.
    virtual bool waitWritable(int msecs) = 0;
    // Bytes the driver has taken but not yet put on the line.
    virtual qint64 queuedOutput() const = 0;
    // Throws away what the driver still holds; false where the device does
    // not do so (the bytes then go out when the line takes them).
    virtual bool discardOutput() = 0;

    // What has arrived, at most maxBytes, without waiting. A failed read
    // leaves the bytes empty and lost() true.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // The device has gone (adapter unplugged, far end hung up, read failed).
    virtual bool lost() const = 0;

    // notify runs on context's thread from the event loop whenever bytes may
    // have arrived or the device may have failed; from open() to close().
    virtual void watchInput(QObject* context, std::function<void()> notify) = 0;
};

// The system's own device.
std::unique_ptr<SerialDevice> makeSerialDevice();

// The device of COMn where config.ini names none.
QString defaultSerialDevice(int n);

// A pseudo-terminal, for a program that stands in for a device on a serial
// line: device is this end, open and raw at 19200 baud; path names the other
// end, which another program opens as its serial port, closes and opens again
// as often as it likes while device is open. Nothing where the system has
// none, or could not make one; *error says why.
struct PseudoTerminal
{
    std::unique_ptr<SerialDevice> device;
    QString path;
};
std::optional<PseudoTerminal> openPseudoTerminal(QString* error);

// A program started in the background of a terminal finds its reads of the
// console failing, rather than being stopped by them.
void readConsoleFailsInBackground();

} // namespace platform
