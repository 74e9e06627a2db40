#pragma once

#include <QComboBox>

// A drop-down list that can be made read-only: it then neither opens nor
// changes by the wheel or by the keys that move through a list, and takes
// no typing.
class LockableComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_readOnly = false;
};
