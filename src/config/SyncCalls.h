#pragma once

#include <cstdio>
#include <functional>
#include <unistd.h>

// The calls that make a config.ini write durable, in one place so that a test
// can watch their order or make one fail. Each returns 0, or -1 with errno
// set, like the system call it stands for.
struct SyncCalls
{
    std::function<int(int fd)> syncFile = ::fsync; // the new content, before anything points to it
    std::function<int(const char* from, const char* to)> rename = ::rename;
    std::function<int(int fd)> syncDirectory = ::fsync; // the directory, after the rename
};

inline SyncCalls syncCalls;
