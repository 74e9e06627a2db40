#include "app/ExchangeMenu.h"

#include "data/TableExchange.h"
#include "i18n/Text.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

const QString DefaultFile = QStringLiteral("osoby.csv");
// The problems of a refused import listed in its message; the rest are counted.
constexpr qsizetype ProblemsShown = 20;

} // namespace

ExchangeMenu::ExchangeMenu(MainWindowUi& ui, Table& persons, Table& groups, const TextSlots& texts, QWidget* window)
    : QObject(window), m_ui(ui), m_persons(persons), m_groups(groups), m_texts(texts)
{
    setObjectName(QStringLiteral("ExchangeMenu"));
    m_choose = [window](bool saving, const QString& caption, const QString& filter) {
        const QString start = QDir::current().filePath(DefaultFile);
        return saving ? QFileDialog::getSaveFileName(window, caption, start, filter)
                      : QFileDialog::getOpenFileName(window, caption, QDir::currentPath(), filter);
    };
}

void ExchangeMenu::applyLanguage()
{
    m_ui.Eksportosb1->setText(m_texts[Text::ExportPersons]);
    m_ui.Importosb1->setText(m_texts[Text::ImportPersons]);
}

void ExchangeMenu::exportPersons()
{
    QString path = m_choose(true, m_texts[Text::ExportCaption], m_texts[Text::SpreadsheetFiles]);
    if (path.isEmpty())
        return;
    // The desktop's save dialog does not always add the extension of its filter.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    const int written = exchange::exportFile(m_persons, exchange::Kind::Persons, path);
    MessageBox::show(m_texts[Text::PersonsExported] + QString::number(written), m_texts[Text::ExportCaption]);
}

void ExchangeMenu::importPersons()
{
    const QString path = m_choose(false, m_texts[Text::ImportCaption], m_texts[Text::SpreadsheetFiles]);
    if (path.isEmpty())
        return;
    const exchange::ImportResult result =
        exchange::importPersonsFile(m_persons, m_groups, path, m_held ? m_held() : QSet<qint64>{});
    if (!result.problems.isEmpty()) {
        // The problems are read in the message itself, as many as a screen
        // holds; the whole list stays behind the details button to copy.
        const QList<csv::Problem> first = result.problems.first(qMin(ProblemsShown, result.problems.size()));
        QString text = m_texts[Text::ImportRefused] + QStringLiteral("\n\n") + exchange::problemText(first);
        if (result.problems.size() > first.size())
            text += u'\n' + m_texts[Text::ImportMoreProblems].arg(result.problems.size() - first.size());
        MessageBox::showDetails(text, m_texts[Text::ImportCaption], exchange::problemText(result.problems));
        return;
    }
    // Stored but not synced is still stored: an import repeated would add everyone twice.
    QString text = m_texts[Text::PersonsImported] + QString::number(result.added);
    for (const QString& warning : result.warnings)
        text += QStringLiteral("\n\n") + m_texts[Text::StoredNotSynced].arg(warning);
    MessageBox::show(text, m_texts[Text::ImportCaption]);
}
