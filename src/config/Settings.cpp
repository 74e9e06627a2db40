#include "config/Settings.h"

#include "config/PasswordHash.h"
#include "i18n/Text.h"
#include "platform/Ports.h"
#include "platform/UserRegistry.h"

namespace settings {
namespace {

const QString Password = QStringLiteral("PASSWORD");
const QString ComPort = QStringLiteral("COM_PORT");
const QString Language = QStringLiteral("Language");
const QString SysNr = QStringLiteral("sys_nr");
const QString SysNr2 = QStringLiteral("sys_nr2");
const QString& Admin = AdminKey;
const QString& Admin2 = UserKey;
const QString Port = QStringLiteral("PORT");

// What config.ini holds.
struct Values
{
    int systemNumber;
    int oldSystemNumber;
    QString adminPassword;
    QString userPassword;
    int portNumber;
    QString language;
};

Values valuesOf(const ProgramState& state, const QString& languageText)
{
    return {state.SystemNumber, state.OldSystemNumber, state.AdminPassword,
            state.UserPassword, state.PortNumber,      languageText};
}

// The keys in the order a Save sets them; a new file gets them in this order.
QList<IniFile::Change> saveChanges(const Values& v)
{
    return {{Password, Admin, v.adminPassword},
            {Password, Admin2, v.userPassword},
            {Password, SysNr, QString::number(v.systemNumber)},
            {Password, SysNr2, QString::number(v.oldSystemNumber)},
            {ComPort, Port, QString::number(v.portNumber)},
            {Language, Language, v.language}};
}

// The operator's message for the first value config.ini would not give back
// as it is; false when every value reads back.
bool refusal(const QList<IniFile::Change>& changes, const TextSlots& texts, QString* message)
{
    for (const IniFile::Change& c : changes) {
        const IniFile::ValueCheck check = IniFile::checkValue(c.value);
        switch (check.problem) {
        case IniFile::ValueProblem::None:
            continue;
        case IniFile::ValueProblem::Character:
            *message = texts[Text::SettingCharacterRefused].arg(check.character);
            return true;
        case IniFile::ValueProblem::LineBreak:
            *message = texts[Text::SettingLineBreakRefused];
            return true;
        case IniFile::ValueProblem::TooLong:
            *message = texts[Text::SettingTooLongRefused].arg(IniFile::MaxValueLength);
            return true;
        case IniFile::ValueProblem::Blanks:
            *message = texts[Text::SettingBlanksRefused];
            return true;
        case IniFile::ValueProblem::Quotes:
            *message = texts[Text::SettingQuotesRefused];
            return true;
        }
    }
    return false;
}

// The keys a site store holds instead of config.ini.
bool siteKey(const IniFile::Change& c)
{
    return c.section == Password;
}

QMap<QString, QString> siteValues(const QList<IniFile::Change>& changes)
{
    QMap<QString, QString> values;
    for (const IniFile::Change& c : changes) {
        if (siteKey(c))
            values.insert(c.key, c.value);
    }
    return values;
}

QList<IniFile::Change> deskChanges(const QList<IniFile::Change>& changes)
{
    QList<IniFile::Change> desk;
    for (const IniFile::Change& c : changes) {
        if (!siteKey(c))
            desk.append(c);
    }
    return desk;
}

bool store(const Values& v, const TextSlots& texts, IniFile& ini, QString* error, SiteStore* site)
{
    const QList<IniFile::Change> changes = saveChanges(v);
    QString message;
    if (refusal(changes, texts, &message)) {
        if (error)
            *error = message;
        return false;
    }
    if (!site)
        return ini.write(changes, error);
    // The desk's own values first: a desk that cannot store them changes
    // nothing of the site.
    if (!ini.write(deskChanges(changes), error))
        return false;
    if (site->write(siteValues(changes), false, error))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(site->name(), *error);
    return false;
}

// The values in memory change only once the file holds them: a refused value
// or a failed write leaves both as they were.
SaveResult storeThenApply(ProgramState& state, const Values& v, Text::Id confirmation, IniFile& ini, SiteStore* site)
{
    SaveResult r;
    if (!store(v, state.TextSlots, ini, &r.error, site))
        return r;
    state.SystemNumber = v.systemNumber;
    state.OldSystemNumber = v.oldSystemNumber;
    state.AdminPassword = v.adminPassword;
    state.UserPassword = v.userPassword;
    state.PortNumber = v.portNumber;
    r.confirmTextSlot = confirmation;
    return r;
}

// The value a missing password key gets: the default's hash, or the default
// itself on a system that cannot make a salt (it is then hashed at the first
// login, like a file from before hashing).
QString storedDefault(const QString& password)
{
    const QString hashed = password::hash(password);
    return hashed.isEmpty() ? password : hashed;
}

// A Save of one role's password: never the other role's password (typing it
// would then open the wrong role), stored as its hash.
SaveResult savePassword(ProgramState& state, const QString& typed, const QString& other, QString Values::*field,
                        Text::Id confirmation, const QString& languageText, IniFile& ini, SiteStore* site)
{
    if (typed.isEmpty()) {
        SaveResult r;
        r.error = state.TextSlots[Text::PasswordEmpty];
        return r;
    }
    if (password::check(typed, other) == password::Check::Match) {
        SaveResult r;
        r.error = state.TextSlots[Text::PasswordOfOtherRole];
        return r;
    }
    if (typed.toUtf8().size() > password::MaxLength) {
        SaveResult r;
        r.error = state.TextSlots[Text::PasswordTooLong].arg(password::MaxLength);
        return r;
    }
    const QString hashed = password::hash(typed);
    if (hashed.isEmpty()) {
        SaveResult r;
        r.error = state.TextSlots[Text::PasswordNotHashed];
        return r;
    }
    Values v = valuesOf(state, languageText);
    v.*field = hashed;
    return storeThenApply(state, v, confirmation, ini, site);
}

} // namespace

Loaded LoadSettings(ProgramState& state, IniFile& ini, const QLocale& desktop, SiteStore* site)
{
    Loaded loaded;
    const auto unreadable = [&](const QString& reason) {
        // Never the defaults for a file that is there: the passwords it holds
        // are unknown, and "1" must not stand in for them. Nothing is written.
        loaded.unreadable = true;
        loaded.unreadableReason = reason.isEmpty() ? QStringLiteral("?") : reason;
        state.SystemNumber = DefaultSystemNumber;
        state.OldSystemNumber = DefaultSystemNumber;
        state.AdminPassword.clear();
        state.UserPassword.clear();
        loaded.hashed.clear();
        loaded.reset.clear();
        return loaded;
    };
    state.PortNumber = 1;
    loaded.languageName = i18n::languageOfLocale(desktop);
    QString why;
    if (ini.presence(&why) == IniFile::Presence::Unreadable)
        return unreadable(why);

    state.SystemNumber = StoredSystemNumber(ini);
    state.OldSystemNumber = ini.readInteger(Password, SysNr2, DefaultSystemNumber);
    // A file that holds a password line and lacks a value for the other (or
    // for both: lines left empty) was reset by hand; a file without any
    // password line is a new installation's. No line ever holds the marker.
    const QString missing(QChar(0));
    const bool holdsPasswords =
        ini.readString(Password, Admin, missing) != missing || ini.readString(Password, Admin2, missing) != missing;
    // What the file holds for each password, and what the write-back stores.
    QString stored[2];
    QString toStore[2];
    const QString keys[2] = {Admin, Admin2};
    const QString defaults[2] = {DefaultAdminPassword, DefaultUserPassword};
    for (int k = 0; k < 2; ++k) {
        // An empty value is no password: the line counts as deleted.
        stored[k] = ini.readString(Password, keys[k], QString());
        if (stored[k].isEmpty()) {
            stored[k] = toStore[k] = storedDefault(defaults[k]);
            if (holdsPasswords)
                loaded.reset.append(keys[k]);
            continue;
        }
        toStore[k] = stored[k];
        if (password::kindOf(stored[k]) != password::Stored::Plain)
            continue;
        const QString hashed = password::hash(stored[k]);
        if (hashed.isEmpty())
            continue; // stays plain until a system with a salt source
        toStore[k] = hashed;
        loaded.hashed.append(keys[k]);
    }
    state.PortNumber = ini.readInteger(ComPort, Port, 1);
    // A file that names no language (a first start, or one written by hand
    // or by pellaro-start --demo) takes the desktop's; a line break is what
    // no stored value can hold.
    const QString none = QStringLiteral("\n");
    loaded.languageName = ini.readString(Language, Language, none);
    if (loaded.languageName == none)
        loaded.languageName = i18n::languageOfLocale(desktop);

    QList<IniFile::Change> all = {{Password, SysNr, QString::number(state.SystemNumber)},
                                  {Password, SysNr2, QString::number(state.OldSystemNumber)},
                                  {Password, Admin, toStore[0]},
                                  {Password, Admin2, toStore[1]},
                                  {ComPort, Port, QString::number(state.PortNumber)},
                                  {Language, Language, loaded.languageName}};
    if (site) {
        // The site's values hold for every desk; a site that has none yet
        // takes this desk's, once.
        QString error;
        QMap<QString, QString> values;
        loaded.unreadableSite = site->name();
        if (!site->write(siteValues(all), true, &error) || !site->read(&values, &error))
            return unreadable(error);
        int number = 0;
        int old = 0;
        if (!parseInteger(values.value(SysNr), &number) || !parseInteger(values.value(SysNr2), &old) ||
            values.value(Admin).isEmpty() || values.value(Admin2).isEmpty())
            return unreadable(QStringLiteral("the system number or a password is missing"));
        loaded.unreadableSite.clear();
        const QString deskNumber = ini.readString(Password, SysNr, QString());
        if (!deskNumber.isEmpty() && state.SystemNumber != number)
            loaded.deskSystemNumber = state.SystemNumber;
        // config.ini keeps its port and language, and a password left in it
        // from before is no longer kept as typed.
        QList<IniFile::Change> desk = deskChanges(all);
        for (int k = 0; k < 2; ++k) {
            if (loaded.hashed.contains(keys[k]))
                desk.append({Password, keys[k], toStore[k]});
        }
        all = desk;
        state.SystemNumber = number;
        state.OldSystemNumber = old;
        stored[0] = toStore[0] = values.value(Admin);
        stored[1] = toStore[1] = values.value(Admin2);
        loaded.reset.clear();
    }

    // One write-back creates missing keys with their defaults, replaces
    // values that were not numbers and plain passwords. A value that would
    // not read back as it is (a hand-written '"x"' reads as "x" in quotes)
    // keeps its line, which already gives that value.
    QList<IniFile::Change> changes;
    for (const IniFile::Change& c : all) {
        if (IniFile::checkValue(c.value).problem == IniFile::ValueProblem::None)
            changes.append(c);
    }
    if (ini.write(changes, &loaded.error)) {
        state.AdminPassword = toStore[0];
        state.UserPassword = toStore[1];
    } else {
        // The file keeps what it held: a plain value stays plain in memory
        // too, so that the login tries the rewrite again and tells.
        state.AdminPassword = stored[0];
        state.UserPassword = stored[1];
        loaded.hashed.clear();
        loaded.reset.clear();
    }
    return loaded;
}

bool SeedSite(const IniFile& ini, SiteStore& site, QString* error)
{
    QMap<QString, QString> values;
    values.insert(SysNr, QString::number(StoredSystemNumber(ini)));
    values.insert(SysNr2, QString::number(ini.readInteger(Password, SysNr2, DefaultSystemNumber)));
    for (auto [key, fallback] : {std::pair{Admin, DefaultAdminPassword}, std::pair{Admin2, DefaultUserPassword}}) {
        QString value = ini.readString(Password, key, QString());
        if (value.isEmpty())
            value = storedDefault(fallback);
        else if (password::kindOf(value) == password::Stored::Plain)
            value = storedDefault(value);
        values.insert(key, value);
    }
    return site.write(values, true, error);
}

bool SiteSystemNumber(const IniFile& ini, SiteStore* site, int* number, QString* error)
{
    if (!site) {
        *number = StoredSystemNumber(ini);
        return true;
    }
    QMap<QString, QString> values;
    if (!site->read(&values, error))
        return false;
    if (parseInteger(values.value(SysNr), number))
        return true;
    *error = QStringLiteral("%1 holds no system number").arg(site->name());
    return false;
}

bool SaveSettings(const ProgramState& state, const QString& languageText, IniFile& ini, QString* error, SiteStore* site)
{
    return store(valuesOf(state, languageText), state.TextSlots, ini, error, site);
}

QString PortDevice(const IniFile& ini, int portNumber)
{
    const QString device = ConfiguredPortDevice(ini, portNumber);
    return device.isEmpty() ? platform::defaultPortDevice(portNumber) : device;
}

QString ConfiguredPortDevice(const IniFile& ini, int portNumber)
{
    return ini.readString(ComPort, QStringLiteral("COM%1").arg(portNumber), QString());
}

int StoredSystemNumber(const IniFile& ini)
{
    return ini.readInteger(Password, SysNr, DefaultSystemNumber);
}

bool ReadBackCards(const IniFile& ini)
{
    return ini.readInteger(QStringLiteral("CARDS"), QStringLiteral("ReadBack"), 1) != 0;
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

int SystemNumberToStore(int typed)
{
    return qBound(cards::MinSystemNumber, typed, cards::MaxSystemNumber);
}

SaveResult SaveSystemNumber(ProgramState& state, const QString& edit1Text, const QString& languageText, IniFile& ini,
                            SiteStore* site)
{
    int typed = 0;
    if (!parseInteger(edit1Text, &typed)) {
        // The number in force has already become the old one when the typed
        // text turns out not to be a number; nothing is written.
        state.OldSystemNumber = state.SystemNumber;
        SaveResult r;
        r.edit1Text = edit1Text;
        r.edit2Text = QString::number(state.OldSystemNumber);
        r.error = NotAnIntegerMessage(edit1Text);
        return r;
    }
    const int stored = SystemNumberToStore(typed);
    // The box keeps the typed text unless it was corrected.
    const QString shown = stored == typed ? edit1Text : QString::number(stored);

    Values v = valuesOf(state, languageText);
    v.oldSystemNumber = state.SystemNumber;
    v.systemNumber = stored;
    SaveResult r = storeThenApply(state, v, Text::SystemNumberSaved, ini, site);
    r.edit1Text = shown;
    r.edit2Text = QString::number(state.OldSystemNumber);
    return r;
}

SaveResult SaveAdminPassword(ProgramState& state, const QString& edit6Text, const QString& languageText, IniFile& ini,
                             SiteStore* site)
{
    return savePassword(state, edit6Text, state.UserPassword, &Values::adminPassword, Text::AdminPasswordSaved,
                        languageText, ini, site);
}

SaveResult SaveUserPassword(ProgramState& state, const QString& edit8Text, const QString& languageText, IniFile& ini,
                            SiteStore* site)
{
    return savePassword(state, edit8Text, state.AdminPassword, &Values::userPassword, Text::UserPasswordSaved,
                        languageText, ini, site);
}

LoginCheck CheckLogin(const ProgramState& state, const QString& typed)
{
    LoginCheck result;
    // Both values are checked whatever the first gives: a value that cannot
    // be checked stops every login, and the time tells nothing either.
    const password::Check admin = password::check(typed, state.AdminPassword);
    const password::Check user = password::check(typed, state.UserPassword);
    if (admin == password::Check::Unreadable)
        result.unreadableKey = Admin;
    else if (user == password::Check::Unreadable)
        result.unreadableKey = Admin2;
    else if (typed.isEmpty())
        return result; // an empty box opens nothing, whatever is stored
    else if (admin == password::Check::Match)
        result.role = LoginCheck::Role::Administrator;
    else if (user == password::Check::Match)
        result.role = LoginCheck::Role::User;
    else if (admin == password::Check::NotOnThisSystem)
        result.otherSystemKey = Admin;
    else if (user == password::Check::NotOnThisSystem)
        result.otherSystemKey = Admin2;
    return result;
}

QString LoginRefusal(const ProgramState& state, const LoginCheck& check, const QString& configFile,
                     const QString& siteName)
{
    if (!check.unreadableKey.isEmpty())
        return state.TextSlots[Text::PasswordValueUnreadable].arg(check.unreadableKey, configFile);
    if (!check.otherSystemKey.isEmpty())
        return state.TextSlots[Text::PasswordHashOfLinux].arg(check.otherSystemKey,
                                                              siteName.isEmpty() ? configFile : siteName);
    return {};
}

bool HashPlainPasswords(ProgramState& state, IniFile& ini, QString* error, QStringList* hashedKeys, SiteStore* site,
                        const QString& typed)
{
    QList<IniFile::Change> changes;
    QString admin = state.AdminPassword;
    QString user = state.UserPassword;
    for (auto [key, value] : {std::pair{Admin, &admin}, std::pair{Admin2, &user}}) {
        QString text = *value; // the password the new hash is made of
        if (password::kindOf(*value) != password::Stored::Plain) {
            // Checked again here: only a hash of the password it stands for
            // ever replaces a hash.
            if (typed.isEmpty() || !password::outdated(*value) ||
                password::check(typed, *value) != password::Check::Match)
                continue;
            text = typed;
        }
        const QString hashed = password::hash(text);
        if (hashed.isEmpty())
            continue; // stays plain until a system with a salt source
        *value = hashed;
        changes.append({Password, key, hashed});
    }
    if (changes.isEmpty())
        return true;
    if (site ? !site->write(siteValues(changes), false, error) : !ini.write(changes, error))
        return false;
    state.AdminPassword = admin;
    state.UserPassword = user;
    if (hashedKeys) {
        for (const IniFile::Change& c : changes)
            hashedKeys->append(c.key);
    }
    return true;
}

bool DefaultPasswordsInUse(const ProgramState& state)
{
    // Checking a hash takes a noticeable moment: the answer is kept for the
    // pair of values it was worked out for.
    static QString admin, user;
    static bool known = false, inUse = false;
    if (!known || admin != state.AdminPassword || user != state.UserPassword) {
        admin = state.AdminPassword;
        user = state.UserPassword;
        inUse = password::check(DefaultAdminPassword, admin) == password::Check::Match ||
                password::check(DefaultUserPassword, user) == password::Check::Match;
        known = true;
    }
    return inUse;
}

bool SavePortToRegistry(int portNumber, const TextSlots& texts, QString* error, const UserDwordWriter& write)
{
    const platform::RegistryWrite written =
        (write ? write : platform::writeUserDword)(PortRegistryKey, QStringLiteral("Port"), quint32(portNumber));
    if (written == platform::RegistryWrite::Written)
        return true;
    if (error) {
        *error = QStringLiteral("Failed to set data for '%1'").arg(QStringLiteral("Port"));
        // The program never makes the key, so the operator is told who does.
        if (written == platform::RegistryWrite::KeyMissing)
            *error += QStringLiteral("\n\n") + texts[Text::RegistryKeyMissing].arg(PortRegistryKey).arg(portNumber);
    }
    return false;
}

} // namespace settings
