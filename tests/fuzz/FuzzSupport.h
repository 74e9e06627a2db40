#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares. A target is one LLVMFuzzerTestOneInput; it
// must never crash, and where the code promises something about its result
// (a value stored reads back, a refused change leaves the file as it was) the
// target checks it and aborts, which the fuzzer and the replay both report.
namespace fuzz {

// The rest of an input, read from the front.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size)) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    quint8 byte() { return atEnd() ? 0 : quint8(m_bytes[m_at++]); }
    QByteArray take(qsizetype n)
    {
        const QByteArray part = m_bytes.mid(m_at, n);
        m_at += part.size();
        return part;
    }
    QByteArray rest() { return take(m_bytes.size() - m_at); }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

// A folder for the files of one run, the same for the whole process.
inline QString folder()
{
    static QTemporaryDir dir;
    return dir.path();
}

inline QString path(const QString& name)
{
    return QDir(folder()).filePath(name);
}

// Writes the fixture bytes directly, past every hook of the code under test.
inline void putFile(const QString& name, const QByteArray& bytes)
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path(name)));
        std::abort();
    }
}

inline QByteArray getFile(const QString& name)
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A broken promise of the code under test.
inline void check(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzz
