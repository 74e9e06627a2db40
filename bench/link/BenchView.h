#pragma once

#include "link/LinkView.h"

#include <QTimer>

#include <functional>

// The window side of the link for the benchmarks: no window, only the read
// timer the link drives and a hook for the moment the transmit dialog would
// close, which is where an operation's result shows.
class BenchView : public LinkView
{
public:
    QTimer timer1;
    std::function<void()> onHide;
    void setStatusText(const QString&) override {}
    void appendTrace(const QString&) override {}
    void clearTrace() override {}
    void showTransmit() override {}
    void hideTransmit() override
    {
        if (onHide)
            onHide();
    }
    void setGauge(int percent) override { m_gauge = percent; }
    int gauge() const override { return m_gauge; }
    void setLabel22(const QString&) override {}
    void showMessage(Text::Id, Text::Id) override {}
    void setTimer1Enabled(bool on) override { on ? timer1.start() : timer1.stop(); }
    void setTimer3Enabled(bool) override {}
    void SavePortToRegistry(int) override {}

private:
    int m_gauge = 0;
};
