#pragma once

#include "ui/DataSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>

#include <functional>

class DataSource;
class Table;
class TableModel;

// Controls bound to one field of a data source's current record. They show
// the current record whenever it changes (not while the table's display is
// suspended). Typing into a control that is not read-only puts the record in
// the editing state; the typed value is written into the record when it is
// posted, which happens before every move, refresh and insert. Errors from the
// table are shown in the standard error box.

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

    // Connects the source's signals to the control's show/writeBack.
    void bind(QObject* control, DataSource* source, const QString& field, std::function<void()> show,
              std::function<void()> writeBack);
    // Drops the connections and the write-back that bind made.
    void unbind();
    // Called when the operator changes the value; false when the record
    // could not be put into the editing state.
    bool startEdit();
    void setModified(bool modified) { m_modified = modified; }

private:
    QPointer<DataSource> m_source;
    QObject* m_control = nullptr;
    QString m_field;
    bool m_modified = false;
};

class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    void showRecord();
    void writeBack();

    FieldLink m_link;
};

class DbMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DbMemo(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    void showRecord();
    void writeBack();

    FieldLink m_link;
    bool m_showing = false;
};

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

// A lookup list: the items are the list source's listField values in natural
// order. It shows the record's value, or nothing when no item matches, and
// keeps the list table on the first record whose listField equals the value
// (letter case counting); with no match the list table stays where it is.
// Picking an item writes it into the field.
class DbLookupCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit DbLookupCombo(QWidget* parent = nullptr);
    ~DbLookupCombo() override;
    void bind(DataSource* source, const QString& field, DataSource* listSource, const QString& listField);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    const FieldLink& link() const { return m_link; }
    // Moves the list table to the record's value, as described above.
    void positionList();

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void fillItems();
    void showRecord(); // shows the value and positions the list table
    void showValue();
    void picked(int index);

    FieldLink m_link;
    QPointer<DataSource> m_listSource;
    QString m_listField;
    bool m_readOnly = false;
    bool m_showing = false;
};

class DbText : public QLabel
{
    Q_OBJECT

public:
    explicit DbText(QWidget* parent = nullptr);
    void bind(DataSource* source, const QString& field);
    const FieldLink& link() const { return m_link; }

private:
    void showRecord();

    FieldLink m_link;
};

// A read-only record grid: the selected row is the current record, and
// clicking (or moving with the keys to) a row makes that record current.
class DbGrid : public QTableView
{
    Q_OBJECT

public:
    struct Column
    {
        QString field;
        int width = 0; // 0: the view's default
    };

    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;
    void bind(DataSource* source, const QList<Column>& columns);
    void setColumnTitle(int column, const QString& title);
    DataSource* source() const { return m_source; }
    TableModel* tableModel() const { return m_model; }

private:
    void followTable();
    void rowPicked(const QModelIndex& current);

    QPointer<DataSource> m_source;
    TableModel* m_model = nullptr;
    bool m_following = false;
};
