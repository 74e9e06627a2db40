#pragma once

#include "ui/SheetPrinter.h"

#include "i18n/TextSlots.h"

#include <QDate>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

namespace audit {
class Log;
}
class MainWindowUi;
class PrintForm;
class QAction;
class QPagedPaintDevice;
class QPrinter;
class Table;
struct ProgramState;

// Edit > "Print…" (Print1), for both roles: the persons list or one group's
// access sheet, to a printer or a PDF file, each page headed with the
// installation's system number (hidden as in the settings box for the user
// role), the date and its number.
class PrintMenu : public QObject
{
    Q_OBJECT

public:
    // Asks for the PDF file to write; empty when the operator cancelled.
    using FileChooser = std::function<QString(const QString& caption, const QString& filter)>;
    // The printers the system offers, by name.
    using PrinterList = std::function<QStringList()>;
    // Lets the operator pick and set up one of them; false when cancelled.
    using PrinterChooser = std::function<bool(QPrinter& printer, const QString& caption)>;

    PrintMenu(MainWindowUi& ui, Table& persons, Table& groups, Table& readers, const ProgramState& state,
              QWidget* window);

    void setFileChooser(FileChooser chooser) { m_choose = std::move(chooser); }
    void setPrinterList(PrinterList printers) { m_printers = std::move(printers); }
    void setPrinterChooser(PrinterChooser chooser) { m_choosePrinter = std::move(chooser); }
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    void setUserRole(bool user) { m_userRole = user; }
    // The audit trail whose newest hash the printed lists carry (audit.log when none is set).
    void setAudit(const audit::Log* log) { m_audit = log; }
    // The menu item and the dialog in the current language.
    void applyLanguage();

    // Print1: shows the dialog (PrintForm) over the main window.
    void Print1Click();
    // The same dialog for a sheet made elsewhere (the enrolment station's
    // handover sheet): only where to print is chosen.
    void printOther(PrintSheet sheet);

private:
    PrintSheet chosenSheet() const;
    void showChoices(bool on);
    void printToPdf();
    void printToPrinter();
    QString text(int slot) const;

    MainWindowUi& m_ui;
    Table& m_persons;
    Table& m_groups;
    Table& m_readers;
    const ProgramState& m_state;
    QAction* m_action = nullptr;
    QPointer<PrintForm> m_form;
    FileChooser m_choose;
    PrinterList m_printers;
    PrinterChooser m_choosePrinter;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    bool m_userRole = false;
    const audit::Log* m_audit = nullptr;
    std::optional<PrintSheet> m_other; // printOther's sheet while its dialog is up
};
