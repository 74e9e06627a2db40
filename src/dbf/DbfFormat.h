#pragma once

// The byte layout of dBase tables and memo files, and the small helpers that
// the reading (DbfFile.cpp) and the writing (DbfWrite.cpp) halves of the
// engine share. Only those two include it.

#include "config/AppError.h"
#include "config/FileSync.h"
#include "platform/Files.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstring>

namespace dbfformat {

inline constexpr char EndOfFile = 0x1A;
inline constexpr char HeaderEnd = 0x0D;
inline constexpr int MemoPointerWidth = 10;
inline constexpr int DBase3MemoBlock = 512;
inline constexpr int CreatedMemoBlock = 512;
inline constexpr quint8 CreatedVersion = 0x8B;
inline constexpr quint8 CreatedVersionNoMemo = 0x03;
inline constexpr quint8 LanguageDriverCp1250 = 0xC8;
inline constexpr int Level7HeaderSize = 68;
inline constexpr int Level7DescriptorSize = 48;
inline constexpr int DescriptorSize = 32;
// The next value of an autoincrement field, little-endian, at 42..45 of its
// level-7 descriptor: where dBase and the tools made with it keep it.
inline constexpr int AutoincrementOffset = 42;
inline constexpr int MaxNumericWidth = 20;
inline const QByteArray MemoBlockSignature("\xFF\xFF\x08\x00", 4);
inline constexpr int MemoBlockHeader = 8;

inline bool isLevel7(quint8 version)
{
    return version == 0x04 || version == 0x8C;
}

inline quint32 le32(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

inline quint16 le16(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    return quint16(b[0] | b[1] << 8);
}

inline QByteArray le32Bytes(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

// Level-7 long integers: big-endian with the sign bit flipped, so that the
// bytes sort like the numbers. All zeros is an empty field.
inline qint64 decodeLong(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    quint32 raw = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
    if (raw == 0)
        return 0;
    return qint32(raw ^ 0x80000000u);
}

inline QByteArray encodeLong(qint64 value)
{
    quint32 raw = quint32(qint32(value)) ^ 0x80000000u;
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((raw >> (8 * (3 - i))) & 0xFF);
    return b;
}

using filesync::errnoText;

inline QString nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] inline void throwFor(const QString& path, const QString& reason)
{
    throw AppError(QStringLiteral("%1: %2").arg(nativeName(path), reason));
}

inline bool readFully(int fd, qint64 offset, char* out, qint64 length)
{
    while (length > 0) {
        const qint64 n = platform::readAt(fd, offset, out, length);
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
inline qint64 readSome(int fd, qint64 offset, char* out, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const qint64 n = platform::readAt(fd, offset + done, out + done, length - done);
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
inline QString memoPathFor(const QString& path)
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
inline int trimmedLength(const char* p, int width)
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

inline QByteArray todayBytes()
{
    QDate d = QDate::currentDate();
    QByteArray b(3, '\0');
    b[0] = char(d.year() - 1900);
    b[1] = char(d.month());
    b[2] = char(d.day());
    return b;
}

} // namespace dbfformat
