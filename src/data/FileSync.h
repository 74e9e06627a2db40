#pragma once

#include <QString>

#include <functional>

// Every fsync and fdatasync of the tables, their backups and the card
// journal goes through here, so that a test can watch in which order the
// files become durable.
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

} // namespace filesync
