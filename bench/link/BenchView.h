#pragma once

#include "link/LinkView.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

// The window side of the link for the benchmarks: no window, only the read
// timer the link drives and a wait for the moment the transmit dialog would
// close, which is where an operation's result shows.
class BenchView : public LinkView
{
public:
    QTimer timer1;

    BenchView()
    {
        m_giveUp.setSingleShot(true);
        QObject::connect(&m_giveUp, &QTimer::timeout, &m_hidden, &QEventLoop::quit);
    }

    // Runs events until the transmit dialog would close; a read that never
    // ends must not hang the benchmark, so at most three seconds.
    void waitForHide()
    {
        m_giveUp.start(3000);
        m_hidden.exec();
        m_giveUp.stop();
    }

    void setStatusText(const QString&) override {}
    void appendTrace(const QString&) override {}
    void clearTrace() override {}
    void showTransmit() override {}
    void hideTransmit() override { m_hidden.quit(); }
    void setGauge(int percent) override { m_gauge = percent; }
    int gauge() const override { return m_gauge; }
    void setLabel22(const QString&) override {}
    void showMessage(Text::Id, Text::Id) override {}
    QString text(Text::Id) const override { return {}; }
    void setTimer1Enabled(bool on) override { on ? timer1.start() : timer1.stop(); }
    void setTimer3Enabled(bool) override {}
    void SavePortToRegistry(int) override {}

private:
    QEventLoop m_hidden;
    QTimer m_giveUp;
    int m_gauge = 0;
};

// Starts the programmer simulator and returns the device it serves, or an
// empty text when it did not start.
inline QString startSimulator(QProcess& sim, const QString& program, const QStringList& arguments = {})
{
    sim.start(program, arguments);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000))
        return {};
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}
