#pragma once

#include "ui/FieldLink.h"
#include "ui/LockableComboBox.h"

// A drop-down list that also takes typing; the typed or picked text is the
// field's value.
class DbComboBox : public LockableComboBox
{
    Q_OBJECT

public:
    explicit DbComboBox(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    FieldLink m_link;
    bool m_showing = false;
};
