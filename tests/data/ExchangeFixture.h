#pragma once

// An installation made by the test: the three empty tables and a few groups.

#include "TestFiles.h"

#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QDir>
#include <QStringList>

namespace fixture {

inline void makeInstallation(const QString& dir, const QStringList& groupNames)
{
    TableLayouts::createAll(dir);
    Table groups;
    groups.open(QDir(dir).filePath(TableLayouts::GroupsFile));
    int id = 0;
    for (const QString& name : groupNames) {
        groups.insert();
        groups.setInteger(QStringLiteral("ID_GRUPY"), ++id);
        groups.setText(QStringLiteral("NAME"), name);
        groups.post();
    }
}

// Every file of the installation's tables, to see that nothing changed.
inline QList<QByteArray> tableBytes(const QString& dir)
{
    QList<QByteArray> all;
    for (const char* name : {"osoby.dbf", "osoby.dbt", "grupa.dbf", "grupa.dbt", "sprzet.dbf", "sprzet.dbt"})
        all.append(readFile(QDir(dir).filePath(QLatin1String(name))));
    return all;
}

} // namespace fixture
