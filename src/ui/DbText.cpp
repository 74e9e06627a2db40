#include "ui/DbText.h"

DbText::DbText(QWidget* parent) : QLabel(parent) {}

void DbText::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbText::showRecord()
{
    setText(m_link.text());
}
