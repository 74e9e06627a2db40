#pragma once

#include "cards/CardLimits.h"
#include "config/IniFile.h"
#include "i18n/LanguageLocale.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"

#include <QString>

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

struct Loaded
{
    QString languageName; // the text for the language box
    QString error;        // "Unable to write to ..." when the write-back failed
};

// Reads every key, then writes them back in one write so that a missing key
// is created with its default. All values read are in force even when the
// write-back fails: a read-only config.ini must not leave the passwords empty.
// Without a language in config.ini (a first start) the language is the
// desktop's, when the program speaks it, else English; a file keeps the
// language it holds.
Loaded LoadSettings(ProgramState& state, IniFile& ini, const QLocale& desktop = i18n::desktopLocale());

// Stores every value held in memory, and the language box's current text, in
// one write. A value the file would not give back exactly refuses the whole
// write with the operator's message (from state.TextSlots) naming the reason.
bool SaveSettings(const ProgramState& state, const QString& languageText, IniFile& ini, QString* error);

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
SaveResult SaveSystemNumber(ProgramState& state, const QString& edit1Text, const QString& languageText, IniFile& ini);
SaveResult SaveAdminPassword(ProgramState& state, const QString& edit6Text, const QString& languageText, IniFile& ini);
SaveResult SaveUserPassword(ProgramState& state, const QString& edit8Text, const QString& languageText, IniFile& ini);

// What a login's password opens. A stored value that cannot be checked
// (neither a hash the system knows nor plain text) opens nothing; when no
// role opened, unreadableKey names it ("admin" or "admin2").
struct LoginCheck
{
    enum class Role { None, Administrator, User };
    Role role = Role::None;
    QString unreadableKey;
};
LoginCheck CheckLogin(const ProgramState& state, const QString& typed);

// After a successful login: a password still stored as typed (a file from
// before hashing) is replaced by its hash, in one durable write of the two
// keys. False, with *error, when config.ini could not be written; the values
// in memory then stay as they were.
bool HashPlainPasswords(ProgramState& state, IniFile& ini, QString* error);

// Whether a password of a new installation ("1" or "2") still opens a role.
bool DefaultPasswordsInUse(const ProgramState& state);

// The standard text of a failed integer conversion.
QString NotAnIntegerMessage(const QString& text);

// Writes PortNumber as value "Port" under key "SoftwareRegQ5" of the user's
// own settings store. Nothing in the program reads it back.
bool SavePortToRegistry(int portNumber, QString* error);

} // namespace settings
