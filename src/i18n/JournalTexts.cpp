#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. The card journal and the audit trail
// as the site's, written by several desks.
constexpr AddedText Texts[] = {
    {Text::JournalDesk, "Stanowisko", "Desk", "Pracoviště", "Munkaállomás"},
};

static_assert(Texts[0].slot >= 400 && Texts[std::size(Texts) - 1].slot <= 414);

} // namespace

std::span<const AddedText> journalTexts()
{
    return Texts;
}

} // namespace i18n
