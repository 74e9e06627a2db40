#pragma once

#include "data/JournalFormat.h"
#include "i18n/TextSlots.h"
#include "link/ProgrammerLink.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

// cards.log in the working directory: one line per card operation, so an
// installer can answer "who got which card, when". Its columns, and how each
// is read back, are data/JournalFormat.h's.
//
// Each line is appended with one write and synced to disk before append()
// returns, so a card the operator was told about is on record. A last line a
// crash cut short keeps what it has; the next event starts on a new line.
class CardJournal
{
public:
    inline static const QString FileName = journal::FileName;
    inline static const QString Header = journal::Header;

    struct Entry
    {
        QString operation;
        qint64 personNumber = 0;
        qint64 systemCode = 0;
        qint64 duplicateIndex = 0;
        QString group;
        QByteArray data;
        journal::Verification verification = journal::Verification::None;
    };

    explicit CardJournal(QString path = FileName);

    // "administrator" or "user", from the login.
    void setRole(const QString& role) { m_role = role; }
    const QString& role() const { return m_role; }
    const QString& path() const { return m_path; }

    // Tests set the time and watch the sync.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setSyncHook(std::function<void()> hook) { m_syncHook = std::move(hook); }
    // Tests stand in for the free space of the journal's file system (bytes).
    void setFreeSpace(std::function<qint64(const QString& folder)> probe) { m_freeSpace = std::move(probe); }

    // The audit of operator actions: asked before a card is written (the
    // operator's message when it cannot take a line), and told of each line
    // appended with the byte offset it starts at.
    void setAudit(std::function<bool(QString* message)> ready,
                  std::function<void(const Entry&, qint64 offset)> appended)
    {
        m_auditReady = std::move(ready);
        m_audited = std::move(appended);
    }

    // The line for one entry, without its line end.
    QString line(const Entry& entry) const;

    // Appends the entry (and the header to a new or empty file) and syncs.
    // On failure *error holds the system's reason and the file is as it was
    // or holds a partial last line.
    bool append(const Entry& entry, QString* error);

    // Whether an append can be expected to succeed: the file (or, while there
    // is none, its folder) takes writes and its file system has room for a
    // line. No file is created. A disk filled between this and the append is
    // still caught by append().
    bool writable(QString* error) const;

    // Asked before a card is written: a journal that cannot take its line is
    // told to the operator and the card operation is refused.
    bool readyForCard(const TextSlots& texts) const;

    // append() for a card operation: a journal that cannot be written is
    // shown to the operator but does not undo or stop the card.
    void record(const Entry& entry, const TextSlots& texts);
    // record() for a card written, with what its read-back found; false when
    // the card did not answer as written.
    bool recordWrite(Entry entry, ProgrammerLink::ReadBack readBack, const TextSlots& texts);

private:
    QString m_path;
    QString m_role;
    std::function<QDateTime()> m_clock;
    std::function<void()> m_syncHook;
    std::function<qint64(const QString&)> m_freeSpace;
    std::function<bool(QString*)> m_auditReady;
    std::function<void(const Entry&, qint64)> m_audited;
};
