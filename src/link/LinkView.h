#pragma once

#include "i18n/Text.h"

#include <QString>

// What the programmer link shows and switches on the main window. The main
// window implements it over its widgets; tests record the calls.
class LinkView
{
public:
    virtual ~LinkView() = default;

    // The single text line of the status bar ("Status").
    virtual void setStatusText(const QString& text) = 0;

    // The hidden frame trace (Memo1): appendTrace adds the text at the very
    // end, with no line break of its own.
    virtual void appendTrace(const QString& text) = 0;
    virtual void clearTrace() = 0;

    // The transmit progress dialog (TForm3) and its gauge bar2, 0..100. The
    // link calls these while the main thread is blocked in a pause, so the
    // real dialog and gauge repaint at once rather than through the event loop.
    virtual void showTransmit() = 0;
    virtual void hideTransmit() = 0;
    virtual void setGauge(int percent) = 0;
    virtual int gauge() const = 0;

    // Label22 on the persons page: the system number of the card last read.
    virtual void setLabel22(const QString& text) = 0;

    // An operator message with one OK button, text and caption named by
    // their texts (they follow the current language).
    virtual void showMessage(Text::Id text, Text::Id caption) = 0;
    // The current language's text of a slot, for a message the link builds.
    virtual QString text(Text::Id id) const = 0;

    // Timer1 (100 ms, read exchange) and Timer3 (50 ms, status animation) of
    // the main window, connected to ProgrammerLink::Timer1Timer/Timer3Timer.
    virtual void setTimer1Enabled(bool on) = 0;
    virtual void setTimer3Enabled(bool on) = 0;

    // Stores the chosen port at once (registry value "Port"). May raise an
    // AppError; the port choice has taken effect before it is called.
    virtual void SavePortToRegistry(int portNumber) = 0;
};
