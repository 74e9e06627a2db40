#include "data/TableLayouts.h"

#include "config/AppError.h"

#include <QDir>
#include <QFileInfo>

namespace TableLayouts {

namespace {

// Wide enough for any person number the cards can carry (40-bit identifier
// field, of which the person number takes the low part) and for long names.
constexpr int NumberWidth = 10;
constexpr int NameWidth = 40;
constexpr int DuplicateWidth = 3;
constexpr int ReaderNumberWidth = 3;
constexpr int RelayTimeWidth = 5;
constexpr int MemoWidth = 10;

} // namespace

std::vector<DbfFile::FieldSpec> personsFields()
{
    return {{PersonField::Number, 'N', NumberWidth},   {PersonField::FirstName, 'C', NameWidth},
            {PersonField::FamilyName, 'C', NameWidth}, {PersonField::Group, 'C', NameWidth},
            {PersonField::Index, 'N', DuplicateWidth}, {PersonField::Info, 'M', MemoWidth}};
}

std::vector<DbfFile::FieldSpec> groupsFields()
{
    std::vector<DbfFile::FieldSpec> fields{
        {GroupField::Id, 'N', NumberWidth}, {GroupField::Name, 'C', NameWidth}, {GroupField::Notes, 'M', MemoWidth}};
    for (int k = 1; k <= cards::ReaderCount; ++k)
        fields.push_back({QStringLiteral("P%1").arg(k), 'L', 1});
    return fields;
}

std::vector<DbfFile::FieldSpec> readersFields()
{
    return {{ReaderField::Number, 'N', ReaderNumberWidth},
            {ReaderField::Name, 'C', NameWidth},
            {ReaderField::Time, 'N', RelayTimeWidth},
            {ReaderField::Place, 'M', MemoWidth},
            {ReaderField::Prox, 'L', 1},
            {ReaderField::Emulation, 'L', 1}};
}

void createAll(const QString& dir)
{
    QDir d(dir);
    const QStringList names{PersonsFile, GroupsFile, ReadersFile};
    // Check all first so an existing installation is never half overwritten.
    for (const QString& name : names)
        DbfFile::checkCreatable(d.filePath(name));
    DbfFile::create(d.filePath(PersonsFile), personsFields());
    DbfFile::create(d.filePath(GroupsFile), groupsFields());
    DbfFile::create(d.filePath(ReadersFile), readersFields());
}

} // namespace TableLayouts
