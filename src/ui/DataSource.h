#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

class Table;

// Connects one table to the controls bound to it. Controls follow
// recordChanged() to show the current record, and register a write-back
// that stores what the operator typed into the pending record before it is
// posted (before every move, refresh and insert).
class DataSource : public QObject
{
    Q_OBJECT

public:
    explicit DataSource(Table* table, QObject* parent = nullptr);
    ~DataSource() override;

    Table* table() const;

    // Puts the table into the editing state unless it is editing or
    // inserting already. Returns false (and shows the error) when that fails.
    bool beginEdit();

    void addWriteBack(const QObject* control, std::function<void()> writeBack);
    void removeWriteBack(const QObject* control);

signals:
    void recordChanged(); // show the current record (held back while the display is suspended)
    void stateChanged();

private:
    void writeBackAll();

    QPointer<Table> m_table;
    std::map<const QObject*, std::function<void()>> m_writeBacks;
};
