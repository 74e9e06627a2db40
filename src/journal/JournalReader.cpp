#include "journal/JournalReader.h"

#include "cards/CardNumber.h"
#include "config/Cp1250.h"
#include "journal/FileJournal.h"

#include <cctype>
#include <charconv>

namespace {

// yyyy-MM-dd HH:mm:ss
bool readsAsTime(QByteArrayView t)
{
    static constexpr char Pattern[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != qsizetype(sizeof Pattern - 1))
        return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const bool digit = t[i] >= '0' && t[i] <= '9';
        if (Pattern[i] == 'd' ? !digit : t[i] != Pattern[i])
            return false;
    }
    return true;
}

bool readNumber(QByteArrayView text, qint64* value)
{
    if (text.isEmpty())
        return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value);
    return error == std::errc() && stop == end;
}

bool readHex(QByteArrayView text, QByteArray* bytes)
{
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    *bytes = QByteArray::fromHex(text.toByteArray());
    return true;
}

JournalEvent::Kind kindOf(QByteArrayView operation)
{
    const QByteArray program = journal::ProgramOperation.toLatin1();
    const QByteArray remove = journal::RemoveOperation.toLatin1();
    const QByteArray config = journal::ConfigOperation.toLatin1();
    if (operation == program)
        return JournalEvent::Kind::Program;
    if (operation == remove)
        return JournalEvent::Kind::RemovePermissions;
    if (operation == config)
        return JournalEvent::Kind::ConfigurationCard;
    return JournalEvent::Kind::Other;
}

constexpr int CardDataHexDigits = 32;

} // namespace

QString JournalEvent::field(int column) const
{
    qsizetype start = 0;
    for (int c = 0; c < column; ++c) {
        start = text.indexOf('\t', start);
        if (start < 0)
            return {};
        ++start;
    }
    const qsizetype end = text.indexOf('\t', start);
    return journal::cellText(cp1250::decode(QByteArrayView(text).sliced(start, (end < 0 ? text.size() : end) - start)));
}

std::optional<cards::Identifier> JournalEvent::identifier() const
{
    if (damaged())
        return std::nullopt;
    return cards::identifierOf(system, person, duplicate);
}

JournalEvent JournalReader::parseLine(QByteArrayView line, int lineNumber, bool oldLayout)
{
    JournalEvent e;
    e.line = lineNumber;
    e.text = line.toByteArray();
    QByteArrayView fields[journal::ColumnCount];
    int count = 0;
    for (qsizetype start = 0;;) {
        const qsizetype tab = line.indexOf('\t', start);
        if (count < journal::ColumnCount)
            fields[count] = line.sliced(start, (tab < 0 ? line.size() : tab) - start);
        ++count;
        if (tab < 0)
            break;
        start = tab + 1;
    }
    if (count != journal::ColumnCount && !(oldLayout && count == journal::OldColumnCount)) {
        e.problem = JournalEvent::Problem::FieldCount;
        return e;
    }
    e.kind = kindOf(fields[journal::Operation]);
    if (!readsAsTime(fields[journal::Time]) || !readNumber(fields[journal::Person], &e.person) ||
        !readNumber(fields[journal::System], &e.system) || !readNumber(fields[journal::Duplicate], &e.duplicate)) {
        e.problem = JournalEvent::Problem::Number;
        return e;
    }
    // A card written carries all of blocks 3..6; a Find has none.
    const QByteArrayView hex = fields[journal::Data];
    const bool written = e.kind != JournalEvent::Kind::Other;
    if ((written || !hex.isEmpty()) && (hex.size() != CardDataHexDigits || !readHex(hex, &e.data))) {
        e.problem = JournalEvent::Problem::Hex;
        e.data.clear();
        return e;
    }
    if (count == journal::ColumnCount)
        e.verification = journal::verificationOf(QString::fromLatin1(fields[journal::Verified]));
    return e;
}

std::vector<JournalEvent> JournalReader::parse(QByteArrayView bytes, int firstLine, bool* oldLayout)
{
    std::vector<JournalEvent> events;
    events.reserve(size_t(bytes.count('\n') + 1));
    int number = firstLine;
    for (qsizetype start = 0; start < bytes.size(); ++number) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = next;
        if (line.isEmpty())
            continue; // nothing was written on it
        if (number == 1 && line.startsWith(journal::HeaderStart.toLatin1())) {
            *oldLayout = line == journal::OldHeader.toLatin1();
            continue;
        }
        events.push_back(parseLine(line, number, *oldLayout));
    }
    return events;
}

JournalReader::JournalReader(QString path) : m_store(std::make_shared<FileJournal>(std::move(path))) {}

JournalReader::JournalReader(std::shared_ptr<const JournalStore> store) : m_store(std::move(store)) {}

QString JournalReader::path() const
{
    return m_store->where();
}

bool JournalReader::refresh(QString* error)
{
    return m_store->readNew(m_cursor, m_events, error);
}
