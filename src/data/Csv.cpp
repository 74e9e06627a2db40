#include "data/Csv.h"

#include "config/Cp1250.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <tuple>

// Our own reader: the CSV libraries Debian ships either work on fixed column
// counts or give no line numbers, and the format is small.

namespace csv {

namespace {

const QByteArray ByteOrderMark("\xEF\xBB\xBF");
// The bytes code page 1250 leaves undefined: a file that holds one is not
// Windows-1250 text.
const QByteArray Undefined1250("\x81\x83\x88\x90\x98");
// Enough records to tell the separator by.
constexpr int RecordsToDetect = 200;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

class Reader
{
public:
    Reader(const QByteArray& bytes, Format format, int maxRecords = -1)
        : m_data(bytes), m_format(format), m_maxRecords(maxRecords)
    {
        if (m_data.startsWith(ByteOrderMark))
            m_pos = ByteOrderMark.size();
    }

    Parsed run()
    {
        Parsed result;
        while (m_pos < m_data.size() && result.records.size() != m_maxRecords) {
            if (isLineEnd(m_data[m_pos])) { // a blank line
                skipLineEnd();
                continue;
            }
            const int startLine = m_line;
            Record record{startLine, {}};
            QString reason;
            if (readRecord(&record.fields, &reason)) {
                result.records.append(record);
            } else {
                result.problems.append({startLine, reason});
                skipRestOfLine();
            }
        }
        return result;
    }

private:
    bool readRecord(QStringList* fields, QString* reason)
    {
        for (;;) {
            QByteArray raw;
            if (!readField(&raw, reason))
                return false;
            QString text;
            if (!decode(raw, &text)) {
                *reason = QStringLiteral("field %1 is not %2 text")
                              .arg(fields->size() + 1)
                              .arg(m_format.encoding == Encoding::Utf8 ? "UTF-8" : "Windows-1250");
                return false;
            }
            fields->append(unguarded(text));
            if (m_pos >= m_data.size())
                return true;
            if (m_data[m_pos] == m_format.separator) {
                ++m_pos;
                continue;
            }
            skipLineEnd();
            return true;
        }
    }

    bool decode(const QByteArray& raw, QString* text) const
    {
        if (m_format.encoding == Encoding::Windows1250) {
            for (char c : Undefined1250)
                if (raw.contains(c))
                    return false;
            *text = cp1250::decode(raw);
            return true;
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        *text = utf8(raw);
        return !utf8.hasError();
    }

    bool isSeparator(char c) const { return c == m_format.separator; }

    // Leaves m_pos on the separator or line end after the field, or at the end.
    bool readField(QByteArray* out, QString* reason)
    {
        if (m_pos < m_data.size() && m_data[m_pos] == '"') {
            ++m_pos;
            for (;;) {
                if (m_pos >= m_data.size()) {
                    *reason = QStringLiteral("a quoted field that begins on this line is never closed");
                    return false;
                }
                const char c = m_data[m_pos++];
                if (c == '"') {
                    if (m_pos < m_data.size() && m_data[m_pos] == '"') {
                        out->append('"');
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                countLine(c);
                out->append(c);
            }
            if (m_pos < m_data.size() && !isSeparator(m_data[m_pos]) && !isLineEnd(m_data[m_pos])) {
                *reason = QStringLiteral("text follows the closing quote of a field");
                return false;
            }
            return true;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && !isSeparator(m_data[m_pos]) && !isLineEnd(m_data[m_pos]))
            ++m_pos;
        *out = m_data.mid(start, m_pos - start);
        if (out->contains('"')) {
            *reason = QStringLiteral("a quote inside a field that is not enclosed in quotes");
            return false;
        }
        return true;
    }

    // A CR that a LF follows counts as one line end.
    void countLine(char c)
    {
        if (c == '\n' || (c == '\r' && (m_pos >= m_data.size() || m_data[m_pos] != '\n')))
            ++m_line;
    }

    void skipLineEnd()
    {
        if (m_pos < m_data.size() && m_data[m_pos] == '\r')
            ++m_pos;
        if (m_pos < m_data.size() && m_data[m_pos] == '\n')
            ++m_pos;
        ++m_line;
    }

    void skipRestOfLine()
    {
        while (m_pos < m_data.size() && !isLineEnd(m_data[m_pos]))
            ++m_pos;
        if (m_pos < m_data.size())
            skipLineEnd();
    }

    const QByteArray& m_data;
    const Format m_format;
    const int m_maxRecords;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool needsQuotes(const QString& field)
{
    for (QChar c : field)
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    // Spreadsheets trim unquoted blanks at either end.
    return !field.isEmpty() && (field.front().isSpace() || field.back().isSpace());
}

// Whether the cell, past its leading apostrophes, begins a formula.
bool formulaAhead(const QString& cell)
{
    qsizetype i = 0;
    while (i < cell.size() && cell[i] == u'\'')
        ++i;
    return i < cell.size() && QStringView(u"=+-@\t\r").contains(cell[i]);
}

// Whether bytes that are valid UTF-8 read as Windows-1250 give nothing but
// ASCII and the letters of Polish, Czech and Hungarian. UTF-8 text in those
// languages never does: read as Windows-1250 its lead bytes are Ă, Ä or Ĺ,
// which none of them writes, most often before a sign such as … or ™. Only
// a file like "GÓŁKA" (D3 A3, valid UTF-8 for a Cyrillic letter) reads as
// words both ways, and only a person can tell which is meant.
bool wordsOfTheLanguages(const QByteArray& bytes)
{
    static const QString letters = QString::fromUtf8("ąćęłńóśźżáčďéěíňřšťúůýžöőüű");
    const QString text = cp1250::decode(bytes);
    bool beyondAscii = false;
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            continue;
        if (!letters.contains(c.toLower()))
            return false;
        beyondAscii = true;
    }
    return beyondAscii;
}

} // namespace

QString guarded(const QString& cell)
{
    return formulaAhead(cell) ? u'\'' + cell : cell;
}

QString unguarded(const QString& cell)
{
    return cell.startsWith(u'\'') && formulaAhead(cell) ? cell.mid(1) : cell;
}

Parsed parse(const QByteArray& bytes)
{
    return Reader(bytes, {}).run();
}

Parsed parse(const QByteArray& bytes, Format format)
{
    return Reader(bytes, format).run();
}

Detected detect(const QByteArray& bytes)
{
    Detected found;
    const bool marked = bytes.startsWith(ByteOrderMark);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArrayView(bytes).sliced(marked ? ByteOrderMark.size() : 0)); // decodes only here
    if (utf8.hasError()) {
        found.format.encoding = Encoding::Windows1250;
    } else if (!marked && wordsOfTheLanguages(bytes)) {
        found.bothReadings = true;
        // The reading the tables can store is the likelier one.
        if (!cp1250::representable(decoded))
            found.format.encoding = Encoding::Windows1250;
    }
    // Quoted fields may hold any of the separators; the heading and the
    // records agreeing on a count tells the one the file uses.
    auto score = [](const Parsed& p) {
        const qsizetype heading = p.records.isEmpty() ? 0 : p.records.first().fields.size();
        const auto agreeing = std::count_if(p.records.begin(), p.records.end(),
                                            [&](const Record& r) { return r.fields.size() == heading; });
        return std::make_tuple(heading > 1, agreeing - p.problems.size(), heading);
    };
    std::optional<decltype(score(Parsed{}))> best;
    for (char separator : {',', ';', '\t'}) {
        const Format format{separator, found.format.encoding};
        const auto s = score(Reader(bytes, format, RecordsToDetect).run());
        if (!best || s > *best) {
            best = s;
            found.format.separator = separator;
        }
    }
    return found;
}

QByteArray write(const QList<QStringList>& rows)
{
    QByteArray out = ByteOrderMark;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                out.append(',');
            const QString field = guarded(row[i]);
            if (!needsQuotes(field)) {
                out.append(field.toUtf8());
                continue;
            }
            out.append('"');
            out.append(QString(field).replace(u'"', QStringLiteral("\"\"")).toUtf8());
            out.append('"');
        }
        out.append("\r\n");
    }
    return out;
}

} // namespace csv
