#pragma once

#include "link/LinkFakes.h"
#include "ui/UiFixture.h"

#include "i18n/LanguageTables.h"
#include "link/ProgrammerLink.h"
#include "journal/CardJournal.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

#include <QDir>

// What the pages work with, on real tables in a temporary folder: the
// window, the program state in English, a link on a recording port whose
// pauses only move a fake clock, and the card journal.
struct PageRig
{
    static constexpr int System = 123456;

    UiFixture ui;
    TableFixture tables;
    ProgramState state;
    FakeClock clock;
    FakePort port{clock};
    RecordingView view;
    ProgrammerLink link{LinkState{state.LinkOpen, state.PortNumber, state.PortCaption}, port, view,
                        [this](std::chrono::milliseconds d) { clock.pause(d); }};
    CardJournal journal{QDir(tables.dir.path()).filePath(CardJournal::FileName)};

    PageRig()
    {
        state.SystemNumber = System;
        state.PortCaption = QStringLiteral("COM1 ");
        i18n::copyLanguageTable(u"English", &state.TextSlots);
        journal.setRole(QStringLiteral("user"));
    }

    void addGroup(const QString& name, const QList<int>& readers)
    {
        tables.groups.insert();
        tables.groups.setText(QStringLiteral("NAME"), name);
        for (int n : readers)
            tables.groups.setLogical(QStringLiteral("P%1").arg(n), true);
        tables.groups.post();
    }
};

// The message boxes shown since the last look, each as "text|caption".
inline QStringList shownMessages()
{
    QStringList list;
    for (const MessageBox::Shown& s : MessageBox::takeShown())
        list << s.text + u'|' + s.caption;
    return list;
}
