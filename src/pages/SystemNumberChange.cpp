#include "pages/SystemNumberChange.h"

#include "config/Settings.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

namespace pages {

bool confirmSystemNumberChange(const ProgramState& state, const QString& edit1Text)
{
    int stored = 0;
    if (!settings::SystemNumberToStore(edit1Text, &stored) || stored == state.SystemNumber)
        return true;
    const auto& texts = state.TextSlots;
    QString question = texts[Text::SystemNumberQuestion].arg(stored).arg(state.SystemNumber);
    int typed = 0;
    parseInteger(edit1Text, &typed);
    if (typed != stored)
        question =
            texts[Text::SystemNumberCorrected].arg(edit1Text.trimmed()).arg(stored) + QStringLiteral("\n\n") + question;
    return MessageBox::ask(question, texts[Text::SystemNumberQuestionCaption],
                           {texts[Text::AnswerYes], texts[Text::AnswerNo]}) == 0;
}

} // namespace pages
