#pragma once

#include "ui/FieldLink.h"

#include <QCheckBox>

// A read-only check box ignores clicks and keys but is painted as usual,
// not greyed.
class DbCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit DbCheckBox(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    const FieldLink& link() const { return m_link; }

protected:
    void nextCheckState() override;

private:
    void showRecord();

    FieldLink m_link;
    bool m_readOnly = false;
};
