#include "config/Settings.h"

#include "config/PasswordHash.h"
#include "i18n/Text.h"

#include <QSettings>

namespace settings {
namespace {

const QString Password = QStringLiteral("PASSWORD");
const QString ComPort = QStringLiteral("COM_PORT");
const QString Language = QStringLiteral("Language");
const QString SysNr = QStringLiteral("sys_nr");
const QString SysNr2 = QStringLiteral("sys_nr2");
const QString Admin = QStringLiteral("admin");
const QString Admin2 = QStringLiteral("admin2");
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

bool store(const Values& v, const TextSlots& texts, IniFile& ini, QString* error)
{
    const QList<IniFile::Change> changes = saveChanges(v);
    QString message;
    if (refusal(changes, texts, &message)) {
        if (error)
            *error = message;
        return false;
    }
    return ini.write(changes, error);
}

// The values in memory change only once the file holds them: a refused value
// or a failed write leaves both as they were.
SaveResult storeThenApply(ProgramState& state, const Values& v, Text::Id confirmation, IniFile& ini)
{
    SaveResult r;
    if (!store(v, state.TextSlots, ini, &r.error))
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
                        Text::Id confirmation, const QString& languageText, IniFile& ini)
{
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
    return storeThenApply(state, v, confirmation, ini);
}

} // namespace

Loaded LoadSettings(ProgramState& state, IniFile& ini, const QLocale& desktop)
{

    state.SystemNumber = StoredSystemNumber(ini);
    state.OldSystemNumber = ini.readInteger(Password, SysNr2, DefaultSystemNumber);
    // No line ever holds this: a missing key is told apart from an empty password.
    const QString missing(QChar(0));
    state.AdminPassword = ini.readString(Password, Admin, missing);
    if (state.AdminPassword == missing)
        state.AdminPassword = storedDefault(DefaultAdminPassword);
    state.UserPassword = ini.readString(Password, Admin2, missing);
    if (state.UserPassword == missing)
        state.UserPassword = storedDefault(DefaultUserPassword);
    state.PortNumber = ini.readInteger(ComPort, Port, 1);
    Loaded loaded;
    // A file that names no language (a first start, or one written by hand
    // or by pellaro-start --demo) takes the desktop's; a line break is what
    // no stored value can hold.
    const QString none = QStringLiteral("\n");
    loaded.languageName = ini.readString(Language, Language, none);
    if (loaded.languageName == none)
        loaded.languageName = i18n::languageOfLocale(desktop);

    // One write-back creates missing keys with their defaults and replaces
    // values that were not numbers. A value that would not read back as it
    // is (a hand-written '"x"' reads as "x" in quotes) keeps its line, which
    // already gives that value.
    const QList<IniFile::Change> all = {{Password, SysNr, QString::number(state.SystemNumber)},
                                        {Password, SysNr2, QString::number(state.OldSystemNumber)},
                                        {Password, Admin, state.AdminPassword},
                                        {Password, Admin2, state.UserPassword},
                                        {ComPort, Port, QString::number(state.PortNumber)},
                                        {Language, Language, loaded.languageName}};
    QList<IniFile::Change> changes;
    for (const IniFile::Change& c : all) {
        if (IniFile::checkValue(c.value).problem == IniFile::ValueProblem::None)
            changes.append(c);
    }
    ini.write(changes, &loaded.error);
    return loaded;
}

bool SaveSettings(const ProgramState& state, const QString& languageText, IniFile& ini, QString* error)
{
    return store(valuesOf(state, languageText), state.TextSlots, ini, error);
}

QString PortDevice(const IniFile& ini, int portNumber)
{
    const QString key = QStringLiteral("COM%1").arg(portNumber);
#ifdef Q_OS_WIN
    const QString fallback = key;
#else
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
    const QString device = ConfiguredPortDevice(ini, portNumber);
    return device.isEmpty() ? fallback : device;
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

SaveResult SaveSystemNumber(ProgramState& state, const QString& edit1Text, const QString& languageText, IniFile& ini)
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
    SaveResult r = storeThenApply(state, v, Text::SystemNumberSaved, ini);
    r.edit1Text = shown;
    r.edit2Text = QString::number(state.OldSystemNumber);
    return r;
}

SaveResult SaveAdminPassword(ProgramState& state, const QString& edit6Text, const QString& languageText, IniFile& ini)
{
    return savePassword(state, edit6Text, state.UserPassword, &Values::adminPassword, Text::AdminPasswordSaved,
                        languageText, ini);
}

SaveResult SaveUserPassword(ProgramState& state, const QString& edit8Text, const QString& languageText, IniFile& ini)
{
    return savePassword(state, edit8Text, state.AdminPassword, &Values::userPassword, Text::UserPasswordSaved,
                        languageText, ini);
}

LoginCheck CheckLogin(const ProgramState& state, const QString& typed)
{
    LoginCheck result;
    const password::Check admin = password::check(typed, state.AdminPassword);
    if (admin == password::Check::Match) {
        result.role = LoginCheck::Role::Administrator;
        return result;
    }
    const password::Check user = password::check(typed, state.UserPassword);
    if (user == password::Check::Match)
        result.role = LoginCheck::Role::User;
    else if (admin == password::Check::Unreadable)
        result.unreadableKey = Admin;
    else if (user == password::Check::Unreadable)
        result.unreadableKey = Admin2;
    return result;
}

bool HashPlainPasswords(ProgramState& state, IniFile& ini, QString* error)
{
    QList<IniFile::Change> changes;
    QString admin = state.AdminPassword;
    QString user = state.UserPassword;
    for (auto [key, value] : {std::pair{Admin, &admin}, std::pair{Admin2, &user}}) {
        if (password::kindOf(*value) != password::Stored::Plain)
            continue;
        const QString hashed = password::hash(*value);
        if (hashed.isEmpty())
            continue; // stays plain until a system with a salt source
        *value = hashed;
        changes.append({Password, key, hashed});
    }
    if (changes.isEmpty() || !ini.write(changes, error))
        return changes.isEmpty();
    state.AdminPassword = admin;
    state.UserPassword = user;
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
