#include "sim/SimPorts.h"

#include "sim/SwapOption.h"

#include <QObject>

namespace {

const QLatin1String SimPrefix("sim:");

// The serial device of a "sim:" port: bytes written go to the programmer at
// once, its answers wait to be read, and the event loop is told of them.
class SimSerialDevice final : public platform::SerialDevice
{
public:
    // The programmer of the name, or nothing and why.
    SimSerialDevice(std::shared_ptr<SimProgrammer> programmer, QString error)
        : m_target(std::move(programmer)), m_error(std::move(error))
    {
    }
    ~SimSerialDevice() override { close(); }

    OpenResult open(const QString& path, qint32 /*baudRate*/) override
    {
        close();
        if (!m_target)
            return {false, m_error.isEmpty() ? QStringLiteral("not a simulated programmer: ") + path : m_error, false,
                    {}};
        if (m_target->inUse)
            return {false, QStringLiteral("the simulated programmer is in use by another port"), false, {}};
        m_target->inUse = true;
        m_programmer = m_target;
        return {true, {}, false, {}};
    }

    bool isOpen() const override { return m_programmer != nullptr; }

    void close() override
    {
        if (m_programmer)
            m_programmer->inUse = false;
        m_programmer.reset();
        m_input.clear();
        m_context = nullptr;
        m_notify = nullptr;
    }

    qint64 write(QByteArrayView bytes) override
    {
        if (!m_programmer)
            return -1;
        const QByteArray answer = m_programmer->receive(bytes.toByteArray());
        if (!answer.isEmpty()) {
            m_input.append(answer);
            if (m_context && m_notify)
                QMetaObject::invokeMethod(m_context, m_notify, Qt::QueuedConnection);
        }
        return bytes.size();
    }

    bool waitWritable(int /*msecs*/) override { return isOpen(); }
    qint64 queuedOutput() const override { return 0; }
    bool discardOutput() override { return true; }

    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray bytes = m_input.left(maxBytes);
        m_input.remove(0, bytes.size());
        return bytes;
    }

    bool lost() const override { return !isOpen(); }

    void watchInput(QObject* context, std::function<void()> notify) override
    {
        m_context = context;
        m_notify = std::move(notify);
    }

private:
    const std::shared_ptr<SimProgrammer> m_target;
    const QString m_error;
    std::shared_ptr<SimProgrammer> m_programmer; // while open
    QByteArray m_input;
    QObject* m_context = nullptr;
    std::function<void()> m_notify;
};

} // namespace

QByteArray SimProgrammer::receive(const QByteArray& bytes)
{
    const qint64 now = clock();
    if (swapByFrames)
        m_device.advanceOneHand(now);
    QByteArray answer;
    for (const SimDevice::Event& event : m_device.receive(bytes, now)) {
        answer.append(event.reply);
        if (onEvent)
            onEvent(event);
    }
    return answer;
}

bool SimPorts::isSimName(const QString& device)
{
    return device.startsWith(SimPrefix, Qt::CaseInsensitive);
}

std::shared_ptr<SimProgrammer> SimPorts::programmer(const QString& device, QString* error)
{
    if (!isSimName(device))
        return nullptr;
    const QString key = device.trimmed().toLower();
    if (const auto it = m_programmers.constFind(key); it != m_programmers.constEnd())
        return *it;
    auto made = std::make_shared<SimProgrammer>();
    std::optional<swapoption::Swap> swap;
    for (const QString& item : device.trimmed().mid(SimPrefix.size()).split(u',', Qt::SkipEmptyParts)) {
        QString why;
        if (const std::optional<swapoption::Swap> asked = swapoption::parseItem(item.trimmed(), &why)) {
            swap = asked;
            continue;
        }
        std::optional<cards::Identifier> id;
        if (why.isEmpty())
            id = SimDevice::parseCard(item.trimmed(), &why);
        if (!id) {
            if (error)
                *error = why;
            return nullptr;
        }
        made->device().putCard(*id);
    }
    if (swap) {
        made->device().setSwap(swap->takeMs, swap->placeMs);
        made->swapByFrames = true;
    }
    m_programmers.insert(key, made);
    return made;
}

std::unique_ptr<platform::SerialDevice> SimPorts::makeDevice(const QString& device)
{
    if (!isSimName(device))
        return nullptr;
    QString error;
    std::shared_ptr<SimProgrammer> target = programmer(device, &error);
    return std::make_unique<SimSerialDevice>(std::move(target), error);
}
