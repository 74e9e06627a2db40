#pragma once

#include "ui/FieldLink.h"

#include <QLineEdit>

// A line edit bound to a text or number field (FieldLink.h).
class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    FieldLink m_link;
};
