#pragma once

#include <QString>

// How the file system compares names: Windows finds osoby.dbf under OSOBY.DBF,
// Linux takes them for two files.
namespace platform {

Qt::CaseSensitivity fileNameCase();

// Whether the two names (without folders) name the same file in one folder.
inline bool sameFileName(const QString& a, const QString& b)
{
    return a.compare(b, fileNameCase()) == 0;
}

} // namespace platform
