#pragma once

#include "dbf/DbfFile.h"
#include "dbf/RecordStore.h"
#include "pgstore/PgConnection.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Where a desk finds the shared database. No password is kept here: libpq
// takes it from the PostgreSQL password file (~/.pgpass) or the server
// trusts the desk.
struct PgServer
{
    QString host; // a name, an address, or the folder of a unix socket
    int port = 5432;
    QString name; // the database
    QString user;
    QString password; // asked at login, never stored
    QString desk;     // names this desk in the rows it changes; the machine's name when empty
};

// The records of one table (persons, groups or readers) in a PostgreSQL
// database, through Qt's QPSQL driver, each store on a connection of its own.
// Each row carries a version counted up by every change: an overwrite or a
// removal is stored only while the row is still the version it was read at,
// otherwise it is refused with the desk that changed it, and nothing is
// overwritten. A change (a batch) is one server transaction: a batch cut
// short, also by a lost connection, leaves nothing stored.
class PgStore final : public RecordStore
{
public:
    enum class Kind { Persons, Groups, Readers };

    // Opens the table and reads its rows; AppError when the server cannot be
    // reached or the schema is missing or of another version.
    PgStore(const PgServer& server, Kind kind);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    // The schema's version, counted up with each change of the tables:
    // 2 added the card journal and the audit trail, 3 made each table's
    // number unique in it, checks texts by the program's own code-page table
    // and keeps the audit trail from being changed, 4 keeps the trail's head.
    static constexpr int SchemaVersion = 4;
    // Makes the three tables, the card journal and the audit trail, and the
    // schema version table; refuses a database that holds them already.
    static void createSchema(const PgServer& server);
    // The function a text column's check calls: whether a text has a byte in
    // code page 1250 for each of its characters, by the program's own table
    // of it (the server's WIN1250 conversion lacks the five bytes the code
    // page leaves undefined, which the table files may hold all the same).
    static QString codePageFunction();
    // The check of a text column (or expression) that may be NULL.
    static QString codePageCheck(const QString& column);
    // The statements that give the text columns of the three tables that check.
    static QStringList codePageChecks();
    // What a database of a version before 3 needs for its numbers to be
    // unique; run where no number is held twice (duplicateNumbers).
    static QStringList uniqueNumberStatements();
    // Each number held by more than one record of the kind's table, as
    // "NUMBER 8 (2 records)"; AppError when the table cannot be read.
    static QStringList duplicateNumbers(const QSqlDatabase& db, Kind kind);
    // The operator's refusal for a table holding numbers twice: the table,
    // the numbers and the command that shows their records.
    static QString duplicatesMessage(const PgServer& server, Kind kind, const QStringList& duplicates);

    QString name() const override { return m_name; }
    const std::vector<Field>& fields() const override { return m_fields; }
    QStringList warnings() const override { return {}; }
    QList<TableRepair> repairs() const override { return {}; }
    QStringList takeCommitWarnings() override { return {}; }

    int recordCount() const override { return int(m_rows.size()); }
    bool isDeleted(int record) const override { return m_rows[size_t(record)].image.at(0) == '*'; }
    const char* record(int record) const override { return m_rows[size_t(record)].image.constData(); }
    int recordLength() const override { return m_codec->recordLength(); }
    QByteArray blankRecord() const override { return m_codec->blankRecord(); }
    void reload() override;

    qint64 integerValue(const char* image, int field) const override;
    QString textValue(const char* image, int field, int recordNumber) const override;
    bool logicalValue(const char* image, int field) const override;
    bool isBlank(const char* image, int field) const override;
    QVariant value(int record, int field) const override;
    QList<QVariantList> storedRecords(const QList<int>& fields) const override;

    void putInteger(QByteArray& image, int field, qint64 value) const override;
    void putText(QByteArray& image, int field, const QString& value) const override;
    void putLogical(QByteArray& image, int field, bool value) const override;
    void putMemo(QByteArray& image, int field, const QString& value) override;
    void copyField(QByteArray& to, const char* from, int field) const override { m_codec->copyField(to, from, field); }

    void writeRecord(int record, const QByteArray& image) override;
    void markDeleted(int record) override;
    int appendRecord(const QByteArray& image) override;
    void syncNotes() override {}
    void sync() override {}

    void begin() override;
    void commit() override;
    void rollback() override;
    [[noreturn]] void abandon(const AppError& cause) override;
    bool inChange() const override { return m_inChange; }
    bool beginWithin(RecordStore& host) override;

    // The store's connection: lost ones are opened again on the next change
    // or reading; a change on a connection that went is refused, and nothing
    // of it is stored.
    PgConnection& connection() { return *m_link; }

    // Several desks (PgDesks.cpp). Every stored change is announced on the
    // table's channel when its transaction commits; the other desks' stores
    // listening there call their watcher.
    bool shared() const override { return true; }
    bool holdOtherAppends() override;
    void watchOtherDesks(std::function<void()> changed) override;
    bool changedElsewhere() override;
    // How the table stands on the server: its rows' count and the sums of
    // their versions and ids, which any stored change moves. Read by the
    // statement, elsewhere too (a probe off the window's thread), and given
    // back to noticeStamp(), which calls the watcher of other desks'
    // changes when the rows read here differ.
    struct Stamp
    {
        qint64 count = 0;
        qint64 versions = 0;
        qint64 ids = 0;
    };
    QString stampStatement() const;
    void noticeStamp(const Stamp& stamp);
    qint64 recordKey(int record) const override { return m_rows[size_t(record)].id; }
    qint64 recordVersion(int record) const override { return m_rows[size_t(record)].version; }
    int recordOfKey(qint64 key) const override;

private:
    struct Row
    {
        qint64 id = 0;
        qint64 version = 0;
        QByteArray image;
    };

    bool isNote(int field) const { return m_fields[size_t(field)].type == 'M'; }
    [[noreturn]] void fail(const QString& reason) const;
    [[noreturn]] void failChanged(const Row& row) const;
    QVariant sqlValue(const QByteArray& image, int field) const;
    void run(const QString& what, class QSqlQuery& query) const;
    void putStored(QByteArray& image, int field, const QVariant& value);
    void reconnectIfLost();
    // Before a change: a change whose commit was cut off is looked up
    // first. Stored after all, it is told and nothing more is done, so that
    // a change tried again is not stored twice.
    void settleUncertainCommit();
    // The connection statements run on: the host's while a guest of its change.
    QSqlDatabase db() const;
    PgConnection& link() const { return m_host ? *m_host->m_link : *m_link; }
    bool sameDatabase(const PgStore& other) const;
    // A guest's change ends with its host's: stored, or undone.
    void settle(bool stored);

    bool differsFrom(const Stamp& stamp) const;
    QString channel() const;
    // Tells the other desks of a change: at once outside a change, else at its commit.
    void announce();
    void announceNow();
    void listen();

    QString m_connection;
    std::unique_ptr<PgConnection> m_link;
    QString m_table;
    QString m_name;
    QString m_desk;
    std::unique_ptr<DbfFile> m_codec; // reads and writes the images
    std::vector<Field> m_fields;
    std::vector<Row> m_rows;
    std::vector<QString> m_notes{QString()}; // an image's note field holds an index here; 0: none
    bool m_inChange = false;
    std::vector<Row> m_before; // the rows when the change began
    bool m_announce = false;   // the change under way stored something
    qint64 m_uncertainXid = 0; // the server transaction of a change whose commit went unanswered
    std::function<void()> m_othersChanged;
    PgStore* m_host = nullptr;      // whose change this store's change is part of
    std::vector<PgStore*> m_guests; // stores whose changes are part of this one's
    bool m_guestUndone = false;     // a guest's part was undone: the change cannot be stored
};
