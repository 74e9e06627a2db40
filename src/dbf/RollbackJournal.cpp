#include "dbf/RollbackJournal.h"

#include "config/AppError.h"
#include "config/FileSync.h"
#include "dbf/DbfFormat.h"
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

const QByteArray Magic("PLRJNL1\n");
constexpr qsizetype LengthSize = 4;
constexpr qsizetype ChecksumSize = 8;

using dbfformat::throwFor;
using filesync::errnoText;

// FNV-1a: enough to tell a part that was written whole from one a crash cut.
quint64 checksum(QByteArrayView bytes)
{
    quint64 h = 0xCBF29CE484222325ULL;
    for (char c : bytes) {
        h ^= quint8(c);
        h *= 0x100000001B3ULL;
    }
    return h;
}

template <typename T> void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T> bool take(QByteArrayView in, qsizetype& at, T* value)
{
    if (in.size() - at < qsizetype(sizeof(T)))
        return false;
    *value = qFromLittleEndian<T>(in.data() + at);
    at += qsizetype(sizeof(T));
    return true;
}

void putImages(QByteArray& out, const std::vector<RollbackJournal::Image>& images)
{
    for (const RollbackJournal::Image& image : images) {
        put<quint8>(out, image.memo ? 1 : 0);
        put<qint64>(out, image.offset);
        put<quint32>(out, quint32(image.bytes.size()));
        out.append(image.bytes);
    }
}

bool takeImages(QByteArrayView in, qsizetype at, std::vector<RollbackJournal::Image>& images)
{
    while (at < in.size()) {
        quint8 memo = 0;
        qint64 offset = 0;
        quint32 length = 0;
        if (!take(in, at, &memo) || !take(in, at, &offset) || !take(in, at, &length) || offset < 0 ||
            in.size() - at < qsizetype(length))
            return false;
        images.push_back({memo != 0, offset, in.sliced(at, length).toByteArray()});
        at += length;
    }
    return true;
}

QByteArray framed(const QByteArray& payload)
{
    QByteArray part;
    put<quint32>(part, quint32(payload.size()));
    part.append(payload);
    put<quint64>(part, checksum(part));
    return part;
}

struct Parsed
{
    qint64 tableSize = 0;
    qint64 memoSize = -1;
    std::vector<RollbackJournal::Image> images;
};

// The parts written whole, up to the first one a crash cut; nothing when the
// first part is incomplete.
std::optional<Parsed> parse(QByteArrayView bytes)
{
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    Parsed parsed;
    bool first = true;
    for (qsizetype at = Magic.size(); at < bytes.size();) {
        quint32 length = 0;
        qsizetype p = at;
        if (!take(bytes, p, &length) || bytes.size() - p < qsizetype(length) + ChecksumSize)
            break;
        quint64 sum = 0;
        qsizetype s = p + length;
        take(bytes, s, &sum);
        if (sum != checksum(bytes.sliced(at, LengthSize + length)))
            break;
        const QByteArrayView payload = bytes.sliced(p, length);
        qsizetype q = 0;
        std::vector<RollbackJournal::Image> images;
        if (first && (!take(payload, q, &parsed.tableSize) || !take(payload, q, &parsed.memoSize)))
            break;
        if (!takeImages(payload, q, images))
            break;
        parsed.images.insert(parsed.images.end(), images.begin(), images.end());
        first = false;
        at = s;
    }
    if (first)
        return std::nullopt;
    return parsed;
}

// A journal holds only bytes that were in the files before the change, and a
// change only makes the files longer: every image lies within the sizes the
// journal gives, and those are no larger than the files are now. A journal
// that says otherwise is damaged (or made to look whole) and none of it is
// used; the table is reported instead of being written far past its end.
// memoFile is the notes file's size (-1: none), nothing where the notes are
// not looked at.
void checkFits(const Parsed& parsed, qint64 tableFile, std::optional<qint64> memoFile, const QString& path)
{
    const auto damaged = [&path](const QString& what) {
        throwFor(path, QStringLiteral("the journal does not fit the table (damaged journal): %1; the table and the "
                                      "journal are left as they are")
                           .arg(what));
    };
    if (parsed.tableSize < 0 || parsed.tableSize > tableFile)
        damaged(QStringLiteral("it gives the table file %1 bytes before the change, but it holds %2")
                    .arg(parsed.tableSize)
                    .arg(tableFile));
    if (memoFile && (parsed.memoSize < -1 || parsed.memoSize > *memoFile))
        damaged(QStringLiteral("it gives the notes file %1 bytes before the change, but it holds %2")
                    .arg(parsed.memoSize)
                    .arg(qMax<qint64>(*memoFile, 0)));
    for (const RollbackJournal::Image& image : parsed.images) {
        if (image.memo && !memoFile)
            continue;
        const qint64 size = image.memo ? parsed.memoSize : parsed.tableSize;
        if (image.offset > size - image.bytes.size())
            damaged(QStringLiteral("it holds %1 bytes for offset %2 of the %3, which had %4 bytes")
                        .arg(image.bytes.size())
                        .arg(image.offset)
                        .arg(image.memo ? QStringLiteral("notes file") : QStringLiteral("table file"))
                        .arg(qMax<qint64>(size, 0)));
    }
}

qint64 sizeOf(int fd, const QString& path)
{
    const qint64 size = platform::fileSize(fd);
    if (size < 0)
        throwFor(path, QStringLiteral("cannot read the file size: %1").arg(errnoText()));
    return size;
}

std::optional<QByteArray> readWhole(const QString& path)
{
    const int fd = platform::openFile(path, platform::Access::Read);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throwFor(path, QStringLiteral("the journal cannot be opened: %1").arg(errnoText()));
    }
    QByteArray bytes;
    char buffer[65536];
    for (qint64 n; (n = platform::readNext(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const QString reason = errnoText();
            platform::closeFile(fd);
            throwFor(path, QStringLiteral("the journal cannot be read: %1").arg(reason));
        }
        bytes.append(buffer, n);
    }
    platform::closeFile(fd);
    return bytes;
}

// The journal goes; the reason when its folder cannot be synced after.
QString unlinkJournal(const QString& path)
{
    if (filesync::remove(path) != 0 && errno != ENOENT)
        throwFor(path, QStringLiteral("the journal cannot be removed: %1").arg(errnoText()));
    const QString dir = QFileInfo(path).absolutePath();
    if (filesync::syncDirectory(dir) != 0)
        return QStringLiteral("%1: the folder cannot be synced: %2").arg(QDir::toNativeSeparators(dir), errnoText());
    return {};
}

void removeJournal(const QString& path)
{
    const QString unsynced = unlinkJournal(path);
    if (!unsynced.isEmpty())
        throw AppError(unsynced);
}

} // namespace

RollbackJournal::RollbackJournal(const QString& tablePath) : m_path(pathFor(tablePath)) {}

RollbackJournal::~RollbackJournal()
{
    if (m_fd >= 0)
        platform::closeFile(m_fd);
}

QString RollbackJournal::pathFor(const QString& tablePath)
{
    const QFileInfo info(tablePath);
    const bool upper = !info.suffix().isEmpty() && info.suffix() == info.suffix().toUpper();
    return info.path() + QLatin1Char('/') + info.completeBaseName() +
           (upper ? QStringLiteral(".JNL") : QStringLiteral(".jnl"));
}

void RollbackJournal::start(qint64 tableSize, qint64 memoSize, const std::vector<Image>& images)
{
    Q_ASSERT(m_fd < 0);
    m_fd = platform::openFile(m_path, platform::Access::Write, platform::Create::Truncate);
    if (m_fd < 0)
        throwFor(m_path, QStringLiteral("the journal cannot be created: %1").arg(errnoText()));
    m_started = true;
    m_size = 0;
    QByteArray payload;
    put<qint64>(payload, tableSize);
    put<qint64>(payload, memoSize);
    putImages(payload, images);
    append(Magic + framed(payload));
    // The journal's name must be as durable as its bytes before anything it
    // protects is overwritten.
    const QString dir = QFileInfo(m_path).absolutePath();
    if (filesync::syncDirectory(dir) != 0)
        throwFor(dir, QStringLiteral("the folder cannot be synced: %1").arg(errnoText()));
}

void RollbackJournal::add(const std::vector<Image>& images)
{
    Q_ASSERT(m_fd >= 0);
    QByteArray payload;
    putImages(payload, images);
    append(framed(payload));
}

void RollbackJournal::append(const QByteArray& part)
{
    if (filesync::write(m_fd, m_path, m_size, part) != 0)
        throwFor(m_path, QStringLiteral("the journal cannot be written: %1").arg(errnoText()));
    m_size += part.size();
    if (filesync::sync(m_fd, m_path, filesync::Kind::Data) != 0)
        throwFor(m_path, QStringLiteral("the journal cannot be made durable: %1").arg(errnoText()));
}

QString RollbackJournal::remove()
{
    if (!m_started)
        return {};
    // Closed first: Windows removes an open file only when its last handle
    // closes, and the change is committed once the journal is gone.
    platform::closeFile(m_fd);
    m_fd = -1;
    const QString unsynced = unlinkJournal(m_path); // a failure leaves it started, to be played back
    m_started = false;
    return unsynced;
}

RollbackJournal::Found RollbackJournal::inspect(const QString& tablePath)
{
    const std::optional<QByteArray> bytes = readWhole(pathFor(tablePath));
    if (!bytes)
        return Found::None;
    return parse(*bytes) ? Found::Complete : Found::Torn;
}

RollbackJournal::Found RollbackJournal::applyTo(const QByteArray& journal, QByteArray& table, QByteArray* memo,
                                                const QString& journalPath)
{
    if (journal.isEmpty())
        return Found::None;
    const std::optional<Parsed> parsed = parse(journal);
    if (!parsed)
        return Found::Torn;
    checkFits(*parsed, table.size(), memo ? std::optional<qint64>(memo->size()) : std::nullopt, journalPath);
    for (auto image = parsed->images.rbegin(); image != parsed->images.rend(); ++image) {
        QByteArray* bytes = image->memo ? memo : &table;
        if (!bytes)
            continue;
        const qsizetype end = qsizetype(image->offset) + image->bytes.size();
        if (bytes->size() < end)
            bytes->resize(end, '\0');
        bytes->replace(qsizetype(image->offset), image->bytes.size(), image->bytes);
    }
    table.resize(qsizetype(parsed->tableSize), '\0');
    if (memo && parsed->memoSize >= 0)
        memo->resize(qsizetype(parsed->memoSize), '\0');
    return Found::Complete;
}

RollbackJournal::Found RollbackJournal::playBack(const Files& files)
{
    const QString path = pathFor(files.tablePath);
    const std::optional<QByteArray> bytes = readWhole(path);
    if (!bytes)
        return Found::None;
    const std::optional<Parsed> parsed = parse(*bytes);
    if (!parsed) {
        removeJournal(path);
        return Found::Torn;
    }
    const bool hasMemo = parsed->memoSize >= 0;
    if (hasMemo && files.memo < 0)
        throwFor(path, QStringLiteral("the journal holds notes, but the notes file %1 cannot be opened")
                           .arg(QDir::toNativeSeparators(files.memoPath)));
    checkFits(*parsed, sizeOf(files.table, files.tablePath), hasMemo ? sizeOf(files.memo, files.memoPath) : -1, path);
    const auto fail = [&](const QString& file, const QString& step) {
        throwFor(path, QStringLiteral("the change it holds cannot be undone (%1 %2: %3); the table is left as it is")
                           .arg(step, QDir::toNativeSeparators(file), errnoText()));
    };
    // The earliest image of a place is the state before the change: written last.
    for (auto image = parsed->images.rbegin(); image != parsed->images.rend(); ++image) {
        const int fd = image->memo ? files.memo : files.table;
        const QString& file = image->memo ? files.memoPath : files.tablePath;
        if (fd < 0 || filesync::write(fd, file, image->offset, image->bytes) != 0)
            fail(file, QStringLiteral("writing"));
    }
    if (filesync::truncate(files.table, files.tablePath, parsed->tableSize) != 0)
        fail(files.tablePath, QStringLiteral("cutting back"));
    if (hasMemo && filesync::truncate(files.memo, files.memoPath, parsed->memoSize) != 0)
        fail(files.memoPath, QStringLiteral("cutting back"));
    if (hasMemo && filesync::sync(files.memo, files.memoPath, filesync::Kind::Full) != 0)
        fail(files.memoPath, QStringLiteral("syncing"));
    if (filesync::sync(files.table, files.tablePath, filesync::Kind::Full) != 0)
        fail(files.tablePath, QStringLiteral("syncing"));
    removeJournal(path);
    return Found::Complete;
}
