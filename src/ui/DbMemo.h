#pragma once

#include "ui/FieldLink.h"

#include <QPlainTextEdit>

// A note bound to a memo field (FieldLink.h).
class DbMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DbMemo(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    FieldLink m_link;
    bool m_showing = false;
};
