#pragma once

#include "platform/SerialDevice.h"
#include "sim/SimDevice.h"

#include <QElapsedTimer>
#include <QHash>

#include <functional>
#include <memory>

// The card programmer simulated inside the program, for a port whose device
// is named "sim:" in config.ini ([COM_PORT] COM1=sim:). Where a machine has
// no pseudo-terminal for the simulator (Windows), this is the demonstration's
// programmer; it answers the frames exactly as the simulator does.
//
// "sim:" starts without a card (the first card written lies there);
// "sim:PERSON:SYSTEM:DUP" starts with that card on it. A "swap" item
// ("sim:swap", "sim:PERSON:SYSTEM:DUP,swap=TAKE_MS:PLACE_MS", as the
// simulator's --swap) plays the operator at a list: a card read back is taken
// off and a blank one laid, as the program's frames arrive, one hand a frame,
// so that the program always looks once between the two.
class SimProgrammer
{
public:
    SimProgrammer()
    {
        m_clock.start();
        clock = [this] { return m_clock.elapsed(); };
    }

    // The operator's hands, as the simulator's take and place commands.
    QString take() { return m_device.take(); }
    QString place(const std::optional<cards::Identifier>& id = std::nullopt) { return m_device.place(id); }
    // What the swap has due by now, on the clock the frames arrive by.
    QStringList advance() { return m_device.advance(clock()); }
    const SimDevice& device() const { return m_device; }
    SimDevice& device() { return m_device; }

    // Every frame (or run of unusable bytes) and what it did, as the
    // simulator's log has it.
    std::function<void(const SimDevice::Event& event)> onEvent;

    // The answers to bytes from the program.
    QByteArray receive(const QByteArray& bytes);

    bool inUse = false; // one port opening at a time, as a real device
    bool swapByFrames = false; // the name asked for the swap
    std::function<qint64()> clock; // ms, for the swap

private:
    SimDevice m_device;
    QElapsedTimer m_clock;
};

// The programmers behind the "sim:" names of one program: each name keeps
// its programmer, and the card on it, from one opening of the port to the next.
class SimPorts
{
public:
    static bool isSimName(const QString& device);

    // The programmer of a "sim:" name, made at its first use; nothing for a
    // name that is not one, and for a card that cannot be (*error says why).
    std::shared_ptr<SimProgrammer> programmer(const QString& device, QString* error = nullptr);

    // A device for a "sim:" name, nothing for any other: for
    // TSerialComm::setDeviceMaker.
    std::unique_ptr<platform::SerialDevice> makeDevice(const QString& device);

private:
    QHash<QString, std::shared_ptr<SimProgrammer>> m_programmers;
};
