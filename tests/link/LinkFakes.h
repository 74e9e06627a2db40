#pragma once

#include "i18n/LanguageTables.h"
#include "link/LinkView.h"
#include "serial/CommPort.h"

#include <QList>
#include <QStringList>

#include <chrono>
#include <functional>

// The main window as the link sees it, recording every call in order.
class RecordingView : public LinkView
{
public:
    QStringList calls;
    QString status;
    QString trace;
    int gaugeValue = 0;
    QList<int> gauges;
    bool timer1 = false;
    bool timer3 = true;
    std::function<void(bool)> onTimer1; // drives a real Timer1 where there is one
    QString language = QStringLiteral("English");

    void setStatusText(const QString& text) override { status = text; }
    void appendTrace(const QString& text) override { trace += text; }
    void clearTrace() override
    {
        trace.clear();
        calls << QStringLiteral("clearTrace");
    }
    void showTransmit() override { calls << QStringLiteral("show"); }
    void hideTransmit() override { calls << QStringLiteral("hide"); }
    void setGauge(int percent) override
    {
        gaugeValue = percent;
        gauges << percent;
    }
    int gauge() const override { return gaugeValue; }
    void setLabel22(const QString& text) override { calls << QStringLiteral("label22 ") + text; }
    void showMessage(Text::Id textSlot, Text::Id captionSlot) override
    {
        calls << QStringLiteral("message %1/%2").arg(textSlot).arg(captionSlot);
    }
    QString text(Text::Id id) const override { return (*i18n::findLanguageTable(language))[id]; }
    void setTimer1Enabled(bool on) override
    {
        timer1 = on;
        calls << (on ? QStringLiteral("timer1 on") : QStringLiteral("timer1 off"));
        if (onTimer1)
            onTimer1(on);
    }
    void setTimer3Enabled(bool on) override { timer3 = on; }
    void SavePortToRegistry(int portNumber) override { calls << QStringLiteral("registry %1").arg(portNumber); }
};

// A clock that only the pauses move.
struct FakeClock
{
    std::chrono::milliseconds now{0};
    QList<int> pauses;
    std::function<void()> duringPause; // lets a test act in the middle of a sequence
    void pause(std::chrono::milliseconds d)
    {
        pauses << int(d.count());
        now += d;
        if (duringPause)
            duringPause();
    }
};

// A port that records what is sent, and when by the fake clock.
class FakePort : public CommPort
{
public:
    explicit FakePort(const FakeClock& clock) : m_clock(clock) {}

    struct Write
    {
        int at;
        QByteArray bytes;
    };
    QList<Write> writes;
    QString openError;                        // non-empty: the port does not open
    std::optional<PermissionRefusal> refusal; // with openError: refused for lack of permission
    bool isOpen = false;
    int port = 1;
    // The programmer's answer to a frame it is sent; handed over when the
    // link asks for what has arrived.
    std::function<QByteArray(const QByteArray& frame)> answer;
    QByteArray arrived;

    bool setComPort(int n) override
    {
        if (isOpen || n < 1)
            return false;
        port = n;
        return true;
    }
    int comPort() const override { return port; }
    std::optional<PermissionRefusal> permissionRefusal() const override
    {
        return openError.isEmpty() ? std::nullopt : refusal;
    }
    bool open(QString* error) override
    {
        close();
        if (!openError.isEmpty()) {
            *error = openError;
            return false;
        }
        isOpen = true;
        return true;
    }
    void close() override
    {
        if (!isOpen)
            return;
        isOpen = false;
        if (OnClose)
            OnClose(this);
    }
    bool active() const override { return isOpen; }
    void writeString(const QByteArray& bytes) override
    {
        if (isOpen && !bytes.isEmpty())
            writes.append({int(m_clock.now.count()), bytes});
        if (isOpen && answer)
            arrived += answer(bytes);
    }
    void receivePending() override
    {
        if (isOpen && !arrived.isEmpty() && OnAfterReceive)
            OnAfterReceive(this, std::exchange(arrived, {}));
    }
    QList<QByteArray> sent() const
    {
        QList<QByteArray> list;
        for (const Write& w : writes)
            list << w.bytes;
        return list;
    }

private:
    const FakeClock& m_clock;
};
