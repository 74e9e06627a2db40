#include "app/ExchangeMenu.h"

#include "audit/TableWatch.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "i18n/Text.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <memory>

namespace {

const QString DefaultFile = QStringLiteral("osoby.csv");
// The problems of a refused import listed in its message; the rest are counted.
constexpr qsizetype ProblemsShown = 20;

// The file's SHA-256, so an auditor can tell which version was imported.
QString fileHash(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

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
    if (m_audit)
        m_audit->record({QStringLiteral("export"), audit::tableFile(m_persons), {}, {},
                         {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())},
                          {QStringLiteral("rows"), QString::number(written)}}});
    MessageBox::show(m_texts[Text::PersonsExported] + QString::number(written), m_texts[Text::ExportCaption]);
}

void ExchangeMenu::importPersons()
{
    const QString path = m_choose(false, m_texts[Text::ImportCaption], m_texts[Text::SpreadsheetFiles]);
    if (path.isEmpty())
        return;
    QString refusal;
    if (m_audit && !m_audit->ready(&refusal)) {
        MessageBox::show(refusal, m_texts[Text::ImportCaption]);
        return;
    }
    const QString hash = fileHash(path);
    // The first row as it will be stored: a sheet whose columns are the
    // wrong way round is seen before it is imported.
    const exchange::ImportPreview preview = [this](int count, const QString& familyName, const QString& firstName) {
        const QString text = m_texts[Text::ImportPreview].arg(count).arg(familyName, firstName);
        return MessageBox::ask(text, m_texts[Text::ImportCaption],
                               {m_texts[Text::ImportAnswer], m_texts[Text::Cancel]}) == 0;
    };
    // One event for the whole import, not one a row: 65 535 synced lines
    // would cost more than the import itself.
    auto quiet = m_audit ? std::make_unique<audit::TableWatch::Quiet>(*m_audit) : nullptr;
    const exchange::ImportResult result =
        exchange::importPersonsFile(m_persons, m_groups, path, m_held ? m_held() : QSet<qint64>{}, preview);
    quiet.reset();
    if (result.cancelled)
        return;
    if (m_audit && result.added > 0)
        m_audit->record({QStringLiteral("import"), audit::tableFile(m_persons), {}, {},
                         {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())},
                          {QStringLiteral("sha256"), hash},
                          {QStringLiteral("rows added"), QString::number(result.added)}}});
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
