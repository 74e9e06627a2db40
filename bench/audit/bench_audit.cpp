// Times the audit trail against its goals: an edit posted with and without
// its audit line (goal: under 5 ms added, median), an import of 65,535
// persons with and without its event (goal: under 20 % added), the check of
// a chain of 200,000 events (goal: under 1 s) and the Audit trail window
// opening on them (goal: under 0.5 s).
//   Usage: bench_audit DIR   (DIR is made and must not exist)

#include "../LargestInstallation.h"

#include "app/AuditTrailForm.h"
#include "audit/AuditLog.h"
#include "audit/TableWatch.h"
#include "data/TableExchange.h"
#include "i18n/LanguageTables.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>

using namespace bench;

namespace {

constexpr int Edits = 100;
constexpr int VerifiedEvents = 200000;
constexpr int Runs = 5;

QString makeDir(const QString& root, const QString& name)
{
    const QString dir = QDir(root).filePath(name);
    QDir().mkpath(dir);
    TableLayouts::createAll(dir);
    return dir;
}

void editPosts(const QString& root, const TextSlots& texts)
{
    const QString dir = makeDir(root, QStringLiteral("edits"));
    Table persons;
    persons.open(QDir(dir).filePath(TableLayouts::PersonsFile));
    {
        Table::Batch batch(persons);
        for (int n = 1; n <= 1000; ++n) {
            persons.insert();
            persons.setInteger("NUMBER", n);
            persons.setText("NAME", QStringLiteral("Kowalski"));
            persons.post();
        }
    }
    auto edits = [&](const QString& prefix) {
        std::vector<double> times;
        for (int i = 0; i < Edits; ++i) {
            persons.moveToRow(i);
            persons.edit();
            persons.setText("NAME", prefix + QString::number(i));
            times.push_back(timed([&] { persons.post(); }));
        }
        return times;
    };
    const std::vector<double> plain = edits(QStringLiteral("Nowak "));
    audit::Log log(QDir(dir).filePath(audit::FileName));
    audit::TableWatch watch(log, texts, {});
    watch.watch(persons);
    const std::vector<double> audited = edits(QStringLiteral("Mazur "));
    report(QStringLiteral("edit posted, no audit"), plain, 5);
    report(QStringLiteral("edit posted with its audit line"), audited, 5);
}

void import(const QString& root, const TextSlots& texts)
{
    const QString source = makeDir(root, QStringLiteral("source"));
    fillGroupsAndPersons(source, [](Table&, int) {}, [](int n) { return n % GroupCount + 1; });
    const QString csv = QDir(root).filePath(QStringLiteral("persons.csv"));
    {
        Table persons;
        persons.open(QDir(source).filePath(TableLayouts::PersonsFile));
        exchange::exportFile(persons, exchange::Kind::Persons, csv);
    }
    auto run = [&](const QString& name, bool withAudit) {
        const QString dir = QDir(root).filePath(name);
        QDir().mkpath(dir);
        TableLayouts::createAll(dir);
        for (const QString& file : {QStringLiteral("grupa.dbf"), QStringLiteral("grupa.dbt")}) {
            QFile::remove(QDir(dir).filePath(file));
            QFile::copy(QDir(source).filePath(file), QDir(dir).filePath(file));
        }
        Table persons, groups;
        persons.open(QDir(dir).filePath(TableLayouts::PersonsFile));
        groups.open(QDir(dir).filePath(TableLayouts::GroupsFile));
        audit::Log log(QDir(dir).filePath(audit::FileName));
        audit::TableWatch watch(log, texts, {});
        watch.watch(persons);
        return timed([&] {
            if (!withAudit) {
                audit::TableWatch::Quiet quiet(watch);
                exchange::importPersonsFile(persons, groups, csv);
                return;
            }
            // As the Import menu does it: ready, the file's hash, one event.
            QString message;
            watch.ready(&message);
            QFile file(csv);
            file.open(QIODevice::ReadOnly);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            hash.addData(&file);
            exchange::ImportResult result;
            {
                audit::TableWatch::Quiet quiet(watch);
                result = exchange::importPersonsFile(persons, groups, csv);
            }
            watch.record({QStringLiteral("import"), TableLayouts::PersonsFile, {}, {},
                          {{QStringLiteral("file"), csv},
                           {QStringLiteral("sha256"), QString::fromLatin1(hash.result().toHex())},
                           {QStringLiteral("rows added"), QString::number(result.added)}}});
        });
    };
    std::vector<double> plain, audited;
    for (int i = 0; i < 3; ++i) {
        plain.push_back(run(QStringLiteral("plain%1").arg(i), false));
        audited.push_back(run(QStringLiteral("audited%1").arg(i), true));
    }
    report(QStringLiteral("import of 65,535 persons, no audit"), plain, 0);
    report(QStringLiteral("import of 65,535 persons with its event"), audited, 0);
    std::sort(plain.begin(), plain.end());
    std::sort(audited.begin(), audited.end());
    out() << QStringLiteral("import: audit adds %1 % (median; goal under 20 %)\n")
                 .arg(100.0 * (audited[1] - plain[1]) / plain[1], 0, 'f', 1);
}

void chain(const QString& root, const TextSlots& texts)
{
    const QString dir = QDir(root).filePath(QStringLiteral("chain"));
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(audit::FileName);
    audit::Log log(path);
    log.setRole(QStringLiteral("administrator"));
    QList<audit::Event> events;
    QString error;
    for (int n = 1; n <= VerifiedEvents; ++n) {
        events.append({QStringLiteral("change"), TableLayouts::PersonsFile, QString::number(n % 65535 + 1),
                       QStringLiteral("%1 Kowalski Jan").arg(n % 65535 + 1),
                       {{QStringLiteral("NAME"), QStringLiteral("Nowak"), QStringLiteral("Kowalski"), true},
                        {QStringLiteral("GROUP"), QStringLiteral("Grupa 2"), QStringLiteral("Grupa 1"), true}}});
        if (events.size() == 10000) {
            log.append(events, &error);
            events.clear();
        }
    }
    out() << QStringLiteral("audit.log with %1 events: %2 MB\n")
                 .arg(VerifiedEvents)
                 .arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1);
    std::vector<double> verify, window;
    for (int i = 0; i < Runs; ++i) {
        verify.push_back(timed([&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            const audit::Verified v = audit::verify(file.readAll());
            if (v.events != VerifiedEvents)
                qFatal("the chain holds %lld events", v.events);
        }));
        window.push_back(timed([&] {
            AuditTrailForm form(texts, nullptr);
            form.reload(log);
            form.show();
            QCoreApplication::processEvents();
        }));
    }
    report(QStringLiteral("audit verify, 200,000 events (read + check)"), verify, 1000);
    report(QStringLiteral("Audit trail window opens on 200,000 events"), window, 500);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2 || QFileInfo::exists(QString::fromLocal8Bit(argv[1]))) {
        out() << "usage: bench_audit DIR (DIR is made and must not exist)\n";
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(root);
    TextSlots texts;
    i18n::copyLanguageTable(u"English", &texts);
    editPosts(root, texts);
    chain(root, texts);
    import(root, texts);
    return 0;
}
