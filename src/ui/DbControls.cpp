#include "ui/DbControls.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableModel.h"
#include "ui/DataSource.h"
#include "ui/MessageBox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace {

using MessageBox::guarded;

bool isOpenTable(const FieldLink& link)
{
    return link.isBound() && link.table() && link.table()->isOpen();
}

// The field's text of the current record; a field the table lacks or a note
// that cannot be read shows empty, and *error says why.
QString fieldText(const FieldLink& link, QString* error = nullptr)
{
    if (!isOpenTable(link))
        return {};
    try {
        return link.table()->asText(link.field());
    } catch (const AppError& e) {
        if (error)
            *error = e.message();
        return {};
    }
}

bool navigationKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_F4 || key == Qt::Key_Space;
}

} // namespace

// ---- FieldLink ----

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

bool FieldLink::startEdit()
{
    return m_source && m_source->beginEdit();
}

// ---- DbEdit ----

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (isReadOnly() || !isOpenTable(m_link))
            return;
        // Starting an edit on an empty table inserts a record and shows it
        // blank; what the operator typed is put back.
        const QString typed = text();
        const int cursor = cursorPosition();
        if (!m_link.startEdit()) {
            showRecord();
            return;
        }
        if (text() != typed) {
            setText(typed);
            setCursorPosition(cursor);
        }
        m_link.setModified(true);
    });
}

void DbEdit::bind(DataSource* source, const QString& field)
{
    m_link.bind(
        this, source, field, [this] { showRecord(); }, [this] { writeBack(); });
    if (isOpenTable(m_link)) {
        const int position = m_link.table()->fieldPosition(field);
        if (position > 0 && m_link.table()->fieldType(position) == u'C')
            setMaxLength(m_link.table()->fieldWidth(position));
    }
}

void DbEdit::showRecord()
{
    setText(fieldText(m_link));
    setCursorPosition(0);
}

void DbEdit::writeBack()
{
    m_link.table()->setText(m_link.field(), text());
}

// ---- DbMemo ----

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing || isReadOnly() || !isOpenTable(m_link))
            return;
        const QString typed = toPlainText();
        if (!m_link.startEdit()) {
            showRecord();
            return;
        }
        if (toPlainText() != typed) {
            m_showing = true;
            setPlainText(typed);
            moveCursor(QTextCursor::End);
            m_showing = false;
        }
        m_link.setModified(true);
    });
}

void DbMemo::bind(DataSource* source, const QString& field)
{
    m_link.bind(
        this, source, field, [this] { showRecord(); }, [this] { writeBack(); });
}

void DbMemo::showRecord()
{
    QString error;
    const QString text = fieldText(m_link, &error);
    m_showing = true;
    setPlainText(text);
    setPlaceholderText(error); // a damaged note says why it shows nothing
    m_showing = false;
}

void DbMemo::writeBack()
{
    // Notes are kept with the CR LF line ends dBase tools expect.
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    m_link.table()->setText(m_link.field(), text);
}

// ---- DbCheckBox ----

DbCheckBox::DbCheckBox(QWidget* parent) : QCheckBox(parent) {}

void DbCheckBox::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbCheckBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

void DbCheckBox::nextCheckState()
{
    if (m_readOnly)
        return;
    if (!isOpenTable(m_link)) {
        QCheckBox::nextCheckState();
        return;
    }
    const bool value = !isChecked();
    if (!m_link.startEdit())
        return;
    if (guarded([&] { m_link.table()->setLogical(m_link.field(), value); }))
        setChecked(value);
    else
        showRecord();
}

void DbCheckBox::showRecord()
{
    bool value = false;
    if (isOpenTable(m_link)) {
        try {
            value = m_link.table()->asLogical(m_link.field());
        } catch (const AppError&) {
            value = false; // a field the table lacks shows unticked
        }
    }
    setChecked(value);
}

// ---- DbComboBox ----

DbComboBox::DbComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    auto changed = [this] {
        if (m_showing || m_readOnly || !isOpenTable(m_link))
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

void DbComboBox::keyPressEvent(QKeyEvent* event)
{
    if (m_readOnly && navigationKey(event->key())) {
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
    setEditText(fieldText(m_link));
    m_showing = false;
}

void DbComboBox::writeBack()
{
    m_link.table()->setText(m_link.field(), currentText());
}

// ---- DbLookupCombo ----

DbLookupCombo::DbLookupCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DbLookupCombo::picked);
}

DbLookupCombo::~DbLookupCombo()
{
    // The list table's changes refill the items from members that go now.
    if (m_listSource && m_listSource->table())
        disconnect(m_listSource->table(), nullptr, this, nullptr);
}

void DbLookupCombo::bind(DataSource* source, const QString& field, DataSource* listSource, const QString& listField)
{
    if (m_listSource && m_listSource->table())
        disconnect(m_listSource->table(), nullptr, this, nullptr);
    m_listSource = listSource;
    m_listField = listField;
    if (listSource && listSource->table()) {
        Table* list = listSource->table();
        // A change in the list table only redraws the list: moving the list
        // table here would pull it away from the record being edited there.
        auto refill = [this] {
            fillItems();
            showValue();
        };
        connect(list, &Table::rowsReset, this, refill);
        connect(list, &Table::rowChanged, this, refill);
    }
    fillItems();
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbLookupCombo::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

void DbLookupCombo::showPopup()
{
    if (!m_readOnly)
        QComboBox::showPopup();
}

void DbLookupCombo::keyPressEvent(QKeyEvent* event)
{
    if (m_readOnly && (navigationKey(event->key()) || !event->text().isEmpty())) {
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbLookupCombo::wheelEvent(QWheelEvent* event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void DbLookupCombo::fillItems()
{
    QStringList items;
    Table* list = m_listSource ? m_listSource->table() : nullptr;
    if (list && list->isOpen()) {
        const int position = list->fieldPosition(m_listField);
        if (position > 0)
            for (int row = 0; row < list->rowCount(); ++row)
                items << list->valueAt(row, position).toString();
    }
    m_showing = true;
    clear();
    addItems(items);
    m_showing = false;
}

void DbLookupCombo::showRecord()
{
    showValue();
    positionList();
}

void DbLookupCombo::showValue()
{
    const QString value = fieldText(m_link);
    m_showing = true;
    setCurrentIndex(value.isEmpty() ? -1 : findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_showing = false;
}

void DbLookupCombo::positionList()
{
    Table* list = m_listSource ? m_listSource->table() : nullptr;
    if (!list || !list->isOpen() || !isOpenTable(m_link))
        return;
    const QString value = fieldText(m_link);
    if (value.isEmpty())
        return; // no group: the list table stays where it is
    guarded([&] { list->locate(m_listField, value, Qt::CaseSensitive); });
}

void DbLookupCombo::picked(int index)
{
    if (m_showing || m_readOnly || index < 0 || !isOpenTable(m_link))
        return;
    const QString value = itemText(index);
    if (!m_link.startEdit()) {
        showRecord();
        return;
    }
    if (guarded([&] { m_link.table()->setText(m_link.field(), value); })) {
        m_showing = true;
        setCurrentIndex(index);
        m_showing = false;
        positionList();
    } else {
        showRecord();
    }
}

// ---- DbText ----

DbText::DbText(QWidget* parent) : QLabel(parent) {}

void DbText::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbText::showRecord()
{
    setText(fieldText(m_link));
}

// ---- DbGrid ----

DbGrid::DbGrid(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

DbGrid::~DbGrid()
{
    // The model follows the table until it is deleted; it goes here, while
    // the grid is still whole, rather than among the view's children later.
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    if (QItemSelectionModel* selection = selectionModel())
        disconnect(selection, nullptr, this, nullptr);
    delete m_model;
    m_model = nullptr;
}

void DbGrid::bind(DataSource* source, const QList<Column>& columns)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    QStringList fields;
    for (const Column& c : columns)
        fields << c.field;
    TableModel* old = m_model;
    m_model = new TableModel(source->table(), fields, this);
    // A value the grid cannot read (a damaged note) shows empty; the
    // operator is told once, after the paint that met it.
    connect(m_model, &TableModel::readFailed, this,
            [](const QString& message) { MessageBox::show(message, MessageBox::ErrorCaption); });
    setModel(m_model);
    delete old;
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].width > 0)
            setColumnWidth(i, columns[i].width);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowPicked(current); });
    connect(source, &DataSource::recordChanged, this, &DbGrid::followTable);
    followTable();
}

void DbGrid::setColumnTitle(int column, const QString& title)
{
    if (m_model)
        m_model->setColumnTitle(column, title);
}

void DbGrid::followTable()
{
    Table* table = m_source ? m_source->table() : nullptr;
    if (!table || !m_model)
        return;
    m_following = true;
    const int row = table->currentRow();
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex index = m_model->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_following = false;
}

void DbGrid::rowPicked(const QModelIndex& current)
{
    if (m_following || !current.isValid() || !m_source || !m_source->table())
        return;
    Table* table = m_source->table();
    if (!guarded([&] { table->moveToRow(current.row()); }))
        followTable(); // the move failed: the selection goes back to the current record
}
