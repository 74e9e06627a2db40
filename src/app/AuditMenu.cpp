#include "app/AuditMenu.h"

#include "app/AuditTrailForm.h"
#include "audit/TableWatch.h"
#include "i18n/Text.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QMenu>

AuditMenu::AuditMenu(MainWindowUi& ui, audit::Log& log, const TextSlots& texts, QWidget* window)
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
    m_form->reload(m_log);
    if (!m_form->isVisible())
        m_form->fitScreen();
    m_form->show();
    m_form->raise();
}
