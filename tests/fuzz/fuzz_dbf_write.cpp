// The dBase writer as the pages drive it: a run of inserts, edits, field
// values, posts and removals on the persons table, each byte of the input
// choosing the next step. A value the table takes must read back as given
// (texts without their trailing blanks), and what the table showed before it
// was closed is what it reads after it is opened again.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "config/FileSync.h"
#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QVariant>

namespace {

struct Template
{
    QByteArray table;
    QByteArray notes;
};

// The empty persons table, made once; each run starts from its bytes.
const Template& emptyPersons()
{
    static const Template t = [] {
        // Durability is not what is fuzzed here; syncs only slow every run.
        filesync::setFunction([](int, const QString&, filesync::Kind) { return 0; });
        TableLayouts::createAll(fuzz::folder());
        return Template{fuzz::getFile(TableLayouts::PersonsFile), fuzz::getFile(QStringLiteral("osoby.dbt"))};
    }();
    return t;
}

QString withoutTrailingBlanks(QString text)
{
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == QChar(0)))
        text.chop(1);
    return text;
}

QList<QVariantList> shown(const Table& table)
{
    QList<QVariantList> rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QVariantList values;
        for (int position = 1; position <= table.fieldCount(); ++position)
            values << table.valueAt(row, position);
        rows << values;
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Template& empty = emptyPersons();
    fuzz::putFile(TableLayouts::PersonsFile, empty.table);
    fuzz::putFile(QStringLiteral("osoby.dbt"), empty.notes);
    fuzz::Input input(data, size);
    const QString path = fuzz::path(TableLayouts::PersonsFile);
    Table table;
    table.open(path);
    const int fields = table.fieldCount();
    while (!input.atEnd()) {
        try {
            switch (input.byte() % 8) {
            case 0:
                table.insert();
                break;
            case 1:
                table.edit();
                break;
            case 2: {
                const int position = input.byte() % fields + 1;
                const QString value = cp1250::decode(input.take(input.byte() % 80));
                table.setTextAt(position, value);
                const QChar type = table.fieldType(position);
                if (type == u'M')
                    fuzz::check(table.textAt(position) == value, "a note reads back as it was set");
                else if (type == u'C')
                    fuzz::check(table.textAt(position) == withoutTrailingBlanks(value), "a text reads back as set");
                break;
            }
            case 3: {
                const int position = input.byte() % fields + 1;
                qint64 value = 0;
                for (int i = 0; i < 4; ++i)
                    value = value << 8 | input.byte();
                table.setIntegerAt(position, value - 0x80000000LL);
                break;
            }
            case 4:
                table.post();
                break;
            case 5:
                table.remove();
                break;
            case 6:
                table.cancel();
                break;
            default:
                input.byte() % 2 ? table.next() : table.prior();
                break;
            }
        } catch (const AppError&) {
            // Refused: the table says why and the run goes on.
        }
    }
    try {
        table.post();
    } catch (const AppError&) {
        table.cancel();
    }
    const QList<QVariantList> before = shown(table);
    table.close();
    table.open(path);
    fuzz::check(table.warnings().isEmpty(), "a table the program wrote opens without warnings");
    fuzz::check(shown(table) == before, "the table reads back as it was shown");
    return 0;
}
