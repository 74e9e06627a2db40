#pragma once

#include "link/Frames.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The far end of a pseudo-terminal, standing where the card programmer would
// be: records what arrives, with arrival times, on its own thread (the program
// under test blocks its main thread in pauses), and may answer.
class PtyPeer
{
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival
    {
        Clock::time_point time;
        QByteArray frame;
    };
    // Called on the peer's thread for every complete frame.
    std::function<void(PtyPeer&, const QByteArray& frame)> onFrame;

    PtyPeer()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        // Our own hold on the terminal, so it survives the port under test closing.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        termios tio{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0)
            return;
        ::cfmakeraw(&tio);
        m_raw = ::tcsetattr(m_slave, TCSANOW, &tio) == 0;
        m_thread = std::thread([this] { run(); });
    }
    ~PtyPeer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }

    bool ok() const { return m_master >= 0 && m_slave >= 0 && m_raw; }
    QString devicePath() const { return m_path; }

    // The device goes away: every open end of the terminal sees a hang-up.
    void closeMaster()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // Sends from the peer's thread; a short or failed write is counted, for
    // the test thread to check.
    void send(const QByteArray& bytes)
    {
        if (::write(m_master, bytes.constData(), bytes.size()) != bytes.size())
            ++m_failedSends;
    }
    int failedSends() const { return m_failedSends; }

    // The device stops taking bytes (or takes them again): output of the
    // port under test stays queued meanwhile.
    bool stopTaking(bool stop) { return ::tcflow(m_slave, stop ? TCOOFF : TCOON) == 0; }

    QList<Arrival> arrivals() const
    {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }
    QList<QByteArray> frames() const
    {
        QList<QByteArray> list;
        for (const Arrival& a : arrivals())
            list.append(a.frame);
        return list;
    }

private:
    void run()
    {
        QByteArray input;
        char buffer[512];
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
                continue;
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            const Clock::time_point now = Clock::now();
            if (n <= 0)
                continue;
            input.append(buffer, n);
            for (;;) {
                frames::ParsedFrame frame;
                qsizetype consumed = 0;
                const frames::ParseResult r = frames::parseFrame(input, &frame, &consumed);
                if (r == frames::ParseResult::NeedMore)
                    break;
                if (r == frames::ParseResult::Frame) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_arrivals.append({now, frame.bytes});
                    }
                    if (onFrame)
                        onFrame(*this, frame.bytes);
                }
                input.remove(0, consumed);
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    bool m_raw = false;
    std::atomic<int> m_failedSends{0};
    QString m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QList<Arrival> m_arrivals;
};
