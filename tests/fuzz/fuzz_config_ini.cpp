// config.ini on any bytes: every key the program reads, then one key written.
// Input: a byte choosing the key, a byte giving the value's length, the value
// (code page 1250), then the file. A write the file takes must read back
// exactly and leave every other key as it was; a refused one leaves the file
// byte for byte.

#include "FuzzSupport.h"

#include "config/Cp1250.h"
#include "config/IniFile.h"
#include "config/SyncCalls.h"

#include <QList>
#include <QStringList>

#include <utility>

namespace {

// The keys the program reads and writes.
const QList<std::pair<QString, QString>>& keys()
{
    static const QList<std::pair<QString, QString>> list{
        {QStringLiteral("PASSWORD"), QStringLiteral("sys_nr")},
        {QStringLiteral("PASSWORD"), QStringLiteral("sys_nr2")},
        {QStringLiteral("PASSWORD"), QStringLiteral("admin")},
        {QStringLiteral("PASSWORD"), QStringLiteral("admin2")},
        {QStringLiteral("COM_PORT"), QStringLiteral("PORT")},
        {QStringLiteral("COM_PORT"), QStringLiteral("COM1")},
        {QStringLiteral("Language"), QStringLiteral("Language")},
    };
    return list;
}

QStringList readAll(const IniFile& ini)
{
    QStringList values;
    for (const auto& [section, key] : keys()) {
        values << ini.readString(section, key, QStringLiteral("<none>"));
        ini.readInteger(section, key, -1);
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Durability is not what is fuzzed here; syncs only slow every run.
    syncCalls.syncFile = [](int) { return 0; };
    syncCalls.syncDirectory = [](int) { return 0; };
    fuzz::Input input(data, size);
    const qsizetype chosen = input.byte() % keys().size();
    const QString value = cp1250::decode(input.take(input.byte()));
    const QByteArray file = input.rest();
    fuzz::putFile(QStringLiteral("config.ini"), file);

    IniFile ini(fuzz::path(QStringLiteral("config.ini")));
    QStringList before = readAll(ini);
    const auto& [section, key] = keys()[chosen];
    QString error;
    if (!ini.writeString(section, key, value, &error)) {
        fuzz::check(fuzz::getFile(QStringLiteral("config.ini")) == file, "a refused write leaves the file");
        return 0;
    }
    fuzz::check(IniFile::checkValue(value).problem == IniFile::ValueProblem::None, "only a sound value is written");
    QStringList after = readAll(ini);
    fuzz::check(after[chosen] == value, "a value written reads back exactly");
    before.removeAt(chosen);
    after.removeAt(chosen);
    fuzz::check(after == before, "a write changes no other key");
    return 0;
}
