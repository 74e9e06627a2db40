#pragma once

#include "ui/FieldLink.h"
#include "ui/LockableComboBox.h"

#include <QPointer>

// A lookup list: the items are the list source's listField values in natural
// order. It shows the record's value, or nothing when no item matches, and
// keeps the list table on the first record whose listField equals the value
// (letter case counting); with no match the list table stays where it is.
// Picking an item writes it into the field.
class DbLookupCombo : public LockableComboBox
{
    Q_OBJECT

public:
    explicit DbLookupCombo(QWidget* parent = nullptr);
    ~DbLookupCombo() override;
    void bind(DataSource* source, const QString& field, DataSource* listSource, const QString& listField);
    const FieldLink& link() const { return m_link; }
    // Moves the list table to the record's value, as described above.
    void positionList();

private:
    void fillItems();
    void showRecord(); // shows the value and positions the list table
    void showValue();
    void picked(int index);

    FieldLink m_link;
    QPointer<DataSource> m_listSource;
    QString m_listField;
    bool m_showing = false;
};
