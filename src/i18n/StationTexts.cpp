#include "i18n/AddedTexts.h"

namespace i18n {

// Polish, English, Czech, Hungarian: the enrolment station's refusals and list rows. No texts yet; the
// first one turns this into an array like the other lists.
std::span<const AddedText> stationTexts()
{
    return {};
}

} // namespace i18n
