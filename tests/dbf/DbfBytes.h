#pragma once

// Table and memo files laid out byte by byte for the tests, independent of
// the engine's own writer, so that a fault in one is not mirrored by the other.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace dbfbytes {

struct Field
{
    QByteArray name;
    char type;
    int width;
    int decimals = 0;
};

struct Layout
{
    quint8 version = 0x03;
    QList<Field> fields;
    QList<QByteArray> records; // each without the deletion flag; see row()
    int headerCount = -1;      // -1: the number of records
    bool endMark = true;
    quint8 languageDriver = 0x57;
    QByteArray languageName;    // level 7 only, at offset 32
    QByteArray afterTerminator; // level 7 field properties and the like
};

inline QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}

inline quint32 readLe32(const QByteArray& b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

// A record image: the deletion flag and the fields' bytes side by side.
inline QByteArray row(const QList<QByteArray>& fields, bool deleted = false)
{
    QByteArray r(1, deleted ? '*' : ' ');
    for (const QByteArray& f : fields)
        r += f;
    return r;
}

inline QByteArray left(const QByteArray& text, int width)
{
    return text.leftJustified(width, ' ', true);
}

inline QByteArray right(const QByteArray& text, int width)
{
    return text.rightJustified(width, ' ', true);
}

// Level-7 long integer: big-endian with the sign bit flipped.
inline QByteArray long7(qint32 v)
{
    quint32 raw = quint32(v) ^ 0x80000000u;
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(raw >> (8 * (3 - i)));
    return b;
}

inline QByteArray table(const Layout& l)
{
    const bool level7 = l.version == 0x04 || l.version == 0x8C;
    const int fixed = level7 ? 68 : 32;
    const int descriptor = level7 ? 48 : 32;
    int recordLength = 1;
    QByteArray descriptors;
    for (const Field& f : l.fields) {
        QByteArray d(descriptor, '\0');
        d.replace(0, f.name.size(), f.name);
        if (level7) {
            d[32] = f.type;
            d[33] = char(f.width);
            d[34] = char(f.decimals);
        } else {
            d[11] = f.type;
            d[16] = char(f.width);
            d[17] = char(f.decimals);
        }
        descriptors += d;
        recordLength += f.width;
    }
    const int headerLength = fixed + int(descriptors.size()) + 1 + int(l.afterTerminator.size());
    QByteArray h(fixed, '\0');
    h[0] = char(l.version);
    h[1] = char(99);
    h[2] = char(7);
    h[3] = char(15);
    h.replace(4, 4, le32(quint32(l.headerCount >= 0 ? l.headerCount : l.records.size())));
    h[8] = char(headerLength & 0xFF);
    h[9] = char(headerLength >> 8);
    h[10] = char(recordLength & 0xFF);
    h[11] = char(recordLength >> 8);
    h[29] = char(l.languageDriver);
    if (level7)
        h.replace(32, l.languageName.size(), l.languageName);
    QByteArray bytes = h + descriptors + '\r' + l.afterTerminator;
    for (const QByteArray& r : l.records) {
        Q_ASSERT(r.size() == recordLength);
        bytes += r;
    }
    if (l.endMark)
        bytes += '\x1A';
    return bytes;
}

// A dBase III memo file: 512-byte blocks, each text ended by `marks` bytes
// 0x1A. Returns the file; *blocks gets the first block of each text.
inline QByteArray memo3(const QList<QByteArray>& texts, QList<int>* blocks, int marks = 2)
{
    QByteArray body;
    for (const QByteArray& t : texts) {
        blocks->append(1 + int(body.size()) / 512);
        QByteArray data = t + QByteArray(marks, '\x1A');
        data.append(QByteArray((512 - data.size() % 512) % 512, '\0'));
        body += data;
    }
    QByteArray header(512, '\0');
    header.replace(0, 4, le32(quint32(1 + body.size() / 512)));
    header[16] = 0x03;
    return header + body;
}

// A dBase IV / level 7 memo file with the given block size (at offset 20).
inline QByteArray memo4(const QList<QByteArray>& texts, QList<int>* blocks, int blockSize = 512)
{
    QByteArray body;
    for (const QByteArray& t : texts) {
        blocks->append(1 + int(body.size()) / blockSize);
        QByteArray data = QByteArray("\xFF\xFF\x08\x00", 4) + le32(quint32(t.size() + 8)) + t;
        data.append(QByteArray((blockSize - data.size() % blockSize) % blockSize, '\0'));
        body += data;
    }
    QByteArray header(blockSize, '\0');
    header.replace(0, 4, le32(quint32(1 + body.size() / blockSize)));
    header[20] = char(blockSize & 0xFF);
    header[21] = char(blockSize >> 8);
    return header + body;
}

inline bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace dbfbytes
