#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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
// Editing, removing, inserting or reordering a line breaks the chain at that
// line. A line a crash cut short is ended with a tab and "#torn" by the next
// append, and the chain goes on from the last whole line.
namespace audit {

inline const QString FileName = QStringLiteral("audit.log");
inline const QByteArray TornMark = QByteArrayLiteral("#torn");
constexpr int FieldCount = 10;

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
    // Appends the lines that chain() makes from the newest line's hash (64
    // zeros for none); the hash is read and the lines stored under one lock,
    // so two desks never chain to the same line. All lines or none.
    virtual bool append(const std::function<QByteArrayList(const QByteArray& previous)>& chain, QString* error) = 0;
    // Empty with *error when it cannot be read.
    virtual QByteArray newestHash(QString* error) const = 0;
    // Every line, oldest first, each ended by a line feed.
    virtual bool content(QByteArray* bytes, QString* error) const = 0;
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

    // Whether an append can be expected to succeed: the file (or its folder
    // while there is none) takes writes, it is no folder, and the disk has
    // room for a line. Nothing is created.
    bool writable(QString* error) const;

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
    // The lines of events, chained on from previous.
    QByteArrayList lines(const QList<Event>& events, QByteArray previous) const;

    QString m_path;
    std::shared_ptr<Store> m_store;
    QString m_role;
    QString m_user;
    QString m_host;
    std::function<QDateTime()> m_clock;
};

// What a reading of the whole chain found.
struct Verified
{
    qint64 events = 0;     // whole lines that chain
    qint64 torn = 0;       // lines a crash cut short
    QByteArray newestHash; // of the newest whole line
    qint64 brokenLine = 0; // 1-based, 0 when the chain holds
    QString problem;       // why the line breaks the chain
    qint64 fromLine = 0;   // the line whose hash is `from`, 0 when not found
};

// Reads the chain of a whole file's bytes. With a non-empty `from`, a chain
// that does not contain a line with that hash is broken as well.
Verified verify(const QByteArray& content, const QByteArray& from = {});

// A line's fields (FieldCount of them), or fewer for a torn or foreign line.
QStringList fields(QByteArrayView line);

} // namespace audit
