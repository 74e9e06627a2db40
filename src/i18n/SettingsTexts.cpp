#include "i18n/AddedTexts.h"

namespace i18n {

std::span<const AddedText> settingsTexts()
{
    return {};
}

} // namespace i18n
