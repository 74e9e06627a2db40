#pragma once

#include <QString>

#include <array>

// The program's current texts, addressed by slot number. A language fills
// slots 0..103; the rest stay empty.
inline constexpr int TextSlotCount = 740;
using TextSlots = std::array<QString, TextSlotCount>;
