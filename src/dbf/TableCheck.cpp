#include "dbf/TableCheck.h"

#include "config/AppError.h"
#include "dbf/DbfFile.h"

#include <QDate>

namespace {

QString versionName(quint8 version)
{
    switch (version) {
    case 0x03:
        return QStringLiteral("dBase III+ without memo");
    case 0x83:
        return QStringLiteral("dBase III+ with memo");
    case 0x8B:
        return QStringLiteral("dBase IV with memo");
    case 0x04:
        return QStringLiteral("dBase level 7 without memo");
    case 0x8C:
        return QStringLiteral("dBase level 7 with memo");
    default:
        return QStringLiteral("unknown");
    }
}

QString checkField(const DbfFile& file, const char* record, int field, int number)
{
    const DbfFile::Field& f = file.fields()[size_t(field)];
    const char* p = record + f.offset;
    try {
        switch (f.type) {
        case 'N':
        case 'F':
            if (!file.isBlank(record, field))
                file.integerValue(record, field);
            break;
        case 'L':
            if (!QByteArrayView(" ?TtFfYyNn").contains(*p))
                return QStringLiteral("field %1 holds '%2', which is not a logical value")
                    .arg(f.name, QString::fromLatin1(p, 1));
            break;
        case 'D':
            if (!file.isBlank(record, field) &&
                !QDate::fromString(QString::fromLatin1(p, 8), QStringLiteral("yyyyMMdd")).isValid())
                return QStringLiteral("field %1 holds \"%2\", which is not a date")
                    .arg(f.name, QString::fromLatin1(p, 8));
            break;
        case 'M':
            file.textValue(record, field, number);
            break;
        default:
            break;
        }
    } catch (const AppError& e) {
        return e.message();
    }
    return {};
}

} // namespace

TableCheck TableCheck::run(const QString& path)
{
    constexpr int MaxProblems = 100;
    TableCheck result;
    std::unique_ptr<DbfFile> file;
    try {
        file = DbfFile::open(path, DbfFile::Access::ReadOnly);
    } catch (const AppError& e) {
        result.problems << e.message();
        return result;
    }
    result.problems << file->warnings();
    int deleted = 0;
    int more = 0;
    for (int r = 0; r < file->recordCount(); ++r) {
        const char* record = file->record(r);
        if (record[0] == '*') {
            ++deleted;
            continue;
        }
        QStringList found;
        if (record[0] != ' ')
            found << QStringLiteral("the deletion flag is 0x%1 instead of a blank or '*'")
                         .arg(quint8(record[0]), 2, 16, QLatin1Char('0'));
        for (int f = 0; f < int(file->fields().size()); ++f) {
            QString problem = checkField(*file, record, f, r);
            if (!problem.isEmpty())
                found << problem;
        }
        for (const QString& problem : found) {
            if (result.problems.size() < MaxProblems)
                result.problems << QStringLiteral("record %1: %2").arg(r + 1).arg(problem);
            else
                ++more;
        }
    }
    if (more > 0)
        result.problems << QStringLiteral("... and %1 more problems").arg(more);
    result.summary =
        QStringLiteral("%1 (version 0x%2), language driver 0x%3, %4 fields, %5 records of which %6 deleted")
            .arg(versionName(file->version()))
            .arg(file->version(), 2, 16, QLatin1Char('0'))
            .arg(file->languageDriver(), 2, 16, QLatin1Char('0'))
            .arg(file->fields().size())
            .arg(file->recordCount())
            .arg(deleted);
    return result;
}
