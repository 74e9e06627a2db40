#include "data/Csv.h"

#include <QStringDecoder>

// Our own reader: the CSV libraries Debian ships either work on fixed column
// counts or give no line numbers, and the format is small.

namespace csv {

namespace {

const QByteArray ByteOrderMark("\xEF\xBB\xBF");

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_data(bytes)
    {
        if (m_data.startsWith(ByteOrderMark))
            m_pos = ByteOrderMark.size();
    }

    Parsed run()
    {
        Parsed result;
        while (m_pos < m_data.size()) {
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
            QStringDecoder utf8(QStringDecoder::Utf8);
            QString text = utf8(raw);
            if (utf8.hasError()) {
                *reason = QStringLiteral("field %1 is not UTF-8 text").arg(fields->size() + 1);
                return false;
            }
            fields->append(unguarded(text));
            if (m_pos >= m_data.size())
                return true;
            if (m_data[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            skipLineEnd();
            return true;
        }
    }

    // Leaves m_pos on the comma or line end after the field, or at the end.
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
            if (m_pos < m_data.size() && m_data[m_pos] != ',' && !isLineEnd(m_data[m_pos])) {
                *reason = QStringLiteral("text follows the closing quote of a field");
                return false;
            }
            return true;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != ',' && !isLineEnd(m_data[m_pos]))
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
    return Reader(bytes).run();
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
