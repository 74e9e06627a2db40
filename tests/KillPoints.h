// Forks the test into a child that a file step ends: the executables that use
// this need Linux (their CMakeLists.txt says so).
#pragma once

#include "config/FileSync.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Crashes on purpose. run() does an operation in a child process that ends
// at once (_exit, as a kill or a power cut would) at one of its file steps,
// optionally after only the first bytes of a write reached the file. The
// files are then whatever the crash left, for the test to reopen.
namespace killpoints {

struct Outcome
{
    QStringList steps; // "write osoby.dbf", "rename osoby.dbt", ... up to and including the one it died at
    bool crashed = false;
    QString error; // what the operation threw, when it failed on its own
};

inline QString describe(const filesync::Step& step)
{
    using K = filesync::Step::Kind;
    const auto name = [](const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); };
    switch (step.kind) {
    case K::Write:
        return QStringLiteral("write %1").arg(name(step.path));
    case K::Truncate:
        return QStringLiteral("truncate %1").arg(name(step.path));
    case K::Rename:
        return QStringLiteral("rename %1 %2").arg(name(step.path), name(step.target));
    case K::Remove:
        return QStringLiteral("remove %1").arg(name(step.path));
    }
    return {};
}

// at: the step to die at, counted from 1; 0 lets the operation finish, which
// lists every step it takes. torn: how many bytes of that step, when it is a
// write, reach the file before the end (-1: none of it).
inline Outcome run(const std::function<void()>& operation, int at = 0, qint64 torn = -1)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {{}, false, QStringLiteral("no pipe")};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const int out = pipeFds[1];
        const auto say = [out](const QString& line) {
            const QByteArray bytes = line.toUtf8() + '\n';
            (void)!::write(out, bytes.constData(), size_t(bytes.size()));
        };
        int count = 0;
        filesync::setHook([&](const filesync::Step& step) {
            say(describe(step));
            if (++count != at)
                return 0;
            if (step.kind == filesync::Step::Kind::Write && torn > 0)
                (void)!::pwrite(step.fd, step.bytes.data(), size_t(qMin<qint64>(torn, step.bytes.size())),
                                off_t(step.offset));
            ::_exit(77);
        });
        try {
            operation();
        } catch (const std::exception& e) {
            say(QStringLiteral("!error %1").arg(QString::fromUtf8(e.what())));
        } catch (...) {
            say(QStringLiteral("!error"));
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray all;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            all.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Outcome outcome;
    outcome.crashed = WIFEXITED(status) && WEXITSTATUS(status) == 77;
    for (const QString& line : QString::fromUtf8(all).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u"!error"))
            outcome.error = line.mid(7);
        else
            outcome.steps << line;
    }
    return outcome;
}

} // namespace killpoints
