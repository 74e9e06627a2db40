#include "app/AuditMenu.h"

#include "app/AuditTrailForm.h"
#include "audit/TableWatch.h"
#include "cards/CardNumber.h"
#include "data/JournalFormat.h"
#include "i18n/Text.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

AuditMenu::AuditMenu(MainWindowUi& ui, audit::TableWatch&, audit::Log& log, const TextSlots& texts, QWidget* window)
    : QObject(window), m_texts(texts), m_log(log), m_window(window)
{
    setObjectName(QStringLiteral("AuditMenu"));
    m_action = ui.Edycja1->addAction(QStringLiteral("Dziennik audytu…"));
    m_action->setObjectName(QStringLiteral("AuditTrail1"));
    m_action->setVisible(false);
    connect(m_action, &QAction::triggered, this, [this] { MessageBox::guarded([this] { AuditTrail1Click(); }); });
}

void AuditMenu::applyLanguage()
{
    m_action->setText(m_texts[Text::AuditTrailMenu]);
}

void AuditMenu::setAdministrator(bool administrator)
{
    m_action->setVisible(administrator);
}

void AuditMenu::AuditTrail1Click()
{
    if (!m_action->isVisible())
        return; // the user role has no audit trail
    if (!m_form)
        m_form = new AuditTrailForm(m_texts, m_window);
    m_form->reload(m_log.path());
    m_form->show();
    m_form->raise();
}

audit::Event AuditMenu::cardEvent(const CardJournal::Entry& entry, const QString& journalPath, qint64 offset)
{
    audit::Event e;
    e.action = entry.operation == journal::ProgramOperation  ? QStringLiteral("card written")
               : entry.operation == journal::RemoveOperation ? QStringLiteral("card withdrawn")
               : entry.operation == journal::ConfigOperation ? QStringLiteral("configuration card")
                                                             : QString();
    if (e.action.isEmpty())
        return e; // Find writes nothing
    e.table = QFileInfo(journalPath).fileName();
    e.record = QString::number(entry.personNumber);
    e.subject = entry.group;
    const auto id = cards::identifierOf(entry.systemCode, entry.personNumber, entry.duplicateIndex);
    e.details = {{QStringLiteral("card"), id ? cards::printedNumber(*id).decimal32 : QString()},
                 {QStringLiteral("duplicate"), QString::number(entry.duplicateIndex)},
                 {QStringLiteral("system"), QString::number(entry.systemCode)},
                 {QStringLiteral("cards.log offset"), QString::number(offset)}};
    return e;
}
