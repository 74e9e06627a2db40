#include "i18n/AddedTexts.h"

namespace i18n {

// Polish, English, Czech, Hungarian: Windows: the port, the registry, the password hash, files and the installer. No texts yet; the first one turns
// this into an array like the other lists.
std::span<const AddedText> windowsTexts()
{
    return {};
}

} // namespace i18n
