#pragma once

#include "app/Form1.h"
#include "link/Frames.h"
#include "sim/SimPorts.h"

#include "TestFiles.h"

#include <QDir>
#include <QProcess>

// The programmer at the far end of the port, in real time: the simulator
// PROGRAMMER_SIM started on a pseudo-terminal, or, where the build names no
// simulator (Windows has no pseudo-terminals), the programmer the program
// simulates itself behind the port "sim:". Both print the same notes of what
// they wrote and log one line per frame.
//   options: --swap (a blank card after each card read back), --card P:S:D.
class ProgrammerSimulator
{
public:
    explicit ProgrammerSimulator(const QString& dir, const QStringList& options = {})
    {
        if (!inProgram()) {
            m_logPath = QDir(dir).filePath(QStringLiteral("programmer.log"));
            m_process.start(QStringLiteral(PROGRAMMER_SIM), QStringList{QStringLiteral("--log"), m_logPath} + options);
            if (m_process.waitForStarted() && m_process.waitForReadyRead(5000))
                device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            return;
        }
        const qsizetype card = options.indexOf(QStringLiteral("--card"));
        device = QStringLiteral("sim:") + (card >= 0 ? options.value(card + 1) : QString());
        m_swap = options.contains(QStringLiteral("--swap"));
    }
    ~ProgrammerSimulator()
    {
        if (m_programmer)
            m_programmer->onEvent = nullptr;
        if (!inProgram()) {
            m_process.terminate();
            m_process.waitForFinished(3000);
        }
    }
    ProgrammerSimulator(const ProgrammerSimulator&) = delete;
    ProgrammerSimulator& operator=(const ProgrammerSimulator&) = delete;

    // Hears the window's own programmer, for the simulator inside the
    // program; call it before the port opens.
    void attach(TForm1& form)
    {
        if (!inProgram())
            return;
        m_programmer = form.simPorts().programmer(device);
        if (!m_programmer)
            return;
        if (m_swap) {
            // The operator at a list: the card goes off as soon as it was
            // read back, and a blank one is laid once the program has looked
            // and found none. Played by the frames, not by the clock: the
            // program's own thread plays the hand, and a slow write must not
            // take one card off and lay the next between two looks.
            constexpr qint64 AnHour = 3600 * 1000;
            m_programmer->device().setSwap(0, AnHour);
        }
        m_programmer->onEvent = [this](const SimDevice::Event& e) {
            ++m_frames;
            for (const QString& note : e.notes)
                output += note + u'\n';
            if (!m_swap)
                return;
            if (m_programmer->device().cardOff() && e.bytes == frames::readCardFrame()) {
                output += m_programmer->place() + u'\n';
                return;
            }
            for (const QString& note : m_programmer->advance())
                output += note + u'\n';
        };
    }

    // What it printed so far.
    QString printed()
    {
        if (!inProgram())
            output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        return output;
    }
    int framesLogged() const { return inProgram() ? m_frames : int(readFile(m_logPath).count('\n')); }

    QString device; // for config.ini's COM1=; empty when the simulator did not start
    QString output;

private:
    static bool inProgram() { return QLatin1String(PROGRAMMER_SIM).isEmpty(); }

    QProcess m_process;
    QString m_logPath;
    bool m_swap = false;
    std::shared_ptr<SimProgrammer> m_programmer;
    int m_frames = 0;
};
