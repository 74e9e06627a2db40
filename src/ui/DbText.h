#pragma once

#include "ui/FieldLink.h"

#include <QLabel>

// A label showing a field of the current record (FieldLink.h).
class DbText : public QLabel
{
    Q_OBJECT

public:
    explicit DbText(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    FieldLink m_link;
};
