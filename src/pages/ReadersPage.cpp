#include "pages/ReadersPage.h"

#include "cards/CardLimits.h"
#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "pages/GroupsPage.h"
#include "pages/NewNumbers.h"
#include "state/ProgramState.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbMemo.h"
#include "ui/EventHook.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace {

constexpr int NewReaderRelayTime = 2;

// The fixed text of a full readers table, the same in every language.
const QString ReadersFull = QStringLiteral("Maksymalny numer czytnika to 96.");

} // namespace

ReadersPage::ReadersPage(Table& readers, GroupsPage& groupsPage, MainWindowUi& ui, const ProgramState& state,
                         ProgrammerLink& link, CardJournal& journal, QObject* parent)
    : QObject(parent), m_readers(readers), m_groupsPage(groupsPage), m_ui(ui), m_state(state),
      m_mode(readers, ui.SpeedButton1, {ui.DBEdit3, ui.DBMemo3}, state,
             [this](bool editable) { setEditable(editable); }),
      m_cards(state, link, readers, journal)
{
    // Every post of a reader, whatever started it, is checked for a relay
    // time a card can carry.
    m_readers.setUpdateHook(this, [this] { checkRelayTimeOnPost(); });
    m_hookedTable = &m_readers;
    m_mode.setFieldLabel([this](const QString& field) {
        static const std::map<QString, Text::Id> labels{{ReaderField::Number, Text::ReaderNumberLabel},
                                                        {ReaderField::Name, Text::ReaderNameLabel},
                                                        {ReaderField::Time, Text::RelayTimeLabel},
                                                        {ReaderField::Place, Text::ReaderComments},
                                                        {ReaderField::Emulation, Text::ConfirmationOnRs232}};
        const auto label = labels.find(field.toUpper());
        return label == labels.end() ? QString() : m_state.TextSlots[label->second];
    });
    ui::onEvent(m_ui.DBComboBox1, QEvent::FocusOut, [this](QEvent*) {
        endTimeEdit();
        return false;
    });
}

ReadersPage::~ReadersPage()
{
    // The window may take its tables down before its pages.
    if (m_hookedTable)
        m_hookedTable->removeUpdateHook(this);
}

void ReadersPage::setEditable(bool editable)
{
    m_ui.Button6->setEnabled(editable);
    m_ui.Button8->setEnabled(editable);
    m_ui.DBEdit3->setReadOnly(!editable);
    m_mode.paint(m_ui.DBEdit3, editable);
    m_ui.DBComboBox1->setReadOnly(!editable);
    m_mode.paint(m_ui.DBComboBox1, editable);
    m_ui.DBMemo3->setReadOnly(!editable);
    m_mode.paint(m_ui.DBMemo3, editable);
    m_ui.DBCheckBox97->setReadOnly(!editable);
    m_ui.DBCheckBox98->setReadOnly(!editable);
}

void ReadersPage::SpeedButton2Click()
{
    endTimeEdit();
    m_mode.confirm();
    m_groupsPage.UpdateReaderHints();
}

void ReadersPage::Button6Click()
{
    postPending();
    const qint64 number = pages::addWithNumber(
        m_readers, ReaderField::Number,
        [this] {
            return pages::lowestFreeInteger(m_readers, ReaderField::Number, cards::MinReaderNumber,
                                            cards::MaxReaderNumber);
        },
        [this](qint64 number) {
            m_readers.setInteger(ReaderField::Time, NewReaderRelayTime);
            m_readers.setText(ReaderField::Name,
                              m_state.TextSlots[Text::ReaderWord] + QLatin1Char(' ') + QString::number(number));
            m_readers.setLogical(ReaderField::Prox, false);
            m_readers.setLogical(ReaderField::Emulation, false);
        });
    if (number == 0)
        MessageBox::show(ReadersFull, MessageBox::ErrorCaption);
}

void ReadersPage::Button8Click()
{
    const TextSlots& t = m_state.TextSlots;
    if (m_readers.isEmpty()) {
        MessageBox::show(t[Text::NoReaderShown], t[Text::ReaderDelete]);
        return;
    }
    const QString name = m_readers.asText(ReaderField::Name);
    const QString number = QString::number(m_readers.asInteger(ReaderField::Number));
    // The answer acts on the reader asked about, or on nothing.
    const Table::NamedRecord named = m_readers.named();
    if (MessageBox::ask(t[Text::DeleteReader].arg(name, number), t[Text::ReaderDelete],
                        {t[Text::ReaderDelete], t[Text::Cancel]}) != 0)
        return;
    if (!pages::onNamed(m_readers, named, QStringLiteral("\"%1\" (%2)").arg(name, number), t[Text::ReaderDelete], t,
                        [this] { m_readers.remove(); }))
        return;
    postPending();
}

void ReadersPage::DBComboBox1Click()
{
    endTimeEdit();
    postPending();
}

bool ReadersPage::DBComboBox1KeyPress(const QKeyEvent& event)
{
    // Digits and the editing keys (Backspace, Enter, Escape, Tab, the arrows)
    // pass; a relay time is a whole number of seconds.
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    const QChar c = text.front();
    if ((c >= u'0' && c <= u'9') || c.unicode() < 0x20 || c.unicode() == 0x7F)
        return false;
    QApplication::beep();
    return true;
}

void ReadersPage::DBComboBox1KeyUp()
{
    if (!m_ui.DBComboBox1->link().modified())
        return;
    if (m_ui.DBComboBox1->currentText().trimmed().isEmpty())
        return; // the operator is still typing the number
    if (m_timeEditRow < 0 || m_timeEditRow != m_readers.currentRow()) {
        // Each key stores what the box holds; the first one of a run still
        // finds the time from before it.
        m_timeEditRow = m_readers.currentRow();
        m_timeEditStart = m_readers.valueAt(m_timeEditRow, m_readers.fieldPosition(ReaderField::Time)).toString();
    }
    QString why;
    if (!relayTimeAcceptable(&why)) {
        // The time from before the run is stored again, and shows.
        postPending();
        MessageBox::show(why, m_state.TextSlots[Text::PageErrorCaption]);
        return;
    }
    postPending();
}

QString ReadersPage::timeBeforeEdit() const
{
    const int row = m_readers.currentRow();
    if (row < 0)
        return {};
    if (row == m_timeEditRow)
        return m_timeEditStart;
    return m_readers.valueAt(row, m_readers.fieldPosition(ReaderField::Time)).toString();
}

bool ReadersPage::relayTimeAcceptable(QString* why)
{
    DbComboBox* box = m_ui.DBComboBox1;
    if (!box->link().modified())
        return true;
    bool number = false;
    const int seconds = box->currentText().trimmed().toInt(&number);
    if (number && seconds >= cards::MinRelayTime && seconds <= cards::MaxRelayTime)
        return true;
    // Not part of a refused time stays: the time from before the typing
    // began is put back, and the box shows it.
    const QString stored = timeBeforeEdit();
    endTimeEdit();
    box->setEditText(stored);
    if (m_readers.state() != Table::State::Browsing)
        m_readers.setText(ReaderField::Time, stored);
    *why = m_state.TextSlots[Text::RelayTimeOutOfRange];
    return false;
}

void ReadersPage::checkRelayTimeOnPost()
{
    QString why;
    if (!relayTimeAcceptable(&why))
        throw AppError(why);
}
