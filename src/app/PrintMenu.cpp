#include "app/PrintMenu.h"

#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "i18n/Text.h"
#include "pages/PrintSheets.h"
#include "state/ProgramState.h"
#include "ui/DbGrid.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"
#include "ui/PrintForm.h"
#include "ui/SheetPrinter.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>

namespace {

const QString DefaultFile = QStringLiteral("pellaro.pdf");
// The user role does not see the system number; its print does not either.
const QString HiddenSystemNumber = QStringLiteral("********");

} // namespace

PrintMenu::PrintMenu(MainWindowUi& ui, Table& persons, Table& groups, Table& readers, const ProgramState& state,
                     QWidget* window)
    : QObject(window), m_ui(ui), m_persons(persons), m_groups(groups), m_readers(readers), m_state(state)
{
    setObjectName(QStringLiteral("PrintMenu"));
    m_ui.Edycja1->addSeparator();
    m_action = m_ui.Edycja1->addAction(QStringLiteral("Drukuj…"));
    m_action->setObjectName(QStringLiteral("Print1"));
    m_form = new PrintForm(window);
    m_choose = [window](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(window, caption, QDir::current().filePath(DefaultFile), filter);
    };
    m_printers = [] { return QPrinterInfo::availablePrinterNames(); };
    m_choosePrinter = [this](QPrinter& printer, const QString& caption) {
        QPrintDialog dialog(&printer, m_form);
        dialog.setWindowTitle(caption);
        return dialog.exec() == QDialog::Accepted;
    };
    auto guarded = [](std::function<void()> step) { return [step] { MessageBox::guarded(step); }; };
    connect(m_action, &QAction::triggered, this, guarded([this] { Print1Click(); }));
    connect(m_form->PrintToPdf, &QPushButton::clicked, this, guarded([this] { printToPdf(); }));
    connect(m_form->PrintToPrinter, &QPushButton::clicked, this, guarded([this] { printToPrinter(); }));
}

QString PrintMenu::text(int slot) const
{
    return m_state.TextSlots[slot];
}

void PrintMenu::applyLanguage()
{
    m_action->setText(text(Text::PrintMenu));
    m_form->setTexts(text(Text::PrintCaption), text(Text::PrintPersons), text(Text::PrintGroupSheet),
                     text(Text::PrintToPrinter), text(Text::PrintToPdf), text(Text::PrintCancel));
}

void PrintMenu::Print1Click()
{
    m_form->setGroups(printing::groupChoices(m_groups));
    m_other.reset();
    showChoices(true);
    m_form->show();
    m_form->raise();
}

PrintSheet PrintMenu::chosenSheet() const
{
    if (m_other)
        return *m_other;
    if (const std::optional<qint64> group = m_form->pickedGroup(); m_form->PrintGroup->isChecked() && group) {
        // The group picked, wherever it stands in the table now.
        const QString name = m_form->PrintGroupName->currentText();
        const int row = printing::groupRow(m_groups, *group, name);
        if (row < 0) {
            m_form->setGroups(printing::groupChoices(m_groups));
            throw AppError(text(Text::PrintGroupGone).arg(name));
        }
        return printing::accessSheet(m_groups, row, m_readers, m_state.TextSlots);
    }
    // The list in the order the persons grid shows.
    const TableModel* model = m_ui.DBGrid1->tableModel();
    const int column = model ? model->sortColumn() : -1;
    return printing::personsList(m_persons, m_state.TextSlots, column >= 0 ? model->fields().value(column) : QString(),
                                 model ? model->sortOrder() : Qt::AscendingOrder, m_ui.DBGrid1->sortLocale());
}

namespace {

PageHeader headerFor(const ProgramState& state, bool userRole, const QDate& today, const QByteArray& newestHash)
{
    return {state.TextSlots[Text::ProductName],
            state.TextSlots[Text::PrintSystemNumber].arg(userRole ? HiddenSystemNumber
                                                                  : QString::number(state.SystemNumber)),
            today.toString(Qt::ISODate), state.TextSlots[Text::PrintPage],
            // The audit trail as it stood when the list was printed: an
            // auditor can check later that the log still extends it.
            state.TextSlots[Text::AuditNewestHash].arg(QString::fromLatin1(newestHash))};
}

} // namespace

void PrintMenu::printOther(PrintSheet sheet)
{
    m_other = std::move(sheet);
    showChoices(false);
    m_form->show();
    m_form->raise();
}

void PrintMenu::showChoices(bool on)
{
    m_form->PrintPersons->setVisible(on);
    m_form->PrintGroup->setVisible(on);
    m_form->PrintGroupName->setVisible(on);
}

void PrintMenu::printToPdf()
{
    QString path = m_choose(text(Text::PrintCaption), text(Text::PdfFiles));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    const PrintSheet sheet = chosenSheet();
    int pages = 0;
    const QByteArray pdf = sheetPdf(sheet, headerFor(m_state, m_userRole, m_today(), m_audit ? m_audit->newestHash() : audit::Log().newestHash()), &pages);
    // Whole or not at all: a file left half-written would look like a print.
    QSaveFile file(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit())
        throw AppError(text(Text::PdfNotWritten).arg(name, file.errorString()));
    m_form->hide();
    MessageBox::show(text(Text::PdfWritten).arg(name).arg(pages), text(Text::PrintCaption));
}

void PrintMenu::printToPrinter()
{
    // Without a printer the system's print dialog has nothing to offer (on
    // Windows it closes as if cancelled): the operator hears why instead.
    if (m_printers().isEmpty())
        throw AppError(text(Text::NoPrinterInstalled).arg(text(Text::PrintToPdf)));
    QPrinter printer;
    if (!m_choosePrinter(printer, text(Text::PrintCaption)))
        return;
    const PrintSheet sheet = chosenSheet();
    if (printSheet(printer, sheet, headerFor(m_state, m_userRole, m_today(), m_audit ? m_audit->newestHash() : audit::Log().newestHash())) == 0)
        throw AppError(text(Text::PrinterNotStarted).arg(printer.printerName()));
    m_form->hide();
}
