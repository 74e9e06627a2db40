#pragma once

#include "ui/FieldLink.h"

#include <QLabel>

// A label showing a field of the current record (FieldLink.h). A value wider
// than the label is drawn cut short with "…" and shown whole in its tooltip;
// text() is always the whole value.
class DbText : public QLabel
{
    Q_OBJECT

public:
    explicit DbText(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showValue(const QString& value);
    // The text as it fits the label's width.
    QString fitted() const;

    FieldLink m_link;
};
