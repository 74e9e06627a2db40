#pragma once

#include "i18n/TextSlots.h"
#include "journal/FileJournal.h"
#include "journal/JournalFormat.h"
#include "link/ProgrammerLink.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The card journal: one line per card operation, so an installer can answer
// "who got which card, when". Its columns, and how each is read back, are
// journal/JournalFormat.h's. The lines go to cards.log in the working
// directory (FileJournal) or to the site's database; either way a line is
// on record before append() returns, so a card the operator was told about
// is on record.
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
    explicit CardJournal(std::shared_ptr<JournalStore> store);

    // "administrator" or "user", from the login.
    void setRole(const QString& role) { m_role = role; }
    const QString& role() const { return m_role; }
    // The file's path, or the table and its database: for the operator.
    QString path() const { return m_store->where(); }
    const std::shared_ptr<JournalStore>& store() const { return m_store; }

    // Tests set the time, and for a journal file watch its sync and stand in
    // for the free space of its file system (bytes).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setSyncHook(std::function<void()> hook) { file().setSyncHook(std::move(hook)); }
    void setFreeSpace(std::function<qint64(const QString& folder)> probe) { file().setFreeSpace(std::move(probe)); }

    // Where a card's line went, for the audit: the journal (its name) and the
    // offset the line starts at; or, when the journal could not take it, the
    // spool it waits in or the journal, no offset, and why it missed.
    struct Stored
    {
        QString journal;
        qint64 offset = -1;
        QString missed;
    };
    // The audit of operator actions: asked before a card is written (the
    // operator's message when it cannot take a line), and told of each card
    // line, also of one the journal could not take: the card is written.
    void setAudit(std::function<bool(QString* message)> ready, std::function<void(const Entry&, const Stored&)> appended)
    {
        m_auditReady = std::move(ready);
        m_audited = std::move(appended);
    }

    // The line for one entry, without its line end.
    QString line(const Entry& entry) const;

    // Appends the entry's line. On failure *error holds the reason and the
    // journal is as it was (a file may hold a partial last line).
    bool append(const Entry& entry, QString* error);

    // A journal kept away from the desk (the site's database) may be lost
    // between the check before a card and its line: the line of a card
    // written then waits in this local file (cards.log's format, one line
    // each) and goes to the journal, in its order and before any newer line,
    // as soon as the journal takes lines again. Empty: no spool.
    void setSpool(QString path) { m_spoolPath = std::move(path); }
    const QString& spoolPath() const { return m_spoolPath; }
    // Moves the lines waiting in the spool to the journal, oldest first; true
    // when none is left waiting. *error says why one stays. Their cards are
    // in the audit since they were spooled: no second line.
    bool flushSpool(QString* error);
    // The lines waiting in the spool.
    int spooledLines() const;

    // Whether an append can be expected to succeed (JournalStore::writable());
    // a disk filled or a server lost between this and the append is still
    // caught by append().
    bool writable(QString* error) const { return m_store->writable(error); }

    // What the operator is to be told, and under which caption.
    struct Notice
    {
        QString text;
        QString caption;
        QString spooledIn; // the line waits in this spool file
    };

    // Asked before a card is written: nothing when the journal (and the
    // audit) can take its line, else why the card operation is refused.
    std::optional<Notice> refusalForCard(const TextSlots& texts) const;

    // append() for a card operation: nothing when the line is on record,
    // else what to tell the operator; a journal that cannot be written does
    // not undo or stop the card. With a spool, the line of a card written
    // (not a Find) waits there and the notice says so.
    std::optional<Notice> record(const Entry& entry, const TextSlots& texts);
    // record() for a card written, with what its read-back found; false when
    // the card did not answer as written. *notice as record() returns it.
    bool recordWrite(Entry entry, ProgrammerLink::ReadBack readBack, const TextSlots& texts,
                     std::optional<Notice>* notice);

private:
    FileJournal& file() { return dynamic_cast<FileJournal&>(*m_store); }
    // Appends one line to the store (the audit told), the spool emptied first.
    bool appendLine(const QByteArray& line, const Entry& entry, QString* error);
    // entry: what the audit is told; nullptr for a line from the spool.
    bool storeLine(const QByteArray& line, const Entry* entry, QString* error);

    std::shared_ptr<JournalStore> m_store;
    QString m_role;
    std::function<QDateTime()> m_clock;
    std::function<bool(QString*)> m_auditReady;
    std::function<void(const Entry&, const Stored&)> m_audited;
    QString m_spoolPath;
};
