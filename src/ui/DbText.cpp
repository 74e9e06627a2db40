#include "ui/DbText.h"

DbText::DbText(QWidget* parent) : QLabel(parent) {}

void DbText::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { setText(m_link.text()); }, {});
}
