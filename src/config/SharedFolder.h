#pragma once

#include <QString>

// A working folder several system accounts share: made by
// `pellaro-start --shared DIR GROUP`, it is set-group-ID, so every file made
// in it belongs to its group, and the program and the tool keep their new
// files writable by that group whatever umask the desktop gave them.
namespace shared {

// The account this process acts as: the effective user's name in the
// system's account database (its number when it has none there), never a
// variable of the caller's environment.
QString accountName();

// Whether the folder is set-group-ID, the mark of a shared working folder.
bool isShared(const QString& folder);

// In a shared folder, lets the files this process makes be read and written
// by the folder's group (the umask no longer masks the group's bits); other
// folders keep the umask as it is. Call before the first file is made.
void keepGroupAccess(const QString& folder);

// The mode of a new file that only its owner, or in a shared folder its
// owner and the folder's group, may read and write.
unsigned privateFileMode(const QString& folder);

// What to tell the operator when this account may not open or write a file
// of the working folder: the file, the account, and the command that mends
// it. Empty when the file is not refused for want of permission (errno).
QString permissionAdvice(const QString& file, int error);

} // namespace shared
