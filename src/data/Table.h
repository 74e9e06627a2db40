#pragma once

#include "dbf/TableRepair.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QTimer;
class RecordStore;

// One dBase table (osoby.dbf, grupa.dbf, sprzet.dbf) with a current record,
// as the pages and the card operations use it. Every scan runs in natural
// order (the order records were added); deleted records are never visited.
//
// Errors (a file that does not open, a value that does not fit its field, a
// damaged memo) are thrown as AppError with a text that names the file. What
// was done before the error stays done.
//
// Fields are found by name in any letter case. Positions are 1-based, the way
// dBase counts fields: in grupa.dbf positions 4 to 99 are P1 to P96.
class Table : public QObject
{
    Q_OBJECT

public:
    enum class State { Browsing, Editing, Inserting };

    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    // Opens an existing table exclusively (a second program gets an error
    // naming the file) and makes the first record current. A view
    // (DbfFile::Access::View) is for reading only: it changes no file and
    // works beside a program that holds the table.
    void open(const QString& path);
    void openView(const QString& path);
    // Opens the records of another store (a database server's table).
    void open(std::unique_ptr<RecordStore> store);
    void close();
    bool isOpen() const;
    QString fileName() const;
    // What open found odd but could live with, e.g. a record count in the
    // header that disagrees with the file size after an interrupted append.
    QStringList warnings() const;
    // What opening mended after a crash (a change cut short undone, bytes
    // the count never covered moved aside): told to the operator, no more.
    // Each is handed out once.
    QList<TableRepair> takeRepairs();
    // A table that opened with warnings refuses every change (insert, edit,
    // post, remove) until the operator has been shown them and this is called,
    // so nothing is written to a damaged table behind the operator's back.
    bool warningsAcknowledged() const;
    void acknowledgeWarnings();
    // Changes that were stored but whose folder could not be synced after:
    // not failures, told as warnings. Each is handed out once.
    QStringList takeCommitWarnings();

    int fieldCount() const;
    QString fieldName(int position) const;
    int fieldPosition(const QString& name) const; // 0 when there is no such field
    QChar fieldType(int position) const;
    bool isNumeric(int position) const; // the field holds a number (N, F, I, +)
    int fieldWidth(int position) const;

    // Navigation. Each move first posts a pending change.
    void first();
    void next();        // past the last record: stays on it and atEnd() turns true
    void prior();       // on the first record stays there
    bool atEnd() const; // empty, or a move went past the last record
    bool isEmpty() const;

    // The visible records (not deleted, passing the filter) as rows 0..rowCount()-1.
    int rowCount() const;
    int currentRow() const; // -1 when empty
    void moveToRow(int row);
    // A stored field of any visible row, without moving the current record.
    QVariant valueAt(int row, int position) const;
    // The given fields of every stored record, shown by the search or not,
    // in natural order, without moving the current record.
    QList<QVariantList> storedRecords(const QList<int>& positions) const;

    // Fields of the current record (of the pending change while editing).
    // An empty table reads as 0, "" and false.
    qint64 asInteger(const QString& field) const;
    QString asText(const QString& field) const;
    bool asLogical(const QString& field) const;
    qint64 integerAt(int position) const;
    QString textAt(int position) const;
    bool logicalAt(int position) const;

    // Writing needs the editing or inserting state. A value that does not fit
    // its field (a number too wide, a text too long or outside code page 1250)
    // is refused with an AppError and nothing is changed.
    void setInteger(const QString& field, qint64 value);
    void setText(const QString& field, const QString& value);
    void setLogical(const QString& field, bool value);
    void setIntegerAt(int position, qint64 value);
    void setTextAt(int position, const QString& value);
    void setLogicalAt(int position, bool value);

    State state() const;
    void insert(); // posts a pending change, then a blank record is current
    void edit();   // on an empty table this is insert()
    void post();   // a new record goes to the end of the natural order
    void cancel(); // drops the pending change
    // Removes the current record: the following one becomes current, or the
    // preceding one when the last was removed. The record is marked deleted
    // in the file; the table is never packed.
    void remove();
    // Posts a pending change, re-reads the file; the current record stays current.
    void refresh();

    // Several desks on one database (TableDesks.cpp). A change stored at
    // another desk is re-read here as soon as the store hears of it; while
    // the operator has a change pending, or a batch or a scan runs, the
    // re-read waits for its end, so nothing typed is overwritten.
    //
    // Re-reads the records as stored now and keeps the current record, the
    // search and a pending change. A pending edit keeps only the fields this
    // operator changed: every other field takes the value stored now, so the
    // next post stores those changes and no value of another desk is put back.
    void reread();
    // A field another desk stored differently while an edit was pending
    // here, as the last re-read found it: the value the edit began from, the
    // one this operator has now (pending) and the one stored now.
    struct Overtaken
    {
        int position = 0;
        bool changedHere = false;
        QVariant began;
        QVariant pending;
        QVariant stored;
    };
    QList<Overtaken> overtaken() const { return m_overtaken; }
    // A record as a question named it: its store's key and the version it
    // was read at. The answer acts on that record or on nothing, also when a
    // re-read while the question was open put another record at its place.
    struct NamedRecord
    {
        qint64 key = -1; // -1: no record
        qint64 version = 0;
    };
    NamedRecord named() const;
    // Makes the named record current again, as it was named. When another
    // desk removed or changed it since, throws RecordChangedElsewhere
    // (removed() telling which) and the current record stays.
    void returnTo(const NamedRecord& record);
    // Inside a batch, before a new record's number is chosen from the stored
    // ones: holds off every other desk's such batch on this table until this
    // one ends, and shows the records as stored now.
    void holdOtherAppends();
    // The check behind the store's notices, run every check interval (none
    // when zero; a table of one desk needs none): asks the store whether
    // another desk changed the records and re-reads when so.
    void checkForChanges();
    void setCheckInterval(std::chrono::milliseconds interval);
    static constexpr std::chrono::milliseconds DefaultCheckInterval{15000};
    // Other desks' changes are re-read at most once per pace: a burst of
    // notices costs one re-read at once and one more after the pace, which
    // shows the last of them.
    static constexpr std::chrono::milliseconds RereadPace{1000};
    // The clock the pace is measured on and the deferral of a re-read it
    // holds back; the steady clock and a single-shot timer unless a test
    // sets its own.
    using PaceClock = std::function<std::chrono::steady_clock::time_point()>;
    using PaceLater = std::function<void(std::chrono::milliseconds wait, std::function<void()> reread)>;
    void setRereadPace(PaceClock clock, PaceLater later);

    // Makes current the first visible record whose field equals the value;
    // moves nothing (beyond posting) when there is none.
    bool locate(const QString& field, const QString& value, Qt::CaseSensitivity cs);
    bool locate(const QString& field, qint64 value);

    // The persons search: a record passes when the field's text begins with
    // the given text, letter case ignored. The text is data, never parsed;
    // an empty text passes every record. Switching moves to the first record.
    void setPrefixFilter(const QString& field, const QString& text);
    void setFilterActive(bool active);
    bool filterActive() const;

    // While suspended, currentChanged() is held back and the rows' changes
    // are told as one reset: rowsAboutToReset() at the first change, and
    // rowsReset() and currentChanged() at the last resume. A bulk change then
    // costs the views one rebuild, not one a record.
    void suspendDisplay();
    void resumeDisplay();
    bool displaySuspended() const;
    // Suspends the display for its lifetime, so a scan that ends in an error
    // does not leave the bound controls frozen.
    class DisplaySuspension
    {
    public:
        explicit DisplaySuspension(Table& table) : m_table(table) { m_table.suspendDisplay(); }
        ~DisplaySuspension() { m_table.resumeDisplay(); }
        DisplaySuspension(const DisplaySuspension&) = delete;
        DisplaySuspension& operator=(const DisplaySuspension&) = delete;

    private:
        Table& m_table;
    };
    // A scan of every stored record by row: a pending change is posted, the
    // display held back and the persons search set aside; afterwards the
    // search and the current row are as they were, also when the scan ends
    // in an error, so the operator's search is never lost.
    class Scan
    {
    public:
        explicit Scan(Table& table);
        ~Scan();
        Scan(const Scan&) = delete;
        Scan& operator=(const Scan&) = delete;

    private:
        Table& m_table;
        DisplaySuspension m_hold;
        int m_row = -1;
        bool m_filter = false;
    };

    // A bulk change: the files are synced once at its end, and it lands
    // wholly or not at all after a crash (the table's rollback journal).
    // Batches nest; the outermost end commits.
    void beginBatch();
    void endBatch();
    // A batch whose change is part of the change `host` has under way, in
    // one transaction where both stores can share one (RecordStore::
    // beginWithin): it is stored with the host's change or not at all.
    // Otherwise a batch of its own.
    void beginBatchWithin(Table& host);
    // A batch for its lifetime. An error that ends its scope undoes it whole;
    // otherwise its end commits. Its end never throws: when the commit fails
    // (and the batch is undone), the table's next change (insert, edit,
    // remove, post) or close throws that error instead, unless another error
    // was already on its way.
    class Batch
    {
    public:
        explicit Batch(Table& table, Table* within = nullptr);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

        // Ends the batch now; throws when its commit failed (and it was undone).
        void commit();
        // Ends the batch now with every change made in it undone, the files
        // as they were at its start; throws when they could not be put back
        // (the next opening does it then).
        void undo();

    private:
        Table& m_table;
        int m_uncaught;
        bool m_ended = false;
    };

    // Called at the start of every post so bound controls can write the value
    // typed into them into the pending record. One hook per owner.
    void setUpdateHook(const QObject* owner, std::function<void()> hook);
    void removeUpdateHook(const QObject* owner);

    // Asked before every post and remove, before anything is written; it
    // throws (an AppError) to refuse the change. One gate per table.
    void setChangeGate(std::function<void()> gate) { m_gate = std::move(gate); }
    // Whether a batch is open: its changes land at its end.
    bool inBatch() const { return m_batch > 0; }
    // At the outermost end of a batch: beforeCommit is asked before the
    // commit, and false undoes the batch instead (it has told the operator
    // why); ended says whether the batch landed, after its commit or undo.
    void setBatchHooks(std::function<bool()> beforeCommit, std::function<void(bool landed)> ended)
    {
        m_beforeCommit = std::move(beforeCommit);
        m_batchEnded = std::move(ended);
    }
    // Runs inside the post of every edit, once the record is written and
    // before its change ends, with every field's value (by position - 1)
    // before and after. What it changes in other tables in a batch within
    // this table is stored with the post or not at all; an error it throws
    // undoes the post. The pending change is held aside meanwhile, so a move
    // of this table does not post it again. One per table.
    using WithinPost = std::function<void(const QVariantList& before, const QVariantList& after)>;
    void setWithinPost(WithinPost follow) { m_withinPost = std::move(follow); }

signals:
    void currentChanged(); // the current record moved or was re-read
    void stateChanged();
    void rowsAboutToReset(); // the set of visible rows is about to change
    void rowsReset();
    void rowChanged(int row); // a posted change of one row
    // A record stored by post(): its row (-1 when the filter hides it) and
    // every field's value by position - 1, as stored before (empty for a new
    // record) and after.
    void posted(int row, const QVariantList& before, const QVariantList& after);
    // A record removed by remove(): every field's value as it was stored.
    void removed(const QVariantList& before);

private:
    struct Pending;
    class RowsReset;

    std::function<void()> m_gate;
    std::function<bool()> m_beforeCommit;
    std::function<void(bool)> m_batchEnded;
    WithinPost m_withinPost;

    void openAs(const QString& path, int access);
    void adopt(std::unique_ptr<RecordStore> store);
    RecordStore& store() const;
    int resolve(const QString& field) const;
    int checkPosition(int position) const;
    [[noreturn]] void failPosition(int position) const;
    [[noreturn]] static void failNotOpen();
    int currentRecord() const; // physical record number, -1 when none
    void rebuildRows(int keepRecord);
    bool passesFilter(int record) const;
    void notifyCurrent();
    void checkWritable(int field) const;
    void finishChange();
    void undoBatch();
    void showUndone();
    void postIfPending();
    void checkChangesAllowed() const;
    void throwDeferredError();
    QVariant readField(int record, int field) const;
    QVariant imageValue(const char* image, int field, int record) const;
    QVariantList recordValues(int record) const;
    void watchOtherDesks();
    void otherDeskChanged();
    void rereadWhenFree();
    void rereadNow();
    void reload(bool clearOnError);
    void rebase(int record, const std::vector<QVariant>& began, const std::vector<QVariant>& typed);

    std::unique_ptr<RecordStore> m_store;
    std::vector<int> m_rows; // physical record numbers of the visible records
    int m_row = -1;
    bool m_eof = true;
    State m_state = State::Browsing;
    std::unique_ptr<Pending> m_pending;
    int m_filterField = -1;
    QString m_filterText;
    bool m_filterActive = false;
    int m_suspend = 0;
    bool m_resetHeld = false; // rowsAboutToReset() sent while suspended
    int m_batch = 0;
    QString m_deferredError; // of a batch end that could not throw
    bool m_warningsAcknowledged = true;
    QList<TableRepair> m_repairs;
    std::map<const QObject*, std::function<void()>> m_hooks;
    bool m_othersChanged = false; // a re-read waits for the pending change, batch or scan
    bool m_rereadQueued = false;
    bool m_rereadDeferred = false; // held back by the pace, to come
    std::optional<std::chrono::steady_clock::time_point> m_lastReread;
    PaceClock m_paceClock;
    PaceLater m_paceLater;
    QList<Overtaken> m_overtaken;
    QTimer* m_check = nullptr;
};
