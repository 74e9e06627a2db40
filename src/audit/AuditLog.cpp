#include "audit/AuditLog.h"

#include "config/FileSync.h"
#include "config/SharedFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace audit {
namespace {

const QByteArray StartHash(64, '0');
constexpr qsizetype HashLength = 64;
// A disk without one free block is full for the audit.
constexpr qint64 RoomForALine = 4096;
// How much of the end of the file the search for the newest whole line reads
// first; a longer torn tail doubles it.
constexpr qint64 TailChunk = 64 * 1024;
// Appending reads the end of the file first, so the check opens it the same way.
constexpr QIODevice::OpenMode AppendMode = QIODevice::ReadWrite | QIODevice::Append;

QByteArray chainHash(QByteArrayView previous, QByteArrayView text)
{
    // One hasher for every line: a chain of 200,000 lines is checked in one go.
    thread_local QCryptographicHash h(QCryptographicHash::Sha256);
    h.reset();
    h.addData(previous);
    h.addData("\t");
    h.addData(text);
    return h.resultView().toByteArray().toHex();
}

bool isHash(QByteArrayView field)
{
    if (field.size() != HashLength)
        return false;
    for (char c : field)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// A field of its own: a tab or line break would shift the columns.
QString plain(QString text)
{
    for (QChar& c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return text;
}

QString quoted(const QString& value)
{
    QString out = QStringLiteral("\"");
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '"': out += QStringLiteral("\\\""); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        default: out += c;
        }
    }
    return out + u'"';
}

// Reads a quoted value at pos (on its opening quote); pos ends past the
// closing one.
QString unquote(QStringView text, qsizetype& pos)
{
    QString out;
    ++pos;
    while (pos < text.size() && text[pos] != u'"') {
        QChar c = text[pos++];
        if (c == u'\\' && pos < text.size()) {
            const QChar e = text[pos++];
            c = e == u't' ? QChar(u'\t') : e == u'r' ? QChar(u'\r') : e == u'n' ? QChar(u'\n') : e;
        }
        out += c;
    }
    ++pos;
    return out;
}

// The last whole line's hash in bytes, or empty when there is none.
QByteArray lastHashIn(QByteArrayView bytes, bool fromFileStart)
{
    // A last line without its line end is torn, whatever it holds.
    qsizetype end = bytes.endsWith('\n') ? bytes.size() - 1 : bytes.lastIndexOf('\n');
    while (end > 0) {
        qsizetype start = bytes.lastIndexOf('\n', end - 1);
        if (start < 0 && !fromFileStart)
            return {}; // the line may begin before the part read
        const QByteArrayView line = bytes.sliced(start + 1, end - start - 1);
        const qsizetype tab = line.lastIndexOf('\t');
        if (tab >= 0 && isHash(line.sliced(tab + 1)))
            return line.sliced(tab + 1).toByteArray();
        if (start < 0)
            break;
        end = start;
    }
    return fromFileStart ? StartHash : QByteArray();
}

// yyyy-MM-ddTHH:mm:ss+hh:mm: sorts as text within one offset, and says which.
QString timeText(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
}

QString errnoText()
{
    return filesync::errnoText();
}

} // namespace

QString encodeDetails(const QList<Item>& items)
{
    QStringList parts;
    for (const Item& i : items)
        parts << plain(i.name) + QStringLiteral(": ") +
                     (i.change ? quoted(i.before) + QStringLiteral(" → ") + quoted(i.value) : quoted(i.value));
    return parts.join(QStringLiteral("; "));
}

QList<Item> decodeDetails(QStringView text)
{
    QList<Item> items;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype colon = text.indexOf(QStringLiteral(": \""), pos);
        if (colon < 0)
            break;
        Item item;
        item.name = text.sliced(pos, colon - pos).toString();
        pos = colon + 2;
        item.value = unquote(text, pos);
        if (text.sliced(pos).startsWith(QStringLiteral(" → \""))) {
            pos += 3;
            item.change = true;
            item.before = item.value;
            item.value = unquote(text, pos);
        }
        items.append(item);
        if (text.sliced(pos).startsWith(QStringLiteral("; ")))
            pos += 2;
    }
    return items;
}

QStringList fields(QByteArrayView line)
{
    return QString::fromUtf8(line).split(u'\t');
}

Log::Log(QString path) : m_path(std::move(path)), m_role(QStringLiteral("none"))
{
    m_user = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    if (m_user.isEmpty())
        m_user = QString::number(::getuid());
    m_host = QSysInfo::machineHostName();
}

void Log::setIdentity(const QString& user, const QString& host)
{
    m_user = user;
    m_host = host;
}

namespace {

// For an account refused the file: which account, and the command that mends it.
QString withAdvice(const QString& path, int why)
{
    const QString advice = shared::permissionAdvice(path, why);
    return advice.isEmpty() ? QString() : QStringLiteral("\n\n") + advice;
}

} // namespace

bool Log::writable(QString* error) const
{
    if (m_store)
        return m_store->writable(error);
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (info.exists() || info.isSymLink()) {
        QFile file(m_path);
        if (info.isDir()) {
            *error = QString::fromLocal8Bit(std::strerror(EISDIR));
            return false;
        }
        if (!file.open(AppendMode)) {
            *error = file.errorString();
            if (::access(QFile::encodeName(m_path).constData(), W_OK) != 0)
                *error += withAdvice(m_path, errno);
            return false;
        }
    } else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        const int why = errno;
        *error = errnoText() + withAdvice(m_path, why);
        return false;
    }
    const qint64 room = QStorageInfo(folder).bytesAvailable();
    if (room >= 0 && room < RoomForALine) {
        *error = QString::fromLocal8Bit(std::strerror(ENOSPC));
        return false;
    }
    return true;
}

QByteArray Log::newestHash(QString* error) const
{
    if (m_store) {
        QString reason;
        const QByteArray hash = m_store->newestHash(&reason);
        if (error)
            *error = reason;
        return hash;
    }
    QFile file(m_path);
    if (!file.exists())
        return StartHash;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    const qint64 size = file.size();
    for (qint64 chunk = TailChunk;; chunk *= 2) {
        const qint64 from = qMax<qint64>(0, size - chunk);
        file.seek(from);
        const QByteArray tail = file.read(size - from);
        if (tail.size() != size - from) {
            if (error)
                *error = file.errorString();
            return {};
        }
        const QByteArray hash = lastHashIn(tail, from == 0);
        if (!hash.isEmpty())
            return hash;
    }
}

bool Log::content(QByteArray* bytes, QString* error) const
{
    if (m_store)
        return m_store->content(bytes, error);
    QFile file(m_path);
    bytes->clear();
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    return true;
}

QByteArrayList Log::lines(const QList<Event>& events, QByteArray previous) const
{
    QByteArrayList lines;
    const QString when = timeText(m_clock ? m_clock() : QDateTime::currentDateTime());
    for (const Event& e : events) {
        const QStringList parts{
            when,           plain(m_role),   plain(m_user),    plain(m_host),           plain(e.action),
            plain(e.table), plain(e.record), plain(e.subject), encodeDetails(e.details)};
        const QByteArray text = parts.join(u'\t').toUtf8();
        previous = chainHash(previous, text);
        lines.append(text + '\t' + previous);
    }
    return lines;
}

bool Log::append(const QList<Event>& events, QString* error)
{
    if (m_store)
        return m_store->append([this, &events](const QByteArray& previous) { return lines(events, previous); }, error);
    if (QFileInfo(m_path).isDir()) {
        *error = QString::fromLocal8Bit(std::strerror(EISDIR));
        return false;
    }
    QFile file(m_path);
    const bool existed = file.exists();
    if (!file.open(AppendMode)) {
        *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    QByteArray bytes;
    if (size > 0) {
        char last = 0;
        if (::pread(file.handle(), &last, 1, off_t(size - 1)) != 1) {
            *error = errnoText();
            return false;
        }
        // A crash cut the last line short: it is kept, marked, and left out
        // of the chain.
        if (last != '\n')
            bytes += '\t' + TornMark + '\n';
    }
    const QByteArray previous = newestHash(error);
    if (previous.isEmpty())
        return false;
    for (const QByteArray& line : lines(events, previous))
        bytes += line + '\n';
    // One write per call: a line is never interleaved with another.
    if (filesync::write(file.handle(), m_path, size, bytes) != 0 ||
        filesync::sync(file.handle(), m_path, filesync::Kind::Full) != 0) {
        *error = errnoText();
        return false;
    }
    if (!existed && filesync::syncDirectory(QFileInfo(m_path).absolutePath()) != 0) {
        *error = errnoText();
        return false;
    }
    return true;
}

Verified verify(const QByteArray& content, const QByteArray& from)
{
    Verified v;
    QByteArray previous = StartHash;
    qsizetype pos = 0;
    qint64 lineNumber = 0;
    while (pos < content.size()) {
        ++lineNumber;
        qsizetype end = content.indexOf('\n', pos);
        const bool ended = end >= 0;
        if (!ended)
            end = content.size();
        const QByteArrayView line(content.constData() + pos, end - pos);
        pos = end + 1;
        const qsizetype tab = line.lastIndexOf('\t');
        const QByteArrayView last = tab >= 0 ? line.sliced(tab + 1) : line;
        if (!ended || last == TornMark) {
            ++v.torn; // cut short by a crash: not part of the chain
            continue;
        }
        if (tab < 0 || !isHash(last)) {
            v.brokenLine = lineNumber;
            v.problem = QStringLiteral("no hash at the end of the line");
            return v;
        }
        if (chainHash(previous, line.first(tab)) != last) {
            v.brokenLine = lineNumber;
            v.problem = QStringLiteral("the hash does not follow from the line before and the line's text "
                                       "(edited, inserted, removed or moved lines)");
            return v;
        }
        previous = last.toByteArray();
        ++v.events;
        if (!from.isEmpty() && previous == from)
            v.fromLine = lineNumber;
    }
    v.newestHash = previous;
    if (!from.isEmpty() && v.fromLine == 0) {
        v.brokenLine = lineNumber + 1;
        v.problem =
            QStringLiteral("no line has the hash %1: the log was rewritten or cut").arg(QString::fromLatin1(from));
    }
    return v;
}

} // namespace audit
