#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// Every fsync and fdatasync of the tables, their backups and the card
// journal goes through here, so that a test can watch in which order the
// files become durable.
//
// So does every write, truncation, rename and removal of those files: a test
// can end the program at any of them as a kill or a power cut would (after a
// part of a write, for a torn one) and check what the next start finds.
namespace filesync {

enum class Kind { Data, Full }; // fdatasync, fsync

// Returns 0, or -1 with errno set, like the system calls.
using Function = std::function<int(int fd, const QString& path, Kind kind)>;

int sync(int fd, const QString& path, Kind kind);

// Makes the names in a directory durable (a new or renamed file), through
// sync(); 0, or -1 with errno set.
int syncDirectory(const QString& dir);

// Replaces the system calls (an empty function puts them back); returns the
// function that was in place.
Function setFunction(Function function);

// One change of a file, as the hook sees it before it is made.
struct Step
{
    enum class Kind { Write, Truncate, Rename, Remove };
    Kind kind;
    QString path;         // the file changed (the old name of a rename)
    QString target;       // the new name of a rename
    qint64 offset = 0;    // where a write starts; the new size of a truncation
    QByteArrayView bytes; // what a write puts there
    int fd = -1;          // of a write or truncation
};

// Called before every step. It may end the process there (having made part
// of the step itself, for a torn write), or return -1 with errno set to make
// the step fail; 0 lets it happen.
using Hook = std::function<int(const Step&)>;

// Installs a hook (an empty one removes it); returns the one that was in place.
Hook setHook(Hook hook);

// The steps, each 0 or -1 with errno set. write() writes every byte at
// offset (pwrite, repeated after a short write).
int write(int fd, const QString& path, qint64 offset, QByteArrayView bytes);
int truncate(int fd, const QString& path, qint64 size);
int rename(const QString& from, const QString& to);
// A rename that never replaces: fails with EEXIST when to exists. Where the
// file system cannot rename so, a link and an unlink do it.
int renameNoReplace(const QString& from, const QString& to);
int remove(const QString& path);

// The system's words for errno, as a failed step leaves it.
QString errnoText();

} // namespace filesync
