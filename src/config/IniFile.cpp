#include "config/IniFile.h"

#include "config/Cp1250.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray readAll(const QString& path, bool* exists)
{
    QFile f(path);
    *exists = f.open(QIODevice::ReadOnly);
    return *exists ? f.readAll() : QByteArray();
}

// A file without its owner's write permission is read-only for us, whoever we
// run as: that is what an operator means by marking config.ini read-only.
bool markedReadOnly(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return (st.st_mode & S_IWUSR) == 0;
}

// Replaces the file's contents in one step: a new file beside it, synced, then
// renamed over it, so a crash leaves either the old or the new text. A file
// the program creates holds passwords, so it is readable by its owner only.
bool replaceFile(const QString& path, const QByteArray& data)
{
    const QByteArray target = QFile::encodeName(path);
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st;
    const bool existed = ::stat(target.constData(), &st) == 0;
    if (existed)
        mode = st.st_mode & 07777;

    QFileInfo info(path);
    if (info.isSymLink()) {
        // Keep the link: write through it in place.
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const bool ok = f.write(data) == data.size() && f.flush() && ::fsync(f.handle()) == 0;
        return ok;
    }

    QByteArray tmp = target + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0;
    qsizetype done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && existed)
        ok = ::chown(tmp.constData(), st.st_uid, st.st_gid) == 0 || errno == EPERM;
    ok = ok && ::rename(tmp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(tmp.constData());
    return ok;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    bool exists = false;
    const QByteArray data = readAll(m_path, &exists);
    bool inSection = false;
    for (const Line& line : splitLines(data)) {
        const QByteArray name = sectionName(line.bytes);
        if (!name.isNull()) {
            inSection = sameName(name, section);
            continue;
        }
        QByteArray k, v;
        if (inSection && splitKey(line.bytes, &k, &v) && sameName(k, key)) {
            // A value in matching quotes is given without them.
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.mid(1, v.size() - 2);
            return cp1250::decode(v.left(MaxValueLength));
        }
    }
    return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    int value = 0;
    return parseInteger(readString(section, key, QString()), &value) ? value : defaultValue;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value, QString* error)
{
    auto fail = [&] {
        if (error)
            *error = QStringLiteral("Unable to write to %1").arg(m_path);
        return false;
    };
    if (markedReadOnly(m_path))
        return fail();

    bool exists = false;
    const QByteArray data = readAll(m_path, &exists);
    if (!exists && QFileInfo::exists(m_path))
        return fail(); // there, but unreadable: never overwrite what we cannot see

    QList<Line> lines = splitLines(data);
    const QByteArray eol = data.contains("\r\n") || data.isEmpty() ? QByteArray("\r\n") : QByteArray("\n");
    const QByteArray keyLine = cp1250::encode(key) + '=' + cp1250::encode(value);

    qsizetype sectionStart = -1; // line index of the header
    qsizetype lastInSection = -1; // last non-blank line of the section
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = sectionName(lines[i].bytes);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break;
            if (sameName(name, section)) {
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
        if (splitKey(lines[i].bytes, &k, &v) && sameName(k, key)) {
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
        lines.append({'[' + cp1250::encode(section) + ']', eol});
        lines.append({keyLine, eol});
    }

    QByteArray out;
    out.reserve(data.size() + keyLine.size() + 16);
    for (const Line& line : lines)
        out += line.bytes + line.eol;
    return replaceFile(m_path, out) ? true : fail();
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
            if (!isxdigit(c.toLatin1()))
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
