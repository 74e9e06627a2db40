#include "i18n/AddedTexts.h"

namespace i18n {

// Polish, English, Czech, Hungarian: the site's settings and passwords. No texts yet; the
// first one turns this into an array like the other lists.
std::span<const AddedText> siteSettingsTexts()
{
    return {};
}

} // namespace i18n
