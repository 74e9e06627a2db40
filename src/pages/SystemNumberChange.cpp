#include "pages/SystemNumberChange.h"

#include "config/Settings.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

namespace pages {

bool confirmSystemNumberChange(const ProgramState& state, const QString& edit1Text)
{
    int typed = 0;
    if (!parseInteger(edit1Text, &typed))
        return true; // the Save refuses the text itself
    const int stored = settings::SystemNumberToStore(typed);
    if (stored == state.SystemNumber)
        return true;
    const auto& texts = state.TextSlots;
    QString question = texts[Text::SystemNumberQuestion].arg(stored).arg(state.SystemNumber);
    if (typed != stored)
        question =
            texts[Text::SystemNumberCorrected].arg(edit1Text.trimmed()).arg(stored) + QStringLiteral("\n\n") + question;
    return MessageBox::ask(question, texts[Text::SystemNumberQuestionCaption],
                           {texts[Text::AnswerYes], texts[Text::AnswerNo]}) == 0;
}

} // namespace pages
