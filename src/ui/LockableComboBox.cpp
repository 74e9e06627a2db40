#include "ui/LockableComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace {

bool isNavigationKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_F4 || key == Qt::Key_Space;
}

} // namespace

void LockableComboBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (lineEdit())
        lineEdit()->setReadOnly(readOnly);
}

void LockableComboBox::showPopup()
{
    if (!m_readOnly)
        QComboBox::showPopup();
}

void LockableComboBox::keyPressEvent(QKeyEvent* event)
{
    // Typing into a list with an edit box reaches that box, read-only too.
    const bool typing = !isEditable() && !event->text().isEmpty();
    if (m_readOnly && (isNavigationKey(event->key()) || typing)) {
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void LockableComboBox::wheelEvent(QWheelEvent* event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}
