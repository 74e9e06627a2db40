#include "audit/AuditLog.h"

#include <algorithm>

#include "config/FileSync.h"
#include "data/Backup.h"
#include "data/Csv.h"
#include "platform/Files.h"
#include "platform/SharedFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>

namespace audit {
namespace {

const QByteArray StartHash(64, '0');
constexpr qsizetype HashLength = 64;
// Room kept free beyond the lines themselves: the head's new copy and a block
// of slack for the file system.
constexpr qint64 RoomBeyondLines = 4096;
// How much of a file a count of its lines reads at a time.
constexpr qint64 CountChunk = 1024 * 1024;
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
    // Most fields hold no such character: they are not copied.
    const auto breaks = [](QChar c) { return c == u'\t' || c == u'\r' || c == u'\n'; };
    if (std::none_of(text.cbegin(), text.cend(), breaks))
        return text;
    for (QChar& c : text)
        if (breaks(c))
            c = u' ';
    return text;
}

// A field as a spreadsheet opening the file must take it: never a formula.
QString cell(const QString& text)
{
    return csv::guarded(plain(text));
}

QString quoted(const QString& value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += u'"';
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
// closing one, or at the end of a text that has none.
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
    if (pos < text.size())
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

// The bytes of a last line without its line end (empty when the file ends
// with one), read backwards from the end of an open file of size bytes.
bool tornTail(int fd, qint64 size, QByteArray* tail)
{
    tail->clear();
    for (qint64 chunk = TailChunk;; chunk *= 2) {
        const qint64 from = qMax<qint64>(0, size - chunk);
        QByteArray bytes(size - from, Qt::Uninitialized);
        if (platform::readAt(fd, from, bytes.data(), bytes.size()) != bytes.size())
            return false;
        const qsizetype end = bytes.lastIndexOf('\n');
        if (end >= 0 || from == 0) {
            *tail = bytes.mid(end + 1);
            return true;
        }
    }
}

// The line ends in an open file of size bytes.
bool countLines(int fd, qint64 size, qint64* lines)
{
    *lines = 0;
    QByteArray bytes(CountChunk, Qt::Uninitialized);
    for (qint64 at = 0; at < size; at += CountChunk) {
        const qint64 n = qMin(CountChunk, size - at);
        if (platform::readAt(fd, at, bytes.data(), n) != n)
            return false;
        *lines += QByteArrayView(bytes.constData(), n).count('\n');
    }
    return true;
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

QString fieldText(const QString& field)
{
    return csv::unguarded(field);
}

QString headPath(const QString& logPath)
{
    return QFileInfo(logPath).dir().filePath(HeadName);
}

std::optional<Head> readHead(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists() && !QFileInfo(path).isSymLink())
        return Head{};
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    const QByteArrayList parts = file.read(HashLength * 2).trimmed().split(' ');
    bool ok = false;
    const qint64 lines = parts.value(0).toLongLong(&ok);
    if (parts.size() != 2 || !ok || lines <= 0 || !isHash(parts[1])) {
        *error = QStringLiteral("it holds no line count and hash of a trail");
        return std::nullopt;
    }
    return Head{true, lines, parts[1]};
}

Log::Log(QString path) : m_path(std::move(path)), m_role(QStringLiteral("none"))
{
    // The account the system runs this process as: a variable the caller
    // sets ($USER, $LOGNAME) proves nothing.
    m_user = shared::accountName();
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

qint64 Log::lineBytes(const QList<Event>& events) const
{
    qint64 bytes = 0;
    for (const QByteArray& line : lines(events, StartHash))
        bytes += line.size() + 1;
    return bytes;
}

Log::Gap Log::gapFrom(const QByteArray& newest, const std::optional<Head>& head, const QString& headError) const
{
    Gap g;
    g.headPath = m_store ? m_store->headWhere() : headPath(m_path);
    const QString log = m_store ? path() : QDir::toNativeSeparators(m_path);
    const QString headFile = m_store ? g.headPath : QDir::toNativeSeparators(g.headPath);
    if (!head) {
        g.kind = Gap::Kind::Unreadable;
        g.reason = QStringLiteral("its head %1 cannot be read: %2").arg(headFile, headError);
        return g;
    }
    if (!head->present || newest == head->hash)
        return g;
    g.lines = head->lines;
    if (!m_store && !QFileInfo::exists(m_path)) {
        g.kind = Gap::Kind::Missing;
        g.reason = QStringLiteral("%1 is missing, though %2 says it held %3 lines").arg(log, headFile).arg(head->lines);
        return g;
    }
    QByteArray bytes;
    QString error;
    if (!content(&bytes, &error)) {
        g.kind = Gap::Kind::Unreadable;
        g.reason = error;
        return g;
    }
    const Verified v = verify(bytes, {}, *head);
    if (v.missing > 0) {
        g.kind = Gap::Kind::Cut;
        g.lines = v.missing;
        g.reason =
            QStringLiteral("%1 events are missing at the end of %2 (its head %3)").arg(v.missing).arg(log, headFile);
    } else if (v.replaced) {
        g.kind = Gap::Kind::Replaced;
        g.reason =
            QStringLiteral("%1 was replaced: it does not hold the newest hash of its head %2").arg(log, headFile);
    }
    return g;
}

Log::Gap Log::gap() const
{
    QString error;
    const std::optional<Head> head = m_store ? m_store->head(&error) : readHead(headPath(m_path), &error);
    if (!head || !head->present)
        return gapFrom({}, head, error);
    // A store's trail is always there; a file's may be gone.
    const bool there = m_store || QFileInfo::exists(m_path);
    QString unread;
    const QByteArray newest = there ? newestHash(&unread) : QByteArray();
    if (there && newest.isEmpty())
        return {Gap::Kind::Unreadable, 0, unread, m_store ? m_store->headWhere() : headPath(m_path)};
    return gapFrom(newest, head, error);
}

bool Log::writable(QString* error, qint64 lineBytes) const
{
    if (m_store && !m_store->writable(error))
        return false;
    if (const Gap g = gap(); g.kind != Gap::Kind::None) {
        *error = g.reason;
        return false;
    }
    if (m_store)
        return true;
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (info.exists() || info.isSymLink()) {
        QFile file(m_path);
        if (info.isDir()) {
            *error = platform::errorText(EISDIR);
            return false;
        }
        if (!file.open(AppendMode)) {
            *error = file.errorString();
            if (platform::mayWrite(m_path) != 0)
                *error += withAdvice(m_path, errno);
            return false;
        }
    } else if (platform::mayCreateIn(folder) != 0) {
        const int why = errno;
        *error = errnoText() + withAdvice(m_path, why);
        return false;
    }
    const qint64 room = m_room ? m_room(folder) : platform::freeSpace(folder);
    if (room >= 0 && room < lineBytes + RoomBeyondLines) {
        *error = platform::errorText(ENOSPC);
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

QByteArrayList Log::lines(const QList<Event>& events, QByteArray previous, const Store::Stamp* stamp) const
{
    QByteArrayList lines;
    const QString when = timeText(stamp     ? stamp->time.toLocalTime()
                                  : m_clock ? m_clock()
                                            : QDateTime::currentDateTime());
    // What every line of the call shares, made once.
    const QString who = QStringList{when, cell(m_role), cell(m_user), cell(stamp ? stamp->desk : m_host)}.join(u'\t');
    lines.reserve(events.size());
    for (const Event& e : events) {
        const QStringList parts{who,           cell(e.action),  cell(e.table),
                                cell(e.record), cell(e.subject), csv::guarded(encodeDetails(e.details))};
        const QByteArray text = parts.join(u'\t').toUtf8();
        previous = chainHash(previous, text);
        lines.append(text + '\t' + previous);
    }
    return lines;
}

bool Log::append(const QList<Event>& events, QString* error)
{
    if (m_store)
        return m_store->append([this, &events](const QByteArray& previous,
                                               const Store::Stamp& stamp) { return lines(events, previous, &stamp); },
                               error);
    if (QFileInfo(m_path).isDir()) {
        *error = platform::errorText(EISDIR);
        return false;
    }
    QString headError;
    const std::optional<Head> head = readHead(headPath(m_path), &headError);
    QFile file(m_path);
    const bool existed = file.exists();
    if (head && head->present && !existed) {
        *error = gapFrom({}, head, {}).reason;
        return false; // a new chain from zeros would hide the lost one
    }
    if (!file.open(AppendMode)) {
        *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    QByteArray bytes;
    QByteArray previous = newestHash(error);
    if (previous.isEmpty())
        return false;
    const QByteArray before = previous;
    if (const Gap g = gapFrom(previous, head, headError); g.kind != Gap::Kind::None) {
        *error = g.reason;
        return false;
    }
    // The head's new copy is opened before any line is written: a head that
    // cannot follow its lines must not leave lines behind.
    QFile fresh(headPath(m_path) + QStringLiteral(".new"));
    if (!fresh.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fresh.fileName()), fresh.errorString());
        return false;
    }
    qint64 added = 0;
    QByteArray torn;
    if (size > 0 && !tornTail(file.handle(), size, &torn)) {
        *error = errnoText();
        return false;
    }
    if (!torn.isEmpty()) {
        // A crash cut the last line short: it is kept, and its bytes with
        // the mark become a link of the chain.
        const QByteArray marked = torn + '\t' + TornMark;
        previous = chainHash(previous, marked);
        bytes += '\t' + TornMark + '\t' + previous + '\n';
        ++added;
    }
    for (const QByteArray& line : lines(events, previous)) {
        bytes += line + '\n';
        previous = line.right(HashLength);
        ++added;
    }
    // One write per call: a line is never interleaved with another.
    if (filesync::write(file.handle(), m_path, size, bytes) != 0 ||
        filesync::sync(file.handle(), m_path, filesync::Kind::Full) != 0) {
        *error = errnoText();
        // Lines of a change that is not stored must not stay behind.
        filesync::truncate(file.handle(), m_path, size);
        return false;
    }
    if (!existed && filesync::syncDirectory(QFileInfo(m_path).absolutePath()) != 0) {
        *error = errnoText();
        return false;
    }
    // The head follows the lines it names: a crash between the two leaves a
    // trail that reaches past its head, never one that falls short of it.
    qint64 total = added;
    if (head && head->present && head->hash == before)
        total += head->lines;
    else if (size > 0 && !countLines(file.handle(), size + bytes.size(), &total)) {
        *error = errnoText();
        return false;
    }
    return writeHead(fresh, previous, total, error);
}

bool Log::writeHead(QFile& fresh, const QByteArray& hash, qint64 lines, QString* error) const
{
    // The new copy is durable before it takes the old one's name: the head
    // is always one whole state or the other.
    // It is closed before the rename: Windows renames no file that is open.
    const QByteArray bytes = QByteArray::number(lines) + ' ' + hash + '\n';
    const bool written = filesync::write(fresh.handle(), fresh.fileName(), 0, bytes) == 0 &&
                         filesync::sync(fresh.handle(), fresh.fileName(), filesync::Kind::Full) == 0;
    fresh.close();
    if (!written || filesync::rename(fresh.fileName(), headPath(m_path)) != 0) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(headPath(m_path)), errnoText());
        return false;
    }
    return true;
}

Verified verify(const QByteArray& content, const QByteArray& from, const Head& head)
{
    Verified v;
    QByteArray previous = StartHash;
    QByteArray resumed; // the stored hash of a line out of the chain: an edited line's successor chains to it
    qsizetype pos = 0;
    qint64 lineNumber = 0;
    bool headFound = false;
    const auto breaks = [&v](qint64 line, const QString& problem) {
        if (v.brokenLine == 0) {
            v.brokenLine = line;
            v.problem = problem;
        }
    };
    while (pos < content.size()) {
        ++lineNumber;
        qsizetype end = content.indexOf('\n', pos);
        const bool ended = end >= 0;
        if (!ended)
            end = content.size();
        const QByteArrayView line(content.constData() + pos, end - pos);
        pos = end + 1;
        if (!ended) {
            // The last line without its end: an append a crash cut short.
            ++v.torn;
            v.lines.push_back(LineState::Torn);
            continue;
        }
        const qsizetype tab = line.lastIndexOf('\t');
        const QByteArrayView last = tab >= 0 ? line.sliced(tab + 1) : line;
        if (tab < 0 || !isHash(last)) {
            v.lines.push_back(LineState::Outside);
            breaks(lineNumber, last == TornMark
                                   ? QStringLiteral("a torn mark outside the chain: a crash cuts short only "
                                                    "the last line, and the next append chains its mark")
                                   : QStringLiteral("no hash at the end of the line"));
            resumed.clear();
            continue;
        }
        const QByteArrayView text = line.first(tab);
        const QByteArray hash = chainHash(previous, text);
        if (hash != last && !(resumed.size() && chainHash(resumed, text) == last)) {
            v.lines.push_back(LineState::Outside);
            breaks(lineNumber, QStringLiteral("the hash does not follow from the line before and the line's text "
                                              "(edited, inserted, removed or moved lines)"));
            resumed = last.toByteArray();
            continue;
        }
        resumed.clear();
        previous = last.toByteArray();
        ++v.links;
        if (text.endsWith('\t' + TornMark)) {
            ++v.torn;
            v.lines.push_back(LineState::Torn);
        } else {
            ++v.events;
            v.lines.push_back(LineState::Chained);
        }
        if (!from.isEmpty() && previous == from)
            v.fromLine = lineNumber;
        if (head.present && previous == head.hash && lineNumber == head.lines)
            headFound = true;
    }
    v.newestHash = previous;
    if (!from.isEmpty() && v.fromLine == 0)
        breaks(lineNumber + 1,
               QStringLiteral("no line has the hash %1: the log was rewritten or cut").arg(QString::fromLatin1(from)));
    if (head.present && !headFound) {
        const qint64 whole = lineNumber - (content.endsWith('\n') || content.isEmpty() ? 0 : 1);
        if (whole < head.lines) {
            v.missing = head.lines - whole;
            breaks(lineNumber + 1, QStringLiteral("%1 events missing at the end: the head counts %2 lines up to the "
                                                  "hash %3")
                                       .arg(v.missing)
                                       .arg(head.lines)
                                       .arg(QString::fromLatin1(head.hash)));
        } else {
            v.replaced = true;
            breaks(lineNumber + 1,
                   QStringLiteral("the trail was replaced: its line %1 does not have the head's hash %2")
                       .arg(head.lines)
                       .arg(QString::fromLatin1(head.hash)));
        }
    }
    return v;
}

Event restoreCleared(const backup::Recovered& recovered)
{
    return {recovered.outcome == backup::Recovered::Outcome::Finished ? QStringLiteral("restore finished")
                                                                      : QStringLiteral("restore undone"),
            {},
            {},
            {},
            {{QStringLiteral("backup"), QDir::toNativeSeparators(recovered.backupFolder)}}};
}

} // namespace audit
