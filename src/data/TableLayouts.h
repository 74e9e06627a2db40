#pragma once

#include "cards/CardLimits.h"
#include "dbf/DbfFile.h"

#include <QString>

// The field names of the three tables, as the files carry them (matched
// without regard to letter case). SURNAME holds the first name and NAME the
// family name, as the screens caption them.
namespace PersonField {
inline const QString Number = QStringLiteral("NUMBER");
inline const QString FirstName = QStringLiteral("SURNAME");
inline const QString FamilyName = QStringLiteral("NAME");
inline const QString Group = QStringLiteral("GROUP");
inline const QString Index = QStringLiteral("INDEX");
inline const QString Info = QStringLiteral("INFO");
} // namespace PersonField

namespace GroupField {
inline const QString Id = QStringLiteral("ID_GRUPY");
inline const QString Name = QStringLiteral("NAME");
inline const QString Notes = QStringLiteral("NOTES");
} // namespace GroupField

namespace ReaderField {
inline const QString Number = QStringLiteral("ID_CZYT");
inline const QString Name = QStringLiteral("NAME");
inline const QString Time = QStringLiteral("TIME");
inline const QString Place = QStringLiteral("MIEJSCE");
inline const QString Prox = QStringLiteral("PROX");
inline const QString Emulation = QStringLiteral("EMULACJA");
} // namespace ReaderField

// The three tables of an installation and the fields they are made with when
// a new installation is set up. The program itself never creates a table.
namespace TableLayouts {

inline const QString PersonsFile = QStringLiteral("osoby.dbf");
inline const QString GroupsFile = QStringLiteral("grupa.dbf");
inline const QString ReadersFile = QStringLiteral("sprzet.dbf");

// What a person's GROUP holds after the group was removed; the same in every language.
inline const QString NoGroupMarker = QStringLiteral("Lack of assignment!");

// P1..P96, one flag per reader, from the 4th field of grupa.dbf on.
constexpr int FirstAccessFlagPosition = 4;

std::vector<DbfFile::FieldSpec> personsFields();
std::vector<DbfFile::FieldSpec> groupsFields();
std::vector<DbfFile::FieldSpec> readersFields();

// Creates the three empty tables (dBase IV with memo files) in dir; refuses
// when any of them exists already.
void createAll(const QString& dir);

} // namespace TableLayouts
