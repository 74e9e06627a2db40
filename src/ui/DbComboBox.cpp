#include "ui/DbComboBox.h"

#include "data/Table.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

DbComboBox::DbComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    auto changed = [this] {
        if (m_showing || m_readOnly || !m_link.tableOpen())
            return;
        const QString typed = currentText();
        if (!m_link.startEdit()) {
            showRecord();
            return;
        }
        if (currentText() != typed) {
            m_showing = true;
            setEditText(typed);
            m_showing = false;
        }
        m_link.setModified(true);
    };
    connect(lineEdit(), &QLineEdit::textEdited, this, changed);
    connect(this, &QComboBox::activated, this, changed);
}

void DbComboBox::bind(DataSource* source, const QString& field)
{
    m_link.bind(
        this, source, field, [this] { showRecord(); }, [this] { writeBack(); });
}

void DbComboBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    lineEdit()->setReadOnly(readOnly);
}

void DbComboBox::showPopup()
{
    if (!m_readOnly)
        QComboBox::showPopup();
}

bool DbComboBox::isNavigationKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_F4 || key == Qt::Key_Space;
}

void DbComboBox::keyPressEvent(QKeyEvent* event)
{
    if (m_readOnly && isNavigationKey(event->key())) {
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbComboBox::wheelEvent(QWheelEvent* event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void DbComboBox::showRecord()
{
    m_showing = true;
    setEditText(m_link.text());
    m_showing = false;
}

void DbComboBox::writeBack()
{
    m_link.table()->setText(m_link.field(), currentText());
}
