#include "platform/UserRegistry.h"

#include <QSettings>

namespace platform {

RegistryWrite writeUserDword(const QString& key, const QString& name, quint32 value)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pellaro"),
                    QStringLiteral("pellaro"));
    store.setValue(key + u'/' + name, value);
    store.sync();
    return store.status() == QSettings::NoError ? RegistryWrite::Written : RegistryWrite::Failed;
}

} // namespace platform
