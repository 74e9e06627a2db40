#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One INI file, read one key at a time the way installations' config.ini
// files have always been read: section and key names match without regard to
// letter case, values are code-page-1250 text. A write touches only the lines
// of its keys (every other line, comment and blank line stays byte for byte)
// and creates the file and the sections as needed.
class IniFile
{
public:
    // Longest value a read returns; longer values are cut here.
    static constexpr int MaxValueLength = 2047;

    // Why a value would not come back from a read exactly as written.
    enum class ValueProblem { None, Character, LineBreak, TooLong, Blanks, Quotes };
    struct ValueCheck
    {
        ValueProblem problem = ValueProblem::None;
        QString character; // for Character: the first one code page 1250 lacks
    };

    // One key to set.
    struct Change
    {
        QString section;
        QString key;
        QString value;
    };

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // Whether the file is there and can be read. A file that is there but
    // cannot be read (permissions, a folder in its place) is told apart from a
    // missing one: only a missing file may give the defaults. *reason says why
    // it could not be read.
    enum class Presence { Missing, Readable, Unreadable };
    Presence presence(QString* reason = nullptr) const;

    // The value of section/key with surrounding blanks removed, and without
    // a matching pair of surrounding quotes, or defaultValue when the file,
    // the section or the key is missing.
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;

    // Decimal with an optional minus sign, or 0x followed by hexadecimal
    // digits; anything else (empty, letters, out of 32-bit range) gives
    // defaultValue.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    // Whether readString would give the value back exactly once written.
    static ValueCheck checkValue(QStringView value);

    // Applies the changes in order, in one write of the file: each replaces
    // its key's line, or adds the key at the end of its section, or adds the
    // section at the end of the file; every other byte stays. A value that
    // would not read back refuses the whole write. On failure *error says why
    // ("Unable to write to <path>" when the file cannot be written) and the
    // file is unchanged.
    bool write(const QList<Change>& changes, QString* error);
    bool writeString(const QString& section, const QString& key, const QString& value, QString* error);
    bool writeInteger(const QString& section, const QString& key, int value, QString* error);

private:
    QString m_path;
};

// The integer rule shared by the INI reads and the system-number box:
// returns false when the text is not an integer.
bool parseInteger(const QString& text, int* value);
