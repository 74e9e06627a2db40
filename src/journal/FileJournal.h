#pragma once

#include "journal/JournalStore.h"

#include <functional>

// cards.log in the working directory. Each line is appended with one write
// and synced to disk before append() returns. A last line a crash cut short
// keeps what it has; the next event starts on a new line.
class FileJournal final : public JournalStore
{
public:
    explicit FileJournal(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }
    QString where() const override { return m_path; }
    QString name() const override;

    // Tests watch the sync and stand in for the free space (bytes).
    void setSyncHook(std::function<void()> hook) { m_syncHook = std::move(hook); }
    void setFreeSpace(std::function<qint64(const QString& folder)> probe) { m_freeSpace = std::move(probe); }

    // The file (or, while there is none, its folder) takes writes and its
    // file system has room for a line. No file is created.
    bool writable(QString* error) const override;
    bool append(const QByteArray& line, qint64* position, QString* error) override;
    bool readNew(JournalCursor& cursor, std::vector<JournalEvent>& events, QString* error) const override;

private:
    QString m_path;
    std::function<void()> m_syncHook;
    std::function<qint64(const QString&)> m_freeSpace;
};
