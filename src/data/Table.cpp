#include "data/Table.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "dbf/DbfStore.h"

#include <QDir>
#include <QMetaMethod>

#include <exception>
#include <utility>

// The record being edited or inserted, with the notes typed for it; the
// notes go to the memo file only when the record is posted.
struct Table::Pending
{
    QByteArray record;
    QByteArray began;      // the stored record the edit began from, as last re-read
    int recordNumber = -1; // -1 while inserting
    std::map<int, QString> memos;
};

// Emits the pair of row-reset signals around a change of the visible rows,
// also when the change ends in an error, so a model is never left half reset.
// While the display is suspended the pair spans the whole suspension.
class Table::RowsReset
{
public:
    explicit RowsReset(Table* table) : m_table(table), m_held(table->m_suspend > 0)
    {
        if (!m_held || !std::exchange(table->m_resetHeld, true))
            emit table->rowsAboutToReset();
    }
    ~RowsReset()
    {
        if (!m_held)
            emit m_table->rowsReset();
    }
    RowsReset(const RowsReset&) = delete;
    RowsReset& operator=(const RowsReset&) = delete;

private:
    Table* m_table;
    bool m_held;
};

Table::Table(QObject* parent) : QObject(parent) {}

Table::~Table()
{
    try {
        close();
    } catch (const AppError&) {
        // Nothing left to show an error to at this point; the table closes anyway.
    }
}

void Table::open(const QString& path)
{
    openAs(path, int(DbfFile::Access::ReadWrite));
}

void Table::openView(const QString& path)
{
    openAs(path, int(DbfFile::Access::View));
}

void Table::openAs(const QString& path, int access)
{
    close();
    RowsReset reset(this);
    adopt(std::make_unique<DbfStore>(path, DbfFile::Access(access)));
}

void Table::open(std::unique_ptr<RecordStore> store)
{
    close();
    RowsReset reset(this);
    adopt(std::move(store));
}

void Table::adopt(std::unique_ptr<RecordStore> store)
{
    m_store = std::move(store);
    m_warningsAcknowledged = m_store->warnings().isEmpty();
    m_repairs = m_store->repairs();
    m_deferredError.clear();
    m_filterField = -1;
    m_filterText.clear();
    m_filterActive = false;
    rebuildRows(-1);
    m_row = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    watchOtherDesks();
    emit stateChanged();
    notifyCurrent();
}

void Table::close()
{
    if (!m_store)
        return;
    // A pending change is stored on the way out; when that fails the table
    // closes all the same and the error tells what was not stored.
    std::exception_ptr failure;
    try {
        postIfPending();
        m_store->commit(); // an unfinished batch
        m_store->sync();
        throwDeferredError();
    } catch (const AppError&) {
        failure = std::current_exception();
    }
    {
        RowsReset reset(this);
        m_pending.reset();
        m_state = State::Browsing;
        m_batch = 0;
        m_store.reset();
        m_rows.clear();
        m_row = -1;
        m_eof = true;
    }
    if (failure)
        std::rethrow_exception(failure);
}

bool Table::isOpen() const
{
    return bool(m_store);
}

QString Table::fileName() const
{
    return m_store ? m_store->name() : QString();
}

QStringList Table::warnings() const
{
    return m_store ? m_store->warnings() : QStringList();
}

QList<TableRepair> Table::takeRepairs()
{
    return std::exchange(m_repairs, {});
}

bool Table::warningsAcknowledged() const
{
    return m_warningsAcknowledged;
}

void Table::acknowledgeWarnings()
{
    m_warningsAcknowledged = true;
}

QStringList Table::takeCommitWarnings()
{
    return m_store ? m_store->takeCommitWarnings() : QStringList();
}

void Table::checkChangesAllowed() const
{
    if (!m_warningsAcknowledged)
        throw AppError(QStringLiteral("%1: the table was found damaged when it was opened and is not changed "
                                      "until that has been shown")
                           .arg(QDir::toNativeSeparators(store().name())));
}

void Table::throwDeferredError()
{
    if (!m_deferredError.isEmpty())
        throw AppError(std::exchange(m_deferredError, QString()));
}

RecordStore& Table::store() const
{
    if (!m_store) [[unlikely]]
        failNotOpen();
    return *m_store;
}

void Table::failNotOpen()
{
    throw AppError(QStringLiteral("The table is not open."));
}

int Table::fieldCount() const
{
    return int(store().fields().size());
}

QString Table::fieldName(int position) const
{
    return store().fields()[size_t(checkPosition(position))].name;
}

int Table::fieldPosition(const QString& name) const
{
    return store().findField(name) + 1;
}

QChar Table::fieldType(int position) const
{
    return QChar::fromLatin1(store().fields()[size_t(checkPosition(position))].type);
}

bool Table::isNumeric(int position) const
{
    return store().fields()[size_t(checkPosition(position))].numeric();
}

int Table::fieldWidth(int position) const
{
    return store().fields()[size_t(checkPosition(position))].width;
}

int Table::resolve(const QString& field) const
{
    int index = store().findField(field);
    if (index < 0)
        throw AppError(QStringLiteral("%1: there is no field %2").arg(QDir::toNativeSeparators(m_store->name()), field));
    return index;
}

// Called for every field read, so the refusals are kept out of its way.
int Table::checkPosition(int position) const
{
    if (position < 1 || position > int(store().fields().size())) [[unlikely]]
        failPosition(position);
    return position - 1;
}

void Table::failPosition(int position) const
{
    throw AppError(QStringLiteral("%1: there is no field number %2 (the table has %3 fields)")
                       .arg(QDir::toNativeSeparators(m_store->name()))
                       .arg(position)
                       .arg(m_store->fields().size()));
}

// ---- navigation ----

void Table::first()
{
    postIfPending();
    m_row = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    notifyCurrent();
}

void Table::next()
{
    postIfPending();
    if (m_row + 1 < int(m_rows.size())) {
        ++m_row;
        m_eof = false;
        notifyCurrent();
    } else {
        m_eof = true;
    }
}

void Table::prior()
{
    postIfPending();
    m_eof = m_rows.empty();
    if (m_row > 0) {
        --m_row;
        notifyCurrent();
    }
}

bool Table::atEnd() const
{
    if (m_state == State::Inserting)
        return false;
    return m_eof || m_rows.empty();
}

bool Table::isEmpty() const
{
    return m_rows.empty() && m_state != State::Inserting;
}

int Table::rowCount() const
{
    return int(m_rows.size());
}

int Table::currentRow() const
{
    return m_row;
}

void Table::moveToRow(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    postIfPending();
    m_eof = false;
    if (row != m_row) {
        m_row = row;
        notifyCurrent();
    }
}

int Table::currentRecord() const
{
    return m_row >= 0 && m_row < int(m_rows.size()) ? m_rows[size_t(m_row)] : -1;
}

QVariant Table::readField(int record, int field) const
{
    return store().value(record, field);
}

// A field of a record image by its type, as RecordStore::value reads a stored one.
QVariant Table::imageValue(const char* image, int field, int record) const
{
    const RecordStore& f = store();
    const RecordStore::Field& desc = f.fields()[size_t(field)];
    try {
        if (desc.numeric()) {
            if (f.isBlank(image, field))
                return {};
            if (desc.decimals > 0)
                return f.textValue(image, field, record).toDouble();
            return f.integerValue(image, field);
        }
        if (desc.type == 'L')
            return f.isBlank(image, field) ? QVariant() : QVariant(f.logicalValue(image, field));
        return f.textValue(image, field, record);
    } catch (const AppError&) {
        return {}; // a damaged note
    }
}

QVariantList Table::recordValues(int record) const
{
    QVariantList values;
    for (int field = 0; field < fieldCount(); ++field) {
        try {
            values.append(readField(record, field));
        } catch (const AppError&) {
            values.append(QVariant()); // a damaged note
        }
    }
    return values;
}

QVariant Table::valueAt(int row, int position) const
{
    int field = checkPosition(position);
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return readField(m_rows[size_t(row)], field);
}

// ---- reading the current record ----

qint64 Table::asInteger(const QString& field) const
{
    return integerAt(resolve(field) + 1);
}

QString Table::asText(const QString& field) const
{
    return textAt(resolve(field) + 1);
}

bool Table::asLogical(const QString& field) const
{
    return logicalAt(resolve(field) + 1);
}

qint64 Table::integerAt(int position) const
{
    int field = checkPosition(position);
    if (m_pending)
        return store().integerValue(m_pending->record.constData(), field);
    int record = currentRecord();
    return record < 0 ? 0 : store().integerValue(store().record(record), field);
}

QString Table::textAt(int position) const
{
    int field = checkPosition(position);
    if (m_pending) {
        auto memo = m_pending->memos.find(field);
        if (memo != m_pending->memos.end())
            return memo->second;
        return store().textValue(m_pending->record.constData(), field, m_pending->recordNumber);
    }
    const int record = currentRecord();
    if (record < 0)
        return {};
    // Read for every field of every record in a full read: the table is
    // known open here, checkPosition() has seen to it.
    const RecordStore& f = *m_store;
    return f.textValue(f.record(record), field, record);
}

bool Table::logicalAt(int position) const
{
    int field = checkPosition(position);
    if (m_pending)
        return store().logicalValue(m_pending->record.constData(), field);
    int record = currentRecord();
    return record >= 0 && store().logicalValue(store().record(record), field);
}

// ---- writing ----

void Table::checkWritable(int field) const
{
    Q_UNUSED(field);
    if (!m_pending)
        throw AppError(QStringLiteral("%1: the table is not in edit or insert state")
                           .arg(QDir::toNativeSeparators(store().name())));
}

void Table::setInteger(const QString& field, qint64 value)
{
    setIntegerAt(resolve(field) + 1, value);
}

void Table::setText(const QString& field, const QString& value)
{
    setTextAt(resolve(field) + 1, value);
}

void Table::setLogical(const QString& field, bool value)
{
    setLogicalAt(resolve(field) + 1, value);
}

void Table::setIntegerAt(int position, qint64 value)
{
    int field = checkPosition(position);
    checkWritable(field);
    if (store().fields()[size_t(field)].type == 'M') {
        setTextAt(position, QString::number(value));
        return;
    }
    store().putInteger(m_pending->record, field, value);
}

void Table::setTextAt(int position, const QString& value)
{
    int field = checkPosition(position);
    checkWritable(field);
    const RecordStore::Field& desc = store().fields()[size_t(field)];
    if (desc.type == 'M') {
        if (!cp1250::representable(value))
            throw AppError(QStringLiteral("%1: the note for field %2 holds characters outside code page 1250")
                               .arg(QDir::toNativeSeparators(store().name()), desc.name));
        m_pending->memos[field] = value;
        return;
    }
    store().putText(m_pending->record, field, value);
}

void Table::setLogicalAt(int position, bool value)
{
    int field = checkPosition(position);
    checkWritable(field);
    store().putLogical(m_pending->record, field, value);
}

// ---- states ----

Table::State Table::state() const
{
    return m_state;
}

void Table::insert()
{
    checkChangesAllowed();
    throwDeferredError();
    postIfPending();
    auto pending = std::make_unique<Pending>();
    pending->record = store().blankRecord();
    m_pending = std::move(pending);
    m_state = State::Inserting;
    emit stateChanged();
    notifyCurrent();
}

void Table::edit()
{
    if (m_state != State::Browsing)
        return;
    checkChangesAllowed();
    throwDeferredError();
    int record = currentRecord();
    if (record < 0) {
        insert();
        return;
    }
    auto pending = std::make_unique<Pending>();
    pending->record = QByteArray(store().record(record), store().recordLength());
    pending->began = pending->record;
    pending->recordNumber = record;
    m_pending = std::move(pending);
    m_state = State::Editing;
    emit stateChanged();
}

void Table::post()
{
    if (!m_pending)
        return;
    // The bound controls write what was typed into them first.
    for (auto& [owner, hook] : std::map(m_hooks))
        hook();
    if (!m_pending)
        return;
    checkChangesAllowed();
    throwDeferredError();
    if (m_gate)
        m_gate();

    RecordStore& f = store();
    Pending& p = *m_pending;
    static const QMetaMethod postedSignal = QMetaMethod::fromSignal(&Table::posted);
    const bool notify = isSignalConnected(postedSignal) || m_withinPost;
    const QVariantList before = notify && p.recordNumber >= 0 ? recordValues(p.recordNumber) : QVariantList();
    const bool inserting = m_state == State::Inserting;
    // An edit outside a batch is a change of its own: its record and the
    // notes it points to land together or not at all. An append keeps the
    // order that needs no journal: notes, record, count.
    const bool ownChange = !inserting && m_batch == 0;
    // The pending record stays as it was until the post succeeds, so that a
    // failed one can be posted again.
    QByteArray record = p.record;
    int appended = -1;
    try {
        if (ownChange)
            f.begin();
        // Notes first: a record must never point at blocks not yet written.
        for (auto& [field, text] : p.memos) {
            QString stored;
            bool readable = true;
            try {
                stored = f.textValue(record.constData(), field, p.recordNumber);
            } catch (const AppError&) {
                readable = false; // a damaged note is replaced by the new text
            }
            if (!readable || stored != text)
                f.putMemo(record, field, text);
        }
        if (inserting) {
            if (m_batch == 0)
                f.syncNotes(); // a batch orders its writes only, and syncs at its end
            appended = f.appendRecord(record);
        } else {
            f.writeRecord(p.recordNumber, record);
            if (m_withinPost) {
                std::unique_ptr<Pending> held = std::move(m_pending);
                try {
                    m_withinPost(before, recordValues(held->recordNumber));
                } catch (...) {
                    m_pending = std::move(held);
                    throw;
                }
                m_pending = std::move(held);
            }
            if (ownChange)
                f.commit();
        }
    } catch (const RecordChangedElsewhere&) {
        if (ownChange && f.inChange())
            f.rollback(); // nothing was written: the refusal itself goes on
        throw;
    } catch (const AppError& e) {
        if (ownChange && f.inChange()) // a failed commit has undone its change already
            f.abandon(e);
        throw;
    }

    const int stored = inserting ? appended : p.recordNumber;
    if (inserting) {
        RowsReset reset(this);
        m_pending.reset();
        m_state = State::Browsing;
        if (passesFilter(appended)) {
            m_rows.push_back(appended);
            m_row = int(m_rows.size()) - 1;
        }
        m_eof = m_rows.empty();
    } else {
        m_pending.reset();
        m_state = State::Browsing;
        if (m_suspend > 0) {
            RowsReset held(this); // the row may move in a sorted view: one rebuild at the end
        } else {
            emit rowChanged(m_row);
        }
    }
    finishChange();
    if (notify)
        emit posted(currentRecord() == stored ? m_row : -1, before, recordValues(stored));
    emit stateChanged();
    notifyCurrent();
    rereadWhenFree();
}

void Table::cancel()
{
    if (!m_pending)
        return;
    m_pending.reset();
    m_state = State::Browsing;
    emit stateChanged();
    notifyCurrent();
    rereadWhenFree();
}

void Table::postIfPending()
{
    if (m_pending)
        post();
}

void Table::remove()
{
    if (m_state == State::Inserting) {
        cancel(); // the new record was never stored
        return;
    }
    int record = currentRecord();
    if (record < 0)
        return;
    checkChangesAllowed();
    throwDeferredError();
    if (m_gate)
        m_gate();
    const QVariantList before = recordValues(record);
    const bool wasEditing = bool(m_pending);
    {
        RowsReset reset(this);
        // A removal refused (another desk changed the record) keeps what was typed.
        store().markDeleted(record);
        m_pending.reset();
        m_state = State::Browsing;
        m_rows.erase(m_rows.begin() + m_row);
        if (m_row >= int(m_rows.size()))
            m_row = int(m_rows.size()) - 1;
        m_eof = m_rows.empty();
    }
    finishChange();
    emit removed(before);
    if (wasEditing)
        emit stateChanged();
    notifyCurrent();
}

void Table::refresh()
{
    postIfPending();
    reread();
}

void Table::reread()
{
    reload(true);
}

// Records are found again by their store's key: another desk may have
// removed or added records, numbering them anew. A pending edit is carried
// over the record as stored now, field by field: the fields this operator
// changed keep what was typed, every other one takes the stored value.
void Table::reload(bool clearOnError)
{
    RecordStore& f = store();
    const int record = currentRecord();
    const qint64 key = record >= 0 ? f.recordKey(record) : -1;
    const qint64 pendingKey = m_pending && m_pending->recordNumber >= 0 ? f.recordKey(m_pending->recordNumber) : -1;
    m_overtaken.clear();
    // Images point at notes the store holds only until it re-reads: what
    // they say is taken now.
    std::vector<QVariant> began;
    std::vector<QVariant> typed;
    if (m_pending) {
        for (int field = 0; field < int(f.fields().size()); ++field) {
            const auto memo = m_pending->memos.find(field);
            typed.push_back(memo != m_pending->memos.end()
                                ? QVariant(memo->second)
                                : imageValue(m_pending->record.constData(), field, m_pending->recordNumber));
            began.push_back(pendingKey >= 0 ? imageValue(m_pending->began.constData(), field, m_pending->recordNumber)
                                            : QVariant());
        }
    }
    bool dropped = false;
    {
        RowsReset reset(this);
        try {
            f.reload();
        } catch (const AppError&) {
            if (clearOnError) {
                m_rows.clear();
                m_row = -1;
                m_eof = true;
            }
            throw;
        }
        const int kept = key >= 0 ? f.recordOfKey(key) : -1;
        rebuildRows(kept >= 0 ? kept : record); // one removed elsewhere: the record now at its place
        if (m_pending) {
            const int pendingRecord = pendingKey >= 0 ? f.recordOfKey(pendingKey) : -1;
            if (pendingKey >= 0 && pendingRecord < 0) {
                dropped = true; // removed elsewhere: there is nothing left to edit
                m_pending.reset();
                m_state = State::Browsing;
            } else if (pendingRecord >= 0) {
                rebase(pendingRecord, began, typed);
            } else {
                // A new record: its notes are put again, the store holds them no more.
                for (int field = 0; field < int(f.fields().size()); ++field)
                    if (f.fields()[size_t(field)].type == 'M' && !m_pending->memos.count(field) &&
                        !typed[size_t(field)].toString().isEmpty())
                        f.putMemo(m_pending->record, field, typed[size_t(field)].toString());
            }
        }
    }
    if (dropped)
        emit stateChanged();
    notifyCurrent();
}

// The pending edit of a record re-read: it becomes the record as stored now
// with the fields this operator changed put in again; what another desk
// stored meanwhile is kept in overtaken() for the operator to see.
void Table::rebase(int record, const std::vector<QVariant>& began, const std::vector<QVariant>& typed)
{
    RecordStore& f = store();
    Pending& p = *m_pending;
    const char* now = f.record(record);
    QByteArray image(now, f.recordLength());
    m_overtaken.clear();
    for (int field = 0; field < int(f.fields().size()); ++field) {
        const bool changedHere = typed[size_t(field)] != began[size_t(field)];
        const QVariant stored = imageValue(now, field, record);
        if (f.fields()[size_t(field)].type == 'M') {
            if (!changedHere)
                p.memos.erase(field); // typed back to what it was: the stored note stays
        } else if (changedHere) {
            f.copyField(image, p.record.constData(), field);
        }
        if (stored != began[size_t(field)])
            m_overtaken.append({field + 1, changedHere, began[size_t(field)], typed[size_t(field)], stored});
    }
    p.record = image;
    p.began = QByteArray(now, f.recordLength());
    p.recordNumber = record;
}

void Table::rebuildRows(int keepRecord)
{
    const RecordStore& f = store();
    m_rows.clear();
    m_rows.reserve(size_t(f.recordCount()));
    m_row = -1;
    for (int r = 0; r < f.recordCount(); ++r) {
        if (f.isDeleted(r) || !passesFilter(r))
            continue;
        if (m_row < 0 && keepRecord >= 0 && r >= keepRecord)
            m_row = int(m_rows.size()); // the kept record, or the one that follows it
        m_rows.push_back(r);
    }
    if (m_row < 0 && !m_rows.empty())
        m_row = keepRecord >= 0 ? int(m_rows.size()) - 1 : 0;
    if (m_rows.empty())
        m_eof = true;
}

bool Table::passesFilter(int record) const
{
    if (!m_filterActive || m_filterField < 0 || m_filterText.isEmpty())
        return true;
    try {
        return m_store->textValue(m_store->record(record), m_filterField, record)
            .startsWith(m_filterText, Qt::CaseInsensitive);
    } catch (const AppError&) {
        return false; // an unreadable note matches no search text
    }
}

// ---- search ----

bool Table::locate(const QString& field, const QString& value, Qt::CaseSensitivity cs)
{
    const int index = resolve(field);
    postIfPending();
    const RecordStore& f = store();
    const bool numeric = f.fields()[size_t(index)].numeric();
    bool isNumber = false;
    const qint64 number = value.trimmed().toLongLong(&isNumber);
    for (size_t row = 0; row < m_rows.size(); ++row) {
        const int record = m_rows[row];
        bool equal = false;
        try {
            if (numeric && isNumber)
                equal = !f.isBlank(f.record(record), index) && f.integerValue(f.record(record), index) == number;
            else
                equal = f.textValue(f.record(record), index, record).compare(value, cs) == 0;
        } catch (const AppError&) {
            equal = false; // an unreadable value equals nothing
        }
        if (equal) {
            m_eof = false;
            if (int(row) != m_row) {
                m_row = int(row);
                notifyCurrent();
            }
            return true;
        }
    }
    return false;
}

bool Table::locate(const QString& field, qint64 value)
{
    return locate(field, QString::number(value), Qt::CaseInsensitive);
}

void Table::setPrefixFilter(const QString& field, const QString& text)
{
    const int index = resolve(field);
    m_filterField = index;
    m_filterText = text;
    if (m_filterActive)
        setFilterActive(true);
}

void Table::setFilterActive(bool active)
{
    postIfPending();
    m_filterActive = active;
    {
        RowsReset reset(this);
        rebuildRows(-1);
        m_row = m_rows.empty() ? -1 : 0;
        m_eof = m_rows.empty();
    }
    notifyCurrent();
}

bool Table::filterActive() const
{
    return m_filterActive;
}

// ---- display and batches ----

void Table::suspendDisplay()
{
    ++m_suspend;
}

void Table::resumeDisplay()
{
    if (m_suspend == 0)
        return;
    if (--m_suspend > 0)
        return;
    if (std::exchange(m_resetHeld, false))
        emit rowsReset();
    emit currentChanged();
    rereadWhenFree();
}

bool Table::displaySuspended() const
{
    return m_suspend > 0;
}

void Table::notifyCurrent()
{
    // A move through every record (a full read, a search) sends no signal
    // when nothing listens: sending one costs more than the move.
    static const QMetaMethod changed = QMetaMethod::fromSignal(&Table::currentChanged);
    if (m_suspend == 0 && isSignalConnected(changed))
        emit currentChanged();
}

// The records in memory are the file's again after a change was undone: the
// rows, the pending change and the current record follow them.
void Table::showUndone()
{
    const int record = currentRecord();
    const bool wasChanging = bool(m_pending);
    m_pending.reset();
    m_state = State::Browsing;
    {
        RowsReset reset(this);
        rebuildRows(record);
        m_eof = m_rows.empty();
    }
    if (wasChanging)
        emit stateChanged();
    notifyCurrent();
}

void Table::finishChange()
{
    // Outside a batch every change is durable before control returns to the operator.
    if (m_batch == 0)
        store().sync();
}

void Table::setUpdateHook(const QObject* owner, std::function<void()> hook)
{
    m_hooks[owner] = std::move(hook);
}

void Table::removeUpdateHook(const QObject* owner)
{
    m_hooks.erase(owner);
}
