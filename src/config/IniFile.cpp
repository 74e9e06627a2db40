#include "config/IniFile.h"

#include "config/Cp1250.h"
#include "config/SyncCalls.h"
#include "platform/FileModes.h"
#include "platform/Files.h"
#include "platform/SharedFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>

namespace {

struct Line
{
    QByteArray bytes; // the line without its end-of-line bytes
    QByteArray eol;   // "\r\n", "\n" or empty on an unterminated last line
};

QList<Line> splitLines(const QByteArray& data)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.append({data.mid(start), {}});
            break;
        }
        qsizetype end = nl;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.append({data.mid(start, end - start), data.mid(end, nl + 1 - end)});
        start = nl + 1;
    }
    return lines;
}

// Name of a "[section]" line, or null when the line is no section header.
QByteArray sectionName(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || t.front() != '[')
        return {};
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return {};
    return t.mid(1, close - 1).trimmed();
}

bool sameName(const QByteArray& a, const QString& b)
{
    return cp1250::decode(a).compare(b, Qt::CaseInsensitive) == 0;
}

// For a "key=value" line: true and the key and value, both trimmed.
bool splitKey(const QByteArray& line, QByteArray* key, QByteArray* value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty() && !key->startsWith(';');
}

enum class ReadResult { Missing, Read, Failed };

ReadResult readAll(const QString& path, QByteArray* data, QString* reason = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = f.errorString();
        // A dangling link is there too: it stands where config.ini should be.
        return QFileInfo::exists(path) || QFileInfo(path).isSymLink() ? ReadResult::Failed : ReadResult::Missing;
    }
    *data = f.readAll();
    if (f.error() == QFileDevice::NoError)
        return ReadResult::Read;
    if (reason)
        *reason = f.errorString();
    return ReadResult::Failed;
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const qint64 n = platform::writeNext(fd, data.constData() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Errors that say the directory takes no new entries while the file itself
// may still be writable.
bool directoryRefused(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Rewrites the file through its own inode, for a directory we may not add to
// and for a symbolic link, which must stay one. The new text goes over the
// old before the file is cut to length: a crash in between leaves every new
// line in place, where cutting first could leave the passwords missing.
bool writeInPlace(const QString& target, const QByteArray& data)
{
    const int fd = platform::openFile(target, platform::Access::Write, platform::Create::IfMissing,
                                      shared::privateFileMode(QFileInfo(target).absolutePath()));
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, data) && platform::truncateFile(fd, data.size()) == 0 && syncCalls.syncFile(fd) == 0;
    ok = (platform::closeFile(fd) == 0) && ok;
    return ok;
}

// The rename is only as durable as the directory entry it changed.
bool syncDirectoryOf(const QString& target)
{
    const int fd = platform::openDirectory(QFileInfo(target).absolutePath());
    if (fd < 0)
        return false;
    // File systems that cannot sync a directory say so with EINVAL; there is
    // nothing more to make durable on them.
    const bool ok = syncCalls.syncDirectory(fd) == 0 || errno == EINVAL;
    platform::closeFile(fd);
    return ok;
}

// Replaces the file's contents in one step: a new file beside it, synced, then
// renamed over it, then the directory synced, so a crash leaves either the old
// or the new text. A file the program creates holds passwords, so it is
// readable by its owner only (and the group of a shared working folder).
bool replaceFile(const QString& path, const QByteArray& data)
{
    unsigned mode = shared::privateFileMode(QFileInfo(path).absolutePath());
    const bool existed = platform::modeOf(path, &mode) == 0;

    if (QFileInfo(path).isSymLink())
        return writeInPlace(path, data);

    QString tmp = path;
    const int fd = platform::createUnique(&tmp);
    if (fd < 0)
        return existed && directoryRefused(errno) && writeInPlace(path, data);
    // Owner and mode first, so that the sync makes them durable with the text.
    bool ok = platform::setMode(fd, mode) == 0;
    if (ok && existed)
        ok = platform::keepOwner(fd, path) == 0;
    ok = ok && writeAll(fd, data) && syncCalls.syncFile(fd) == 0;
    ok = (platform::closeFile(fd) == 0) && ok;
    if (!ok) {
        platform::removeFile(tmp);
        return false;
    }
    if (syncCalls.rename(tmp, path) != 0) {
        const int renameError = errno;
        platform::removeFile(tmp);
        return existed && directoryRefused(renameError) && writeInPlace(path, data);
    }
    return syncDirectoryOf(path);
}

// Sets one key in the lines of the file; eol ends the lines it adds.
void applyChange(QList<Line>& lines, const QByteArray& eol, const IniFile::Change& change)
{
    const QByteArray keyLine = cp1250::encode(change.key) + '=' + cp1250::encode(change.value);

    qsizetype sectionStart = -1;  // line index of the header
    qsizetype lastInSection = -1; // last non-blank line of the section
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = sectionName(lines[i].bytes);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break;
            if (sameName(name, change.section)) {
                sectionStart = i;
                lastInSection = i;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (!lines[i].bytes.trimmed().isEmpty())
            lastInSection = i;
        QByteArray k, v;
        if (splitKey(lines[i].bytes, &k, &v) && sameName(k, change.key)) {
            keyAt = i;
            break;
        }
    }

    if (keyAt >= 0) {
        lines[keyAt].bytes = keyLine;
    } else if (sectionStart >= 0) {
        if (lines[lastInSection].eol.isEmpty())
            lines[lastInSection].eol = eol;
        lines.insert(lastInSection + 1, {keyLine, eol});
    } else {
        if (!lines.isEmpty() && lines.back().eol.isEmpty())
            lines.back().eol = eol;
        lines.append({'[' + cp1250::encode(change.section) + ']', eol});
        lines.append({keyLine, eol});
    }
}

// A matching pair of quotes around a value is not part of it.
bool quoted(QStringView v)
{
    return v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
}

bool isBlank(QChar c)
{
    // What QByteArray::trimmed() removes around a value on reading.
    return c == u' ' || (c.unicode() >= 0x09 && c.unicode() <= 0x0d);
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

IniFile::Presence IniFile::presence(QString* reason) const
{
    QByteArray data;
    switch (readAll(m_path, &data, reason)) {
    case ReadResult::Missing:
        return Presence::Missing;
    case ReadResult::Read:
        return Presence::Readable;
    case ReadResult::Failed:
        break;
    }
    return Presence::Unreadable;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    // An unreadable file gives the defaults, as a missing one does; a write
    // then refuses to replace what it could not read.
    QByteArray data;
    if (readAll(m_path, &data) != ReadResult::Read)
        return defaultValue;
    bool inSection = false;
    for (const Line& line : splitLines(data)) {
        const QByteArray name = sectionName(line.bytes);
        if (!name.isNull()) {
            inSection = sameName(name, section);
            continue;
        }
        QByteArray k, v;
        if (inSection && splitKey(line.bytes, &k, &v) && sameName(k, key)) {
            const QString value = cp1250::decode(v);
            return (quoted(value) ? value.mid(1, value.size() - 2) : value).left(MaxValueLength);
        }
    }
    return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    int value = 0;
    return parseInteger(readString(section, key, QString()), &value) ? value : defaultValue;
}

IniFile::ValueCheck IniFile::checkValue(QStringView value)
{
    ValueCheck check;
    check.character = cp1250::firstUnrepresentable(value);
    if (!check.character.isEmpty())
        check.problem = ValueProblem::Character;
    else if (value.contains(u'\n') || value.contains(u'\r'))
        check.problem = ValueProblem::LineBreak;
    else if (value.size() > MaxValueLength)
        check.problem = ValueProblem::TooLong;
    else if (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back())))
        check.problem = ValueProblem::Blanks;
    else if (quoted(value))
        check.problem = ValueProblem::Quotes;
    return check;
}

bool IniFile::write(const QList<Change>& changes, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString unableToWrite = QStringLiteral("Unable to write to %1").arg(m_path);
    for (const Change& c : changes) {
        if (checkValue(c.value).problem != ValueProblem::None)
            return fail(QStringLiteral("%1/%2 would not read back as written").arg(c.section, c.key));
    }
    if (platform::markedReadOnly(m_path))
        return fail(unableToWrite);

    QByteArray data;
    // An account refused the file or its folder hears what mends it.
    auto refused = [&](int why) {
        const QString advice = shared::permissionAdvice(m_path, why);
        return fail(advice.isEmpty() ? unableToWrite : unableToWrite + QStringLiteral("\n\n") + advice);
    };
    if (readAll(m_path, &data) == ReadResult::Failed) // there, but unreadable: never overwrite what we cannot see
        return refused(QFileInfo(m_path).isReadable() ? EIO : EACCES);

    QList<Line> lines = splitLines(data);
    const QByteArray eol = data.contains("\r\n") || data.isEmpty() ? QByteArray("\r\n") : QByteArray("\n");
    for (const Change& c : changes)
        applyChange(lines, eol, c);

    QByteArray out;
    out.reserve(data.size() + 64 * changes.size());
    for (const Line& line : lines)
        out += line.bytes + line.eol;
    errno = 0;
    return replaceFile(m_path, out) || refused(errno);
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value, QString* error)
{
    return write({{section, key, value}}, error);
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value, QString* error)
{
    return writeString(section, key, QString::number(value), error);
}

bool parseInteger(const QString& text, int* value)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QStringView digits = QStringView(text).mid(2);
        // Hexadecimal takes at most 32 bits, read as a signed number.
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        for (QChar c : digits) {
            const char16_t u = c.unicode();
            if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')))
                return false;
        }
        const uint u = digits.toUInt(&ok, 16);
        if (ok)
            *value = int(u);
        return ok;
    }
    if (text.startsWith(QLatin1Char('+')))
        return false;
    const int v = text.toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}
