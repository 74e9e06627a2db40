#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// What the programmer link needs of a serial port: choose COMn, open, close,
// send a byte string, and the two notifications. TSerialComm is the real one;
// tests of the link put a recording port in its place.
class CommPort
{
public:
    virtual ~CommPort() = default;

    // Port n of COMn for the next open; refused (false, nothing changes)
    // while the port is open or for n < 1.
    virtual bool setComPort(int n) = 0;
    virtual int comPort() const = 0;

    // Opens COMn (closing a previous opening first). On failure *error holds
    // "Device \"COMn\" Open Error !!!\r" followed by the system's reason and
    // the port stays closed.
    [[nodiscard]] virtual bool open(QString* error) = 0;
    // Closes an open port and then calls OnClose; a closed port stays as it
    // is and OnClose is not called. Bytes already written reach the device
    // first unless it stops taking them; only those are discarded.
    virtual void close() = 0;
    virtual bool active() const = 0;

    // The device is there, but the system refused this account permission to
    // open it: the operator can mend that (the serial devices' group, a udev
    // rule) and is told how. The device as the system names it, and the
    // account the program runs under.
    struct PermissionRefusal
    {
        QString device;
        QString account;
    };
    // Set by an open() that failed for lack of permission; empty after any
    // other outcome.
    virtual std::optional<PermissionRefusal> permissionRefusal() const = 0;

    // The device behind COMn and whether config.ini names it ([COM_PORT]
    // COMn=) or it is the default; nothing where a port has no device path.
    struct Device
    {
        QString path;
        bool configured = false;
    };
    virtual std::optional<Device> deviceOf(int /*n*/) const { return std::nullopt; }

    // Sends all bytes in one write and returns once they are on the line or
    // the write time-out has expired. Nothing happens for an empty string or
    // a closed port; a failed write is not reported.
    virtual void writeString(const QByteArray& bytes) = 0;

    // Hands the bytes that have arrived by now to OnAfterReceive, without
    // waiting: a sequence that blocks the main thread (the read-back after a
    // card write) takes the programmer's answer here. Nothing for a closed
    // port or when nothing arrived.
    virtual void receivePending() {}

    // Each batch of received bytes, in arrival order, on the main thread.
    std::function<void(CommPort* sender, const QByteArray& bytes)> OnAfterReceive;
    // After every closing of an open port, exactly once, on the main thread.
    std::function<void(CommPort* sender)> OnClose;
};
