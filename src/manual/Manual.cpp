#include "manual/Manual.h"

namespace manual {

QUrl startPage(const QString& languageName)
{
    // Only Polish has its own translation of the manual so far.
    const QString folder = languageName == QLatin1String("Polski") ? QStringLiteral("pl") : QStringLiteral("en");
    return QUrl(QStringLiteral("qrc:/manual/%1/index.html").arg(folder));
}

} // namespace manual
