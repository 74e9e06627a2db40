#pragma once

#include "platform/Account.h"

#include <QString>
#include <QStringList>

#include <functional>

// A working folder several system accounts share. On Linux it is made by
// `pellaro-start --shared DIR GROUP`: set-group-ID, so every file made in it
// belongs to its group, and the program and the tool keep their new files
// writable by that group whatever umask the desktop gave them. On Windows a
// folder is shared by its own access rules (a share on a server), which
// files made in it inherit: nothing here changes them.
namespace shared {

// Whether the folder is set-group-ID, the mark of a shared working folder.
bool isShared(const QString& folder);

// In a shared folder, lets the files this process makes be read and written
// by the folder's group (the umask no longer masks the group's bits); other
// folders keep the umask as it is. Call before the first file is made.
void keepGroupAccess(const QString& folder);

// The mode of a new file that only its owner, or in a shared folder its
// owner and the folder's group, may read and write.
unsigned privateFileMode(const QString& folder);

// The account this process works as, from the system's own entry for the
// effective user (never from the environment).
inline QString accountName()
{
    return platform::accountName();
}

// What to tell the operator when this account may not open or write a file
// of the working folder: the file, the account, and the command that mends
// it. Empty when the file is not refused for want of permission (errno).
QString permissionAdvice(const QString& file, int error);

// Makes DIR (and the folders missing above it) a working folder the accounts
// of GROUP share, or mends one whose files lost the group's access: the
// folder set-group-ID and closed to others, every folder and file in it of
// the group and writable by it. It runs as root, so it follows no link: DIR
// and every folder above it must be real folders that only root (or the
// account running it) may change, else nothing is changed and an AppError
// says why; inside DIR every change is made on the file it opened and checked,
// never through a name a member could swap for a link meanwhile. Links inside
// are left pointing where they point (only their own group changes), and a
// file that has other names (hard links) is left alone and named in the
// returned notes. makeTables is called while the folder is still private,
// when nobody but root may yet write in it.
QStringList share(const QString& dir, const QString& group, const std::function<void(const QString&)>& makeTables);

} // namespace shared
