#pragma once

#include <QByteArray>
#include <QString>

// Code page 1250 (Central European Windows), the encoding of every text the
// program keeps on disk: config.ini and the dBase tables. Inside the program
// texts are QString; the conversion happens at the file boundary only.
namespace cp1250 {

// Every byte maps to one character; the five bytes the code page leaves
// undefined (81 83 88 90 98) map to the C1 control of the same number, so any
// byte string survives decode() followed by encode() unchanged.
QString decode(QByteArrayView bytes);

// A character with no code-page-1250 byte becomes '?', and *ok is set to false.
QByteArray encode(QStringView text, bool* ok = nullptr);

bool representable(QStringView text);

// The first character of text that has no code-page-1250 byte (a surrogate
// pair counts as one character), or an empty string: what a refusal names.
QString firstUnrepresentable(QStringView text);

} // namespace cp1250
