#include "platform/SerialDevice.h"

#include <QTimer>

#include <windows.h>

namespace platform {

namespace {

// Driver queues, as the programmer's link has always asked for.
constexpr DWORD QueueSize = 8192;
// The write time-out: milliseconds per byte of one write.
constexpr DWORD WriteMsPerByte = 100;
// How often arrived bytes are looked for. Waiting on the port's events is
// not used: under Wine it comes back with an empty mask and then misses bytes.
constexpr int InputLookMs = 5;

QString systemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString result = length && text ? QString::fromWCharArray(text, int(length)).trimmed()
                                    : QStringLiteral("error %1").arg(code);
    if (text)
        ::LocalFree(text);
    return result;
}

// "COM3" as config.ini and the menu name it; the system wants \\.\COM3
// (the only form that works from COM10 on). Anything else is taken as given.
QString systemPath(const QString& path)
{
    bool number = false;
    const bool plain = path.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && path.mid(3).toUInt(&number) > 0 &&
                       number && path.at(3).isDigit();
    return plain ? QStringLiteral("\\\\.\\") + path : path;
}

class WindowsSerialDevice final : public SerialDevice
{
public:
    ~WindowsSerialDevice() override { close(); }

    OpenResult open(const QString& path, qint32 baudRate) override
    {
        close();
        const QString name = systemPath(path);
        // The driver of a real port refuses a second opening; Wine's port on a
        // pseudo-terminal does not, so copies of Pellaro also hold a mutex
        // named after the port while it is open.
        const QString guardName = QStringLiteral("Local\\Pellaro serial ") + name.toUpper().replace(u'\\', u'/');
        const HANDLE guard = ::CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(guardName.utf16()));
        if (!guard || ::GetLastError() == ERROR_ALREADY_EXISTS) {
            const DWORD code = guard ? DWORD(ERROR_ACCESS_DENIED) : ::GetLastError();
            if (guard)
                ::CloseHandle(guard);
            return failure(code);
        }
        // No sharing: the port is this program's alone while open.
        const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t*>(name.utf16()),
                                            GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            ::CloseHandle(guard);
            return failure(code);
        }
        if (!configure(handle, baudRate)) {
            const DWORD code = ::GetLastError();
            ::CloseHandle(handle);
            ::CloseHandle(guard);
            return failure(code);
        }
        m_handle = handle;
        m_guard = guard;
        m_lost = false;
        return {true, {}, false, {}};
    }

    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }

    void close() override
    {
        m_inputLook.reset();
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        // What is still queued goes out before the handle is let go: the
        // disconnect frame is often the last thing written.
        ::FlushFileBuffers(m_handle);
        ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        ::CloseHandle(m_guard);
        m_guard = nullptr;
    }

    qint64 write(QByteArrayView bytes) override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return -1;
        DWORD written = 0;
        // Returns when the driver has the bytes or the write time-out ran out.
        if (!::WriteFile(m_handle, bytes.data(), DWORD(bytes.size()), &written, nullptr)) {
            m_lost = !stillThere();
            return -1;
        }
        return qint64(written);
    }

    // The write itself waits, bounded by the write time-out.
    bool waitWritable(int /*msecs*/) override { return m_handle != INVALID_HANDLE_VALUE; }

    qint64 queuedOutput() const override
    {
        COMSTAT stat{};
        DWORD errors = 0;
        return m_handle != INVALID_HANDLE_VALUE && ::ClearCommError(m_handle, &errors, &stat) ? qint64(stat.cbOutQue)
                                                                                              : 0;
    }

    // Never: bytes already handed over are sent, however long the line takes.
    bool discardOutput() override { return false; }

    QByteArray read(qint64 maxBytes) override
    {
        QByteArray bytes;
        if (m_handle == INVALID_HANDLE_VALUE)
            return bytes;
        COMSTAT stat{};
        DWORD errors = 0;
        if (!::ClearCommError(m_handle, &errors, &stat)) {
            m_lost = true;
            return bytes;
        }
        if (stat.cbInQue == 0)
            return bytes;
        bytes.resize(qMin<qint64>(maxBytes, stat.cbInQue));
        DWORD got = 0;
        // The read time-outs make this return at once with what is there.
        if (!::ReadFile(m_handle, bytes.data(), DWORD(bytes.size()), &got, nullptr)) {
            m_lost = !stillThere();
            got = 0;
        }
        bytes.resize(qsizetype(got));
        return bytes;
    }

    bool lost() const override { return m_handle == INVALID_HANDLE_VALUE || m_lost || !stillThere(); }

    void watchInput(QObject* context, std::function<void()> notify) override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        m_inputLook = std::make_unique<QTimer>();
        m_inputLook->setInterval(InputLookMs);
        QObject::connect(m_inputLook.get(), &QTimer::timeout, context, [notify = std::move(notify)] { notify(); });
        m_inputLook->start();
    }

private:
    static OpenResult failure(DWORD code)
    {
        // A port another program holds reads "access denied" here: nothing
        // the account's rights would mend.
        return {false, systemText(code), false, {}};
    }

    static bool configure(HANDLE handle, qint32 baudRate)
    {
        if (!::SetupComm(handle, QueueSize, QueueSize))
            return false;
        DWORD errors = 0;
        ::ClearCommError(handle, &errors, nullptr);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(handle, &dcb))
            return false;
        dcb.BaudRate = DWORD(baudRate);
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        // The programmer is powered from the modem lines on some adapters.
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.XonLim = 2048;
        dcb.XoffLim = 2048;
        dcb.XonChar = 17;
        dcb.XoffChar = 19;
        dcb.EvtChar = 0;
        if (!::SetCommState(handle, &dcb))
            return false;
        COMMTIMEOUTS timeouts{};
        // Reads return at once with what has arrived.
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = WriteMsPerByte;
        timeouts.WriteTotalTimeoutConstant = 0;
        return ::SetCommTimeouts(handle, &timeouts);
    }

    // A port whose adapter was pulled out refuses even the status query.
    bool stillThere() const
    {
        DWORD errors = 0;
        return m_handle != INVALID_HANDLE_VALUE && ::ClearCommError(m_handle, &errors, nullptr);
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_guard = nullptr; // the port's mutex while open
    bool m_lost = false;
    std::unique_ptr<QTimer> m_inputLook;
};

} // namespace

std::unique_ptr<SerialDevice> makeSerialDevice()
{
    return std::make_unique<WindowsSerialDevice>();
}

QString defaultSerialDevice(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

std::optional<PseudoTerminal> openPseudoTerminal(QString* error)
{
    *error = QStringLiteral("this system has no pseudo-terminals; a pair of joined serial ports (a null modem) "
                            "does the same");
    return std::nullopt;
}

// A console program is not stopped for reading in the background here.
void readConsoleFailsInBackground() {}

} // namespace platform
