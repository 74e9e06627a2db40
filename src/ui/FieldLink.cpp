#include "ui/FieldLink.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "ui/DataSource.h"

Table* FieldLink::table() const
{
    return m_source ? m_source->table() : nullptr;
}

void FieldLink::bind(QObject* control, DataSource* source, const QString& field, std::function<void()> show,
                     std::function<void()> writeBack)
{
    unbind();
    m_source = source;
    m_control = control;
    m_field = field;
    m_show = show;
    m_modified = false;
    if (!source)
        return;
    QObject::connect(source, &DataSource::recordChanged, control, [this, show] {
        m_modified = false;
        show();
    });
    if (writeBack) {
        source->addWriteBack(control, [this, writeBack] {
            if (!m_modified)
                return;
            writeBack();
            m_modified = false;
        });
        QObject::connect(control, &QObject::destroyed, source, [source, control] { source->removeWriteBack(control); });
    }
    show();
}

void FieldLink::unbind()
{
    if (m_source && m_control) {
        QObject::disconnect(m_source, nullptr, m_control, nullptr);
        m_source->removeWriteBack(m_control);
    }
    m_source = nullptr;
    m_control = nullptr;
}

bool FieldLink::tableOpen() const
{
    return isBound() && table() && table()->isOpen();
}

QString FieldLink::text(QString* error) const
{
    if (!tableOpen())
        return {};
    try {
        return table()->asText(m_field);
    } catch (const AppError& e) {
        if (error)
            *error = e.message();
        return {};
    }
}

bool FieldLink::startEdit()
{
    return m_source && m_source->beginEdit();
}

void FieldLink::typed(const std::function<QString()>& text, const std::function<void(const QString&)>& putBack)
{
    if (!tableOpen())
        return;
    const QString typed = text();
    if (!startEdit()) {
        m_show();
        return;
    }
    if (text() != typed)
        putBack(typed);
    m_modified = true;
}
