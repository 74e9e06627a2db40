#pragma once

#include <QByteArray>
#include <QString>

// One INI file read and written one key at a time, the way installations'
// config.ini files have always been handled: section and key names match
// without regard to letter case, a write touches only the line of its key
// (every other line, comment and blank line stays byte for byte), the file
// and the section are created on first write, values are code-page-1250 text.
class IniFile
{
public:
    // Longest value a read returns; longer values are cut here.
    static constexpr int MaxValueLength = 2047;

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // The value of section/key with surrounding blanks removed, or
    // defaultValue when the file, the section or the key is missing.
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;

    // Decimal with an optional minus sign, or 0x followed by hexadecimal
    // digits; anything else (empty, letters, out of 32-bit range) gives
    // defaultValue.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    // Replaces the key's line, or adds the key at the end of its section, or
    // adds the section at the end of the file. On failure *error holds
    // "Unable to write to <path>" and the file is unchanged.
    bool writeString(const QString& section, const QString& key, const QString& value, QString* error);
    bool writeInteger(const QString& section, const QString& key, int value, QString* error);

private:
    QString m_path;
};

// The integer rule shared by the INI reads and the system-number box:
// returns false when the text is not an integer.
bool parseInteger(const QString& text, int* value);
