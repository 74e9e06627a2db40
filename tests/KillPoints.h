// Crashes an operation on purpose at one of its file steps, in this process,
// the same way on every system.
#pragma once

#include "config/FileSync.h"
#include "platform/Files.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>

// run() does an operation and ends it at one of its file steps as a kill or
// a power cut would, optionally after only the first bytes of a write reached
// the file. At that step the files are taken down as they are; every later
// step of the operation is refused, so it gives up, and once it has (its
// files closed) whatever it changed besides is put back as taken. The files
// are then whatever the crash left, for the test to reopen.
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
    const auto name = [](const QString& path) {
        return path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    };
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

namespace detail {

// The folders and files under a folder, by path relative to it; a folder's
// bytes are empty and it is marked by a trailing '/'.
using Tree = std::map<QString, QByteArray>;

inline QString folderOf(const QString& path)
{
    return QFileInfo(QDir::fromNativeSeparators(path)).absolutePath();
}

// The deepest folder that holds both.
inline QString commonFolder(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    QString common = a;
    while (!(b + u'/').startsWith(common + u'/') && common != QFileInfo(common).path())
        common = QFileInfo(common).path();
    return common;
}

inline bool within(const QString& path, const QString& folder)
{
    const QString absolute = QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath();
    return (absolute + u'/').startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

inline Tree take(const QString& root)
{
    Tree tree;
    const QDir base(root);
    for (QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo entry = it.nextFileInfo();
        const QString name = base.relativeFilePath(entry.filePath());
        if (entry.isDir()) {
            tree[name + u'/'];
            continue;
        }
        QFile file(entry.filePath());
        tree[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return tree;
}

// Puts the folders and files under root back as taken; what could not be
// put back, or empty.
inline QString putBack(const QString& root, const Tree& taken)
{
    QDir base(root);
    const Tree now = take(root);
    QStringList failed;
    // The deepest first, so that a folder is empty when it goes.
    for (auto it = now.rbegin(); it != now.rend(); ++it) {
        if (taken.count(it->first))
            continue;
        const bool folder = it->first.endsWith(u'/');
        if (!(folder ? base.rmdir(it->first) : base.remove(it->first)))
            failed << it->first;
    }
    for (const auto& [name, bytes] : taken) {
        const auto was = now.find(name);
        if (was != now.end() && was->second == bytes)
            continue;
        if (name.endsWith(u'/')) {
            if (!base.mkpath(name))
                failed << name;
            continue;
        }
        QFile file(base.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            failed << name;
    }
    return failed.join(QStringLiteral(", "));
}

} // namespace detail

// at: the step to die at, counted from 1; 0 lets the operation finish, which
// lists every step it takes. torn: how many bytes of that step, when it is a
// write, reach the file before the end (-1: none of it).
inline Outcome run(const std::function<void()>& operation, int at = 0, qint64 torn = -1)
{
    Outcome outcome;
    QString root;        // the folder of every step up to the crash
    detail::Tree crash;  // what was under it at the crash
    QString strayStep;   // a step after the crash outside root
    int count = 0;
    const filesync::Hook previous = filesync::setHook([&](const filesync::Step& step) {
        if (outcome.crashed) {
            for (const QString& path : {step.path, step.target})
                if (!path.isEmpty() && !detail::within(path, root) && strayStep.isEmpty())
                    strayStep = describe(step);
            errno = EIO;
            return -1;
        }
        outcome.steps << describe(step);
        for (const QString& path : {step.path, step.target})
            if (!path.isEmpty())
                root = detail::commonFolder(root, detail::folderOf(path));
        if (++count != at)
            return 0;
        if (step.kind == filesync::Step::Kind::Write && torn > 0)
            (void)platform::writeAt(step.fd, step.offset, step.bytes.data(), qMin<qint64>(torn, step.bytes.size()));
        outcome.crashed = true;
        crash = detail::take(root);
        errno = EIO;
        return -1;
    });
    try {
        operation();
    } catch (const std::exception& e) {
        outcome.error = QString::fromUtf8(e.what());
    } catch (...) {
        outcome.error = QStringLiteral("an exception of an unknown kind");
    }
    filesync::setHook(previous);
    if (!outcome.crashed)
        return outcome;
    // What it did after the crash never happened: a dead program does nothing.
    outcome.error.clear();
    const QString unmade = detail::putBack(root, crash);
    if (!strayStep.isEmpty() || !unmade.isEmpty()) {
        outcome.crashed = false;
        outcome.error = !strayStep.isEmpty()
                            ? QStringLiteral("after its crash it went on outside %1: %2").arg(root, strayStep)
                            : QStringLiteral("after its crash these could not be put back: %1").arg(unmade);
    }
    return outcome;
}

} // namespace killpoints
