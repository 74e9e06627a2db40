#include "ui/DataSource.h"

#include "data/Table.h"
#include "ui/MessageBox.h"

DataSource::DataSource(Table* table, QObject* parent) : QObject(parent), m_table(table)
{
    connect(table, &Table::currentChanged, this, &DataSource::recordChanged);
    connect(table, &Table::stateChanged, this, &DataSource::stateChanged);
    table->setUpdateHook(this, [this] { writeBackAll(); });
}

DataSource::~DataSource()
{
    if (m_table)
        m_table->removeUpdateHook(this);
}

Table* DataSource::table() const
{
    return m_table;
}

bool DataSource::beginEdit()
{
    if (!m_table || !m_table->isOpen())
        return false;
    if (m_table->state() != Table::State::Browsing)
        return true;
    return MessageBox::guarded([this] { m_table->edit(); });
}

void DataSource::addWriteBack(const QObject* control, std::function<void()> writeBack)
{
    m_writeBacks[control] = std::move(writeBack);
}

void DataSource::removeWriteBack(const QObject* control)
{
    m_writeBacks.erase(control);
}

void DataSource::writeBackAll()
{
    // A copy: a write-back may show a record and so touch the registrations.
    const auto writeBacks = m_writeBacks;
    for (const auto& [control, writeBack] : writeBacks)
        writeBack();
}
