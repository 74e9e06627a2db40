#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// audit.log in the working directory: one line per operator action that
// changes something or matters to an auditor, appended and synced before the
// action is reported done. UTF-8, fields separated by tabs:
//
//   time  role  user  host  action  table  record  subject  details  hash
//
//   time     local time with its offset, yyyy-MM-ddTHH:mm:ss+hh:mm
//   role     administrator, user, or none (a refused login), tool
//   user     the system account, host the computer
//   action   login, change, add, delete, import, export, backup, restore,
//            settings, card written, card withdrawn, configuration card
//   table    osoby.dbf, grupa.dbf, sprzet.dbf, config.ini, cards.log or empty
//   record   the record's number (person, group or reader number)
//   subject  who or what it concerns, e.g. "12 Kowalski Jan"
//   details  items separated by "; ", each NAME: "value" or, for a change,
//            NAME: "old" → "new"; inside quotes \ " tab CR LF are written
//            \\ \" \t \r \n
//   hash     SHA-256 (64 hex digits) of the previous line's hash, a tab and
//            this line's text up to the tab before the hash; the first line
//            starts from 64 zeros
//
// Every field but the hash is kept from a spreadsheet's formulas the way the
// exports keep their cells (an apostrophe before = + - @).
//
// Editing, removing, inserting or reordering a line breaks the chain at that
// line. A crash can cut short only the last line; the next append ends it
// with a tab, "#torn", a tab and a hash over its bytes and the mark, so the
// torn line is a link of the chain where the chain goes on. A "#torn" mark
// anywhere else, or without its hash, is no crash's doing.
//
// The chain proves the order of the lines, not that none is missing at the
// end: audit.head beside the file holds the number of lines and the newest
// hash, rewritten (a new file, synced, renamed over the old) after each
// append is durable. A log that reaches past its head is what a crash
// between the two leaves; a log that does not reach it was cut or replaced.
namespace backup {
struct Recovered;
}

namespace audit {

inline const QString FileName = QStringLiteral("audit.log");
inline const QString HeadName = QStringLiteral("audit.head");
inline const QByteArray TornMark = QByteArrayLiteral("#torn");
constexpr int FieldCount = 10;

// What the head holds: the lines of the chain and the newest hash.
struct Head
{
    bool present = false;
    qint64 lines = 0; // whole lines of the file
    QByteArray hash;
};

// The head's file beside a trail, and its content; nullopt with *error when
// it exists but cannot be read or understood.
QString headPath(const QString& logPath);
std::optional<Head> readHead(const QString& path, QString* error);

struct Item
{
    Item() = default;
    Item(QString name, QString value) : name(std::move(name)), value(std::move(value)) {}
    Item(QString name, QString value, QString before, bool change)
        : name(std::move(name)), value(std::move(value)), before(std::move(before)), change(change)
    {
    }

    QString name;
    QString value;  // the new value of a change
    QString before; // a change only
    bool change = false;
};

struct Event
{
    QString action;
    QString table;
    QString record;
    QString subject;
    QList<Item> details;
};

// The line of a restore that a kill left half-way and a start or the
// tool's next command finished or undid (recovered.outcome is not Nothing).
Event restoreCleared(const backup::Recovered& recovered);

// The details field of a line, and back (what a line holds, not what it meant).
QString encodeDetails(const QList<Item>& items);
QList<Item> decodeDetails(QStringView text);

// Where the lines are kept when the trail is the site's, in its database:
// the same lines and chain as audit.log, each row naming its desk.
class Store
{
public:
    virtual ~Store() = default;
    // The table and its database, for the operator.
    virtual QString where() const = 0;
    virtual bool writable(QString* error) const = 0;
    // Who writes and when, as the store records it beside each line: the
    // lines carry the same desk (as their host) and time inside their hash.
    struct Stamp
    {
        QString desk;
        QDateTime time;
    };
    using Chain = std::function<QByteArrayList(const QByteArray& previous, const Stamp& stamp)>;
    // Appends the lines that chain() makes from the newest line's hash (64
    // zeros for none); the hash is read and the lines stored under one lock,
    // so two desks never chain to the same line. All lines or none.
    virtual bool append(const Chain& chain, QString* error) = 0;
    // Empty with *error when it cannot be read.
    virtual QByteArray newestHash(QString* error) const = 0;
    // Every line, oldest first, each ended by a line feed.
    virtual bool content(QByteArray* bytes, QString* error) const = 0;
    // The head kept beside the lines, moved on with every append in the same
    // transaction (Head{} while it names no line); nullopt with *error when
    // it cannot be read. A store without one is never found short of it.
    virtual std::optional<Head> head(QString* error) const
    {
        Q_UNUSED(error);
        return Head{};
    }
    // Where the head is kept, for the operator.
    virtual QString headWhere() const { return where(); }
};

class Log
{
public:
    explicit Log(QString path = FileName);

    // The file's path, or where the store keeps the lines.
    QString path() const { return m_store ? m_store->where() : m_path; }
    // The lines go to the store instead of the file.
    void setStore(std::shared_ptr<Store> store) { m_store = std::move(store); }
    const std::shared_ptr<Store>& store() const { return m_store; }
    void setRole(const QString& role) { m_role = role; }
    const QString& role() const { return m_role; }
    // Tests set the time, the account and the machine.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setIdentity(const QString& user, const QString& host);

    // Whether an append of lines of that many bytes can be expected to
    // succeed: the file (or its folder while there is none) takes writes, it
    // is no folder, it reaches its head, and the disk has room for the lines
    // and the head. Nothing is created.
    bool writable(QString* error, qint64 lineBytes = 0) const;
    // The bytes an append of the events would add (without a torn line's end).
    qint64 lineBytes(const QList<Event>& events) const;
    // Tests set what the disk has free for the file's folder.
    void setRoomProbe(std::function<qint64(const QString& folder)> probe) { m_room = std::move(probe); }

    // Whether the trail reaches its head (the file's, or the store's): a trail
    // that is missing, cut short or replaced takes no line until it is put
    // back (or its head removed).
    struct Gap
    {
        enum class Kind { None, Missing, Cut, Replaced, Unreadable };
        Kind kind = Kind::None;
        qint64 lines = 0; // of the head (Missing), or missing at the end (Cut)
        QString reason;   // in words, for errors and the tool
        QString headPath; // the head's file, or where the store keeps it
    };
    Gap gap() const;

    // Appends the events in one write and syncs; false with *error when the
    // file could not be written (it then holds at most a torn last line).
    bool append(const QList<Event>& events, QString* error);
    bool append(const Event& event, QString* error) { return append(QList<Event>{event}, error); }

    // The hash of the newest whole line (64 zeros for an empty or missing
    // file); empty with *error when the file cannot be read.
    QByteArray newestHash(QString* error = nullptr) const;

    // Every line as stored (none while there is no file); false with *error
    // when the trail cannot be read.
    bool content(QByteArray* bytes, QString* error) const;

private:
    // The lines of events, chained on from previous; a store's stamp names
    // the desk and the time instead of this computer and its clock.
    QByteArrayList lines(const QList<Event>& events, QByteArray previous, const Store::Stamp* stamp = nullptr) const;

    bool writeHead(QFile& fresh, const QByteArray& hash, qint64 lines, QString* error) const;
    Gap gapFrom(const QByteArray& newest, const std::optional<Head>& head, const QString& headError) const;

    QString m_path;
    std::shared_ptr<Store> m_store;
    std::function<qint64(const QString&)> m_room;
    QString m_role;
    QString m_user;
    QString m_host;
    std::function<QDateTime()> m_clock;
};

// How a line stands to the chain.
enum class LineState : char {
    Chained, // an event, chained to the line before
    Torn,    // a line a crash cut short: chained by its mark, or the unended last line
    Outside, // not in the chain: edited, inserted, or a torn mark no crash leaves
};

// What a reading of the whole chain found.
struct Verified
{
    qint64 events = 0;     // whole lines that chain
    qint64 torn = 0;       // lines a crash cut short
    qint64 links = 0;      // lines of the chain: the events and the torn lines it holds
    QByteArray newestHash; // of the newest line of the chain
    qint64 brokenLine = 0; // 1-based, 0 when the chain holds
    QString problem;       // why the line breaks the chain
    qint64 fromLine = 0;   // the line whose hash is `from`, 0 when not found
    qint64 missing = 0;    // events the head counts past the end of the file
    bool replaced = false; // the head's hash is on no line where it should be
    std::vector<LineState> lines; // one per line of the file
};

// Reads the chain of a whole file's bytes. With a non-empty `from`, a chain
// that does not contain a line with that hash is broken as well; with a
// present head, so is one that does not reach it.
Verified verify(const QByteArray& content, const QByteArray& from = {}, const Head& head = {});

// A line's fields (FieldCount of them), or fewer for a torn or foreign line.
QStringList fields(QByteArrayView line);
// A field as it was given, the guard against formulas taken off.
QString fieldText(const QString& field);

} // namespace audit
