#include "data/Table.h"

#include "config/AppError.h"
#include "dbf/RecordStore.h"

#include <exception>

// A table's batches: one change of its store (RecordStore::begin) from the
// outermost begin to the outermost end, committed or undone whole.

void Table::beginBatch()
{
    if (m_batch == 0 && m_store)
        m_store->begin();
    ++m_batch;
}

void Table::beginBatchWithin(Table& host)
{
    if (m_batch == 0 && m_store && host.m_store && host.m_store->inChange() && m_store->beginWithin(*host.m_store)) {
        ++m_batch;
        return;
    }
    beginBatch();
}

void Table::endBatch()
{
    if (m_batch == 0)
        return;
    if (--m_batch == 0 && m_store) {
        if (m_beforeCommit && !m_beforeCommit()) {
            undoBatch();
            return;
        }
        try {
            m_store->commit();
        } catch (const AppError&) {
            showUndone(); // a failed commit was undone
            if (m_batchEnded)
                m_batchEnded(false);
            throw;
        }
        if (m_batchEnded)
            m_batchEnded(true);
        rereadWhenFree();
    }
}

void Table::undoBatch()
{
    m_batch = 0;
    if (!m_store)
        return;
    QString failure;
    try {
        m_store->rollback();
    } catch (const AppError& e) {
        failure = e.message();
    }
    showUndone();
    if (m_batchEnded)
        m_batchEnded(false);
    rereadWhenFree();
    if (!failure.isEmpty())
        throw AppError(failure);
}

Table::Batch::Batch(Table& table, Table* within) : m_table(table), m_uncaught(std::uncaught_exceptions())
{
    if (within)
        m_table.beginBatchWithin(*within);
    else
        m_table.beginBatch();
}

Table::Batch::~Batch()
{
    if (m_ended)
        return;
    try {
        // An error on its way cut the batch short: what it did so far is
        // undone, so that it never lands half done.
        if (std::uncaught_exceptions() > m_uncaught)
            m_table.undoBatch();
        else
            m_table.endBatch();
    } catch (const AppError& e) {
        // Thrown from here it would end the program while another error
        // unwinds the stack; that error is the one the operator sees. With
        // none on its way the table's next change reports this one.
        if (std::uncaught_exceptions() == m_uncaught)
            m_table.m_deferredError = e.message();
    }
}

void Table::Batch::commit()
{
    m_ended = true;
    m_table.endBatch();
}

void Table::Batch::undo()
{
    m_ended = true;
    m_table.undoBatch();
}
