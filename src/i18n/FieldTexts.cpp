#include "i18n/AddedTexts.h"

namespace i18n {

std::span<const AddedText> fieldTexts()
{
    return {};
}

} // namespace i18n
