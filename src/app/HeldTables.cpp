#include "app/HeldTables.h"

#include "config/DeskHold.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "i18n/LanguageLocale.h"
#include "i18n/Text.h"
#include "ui/ApplyLanguage.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QLocale>

#include <optional>

namespace {

// What the operator hears, in the language config.ini names: the settings
// are not read yet, as the tables did not open.
QString heldQuestion(const TableHeld& held, const TextSlots& texts)
{
    const QString file = QDir::toNativeSeparators(held.file());
    const std::optional<deskhold::Holder>& holder = held.holder();
    const QString who =
        holder ? texts[Text::DeskHeldBy].arg(file, holder->account, holder->computer,
                                             holder->since.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
               : texts[Text::DeskHeldUnknown].arg(file);
    return who + QStringLiteral("\n\n") + texts[Text::DeskOneAtATime];
}

} // namespace

bool startWhileHeld(const std::function<void()>& start)
{
    for (;;) {
        std::optional<TableHeld> held;
        const bool started = MessageBox::guarded([&] {
            try {
                start();
            } catch (const TableHeld& e) {
                held = e;
            }
        });
        if (!held)
            return started;
        const IniFile config(settings::FileName);
        TextSlots texts;
        SelectLanguageTable(
            config.readString(QStringLiteral("Language"), QStringLiteral("Language"), i18n::languageOfLocale(QLocale())),
            texts);
        if (MessageBox::ask(heldQuestion(*held, texts), texts[Text::DeskHeldCaption],
                            {texts[Text::RetryAnswer], texts[Text::QuitAnswer]}) != 0)
            return false;
    }
}
