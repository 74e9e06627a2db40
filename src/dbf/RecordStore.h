#pragma once

#include "config/AppError.h"
#include "dbf/TableRepair.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

// An overwrite or removal refused because another desk changed or removed
// the record after it was read here; nothing was stored.
class RecordChangedElsewhere : public AppError
{
public:
    RecordChangedElsewhere(const QString& message, const QString& desk, bool removed)
        : AppError(message), m_desk(desk), m_removed(removed)
    {
    }
    const QString& desk() const { return m_desk; } // the desk that changed it
    bool removed() const { return m_removed; }

private:
    QString m_desk;
    bool m_removed;
};

// Where a Table's records live: the dBase files of one desk (DbfStore) or a
// database server shared by several desks. The table keeps the current
// record, the visible rows, the search and the pending change; the store
// keeps the records and their fields, and makes a change durable.
//
// A record is held as an image whose bytes only its store reads: the store
// reads fields from it and writes values into it, refusing a value that does
// not fit its field (a number too wide, a text too long or outside code page
// 1250) with an AppError that names the table, leaving the image as it was.
// Records are numbered from 0 in the order they were added. Every error is an
// AppError whose text starts with the table's name.
class RecordStore
{
public:
    struct Field
    {
        QString name;
        char type = 'C'; // C N F L D M I +
        int width = 0;
        int decimals = 0;

        // Holds a number: text digits (N, F) or a binary integer (I, +). The
        // one rule every store, the table and its views ask.
        bool numeric() const { return type == 'N' || type == 'F' || type == 'I' || type == '+'; }
    };

    virtual ~RecordStore() = default;

    // What errors and messages call the table: its file, or its server and name.
    virtual QString name() const = 0;
    virtual const std::vector<Field>& fields() const = 0;
    int findField(const QString& name) const; // -1 when absent; letter case ignored
    // What opening found odd but could live with, and what it mended.
    virtual QStringList warnings() const = 0;
    virtual QList<TableRepair> repairs() const = 0;
    // What went wrong after a change was already stored; each is handed out once.
    virtual QStringList takeCommitWarnings() = 0;

    virtual int recordCount() const = 0;
    virtual bool isDeleted(int record) const = 0;
    // A record's image, valid until the next change or reload.
    virtual const char* record(int record) const = 0;
    virtual int recordLength() const = 0;
    virtual QByteArray blankRecord() const = 0;
    // Re-reads the records as they are stored now (other programs' or desks' changes).
    virtual void reload() = 0;

    // Field values of an image. Empty numbers read as 0, empty logicals as
    // false; text loses its trailing blanks. recordNumber names the record in
    // an error about its note.
    virtual qint64 integerValue(const char* image, int field) const = 0;
    virtual QString textValue(const char* image, int field, int recordNumber = -1) const = 0;
    virtual bool logicalValue(const char* image, int field) const = 0;
    virtual bool isBlank(const char* image, int field) const = 0;
    // A stored field by its type: a number (empty: null), a logical (empty:
    // null) or a text.
    virtual QVariant value(int record, int field) const = 0;
    // These fields of every record not deleted, in order.
    virtual QList<QVariantList> storedRecords(const QList<int>& fields) const = 0;

    virtual void putInteger(QByteArray& image, int field, qint64 value) const = 0;
    virtual void putText(QByteArray& image, int field, const QString& value) const = 0;
    virtual void putLogical(QByteArray& image, int field, bool value) const = 0;
    // A note (memo field): stored with the record it is put into.
    virtual void putMemo(QByteArray& image, int field, const QString& value) = 0;
    // One field of one image taken into another as it is; a note only as its
    // pointer, valid while both images are.
    virtual void copyField(QByteArray& to, const char* from, int field) const = 0;

    // Outside a change each of these is a change of its own. An overwrite
    // is refused when the stored record is no longer the one the image was
    // read from (another desk changed it), naming who changed it.
    virtual void writeRecord(int record, const QByteArray& image) = 0;
    virtual void markDeleted(int record) = 0;
    virtual int appendRecord(const QByteArray& image) = 0; // the new record's number
    // Makes the notes written so far durable before a record points at them.
    virtual void syncNotes() = 0;
    // Makes every change so far durable.
    virtual void sync() = 0;

    // A change (a batch): every write until commit() lands wholly or not at
    // all. When commit() fails the change is undone before the error is
    // thrown; rollback() undoes it; abandon() undoes it and throws the error
    // that ended it.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    [[noreturn]] virtual void abandon(const AppError& cause) = 0;
    virtual bool inChange() const = 0;
    // Begins a change that lands with the change `host` has under way, in
    // one transaction: its commit is stored only by the host's commit, and
    // the host's undoing undoes it too; undoing it makes the host's commit
    // fail. False when the two stores cannot share one (nothing was begun).
    virtual bool beginWithin(RecordStore& host)
    {
        (void)host;
        return false;
    }

    // Several desks on one store. A store only this program holds (the
    // dBase files are opened exclusively) has nothing to do for these.
    //
    // Other desks change the records too.
    virtual bool shared() const { return false; }
    // Inside a change: holds off every other desk's change that asks the
    // same until this change ends, so that a value chosen from every stored
    // record (a new number) is chosen by one desk at a time; true when the
    // records must be re-read for it.
    virtual bool holdOtherAppends() { return false; }
    // `changed` is called when another desk stored a change of the records.
    virtual void watchOtherDesks(std::function<void()> changed) { (void)changed; }
    // Cheap to ask: whether the records stored differ from those read here
    // with this desk's own changes since.
    virtual bool changedElsewhere() { return false; }
    // Names a record across reloads, which may number it anew when another
    // desk removed or added records; recordOfKey is -1 for a key gone.
    virtual qint64 recordKey(int record) const { return record; }
    // Counted up by every stored change of the record, at any desk; a store
    // only this program holds changes nothing behind the table's back.
    virtual qint64 recordVersion(int record) const
    {
        (void)record;
        return 0;
    }
    virtual int recordOfKey(qint64 key) const { return key >= 0 && key < recordCount() ? int(key) : -1; }
};
