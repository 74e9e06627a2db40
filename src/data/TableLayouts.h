#pragma once

#include "data/DbfFile.h"

#include <QString>

// The three tables of an installation and the fields they are made with when
// a new installation is set up. The program itself never creates a table.
namespace TableLayouts {

inline const QString PersonsFile = QStringLiteral("osoby.dbf");
inline const QString GroupsFile = QStringLiteral("grupa.dbf");
inline const QString ReadersFile = QStringLiteral("sprzet.dbf");

// What a person's GROUP holds after the group was removed; the same in every language.
inline const QString NoGroupMarker = QStringLiteral("Lack of assignment!");

constexpr int AccessFlagCount = 96;
constexpr int FirstAccessFlagPosition = 4; // P1 is the 4th field of grupa.dbf

std::vector<DbfFile::FieldSpec> personsFields();
std::vector<DbfFile::FieldSpec> groupsFields();
std::vector<DbfFile::FieldSpec> readersFields();

// Creates the three empty tables (dBase IV with memo files) in dir; refuses
// when any of them exists already.
void createAll(const QString& dir);

} // namespace TableLayouts
