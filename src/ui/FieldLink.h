#pragma once

#include "ui/DataSource.h"

#include <QPointer>
#include <QString>

#include <functional>

class Table;

// Controls bound to one field of a data source's current record. They show
// the current record whenever it changes (not while the table's display is
// suspended). Typing into a control that is not read-only puts the record in
// the editing state; the typed value is written into the record when it is
// posted, which happens before every move, refresh and insert. Errors from the
// table are shown in the standard error box.
//
// What every bound control keeps: its source, its field and whether the
// operator changed the value since the record was shown. It unhooks the
// control from the source when it goes, which is while the control's own
// members go and before its widget bases are torn down: no record change or
// write-back can reach a half-destroyed control.
class FieldLink
{
public:
    FieldLink() = default;
    ~FieldLink() { unbind(); }
    FieldLink(const FieldLink&) = delete;
    FieldLink& operator=(const FieldLink&) = delete;

    DataSource* source() const { return m_source; }
    Table* table() const;
    const QString& field() const { return m_field; }
    bool isBound() const { return m_source && !m_field.isEmpty(); }
    bool modified() const { return m_modified; }
    // Bound to a field of a table that is open.
    bool tableOpen() const;
    // The field's text of the current record; a field the table lacks or a
    // note that cannot be read gives an empty text, and *error says why.
    QString text(QString* error = nullptr) const;

    // Connects the source's signals to the control's show/writeBack.
    void bind(QObject* control, DataSource* source, const QString& field, std::function<void()> show,
              std::function<void()> writeBack);
    // Drops the connections and the write-back that bind made.
    void unbind();
    // Called when the operator changes the value; false when the record
    // could not be put into the editing state.
    bool startEdit();
    // The operator typed into a text control: the record goes into the
    // editing state. Starting an edit on an empty table inserts a record and
    // shows it blank, so what was typed is given back to putBack; when no edit
    // can start, the record is shown again.
    void typed(const std::function<QString()>& text, const std::function<void(const QString&)>& putBack);

private:
    QPointer<DataSource> m_source;
    QObject* m_control = nullptr;
    QString m_field;
    std::function<void()> m_show;
    bool m_modified = false;
};
