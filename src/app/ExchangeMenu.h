#pragma once

#include "data/TableExchange.h"
#include "i18n/TextSlots.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

namespace audit {
class TableWatch;
}
class MainWindowUi;
class Table;
class QWidget;

// The Edit menu's spreadsheet commands, "Export persons…" and "Import
// persons…", open to both roles as both may edit persons. Errors of the
// table layer are AppError for the window's handler boundary; the refused
// lines of an import are shown where the operator can copy them.
class ExchangeMenu : public QObject
{
    Q_OBJECT

public:
    // Asks the operator for a file: to write when saving, else to read.
    // An empty result means the operator cancelled.
    using FileChooser = std::function<QString(bool saving, const QString& caption, const QString& filter)>;

    ExchangeMenu(MainWindowUi& ui, Table& persons, Table& groups, const TextSlots& texts, QWidget* window);

    void setFileChooser(FileChooser chooser) { m_choose = std::move(chooser); }
    // The person numbers an import gives nobody: those of cards still in the field.
    void setHeldNumbers(std::function<QSet<qint64>()> held) { m_held = std::move(held); }
    // Each import and export goes into the audit; an import it cannot take is refused.
    void setAudit(audit::TableWatch* watch) { m_audit = watch; }
    // The two menu captions in the current language.
    void applyLanguage();
    void exportPersons();
    void importPersons();

private:
    // The import's preview: the questions a file raises, then what it stores.
    exchange::ImportChoices askImport(const exchange::ImportPlan& plan) const;

    MainWindowUi& m_ui;
    Table& m_persons;
    Table& m_groups;
    const TextSlots& m_texts;
    FileChooser m_choose;
    std::function<QSet<qint64>()> m_held;
    audit::TableWatch* m_audit = nullptr;
};
