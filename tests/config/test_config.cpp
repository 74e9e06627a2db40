#include "config/Cp1250.h"
#include "config/IniFile.h"
#include "config/LoginThrottle.h"
#include "config/PasswordHash.h"
#include "config/Settings.h"
#include "platform/FileModes.h"
#include "platform/Ports.h"
#include "platform/SharedFolder.h"
#include "config/SyncCalls.h"
#include "i18n/LanguageTables.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"

#include <cerrno>
#include <memory>
#include <sys/stat.h>

namespace {

void makeReadOnly(const QString& path)
{
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
}

// The file with each password hash as "$argon2id$#": a salt is new every time.
QByteArray masked(const QByteArray& file)
{
    static const QRegularExpression hash(QStringLiteral("\\$argon2id\\$[^\r\n]*"));
    return QString::fromLatin1(file).replace(hash, QStringLiteral("$argon2id$#")).toLatin1();
}

const QByteArray DefaultFile = "[PASSWORD]\r\nsys_nr=1\r\nsys_nr2=1\r\nadmin=$argon2id$#\r\nadmin2=$argon2id$#\r\n"
                               "[COM_PORT]\r\nPORT=1\r\n[Language]\r\nLanguage=Polski\r\n";

// A hand-edited file: other sections, comments, blank lines, Unix line ends
// in places, odd spacing and code-page-1250 bytes.
const QByteArray ForeignFile = "; installation notes: \xb3\xf3\x64\x9f\r\n"
                               "[Other]\r\nkey = some value\r\n\r\n"
                               "[password]\r\n  SYS_NR = 0x10 \r\n; keep me\r\nadmin=secret\r\n"
                               "admin2=user pass \r\n\r\n"
                               "[com_port]\nPORT=3\nCOM3=/dev/ttyUSB0\n"
                               "[LANGUAGE]\r\nlanguage=\xe8\x65\x73\x6b\xfd\r\n"
                               "[Tail]\r\nx=1";

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("config.ini"));
        // Windows removes no file marked read-only, as some rows leave it.
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_path);
        QVERIFY(!QFile::exists(m_path));
        syncCalls = SyncCalls{};
    }
    void cleanup() { syncCalls = SyncCalls{}; }

    void integerRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "123456" << true << 123456;
        QTest::newRow("negative") << "-5" << true << -5;
        QTest::newRow("hex") << "0x10" << true << 16;
        QTest::newRow("hex upper") << "0XfF" << true << 255;
        QTest::newRow("hex 32 bits") << "0xFFFFFFFF" << true << -1;
        QTest::newRow("hex too long") << "0x100000000" << false << 0;
        QTest::newRow("hex no digits") << "0x" << false << 0;
        QTest::newRow("hex signed") << "0x-5" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("trailing letters") << "12ab" << false << 0;
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("plus") << "+5" << false << 0;
        QTest::newRow("hex latin letter") << "0x1\u00e9" << false << 0;
    }
    void integerRules()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int got = 0;
        QCOMPARE(parseInteger(text, &got), ok);
        if (ok)
            QCOMPARE(got, value);
    }

    void readsIgnoreCaseAndBlanks()
    {
        writeFile(m_path, ForeignFile);
        IniFile ini(m_path);
        QCOMPARE(ini.readInteger("PASSWORD", "sys_nr", 1), 16);
        QCOMPARE(ini.readString("Password", "ADMIN2", "x"), QStringLiteral("user pass"));
        QCOMPARE(ini.readString("other", "KEY", "x"), QStringLiteral("some value"));
        QCOMPARE(ini.readString("Language", "Language", "x"), QStringLiteral("český"));
        QCOMPARE(ini.readString("Tail", "x", "?"), QStringLiteral("1"));
        QCOMPARE(ini.readString("Missing", "x", "dflt"), QStringLiteral("dflt"));
        QCOMPARE(ini.readInteger("COM_PORT", "nothing", 7), 7);
    }

    // A matching pair of quotes around a value, double or single, is not part of it.
    void quotesAroundAValueAreDropped_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("read");
        QTest::newRow("double quotes") << QByteArray("\"se cret\"") << "se cret";
        QTest::newRow("single quotes") << QByteArray("'se cret'") << "se cret";
        QTest::newRow("unmatched") << QByteArray("'se cret\"") << "'se cret\"";
        QTest::newRow("one quote") << QByteArray("'") << "'";
    }
    void quotesAroundAValueAreDropped()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, read);
        writeFile(m_path, "[PASSWORD]\r\nadmin=" + stored + "\r\n");
        QCOMPARE(IniFile(m_path).readString("PASSWORD", "admin", "x"), read);
    }

    void longValueIsCut()
    {
        writeFile(m_path, "[s]\nk=" + QByteArray(3000, 'x') + "\n");
        QCOMPARE(IniFile(m_path).readString("s", "k", "").size(), IniFile::MaxValueLength);
    }

    void writeTouchesOnlyItsLine()
    {
        writeFile(m_path, ForeignFile);
        IniFile ini(m_path);
        QString error;
        QVERIFY(ini.writeString("PASSWORD", "admin", "new", &error));
        QByteArray expected = ForeignFile;
        expected.replace("admin=secret", "admin=new");
        QCOMPARE(readFile(m_path), expected);

        // A new key goes after the section's last line, not after its blank lines.
        QVERIFY(ini.writeString("Other", "added", "\xc5\x82", &error)); // "ł" as UTF-8 source text
        QVERIFY(readFile(m_path).contains("key = some value\r\nadded=\xb3\r\n\r\n[password]"));
        // A new section goes to the end, even after an unterminated last line.
        QVERIFY(ini.writeInteger("New", "n", -3, &error));
        QVERIFY(readFile(m_path).endsWith("[Tail]\r\nx=1\r\n[New]\r\nn=-3\r\n"));
    }

    // Its owner's alone; in a folder shared by a group (set-group-ID), the
    // group's too.
    void newFileIsPrivate_data()
    {
        QTest::addColumn<bool>("sharedFolder");
        QTest::addColumn<int>("mode");
        if (!platform::accessByMode())
            QSKIP("Files here keep only the read-only mark; a folder's access rules say who else may read them.");
        QTest::newRow("own folder") << false << 0600;
        QTest::newRow("shared folder") << true << 0660;
    }
    void newFileIsPrivate()
    {
        QFETCH(bool, sharedFolder);
        QFETCH(int, mode);
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), sharedFolder ? 02770 : 0700), 0);
        IniFile ini(m_path);
        QString error;
        QVERIFY(ini.writeString("PASSWORD", "admin", "9", &error));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(mode));
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0700), 0);
        QCOMPARE(readFile(m_path), QByteArray("[PASSWORD]\r\nadmin=9\r\n"));
    }

    void readOnlyFileIsNotWritten()
    {
        writeFile(m_path, "[PASSWORD]\r\nadmin=5\r\n");
        makeReadOnly(m_path);
        IniFile ini(m_path);
        QString error;
        QVERIFY(!ini.writeString("PASSWORD", "admin", "6", &error));
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(m_path));
        QCOMPARE(readFile(m_path), QByteArray("[PASSWORD]\r\nadmin=5\r\n"));
    }

    // A first start speaks the desktop's language when it is one of the
    // four, else English; a file at hand keeps its own.
    void firstStartWritesDefaults_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QString>("language");
        QTest::newRow("Polish desktop") << "pl_PL" << QByteArray() << "Polski";
        QTest::newRow("English desktop") << "en_US" << QByteArray() << "English";
        QTest::newRow("Czech desktop") << "cs_CZ" << QByteArray() << QString::fromUtf8("český");
        QTest::newRow("Hungarian desktop") << "hu_HU" << QByteArray() << "Magyar";
        QTest::newRow("German desktop") << "de_DE" << QByteArray() << "English";
        QTest::newRow("C locale") << "C" << QByteArray() << "English";
        QTest::newRow("file without a language") << "hu_HU" << QByteArray("[PASSWORD]\r\n") << "Magyar";
        QTest::newRow("file with an empty language") << "hu_HU" << QByteArray("[Language]\r\nLanguage=\r\n") << "";
        QTest::newRow("file with a language") << "pl_PL" << QByteArray("[Language]\r\nLanguage=Magyar\r\n")
                                              << "Magyar";
    }
    void firstStartWritesDefaults()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, existing);
        QFETCH(QString, language);
        if (!existing.isEmpty())
            writeFile(m_path, existing);
        ProgramState state;
        IniFile ini(m_path);
        const settings::Loaded loaded = settings::LoadSettings(state, ini, QLocale(locale));
        QVERIFY(loaded.error.isEmpty());
        QCOMPARE(loaded.languageName, language);
        if (!existing.isEmpty())
            return;
        QByteArray expected = DefaultFile;
        expected.replace("Polski", cp1250::encode(language));
        QCOMPARE(masked(readFile(m_path)), expected);
        QCOMPARE(password::check(settings::DefaultAdminPassword, state.AdminPassword), password::Check::Match);
        QCOMPARE(password::check(settings::DefaultUserPassword, state.UserPassword), password::Check::Match);
        QCOMPARE(state.SystemNumber, 1);
        QCOMPARE(state.OldSystemNumber, 1);
        QCOMPARE(state.PortNumber, 1);
        QVERIFY(state.AdminPassword != state.UserPassword);
        // Loading again, on any desktop, changes nothing.
        const QByteArray first = readFile(m_path);
        settings::LoadSettings(state, ini, QLocale(QLocale::German));
        QCOMPARE(readFile(m_path), first);
    }

    void loadRepairsBadIntegersOnly()
    {
        writeFile(m_path, "[PASSWORD]\r\nsys_nr=abc\r\nsys_nr2=0x10\r\n[COM_PORT]\r\nPORT=7\r\n");
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        QCOMPARE(state.SystemNumber, 1);
        QCOMPARE(state.OldSystemNumber, 16);
        QCOMPARE(state.PortNumber, 7);
        QVERIFY(settings::PortCaptionFor(state.PortNumber).isEmpty());
        const QByteArray after = readFile(m_path);
        QVERIFY(after.startsWith("[PASSWORD]\r\nsys_nr=1\r\nsys_nr2=16\r\n"));
        QVERIFY(after.contains("PORT=7\r\n"));
    }

    void loadAndSaveKeepForeignLines()
    {
        writeFile(m_path, ForeignFile);
        ProgramState state;
        IniFile ini(m_path);
        const settings::Loaded loaded = settings::LoadSettings(state, ini);
        QCOMPARE(loaded.languageName, QStringLiteral("český"));
        QCOMPARE(state.SystemNumber, 16);
        QCOMPARE(state.PortNumber, 3);

        QByteArray expected = ForeignFile;
        expected.replace("  SYS_NR = 0x10 ", "sys_nr=16");
        // The plain passwords are stored as their hashes at once.
        expected.replace("admin2=user pass ", "admin2=$argon2id$#");
        expected.replace("admin=secret", "admin=$argon2id$#");
        // The missing sys_nr2 joins its section after the last key.
        expected.replace("admin2=$argon2id$#\r\n\r\n", "admin2=$argon2id$#\r\nsys_nr2=1\r\n\r\n");
        expected.replace("language=\xe8", "Language=\xe8");
        QCOMPARE(masked(readFile(m_path)), expected);
        QCOMPARE(loaded.hashed, QStringList({"admin", "admin2"}));
        QCOMPARE(settings::CheckLogin(state, "user pass").role, settings::LoginCheck::Role::User);

        // Every Save stores the same values again: nothing else moves.
        QString error;
        QVERIFY(settings::SaveSettings(state, loaded.languageName, ini, &error));
        QCOMPARE(masked(readFile(m_path)), expected);
        settings::SaveResult r = settings::SaveAdminPassword(state, "secret", loaded.languageName, ini);
        QCOMPARE(r.confirmTextSlot, 101);
        r = settings::SaveUserPassword(state, "user pass", loaded.languageName, ini);
        QCOMPARE(r.confirmTextSlot, 102);
        QCOMPARE(masked(readFile(m_path)), expected);
        // The device keys are never written back.
        QCOMPARE(settings::PortDevice(ini, 3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(settings::PortDevice(ini, 2), platform::defaultPortDevice(2));
    }

    void readBackKey_data()
    {
        QTest::addColumn<QByteArray>("cards"); // the CARDS section, if any
        QTest::addColumn<bool>("on");
        QTest::newRow("absent") << QByteArray() << true;
        QTest::newRow("off") << QByteArray("[CARDS]\r\nReadBack=0\r\n") << false;
        QTest::newRow("off, as typed by hand") << QByteArray("[cards]\r\n readback = 0 \r\n") << false;
        QTest::newRow("on") << QByteArray("[CARDS]\r\nReadBack=1\r\n") << true;
        QTest::newRow("not a number") << QByteArray("[CARDS]\r\nReadBack=no\r\n") << true;
    }
    void readBackKey()
    {
        QFETCH(QByteArray, cards);
        QFETCH(bool, on);
        writeFile(m_path, DefaultFile + cards);
        ProgramState state;
        IniFile ini(m_path);
        const settings::Loaded loaded = settings::LoadSettings(state, ini);
        QString error;
        QVERIFY(settings::SaveSettings(state, loaded.languageName, ini, &error));
        QCOMPARE(settings::ReadBackCards(ini), on);
        // The program's writes keep the file's keys: none added, none changed.
        QCOMPARE(readFile(m_path), DefaultFile + cards);
    }

    void readOnlyAtStartKeepsPasswords()
    {
        writeFile(m_path, "[PASSWORD]\r\nsys_nr=5\r\nadmin=boss\r\nadmin2=clerk\r\n");
        makeReadOnly(m_path);
        ProgramState state;
        IniFile ini(m_path);
        const settings::Loaded loaded = settings::LoadSettings(state, ini);
        QCOMPARE(loaded.error, QStringLiteral("Unable to write to %1").arg(m_path));
        QCOMPARE(state.SystemNumber, 5);
        QCOMPARE(state.AdminPassword, QStringLiteral("boss"));
        QCOMPARE(state.UserPassword, QStringLiteral("clerk"));
        QCOMPARE(state.PortNumber, 1);
    }

    void systemNumberSave_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("above range") << "2000000"
                                     << "1000000" << 1000000;
        QTest::newRow("negative") << "-5"
                                  << "1" << 1;
        QTest::newRow("zero") << "0"
                              << "1" << 1;
        QTest::newRow("in range") << "4711"
                                  << "4711" << 4711;
        QTest::newRow("hex") << "0x10"
                             << "0x10" << 16;
    }
    void systemNumberSave()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        state.SystemNumber = 77;
        const settings::SaveResult r = settings::SaveSystemNumber(state, typed, "English", ini);
        QCOMPARE(r.edit1Text, shown);
        QCOMPARE(r.edit2Text, QStringLiteral("77"));
        QCOMPARE(r.confirmTextSlot, 100);
        QCOMPARE(r.confirmCaptionSlot, 99);
        QCOMPARE(state.SystemNumber, stored);
        QCOMPARE(ini.readInteger("PASSWORD", "sys_nr", 0), stored);
        QCOMPARE(ini.readInteger("PASSWORD", "sys_nr2", 0), 77);
        QCOMPARE(ini.readString("Language", "Language", ""), QStringLiteral("English"));
    }

    void systemNumberSaveRejectsText()
    {
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        state.SystemNumber = 42;
        const QByteArray before = readFile(m_path);
        const settings::SaveResult r = settings::SaveSystemNumber(state, "abc", "Polski", ini);
        QCOMPARE(r.error, QStringLiteral("'abc' is not a valid integer value"));
        QCOMPARE(r.confirmTextSlot, -1);
        QCOMPARE(state.OldSystemNumber, 42); // already moved, as the box shows
        QCOMPARE(r.edit2Text, QStringLiteral("42"));
        QCOMPARE(state.SystemNumber, 42);
        QCOMPARE(readFile(m_path), before);
    }

    void savingTwiceMakesOldEqualCurrent()
    {
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        settings::SaveSystemNumber(state, "300", "Polski", ini);
        settings::SaveSystemNumber(state, "300", "Polski", ini);
        QCOMPARE(state.OldSystemNumber, 300);
        QCOMPARE(state.SystemNumber, 300);
    }

    void saveStoresPortAndLanguageHeldInMemory()
    {
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        state.PortNumber = 3; // chosen in the Port menu
        settings::SaveResult r = settings::SaveUserPassword(state, "", "Klingon", ini);
        QCOMPARE(r.error, state.TextSlots[Text::PasswordEmpty]);
        QCOMPARE(ini.readInteger("COM_PORT", "PORT", 0), 1); // nothing stored
        r = settings::SaveUserPassword(state, "clerk", "Klingon", ini);
        QCOMPARE(r.confirmTextSlot, 102);
        QCOMPARE(ini.readInteger("COM_PORT", "PORT", 0), 3);
        QCOMPARE(ini.readString("Language", "Language", ""), QStringLiteral("Klingon"));
        r = settings::SaveAdminPassword(state, "clerk", "Klingon", ini);
        QCOMPARE(r.error, state.TextSlots[Text::PasswordOfOtherRole]); // the user's now
        r = settings::SaveAdminPassword(state, " ", "Klingon", ini);
        QCOMPARE(password::check(" ", ini.readString("PASSWORD", "admin", "x")), password::Check::Match);
    }

    void failedSaveShowsErrorInsteadOfConfirmation()
    {
        ProgramState state;
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        makeReadOnly(m_path);
        const settings::SaveResult r = settings::SaveAdminPassword(state, "x", "Polski", ini);
        QCOMPARE(r.error, QStringLiteral("Unable to write to %1").arg(m_path));
        QCOMPARE(r.confirmTextSlot, -1);
    }

    // A Save stores a value only if the file gives it back exactly; otherwise
    // it names the reason and changes neither the file nor the values in memory.
    void valuesReadBackOrAreRefused_data()
    {
        QTest::addColumn<int>("box"); // 0 administrator, 1 user password, 2 language (with a system-number Save)
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("refusal");
        auto english = [](Text::Id id) { return i18n::findLanguageTable(u"English")->at(id); };
        const QString character = english(Text::SettingCharacterRefused);
        QTest::newRow("n tilde") << 0 << "se\u00f1or"
                                 << "The character \"\u00f1\" cannot be stored in the configuration file. Nothing has "
                                    "been saved.";
        QTest::newRow("emoji named whole") << 1 << "a\U0001F600" << character.arg(u"\U0001F600");
        QTest::newRow("language n tilde") << 2 << "Espa\u00f1ol" << character.arg(u"\u00f1");
        QTest::newRow("quotes") << 0 << "\"x\"" << english(Text::SettingQuotesRefused);
        QTest::newRow("single quotes") << 1 << "'x'" << english(Text::SettingQuotesRefused);
        QTest::newRow("leading blank") << 1 << " x" << english(Text::SettingBlanksRefused);
        QTest::newRow("trailing tab") << 2 << "x\t" << english(Text::SettingBlanksRefused);
        QTest::newRow("too long") << 0 << QString(2048, u'x') << english(Text::SettingTooLongRefused).arg(2047);
        QTest::newRow("line break") << 1 << "a\nb" << english(Text::SettingLineBreakRefused);
        QTest::newRow("longest") << 0 << QString(2047, u'x') << QString();
        QTest::newRow("unmatched quote") << 1 << "\"abc" << QString();
        QTest::newRow("mixed quotes, Czech letter") << 2 << "'a\"\u010d\"" << QString();
    }
    void valuesReadBackOrAreRefused()
    {
        QFETCH(int, box);
        QFETCH(QString, value);
        QFETCH(QString, refusal);
        ProgramState state;
        QVERIFY(i18n::copyLanguageTable(u"English", &state.TextSlots));
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        const QByteArray before = readFile(m_path);
        const settings::SaveResult r = box == 0   ? settings::SaveAdminPassword(state, value, "English", ini)
                                       : box == 1 ? settings::SaveUserPassword(state, value, "English", ini)
                                                  : settings::SaveSystemNumber(state, "9", value, ini);
        if (box < 2) // a password is stored as its hash: any text can be, up to the hash's limit
            refusal = value.toUtf8().size() > password::MaxLength
                          ? i18n::findLanguageTable(u"English")->at(Text::PasswordTooLong).arg(password::MaxLength)
                          : QString();
        QCOMPARE(r.error, refusal);
        QCOMPARE(r.confirmTextSlot == settings::NoConfirmation, !refusal.isEmpty());
        if (!refusal.isEmpty()) {
            QCOMPARE(readFile(m_path), before);
            QCOMPARE(state.SystemNumber, 1);
            return;
        }
        // A restart reads it back, and so does the one after that restart's write-back.
        for (int start = 0; start < 2; ++start) {
            ProgramState next;
            const QString language = settings::LoadSettings(next, ini).languageName;
            if (box < 2)
                QCOMPARE(password::check(value, box == 0 ? next.AdminPassword : next.UserPassword),
                         password::Check::Match);
            else
                QCOMPARE(language, value);
        }
    }

    // Each action writes config.ini once: the new content is durable before
    // the rename puts it in place, and the directory after.
    void oneActionOneDurableWrite_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("action"); // 0 start-up, 1 system number, 2 administrator password, 3 language Save
        QTest::newRow("first start") << QByteArray() << 0;
        QTest::newRow("start with foreign lines") << ForeignFile << 0;
        QTest::newRow("system number Save") << DefaultFile << 1;
        QTest::newRow("password Save on foreign lines") << ForeignFile << 2;
        QTest::newRow("language Save") << DefaultFile << 3;
    }
    void oneActionOneDurableWrite()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, action);
        if (!file.isEmpty())
            writeFile(m_path, file);
        ProgramState state;
        IniFile ini(m_path);
        if (action != 0)
            settings::LoadSettings(state, ini);

        QStringList calls;
        syncCalls.syncFile = [&](int fd) { return calls.append("sync new content"), platform::syncFull(fd); };
        syncCalls.rename = [&](const QString& from, const QString& to) {
            return calls.append("rename"), platform::replaceFile(from, to);
        };
        syncCalls.syncDirectory = [&](int fd) { return calls.append("sync directory"), platform::syncFull(fd); };
        QString error;
        if (action == 0)
            QVERIFY(settings::LoadSettings(state, ini).error.isEmpty());
        else if (action == 1)
            QCOMPARE(settings::SaveSystemNumber(state, "12", "Polski", ini).confirmTextSlot, Text::SystemNumberSaved);
        else if (action == 2)
            QCOMPARE(settings::SaveAdminPassword(state, "a", "Polski", ini).confirmTextSlot, Text::AdminPasswordSaved);
        else
            QVERIFY(settings::SaveSettings(state, "English", ini, &error));
        QCOMPARE(calls, QStringList({"sync new content", "rename", "sync directory"}));
    }

    // When the directory takes no new file (the rename is refused) but
    // config.ini is writable, the file is rewritten in place. Any other
    // failure leaves the file and the values in memory as they were.
    void inPlaceOnlyWhenTheDirectoryRefuses_data()
    {
        QTest::addColumn<int>("renameErrno");
        QTest::addColumn<int>("syncErrno");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("saved");
        QTest::newRow("rename not permitted") << EACCES << 0 << true << true;
        QTest::newRow("rename I/O error") << EIO << 0 << true << false;
        QTest::newRow("no file to write in place") << EACCES << 0 << false << false;
        QTest::newRow("new content not durable") << 0 << EIO << true << false;
    }
    void inPlaceOnlyWhenTheDirectoryRefuses()
    {
        QFETCH(int, renameErrno);
        QFETCH(int, syncErrno);
        QFETCH(bool, fileThere);
        QFETCH(bool, saved);
        QByteArray before = ForeignFile + "\r\n; a tail the shorter new text must not leave twice\r\n";
        before.replace("admin=secret", "admin=" + QByteArray(200, 's')); // longer than a hash
        if (fileThere)
            writeFile(m_path, before);
        struct stat st0 = {}, st1 = {};
        ::stat(QFile::encodeName(m_path).constData(), &st0);
        ProgramState state;
        state.AdminPassword = "old";
        IniFile ini(m_path);
        int syncs = 0;
        syncCalls.rename = [&](const QString& from, const QString& to) {
            return renameErrno ? (errno = renameErrno, -1) : platform::replaceFile(from, to);
        };
        syncCalls.syncFile = [&](int fd) {
            return ++syncs == 1 && syncErrno ? (errno = syncErrno, -1) : platform::syncFull(fd);
        };
        const settings::SaveResult r = settings::SaveAdminPassword(state, "x", "Polski", ini);

        QCOMPARE(r.error.section(u'\n', 0, 0), saved ? QString() : QStringLiteral("Unable to write to %1").arg(m_path));
        QCOMPARE(password::check(saved ? "x" : "old", state.AdminPassword), password::Check::Match);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 fileThere ? QStringList{"config.ini"} : QStringList{});
        if (!saved) {
            QCOMPARE(readFile(m_path), fileThere ? before : QByteArray());
            return;
        }
        // Byte for byte what the usual replacement writes, in the same inode.
        QTemporaryDir ref;
        writeFile(ref.filePath("config.ini"), before);
        IniFile refIni(ref.filePath("config.ini"));
        syncCalls = SyncCalls{};
        settings::SaveAdminPassword(state, "x", "Polski", refIni);
        QCOMPARE(masked(readFile(m_path)), masked(readFile(refIni.path())));
        QVERIFY(readFile(m_path).size() < before.size());
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st1), 0);
        QCOMPARE(st1.st_ino, st0.st_ino);
        QCOMPARE(syncs, 2); // the temporary file's, then the file's own
    }

    // Each stored form at a login: what opens, what is named as uncheckable,
    // and whether the opened value is replaced by a new Argon2id hash. Hashes
    // made outside the program: libsodium's crypto_pwhash_str and libcrypt's
    // yescrypt. A Windows build has no crypt library for "$y$".
    void storedHashesAtLogin_data()
    {
        QTest::addColumn<QByteArray>("admin");
        QTest::addColumn<QByteArray>("admin2");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("opens"); // the key whose role opens
        QTest::addColumn<QString>("unreadable");
        QTest::addColumn<bool>("rehashed"); // the opened key's value replaced
        QTest::addColumn<QString>("opensOnWindows");
        QTest::addColumn<QString>("linuxOnlyKey"); // named on Windows
        const QString typed = QStringLiteral("Zażółć gęślą");
        const QByteArray argon2id =
            "$argon2id$v=19$m=65536,t=2,p=1$1Z+qQj+yNoUn+4ZtHRDggg$xIL4gXqI7Eofovea7G7S5z7uoUNYcOwsc2LwDDAIqM0";
        const QByteArray cheaper =
            "$argon2id$v=19$m=16384,t=2,p=1$48hk0au6hi4fHjMD+NOSbA$pZmBLlEp2rgDoAiE2WJVbG+cCCERN45J9RPokNzzYkU";
        const QByteArray yescrypt = "$y$j9T$CxVjXoBgPab8ko06Szb3e1$oB4gv0EX.SDCoC1ueBMAQjFhVBWkFMkvAc7WbwYHfv8";
        const QByteArray clerkYescrypt = "$y$j9T$UlcDQETZQvwh98yZ3lWcM.$LESUEBfekaNbZSOR5/0gwSXhqLCoAHjHBys/anm0SE7";
        const QByteArray clerk = "clerk";
        QTest::newRow("Argon2id") << argon2id << clerkYescrypt << typed << "admin" << "" << false << "admin" << "";
        QTest::newRow("Argon2id, wrong password")
            << argon2id << clerkYescrypt << typed.toLower() << "" << "" << false << "" << "admin2";
        QTest::newRow("Argon2id at a lower cost")
            << cheaper << clerkYescrypt << typed << "admin" << "" << true << "admin" << "";
        QTest::newRow("yescrypt") << yescrypt << clerk << typed << "admin" << "" << true << "" << "admin";
        QTest::newRow("yescrypt, the other role's password")
            << yescrypt << clerk << "clerk" << "admin2" << "" << false << "admin2" << "";
        QTest::newRow("Argon2id past the dearest cost")
            << QByteArray(argon2id).replace("m=65536", "m=4194304") << clerk << "clerk" << "" << "admin" << false << ""
            << "";
        QTest::newRow("Argon2id cut short")
            << cheaper.left(60) << clerk << "clerk" << "" << "admin" << false << "" << "";
    }
    void storedHashesAtLogin()
    {
        QFETCH(QByteArray, admin);
        QFETCH(QByteArray, admin2);
        QFETCH(QString, typed);
        QFETCH(QString, opens);
        QFETCH(QString, unreadable);
        QFETCH(bool, rehashed);
        QFETCH(QString, opensOnWindows);
        QFETCH(QString, linuxOnlyKey);
        const bool windows = QSysInfo::kernelType() == QLatin1String("winnt");
        if (windows)
            opens = opensOnWindows;
        else
            linuxOnlyKey.clear();
        writeFile(m_path, "[PASSWORD]\r\nadmin=" + admin + "\r\nadmin2=" + admin2 + "\r\n");
        ProgramState state;
        QVERIFY(i18n::copyLanguageTable(u"English", &state.TextSlots));
        IniFile ini(m_path);
        settings::LoadSettings(state, ini);
        const auto stored = [&](const QString& key) { return IniFile(m_path).readString("PASSWORD", key, {}); };
        const QString before[2] = {stored("admin"), stored("admin2")};
        const settings::LoginCheck check = settings::CheckLogin(state, typed);
        const settings::LoginCheck::Role roles[2] = {settings::LoginCheck::Role::Administrator,
                                                     settings::LoginCheck::Role::User};
        QCOMPARE(check.role, opens.isEmpty() ? settings::LoginCheck::Role::None : roles[opens == "admin2"]);
        auto english = [](Text::Id id) { return i18n::findLanguageTable(u"English")->at(id); };
        QCOMPARE(settings::LoginRefusal(state, check, m_path),
                 !unreadable.isEmpty()    ? english(Text::PasswordValueUnreadable).arg(unreadable, m_path)
                 : !linuxOnlyKey.isEmpty() ? english(Text::PasswordHashOfLinux).arg(linuxOnlyKey, m_path)
                                           : QString());
        QString error;
        if (!opens.isEmpty())
            QVERIFY2(settings::HashPlainPasswords(state, ini, &error, nullptr, nullptr, typed), qPrintable(error));
        for (int k = 0; k < 2; ++k) {
            const QString key = k == 0 ? "admin" : "admin2";
            const QString now = stored(key);
            QCOMPARE(now != before[k], rehashed && key == opens);
            if (now != before[k]) {
                QVERIFY(now.startsWith("$argon2id$") && !password::outdated(now));
                QCOMPARE(settings::CheckLogin(state, typed).role, roles[k]);
            }
        }
    }

    // Wrong passwords in a row slow the next try down; a right one starts the
    // count again, so the try after it is answered at once.
    void loginThrottleStartsAgain_data()
    {
        QTest::addColumn<QString>("tries"); // w wrong, r right
        QTest::addColumn<int>("wait");      // seconds before the next try is checked
        QTest::newRow("three wrong") << "www" << 1;
        QTest::newRow("six wrong") << "wwwwww" << 8;
        QTest::newRow("six wrong, then right") << "wwwwwwr" << 0;
        QTest::newRow("right, then two wrong") << "wwwwwwrww" << 0;
        QTest::newRow("right, then three wrong") << "wwwwwwrwww" << 1;
    }
    void loginThrottleStartsAgain()
    {
        QFETCH(QString, tries);
        QFETCH(int, wait);
        LoginThrottle throttle;
        for (QChar t : tries)
            t == u'w' ? throttle.wrong() : throttle.right();
        QCOMPARE(throttle.waitBeforeCheck().count(), wait);
    }

    void portGoesToUserSettings()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Windows: the user's registry key, which the installer makes; Linux:
        // the user's settings file.
        const bool registry = QSysInfo::kernelType() == QLatin1String("winnt");
        const auto store = registry ? std::make_unique<QSettings>("HKEY_CURRENT_USER\\SoftwareRegQ5", QSettings::NativeFormat)
                                    : std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                                  "Pellaro", "pellaro");
        const QString value = registry ? "Port" : "SoftwareRegQ5/Port";
        if (registry) {
            store->setValue(value, 0);
            store->sync();
        }
        QString error;
        QVERIFY2(settings::SavePortToRegistry(4, *i18n::findLanguageTable(u"English"), &error), qPrintable(error));
        store->sync();
        QCOMPARE(store->value(value).toInt(), 4);
        store->remove(value);
        QFile::remove(store->fileName());
    }

    // A port the registry would not take: the message, and where the key is
    // missing, in the operator's language, how to make it.
    void portNotStoredSaysWhatToDo_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("advice");
        QTest::newRow("key missing, English") << int(platform::RegistryWrite::KeyMissing) << "English"
                                              << "reg add HKCU\\SoftwareRegQ5 /v Port /t REG_DWORD /d 3";
        QTest::newRow("key missing, Czech") << int(platform::RegistryWrite::KeyMissing) << "český"
                                            << "vytvořte na příkazovém řádku";
        QTest::newRow("key not writable") << int(platform::RegistryWrite::Failed) << "English" << "";
        QTest::newRow("written") << int(platform::RegistryWrite::Written) << "English" << "";
    }
    void portNotStoredSaysWhatToDo()
    {
        QFETCH(int, outcome);
        QFETCH(QString, language);
        QFETCH(QString, advice);
        QStringList asked;
        const auto writer = [&asked, outcome](const QString& key, const QString& name, quint32 value) {
            asked << QStringLiteral("%1 %2 %3").arg(key, name).arg(value);
            return platform::RegistryWrite(outcome);
        };
        QString error;
        const bool written = settings::SavePortToRegistry(3, *i18n::findLanguageTable(language), &error, writer);
        QCOMPARE(asked, QStringList{"SoftwareRegQ5 Port 3"});
        QCOMPARE(written, outcome == int(platform::RegistryWrite::Written));
        QCOMPARE(error.section(u'\n', 0, 0), written ? QString() : QStringLiteral("Failed to set data for 'Port'"));
        QCOMPARE(error.contains(u'\n'), !advice.isEmpty());
        QVERIFY2(error.contains(advice), qPrintable(error));
    }

    // Whether an account may work in a folder: a group the system's list
    // gives it but its session lacks is told apart from one it is not in.
    void folderAccess_data()
    {
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<unsigned>("account");
        QTest::addColumn<std::vector<unsigned>>("processGroups");
        QTest::addColumn<std::vector<unsigned>>("accountGroups");
        QTest::addColumn<int>("access");
        // The folder: owner 1000, group 500.
        using A = shared::FolderAccess;
        const std::vector<unsigned> none{100}, member{100, 500};
        QTest::newRow("group joined after the session began") << 02770u << 1001u << none << member << int(A::GroupNotActive);
        QTest::newRow("group in the session") << 02770u << 1001u << member << member << int(A::Granted);
        QTest::newRow("not in the group") << 02770u << 1001u << none << none << int(A::NotInGroup);
        QTest::newRow("group may not write") << 02750u << 1001u << member << member << int(A::Refused);
        QTest::newRow("the owner, no write") << 0500u << 1000u << member << member << int(A::Refused);
        QTest::newRow("open to all") << 0777u << 1001u << none << none << int(A::Granted);
        QTest::newRow("root") << 0700u << 0u << none << none << int(A::Granted);
    }
    void folderAccess()
    {
        QFETCH(unsigned, mode);
        QFETCH(unsigned, account);
        QFETCH(std::vector<unsigned>, processGroups);
        QFETCH(std::vector<unsigned>, accountGroups);
        QFETCH(int, access);
        QCOMPARE(int(shared::judgeAccess({mode, 1000, 500, account, processGroups, accountGroups})), access);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestConfig)
#include "test_config.moc"
