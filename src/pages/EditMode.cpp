#include "pages/EditMode.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "dbf/RecordStore.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"
#include "ui/DbEdit.h"
#include "ui/DbMemo.h"
#include "ui/Look.h"
#include "ui/MessageBox.h"

#include <QPushButton>

EditMode::EditMode(Table& table, QPushButton* editButton, QList<QWidget*> typed, const ProgramState& state,
                   std::function<void(bool)> setEditable)
    : m_table(table), m_editButton(editButton), m_typed(std::move(typed)), m_state(state),
      m_setEditable(std::move(setEditable))
{
}

void EditMode::enter()
{
    m_setEditable(true);
}

void EditMode::confirm()
{
    try {
        postPending();
    } catch (const AppError&) {
        m_editButton->setChecked(true);
        throw;
    }
    m_setEditable(false);
}

void EditMode::postPending()
{
    checkTypedTexts();
    try {
        pages::postPending(m_table);
    } catch (const RecordChangedElsewhere& e) {
        askAfterConflict(e);
        throw AppError(QString()); // told: the step ends here
    }
}

// Another desk stored the record first: the operator sees who and what it
// holds now, field by field, and chooses. Keep editing (also the answer of
// Escape) leaves what was typed pending, now over the record as stored: the
// next post stores the fields this operator changed and nothing else, so no
// value the other desk stored is put back unasked; a field changed at both
// desks is listed with both values.
void EditMode::askAfterConflict(const RecordChangedElsewhere& conflict)
{
    const TextSlots& t = m_state.TextSlots;
    m_table.reread();
    if (conflict.removed() || m_table.state() == Table::State::Browsing) {
        MessageBox::show(t[Text::RemovedAtDesk], t[Text::ChangedAtDeskCaption]);
        return;
    }
    QStringList fields;
    for (const Table::Overtaken& field : m_table.overtaken()) {
        const QString line = fieldLine(field);
        if (!line.isEmpty())
            fields << QStringLiteral("  ") + line;
    }
    enum { Reload, KeepEditing };
    if (MessageBox::ask(t[Text::ChangedAtDeskFields].arg(conflict.desk(), fields.join(u'\n')),
                        t[Text::ChangedAtDeskCaption], {t[Text::ReloadAnswer], t[Text::KeepEditingAnswer]}) == Reload)
        m_table.cancel();
}

QString EditMode::fieldLine(const Table::Overtaken& field) const
{
    const TextSlots& t = m_state.TextSlots;
    const auto shown = [&t](const QVariant& value) {
        if (value.typeId() == QMetaType::Bool)
            return t[value.toBool() ? Text::ValueYes : Text::ValueNo];
        return value.toString().trimmed();
    };
    const QString name = m_table.fieldName(field.position);
    QString label = m_fieldLabel ? m_fieldLabel(name) : QString();
    if (label.isEmpty())
        label = name;
    if (!field.changedHere)
        return t[Text::FieldStoredValue].arg(label, shown(field.stored));
    if (field.pending == field.stored)
        return {}; // both desks stored the same
    return t[Text::FieldBothValues].arg(label, shown(field.pending), shown(field.stored));
}

void EditMode::checkTypedTexts() const
{
    for (QWidget* control : m_typed) {
        QString typed;
        if (auto* edit = qobject_cast<DbEdit*>(control); edit && edit->link().modified())
            typed = edit->text();
        else if (auto* memo = qobject_cast<DbMemo*>(control); memo && memo->link().modified())
            typed = memo->toPlainText();
        const QString character = cp1250::firstUnrepresentable(typed);
        if (!character.isEmpty())
            throw AppError(m_state.TextSlots[Text::UnstorableCharacter].arg(character));
    }
}

void EditMode::paint(QWidget* control, bool editable) const
{
    Look::paintControl(control, editable ? QColor() : Look::winColor(m_state.LockedColor));
}

namespace pages {

void postPending(Table& table)
{
    if (table.isOpen() && table.state() != Table::State::Browsing)
        table.post();
}

bool onNamed(Table& table, const Table::NamedRecord& named, const QString& what, const QString& caption,
             const TextSlots& texts, const std::function<void()>& act)
{
    try {
        table.returnTo(named);
        if (act)
            act();
        return true;
    } catch (const RecordChangedElsewhere& e) {
        MessageBox::show(texts[e.removed() ? Text::AskedRecordRemoved : Text::AskedRecordChanged].arg(what), caption);
    }
    // The operator looks at the records as they are stored now.
    MessageBox::guarded([&table] { table.reread(); });
    return false;
}

} // namespace pages
