#pragma once

#include <QString>

// The sample installation of the demo and of the manual's pictures: four
// groups, five readers and seven persons, Polish names with every letter the
// tables must carry.
namespace demo {

// Fills the three empty tables in dir (made by TableLayouts::createAll).
// Errors are AppError.
void fill(const QString& dir);

} // namespace demo
