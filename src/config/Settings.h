#pragma once

#include "cards/CardLimits.h"
#include "config/IniFile.h"
#include "i18n/LanguageLocale.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The settings of the installation in config.ini in the working directory:
// system numbers, the two passwords, the COM port and the language name.
namespace settings {

inline const QString FileName = QStringLiteral("config.ini");

// One-digit passwords of a new installation (different for the two roles);
// config.ini holds only their hashes.
inline const QString DefaultAdminPassword = QStringLiteral("1");
inline const QString DefaultUserPassword = QStringLiteral("2");
inline const QString DefaultLanguage = QStringLiteral("Polski");
constexpr int DefaultSystemNumber = cards::MinSystemNumber;

// Where a site on a shared database keeps the settings its cards and logins
// depend on, for every desk alike: the system number, the previous one and
// the two passwords' hashes (keys sys_nr, sys_nr2, admin, admin2). Without
// one, config.ini holds them.
class SiteStore
{
public:
    virtual ~SiteStore() = default;
    // How messages name it ("database pellaro on 192.168.1.10").
    virtual QString name() const = 0;
    // The values it holds, none before the first desk's start.
    virtual bool read(QMap<QString, QString>* values, QString* error) = 0;
    // Stores the values in one transaction; with onlyMissing a key that holds
    // a value keeps it (the first desk sets them, once).
    virtual bool write(const QMap<QString, QString>& values, bool onlyMissing, QString* error) = 0;
};

struct Loaded
{
    QString languageName; // the text for the language box
    QString error;        // "Unable to write to ..." when the write-back failed
    // config.ini is there but could not be read, and why: then no password
    // opens a role (the defaults are for a missing file only) and nothing is
    // written back.
    bool unreadable = false;
    QString unreadableReason;
    QString unreadableSite; // the site store, when it was the one that could not be read
    // What the write-back changed of the passwords: keys whose plain value it
    // replaced by its hash, and keys set to their default because a file that
    // holds passwords had no value for them (a line deleted or left empty).
    QStringList hashed;
    QStringList reset;
    // On a site's database: the system number this desk's own config.ini
    // still holds where it differs from the site's (0 when it does not).
    int deskSystemNumber = 0;
};

// Reads every key, then writes them back in one write so that a missing key
// is created with its default and a password still stored as typed (a file
// from before hashing) is stored as its hash; no password is needed for that,
// so no copy of config.ini made after the start holds one. An empty password
// value counts as a missing one. All values read are in force even when the
// write-back fails: a read-only config.ini must not leave the passwords empty.
// Without a language in config.ini (a first start) the language is the
// desktop's, when the program speaks it, else English; a file keeps the
// language it holds.
//
// With a site store, the system numbers and the passwords are the site's: a
// site without them takes this desk's (set once), and config.ini keeps only
// the port and the language (a plain password left in it is still hashed).
// A store that cannot be read counts as an unreadable config.ini.
Loaded LoadSettings(ProgramState& state, IniFile& ini, const QLocale& desktop = i18n::desktopLocale(),
                    SiteStore* site = nullptr);

// Stores every value held in memory, and the language box's current text, in
// one write. A value the file would not give back exactly refuses the whole
// write with the operator's message (from state.TextSlots) naming the reason.
// Gives a site store that holds no system number or passwords yet those of a
// desk's config.ini (plain passwords as their hashes, missing ones as the
// defaults'); a store that holds them keeps them. Nothing is written to
// config.ini.
bool SeedSite(const IniFile& ini, SiteStore& site, QString* error);

// The system number in force: the site store's where there is one, else
// config.ini's (StoredSystemNumber). False, with *error, when the store
// cannot be read or holds none.
bool SiteSystemNumber(const IniFile& ini, SiteStore* site, int* number, QString* error);

// With a site store, the system numbers and the passwords go there, first.
bool SaveSettings(const ProgramState& state, const QString& languageText, IniFile& ini, QString* error,
                  SiteStore* site = nullptr);

// The device behind COMn: key COMn of section COM_PORT (read only, never
// written), else the platform's n-th serial port.
QString PortDevice(const IniFile& ini, int portNumber);
// Key COMn of section COM_PORT alone: empty where config.ini sets none.
QString ConfiguredPortDevice(const IniFile& ini, int portNumber);

// The system number config.ini holds (key sys_nr), as LoadSettings reads it,
// for a tool that reads the installation beside the program.
int StoredSystemNumber(const IniFile& ini);

// Whether every card written is read back and compared: key ReadBack of
// section CARDS, 0 turns it off. Read only, never written, so a file without
// the key keeps its lines and the read-back stays on.
bool ReadBackCards(const IniFile& ini);

// "COM1 ".."COM4 " for 1..4, empty for anything else.
QString PortCaptionFor(int portNumber);

// A SaveResult with no confirmation to show.
inline constexpr Text::Id NoConfirmation = Text::Id(-1);

// What a Save button of the settings page leaves behind: the texts the boxes
// show now, and either an error text or the confirmation (text and caption)
// to show.
struct SaveResult
{
    QString edit1Text;
    QString edit2Text;
    QString error; // shown alone, with no confirmation
    Text::Id confirmTextSlot = NoConfirmation;
    Text::Id confirmCaptionSlot = Text::Configuration;
};

// The number a system-number Save stores for a typed number, corrected into
// the range an installation's system number has (cards/CardLimits.h).
int SystemNumberToStore(int typed);

// System-number Save: the number in force becomes the old one, the typed one
// is corrected into its range and stored. The Saves change the values in memory
// only after the file holds them.
SaveResult SaveSystemNumber(ProgramState& state, const QString& edit1Text, const QString& languageText, IniFile& ini,
                            SiteStore* site = nullptr);
SaveResult SaveAdminPassword(ProgramState& state, const QString& edit6Text, const QString& languageText, IniFile& ini,
                             SiteStore* site = nullptr);
SaveResult SaveUserPassword(ProgramState& state, const QString& edit8Text, const QString& languageText, IniFile& ini,
                            SiteStore* site = nullptr);

// What a login's password opens. An empty password opens nothing. A stored
// value that cannot be checked (neither a hash the system knows nor plain
// text) refuses every login, whichever password is typed, and unreadableKey
// names it ("admin" or "admin2"). A hash only another system can check (a
// Linux build's "$y$" on Windows) refuses a password that opens no other
// role, and otherSystemKey names it: the typed one may be its password.
struct LoginCheck
{
    enum class Role { None, Administrator, User };
    Role role = Role::None;
    QString unreadableKey;
    QString otherSystemKey;
};
LoginCheck CheckLogin(const ProgramState& state, const QString& typed);

// What a refused login says beyond "wrong password" (from state.TextSlots):
// which stored value cannot be checked and what mends it; empty when nothing
// more is to be said. siteName is the site store's name where the passwords
// are kept there, else empty.
QString LoginRefusal(const ProgramState& state, const LoginCheck& check, const QString& configFile,
                     const QString& siteName = QString());

// After a successful login: a password still stored as typed (one the start
// could not write back) is replaced by its hash, and so is an outdated hash
// (password::outdated) of the password typed at that login, in one durable
// write of the two keys; *hashed gets the keys rewritten. False, with *error,
// when config.ini could not be written; the values in memory then stay as
// they were.
bool HashPlainPasswords(ProgramState& state, IniFile& ini, QString* error, QStringList* hashed = nullptr,
                        SiteStore* site = nullptr, const QString& typed = QString());

// The password keys of config.ini, with the role each opens.
inline const QString AdminKey = QStringLiteral("admin");
inline const QString UserKey = QStringLiteral("admin2");

// Whether a password of a new installation ("1" or "2") still opens a role.
bool DefaultPasswordsInUse(const ProgramState& state);

// The standard text of a failed integer conversion.
QString NotAnIntegerMessage(const QString& text);

// Writes PortNumber as value "Port" under key "SoftwareRegQ5" of the user's
// own settings store. Nothing in the program reads it back.
bool SavePortToRegistry(int portNumber, QString* error);

} // namespace settings
