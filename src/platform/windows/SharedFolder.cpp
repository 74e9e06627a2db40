#include "platform/SharedFolder.h"

#include "config/AppError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

// On Windows a working folder several accounts use is a folder on a server's
// share, and who may change its files is set by its access rules, which
// every file made in it inherits. The program leaves them as they are.
namespace shared {

bool isShared(const QString& /*folder*/)
{
    return false;
}

void keepGroupAccess(const QString& /*folder*/) {}

unsigned privateFileMode(const QString& /*folder*/)
{
    return 0600;
}

QString permissionAdvice(const QString& file, int error)
{
    if (error != EACCES && error != EPERM)
        return {};
    const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
    return QStringLiteral("The account \"%1\" may not open or write %2. An administrator gives the account the right "
                          "to change the files of %3 (the folder's Properties, Security, Modify); a file marked "
                          "read-only in its Properties stays unwritable for every account.")
        .arg(accountName(), QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()), folder);
}

// A Windows session takes the account's groups from the server at each
// access, so there is no session that lags behind a group: the refusal itself
// (permissionAdvice) says what to mend.
QString folderAdvice(const QString& /*folder*/)
{
    return {};
}

QStringList share(const QString& dir, const QString& /*group*/, const std::function<void(const QString&)>& /*makeTables*/)
{
    throw AppError(QStringLiteral("%1: on Windows a folder is shared from the server that holds it (its share and "
                                  "its Security rules), not by this program")
                       .arg(QDir::toNativeSeparators(dir)));
}

} // namespace shared
