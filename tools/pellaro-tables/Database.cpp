// pellaro-tables db init|import|export: the shared database a working
// directory's config.ini names (section DATABASE).

#include "Database.h"

#include "config/AppError.h"
#include "config/Settings.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgSite.h"

#include <QDir>
#include <QTextStream>

namespace {

struct Kind
{
    PgStore::Kind kind;
    QString file;
};

std::vector<Kind> allKinds()
{
    return {{PgStore::Kind::Persons, TableLayouts::PersonsFile},
            {PgStore::Kind::Groups, TableLayouts::GroupsFile},
            {PgStore::Kind::Readers, TableLayouts::ReadersFile}};
}

PgServer serverOf(const QString& workDir)
{
    const IniFile ini(QDir(workDir).filePath(settings::FileName));
    const std::optional<PgServer> server = pgsite::configuredServer(ini);
    if (!server)
        throw AppError(QStringLiteral("%1 names no database (section %2)")
                           .arg(QDir::toNativeSeparators(ini.path()), pgsite::Section));
    return *server;
}

std::unique_ptr<Table> onServer(const PgServer& server, PgStore::Kind kind)
{
    auto table = std::make_unique<Table>();
    table->open(std::make_unique<PgStore>(server, kind));
    return table;
}

} // namespace

int databaseCommand(const QStringList& args, QTextStream& out)
{
    const QString command = args.value(0);
    const std::vector<Kind> kinds = allKinds();
    if (command == u"init" && args.size() == 2) {
        const PgServer server = serverOf(args[1]);
        if (pgjournals::upgradeSchema(server)) {
            out << "brought the tables in the database " << server.name << " on " << server.host
                << " up to version " << PgStore::SchemaVersion << "\n";
            return 0;
        }
        PgStore::createSchema(server);
        out << "made the tables in the database " << server.name << " on " << server.host << "\n";
        return 0;
    }
    if (command == u"import" && args.size() == 3) {
        const PgServer server = serverOf(args[1]);
        // Every table is looked at before the first is copied, so that a
        // database holding records is refused whole.
        std::vector<std::unique_ptr<Table>> targets;
        for (const Kind& k : kinds) {
            targets.push_back(onServer(server, k.kind));
            if (targets.back()->rowCount() > 0)
                throw AppError(
                    QStringLiteral("%1 holds records already; nothing was imported").arg(targets.back()->fileName()));
        }
        for (size_t i = 0; i < targets.size(); ++i) {
            Table source;
            source.openView(QDir(args[2]).filePath(kinds[i].file));
            const int count = pgsite::copyRecords(source, *targets[i]);
            out << "imported " << count << " records of " << kinds[i].file << "\n";
        }
        return 0;
    }
    if (command == u"export" && args.size() == 3) {
        const PgServer server = serverOf(args[1]);
        std::vector<std::unique_ptr<Table>> sources;
        for (const Kind& k : kinds)
            sources.push_back(onServer(server, k.kind));
        if (!QDir().mkpath(args[2]))
            throw AppError(QStringLiteral("%1: the folder cannot be made").arg(QDir::toNativeSeparators(args[2])));
        TableLayouts::createAll(args[2]);
        for (size_t i = 0; i < sources.size(); ++i) {
            Table target;
            target.open(QDir(args[2]).filePath(kinds[i].file));
            const int count = pgsite::copyRecords(*sources[i], target);
            target.close();
            out << "exported " << count << " records to " << kinds[i].file << "\n";
        }
        return 0;
    }
    return -1;
}
