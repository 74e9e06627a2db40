#include "dbf/DbfFile.h"

#include "config/Cp1250.h"
#include "config/DeskHold.h"
#include "config/FileSync.h"
#include "dbf/DbfFormat.h"
#include "dbf/RollbackJournal.h"
#include "platform/Files.h"
#include "platform/Locks.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <limits>
#include <map>
#include <set>

// Everything that changes the files of a table: appends, changes through
// the rollback journal, what an opening mends after a crash, and creating a
// table.

using namespace dbfformat;

// A change under way: what it is to write, and the state before it, which
// goes to the journal before the first byte that was there is overwritten.
struct DbfFile::Change
{
    explicit Change(const QString& tablePath) : journal(tablePath) {}

    RollbackJournal journal;
    qint64 tableSize = 0;
    qint64 memoSize = -1;
    int recordCount = 0;
    QByteArray header;
    QByteArray tail;                  // after the counted records: the end mark, if any
    QByteArray memoHead;              // the notes' next free block
    std::set<int> dirty;              // records changed in memory, to be written
    std::map<int, QByteArray> before; // their images on disk, not yet journaled
    std::set<int> journaled;          // records whose before-image is in the journal
    quint32 memoNext = 0;             // a next free block to write at the end; 0: none
};

namespace {

// A new file's whole content, synced before it is closed.
void writeNew(int fd, const QString& name, const QByteArray& bytes)
{
    const bool written =
        filesync::write(fd, name, 0, bytes) == 0 && filesync::sync(fd, name, filesync::Kind::Full) == 0;
    const QString reason = errnoText();
    platform::closeFile(fd);
    if (!written)
        throwFor(name, QStringLiteral("writing failed: %1").arg(reason));
}

} // namespace

DbfFile::DbfFile() = default;

std::unique_ptr<DbfFile> DbfFile::layout(const QString& name, const std::vector<FieldSpec>& fields)
{
    std::unique_ptr<DbfFile> f(new DbfFile);
    f->m_path = name;
    f->m_access = Access::View;
    int offset = 1;
    for (const FieldSpec& wanted : fields) {
        Field field;
        field.name = wanted.name;
        field.type = wanted.type;
        field.width = wanted.width;
        field.decimals = wanted.decimals;
        field.offset = offset;
        offset += wanted.width;
        f->m_fields.push_back(field);
    }
    f->m_recordLength = offset;
    return f;
}

DbfFile::~DbfFile()
{
    if (m_change) {
        try {
            rollback();
        } catch (const AppError&) {
            // The journal stays; the next opening undoes the change.
        }
    }
    // The note of who holds the table goes while the lock is still held, so
    // it never removes the next holder's.
    if (m_noted)
        deskhold::noteReleased(m_path);
    // Closing the descriptors also drops the locks.
    if (m_memoFd >= 0)
        platform::closeFile(m_memoFd);
    if (m_fd >= 0)
        platform::closeFile(m_fd);
}

// A journal beside the table is a change a crash cut short: played back
// before anything is read, so the table is read as it was before the change.
void DbfFile::recover()
{
    if (!QFileInfo::exists(RollbackJournal::pathFor(m_path)))
        return;
    // The fields are not read yet (the header may be one the journal puts
    // back), so the notes file is found by name.
    const QString memoPath = memoPathFor(m_path);
    const int memoFd = platform::openFile(memoPath, platform::Access::ReadWrite);
    const auto closeMemo = qScopeGuard([memoFd] {
        if (memoFd >= 0)
            platform::closeFile(memoFd);
    });
    if (memoFd >= 0 && platform::tryLock(memoFd, platform::LockKind::Exclusive) != 0)
        throwFor(memoPath, platform::heldElsewhere(errno)
                               ? QStringLiteral("the memo file is in use by another program")
                               : QStringLiteral("the memo file cannot be locked: %1").arg(errnoText()));
    if (RollbackJournal::playBack({m_fd, m_path, memoFd, memoPath}) == RollbackJournal::Found::Complete)
        m_repairs.push_back({Repair::Kind::ChangeUndone, {}, 0});
}

// Bytes after the counted records are an append the count never covered (a
// crash between the record and the header). Nothing is thrown away: they go
// to a side file named after the table and the time, durable before the
// table is cut back to its counted records and the end mark.
void DbfFile::moveUncountedTail()
{
    const qint64 end = m_headerLength + qint64(m_recordCount) * m_recordLength;
    QByteArray tail(fileSize(m_fd, m_path) - end, Qt::Uninitialized);
    if (!readFully(m_fd, end, tail.data(), tail.size()))
        fail(QStringLiteral("the bytes after the counted records cannot be read: %1").arg(errnoText()));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString side;
    int fd = -1;
    for (int n = 1; fd < 0; ++n) {
        side = QStringLiteral("%1.%2%3.uncounted").arg(m_path, stamp, n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        fd = platform::openFile(side, platform::Access::Write, platform::Create::New);
        if (fd < 0 && errno != EEXIST)
            throwFor(side, QStringLiteral("cannot be created: %1").arg(errnoText()));
    }
    writeNew(fd, side, tail);
    const QString dir = QFileInfo(m_path).absolutePath();
    if (filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
    if (filesync::truncate(m_fd, m_path, end) != 0)
        fail(QStringLiteral("cutting off the bytes after the counted records failed: %1").arg(errnoText()));
    writeAt(m_fd, end, QByteArray(1, EndOfFile), m_path);
    syncFile(m_fd, m_path, filesync::Kind::Full);
    m_repairs.push_back({Repair::Kind::TailMoved, side, tail.size()});
}

void DbfFile::putMemo(QByteArray& record, int field, const QString& value)
{
    const Field& f = m_fields[size_t(field)];
    if (f.type != 'M') {
        putText(record, field, value);
        return;
    }
    checkWritable();
    if (value.isEmpty()) {
        record.replace(f.offset, f.width, QByteArray(f.width, ' '));
        return;
    }
    bool ok = true;
    QByteArray bytes = cp1250::encode(value, &ok);
    if (!ok)
        fail(QStringLiteral("the note for field %1 holds characters outside code page 1250").arg(f.name));
    QByteArray data;
    if (m_memoKind == MemoKind::DBase3) {
        if (bytes.contains(EndOfFile))
            fail(QStringLiteral("the note for field %1 holds the character 0x1A, which ends a dBase III note")
                     .arg(f.name));
        data = bytes + QByteArray(2, EndOfFile);
    } else {
        data = MemoBlockSignature + le32Bytes(quint32(bytes.size() + MemoBlockHeader)) + bytes;
    }
    const int blocks = int((data.size() + m_memoBlockSize - 1) / m_memoBlockSize);
    data.append(QByteArray(qsizetype(blocks) * m_memoBlockSize - data.size(), '\0'));

    // New blocks always go after everything in the file, so no block that a
    // record may still point to is ever overwritten.
    QByteArray head(4, '\0');
    if (!readFully(m_memoFd, 0, head.data(), 4))
        failMemo(QStringLiteral("the memo header cannot be read"));
    const qint64 size = fileSize(m_memoFd, m_memoPath);
    const qint64 end = (size + m_memoBlockSize - 1) / m_memoBlockSize;
    // Every writer puts a note's blocks in the file before the header points
    // past them: a next free block far past the end is damage, and a note
    // written there would make the file as large as the pointer says.
    if (le32(head.constData()) > end + 1)
        failMemo(QStringLiteral("the memo header's next free block %1 lies beyond the end of the file, block %2 "
                                "(damaged header)")
                     .arg(le32(head.constData()))
                     .arg(end));
    qint64 block = qMax<qint64>(le32(head.constData()), end);
    block = qMax<qint64>(block, 1);
    if (block + blocks > qint64(999999999))
        failMemo(QStringLiteral("the memo file is full"));
    QByteArray pointer = QByteArray::number(block).rightJustified(f.width, ' ');
    writeAt(m_memoFd, block * m_memoBlockSize, data, m_memoPath);
    // In a change the next free block is written once, at its end: until
    // then the change only appends to the notes file.
    if (m_change)
        m_change->memoNext = quint32(block + blocks);
    else
        writeAt(m_memoFd, 0, le32Bytes(quint32(block + blocks)), m_memoPath);
    m_memoSize = qMax(size, (block + blocks) * m_memoBlockSize);
    m_memoDirty = true;
    record.replace(f.offset, f.width, pointer);
}

void DbfFile::writeAt(int fd, qint64 offset, const QByteArray& bytes, const QString& fileName)
{
    // In a change no byte that was there before it is overwritten before the
    // journal holds it.
    if (m_change && !m_change->journal.started() && offset < (fd == m_fd ? m_change->tableSize : m_change->memoSize))
        journalStart();
    if (filesync::write(fd, fileName, offset, bytes) != 0)
        throwFor(fileName, QStringLiteral("writing failed: %1").arg(errnoText()));
    if (fd == m_fd)
        m_dirty = true;
}

void DbfFile::writeHeaderCounts()
{
    // The date of the last change and the record count; rewritten only when
    // one of them changes.
    QByteArray bytes = todayBytes() + le32Bytes(quint32(m_recordCount));
    if (m_header.mid(1, bytes.size()) == bytes)
        return;
    writeAt(m_fd, 1, bytes, m_path);
    m_header.replace(1, bytes.size(), bytes);
}

void DbfFile::writeRecord(int number, const QByteArray& record)
{
    Q_ASSERT(number >= 0 && number < m_recordCount && record.size() == m_recordLength);
    const bool own = !m_change;
    if (own)
        begin();
    Change& c = *m_change;
    char* image = m_records.data() + qsizetype(number) * m_recordLength;
    // A record that was there before the change is journaled as it is on
    // disk; one appended in it goes with the cut back to the old size.
    if (number < c.recordCount && !c.journaled.contains(number))
        c.before.try_emplace(number, image, m_recordLength);
    std::memcpy(image, record.constData(), size_t(m_recordLength));
    c.dirty.insert(number);
    if (own)
        commit();
}

void DbfFile::markDeleted(int number)
{
    Q_ASSERT(number >= 0 && number < m_recordCount);
    QByteArray deleted(record(number), m_recordLength);
    deleted[0] = '*';
    writeRecord(number, deleted);
}

int DbfFile::appendRecord(QByteArray record)
{
    Q_ASSERT(record.size() == m_recordLength);
    checkWritable();
    for (const Field& f : m_fields) {
        // A counter past the 32-bit range would store as an empty field
        // (the smallest value) or wrap: refused before anything is written.
        if (f.type == '+' && le32(m_header.constData() + f.descriptorOffset + AutoincrementOffset) >
                                 quint32(std::numeric_limits<qint32>::max()))
            fail(QStringLiteral("the autoincrement field %1 has passed its largest value, %2")
                     .arg(f.name)
                     .arg(std::numeric_limits<qint32>::max()));
    }
    // In a change the journal comes first, so that a crash part-way leaves
    // it for the next opening to undo the whole change.
    if (m_change && !m_change->journal.started())
        journalStart();
    const int number = m_recordCount;
    const qint64 end = m_headerLength + qint64(number) * m_recordLength;
    // What an append that fails outside a change puts back: the header and
    // the bytes after the records (the end mark).
    const QByteArray header = m_header;
    QByteArray tail;
    if (!m_change) {
        tail.resize(qMax<qint64>(0, fileSize(m_fd, m_path) - end));
        if (!readFully(m_fd, end, tail.data(), tail.size()))
            fail(QStringLiteral("the end of the table cannot be read: %1").arg(errnoText()));
    }
    try {
        for (Field& f : m_fields) {
            if (f.type != '+')
                continue;
            char* d = m_header.data() + f.descriptorOffset + AutoincrementOffset;
            quint32 next = qMax<quint32>(le32(d), 1);
            record.replace(f.offset, 4, encodeLong(next));
            QByteArray after = le32Bytes(next + 1);
            if (!m_change)
                writeAt(m_fd, f.descriptorOffset + AutoincrementOffset, after, m_path);
            std::memcpy(d, after.constData(), 4);
        }
        writeAt(m_fd, end, record + EndOfFile, m_path);
        m_records.append(record);
        ++m_recordCount;
        if (m_change)
            return number; // counted when the change is committed
        // The record is durable before the count that makes it part of the table.
        syncFile(m_fd, m_path, filesync::Kind::Data);
        writeHeaderCounts();
    } catch (const AppError&) {
        if (!m_change)
            forgetAppend(number, header, tail);
        throw;
    }
    m_headerRecordCount = m_recordCount;
    return number;
}

// An append that failed before its count was written is no record: memory
// forgets it and the file is cut back, so that storing it again stores it
// once. When the cut fails, the bytes stay uncounted, as a crash leaves them.
void DbfFile::forgetAppend(int count, const QByteArray& header, const QByteArray& tail)
{
    m_recordCount = count;
    m_records.truncate(qsizetype(count) * m_recordLength);
    m_header = header; // with the counters of autoincrement fields as they were
    const qint64 end = m_headerLength + qint64(count) * m_recordLength;
    if (filesync::write(m_fd, m_path, 0, header) == 0 && filesync::truncate(m_fd, m_path, end) == 0 && !tail.isEmpty())
        (void)filesync::write(m_fd, m_path, end, tail);
}

void DbfFile::checkWritable() const
{
    if (!m_unrecovered.isEmpty())
        fail(m_unrecovered);
    if (m_access != Access::ReadWrite)
        fail(QStringLiteral("the table is open for reading only"));
}

void DbfFile::begin()
{
    Q_ASSERT(!m_change);
    checkWritable();
    auto c = std::make_unique<Change>(m_path);
    c->tableSize = fileSize(m_fd, m_path);
    c->recordCount = m_recordCount;
    c->header = m_header;
    const qint64 end = m_headerLength + qint64(m_recordCount) * m_recordLength;
    c->tail.resize(qMax<qint64>(0, c->tableSize - end));
    if (!readFully(m_fd, end, c->tail.data(), c->tail.size()))
        fail(QStringLiteral("the end of the table cannot be read: %1").arg(errnoText()));
    if (m_memoFd >= 0) {
        c->memoSize = fileSize(m_memoFd, m_memoPath);
        c->memoHead.resize(4);
        if (!readFully(m_memoFd, 0, c->memoHead.data(), c->memoHead.size()))
            failMemo(QStringLiteral("the memo header cannot be read"));
    }
    m_change = std::move(c);
}

void DbfFile::journalStart(std::vector<RollbackJournal::Image> records)
{
    Change& c = *m_change;
    std::vector<RollbackJournal::Image> images{{false, 0, c.header}};
    if (!c.tail.isEmpty())
        images.push_back({false, m_headerLength + qint64(c.recordCount) * m_recordLength, c.tail});
    if (!c.memoHead.isEmpty())
        images.push_back({true, 0, c.memoHead});
    images.insert(images.end(), records.begin(), records.end());
    c.journal.start(c.tableSize, c.memoSize, images);
}

// The records changed in memory go to the file, their before-images to the
// journal first: one journal write and sync for all of them.
void DbfFile::flush()
{
    Change& c = *m_change;
    std::vector<RollbackJournal::Image> images;
    for (const auto& [number, bytes] : c.before) {
        images.push_back({false, m_headerLength + qint64(number) * m_recordLength, bytes});
        c.journaled.insert(number);
    }
    c.before.clear();
    if (!images.empty() && !c.journal.started())
        journalStart(std::move(images));
    else if (!images.empty())
        c.journal.add(images);
    // Records next to each other go out in one write: a batch that changes
    // thousands of neighbouring records costs a few writes, not thousands.
    for (auto run = c.dirty.begin(); run != c.dirty.end();) {
        const int first = *run;
        int count = 0;
        while (run != c.dirty.end() && *run == first + count) {
            ++run;
            ++count;
        }
        writeAt(m_fd, m_headerLength + qint64(first) * m_recordLength,
                QByteArray(record(first), qsizetype(count) * m_recordLength), m_path);
    }
    c.dirty.clear();
}

void DbfFile::commit()
{
    if (!m_change)
        return;
    Change& c = *m_change;
    const bool changed =
        !c.dirty.empty() || m_recordCount != c.recordCount || c.memoNext != 0 || m_memoDirty || c.journal.started();
    try {
        if (changed) {
            flush();
            m_header.replace(1, 7, todayBytes() + le32Bytes(quint32(m_recordCount)));
            if (m_header != c.header)
                writeAt(m_fd, 0, m_header, m_path);
            if (c.memoNext != 0)
                writeAt(m_memoFd, 0, le32Bytes(c.memoNext), m_memoPath);
            sync();
            const QString unsynced = c.journal.remove(); // the commit
            if (!unsynced.isEmpty())
                m_commitWarnings << unsynced;
        }
    } catch (const AppError& e) {
        abandon(e);
    }
    m_headerRecordCount = m_recordCount;
    m_change.reset();
}

void DbfFile::abandon(const AppError& cause)
{
    try {
        rollback();
    } catch (const AppError& again) {
        throw AppError(QStringLiteral("%1; %2").arg(cause.message(), again.message()));
    }
    throw cause;
}

void DbfFile::rollback()
{
    if (!m_change)
        return;
    const std::unique_ptr<Change> c = std::move(m_change);
    try {
        using Found = RollbackJournal::Found;
        // A journal gone already was removed by a commit that failed only
        // after it: the change is whole and stays.
        const Found found =
            c->journal.started() ? RollbackJournal::playBack({m_fd, m_path, m_memoFd, m_memoPath}) : Found::Torn;
        // Without a whole journal nothing that was there was overwritten;
        // notes may have been appended.
        if (found == Found::Torn && m_memoFd >= 0 && fileSize(m_memoFd, m_memoPath) > c->memoSize &&
            filesync::truncate(m_memoFd, m_memoPath, c->memoSize) != 0)
            failMemo(QStringLiteral("cutting back failed: %1").arg(errnoText()));
    } catch (const AppError& e) {
        m_unrecovered = QStringLiteral("a change could not be undone (%1); it is undone when the table is next opened")
                            .arg(e.message());
        fail(m_unrecovered);
    }
    m_dirty = false;
    m_memoDirty = false;
    readAll();
    openMemo();
}

void DbfFile::syncFile(int fd, const QString& fileName, filesync::Kind kind)
{
    if (filesync::sync(fd, fileName, kind) != 0)
        throwFor(fileName, QStringLiteral("the changes cannot be made durable: %1").arg(errnoText()));
    if (fd == m_fd)
        m_dirty = false;
    else
        m_memoDirty = false;
}

void DbfFile::syncMemo()
{
    if (m_memoDirty)
        syncFile(m_memoFd, m_memoPath, filesync::Kind::Data);
}

void DbfFile::sync()
{
    if (m_memoDirty)
        syncFile(m_memoFd, m_memoPath, filesync::Kind::Full);
    if (m_dirty)
        syncFile(m_fd, m_path, filesync::Kind::Full);
}

void DbfFile::checkCreatable(const QString& path)
{
    if (QFileInfo::exists(path))
        throwFor(path, QStringLiteral("the file exists already and is left as it is"));
    // Notes begin after the first block: a file of one block holds none.
    const QFileInfo notes(memoPathFor(path));
    if (notes.exists() && notes.size() > CreatedMemoBlock)
        throwFor(notes.filePath(), QStringLiteral("holds notes without their table and is left as it is"));
}

void DbfFile::create(const QString& path, const std::vector<FieldSpec>& fields)
{
    bool hasMemo = false;
    QByteArray descriptors;
    int recordLength = 1;
    for (const FieldSpec& field : fields) {
        QByteArray name = field.name.toUpper().toLatin1();
        if (name.isEmpty() || name.size() > 10)
            throwFor(path, QStringLiteral("the field name \"%1\" must have 1 to 10 characters").arg(field.name));
        QByteArray d(DescriptorSize, '\0');
        d.replace(0, name.size(), name);
        d[11] = field.type;
        d[16] = char(field.width);
        d[17] = char(field.decimals);
        descriptors += d;
        recordLength += field.width;
        hasMemo = hasMemo || field.type == 'M';
    }
    const int headerLength = DescriptorSize + int(descriptors.size()) + 1;
    QByteArray header(DescriptorSize, '\0');
    header[0] = char(hasMemo ? CreatedVersion : CreatedVersionNoMemo);
    header.replace(1, 3, todayBytes());
    header[8] = char(headerLength & 0xFF);
    header[9] = char(headerLength >> 8);
    header[10] = char(recordLength & 0xFF);
    header[11] = char(recordLength >> 8);
    header[29] = char(LanguageDriverCp1250);
    QByteArray file = header + descriptors + HeaderEnd + EndOfFile;

    checkCreatable(path);
    const auto writeWhole = [](const QString& name, const QByteArray& bytes) {
        const int fd = platform::openFile(name, platform::Access::Write, platform::Create::Truncate);
        if (fd < 0)
            throwFor(name, QStringLiteral("cannot be created: %1").arg(errnoText()));
        writeNew(fd, name, bytes);
    };
    // The notes file first, so that the table never exists without it.
    if (hasMemo) {
        QByteArray memo(CreatedMemoBlock, '\0');
        memo.replace(0, 4, le32Bytes(1));
        memo.replace(4, 4, le32Bytes(CreatedMemoBlock));
        QByteArray base = QFileInfo(path).completeBaseName().toUpper().toLatin1().left(8);
        memo.replace(8, base.size(), base);
        memo[20] = char(CreatedMemoBlock & 0xFF);
        memo[21] = char(CreatedMemoBlock >> 8);
        writeWhole(memoPathFor(path), memo);
    }
    // The table is written under a name of its own and appears under its
    // name only whole; the new names survive a power cut as well.
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (hasMemo && filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
    // The name is this creator's own, and the rename refuses to replace a
    // table another program made meanwhile.
    QString partial;
    int fd = -1;
    while (fd < 0) {
        partial = QDir(dir).filePath(QStringLiteral(".%1.%2.partial")
                                         .arg(info.fileName())
                                         .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')));
        fd = platform::openFile(partial, platform::Access::Write, platform::Create::New);
        if (fd < 0 && errno != EEXIST)
            throwFor(partial, QStringLiteral("cannot be created: %1").arg(errnoText()));
    }
    try {
        writeNew(fd, partial, file);
    } catch (const AppError&) {
        filesync::remove(partial);
        throw;
    }
    if (filesync::renameNoReplace(partial, path) != 0) {
        const int error = errno;
        filesync::remove(partial);
        errno = error;
        if (error == EEXIST)
            throwFor(path, QStringLiteral("the file was made by another program meanwhile and is left as it is"));
        throwFor(path, QStringLiteral("cannot be created: %1").arg(errnoText()));
    }
    if (filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
}
