#pragma once

#include "app/AuditTrailForm.h"
#include "audit/AuditLog.h"
#include "i18n/TextSlots.h"

#include <QObject>
#include <QPointer>

class MainWindowUi;
class QAction;

// Edit > "Audit trail…" (AuditTrail1), for the administrator only: opens the
// audit's window on the newest events.
class AuditMenu : public QObject
{
public:
    AuditMenu(MainWindowUi& ui, audit::Log& log, const TextSlots& texts, QWidget* window);

    void applyLanguage();
    void setAdministrator(bool administrator);
    void AuditTrail1Click();
    AuditTrailForm* form() const { return m_form; }

private:
    const TextSlots& m_texts;
    audit::Log& m_log;
    QWidget* m_window;
    QAction* m_action = nullptr;
    QPointer<AuditTrailForm> m_form;
};
