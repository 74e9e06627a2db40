#include "config/Settings.h"

#include <QSettings>

namespace settings {
namespace {

const QString Password = QStringLiteral("PASSWORD");
const QString ComPort = QStringLiteral("COM_PORT");
const QString Language = QStringLiteral("Language");

// Slots of the settings page's confirmations.
constexpr int SystemNumberSaved = 100;
constexpr int AdminPasswordSaved = 101;
constexpr int UserPasswordSaved = 102;

} // namespace

Loaded LoadSettings(ProgramState& state, IniFile& ini)
{
    state.SystemNumber = ini.readInteger(Password, QStringLiteral("sys_nr"), DefaultSystemNumber);
    state.OldSystemNumber = ini.readInteger(Password, QStringLiteral("sys_nr2"), DefaultSystemNumber);
    state.AdminPassword = ini.readString(Password, QStringLiteral("admin"), DefaultAdminPassword);
    state.UserPassword = ini.readString(Password, QStringLiteral("admin2"), DefaultUserPassword);
    state.PortNumber = ini.readInteger(ComPort, QStringLiteral("PORT"), 1);
    Loaded loaded;
    loaded.languageName = ini.readString(Language, Language, DefaultLanguage);

    // The write-back creates missing keys with their defaults and replaces
    // values that were not numbers. The first failure ends it: every later
    // write would fail the same way, and one message is enough.
    QString error;
    ini.writeInteger(Password, QStringLiteral("sys_nr"), state.SystemNumber, &error) &&
        ini.writeInteger(Password, QStringLiteral("sys_nr2"), state.OldSystemNumber, &error) &&
        ini.writeString(Password, QStringLiteral("admin"), state.AdminPassword, &error) &&
        ini.writeString(Password, QStringLiteral("admin2"), state.UserPassword, &error) &&
        ini.writeInteger(ComPort, QStringLiteral("PORT"), state.PortNumber, &error) &&
        ini.writeString(Language, Language, loaded.languageName, &error);
    loaded.error = error;
    return loaded;
}

bool SaveSettings(const ProgramState& state, const QString& languageText, IniFile& ini, QString* error)
{
    return ini.writeString(Password, QStringLiteral("admin"), state.AdminPassword, error) &&
           ini.writeString(Password, QStringLiteral("admin2"), state.UserPassword, error) &&
           ini.writeInteger(Password, QStringLiteral("sys_nr"), state.SystemNumber, error) &&
           ini.writeInteger(Password, QStringLiteral("sys_nr2"), state.OldSystemNumber, error) &&
           ini.writeInteger(ComPort, QStringLiteral("PORT"), state.PortNumber, error) &&
           ini.writeString(Language, Language, languageText, error);
}

QString PortDevice(const IniFile& ini, int portNumber)
{
    const QString key = QStringLiteral("COM%1").arg(portNumber);
#ifdef Q_OS_WIN
    const QString fallback = key;
#else
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
    const QString device = ini.readString(ComPort, key, QString());
    return device.isEmpty() ? fallback : device;
}

QString PortCaptionFor(int portNumber)
{
    if (portNumber < 1 || portNumber > 4)
        return {};
    return QStringLiteral("COM%1 ").arg(portNumber);
}

QString NotAnIntegerMessage(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

SaveResult SaveSystemNumber(ProgramState& state, const QString& edit1Text, const QString& languageText, IniFile& ini)
{
    SaveResult r;
    state.OldSystemNumber = state.SystemNumber;
    r.edit2Text = QString::number(state.OldSystemNumber);
    r.edit1Text = edit1Text;

    int typed = 0;
    if (!parseInteger(r.edit1Text, &typed)) {
        r.error = NotAnIntegerMessage(r.edit1Text);
        return r;
    }
    if (typed > MaxSystemNumber)
        r.edit1Text = QString::number(MaxSystemNumber);
    parseInteger(r.edit1Text, &typed);
    if (typed < 1)
        r.edit1Text = QStringLiteral("1");
    parseInteger(r.edit1Text, &typed);
    state.SystemNumber = typed;

    if (!SaveSettings(state, languageText, ini, &r.error))
        return r;
    r.confirmTextSlot = SystemNumberSaved;
    return r;
}

namespace {

SaveResult savePassword(ProgramState& state, QString ProgramState::*field, const QString& typed, int slot,
                        const QString& languageText, IniFile& ini)
{
    SaveResult r;
    state.*field = typed;
    if (SaveSettings(state, languageText, ini, &r.error))
        r.confirmTextSlot = slot;
    return r;
}

} // namespace

SaveResult SaveAdminPassword(ProgramState& state, const QString& edit6Text, const QString& languageText, IniFile& ini)
{
    return savePassword(state, &ProgramState::AdminPassword, edit6Text, AdminPasswordSaved, languageText, ini);
}

SaveResult SaveUserPassword(ProgramState& state, const QString& edit8Text, const QString& languageText, IniFile& ini)
{
    return savePassword(state, &ProgramState::UserPassword, edit8Text, UserPasswordSaved, languageText, ini);
}

bool SavePortToRegistry(int portNumber, QString* error)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pellaro"),
                    QStringLiteral("pellaro"));
    store.setValue(QStringLiteral("SoftwareRegQ5/Port"), quint32(portNumber));
    store.sync();
    if (store.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("Failed to set data for '%1'").arg(QStringLiteral("Port"));
        return false;
    }
    return true;
}

} // namespace settings
