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
    const exchange::ImportPreview preview = [this](const exchange::ImportPlan& plan) { return askImport(plan); };
    // One event for the whole import, not one a row: 65 535 synced lines
    // would cost more than the import itself.
    auto quiet = m_audit ? std::make_unique<audit::TableWatch::Quiet>(*m_audit) : nullptr;
    const exchange::ImportResult result =
        exchange::importPersonsFile(m_persons, m_groups, path, m_held ? m_held() : QSet<qint64>{}, preview);
    quiet.reset();
    if (result.cancelled)
        return;
    if (m_audit && result.added > 0) {
        QList<audit::Item> details{
            {QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())},
            {QStringLiteral("sha256"), hash},
            {QStringLiteral("rows added"), QString::number(result.added)}};
        if (result.skipped > 0)
            details.append({QStringLiteral("rows skipped"), QString::number(result.skipped)});
        if (!result.groupsCreated.isEmpty())
            details.append({QStringLiteral("groups created"), result.groupsCreated.join(QStringLiteral(", "))});
        m_audit->record({QStringLiteral("import"), audit::tableFile(m_persons), {}, {}, details});
    }
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
    if (!result.groupsCreated.isEmpty())
        text += u'\n' + m_texts[Text::GroupsCreated].arg(result.groupsCreated.join(QStringLiteral(", ")));
    if (result.skipped > 0)
        text += u'\n' + m_texts[Text::PersonsSkipped].arg(result.skipped);
    for (const QString& warning : result.warnings)
        text += QStringLiteral("\n\n") + m_texts[Text::StoredNotSynced].arg(warning);
    MessageBox::show(text, m_texts[Text::ImportCaption]);
}

exchange::ImportChoices ExchangeMenu::askImport(const exchange::ImportPlan& plan) const
{
    const QString caption = m_texts[Text::ImportCaption];
    exchange::ImportChoices choices;
    // Only a person can tell which reading is meant; the other one comes back here read that way.
    if (plan.bothReadings) {
        const int answer =
            MessageBox::ask(m_texts[Text::ImportReadings].arg(plan.utf8Reading, plan.windows1250Reading), caption,
                            {m_texts[Text::ReadingUtf8], m_texts[Text::ReadingWindows1250], m_texts[Text::Cancel]});
        if (answer != 0 && answer != 1)
            return choices;
        choices.encoding = answer == 0 ? csv::Encoding::Utf8 : csv::Encoding::Windows1250;
        if (*choices.encoding != plan.format.encoding)
            return choices;
    }
    const QString groups = plan.newGroups.join(QStringLiteral(", "));
    if (!plan.newGroups.isEmpty()) {
        const int answer = MessageBox::ask(
            m_texts[Text::ImportNewGroups].arg(groups), caption,
            {m_texts[Text::CreateGroupsAnswer], m_texts[Text::WithoutGroupAnswer], m_texts[Text::Cancel]});
        if (answer != 0 && answer != 1)
            return choices;
        choices.newGroups = answer == 0 ? exchange::NewGroups::Create : exchange::NewGroups::LeaveWithout;
    }
    if (plan.alreadyInTable > 0) {
        const int answer = MessageBox::ask(
            m_texts[Text::ImportAlreadyInTable].arg(plan.alreadyInTable).arg(plan.count), caption,
            {m_texts[Text::SkipExistingAnswer], m_texts[Text::ImportAgainAnswer], m_texts[Text::Cancel]});
        if (answer != 0 && answer != 1)
            return choices;
        choices.skipExisting = answer == 0;
    }
    // The first row as it will be stored: a sheet whose columns are the
    // wrong way round is seen before it is imported. What was read another
    // way than the export writes, and what is left out, is said with it.
    const int count = choices.skipExisting ? plan.count - plan.alreadyInTable : plan.count;
    QString text = m_texts[Text::ImportPreview].arg(count).arg(plan.familyName, plan.firstName);
    if (plan.format.separator != ',' || plan.format.encoding != csv::Encoding::Utf8) {
        const Text::Id separator = plan.format.separator == ';'    ? Text::SeparatorSemicolon
                                   : plan.format.separator == '\t' ? Text::SeparatorTab
                                                                   : Text::SeparatorComma;
        const Text::Id encoding =
            plan.format.encoding == csv::Encoding::Utf8 ? Text::ReadingUtf8 : Text::ReadingWindows1250;
        text += QStringLiteral("\n\n") + m_texts[Text::ImportReadAs].arg(m_texts[encoding], m_texts[separator]);
    }
    if (!plan.ignoredColumns.isEmpty())
        text += QStringLiteral("\n\n") +
                m_texts[Text::ImportIgnoredColumns].arg(plan.ignoredColumns.join(QStringLiteral(", ")));
    if (choices.newGroups == exchange::NewGroups::Create)
        text += QStringLiteral("\n\n") + m_texts[Text::ImportWillCreate].arg(groups);
    if (choices.skipExisting)
        text += QStringLiteral("\n\n") + m_texts[Text::ImportWillSkip].arg(plan.alreadyInTable);
    choices.proceed = MessageBox::ask(text, caption, {m_texts[Text::ImportAnswer], m_texts[Text::Cancel]}) == 0;
    return choices;
}
