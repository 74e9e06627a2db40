#include "app/Form1.h"
#include "app/HeldTables.h"
#include "config/DeskHold.h"
#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "data/Backup.h"
#include "config/PasswordHash.h"
#include "platform/CryptHash.h"
#include "platform/FileModes.h"
#include "platform/SharedFolder.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageTables.h"
#include "journal/JournalFormat.h"
#include "audit/TableWatch.h"
#include "i18n/Text.h"
#include "link/ProgrammerLink.h"
#include "ui/StatusPart.h"
#include "pgstore/PgSiteSettings.h"
#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSysInfo>
#include <QStyle>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "PortKey.h"
#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

namespace {

// A password or system number as the next start reads it: config.ini's, or on
// the test server (where config.ini names the database) the site's.
using teststore::storedSetting;

} // namespace

namespace {

// Every text the status bar shows, by the part it shows in, in one language;
// names and numbers as long as a site's are likely to be.
QList<std::pair<QString, QString>> statusTexts(const QString& language)
{
    const i18n::LanguageTable& t = *i18n::findLanguageTable(language);
    const QString holder = QStringLiteral("65535 Małgorzata Brzęczyszczykiewicz");
    const QString card = QStringLiteral("FFFFFFFFFF");
    const QString server = QStringLiteral("pellaro-db.example.local:5432");
    QList<std::pair<QString, QString>> texts{
        {"LinkStatus", t[Text::NoCardAnswered]},
        {"LinkStatus", QStringLiteral("Disconnect...")},
        {"LinkStatus", t[Text::ProgramWrittenVerified].arg(holder, card)},
        {"LinkStatus", t[Text::ProgramWrittenUnchecked].arg(holder, card)},
        {"LinkStatus", t[Text::ProgramWrittenUnconfirmed].arg(holder, card)},
        {"DefaultPasswords", t[Text::DefaultPasswordsShort]},
        {"ProgramListStatus", t[Text::ProgramListStatus].arg(999).arg(999)},
        {"CardsToRewriteStatus", t[Text::CardsToRewriteCount].arg(9999)},
        {"DatabaseStatus", t[Text::DatabaseInUse].arg(QStringLiteral("pellaro"), server)},
        {"DatabaseStatus", t[Text::DatabaseBack].arg(server)},
        {"DatabaseStatus", t[Text::DatabaseUnreachable].arg(server, t[Text::DatabaseSilent].arg(10))},
    };
    for (const QString& frame : ProgrammerLink::AnimationFrames())
        texts.append({"LinkStatus", QStringLiteral("Connect: COM4 ") + frame});
    return texts;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBox::setRecording(true);
        portkey::makeAsTheInstallerWould();
    }
    void cleanupTestCase() { portkey::takeAway(); }

    void init() { QVERIFY(renewWorkingDirectory(m_dir)); }

    void cleanup() { m_dir.reset(); }

    // Each status text in each language, in its part of the bar at the
    // working window's size while every other part holds its longest text
    // (the database's row shown too): all of it fits, none is cut.
    void statusTextsFitTheBar_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("text");
        for (const QString& language : i18n::languageNames())
            for (const auto& [part, text] : statusTexts(language))
                QTest::addRow("%s %s %s", qPrintable(language), qPrintable(part), qPrintable(text.left(24)))
                    << language << part << text;
    }
    void statusTextsFitTheBar()
    {
        QFETCH(QString, language);
        QFETCH(QString, part);
        QFETCH(QString, text);
        Program p;
        p.ui().DatabaseStatus->show();
        p.ui().fitStatusBar();
        p.applyLanguage();
        p.form1->EnterWorkingState(TForm1::Role::Administrator);
        const QFontMetrics metrics = p.ui().LinkStatus->fontMetrics();
        QHash<QString, QString> longest;
        for (const auto& [name, each] : statusTexts(language))
            if (metrics.horizontalAdvance(each) > metrics.horizontalAdvance(longest.value(name)))
                longest[name] = each;
        longest[part] = text;
        // The link's animation and the count would write over the texts.
        for (QTimer* timer : p.form1->findChildren<QTimer*>())
            timer->stop();
        p.form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.form1.get()));
        for (auto it = longest.cbegin(); it != longest.cend(); ++it) {
            p.find<StatusPart>(qPrintable(it.key()))->setText(it.value());
            p.find<StatusPart>(qPrintable(it.key()))->show(); // the list's count too, as while a list runs
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // Measured as the part paints it: one line, or wrapped where it has more.
        auto* shown = p.find<StatusPart>(qPrintable(part));
        const QRect room = shown->contentsRect();
        const int wrap = shown->lines() > 1 ? Qt::TextWordWrap : Qt::TextSingleLine;
        const QSize needed = metrics.boundingRect(QRect(0, 0, room.width(), 10000), wrap, text).size();
        QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                 qPrintable(QStringLiteral("%1 px in %2 px").arg(needed.width()).arg(room.width())));
        QCOMPARE(shown->shownText(), text);
    }

    void firstStartShowsLoginState()
    {
        if (teststore::onServer())
            QSKIP("compares config.ini byte by byte, which names the test database here");
        Program p;
        // Until the first language tick the caption is the designed one.
        QCOMPARE(p.form1->windowTitle(), QStringLiteral("PELLARO V?"));
        p.form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.form1.get()));
        QCOMPARE(p.form1->size(), QSize(400, 200));
        QVERIFY(p.ui().Image1->isVisible());
        QVERIFY(p.ui().Edit5->isVisible());
        QVERIFY(p.ui().BitBtn1->isVisible());
        for (QWidget* w : {static_cast<QWidget*>(p.ui().Pager1), static_cast<QWidget*>(p.ui().Status),
                           static_cast<QWidget*>(p.ui().Bevel1), static_cast<QWidget*>(p.ui().Memo1)})
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        // No menu command can be reached before a login.
        QVERIFY(!p.form1->menuBar()->isVisible());
        for (QMenu* m : {p.ui().Edycja1, p.ui().Port1, p.ui().Pomoc1})
            QVERIFY(!m->menuAction()->isVisible());

        QCOMPARE(QString::fromLatin1(readFile("config.ini"))
                     .replace(QRegularExpression(QStringLiteral("\\$argon2id\\$[^\r]*")), QStringLiteral("$a$#")),
                 QStringLiteral("[PASSWORD]\r\nsys_nr=1\r\nsys_nr2=1\r\nadmin=$a$#\r\nadmin2=$a$#\r\n"
                                "[COM_PORT]\r\nPORT=1\r\n[Language]\r\nLanguage=Polski\r\n"));
        QCOMPARE(p.form1->state().PortCaption, QStringLiteral("COM1 "));
        QCOMPARE(p.form1->state().VersionText, QStringLiteral("1.13"));
        QCOMPARE(p.form1->state().LockedColor, 13616833u);
        QVERIFY(MessageBox::takeShown().isEmpty());

        p.applyLanguage();
        QCOMPARE(p.form1->windowTitle(), QStringLiteral("Pellaro V1.13"));
        QCOMPARE(p.ui().BitBtn1->text(), QStringLiteral("Zatwierdź"));
        QCOMPARE(p.ui().Edit5->placeholderText(), QStringLiteral("Hasło"));
    }

    void settingsReachTheBoxes()
    {
        writeFile("config.ini", "[PASSWORD]\r\nsys_nr=0x10\r\nsys_nr2=abc\r\n[COM_PORT]\r\nPORT=7\r\n"
                                "[Language]\r\nLanguage=English\r\n");
        Program p;
        QCOMPARE(p.ui().Edit1->text(), QStringLiteral("16"));
        QCOMPARE(p.ui().Edit2->text(), QStringLiteral("1"));
        QCOMPARE(p.ui().ComboBox1->currentText(), QStringLiteral("English"));
        QCOMPARE(p.form1->state().PortNumber, 7);
        QVERIFY(p.form1->state().PortCaption.isEmpty());
        QVERIFY(readFile("config.ini").contains("sys_nr2=1\r\n"));
        p.applyLanguage();
        QCOMPARE(p.ui().Pager1->tabText(0), QStringLiteral("Users"));
    }

    // A box at the start runs its own event loop, and the language tick with
    // it: the menus added to the window take the language there too.
    void menusTakeTheLanguageWhileAStartBoxIsOpen()
    {
        writeFile("config.ini", "[Language]\r\nLanguage=English\r\n");
        QVERIFY(QDir().mkdir(".restore-partial")); // a restore cut short: undone, and told
        MessageBox::setRecording(false);
        bool boxShown = false;
        QTimer::singleShot(300, [&boxShown] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                boxShown = true;
                box->close();
            }
        });
        Program p;
        MessageBox::setRecording(true);
        QVERIFY(boxShown);
        QCOMPARE(p.form1->findChild<QAction*>("CardsToRewrite1")->text(), QStringLiteral("Cards to rewrite…"));
        QCOMPARE(p.form1->findChild<QAction*>("Print1")->text(), QStringLiteral("Print…"));
    }

    void readOnlyConfigKeepsPasswords()
    {
        writeFile("config.ini", "[PASSWORD]\r\nadmin=boss\r\nadmin2=clerk\r\n");
        QFile::setPermissions("config.ini", QFile::ReadOwner);
        Program p;
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.startsWith(QStringLiteral("Unable to write to ")));
        QCOMPARE(p.form1->state().AdminPassword, QStringLiteral("boss"));
        // An empty password box must not open anything.
        QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
        QVERIFY(!p.form1->inWorkingState());
        QCOMPARE(MessageBox::takeShown().value(0).text, QStringLiteral("Niepoprawne haslo."));
    }

    void missingTableStopsStartWithItsName()
    {
        if (teststore::onServer())
            QSKIP("about a dBase file missing from the working directory");
        QVERIFY(QFile::remove("sprzet.dbf"));
        try {
            TForm1 form1;
            QFAIL("the main window opened without sprzet.dbf");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("sprzet.dbf")), qPrintable(e.message()));
        }
    }

    void loginRoles()
    {
        {
            Program p;
            p.applyLanguage();
            QTest::keyClicks(p.ui().Edit5, "1 ");
            QTest::keyClick(p.ui().Edit5, Qt::Key_Return);
            QVERIFY(!p.form1->inWorkingState()); // a trailing blank is part of the password
            QCOMPARE(MessageBox::takeShown().value(0).caption, QStringLiteral("Uwaga!"));
            QCOMPARE(p.ui().Edit5->text(), QStringLiteral("1 "));
            p.ui().Edit5->setText("1");
            QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
            QVERIFY(p.form1->inWorkingState());
            QCOMPARE(p.form1->frameGeometry().width(), 690);
            // The status bar's second row adds to the designed height.
            QCOMPARE(p.form1->frameGeometry().height(), 600 + p.ui().statusBarGrowth());
            QVERIFY(p.ui().Pager1->isVisibleTo(p.form1.get()));
            QVERIFY(!p.ui().Image1->isVisibleTo(p.form1.get()));
            QVERIFY(!p.ui().Memo1->isVisibleTo(p.form1.get()));
            QVERIFY(p.ui().Port1->menuAction()->isVisible());
            QVERIFY(p.ui().Button5->isEnabled());
        }
        {
            Program p;
            p.ui().Edit5->setText("2");
            QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
            QVERIFY(p.form1->inWorkingState());
            QCOMPARE(p.form1->frameGeometry().width(), 693);
            QVERIFY(!p.ui().GroupBox1->isEnabled());
            QVERIFY(!p.ui().Button5->isEnabled());
            QCOMPARE(p.ui().Edit1->text(), QStringLiteral("********"));
            QVERIFY(!p.ui().Edit6->isEnabled());
            QVERIFY(p.ui().Button18->isEnabled()); // the language stays the user's choice
        }
    }

    // Stored values of every form, logged in through the box; config.ini as
    // it is afterwards, and what a second start accepts.
    void passwordLogin_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("width"); // of the role opened, 0 for none
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("defaults"); // the default-password warning and hint
        QTest::newRow("new installation") << QByteArray() << "1" << 690 << "" << true;
        QTest::newRow("plain admin, from before hashing")
            << QByteArray("[PASSWORD]\r\nadmin=boss\r\nadmin2=clerk\r\n") << "boss" << 690 << "" << false;
        QTest::newRow("plain user, any character") << QByteArray("[PASSWORD]\r\nadmin=boss\r\nadmin2=\xe8lerk\r\n")
                                                   << "člerk" << 693 << "" << false;
        QTest::newRow("plain default user") << QByteArray("[PASSWORD]\r\nadmin=boss\r\nadmin2=2\r\n") << "2" << 693 << ""
                                            << true;
        QTest::newRow("wrong case") << QByteArray("[PASSWORD]\r\nadmin=boss\r\nadmin2=clerk\r\n") << "Boss" << 0
                                    << "Niepoprawne haslo." << false;
        QTest::newRow("plain beginning with a dollar")
            << QByteArray("[PASSWORD]\r\nadmin=$money\r\nadmin2=clerk\r\n") << "$money" << 690 << "" << false;
        QTest::newRow("empty value, default password")
            << QByteArray("[PASSWORD]\r\nadmin=\r\nadmin2=clerk\r\n") << "1" << 690 << "" << true;
        QTest::newRow("empty value, empty box")
            << QByteArray("[PASSWORD]\r\nadmin=\r\nadmin2=clerk\r\n") << "" << 0 << "Niepoprawne haslo." << true;
        // A value that cannot be checked stops the other role's login too.
        QTest::newRow("hash cut short") << QByteArray("[PASSWORD]\r\nadmin=$y$j9T$abc\r\nadmin2=clerk\r\n") << "clerk"
                                        << 0 << "admin" << false;
    }
    void passwordLogin()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, typed);
        QFETCH(int, width);
        QFETCH(QString, message);
        QFETCH(bool, defaults);
        if (config.contains("$y$")
            && platform::checkCryptHash({}, "$y$j9T$abc") == platform::CryptCheck::NotOnThisSystem)
            QSKIP("this system has no crypt library to tell a cut value from a whole one");
        if (!config.isEmpty())
            writeFile("config.ini", config);
        // A value written by an older Linux build stays until a login replaces it.
        const auto hashed = [](const QString& v) { return v.startsWith("$argon2id$") || v.startsWith("$y$"); };
        for (int start = 0; start < 2; ++start) {
            Program p;
            p.applyLanguage();
            QCOMPARE(!p.ui().Edit5->toolTip().isEmpty(), defaults);
            // The start leaves no password as typed, nor an empty one.
            QVERIFY(hashed(storedSetting("admin")) && hashed(storedSetting("admin2")));
            p.ui().Edit5->setText(typed);
            QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
            QCOMPARE(p.form1->inWorkingState(), width != 0);
            if (width == 0) {
                const QString shown = MessageBox::takeShown().value(0).text;
                QVERIFY2(shown == message || shown.contains(QStringLiteral(" %1 ").arg(message)), qPrintable(shown));
                return;
            }
            QCOMPARE(p.form1->frameGeometry().width(), width);
            QCOMPARE(p.ui().DefaultPasswords->isVisibleTo(p.form1.get()), defaults);
            QVERIFY(MessageBox::takeShown().isEmpty()); // no dialog interrupts the login
            QVERIFY(hashed(storedSetting("admin")) && hashed(storedSetting("admin2")));
        }
    }

    // config.ini there but unreadable: no password opens a role, the
    // operator hears which file, which account and what mends it, and the
    // file is left as it is.
    void unreadableConfigOpensNothing_data()
    {
        QTest::addColumn<bool>("folder"); // a folder in its place, else a file without read permission
        QTest::newRow("a folder in its place") << true;
        QTest::newRow("no read permission") << false;
    }
    void unreadableConfigOpensNothing()
    {
        QFETCH(bool, folder);
        QFile::remove("config.ini");
        if (folder) {
            QVERIFY(QDir().mkdir("config.ini"));
        } else {
            if (!platform::modeRefusesReading())
                QSKIP("this process reads a file whatever its mode says");
            writeFile("config.ini", "[PASSWORD]\r\nadmin=boss\r\n");
            QVERIFY(QFile::setPermissions("config.ini", QFile::WriteOwner));
        }
        Program p;
        p.applyLanguage();
        MessageBox::takeShown();
        QVERIFY(!p.ui().DefaultPasswords->isVisibleTo(p.form1.get()));
        for (const char* typed : {"1", "2", ""}) {
            p.ui().Edit5->setText(QLatin1String(typed));
            QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
            QVERIFY(!p.form1->inWorkingState());
            const QString shown = MessageBox::takeShown().value(0).text;
            QVERIFY2(shown.contains(QDir::toNativeSeparators(QDir::current().absoluteFilePath("config.ini"))),
                     qPrintable(shown));
            QVERIFY2(shown.contains(QStringLiteral("\"%1\"").arg(shared::accountName())), qPrintable(shown));
            // ...a command of Linux only where the owner and mode decide
            QVERIFY2(shown.contains("sudo chown") == platform::accessByMode(), qPrintable(shown));
        }
        QCOMPARE(QFileInfo("config.ini").isDir(), folder); // nothing written over it
    }

    // The start stores plain passwords as hashes and sets emptied ones to
    // their defaults before its backup copies config.ini; each leaves a line.
    void startHashesBeforeTheBackup_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("details");
        const QByteArray clerk = "admin2=" + password::hash("clerk").toLatin1() + "\r\n";
        QTest::newRow("plain values") << QByteArray("[PASSWORD]\r\nadmin=OldPlainAdmin\r\nadmin2=clerk\r\n")
                                      << "admin: \"hashed\"; admin2: \"hashed\"";
        QTest::newRow("line deleted") << "[PASSWORD]\r\n" + clerk << "admin: \"reset to the default\"";
        QTest::newRow("value emptied") << "[PASSWORD]\r\nadmin=\r\n" + clerk << "admin: \"reset to the default\"";
    }
    void startHashesBeforeTheBackup()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, details);
        writeFile("config.ini", config); // a desk on its own: config.ini holds the passwords
        QVERIFY(QFile::setPermissions("config.ini", QFile::ReadOwner | QFile::WriteOwner));
        Program p;
        const QStringList backups = QDir("backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(backups.size(), 1);
        const QString copy = QStringLiteral("backup/%1/config.ini").arg(backups[0]);
        const QByteArray copied = readFile(copy);
        QCOMPARE(copied.count("=$argon2id$"), 2);
        QVERIFY(!copied.contains("Plain") && !copied.contains("clerk"));
        if (platform::accessByMode())
            QCOMPARE(QFileInfo(copy).permissions() & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner); // owner, group, others
        QByteArray trail;
        QString unread;
        QVERIFY2(p.form1->auditLog().content(&trail, &unread), qPrintable(unread));
        QStringList got;
        for (const QByteArray& line : trail.split('\n')) {
            const QStringList f = audit::fields(line);
            if (f.size() == audit::FieldCount)
                got << (f[4] == "backup" ? f[4] : QStringList{f[4], f[5], f[8]}.join(u'|'));
        }
        QCOMPARE(got, QStringList({"settings|config.ini|" + details, "backup"}));
    }

    void passwordSaves()
    {
        Program p(TForm1::Role::Administrator);
        const QByteArray before = readFile("config.ini");
        // An empty password is never stored.
        p.ui().Edit6->clear();
        QTest::mouseClick(p.ui().Button15, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text, p.form1->state().TextSlots[Text::PasswordEmpty]);
        QCOMPARE(readFile("config.ini"), before);
        // The user's new password may not be the administrator's.
        p.ui().Edit8->setText("1");
        QTest::mouseClick(p.ui().Button11, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text, p.form1->state().TextSlots[Text::PasswordOfOtherRole]);
        QCOMPARE(readFile("config.ini"), before);
        p.ui().Edit6->setText("boss");
        QTest::mouseClick(p.ui().Button15, Qt::LeftButton);
        QVERIFY(p.ui().DefaultPasswords->isVisibleTo(p.form1.get())); // "2" still opens the user role
        p.ui().Edit8->setText("clerk");
        QTest::mouseClick(p.ui().Button11, Qt::LeftButton);
        QVERIFY(!p.ui().DefaultPasswords->isVisibleTo(p.form1.get()));
        QVERIFY(p.ui().Edit5->toolTip().isEmpty());
        QCOMPARE(MessageBox::takeShown().size(), 2);
        p.end();
        Program next;
        next.ui().Edit5->setText("clerk");
        QTest::mouseClick(next.ui().BitBtn1, Qt::LeftButton);
        QCOMPARE(next.form1->frameGeometry().width(), 693);
    }

    // Wrong tries wait their turn; the window shows the wait and keeps
    // taking events; a right password starts the count again.
    void loginThrottle()
    {
        Program p;
        p.applyLanguage();
        QList<int> waits;
        std::function<void()> pending;
        p.form1->setLoginPause([&](std::chrono::milliseconds wait, std::function<void()> then) {
            waits << int(wait.count() / 1000);
            pending = std::move(then);
        });
        qsizetype refused = 0;
        auto attempt = [&](const char* typed) {
            refused += MessageBox::takeShown().size();
            p.ui().Edit5->setText(QLatin1String(typed));
            QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
            if (pending) {
                QVERIFY(p.ui().LoginWait->isVisibleTo(p.form1.get()));
                QVERIFY(p.ui().LoginWait->text().contains(QString::number(waits.last())));
                QVERIFY(!p.ui().BitBtn1->isEnabled());
                QVERIFY(MessageBox::takeShown().isEmpty()); // not checked yet
                std::exchange(pending, {})();
                QVERIFY(!p.ui().LoginWait->isVisibleTo(p.form1.get()));
            }
        };
        for (int i = 0; i < 10; ++i)
            attempt("wrong");
        QCOMPARE(waits, QList<int>({1, 2, 4, 8, 16, 30, 30}));
        QCOMPARE(refused + MessageBox::takeShown().size(), 10);
        attempt("1");
        QCOMPARE(waits.size(), 8);
        QVERIFY(p.form1->inWorkingState());
    }

    // A start backs up the records where the program keeps them: on a shared
    // database the site's records and trail, not the .dbf files beside config.ini.
    void startBackupHoldsTheStoredRecords()
    {
        {
            Program p;
            p.login("1");
            addRecord(p.table("Table1"), {PersonField::Number, PersonField::FamilyName, PersonField::FirstName},
                      {"7", "Kowalski", "Jan"});
            p.end();
        }
        Program again;
        const QString newest = backup::list(m_dir->path()).value(1);
        Table copy;
        copy.openView(QDir(newest).filePath(TableLayouts::PersonsFile));
        QCOMPARE(copy.asText(PersonField::FamilyName), QStringLiteral("Kowalski"));
        QVERIFY(readFile(QDir(newest).filePath(audit::FileName)).contains("Kowalski"));
    }

    // Each stored change of a record is in audit.log before the operator
    // hears of it; one the audit cannot take is refused before anything is stored.
    void auditOfChanges()
    {
        Program p;
        p.login("1");
        Table& persons = p.table("Table1");
        addRecord(persons, {PersonField::Number, PersonField::FamilyName, PersonField::FirstName},
                  {"7", "Kowalski", "Jan"});
        persons.edit();
        persons.setText(PersonField::FamilyName, "Nowak");
        persons.post();
        Table& groups = p.table("Table3");
        addRecord(groups, {GroupField::Id, GroupField::Name, "P3"}, {"1", "Zarząd", "T"});
        groups.edit();
        groups.setText("P3", "F");
        groups.setText("P5", "T");
        groups.post();
        persons.remove();
        QByteArray trail; // audit.log, or the site's audit table
        QString unread;
        QVERIFY2(p.form1->auditLog().content(&trail, &unread), qPrintable(unread));
        QByteArrayList lines = trail.split('\n');
        lines.removeLast();
        QStringList got;
        for (const QByteArray& line : lines) {
            const QStringList f = audit::fields(line);
            QCOMPARE(f.size(), audit::FieldCount);
            got << QStringList{f[1], f[4], f[5], f[6], f[7], f[8]}.join(u'|');
        }
        const QString backupLine = got.takeFirst();
        QVERIFY2(backupLine.startsWith("none|backup||||folder: "), qPrintable(backupLine)); // a start's backup
        QCOMPARE(got, QStringList({
                          "administrator|login||||result: \"accepted\"",
                          "administrator|add|osoby.dbf|7|7 Kowalski Jan|NUMBER: \"7\"; SURNAME: \"Jan\"; NAME: \"Kowalski\"",
                          "administrator|change|osoby.dbf|7|7 Nowak Jan|NAME: \"Kowalski\" → \"Nowak\"",
                          "administrator|add|grupa.dbf|1|1 Zarząd|ID_GRUPY: \"1\"; NAME: \"Zarząd\"; readers added: \"3\"",
                          "administrator|change|grupa.dbf|1|1 Zarząd|readers added: \"5\"; readers removed: \"3\"",
                          "administrator|delete|osoby.dbf|7|7 Nowak Jan|NUMBER: \"7\"; SURNAME: \"Jan\"; NAME: \"Nowak\"",
                      }));

        // A folder where the audit should be: the change is refused, the table unchanged.
        if (teststore::onServer())
            QSKIP("the site's audit trail is a table of the database, no file");
        QVERIFY(QFile::rename(audit::FileName, "audit.old"));
        QVERIFY(QDir().mkdir(audit::FileName));
        groups.edit();
        groups.setText(GroupField::Name, "Biuro");
        QVERIFY_THROWS_EXCEPTION(AppError, groups.post());
        groups.cancel();
        groups.refresh(); // what the file holds
        QCOMPARE(groups.asText(GroupField::Name), QStringLiteral("Zarząd"));
    }

    // A start whose trail does not reach its head says so before anything
    // is changed, and chains nothing onto what is left.
    void trailGapAtStart_data()
    {
        QTest::addColumn<int>("keep"); // bytes of audit.log kept; -1: the file deleted
        QTest::newRow("deleted") << -1;
        QTest::newRow("emptied") << 0;
    }
    void trailGapAtStart()
    {
        QFETCH(int, keep);
        if (teststore::onServer())
            QSKIP("the site's audit trail is a table of the database, no file");
        Program(TForm1::Role::Administrator).end();
        QVERIFY(QFile::exists(audit::HeadName));
        if (keep < 0)
            QVERIFY(QFile::remove(audit::FileName));
        else
            writeFile(audit::FileName, readFile(audit::FileName).left(keep));
        MessageBox::takeShown();
        Program p;
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(!shown.isEmpty());
        const QString head = QDir::toNativeSeparators(QFileInfo(audit::HeadName).absoluteFilePath());
        QVERIFY2(shown[0].text.contains(head), qPrintable(shown[0].text));
        TextSlots polish;
        QVERIFY(i18n::copyLanguageTable(u"Polski", &polish));
        QCOMPARE(shown[0].caption, polish[Text::AuditCaption]);
        QCOMPARE(QFile::exists(audit::FileName), keep >= 0);
        QCOMPARE(readFile(audit::FileName).size(), qMax(keep, 0));
    }

    // Edit > Audit trail…: newest first, filtered as the operator sets the
    // boxes, a change's values side by side.
    void auditTrailWindow_data()
    {
        QTest::addColumn<QString>("person");
        QTest::addColumn<int>("table"); // in the table box: 0 all, 1 osoby.dbf, 2 grupa.dbf
        QTest::addColumn<int>("fromDays"); // from today + days; -1 for no bound
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("all") << "" << 0 << -1 << QStringList{"add", "change", "add", "login", "backup"};
        QTest::newRow("family name") << "kowalski" << 0 << -1 << QStringList{"add"};
        QTest::newRow("number") << "7" << 0 << -1 << QStringList{"change", "add"};
        QTest::newRow("table") << "" << 2 << -1 << QStringList{"add"};
        QTest::newRow("from today") << "" << 1 << 0 << QStringList{"change", "add"};
        QTest::newRow("from tomorrow") << "" << 0 << 1 << QStringList{};
    }
    void auditTrailWindow()
    {
        QFETCH(QString, person);
        QFETCH(int, table);
        QFETCH(int, fromDays);
        QFETCH(QStringList, actions);
        Program p;
        p.login("1");
        Table& persons = p.table("Table1");
        addRecord(persons, {PersonField::Number, PersonField::FamilyName, PersonField::FirstName},
                  {"7", "Kowalski", "Jan"});
        persons.edit();
        persons.setText(PersonField::FamilyName, "Nowak");
        persons.post();
        addRecord(p.table("Table3"), {GroupField::Id, GroupField::Name}, {"1", "Zarząd"});
        p.find<QAction>("AuditTrail1")->trigger();
        auto* window = p.form1->findChild<QWidget*>("AuditTrailForm");
        QVERIFY(window && window->isVisible());
        window->findChild<QLineEdit*>("AuditPerson")->setText(person);
        window->findChild<QComboBox*>("AuditTable")->setCurrentIndex(table);
        if (fromDays >= 0)
            window->findChild<QDateEdit*>("AuditFrom")->setDate(QDate::currentDate().addDays(fromDays));
        auto* list = window->findChild<QTableView*>("AuditList");
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown << list->model()->index(row, 4).data().toString();
        QCOMPARE(shown, actions);
        if (!actions.startsWith("change"))
            return;
        list->setCurrentIndex(list->model()->index(0, 0));
        auto* details = window->findChild<QTableWidget*>("AuditDetails");
        QCOMPARE(details->rowCount(), 1);
        QCOMPARE(QStringList({details->item(0, 0)->text(), details->item(0, 1)->text(), details->item(0, 2)->text()}),
                 QStringList({"NAME", "Kowalski", "Nowak"}));
        // Not for the user role.
        p.end();
        Program user;
        user.login("2");
        QVERIFY(!user.find<QAction>("AuditTrail1")->isVisible());
    }

    // The person box: a number, or family and first names in any order,
    // case and accents; a card's line names its person, not the group.
    void auditPersonFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown"); // action and person of each row, newest first
        const QStringList lukasz{"card written|8 Żółkiewski Łukasz", "add|8 Żółkiewski Łukasz"};
        QTest::newRow("number") << "8" << lukasz;
        QTest::newRow("family name, no accents") << "zolkiewski" << lukasz;
        QTest::newRow("first name, capitals") << "ŁUKASZ" << lukasz;
        QTest::newRow("both, first name first") << " lukasz  ŻÓŁK " << lukasz;
        QTest::newRow("Czech") << "dvorak antonin" << QStringList{"add|9 Dvořák Antonín"};
        QTest::newRow("Hungarian") << "KOROSI odon" << QStringList{"add|10 Kőrösi Ödön"};
        QTest::newRow("a group is no person") << "Staff" << QStringList{};
    }
    void auditPersonFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        Program p;
        p.login("1");
        Table& persons = p.table("Table1");
        const QStringList names{PersonField::Number, PersonField::FamilyName, PersonField::FirstName};
        addRecord(persons, names, {"8", "Żółkiewski", "Łukasz"});
        addRecord(persons, names, {"9", "Dvořák", "Antonín"});
        addRecord(persons, names, {"10", "Kőrösi", "Ödön"});
        QString error;
        QVERIFY2(p.form1->auditLog().append(audit::cardEvent(journal::ProgramOperation, 8, 1, 0, "Staff", "cards.log",
                                                             0, &persons), &error), qPrintable(error));
        p.find<QAction>("AuditTrail1")->trigger();
        auto* window = p.form1->findChild<QWidget*>("AuditTrailForm");
        window->findChild<QLineEdit*>("AuditPerson")->setText(typed);
        const QAbstractItemModel* list = window->findChild<QTableView*>("AuditList")->model();
        QStringList rows;
        for (int row = 0; row < list->rowCount(); ++row)
            rows << list->index(row, 4).data().toString() + u'|' + list->index(row, 7).data().toString();
        QCOMPARE(rows, shown);
    }

    // The audit window stays on the screen's free area, and no column cuts
    // its title or the text of a shown row.
    void auditWindowFits()
    {
        Program p;
        p.login("1");
        addRecord(p.table("Table1"), {PersonField::Number, PersonField::FamilyName}, {"7", "Kowalski"});
        p.find<QAction>("AuditTrail1")->trigger();
        auto* window = p.form1->findChild<QWidget*>("AuditTrailForm");
        QVERIFY(window->isVisible());
        const QRect room = window->screen()->availableGeometry();
        QVERIFY(room.contains(window->frameGeometry()));
        auto* list = window->findChild<QTableView*>("AuditList");
        const QAbstractItemModel* model = list->model();
        // The text of a cell lies between margins of the style's focus frame.
        const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int column = 0; column + 1 < model->columnCount(); ++column) {
            QStringList texts{model->headerData(column, Qt::Horizontal).toString()};
            for (int row = 0; row < model->rowCount(); ++row)
                texts << model->index(row, column).data().toString();
            for (const QString& text : texts)
                QVERIFY2(list->fontMetrics().horizontalAdvance(text) + margins <= list->columnWidth(column),
                         qPrintable(QStringLiteral("column %1 cuts \"%2\"").arg(column).arg(text)));
        }
    }

    // Tables another desk holds: the operator is told who and since when,
    // and may try again once they are let go, or quit; a note a crashed desk
    // left blocks nobody. The working desk's note is on disk while it runs.
    void heldTables_data()
    {
        QTest::addColumn<QString>("holder"); // "desk", "program" (no note), "crashed" (a note, no lock)
        QTest::addColumn<int>("answer");     // 0 try again, 1 quit, -1 not asked
        QTest::addColumn<QStringList>("told");
        const QStringList who{"osoby.dbf", shared::accountName(), QSysInfo::machineHostName(), "2026-03-04 08:15"};
        QTest::newRow("another desk, try again") << "desk" << 0 << who;
        QTest::newRow("another desk, quit") << "desk" << 1 << who;
        QTest::newRow("a program without a note") << "program" << 0 << QStringList{"osoby.dbf"};
        QTest::newRow("a note a crash left") << "crashed" << -1 << QStringList{};
    }
    void heldTables()
    {
        QFETCH(QString, holder);
        QFETCH(int, answer);
        QFETCH(QStringList, told);
        if (teststore::onServer())
            QSKIP("a database's tables are held by no file lock");
        const QString persons = QFileInfo(TableLayouts::PersonsFile).absoluteFilePath();
        deskhold::setClock([] { return QDateTime(QDate(2026, 3, 4), QTime(8, 15)); });
        auto other = std::make_unique<Table>();
        other->open(persons);
        if (holder != "desk")
            QVERIFY(QFile::remove(deskhold::notePath(persons)));
        if (holder == "crashed") {
            other.reset();
            writeFile(deskhold::notePath(persons), "kasia\ndesk-2\n2026-03-01T07:00:00\n");
        }
        const QDateTime started(QDate(2026, 3, 5), QTime(9, 0));
        deskhold::setClock([started] { return started; });
        MessageBox::setNextAnswer(answer);
        if (answer == 0)
            MessageBox::whileNextAsked([&other] { other.reset(); });
        std::unique_ptr<Program> p;
        QCOMPARE(startWhileHeld([&p] { p = std::make_unique<Program>(); }), answer != 1);
        deskhold::setClock({});
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), answer < 0 ? 0 : 1);
        for (const QString& part : told)
            QVERIFY2(shown[0].text.contains(part), qPrintable(shown[0].text));
        if (answer == 1) {
            QVERIFY(!p);
            QCOMPARE(deskhold::holderOf(persons)->since.date(), QDate(2026, 3, 4)); // the other desk's note stays
            return;
        }
        const deskhold::Holder note = deskhold::holderOf(persons).value_or(deskhold::Holder{});
        QCOMPARE(QStringList({note.account, note.computer, note.since.toString(Qt::ISODate)}),
                 QStringList({shared::accountName(), QSysInfo::machineHostName(), started.toString(Qt::ISODate)}));
        p->end();
        QVERIFY(!QFile::exists(deskhold::notePath(persons)));
    }

    void equalPasswordsOpenAdministrator()
    {
        writeFile("config.ini", "[PASSWORD]\r\nadmin=same\r\nadmin2=same\r\n");
        Program p;
        p.ui().Edit5->setText("same");
        QTest::mouseClick(p.ui().BitBtn1, Qt::LeftButton);
        QCOMPARE(p.form1->frameGeometry().width(), 690);
        QVERIFY(p.ui().Button5->isEnabled());
    }

    void settingsPageSaves()
    {
        Program p(TForm1::Role::Administrator);
        p.ui().Edit1->setText("2000000");
        MessageBox::setNextAnswer(0); // the change is asked first: Yes
        QTest::mouseClick(p.ui().Button5, Qt::LeftButton);
        QCOMPARE(p.ui().Edit1->text(), QStringLiteral("1000000"));
        QCOMPARE(p.ui().Edit2->text(), QStringLiteral("1"));
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(!shown.takeFirst().answers.isEmpty());
        QCOMPARE(shown[0].text, QStringLiteral("Numer systemu zapisany!"));
        QCOMPARE(shown[0].caption, QStringLiteral("Konfiguracja"));
        QCOMPARE(storedSetting("sys_nr"), QStringLiteral("1000000"));

        p.ui().Edit1->setText("abc");
        QTest::mouseClick(p.ui().Button5, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text, QStringLiteral("'abc' is not a valid integer value"));
        QCOMPARE(p.ui().Edit2->text(), QStringLiteral("1000000"));
        QCOMPARE(p.form1->state().SystemNumber, 1000000);

        p.ui().Edit6->setText("new admin");
        QTest::mouseClick(p.ui().Button15, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text, QStringLiteral("Haslo administratora - zapisane"));
        QVERIFY(storedSetting("admin").startsWith("$argon2id$"));

        // The language Save applies the box's text on the next tick and stores it.
        p.ui().ComboBox1->setCurrentText("English");
        QTest::mouseClick(p.ui().Button18, Qt::LeftButton);
        QVERIFY(MessageBox::takeShown().isEmpty());
        QVERIFY(readFile("config.ini").contains("Language=English\r\n"));
        p.applyLanguage();
        QCOMPARE(p.ui().Button5->text(), QStringLiteral("Save"));
        QCOMPARE(p.form1->windowTitle(), QStringLiteral("Pellaro V1.13"));
    }

    void readerNamesBecomeAccessHints()
    {
        {
            Table readers;
            teststore::open(readers, "sprzet.dbf");
            readers.insert();
            readers.setInteger("ID_CZYT", 7);
            readers.setText("NAME", QStringLiteral("Brama główna"));
            readers.post();
            if (!teststore::onServer()) { // the database's checks keep such a reader out
                readers.insert();
                readers.setInteger("ID_CZYT", 120); // from a table filled elsewhere: no box
                readers.post();
            }
        }
        Program p;
        QCOMPARE(p.ui().accessBox(7)->toolTip(), QStringLiteral("Brama główna"));
        // At start-up no language is applied yet, so the other boxes get an empty hint.
        QCOMPARE(p.ui().accessBox(1)->toolTip(), QString());
        QCOMPARE(p.table("Table2").asInteger("ID_CZYT"), 7); // back on the first reader
    }

    void portMenuReachesTheLink()
    {
        writeFile("config.ini", "[COM_PORT]\r\nPORT=2\r\nCOM3=/nonexistent/pellaro-port\r\nCOM4=sim:\r\n");
        Program p(TForm1::Role::Administrator);
        QStandardPaths::setTestModeEnabled(true);
        p.ui().COM21->trigger(); // COM3
        QCOMPARE(p.form1->state().PortNumber, 3);
        QCOMPARE(p.form1->state().PortCaption, QStringLiteral("COM3 "));
        MessageBox::takeShown();
        p.ui().COM11->trigger();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("Device \"COM3\" Open Error !!!\r")),
                 qPrintable(shown[0].text));
        // ...naming the device and the key of config.ini that sets it; Port > Port shows each port's device.
        QVERIFY2(shown[0].text.contains(QStringLiteral("/nonexistent/pellaro-port, ustawione w config.ini przez "
                                                       "[COM_PORT] COM3=")),
                 qPrintable(shown[0].text));
        QCOMPARE(p.ui().COM21->text(), QStringLiteral("COM3: /nonexistent/pellaro-port"));
        QCOMPARE(p.form1->state().LinkOpen, 0);
        // A read with the link closed asks to check the connection.
        p.applyLanguage();
        QTest::mouseClick(p.ui().Button2, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).caption, QStringLiteral("Brak łączności"));
        // The programmer simulated inside the program opens like a device.
        p.ui().COM41->trigger();
        p.ui().COM11->trigger();
        QCOMPARE(MessageBox::takeShown().size(), 0);
        QCOMPARE(p.form1->state().LinkOpen, 1);
    }

    void menusNavigate()
    {
        Program p;
        p.form1->EnterWorkingState(TForm1::Role::Administrator);
        p.ui().Czytniki1->trigger();
        QCOMPARE(p.ui().Pager1->currentWidget(), p.ui().Pager13);
        p.ui().Grupy1->trigger();
        QCOMPARE(p.ui().Pager1->currentWidget(), p.ui().Pager12);
        p.ui().Uytkownicy1->trigger();
        QCOMPARE(p.ui().Pager1->currentWidget(), p.ui().Pager11);

        p.ui().Oprogramie2->trigger();
        QVERIFY(p.form2->isVisible());
        p.ui().Oprogramie2->trigger(); // already open: still one dialog, in front
        QVERIFY(p.form2->isVisible());
        QCOMPARE(p.form1->findChildren<TForm2*>().size(), 0);
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
