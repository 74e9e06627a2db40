#include "pages/CardJournal.h"

#include "config/Cp1250.h"
#include "data/FileSync.h"
#include "i18n/Text.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

const QByteArray LineEnd("\r\n");

// A tab or line break inside a name would shift the columns.
QString field(QString text)
{
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

} // namespace

CardJournal::CardJournal(QString path) : m_path(std::move(path)) {}

QString CardJournal::line(const Entry& e) const
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QStringList fields{now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             field(m_role),
                             field(e.operation),
                             QString::number(e.personNumber),
                             QString::number(e.systemCode),
                             QString::number(e.duplicateIndex),
                             field(e.group),
                             QString::fromLatin1(e.data.toHex().toUpper())};
    return fields.join(u'\t');
}

bool CardJournal::append(const Entry& entry, QString* error)
{
    QFile file(m_path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    // One write per event: a line is never interleaved with another.
    QByteArray bytes;
    if (file.size() == 0)
        bytes += cp1250::encode(Header) + LineEnd;
    bytes += cp1250::encode(line(entry)) + LineEnd;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    if (filesync::sync(file.handle(), m_path, filesync::Kind::Full) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // A new file is only durable once its directory entry is.
    if (!existed && filesync::syncDirectory(QFileInfo(m_path).absolutePath()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (m_syncHook)
        m_syncHook();
    return true;
}

void CardJournal::record(const Entry& entry, const TextSlots& texts)
{
    QString error;
    if (!append(entry, &error))
        MessageBox::show(texts[Text::JournalNotWritten].arg(m_path, error), texts[Text::CardJournal]);
}
