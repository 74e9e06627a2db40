#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The before-state of one change of a table, kept beside it (osoby.dbf ->
// osoby.jnl; other dBase tools ignore the file). It is on disk, synced, before
// the change overwrites a byte that was there before it, and removed when the
// change is durable: that removal is the commit. A crash in between leaves
// a journal that the next opening plays back, so the table is wholly as it
// was; a journal torn while it was written never had a byte overwritten
// after it, and is only removed.
//
// The journal is a row of parts, each with its own checksum: the first holds
// the sizes of the two files and the bytes that may change in place (the
// header, the end mark, the notes' next free block); the later ones the
// before-images of records, added before those records are written.
class RollbackJournal
{
public:
    struct Image
    {
        bool memo = false; // of the notes file, else of the table file
        qint64 offset = 0;
        QByteArray bytes;
    };

    // The table's descriptors, open for writing and locked.
    struct Files
    {
        int table = -1;
        QString tablePath;
        int memo = -1; // -1: no notes file
        QString memoPath;
    };

    enum class Found { None, Torn, Complete };

    explicit RollbackJournal(const QString& tablePath);
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    static QString pathFor(const QString& tablePath);
    bool started() const { return m_started; }

    // Creates the journal with its first part and makes it and its name
    // durable; memoSize is -1 for a table without notes.
    void start(qint64 tableSize, qint64 memoSize, const std::vector<Image>& images);
    // Adds the before-images of records and makes them durable.
    void add(const std::vector<Image>& images);
    // The change is durable: the journal goes, and its name with it. Once it
    // is gone the change stays, so a folder that then cannot be synced is
    // no failure: its reason is returned, else an empty text.
    QString remove();

    // What a crash left beside the table, without changing anything.
    static Found inspect(const QString& tablePath);
    // A complete journal is played back (images rewritten, files cut back to
    // their sizes, synced) and then removed, a torn one only removed.
    static Found playBack(const Files& files);
    // The same on copies in memory, for a look that changes no file: journal
    // holds the journal's bytes (empty: none), memo is null for a table
    // without notes. A journal that does not fit the files is damaged:
    // an AppError names journalPath and nothing is applied.
    static Found applyTo(const QByteArray& journal, QByteArray& table, QByteArray* memo, const QString& journalPath);

private:
    void append(const QByteArray& part);

    QString m_path;
    int m_fd = -1;
    bool m_started = false; // made, and not yet removed
    qint64 m_size = 0;
};
