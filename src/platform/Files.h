#pragma once

#include <QString>

// Opening, reading, writing, syncing, renaming and removing the program's
// files. A file is named by a descriptor (an int), as the C library and
// QFile::handle() give it on either system. Every call returns what the
// system call it stands for returns: 0 (or a count), or -1 with errno set to
// the C library's number for the error, so that callers test errno the same
// way on either system.
namespace platform {

enum class Access { Read, Write, ReadWrite };

enum class Create {
    Never,     // the file must exist (ENOENT otherwise)
    IfMissing, // made when missing, opened when there
    Truncate,  // made when missing, emptied when there
    New,       // made; EEXIST when there
};

// A descriptor of path, or -1. A file made here gets mode (less the umask)
// where the system has modes. The descriptor is never inherited by a child
// process, and another process may still rename or remove the file.
int openFile(const QString& path, Access access, Create create = Create::Never, unsigned mode = 0666);

// A descriptor of a folder, only to sync it (syncFull) and close it.
int openDirectory(const QString& path);

// A new file in memory, named for the system's listings only, read and
// written like a file and gone when closed.
int memoryFile(const QString& name);

// A new file beside the one named *path: its name is *path with a suffix
// nobody else has, written back to *path. Only its owner may read or write it.
int createUnique(QString* path);

int closeFile(int fd);

// Up to length bytes at offset (fewer where the file ends; 0 at its end).
qint64 readAt(int fd, qint64 offset, char* out, qint64 length);
// Up to length bytes at offset; the count written.
qint64 writeAt(int fd, qint64 offset, const char* bytes, qint64 length);
// Up to length bytes at the descriptor's position, which moves past them.
qint64 readNext(int fd, char* out, qint64 length);
qint64 writeNext(int fd, const char* bytes, qint64 length);

int truncateFile(int fd, qint64 size);
qint64 fileSize(int fd);

// The file's bytes on disk (syncData: those needed to read them back), or
// with syncFull its names and times too. On a folder's descriptor, syncFull
// makes the names in it durable.
int syncData(int fd);
int syncFull(int fd);

// Renames from to to, replacing a file to names; the new name is on disk
// when this returns where the system can promise that in the same call.
int replaceFile(const QString& from, const QString& to);
// The same rename, failing with EEXIST when to exists.
int renameNoReplace(const QString& from, const QString& to);
int removeFile(const QString& path);

// Whether this process may make files in the folder (0), or -1 with errno.
int mayCreateIn(const QString& folder);
// Whether this process may write the file (0), or -1 with errno.
int mayWrite(const QString& path);

// The bytes a user may still write into the folder's file system; -1 when
// unknown.
qint64 freeSpace(const QString& folder);

// The system's words for an error number (errno).
QString errorText(int error);

} // namespace platform
