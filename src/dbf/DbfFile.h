#pragma once

#include "config/FileSync.h"
#include "dbf/RecordStore.h"
#include "dbf/RollbackJournal.h"
#include "dbf/TableRepair.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class AppError;

// The bytes of one dBase table and its memo file: dBase III+ (0x03, 0x83),
// dBase IV/5 (0x8B) and level 7 (0x04, 0x8C). The table is held open and
// locked exclusively for as long as this object lives; its records are kept
// in memory and every change is written to the file (in a change, overwrites
// at its commit). Texts are code page 1250. Every error is an AppError whose text starts with the file name.
//
// Write order of an append, so that a program killed at any point leaves
// files that open again: a memo's blocks, then the memo header, then the
// record, then the table header (record count, date). sync() makes it
// durable. Everything that overwrites bytes already there (an edit, a
// deletion, a batch) is a change: its before-state goes to a rollback
// journal first (RollbackJournal.h), so that after a crash at any byte the
// next opening finds the table wholly as it was or wholly changed.
class DbfFile
{
public:
    // A field as every store describes it, and where the file keeps it.
    struct Field : RecordStore::Field
    {
        int offset = 0;           // of the field within a record, after the deletion flag
        int descriptorOffset = 0; // of its descriptor within the header
    };

    struct FieldSpec
    {
        QString name;
        char type;
        int width;
        int decimals = 0;
    };

    enum class MemoKind { None, DBase3, DBase4 };

    using Repair = TableRepair;

    ~DbfFile(); // an unfinished change is undone
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // ReadOnly takes a shared lock: it can read a table that no program is
    // writing, also from read-only media, and cannot write. ReadWrite first
    // mends what a crash left (a journal, bytes the count does not cover).
    // View takes no lock and cannot write: it reads a copy of the files in
    // memory (viewBytes()), so it works beside a program that holds the table
    // and changes no file.
    enum class Access { ReadWrite, ReadOnly, View };
    static std::unique_ptr<DbfFile> open(const QString& path, Access access = Access::ReadWrite);
    // The bytes of a table and its notes as they stand between two changes:
    // read again until two readings agree, with a change under way (or cut
    // short) undone in the copy from its journal, as the next opening for
    // writing would undo it on disk.
    struct Bytes
    {
        QByteArray table;
        QByteArray memo;
        bool hasMemo = false; // a notes file was found beside the table
        QString memoPath;
    };
    static Bytes viewBytes(const QString& path);
    // A table of these fields with no file and no records: it reads and
    // writes record images (a note's field holds what its caller puts
    // there) and refuses every change. Errors start with the name.
    static std::unique_ptr<DbfFile> layout(const QString& name, const std::vector<FieldSpec>& fields);
    // Makes the notes written so far durable, so that no record can reach
    // the disk before the note it points to.
    void syncMemo();
    // Writes a new empty table with version 0x8B (dBase IV, with a .dbt when
    // a memo field is present) and language driver 0xC8 (code page 1250).
    // Refuses to overwrite an existing table; a notes file without its table
    // is replaced only when it holds no note (what a create cut short left).
    // The notes file is written first and the table appears under its name
    // only whole.
    static void create(const QString& path, const std::vector<FieldSpec>& fields);
    // AppError when create() would refuse: the table exists, or a notes file
    // beside it holds notes.
    static void checkCreatable(const QString& path);

    const QString& path() const { return m_path; }
    quint8 version() const { return quint8(m_header.at(0)); }
    quint8 languageDriver() const { return quint8(m_header.at(29)); }
    const std::vector<Field>& fields() const { return m_fields; }
    int findField(const QString& name) const; // -1 when absent; letter case ignored
    int recordLength() const { return m_recordLength; }
    int headerLength() const { return m_headerLength; }
    int recordCount() const { return m_recordCount; }
    const QStringList& warnings() const { return m_warnings; }
    const std::vector<Repair>& repairs() const { return m_repairs; }

    // Records are numbered from 0 in natural order.
    const char* record(int number) const { return m_records.constData() + qsizetype(number) * m_recordLength; }
    bool isDeleted(int number) const { return record(number)[0] == '*'; }
    QByteArray blankRecord() const;
    // Re-reads header and records from the file.
    void reload();

    // Field values of a record image. Empty numbers read as 0, empty logicals
    // as false; text loses its trailing blanks. A memo is read from the .dbt.
    qint64 integerValue(const char* record, int field) const;
    QString textValue(const char* record, int field, int recordNumber = -1) const;
    bool logicalValue(const char* record, int field) const;
    bool isBlank(const char* record, int field) const;
    // A field of a record by its type: a number (empty: null; one that does
    // not read: its text), a logical (empty: null) or a text. AppError for a
    // note that cannot be read.
    QVariant value(int record, int field) const;
    // These fields of every record not deleted, in natural order.
    QList<QVariantList> storedRecords(const QList<int>& fields) const;
    quint32 memoBlock(const char* record, int field) const; // 0: no memo
    QString readMemo(quint32 block, int recordNumber = -1) const;

    // Encoding into a record image; a value that does not fit throws and
    // leaves the image as it was.
    void putInteger(QByteArray& record, int field, qint64 value) const;
    void putText(QByteArray& record, int field, const QString& value) const;
    void putLogical(QByteArray& record, int field, bool value) const;
    // Memo text goes to new blocks at the end of the .dbt; the record gets the
    // pointer. An empty text clears the pointer.
    void putMemo(QByteArray& record, int field, const QString& value);
    // A field's bytes from one image into another (a note: its pointer).
    void copyField(QByteArray& to, const char* from, int field) const;

    // Outside a change each of these is a change of its own.
    void writeRecord(int number, const QByteArray& record);
    void markDeleted(int number);
    // Fills autoincrement fields. Outside a change the record is made durable
    // before the header counts it; when that fails the record is not counted,
    // in memory or on disk.
    int appendRecord(QByteArray record);
    void sync();

    // A change: every write until commit() lands wholly or not at all. Notes
    // and records are appended as they come; overwrites of records that were
    // there wait in memory, and commit() journals their before-images once
    // and then writes them. When commit() fails the change is undone before
    // the error is thrown. rollback() undoes it: the files as before begin().
    // When undoing fails, the journal stays for the next opening and every
    // further change is refused.
    void begin();
    void commit();
    void rollback();
    // Undoes the change under way and throws the error that ended it (with
    // the reason when undoing failed too).
    [[noreturn]] void abandon(const AppError& cause);
    bool inChange() const { return bool(m_change); }
    // What went wrong after a change was already stored (its journal gone,
    // the folder not synced): the change stays, and this is told as a
    // warning. Each is handed out once.
    QStringList takeCommitWarnings() { return std::exchange(m_commitWarnings, {}); }

private:
    DbfFile();
    void readAll();
    void parseHeader(qint64 fileSize);
    void openMemo();
    void writeHeaderCounts();
    void syncFile(int fd, const QString& fileName, filesync::Kind kind);
    void recover();
    void moveUncountedTail();
    static int memoryFile(const QString& path, const QByteArray& bytes);
    void forgetAppend(int count, const QByteArray& header, const QByteArray& tail);
    void journalStart(std::vector<RollbackJournal::Image> records = {});
    void flush();
    void checkWritable() const;
    [[noreturn]] void fail(const QString& reason) const;
    [[noreturn]] void failMemo(const QString& reason) const;
    void writeAt(int fd, qint64 offset, const QByteArray& bytes, const QString& fileName);
    qint64 fileSize(int fd, const QString& fileName) const;

    QString m_path;
    QString m_memoPath;
    int m_fd = -1;
    bool m_noted = false; // a note of who holds the table lies beside it
    int m_memoFd = -1;
    QByteArray m_header;
    std::vector<Field> m_fields;
    int m_headerLength = 0;
    int m_recordLength = 0;
    int m_recordCount = 0;
    int m_headerRecordCount = 0;
    QByteArray m_records;
    MemoKind m_memoKind = MemoKind::None;
    int m_memoBlockSize = 512;
    qint64 m_memoSize = 0;
    qint64 m_uncounted = 0; // bytes after the counted records, a lone end mark aside
    QStringList m_warnings;
    QStringList m_commitWarnings;
    std::vector<Repair> m_repairs;
    bool m_dirty = false;
    bool m_memoDirty = false;
    Access m_access = Access::ReadWrite;
    struct Change;
    std::unique_ptr<Change> m_change;
    QString m_unrecovered; // why a failed undo left the table to the next opening
};
