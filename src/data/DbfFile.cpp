#include "data/DbfFile.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/FileSync.h"
#include "data/RollbackJournal.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char EndOfFile = 0x1A;
constexpr char HeaderEnd = 0x0D;
constexpr int MemoPointerWidth = 10;
constexpr int DBase3MemoBlock = 512;
constexpr int CreatedMemoBlock = 512;
constexpr quint8 CreatedVersion = 0x8B;
constexpr quint8 CreatedVersionNoMemo = 0x03;
constexpr quint8 LanguageDriverCp1250 = 0xC8;
constexpr int Level7HeaderSize = 68;
constexpr int Level7DescriptorSize = 48;
constexpr int DescriptorSize = 32;
// The next value of an autoincrement field, little-endian, at 42..45 of its
// level-7 descriptor: where dBase and the tools made with it keep it.
constexpr int AutoincrementOffset = 42;
constexpr int MaxNumericWidth = 20;
const QByteArray MemoBlockSignature("\xFF\xFF\x08\x00", 4);
constexpr int MemoBlockHeader = 8;

bool isLevel7(quint8 version)
{
    return version == 0x04 || version == 0x8C;
}

quint32 le32(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint16 le16(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    return quint16(b[0] | b[1] << 8);
}

QByteArray le32Bytes(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

// Level-7 long integers: big-endian with the sign bit flipped, so that the
// bytes sort like the numbers. All zeros is an empty field.
qint64 decodeLong(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    quint32 raw = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
    if (raw == 0)
        return 0;
    return qint32(raw ^ 0x80000000u);
}

QByteArray encodeLong(qint64 value)
{
    quint32 raw = quint32(qint32(value)) ^ 0x80000000u;
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((raw >> (8 * (3 - i))) & 0xFF);
    return b;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void throwFor(const QString& path, const QString& reason)
{
    throw AppError(QStringLiteral("%1: %2").arg(nativeName(path), reason));
}

bool readFully(int fd, qint64 offset, char* out, qint64 length)
{
    while (length > 0) {
        ssize_t n = ::pread(fd, out, size_t(length), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        offset += n;
        length -= n;
    }
    return true;
}

// Up to length bytes at offset, fewer where the file ends; -1 on an error.
qint64 readSome(int fd, qint64 offset, char* out, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, out + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// The memo file next to a table: osoby.dbf goes with osoby.dbt (OSOBY.DBT
// for OSOBY.DBF, whichever of the two exists).
QString memoPathFor(const QString& path)
{
    QFileInfo info(path);
    QString base = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.');
    bool upper = info.suffix() == info.suffix().toUpper() && !info.suffix().isEmpty();
    QString first = base + (upper ? QStringLiteral("DBT") : QStringLiteral("dbt"));
    QString second = base + (upper ? QStringLiteral("dbt") : QStringLiteral("DBT"));
    if (!QFileInfo::exists(first) && QFileInfo::exists(second))
        return second;
    return first;
}

// The length of a field's text without its trailing padding (blanks, or the
// zeros some tools write). Names fill a few of their forty characters, so
// whole words of blanks are skipped first.
int trimmedLength(const char* p, int width)
{
    constexpr quint64 Blanks = 0x2020202020202020ULL;
    int length = width;
    for (quint64 word; length >= 8; length -= 8) {
        std::memcpy(&word, p + length - 8, sizeof word);
        if (word != Blanks && word != 0)
            break;
    }
    while (length > 0 && (p[length - 1] == ' ' || p[length - 1] == '\0'))
        --length;
    return length;
}

QByteArray todayBytes()
{
    QDate d = QDate::currentDate();
    QByteArray b(3, '\0');
    b[0] = char(d.year() - 1900);
    b[1] = char(d.month());
    b[2] = char(d.day());
    return b;
}

} // namespace

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
    QByteArray tail;     // after the counted records: the end mark, if any
    QByteArray memoHead; // the notes' next free block
    std::set<int> dirty;              // records changed in memory, to be written
    std::map<int, QByteArray> before; // their images on disk, not yet journaled
    std::set<int> journaled;          // records whose before-image is in the journal
    quint32 memoNext = 0;             // a next free block to write at the end; 0: none
};

DbfFile::~DbfFile()
{
    if (m_change) {
        try {
            rollback();
        } catch (const AppError&) {
            // The journal stays; the next opening undoes the change.
        }
    }
    // Closing the descriptors also drops the locks.
    if (m_memoFd >= 0)
        ::close(m_memoFd);
    if (m_fd >= 0)
        ::close(m_fd);
}

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
    const int mode = access == Access::ReadOnly ? O_RDONLY : O_RDWR;
    const int lock = access == Access::ReadOnly ? LOCK_SH : LOCK_EX;
    f->m_fd = ::open(QFile::encodeName(path).constData(), mode | O_CLOEXEC);
    if (f->m_fd < 0) {
        if (errno == ENOENT)
            f->fail(QStringLiteral("the table file does not exist"));
        f->fail(QStringLiteral("the table cannot be opened: %1").arg(errnoText()));
    }
    if (::flock(f->m_fd, lock | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
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
    if (access == Access::ReadOnly && RollbackJournal::inspect(path) == RollbackJournal::Found::Complete)
        f->m_warnings << QStringLiteral("%1: a change was cut short and is undone from %2 when the table is next "
                                        "opened for writing")
                             .arg(nativeName(path), nativeName(RollbackJournal::pathFor(path)));
    return f;
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
    const int memoFd = ::open(QFile::encodeName(memoPath).constData(), O_RDWR | O_CLOEXEC);
    const auto closeMemo = qScopeGuard([memoFd] {
        if (memoFd >= 0)
            ::close(memoFd);
    });
    if (memoFd >= 0 && ::flock(memoFd, LOCK_EX | LOCK_NB) != 0)
        throwFor(memoPath, errno == EWOULDBLOCK ? QStringLiteral("the memo file is in use by another program")
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
        fd = ::open(QFile::encodeName(side).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            throwFor(side, QStringLiteral("cannot be created: %1").arg(errnoText()));
    }
    const bool written =
        filesync::write(fd, side, 0, tail) == 0 && filesync::sync(fd, side, filesync::Kind::Full) == 0;
    const QString reason = errnoText();
    ::close(fd);
    if (!written)
        throwFor(side, QStringLiteral("writing failed: %1").arg(reason));
    const QString dir = QFileInfo(m_path).absolutePath();
    if (filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
    if (filesync::truncate(m_fd, m_path, end) != 0)
        fail(QStringLiteral("cutting off the bytes after the counted records failed: %1").arg(errnoText()));
    writeAt(m_fd, end, QByteArray(1, EndOfFile), m_path);
    syncFile(m_fd, m_path, filesync::Kind::Full);
    m_repairs.push_back({Repair::Kind::TailMoved, side, tail.size()});
}

qint64 DbfFile::fileSize(int fd, const QString& fileName) const
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        throwFor(fileName, QStringLiteral("cannot read the file size: %1").arg(errnoText()));
    return st.st_size;
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
        if (!onlyEndMark && m_headerRecordCount <= complete) {
            m_uncounted = rest;
            m_warnings << QStringLiteral("%1: %2 bytes after the %3 counted records are ignored")
                              .arg(nativeName(m_path))
                              .arg(rest)
                              .arg(counted);
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
        const bool readOnly = m_access == Access::ReadOnly;
        m_memoFd = ::open(QFile::encodeName(m_memoPath).constData(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        if (m_memoFd < 0) {
            if (errno == ENOENT)
                failMemo(QStringLiteral("the memo file of %1 does not exist").arg(nativeName(m_path)));
            failMemo(QStringLiteral("the memo file cannot be opened: %1").arg(errnoText()));
        }
        if (::flock(m_memoFd, (readOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0)
            failMemo(errno == EWOULDBLOCK ? QStringLiteral("the memo file is in use by another program")
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
    if (f.type == 'N' || f.type == 'F' || f.type == 'I' || f.type == '+')
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

void DbfFile::putLogical(QByteArray& record, int field, bool value) const
{
    const Field& f = m_fields[size_t(field)];
    if (f.type == 'L')
        record[f.offset] = value ? 'T' : 'F';
    else if (f.type == 'N' || f.type == 'F' || f.type == 'I' || f.type == '+')
        putInteger(record, field, value ? 1 : 0);
    else
        fail(QStringLiteral("field %1 of type %2 cannot take a logical value").arg(f.name, QChar::fromLatin1(f.type)));
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
    qint64 block = qMax<qint64>(le32(head.constData()), (size + m_memoBlockSize - 1) / m_memoBlockSize);
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
    if (m_change && !m_change->journal.started() &&
        offset < (fd == m_fd ? m_change->tableSize : m_change->memoSize))
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
    const int number = m_recordCount;
    writeAt(m_fd, m_headerLength + qint64(number) * m_recordLength, record + EndOfFile, m_path);
    m_records.append(record);
    ++m_recordCount;
    if (m_change)
        return number; // counted when the change is committed
    // The record is durable before the count that makes it part of the table.
    syncFile(m_fd, m_path, filesync::Kind::Data);
    writeHeaderCounts();
    m_headerRecordCount = m_recordCount;
    return number;
}

void DbfFile::checkWritable() const
{
    if (!m_unrecovered.isEmpty())
        fail(m_unrecovered);
    if (m_access == Access::ReadOnly)
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
    for (int number : c.dirty)
        writeAt(m_fd, m_headerLength + qint64(number) * m_recordLength, QByteArray(record(number), m_recordLength),
                m_path);
    c.dirty.clear();
}

void DbfFile::commit()
{
    if (!m_change)
        return;
    Change& c = *m_change;
    const bool changed = !c.dirty.empty() || m_recordCount != c.recordCount || c.memoNext != 0 || m_memoDirty ||
                         c.journal.started();
    try {
        if (changed) {
            flush();
            m_header.replace(1, 7, todayBytes() + le32Bytes(quint32(m_recordCount)));
            if (m_header != c.header)
                writeAt(m_fd, 0, m_header, m_path);
            if (c.memoNext != 0)
                writeAt(m_memoFd, 0, le32Bytes(c.memoNext), m_memoPath);
            sync();
            c.journal.remove(); // the commit
        }
    } catch (const AppError& e) {
        QString message = e.message();
        try {
            rollback();
        } catch (const AppError& again) {
            message += QStringLiteral("; ") + again.message();
        }
        throw AppError(message);
    }
    m_headerRecordCount = m_recordCount;
    m_change.reset();
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

    if (QFileInfo::exists(path))
        throwFor(path, QStringLiteral("the file exists already and is left as it is"));
    const auto writeWhole = [](const QString& name, const QByteArray& bytes) {
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            throwFor(name, QStringLiteral("cannot be created: %1").arg(errnoText()));
        const bool ok =
            filesync::write(fd, name, 0, bytes) == 0 && filesync::sync(fd, name, filesync::Kind::Full) == 0;
        const QString reason = errnoText();
        ::close(fd);
        if (!ok)
            throwFor(name, QStringLiteral("writing failed: %1").arg(reason));
    };
    // The notes file first, so that the table never exists without it. One
    // with no table beside it is what a create cut short left: replaced.
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
    const QString partial = QDir(dir).filePath(QStringLiteral(".%1.partial").arg(info.fileName()));
    writeWhole(partial, file);
    if (filesync::rename(partial, path) != 0)
        throwFor(path, QStringLiteral("cannot be created: %1").arg(errnoText()));
    if (filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
}
