// The dBase reader on any bytes: a table file and its notes file. Input: four
// bytes (little-endian) giving the length of the .dbf part, then the .dbf
// bytes, then the .dbt bytes.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "dbf/DbfFile.h"
#include "dbf/TableCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    quint32 tableLength = 0;
    for (int i = 0; i < 4; ++i)
        tableLength |= quint32(input.byte()) << (8 * i);
    fuzz::putFile(QStringLiteral("t.dbf"), input.take(qsizetype(qMin<quint32>(tableLength, quint32(size)))));
    fuzz::putFile(QStringLiteral("t.dbt"), input.rest());

    const QString table = fuzz::path(QStringLiteral("t.dbf"));
    TableCheck::run(table);
    try {
        const auto file = DbfFile::open(table, DbfFile::Access::ReadOnly);
        const int fields = int(file->fields().size());
        for (int n = 0; n < file->recordCount(); ++n) {
            const char* record = file->record(n);
            for (int f = 0; f < fields; ++f) {
                // A damaged note or a value of the wrong kind is the table's
                // ordinary error for that record; the rest stays readable.
                try {
                    file->textValue(record, f, n);
                    file->isBlank(record, f);
                    if (file->fields()[size_t(f)].type == 'L')
                        file->logicalValue(record, f);
                    else if (file->fields()[size_t(f)].type != 'M')
                        file->integerValue(record, f);
                } catch (const AppError&) {
                }
            }
        }
    } catch (const AppError&) {
    }
    return 0;
}
