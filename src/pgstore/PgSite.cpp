#include "pgstore/PgSite.h"

#include "config/AppError.h"
#include "data/Table.h"

namespace pgsite {

std::optional<PgServer> configuredServer(const IniFile& ini)
{
    const QString driver = ini.readString(Section, QStringLiteral("Driver"), {});
    if (driver.isEmpty())
        return std::nullopt;
    if (driver.compare(Driver, Qt::CaseInsensitive) != 0)
        throw AppError(QStringLiteral("%1: the database driver \"%2\" is not known; the one there is: %3")
                           .arg(ini.path(), driver, Driver));
    PgServer server;
    server.host = ini.readString(Section, QStringLiteral("Host"), {});
    server.port = ini.readInteger(Section, QStringLiteral("Port"), server.port);
    server.name = ini.readString(Section, QStringLiteral("Name"), {});
    server.user = ini.readString(Section, QStringLiteral("User"), {});
    if (server.name.isEmpty())
        throw AppError(QStringLiteral("%1: section %2 names no database (key Name)").arg(ini.path(), Section));
    return server;
}

int copyRecords(Table& from, Table& to)
{
    if (to.rowCount() > 0)
        throw AppError(QStringLiteral("%1 holds records already and is left as it is").arg(to.fileName()));
    QList<int> positions;
    QList<int> targets;
    for (int position = 1; position <= to.fieldCount(); ++position) {
        const int source = from.fieldPosition(to.fieldName(position));
        if (source > 0) {
            positions.append(source);
            targets.append(position);
        }
    }
    const QList<QVariantList> records = from.storedRecords(positions);
    Table::Batch batch(to);
    for (const QVariantList& values : records) {
        to.insert();
        for (int k = 0; k < targets.size(); ++k) {
            const QVariant& value = values.at(k);
            if (value.isNull())
                continue;
            if (value.typeId() == QMetaType::Bool)
                to.setLogicalAt(targets[k], value.toBool());
            else
                to.setTextAt(targets[k], value.toString());
        }
        to.post();
    }
    batch.commit();
    return int(records.size());
}

} // namespace pgsite
