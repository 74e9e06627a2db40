#pragma once

#include "ui/FieldLink.h"

#include <QComboBox>

// A drop-down list that also takes typing; the typed or picked text is the
// field's value.
class DbComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DbComboBox(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    const FieldLink& link() const { return m_link; }

    void showPopup() override;
    // Keys that open a drop-down list or move through it.
    static bool isNavigationKey(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void showRecord();
    void writeBack();

    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};
