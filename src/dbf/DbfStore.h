#pragma once

#include "dbf/DbfFile.h"
#include "dbf/RecordStore.h"

#include <memory>

// The records of one dBase table and its notes file (DbfFile), held open and
// locked by this desk as the access asks.
class DbfStore final : public RecordStore
{
public:
    DbfStore(const QString& path, DbfFile::Access access);

    QString name() const override { return m_file->path(); }
    const std::vector<Field>& fields() const override { return m_fields; }
    QStringList warnings() const override { return m_file->warnings(); }
    QList<TableRepair> repairs() const override;
    QStringList takeCommitWarnings() override { return m_file->takeCommitWarnings(); }

    int recordCount() const override { return m_file->recordCount(); }
    bool isDeleted(int record) const override { return m_file->isDeleted(record); }
    const char* record(int record) const override { return m_file->record(record); }
    int recordLength() const override { return m_file->recordLength(); }
    QByteArray blankRecord() const override { return m_file->blankRecord(); }
    void reload() override;

    qint64 integerValue(const char* image, int field) const override { return m_file->integerValue(image, field); }
    QString textValue(const char* image, int field, int recordNumber) const override
    {
        return m_file->textValue(image, field, recordNumber);
    }
    bool logicalValue(const char* image, int field) const override { return m_file->logicalValue(image, field); }
    bool isBlank(const char* image, int field) const override { return m_file->isBlank(image, field); }
    QVariant value(int record, int field) const override { return m_file->value(record, field); }
    QList<QVariantList> storedRecords(const QList<int>& fields) const override
    {
        return m_file->storedRecords(fields);
    }

    void putInteger(QByteArray& image, int field, qint64 value) const override
    {
        m_file->putInteger(image, field, value);
    }
    void putText(QByteArray& image, int field, const QString& value) const override
    {
        m_file->putText(image, field, value);
    }
    void putLogical(QByteArray& image, int field, bool value) const override
    {
        m_file->putLogical(image, field, value);
    }
    void putMemo(QByteArray& image, int field, const QString& value) override { m_file->putMemo(image, field, value); }
    void copyField(QByteArray& to, const char* from, int field) const override { m_file->copyField(to, from, field); }

    void writeRecord(int record, const QByteArray& image) override { m_file->writeRecord(record, image); }
    void markDeleted(int record) override { m_file->markDeleted(record); }
    int appendRecord(const QByteArray& image) override { return m_file->appendRecord(image); }
    void syncNotes() override { m_file->syncMemo(); }
    void sync() override { m_file->sync(); }

    void begin() override { m_file->begin(); }
    void commit() override { m_file->commit(); }
    void rollback() override { m_file->rollback(); }
    [[noreturn]] void abandon(const AppError& cause) override { m_file->abandon(cause); }
    bool inChange() const override { return m_file->inChange(); }

private:
    void readFields();

    std::unique_ptr<DbfFile> m_file;
    std::vector<Field> m_fields;
};
