#pragma once

#include "i18n/Text.h"

#include <span>

namespace i18n {

// One text the program added to the original tables, in all four languages
// side by side (UTF-8 in the source; every character must have a
// code-page-1250 byte, like the original texts).
struct AddedText
{
    Text::Id slot;
    const char* polish;
    const char* english;
    const char* czech;
    const char* hungarian;
};

// The added texts, one list per part of the program.
std::span<const AddedText> settingsTexts();
std::span<const AddedText> pageTexts();
std::span<const AddedText> cardTexts();
std::span<const AddedText> exchangeTexts();
std::span<const AddedText> linkTexts();
std::span<const AddedText> fieldTexts();
std::span<const AddedText> deskTexts();
std::span<const AddedText> enrolTexts();
std::span<const AddedText> auditTexts();
std::span<const AddedText> startTexts();
std::span<const AddedText> databaseTexts();
std::span<const AddedText> journalTexts();
std::span<const AddedText> deskSharingTexts();
std::span<const AddedText> siteMoveTexts();
std::span<const AddedText> confirmTexts();
std::span<const AddedText> stationTexts();
std::span<const AddedText> numberTexts();
std::span<const AddedText> siteSettingsTexts();
std::span<const AddedText> trailTexts();
std::span<const AddedText> folderTexts();
std::span<const AddedText> newSiteTexts();
std::span<const AddedText> resultTexts();
std::span<const AddedText> deskHoldTexts();
std::span<const AddedText> windowsTexts();
std::span<const AddedText> trailHeadTexts();

} // namespace i18n
