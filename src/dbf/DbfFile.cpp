#include "dbf/DbfFile.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "dbf/DbfFormat.h"
#include "dbf/RollbackJournal.h"
#include "platform/Files.h"
#include "platform/Locks.h"
#include "platform/SharedFolder.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

// Opening and reading a table, and the values of its fields; the writing is
// in DbfWrite.cpp.

using namespace dbfformat;

void DbfFile::fail(const QString& reason) const
{
    throwFor(m_path, reason);
}

void DbfFile::failMemo(const QString& reason) const
{
    throwFor(m_memoPath, reason);
}

std::unique_ptr<DbfFile> DbfFile::open(const QString& path, Access access)
{
    std::unique_ptr<DbfFile> f(new DbfFile);
    f->m_path = path;
    f->m_access = access;
    if (access == Access::View) {
        const Bytes bytes = viewBytes(path);
        f->m_fd = memoryFile(path, bytes.table);
        if (bytes.hasMemo) {
            f->m_memoPath = bytes.memoPath;
            f->m_memoFd = memoryFile(bytes.memoPath, bytes.memo);
        }
        f->readAll();
        f->openMemo();
        return f;
    }
    const auto mode = access == Access::ReadOnly ? platform::Access::Read : platform::Access::ReadWrite;
    const auto lock = access == Access::ReadOnly ? platform::LockKind::Shared : platform::LockKind::Exclusive;
    f->m_fd = platform::openFile(path, mode);
    if (f->m_fd < 0) {
        if (errno == ENOENT)
            f->fail(QStringLiteral("the table file does not exist"));
        // A program that opened the table for itself alone (Windows) holds it.
        if (platform::heldElsewhere(errno))
            f->fail(QStringLiteral("the table is in use by another program"));
        const int why = errno;
        QString reason = QStringLiteral("the table cannot be opened: %1").arg(errnoText());
        if (const QString advice = shared::permissionAdvice(path, why); !advice.isEmpty())
            reason += QStringLiteral("\n\n") + advice;
        f->fail(reason);
    }
    if (platform::tryLock(f->m_fd, lock) != 0) {
        if (platform::heldElsewhere(errno))
            f->fail(QStringLiteral("the table is in use by another program"));
        f->fail(QStringLiteral("the table cannot be locked: %1").arg(errnoText()));
    }
    if (access == Access::ReadWrite)
        f->recover();
    f->readAll();
    f->openMemo();
    if (access == Access::ReadWrite && f->m_uncounted > 0) {
        try {
            f->moveUncountedTail();
            f->readAll();
        } catch (const AppError& e) {
            // Left where it is, the tail is reported like on a read-only opening.
            f->m_warnings << e.message();
        }
    }
    if (access == Access::ReadOnly && RollbackJournal::inspect(path) == RollbackJournal::Found::Complete) {
        try {
            viewBytes(path); // a journal that does not fit the files is told as the damage it is
            f->m_warnings << QStringLiteral("%1: a change was cut short and is undone from %2 when the table is "
                                            "next opened for writing")
                                 .arg(nativeName(path), nativeName(RollbackJournal::pathFor(path)));
        } catch (const AppError& e) {
            f->m_warnings << e.message();
        }
    }
    return f;
}

namespace {

// The whole file; nothing when there is none.
std::optional<QByteArray> readIfPresent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return std::nullopt;
        throwFor(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    }
    return file.readAll();
}

} // namespace

DbfFile::Bytes DbfFile::viewBytes(const QString& path)
{
    const QString memoPath = memoPathFor(path);
    const QString journalPath = RollbackJournal::pathFor(path);
    // A writer that holds the table may be half-way through a step; its
    // steps are short, and a reading that two more agree with fell between them.
    constexpr int Attempts = 100;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(10);
        const std::optional<QByteArray> journal = readIfPresent(journalPath);
        const std::optional<QByteArray> table = readIfPresent(path);
        if (!table)
            throwFor(path, QStringLiteral("the table file does not exist"));
        const std::optional<QByteArray> memo = readIfPresent(memoPath);
        if (readIfPresent(journalPath) != journal || readIfPresent(path) != table || readIfPresent(memoPath) != memo)
            continue;
        Bytes bytes{*table, memo.value_or(QByteArray()), memo.has_value(), memoPath};
        RollbackJournal::applyTo(journal.value_or(QByteArray()), bytes.table, bytes.hasMemo ? &bytes.memo : nullptr,
                                 journalPath);
        return bytes;
    }
    throwFor(path, QStringLiteral("the table kept changing while it was read; try again"));
}

// An unnamed file in memory holding bytes, read like the table's own file.
int DbfFile::memoryFile(const QString& path, const QByteArray& bytes)
{
    const int fd = platform::memoryFile(QFileInfo(path).fileName());
    if (fd < 0)
        throwFor(path, QStringLiteral("no room in memory for a copy: %1").arg(errnoText()));
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = platform::writeAt(fd, done, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString reason = errnoText();
            platform::closeFile(fd);
            throwFor(path, QStringLiteral("no room in memory for a copy: %1").arg(reason));
        }
        done += n;
    }
    return fd;
}

qint64 DbfFile::fileSize(int fd, const QString& fileName) const
{
    const qint64 size = platform::fileSize(fd);
    if (size < 0)
        throwFor(fileName, QStringLiteral("cannot read the file size: %1").arg(errnoText()));
    return size;
}

void DbfFile::readAll()
{
    m_warnings.clear();
    qint64 size = fileSize(m_fd, m_path);
    parseHeader(size);
    m_records.resize(qsizetype(m_recordCount) * m_recordLength);
    if (!readFully(m_fd, m_headerLength, m_records.data(), m_records.size()))
        fail(QStringLiteral("the records cannot be read: %1").arg(errnoText()));
}

void DbfFile::parseHeader(qint64 size)
{
    if (size < DescriptorSize + 1)
        fail(QStringLiteral("the file is too short to be a dBase table"));
    QByteArray fixed(DescriptorSize, '\0');
    if (!readFully(m_fd, 0, fixed.data(), fixed.size()))
        fail(QStringLiteral("the header cannot be read: %1").arg(errnoText()));
    const quint8 version = quint8(fixed.at(0));
    switch (version) {
    case 0x03:
    case 0x83:
    case 0x8B:
    case 0x04:
    case 0x8C:
        break;
    default:
        fail(QStringLiteral("version byte 0x%1 is not a supported dBase format").arg(version, 2, 16, QLatin1Char('0')));
    }
    const bool level7 = isLevel7(version);
    const int descriptorsStart = level7 ? Level7HeaderSize : DescriptorSize;
    const int descriptorSize = level7 ? Level7DescriptorSize : DescriptorSize;
    const int nameLength = level7 ? 32 : 11;

    m_headerRecordCount = int(qMin<quint32>(le32(fixed.constData() + 4), quint32(std::numeric_limits<int>::max())));
    m_headerLength = le16(fixed.constData() + 8);
    m_recordLength = le16(fixed.constData() + 10);
    if (m_headerLength < descriptorsStart + 1 || m_headerLength > size)
        fail(QStringLiteral("the header length %1 does not fit the file (damaged header)").arg(m_headerLength));
    if (m_recordLength < 2)
        fail(QStringLiteral("the record length %1 is impossible (damaged header)").arg(m_recordLength));

    m_header.resize(m_headerLength);
    if (!readFully(m_fd, 0, m_header.data(), m_header.size()))
        fail(QStringLiteral("the header cannot be read: %1").arg(errnoText()));

    m_fields.clear();
    int offset = 1;
    for (int pos = descriptorsStart; pos + descriptorSize <= m_headerLength && m_header.at(pos) != HeaderEnd;
         pos += descriptorSize) {
        const char* d = m_header.constData() + pos;
        Field f;
        f.name = QString::fromLatin1(d, qstrnlen(d, nameLength)).trimmed();
        f.type = char(QChar::toUpper(uint(quint8(d[level7 ? 32 : 11]))));
        f.width = quint8(d[level7 ? 33 : 16]);
        f.decimals = quint8(d[level7 ? 34 : 17]);
        f.offset = offset;
        f.descriptorOffset = pos;
        bool widthOk = true;
        switch (f.type) {
        case 'C':
            widthOk = f.width >= 1;
            break;
        case 'N':
        case 'F':
            widthOk = f.width >= 1 && f.width <= MaxNumericWidth;
            break;
        case 'L':
            widthOk = f.width == 1;
            break;
        case 'D':
            widthOk = f.width == 8;
            break;
        case 'M':
            widthOk = f.width == MemoPointerWidth;
            break;
        case 'I':
        case '+':
            widthOk = f.width == 4;
            break;
        default:
            fail(QStringLiteral("field %1 has the unsupported type '%2'").arg(f.name, QChar::fromLatin1(f.type)));
        }
        if (!widthOk)
            fail(QStringLiteral("field %1 of type %2 has the impossible width %3 (damaged header)")
                     .arg(f.name, QChar::fromLatin1(f.type))
                     .arg(f.width));
        if (f.name.isEmpty())
            fail(QStringLiteral("a field has no name (damaged header)"));
        offset += f.width;
        m_fields.push_back(f);
    }
    if (m_fields.empty())
        fail(QStringLiteral("the header describes no fields (damaged header)"));
    if (offset > m_recordLength)
        fail(QStringLiteral("the fields need %1 bytes but a record has %2 (damaged header)")
                 .arg(offset)
                 .arg(m_recordLength));

    // A program killed while appending leaves a partial last record or a
    // count that was not yet raised: trust only complete records the header
    // also counts, and say what differed.
    const qint64 body = size - m_headerLength;
    const qint64 complete = body / m_recordLength;
    const qint64 counted = qMin<qint64>(complete, m_headerRecordCount);
    m_recordCount = int(counted);
    if (m_headerRecordCount > complete)
        m_warnings << QStringLiteral("%1: the header counts %2 records but the file holds %3 complete records; "
                                     "the missing or cut-short records are ignored")
                          .arg(nativeName(m_path))
                          .arg(m_headerRecordCount)
                          .arg(complete);
    const qint64 rest = body - counted * m_recordLength;
    m_uncounted = 0;
    if (rest > 0) {
        char first = 0;
        readFully(m_fd, m_headerLength + counted * m_recordLength, &first, 1);
        const bool onlyEndMark = rest == 1 && first == EndOfFile;
        if (onlyEndMark || m_headerRecordCount > complete) {
            // nothing more to say
        } else if (rest <= m_recordLength + 1) {
            // What a crash can leave: one record and its end mark, not yet counted.
            m_uncounted = rest;
            m_warnings << QStringLiteral("%1: %2 bytes after the %3 counted records are ignored")
                              .arg(nativeName(m_path))
                              .arg(rest)
                              .arg(counted);
        } else {
            // More than any crash leaves: the count is damaged. Every
            // complete record is shown, and appends go after them all.
            m_recordCount = int(complete);
            m_warnings << QStringLiteral("%1: the header counts %2 records but the file holds %3 complete records "
                                         "(damaged header); all of them are shown")
                              .arg(nativeName(m_path))
                              .arg(m_headerRecordCount)
                              .arg(complete);
        }
    }
}

void DbfFile::openMemo()
{
    bool hasMemo = false;
    for (const Field& f : m_fields)
        hasMemo = hasMemo || f.type == 'M';
    if (!hasMemo) {
        m_memoKind = MemoKind::None;
        return;
    }
    if (m_memoFd < 0) {
        m_memoPath = memoPathFor(m_path);
        const bool readOnly = m_access != Access::ReadWrite;
        m_memoFd = platform::openFile(m_memoPath, readOnly ? platform::Access::Read : platform::Access::ReadWrite);
        if (m_memoFd < 0) {
            if (errno == ENOENT)
                failMemo(QStringLiteral("the memo file of %1 does not exist").arg(nativeName(m_path)));
            failMemo(QStringLiteral("the memo file cannot be opened: %1").arg(errnoText()));
        }
        if (platform::tryLock(m_memoFd, readOnly ? platform::LockKind::Shared : platform::LockKind::Exclusive) != 0)
            failMemo(platform::heldElsewhere(errno) ? QStringLiteral("the memo file is in use by another program")
                                          : QStringLiteral("the memo file cannot be locked: %1").arg(errnoText()));
    }
    m_memoSize = fileSize(m_memoFd, m_memoPath);
    QByteArray header(24, '\0');
    if (!readFully(m_memoFd, 0, header.data(), header.size()))
        failMemo(QStringLiteral("the memo file is too short for its header"));
    const quint8 v = version();
    m_memoKind = (v == 0x83 || v == 0x03) ? MemoKind::DBase3 : MemoKind::DBase4;
    if (m_memoKind == MemoKind::DBase3) {
        m_memoBlockSize = DBase3MemoBlock;
    } else {
        int size = le16(header.constData() + 20);
        if (size == 0)
            size = int(qMin<quint32>(le32(header.constData() + 4), 65535));
        if (size == 0)
            size = CreatedMemoBlock;
        if (size <= MemoBlockHeader)
            failMemo(QStringLiteral("the memo block size %1 is impossible (damaged header)").arg(size));
        m_memoBlockSize = size;
    }
}

void DbfFile::reload()
{
    // The file holds a change only once it is committed; one under way
    // goes on after the reading.
    const bool changing = inChange();
    commit();
    readAll();
    openMemo();
    if (changing)
        begin();
}

int DbfFile::findField(const QString& name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QByteArray DbfFile::blankRecord() const
{
    QByteArray r(m_recordLength, ' ');
    for (const Field& f : m_fields)
        if (f.type == 'I' || f.type == '+')
            std::memset(r.data() + f.offset, 0, size_t(f.width));
    return r;
}

QVariant DbfFile::value(int record, int field) const
{
    const Field& desc = m_fields[size_t(field)];
    const char* image = this->record(record);
    if (desc.numeric()) {
        if (isBlank(image, field))
            return {};
        if (desc.decimals > 0)
            return textValue(image, field).toDouble();
        try {
            return integerValue(image, field);
        } catch (const AppError&) {
            return textValue(image, field); // shown as stored
        }
    }
    if (desc.type == 'L')
        return isBlank(image, field) ? QVariant() : QVariant(logicalValue(image, field));
    return textValue(image, field, record);
}

QList<QVariantList> DbfFile::storedRecords(const QList<int>& fields) const
{
    QList<QVariantList> records;
    records.reserve(m_recordCount);
    for (int r = 0; r < m_recordCount; ++r) {
        if (isDeleted(r))
            continue;
        QVariantList values;
        values.reserve(fields.size());
        for (int field : fields)
            values.append(value(r, field));
        records.append(values);
    }
    return records;
}

bool DbfFile::isBlank(const char* record, int field) const
{
    const Field& f = m_fields[size_t(field)];
    const char* p = record + f.offset;
    if (f.type == 'I' || f.type == '+')
        return decodeLong(p) == 0 && std::memcmp(p, "\0\0\0\0", 4) == 0;
    for (int i = 0; i < f.width; ++i)
        if (p[i] != ' ' && p[i] != '\0')
            return false;
    return true;
}

qint64 DbfFile::integerValue(const char* record, int field) const
{
    const Field& f = m_fields[size_t(field)];
    const char* p = record + f.offset;
    switch (f.type) {
    case 'I':
    case '+':
        return decodeLong(p);
    case 'N':
    case 'F':
    case 'C': {
        QByteArray text = QByteArray(p, f.width).trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        qint64 v = text.toLongLong(&ok);
        if (ok)
            return v;
        double d = text.toDouble(&ok);
        if (ok && std::isfinite(d) && std::fabs(d) < 9.2e18)
            return qint64(d);
        fail(QStringLiteral("field %1 holds \"%2\", which is not a number").arg(f.name, cp1250::decode(text)));
    }
    case 'L':
        return logicalValue(record, field) ? 1 : 0;
    default:
        fail(QStringLiteral("field %1 of type %2 cannot be read as a number").arg(f.name, QChar::fromLatin1(f.type)));
    }
}

QString DbfFile::textValue(const char* record, int field, int recordNumber) const
{
    const Field& f = m_fields[size_t(field)];
    const char* p = record + f.offset;
    switch (f.type) {
    case 'M': {
        quint32 block = memoBlock(record, field);
        return block == 0 ? QString() : readMemo(block, recordNumber);
    }
    case 'I':
    case '+':
        return isBlank(record, field) ? QString() : QString::number(decodeLong(p));
    case 'L':
        return isBlank(record, field) ? QString() : QString(QChar::fromLatin1(*p));
    default: {
        const int length = trimmedLength(p, f.width);
        int start = 0;
        if (f.type == 'N' || f.type == 'F')
            while (start < length && p[start] == ' ')
                ++start;
        return cp1250::decode(QByteArrayView(p + start, length - start));
    }
    }
}

bool DbfFile::logicalValue(const char* record, int field) const
{
    const Field& f = m_fields[size_t(field)];
    const char c = record[f.offset];
    if (f.type == 'L')
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    if (f.numeric())
        return integerValue(record, field) != 0;
    fail(
        QStringLiteral("field %1 of type %2 cannot be read as a logical value").arg(f.name, QChar::fromLatin1(f.type)));
}

quint32 DbfFile::memoBlock(const char* record, int field) const
{
    const Field& f = m_fields[size_t(field)];
    // Pointers are ten digits, padded with blanks or zeros on the left (and
    // by some writers on the right). One pass: padding, digits, padding.
    const char* p = record + f.offset;
    const auto padding = [](char c) { return c == ' ' || c == '\0'; };
    int at = 0;
    while (at < f.width && padding(p[at]))
        ++at;
    const int begin = at;
    quint64 block = 0;
    while (at < f.width && p[at] >= '0' && p[at] <= '9' && block <= 0xFFFFFFFFu) {
        block = block * 10 + quint64(p[at] - '0');
        ++at;
    }
    while (at < f.width && padding(p[at]))
        ++at;
    if (at < f.width || block > 0xFFFFFFFFu) {
        int end = f.width;
        while (end > begin && padding(p[end - 1]))
            --end;
        fail(QStringLiteral("the memo pointer \"%1\" of field %2 is not a block number")
                 .arg(QString::fromLatin1(p + begin, end - begin), f.name));
    }
    return quint32(block);
}

QString DbfFile::readMemo(quint32 block, int recordNumber) const
{
    if (m_memoFd < 0)
        fail(QStringLiteral("the table has no memo file"));
    // Only an error names the record: a full read would otherwise format it for every note.
    const auto where = [recordNumber] {
        return recordNumber >= 0 ? QStringLiteral(" (record %1)").arg(recordNumber + 1) : QString();
    };
    const auto beyondTheEnd = [&] {
        failMemo(QStringLiteral("memo block %1%2 lies beyond the end of the file").arg(block).arg(where()));
    };
    const auto unreadable = [&] {
        failMemo(QStringLiteral("memo block %1%2 cannot be read: %3").arg(block).arg(where(), errnoText()));
    };
    // The notes are read, never mapped: another program may shrink the file
    // under us (the lock is only advisory), and then a read comes up short
    // and this record gets its error, where a mapping would end the program.
    const qint64 offset = qint64(block) * m_memoBlockSize;
    if (offset >= m_memoSize)
        beyondTheEnd();
    // One block holds most notes: one read for each.
    QByteArray buffer(qMin<qint64>(m_memoBlockSize, m_memoSize - offset), Qt::Uninitialized);
    qint64 got = readSome(m_memoFd, offset, buffer.data(), buffer.size());
    if (got < 0)
        unreadable();
    if (got == 0)
        beyondTheEnd();
    if (m_memoKind == MemoKind::DBase4) {
        if (got < MemoBlockHeader)
            failMemo(QStringLiteral("memo block %1%2 is cut short").arg(block).arg(where()));
        if (std::memcmp(buffer.constData(), MemoBlockSignature.constData(), 4) != 0)
            failMemo(QStringLiteral("memo block %1%2 has no valid block signature").arg(block).arg(where()));
        const quint32 length = le32(buffer.constData() + 4);
        const auto doesNotFit = [&] {
            failMemo(QStringLiteral("memo block %1%2 claims a length of %3 bytes, which does not fit the file")
                         .arg(block)
                         .arg(where())
                         .arg(length));
        };
        if (length < quint32(MemoBlockHeader) || offset + qint64(length) > m_memoSize)
            doesNotFit();
        if (length > got) {
            buffer.resize(length);
            const qint64 more = readSome(m_memoFd, offset + got, buffer.data() + got, length - got);
            if (more < 0)
                unreadable();
            if (got + more < length)
                doesNotFit();
        }
        return cp1250::decode(QByteArrayView(buffer.constData() + MemoBlockHeader, length - MemoBlockHeader));
    }
    // dBase III: the text runs to the first end mark (written as one or two
    // 0x1A bytes), or to the end of the file.
    QByteArray text;
    for (qint64 at = offset;;) {
        const QByteArrayView chunk(buffer.constData(), got);
        const qsizetype end = chunk.indexOf(EndOfFile);
        if (end >= 0) {
            text.append(chunk.first(end));
            break;
        }
        text.append(chunk);
        at += got;
        got = at < m_memoSize ? readSome(m_memoFd, at, buffer.data(), qMin<qint64>(buffer.size(), m_memoSize - at)) : 0;
        if (got < 0)
            unreadable();
        if (got == 0)
            break;
    }
    return cp1250::decode(text);
}

void DbfFile::putInteger(QByteArray& record, int field, qint64 value) const
{
    const Field& f = m_fields[size_t(field)];
    switch (f.type) {
    case 'I':
    case '+':
        if (value < std::numeric_limits<qint32>::min() + 1 || value > std::numeric_limits<qint32>::max())
            fail(QStringLiteral("the number %1 does not fit field %2").arg(value).arg(f.name));
        record.replace(f.offset, 4, encodeLong(value));
        return;
    case 'N':
    case 'F': {
        QByteArray text = QByteArray::number(value);
        if (f.decimals > 0)
            text += '.' + QByteArray(f.decimals, '0');
        if (text.size() > f.width)
            fail(QStringLiteral("the number %1 does not fit field %2, which is %3 characters wide")
                     .arg(value)
                     .arg(f.name)
                     .arg(f.width));
        record.replace(f.offset, f.width, text.rightJustified(f.width, ' '));
        return;
    }
    case 'L':
        putLogical(record, field, value != 0);
        return;
    case 'C':
        putText(record, field, QString::number(value));
        return;
    default:
        fail(QStringLiteral("field %1 of type %2 cannot take a number").arg(f.name, QChar::fromLatin1(f.type)));
    }
}

void DbfFile::putText(QByteArray& record, int field, const QString& value) const
{
    const Field& f = m_fields[size_t(field)];
    switch (f.type) {
    case 'C': {
        bool ok = true;
        QByteArray bytes = cp1250::encode(value, &ok);
        if (!ok)
            fail(QStringLiteral("the text \"%1\" for field %2 holds characters outside code page 1250")
                     .arg(value, f.name));
        if (bytes.size() > f.width)
            fail(QStringLiteral("the text \"%1\" is longer than field %2 allows (%3 characters)")
                     .arg(value, f.name)
                     .arg(f.width));
        record.replace(f.offset, f.width, bytes.leftJustified(f.width, ' '));
        return;
    }
    case 'N':
    case 'F':
    case 'I':
    case '+': {
        const QString t = value.trimmed();
        if (t.isEmpty()) {
            if (f.type == 'I' || f.type == '+')
                std::memset(record.data() + f.offset, 0, 4);
            else
                std::memset(record.data() + f.offset, ' ', size_t(f.width));
            return;
        }
        bool ok = false;
        qint64 whole = t.toLongLong(&ok);
        if (ok) {
            putInteger(record, field, whole);
            return;
        }
        double d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d) || f.type == 'I' || f.type == '+')
            fail(QStringLiteral("\"%1\" is not a valid number for field %2").arg(value, f.name));
        QByteArray text = QByteArray::number(d, 'f', f.decimals);
        if (text.size() > f.width)
            fail(QStringLiteral("the number %1 does not fit field %2, which is %3 characters wide")
                     .arg(value, f.name)
                     .arg(f.width));
        record.replace(f.offset, f.width, text.rightJustified(f.width, ' '));
        return;
    }
    case 'L': {
        const QString t = value.trimmed().toUpper();
        if (t.isEmpty())
            record[f.offset] = ' ';
        else if (t == u"T" || t == u"Y" || t == u"TRUE" || t == u"1")
            record[f.offset] = 'T';
        else if (t == u"F" || t == u"N" || t == u"FALSE" || t == u"0")
            record[f.offset] = 'F';
        else
            fail(QStringLiteral("\"%1\" is not a logical value for field %2").arg(value, f.name));
        return;
    }
    case 'D': {
        const QString t = value.trimmed();
        if (t.isEmpty()) {
            std::memset(record.data() + f.offset, ' ', 8);
            return;
        }
        QDate date = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
        if (!date.isValid() || t.size() != 8)
            fail(QStringLiteral("\"%1\" is not a date (YYYYMMDD) for field %2").arg(value, f.name));
        record.replace(f.offset, 8, t.toLatin1());
        return;
    }
    default:
        fail(QStringLiteral("field %1 of type %2 cannot take a text").arg(f.name, QChar::fromLatin1(f.type)));
    }
}

void DbfFile::copyField(QByteArray& to, const char* from, int field) const
{
    const Field& f = m_fields[size_t(field)];
    to.replace(f.offset, f.width, QByteArray(from + f.offset, f.width));
}

void DbfFile::putLogical(QByteArray& record, int field, bool value) const
{
    const Field& f = m_fields[size_t(field)];
    if (f.type == 'L')
        record[f.offset] = value ? 'T' : 'F';
    else if (f.numeric())
        putInteger(record, field, value ? 1 : 0);
    else
        fail(QStringLiteral("field %1 of type %2 cannot take a logical value").arg(f.name, QChar::fromLatin1(f.type)));
}
