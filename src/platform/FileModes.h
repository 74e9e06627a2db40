#pragma once

#include <QString>

// Who may read and write a file, in the permission bits of a POSIX mode
// (0777 and below). A system without such bits reports what it does have in
// them: a file with the read-only mark lacks every write bit.
namespace platform {

// Every bit a mode may hold; a file that is not there has them all.
inline constexpr unsigned AnyMode = 0777;

// The bits of an open file or of a named one: 0, or -1 with errno.
int modeOf(int fd, unsigned* mode);
int modeOf(const QString& path, unsigned* mode);

// The mode of a copy of a file with mode source that must not be readable
// or writable by more than limit allows: never wider than either.
inline constexpr unsigned narrowedMode(unsigned source, unsigned limit)
{
    return source & limit & AnyMode;
}

// Gives the open file the mode, as far as the system keeps one: 0, or -1.
int setMode(int fd, unsigned mode);

// Gives the open file the owner and group of the named one where this
// process may (a change it is not allowed is no error): 0, or -1 with errno.
int keepOwner(int fd, const QString& like);

// Whether the file's owner may not write it: what an operator means by
// marking a file read-only. False for a file that is not there.
bool markedReadOnly(const QString& path);

// Whether a file's owner and mode decide who may read and write it, and
// files keep every one of the bits (POSIX). On
// Windows its access rules (the Security tab of its Properties) decide, and
// the mode shows only the read-only mark.
bool accessByMode();

// Whether taking the read bits from a file keeps this process from reading
// it: only where the mode decides, and not for the superuser, who reads any
// file.
bool modeRefusesReading();

} // namespace platform
