#include "dbf/DbfStore.h"

int RecordStore::findField(const QString& name) const
{
    const std::vector<Field>& all = fields();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

DbfStore::DbfStore(const QString& path, DbfFile::Access access) : m_file(DbfFile::open(path, access))
{
    readFields();
}

QList<TableRepair> DbfStore::repairs() const
{
    return QList<TableRepair>(m_file->repairs().begin(), m_file->repairs().end());
}

void DbfStore::reload()
{
    m_file->reload();
    readFields();
}

void DbfStore::readFields()
{
    m_fields.clear();
    for (const DbfFile::Field& f : m_file->fields())
        m_fields.push_back(f); // what every store tells of a field
}
