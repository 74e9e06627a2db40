#pragma once

#include "platform/Files.h"

#include <QString>

#include <functional>

// The calls that make a config.ini write durable, in one place so that a test
// can watch their order or make one fail. Each returns 0, or -1 with errno
// set, like the system call it stands for.
struct SyncCalls
{
    std::function<int(int fd)> syncFile = platform::syncFull; // the new content, before anything points to it
    std::function<int(const QString& from, const QString& to)> rename = platform::replaceFile;
    std::function<int(int fd)> syncDirectory = platform::syncFull; // the directory, after the rename
};

inline SyncCalls syncCalls;
