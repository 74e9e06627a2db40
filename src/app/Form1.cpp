#include "app/Form1.h"

#include "app/AuditMenu.h"
#include "app/CardControls.h"
#include "app/DatabaseWatch.h"
#include "app/ExchangeMenu.h"
#include "app/FieldMenu.h"
#include "app/PrintMenu.h"
#include "app/ProgramListMenu.h"
#include "app/StartPicture.h"
#include "audit/TableWatch.h"
#include "config/AppError.h"
#include "platform/FileModes.h"
#include "platform/SharedFolder.h"
#include "data/Backup.h"
#include "journal/CardsInField.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageLocale.h"
#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "link/LinkView.h"
#include "link/ProgrammerLink.h"
#include "manual/Manual.h"
#include "journal/CardJournal.h"
#include "pages/GroupsPage.h"
#include "pages/PersonCards.h"
#include "pages/PersonsPage.h"
#include "pages/ReaderCards.h"
#include "pages/ReadersPage.h"
#include "pages/SystemNumberChange.h"
#include "pgstore/PgBackup.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgSite.h"
#include "pgstore/PgSiteSettings.h"
#include "serial/TSerialComm.h"
#include "sim/SimPorts.h"
#include "ui/ApplyLanguage.h"
#include "ui/DataSource.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/EventHook.h"
#include "ui/ManualWindow.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

namespace {

constexpr auto Version = "1.13";
// red 193, green 198, blue 207 in the Windows encoding (red in the low byte)
constexpr quint32 LockedColorValue = 13616833;

constexpr int LoginClientWidth = 400;
constexpr int LoginClientHeight = 200;
constexpr int WorkingLeft = 234;
constexpr int WorkingTop = 100;
constexpr int AdminOuterWidth = 690;
constexpr int UserOuterWidth = 693;
constexpr int WorkingOuterHeight = 600;

constexpr std::chrono::milliseconds LanguageTick{10}; // Timer2: the language, once the loop runs
constexpr std::chrono::milliseconds StatusTick{50};   // Timer3: the link status animation

// The fixed texts of a refused login, the same in every language.
const QString WrongPassword = QStringLiteral("Niepoprawne haslo.");
const QString WrongPasswordCaption = QStringLiteral("Uwaga!");

// The inactive-caption colour of the classic desktop scheme, painted over the
// boxes the user role may not read.
const QColor InactiveCaption(191, 205, 219);

} // namespace

// The link's window side: status line, trace, transmit dialog, Label22,
// messages and the two link timers.
class TForm1::View : public LinkView
{
public:
    explicit View(TForm1& form) : m_form(form) {}
    void setStatusText(const QString& text) override { m_form.m_ui.LinkStatus->setText(text); }
    void appendTrace(const QString& text) override
    {
        QTextCursor end(m_form.m_ui.Memo1->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    }
    void clearTrace() override { m_form.m_ui.Memo1->clear(); }
    void showTransmit() override
    {
        if (m_form.m_form3)
            m_form.m_form3->show();
    }
    void hideTransmit() override
    {
        if (m_form.m_form3)
            m_form.m_form3->hide();
    }
    void setGauge(int percent) override
    {
        if (!m_form.m_form3)
            return;
        // The card write blocks the event loop: paint the step now.
        m_form.m_form3->bar2->setValue(percent);
        m_form.m_form3->bar2->repaint();
    }
    int gauge() const override { return m_form.m_form3 ? m_form.m_form3->bar2->value() : 0; }
    void setLabel22(const QString& text) override { m_form.m_ui.Label22->setText(text); }
    void showMessage(Text::Id text, Text::Id caption) override
    {
        MessageBox::show(m_form.m_state.TextSlots[text], m_form.m_state.TextSlots[caption]);
    }
    QString text(Text::Id id) const override { return m_form.m_state.TextSlots[id]; }
    void setTimer1Enabled(bool on) override { on ? m_form.m_readTimer->start() : m_form.m_readTimer->stop(); }
    void setTimer3Enabled(bool on) override { on ? m_form.m_statusTimer->start() : m_form.m_statusTimer->stop(); }
    void SavePortToRegistry(int portNumber) override
    {
        QString error;
        if (!settings::SavePortToRegistry(portNumber, m_form.m_state.TextSlots, &error))
            MessageBox::show(error, MessageBox::ErrorCaption);
    }

private:
    TForm1& m_form;
};

namespace {

TextSlots startTexts(const QString& language)
{
    TextSlots texts;
    SelectLanguageTable(language, texts);
    return texts;
}

// A copy of the tables and config.ini at every start, once the tables are
// open and locked; at a desk of a shared database, of the site's records and
// journals, not of .dbf files the desk no longer uses. A failure is told in
// the chosen language and the program goes on: the tables themselves are
// untouched. Returns the backup made, empty when none was.
QString backupAtStart(const QString& language, const std::optional<PgServer>& site)
{
    try {
        const backup::Made made =
            site ? pgsite::backupSite(QDir::currentPath(), *site) : backup::make(QDir::currentPath());
        return made.made ? made.folder : QString();
    } catch (const AppError& e) {
        const TextSlots texts = startTexts(language);
        MessageBox::show(texts[Text::BackupFailed] + u'\n' + e.message(), texts[Text::BackupCaption]);
    }
    return {};
}

// A restore a kill interrupted was finished or undone before the tables
// opened; the operator hears which once the language is known.
void tellRestoreCleared(const backup::Recovered& recovered, const QString& language)
{
    const TextSlots texts = startTexts(language);
    if (recovered.outcome == backup::Recovered::Outcome::Finished)
        MessageBox::show(texts[Text::RestoreFinished].arg(QDir::toNativeSeparators(recovered.backupFolder)),
                         texts[Text::BackupCaption]);
    else if (recovered.outcome == backup::Recovered::Outcome::Undone)
        MessageBox::show(texts[Text::RestoreUndone], texts[Text::BackupCaption]);
}

// A trail that does not reach its head takes no line: the operator hears
// why before the first change is refused.
void tellTrailGap(const audit::Log& log, const QString& language)
{
    const audit::Log::Gap gap = log.gap();
    if (gap.kind == audit::Log::Gap::Kind::None)
        return;
    const TextSlots texts = startTexts(language);
    // A database's trail and head are tables, which only its owner mends.
    const bool inDatabase = log.store() != nullptr;
    const QString trail =
        inDatabase ? log.path() : QDir::toNativeSeparators(QFileInfo(log.path()).absoluteFilePath());
    const QString head =
        inDatabase ? gap.headPath : QDir::toNativeSeparators(QFileInfo(gap.headPath).absoluteFilePath());
    using Kind = audit::Log::Gap::Kind;
    const Text::Id cut = inDatabase ? Text::TrailHeadCut : Text::TrailCut;
    const Text::Id replaced = inDatabase ? Text::TrailHeadReplaced : Text::TrailReplaced;
    const QString text = gap.kind == Kind::Missing    ? texts[Text::TrailMissing].arg(trail, head).arg(gap.lines)
                         : gap.kind == Kind::Cut      ? texts[cut].arg(trail, head).arg(gap.lines)
                         : gap.kind == Kind::Replaced ? texts[replaced].arg(trail, head)
                                                      : texts[Text::TrailUnreadable].arg(trail, gap.reason);
    MessageBox::show(text, texts[Text::AuditCaption]);
}

// Ticks the chosen port in Port > Port; run after every choice, which may
// have been refused.
void markChosenPort(const MainWindowUi& ui, int portNumber)
{
    QAction* const ports[] = {ui.COM12, ui.COM22, ui.COM21, ui.COM41};
    for (int n = 1; n <= 4; ++n)
        ports[n - 1]->setChecked(n == portNumber);
}

QTimer* makeTimer(QObject* parent, const char* name, std::chrono::milliseconds interval)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), m_config(settings::FileName)
{
    // A small fixed window with a title bar and a close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_ui.setupUi(this);
    setWindowIcon(WindowIcon());
    m_ui.Image1->setPixmap(StartPicture());

    // Never open a half-restored set: what cannot be cleared up stops here.
    const backup::Recovered recovered = backup::recover(QDir::currentPath());
    openTables();
    m_readTimer = makeTimer(this, "Timer1", ProgrammerLink::ReadTickInterval);
    m_languageTimer = makeTimer(this, "Timer2", LanguageTick);
    m_statusTimer = makeTimer(this, "Timer3", StatusTick);
    initLink();
    initPages();
    initConnections();
    m_loginPause = [this](std::chrono::milliseconds wait, std::function<void()> then) {
        QTimer::singleShot(wait, this, std::move(then));
    };
    m_auditWatch = new audit::TableWatch(m_audit, m_state.TextSlots, [this](const QString& message) {
        MessageBox::show(message, m_state.TextSlots[Text::AuditCaption]);
    }, this);
    for (Table* table : {m_persons, m_groups, m_readers})
        m_auditWatch->watch(*table);
    m_journal->setAudit(
        [this](QString* message) {
            return (!m_databaseWatch || m_databaseWatch->ready(message)) && m_auditWatch->ready(message);
        },
        [this](const CardJournal::Entry& entry, const CardJournal::Stored& stored) {
            audited(audit::cardEvent(entry.operation, entry.personNumber, entry.systemCode, entry.duplicateIndex,
                                     entry.group, stored.journal, stored.offset, m_persons, stored.missed));
        });
    // Before the first language tick, which a start message box may let run.
    m_exchangeMenu = new ExchangeMenu(m_ui, *m_persons, *m_groups, m_state.TextSlots, this);
    m_exchangeMenu->setHeldNumbers([this] { return field::heldNumbers(m_journal->store(), m_state.SystemNumber); });
    onSignal(m_ui.Eksportosb1, &QAction::triggered, [this] { m_exchangeMenu->exportPersons(); });
    onSignal(m_ui.Importosb1, &QAction::triggered, [this] { m_exchangeMenu->importPersons(); });
    m_printMenu = new PrintMenu(m_ui, *m_persons, *m_groups, *m_readers, m_state, this);
    m_printMenu->setAudit(&m_audit);
    m_exchangeMenu->setAudit(m_auditWatch);
    m_auditMenu = new AuditMenu(m_ui, m_audit, m_state.TextSlots, this);
    m_fieldMenu = new FieldMenu(m_ui, *m_persons, *m_groups, m_state, *m_personsPage, m_journal->store(), this);
    m_programListMenu = new ProgramListMenu(m_ui, *m_persons, *m_groups, m_state, *m_link, m_personsPage->cards(),
                                            *m_printMenu, m_journal->store(), this);
    m_languageTimer->start();
    m_statusTimer->start();
    FormCreate();
    tellRestoreCleared(recovered, languageText());
    tellTrailGap(m_audit, languageText());
    // A restore the last run left half-way changed the tables at this start:
    // it leaves its line like one that ran through.
    if (recovered.outcome != backup::Recovered::Outcome::Nothing)
        audited(audit::restoreCleared(recovered));
    const QString backupMade = backupAtStart(languageText(), m_site);
    if (!backupMade.isEmpty())
        audited({QStringLiteral("backup"), {}, {}, {}, {{QStringLiteral("folder"), QDir::toNativeSeparators(backupMade)}}});
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1()
{
    m_link.reset();
}

namespace {

// What the engine found odd when it opened a table (a record cut short, a
// count the file cannot hold) is told in the chosen language before anyone
// logs in; until then the table takes no change. What it mended after a
// crash is only told.
void showTableWarnings(const TextSlots& texts, std::initializer_list<Table*> tables)
{
    for (Table* table : tables) {
        if (!table)
            continue;
        const QString name = QFileInfo(table->fileName()).fileName();
        for (const TableRepair& repair : table->takeRepairs())
            MessageBox::show(repair.kind == TableRepair::Kind::ChangeUndone
                                 ? texts[Text::TableChangeUndone].arg(name)
                                 : texts[Text::TableTailMoved].arg(name, QFileInfo(repair.sideFile).fileName()),
                             texts[Text::TableRepairedCaption]);
        if (table->warningsAcknowledged())
            continue;
        MessageBox::show(
            texts[Text::TableDamaged].arg(QFileInfo(table->fileName()).fileName(), table->warnings().join(u'\n')),
            texts[Text::TableDamagedCaption]);
        table->acknowledgeWarnings();
    }
}

} // namespace

void TForm1::openTables()
{
    // The tables open from the working directory, persons, readers, groups,
    // or from the shared database config.ini names; a missing, locked or
    // damaged one stops the program with its reason.
    std::optional<PgServer> server = pgsite::configuredServer(m_config);
    // The settings are not read yet: the password box and the database's refusal speak the language config.ini names.
    TextSlots texts;
    if (server) {
        SelectLanguageTable(m_config.readString(QStringLiteral("Language"), QStringLiteral("Language"),
                                                i18n::languageOfLocale(QLocale())),
                            texts);
        askDatabasePassword(*server, texts, this);
        m_site = server;
        // Beside the link's messages, which the status line's own text is for;
        // until the connection has news it says which database the desk works on.
        StatusPart* status = m_ui.DatabaseStatus;
        status->setText(texts[Text::DatabaseInUse].arg(server->name, server->host));
        status->show();
        m_ui.fitStatusBar();
        // The system numbers and the passwords are the site's, not this desk's.
        m_siteSettings = std::make_unique<pgsite::SiteSettings>(*server);
        m_databaseWatch = new DatabaseWatch(
            *server, m_state.TextSlots, [status](const QString& text) { status->setText(text); }, this);
    }
    auto open = [&](const QString& file, PgStore::Kind kind, const char* tableName, const char* sourceName) {
        auto* table = new Table(this);
        table->setObjectName(QLatin1String(tableName));
        if (server) {
            std::unique_ptr<PgStore> store;
            try {
                store = std::make_unique<PgStore>(*server, kind);
            } catch (const DatabaseRefused& e) {
                throw AppError(e.why() == DatabaseRefused::Why::Encoding
                                   ? texts[Text::DatabaseWrongEncoding].arg(e.database(), e.host(), e.encoding(),
                                                                            PgConnection::makeCommand(e.database()))
                                   : texts[Text::DatabaseWithoutTables].arg(
                                         e.database(), e.host(), QDir::toNativeSeparators(QDir::currentPath())));
            }
            PgStore& opened = *store;
            table->open(std::move(store));
            m_databaseWatch->watch(*table, opened);
        } else {
            table->open(file);
        }
        auto* source = new DataSource(table, this);
        source->setObjectName(QLatin1String(sourceName));
        return source;
    };
    m_personsSource = open(TableLayouts::PersonsFile, PgStore::Kind::Persons, "Table1", "DataSource1");
    DataSource* readers = open(TableLayouts::ReadersFile, PgStore::Kind::Readers, "Table2", "DataSource2");
    DataSource* groups = open(TableLayouts::GroupsFile, PgStore::Kind::Groups, "Table3", "DataSource3");
    m_persons = m_personsSource->table();
    m_readers = readers->table();
    m_groups = groups->table();
    m_ui.bind(m_personsSource, readers, groups);
    // With the tables, the card journal and the audit trail are the site's.
    if (server) {
        m_journal = std::make_unique<CardJournal>(std::make_shared<pgjournals::CardJournalTable>(*server));
        m_audit.setStore(std::make_shared<pgjournals::AuditTrailTable>(*server));
        // A card written while the server went away keeps its line here, in
        // the working folder, until the server takes it: at the next card, or
        // at the next check of the connections, whichever comes first.
        m_journal->setSpool(QStringLiteral("cards-unsent.log"));
        auto* spoolTimer = new QTimer(this);
        spoolTimer->setObjectName(QStringLiteral("SpoolTimer"));
        spoolTimer->setInterval(DatabaseWatch::CheckIntervalMs);
        connect(spoolTimer, &QTimer::timeout, this, [this] {
            QString error;
            // Lines that cannot go yet stay in the spool for the next try.
            if (m_journal->spooledLines() > 0)
                m_journal->flushSpool(&error);
        });
        spoolTimer->start();
    } else {
        m_journal = std::make_unique<CardJournal>();
    }
}

void TForm1::initLink()
{
    m_port = new TSerialComm(this);
    m_port->setObjectName(QStringLiteral("rs"));
    // A port config.ini names "sim:" has the programmer simulated inside the program.
    m_simPorts = std::make_shared<SimPorts>();
    m_port->setDeviceMaker([simPorts = m_simPorts](const QString& device) { return simPorts->makeDevice(device); });
    // Port > Port shows where each COM port points.
    QAction* const ports[] = {m_ui.COM12, m_ui.COM22, m_ui.COM21, m_ui.COM41};
    for (int n = 1; n <= 4; ++n) {
        m_port->setPortDevice(n, settings::ConfiguredPortDevice(m_config, n));
        ports[n - 1]->setText(QStringLiteral("COM%1: %2").arg(n).arg(m_port->portDevice(n)));
    }
    m_view = std::make_unique<View>(*this);
    m_link = std::make_unique<ProgrammerLink>(LinkState{m_state.LinkOpen, m_state.PortNumber, m_state.PortCaption},
                                              *m_port, *m_view);
    m_link->setReadBack(settings::ReadBackCards(m_config));
}

void TForm1::setDialogs(TForm2* form2, TForm3* form3, TForm4* form4)
{
    m_form2 = form2;
    m_form3 = form3;
    m_form4 = form4;
    if (m_form4)
        m_form4->bind(m_personsSource);
}

template <typename Sender, typename Signal>
void TForm1::onSignal(Sender* sender, Signal signal, std::function<void()> action)
{
    connect(sender, signal, this, [action = std::move(action)] { MessageBox::guarded(action); });
}

void TForm1::onEvent(QWidget* widget, QEvent::Type type, std::function<void()> action)
{
    ui::onEvent(widget, type, [action = std::move(action)](QEvent*) {
        MessageBox::guarded(action);
        return false;
    });
}

void TForm1::initConnections()
{
    onSignal(m_ui.BitBtn1, &QPushButton::clicked, [this] { BitBtn1Click(); });
    onSignal(m_ui.Edit5, &QLineEdit::returnPressed, [this] { BitBtn1Click(); });
    onSignal(m_languageTimer, &QTimer::timeout, [this] { Timer2Timer(); });
    onSignal(m_ui.Button5, &QPushButton::clicked, [this] { Button5Click(); });
    onSignal(m_ui.Button15, &QPushButton::clicked, [this] { Button15Click(); });
    onSignal(m_ui.Button11, &QPushButton::clicked, [this] { Button11Click(); });
    onSignal(m_ui.Button18, &QPushButton::clicked, [this] { Button18Click(); });
    onSignal(m_ui.Uytkownicy1, &QAction::triggered, [this] { Uytkownicy1Click(); });
    onSignal(m_ui.Grupy1, &QAction::triggered, [this] { Grupy1Click(); });
    onSignal(m_ui.Czytniki1, &QAction::triggered, [this] { Czytniki1Click(); });
    onSignal(m_ui.Oprogramie1, &QAction::triggered, [this] { Oprogramie1Click(); });
    onSignal(m_ui.Oprogramie2, &QAction::triggered, [this] { Oprogramie2Click(); });

    onSignal(m_readTimer, &QTimer::timeout, [this] { m_link->Timer1Timer(); });
    onSignal(m_statusTimer, &QTimer::timeout, [this] { m_link->Timer3Timer(); });
    onSignal(m_ui.Button2, &QPushButton::clicked, [this] { m_link->Button2Click(); });
    onSignal(m_ui.COM11, &QAction::triggered, [this] { m_link->ConnectProgrammer(); });
    onSignal(m_ui.Rozcz1, &QAction::triggered, [this] { m_link->DisconnectProgrammer(); });
    const std::pair<QAction*, int> ports[] = {{m_ui.COM12, 1}, {m_ui.COM22, 2}, {m_ui.COM21, 3}, {m_ui.COM41, 4}};
    for (auto [action, n] : ports) {
        onSignal(action, &QAction::triggered, [this, n = n] {
            m_link->DisconnectProgrammer();
            m_link->SelectPort(n);
        });
        connect(action, &QAction::triggered, this, [this] { markChosenPort(m_ui, m_state.PortNumber); });
    }
}

void TForm1::setLoginClientSize()
{
    menuBar()->setVisible(false);
    m_ui.Status->setVisible(false);
    MainWindowUi::setClientSize(this, LoginClientWidth, LoginClientHeight);
}

void TForm1::FormCreate()
{
    m_state.VersionText = QString::fromLatin1(Version);
    m_state.LockedColor = LockedColorValue;
    setLoginClientSize();

    const settings::Loaded loaded = settings::LoadSettings(m_state, m_config, i18n::desktopLocale(), m_siteSettings.get());
    if (loaded.unreadable) {
        m_configUnreadable = loaded.unreadableReason;
        m_unreadableSite = loaded.unreadableSite;
    }
    if (loaded.deskSystemNumber != 0) {
        const TextSlots texts = startTexts(loaded.languageName);
        MessageBox::show(texts[Text::SiteSystemNumberDiffers].arg(
                             QString::number(loaded.deskSystemNumber), m_siteSettings->name(),
                             QString::number(m_state.SystemNumber),
                             QDir::toNativeSeparators(QFileInfo(m_config.path()).absoluteFilePath())),
                         texts[Text::Configuration]);
    }
    // The write-back's changes of the passwords leave their lines before the
    // start's backup copies config.ini.
    auditPasswordRewrites(loaded.hashed, loaded.reset);
    m_ui.Edit1->setText(QString::number(m_state.SystemNumber));
    m_ui.ComboBox1->setCurrentText(loaded.languageName);
    if (!loaded.error.isEmpty())
        MessageBox::show(loaded.error, MessageBox::ErrorCaption);
    m_ui.Edit2->setText(QString::number(m_state.OldSystemNumber));

    // A port number outside 1..4 (a hand-edited file) leaves COM1 selected
    // with an empty caption; choosing a port from the menu repairs both.
    m_state.PortCaption = settings::PortCaptionFor(m_state.PortNumber);
    if (!m_state.PortCaption.isEmpty())
        m_port->setComPort(m_state.PortNumber);
    markChosenPort(m_ui, m_state.PortCaption.isEmpty() ? 0 : m_state.PortNumber);
    m_groupsPage->UpdateReaderHints();
}

QString TForm1::languageText() const
{
    return m_ui.ComboBox1->currentText();
}

void TForm1::Timer2Timer()
{
    // A name no table has gets English, and the box says so: the next Save
    // then stores a language that exists.
    if (!SelectLanguageTable(languageText(), m_state.TextSlots))
        m_ui.ComboBox1->setCurrentText(QString::fromUtf16(i18n::FallbackLanguage));
    ApplyLanguage(m_state.TextSlots, m_state.VersionText, m_ui, this, m_form2, m_form3, m_form4);
    for (DbGrid* grid : {m_ui.DBGrid1, m_ui.DBGrid2, m_ui.DBGrid3})
        grid->setSortLocale(i18n::languageLocale(languageText()));
    showTableWarnings(m_state.TextSlots, {m_persons, m_readers, m_groups});
    PgConnection::setLostText(m_state.TextSlots[Text::DatabaseLost]);
    PgConnection::setCommitTexts({m_state.TextSlots[Text::DatabaseCommitUncertain],
                                  m_state.TextSlots[Text::DatabaseStoredAfterAll],
                                  m_state.TextSlots[Text::DatabaseCommitUndecided]});
    m_exchangeMenu->applyLanguage();
    m_printMenu->applyLanguage();
    m_fieldMenu->applyLanguage();
    m_programListMenu->applyLanguage();
    m_auditMenu->applyLanguage();
    showDefaultPasswords();
    m_languageTimer->stop();
}

void TForm1::BitBtn1Click()
{
    if (m_loginWaiting || m_working)
        return; // one try at a time
    const QString typed = m_ui.Edit5->text();
    const std::chrono::seconds wait = m_throttle.waitBeforeCheck();
    if (wait.count() == 0) {
        checkLogin(typed);
        return;
    }
    // The window stays responsive while the try waits its turn.
    m_loginWaiting = true;
    m_ui.BitBtn1->setEnabled(false);
    m_ui.LoginWait->setText(m_state.TextSlots[Text::LoginWait].arg(wait.count()));
    m_ui.LoginWait->show();
    m_ui.LoginWait->raise();
    m_loginPause(wait, [this, typed] {
        m_loginWaiting = false;
        m_ui.BitBtn1->setEnabled(true);
        m_ui.LoginWait->hide();
        MessageBox::guarded([this, typed] { checkLogin(typed); });
    });
}

void TForm1::checkLogin(const QString& typed)
{
    const QString configFile = QDir::toNativeSeparators(QFileInfo(m_config.path()).absoluteFilePath());
    settings::LoginCheck check;
    // A config.ini that is there but unreadable holds passwords nobody here
    // knows: nothing opens until it can be read.
    if (m_configUnreadable.isEmpty())
        check = settings::CheckLogin(m_state, typed);
    const bool admin = check.role == settings::LoginCheck::Role::Administrator;
    if (check.role == settings::LoginCheck::Role::None) {
        m_throttle.wrong();
        m_audit.setRole(QStringLiteral("none"));
        audited({QStringLiteral("login"), {}, {}, {}, {{QStringLiteral("result"), QStringLiteral("refused")}}});
        QString message = WrongPassword;
        if (!m_unreadableSite.isEmpty())
            message = m_state.TextSlots[Text::SiteSettingsUnreadable].arg(m_unreadableSite, m_configUnreadable);
        else if (!m_configUnreadable.isEmpty())
            // The mending differs: the owner and mode of the file, or its access rules.
            message = m_state.TextSlots[platform::accessByMode() ? Text::ConfigUnreadable : Text::ConfigUnreadableByRules]
                          .arg(configFile, shared::accountName(), m_configUnreadable);
        else if (const QString refusal = settings::LoginRefusal(
                     m_state, check, configFile, m_siteSettings ? m_siteSettings->name() : QString());
                 !refusal.isEmpty())
            message = refusal;
        MessageBox::show(message, WrongPasswordCaption);
        return;
    }
    m_throttle.right();
    m_audit.setRole(admin ? QStringLiteral("administrator") : QStringLiteral("user"));
    QString error;
    QStringList hashed;
    if (!settings::HashPlainPasswords(m_state, m_config, &error, &hashed, m_siteSettings.get(), typed))
        MessageBox::show(m_state.TextSlots[Text::PasswordNotRehashed].arg(error), MessageBox::ErrorCaption);
    auditPasswordRewrites(hashed, {});
    audited({QStringLiteral("login"), {}, {}, {}, {{QStringLiteral("result"), QStringLiteral("accepted")}}});
    EnterWorkingState(admin ? Role::Administrator : Role::User);
}

void TForm1::auditPasswordRewrites(const QStringList& hashed, const QStringList& reset)
{
    // A password is never written to the trail, only what became of it.
    QList<audit::Item> items;
    for (const QString& key : hashed)
        items.append({key, QStringLiteral("hashed")});
    for (const QString& key : reset)
        items.append({key, QStringLiteral("reset to the default")});
    if (!items.isEmpty())
        audited({QStringLiteral("settings"), settings::FileName, {}, {}, items});
}

void TForm1::showDefaultPasswords()
{
    const bool defaults = settings::DefaultPasswordsInUse(m_state);
    // The bar's short form; the whole sentence in its tooltip.
    m_ui.DefaultPasswords->setText(defaults ? m_state.TextSlots[Text::DefaultPasswordsShort] : QString(),
                                   defaults ? m_state.TextSlots[Text::DefaultPasswordsInUse] : QString());
    m_ui.DefaultPasswords->setVisible(defaults);
    m_ui.Edit5->setToolTip(defaults ? m_state.TextSlots[Text::DefaultPasswordHint] : QString());
}

bool TForm1::auditReady()
{
    QString message;
    if (m_auditWatch->ready(&message))
        return true;
    MessageBox::show(message, m_state.TextSlots[Text::AuditCaption]);
    return false;
}

void TForm1::audited(const audit::Event& event)
{
    m_auditWatch->record(event);
}

void TForm1::EnterWorkingState(Role role)
{
    m_journal->setRole(role == Role::Administrator ? QStringLiteral("administrator") : QStringLiteral("user"));
    m_printMenu->setUserRole(role == Role::User);
    m_auditMenu->setAdministrator(role == Role::Administrator);
    m_ui.Edit5->hide();
    m_ui.BitBtn1->hide();

    // The sizes are outer sizes: the frame the window system draws counts.
    const QSize frame = frameGeometry().size() - geometry().size();
    const int outerWidth = role == Role::Administrator ? AdminOuterWidth : UserOuterWidth;
    // A status bar of more rows than designed adds to the height, not takes it from the pages.
    setFixedSize(outerWidth - frame.width(), WorkingOuterHeight + m_ui.statusBarGrowth() - frame.height());
    move(WorkingLeft, WorkingTop);

    menuBar()->setVisible(true);
    m_ui.Edycja1->menuAction()->setVisible(true);
    m_ui.Port1->menuAction()->setVisible(true);
    m_ui.Pomoc1->menuAction()->setVisible(true);
    m_ui.Image1->hide();
    m_ui.Bevel1->show();
    m_ui.Pager1->show();
    m_ui.Status->show();

    if (role == Role::User) {
        const QList<QWidget*> adminOnly = {m_ui.GroupBox1, m_ui.GroupBox3, m_ui.SpeedButton1, m_ui.SpeedButton2,
                                           m_ui.Button5,   m_ui.Button6,   m_ui.Button8,      m_ui.Button15,
                                           m_ui.Button11,  m_ui.Button12};
        for (QWidget* w : adminOnly)
            w->setEnabled(false);
        m_ui.Edit1->setEnabled(false);
        m_ui.Edit1->setText(QStringLiteral("********"));
        m_ui.Edit6->setEnabled(false);
        m_ui.Edit8->setEnabled(false);
        for (QLineEdit* e : {m_ui.Edit1, m_ui.Edit6, m_ui.Edit8}) {
            QPalette pal = e->palette();
            pal.setColor(QPalette::Disabled, QPalette::Base, InactiveCaption);
            e->setPalette(pal);
        }
    }
    m_working = true;
    repaint();
}

void TForm1::showSaveResult(const settings::SaveResult& r)
{
    if (!r.error.isEmpty())
        MessageBox::show(r.error, MessageBox::ErrorCaption);
    else if (r.confirmTextSlot != settings::NoConfirmation)
        MessageBox::show(m_state.TextSlots[r.confirmTextSlot], m_state.TextSlots[r.confirmCaptionSlot]);
}

void TForm1::Button5Click()
{
    if (!pages::confirmSystemNumberChange(m_state, m_ui.Edit1->text())) {
        // No stores nothing: the box shows the number in force again.
        m_ui.Edit1->setText(QString::number(m_state.SystemNumber));
        return;
    }
    if (!auditReady())
        return;
    const int before = m_state.SystemNumber;
    const settings::SaveResult r =
        settings::SaveSystemNumber(m_state, m_ui.Edit1->text(), languageText(), m_config, m_siteSettings.get());
    m_ui.Edit2->setText(r.edit2Text);
    m_ui.Edit1->setText(r.edit1Text);
    if (r.error.isEmpty())
        audited({QStringLiteral("settings"), settings::FileName, {}, {},
                 {{QStringLiteral("sys_nr"), QString::number(m_state.SystemNumber), QString::number(before), true}}});
    showSaveResult(r);
}

namespace {

// A password is never shown, only that it changed.
audit::Event passwordChanged(const QString& key)
{
    return {QStringLiteral("settings"), settings::FileName, {}, {}, {{key, QStringLiteral("changed")}}};
}

} // namespace

void TForm1::Button15Click()
{
    if (!auditReady())
        return;
    const settings::SaveResult r =
        settings::SaveAdminPassword(m_state, m_ui.Edit6->text(), languageText(), m_config, m_siteSettings.get());
    if (r.error.isEmpty())
        audited(passwordChanged(QStringLiteral("admin")));
    showDefaultPasswords();
    showSaveResult(r);
}

void TForm1::Button11Click()
{
    if (!auditReady())
        return;
    const settings::SaveResult r =
        settings::SaveUserPassword(m_state, m_ui.Edit8->text(), languageText(), m_config, m_siteSettings.get());
    if (r.error.isEmpty())
        audited(passwordChanged(QStringLiteral("admin2")));
    showDefaultPasswords();
    showSaveResult(r);
}

void TForm1::Button18Click()
{
    // The next language tick applies the box's text; the file gets it now.
    m_languageTimer->start();
    if (!auditReady())
        return;
    QString error;
    if (!settings::SaveSettings(m_state, languageText(), m_config, &error, m_siteSettings.get()))
        MessageBox::show(error, MessageBox::ErrorCaption);
    else
        audited({QStringLiteral("settings"), settings::FileName, {}, {}, {{QStringLiteral("Language"), languageText()}}});
}

void TForm1::Uytkownicy1Click()
{
    m_ui.Pager1->setCurrentWidget(m_ui.Pager11);
}

void TForm1::Grupy1Click()
{
    m_ui.Pager1->setCurrentWidget(m_ui.Pager12);
}

void TForm1::Czytniki1Click()
{
    m_ui.Pager1->setCurrentWidget(m_ui.Pager13);
}

void TForm1::Oprogramie1Click()
{
    const QString helpFile = QDir::current().absoluteFilePath(QStringLiteral("access.chm"));
    if (QFileInfo::exists(helpFile)) {
        // Whether a viewer for the help file exists is the desktop's business:
        // the result is ignored.
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
        return;
    }
    // Without the help file (any desktop but Windows) the program's own
    // manual opens, in the current language; one window serves every call.
    auto* manualWindow = findChild<ManualWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!manualWindow)
        manualWindow = new ManualWindow(this);
    manualWindow->showPage(manual::startPage(languageText()));
}

void TForm1::Oprogramie2Click()
{
    if (!m_form2)
        return;
    // Hide and show again: an About dialog already open comes to the front.
    m_form2->hide();
    m_form2->show();
    m_form2->raise();
    m_form2->activateWindow();
}

void TForm1::initPages()
{
    m_personsPage = new PersonsPage(*m_persons, *m_groups, m_ui, m_state, *m_link, *m_journal, this);
    m_groupsPage = new GroupsPage(*m_groups, *m_persons, *m_readers, m_ui, m_state, this);
    m_readersPage = new ReadersPage(*m_readers, *m_groupsPage, m_ui, m_state, *m_link, *m_journal, this);

    // Each control event reaches its page; an error ends the handler and is shown.
    auto onEnter = [](QWidget* widget, std::function<void()> action) {
        ui::onEvent(widget, QEvent::KeyPress, [action = std::move(action)](QEvent* e) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                MessageBox::guarded(action);
            return false;
        });
    };

    PersonsPage* persons = m_personsPage;
    onSignal(m_ui.SpeedButton4, &QPushButton::clicked, [persons] { persons->SpeedButton4Click(); });
    onSignal(m_ui.SpeedButton3, &QPushButton::clicked, [persons] { persons->SpeedButton3Click(); });
    onSignal(m_ui.Button9, &QPushButton::clicked, [persons] { persons->Button9Click(); });
    onSignal(m_ui.Button7, &QPushButton::clicked, [persons] { persons->Button7Click(); });
    for (QWidget* edit : {static_cast<QWidget*>(m_ui.DBEdit8), static_cast<QWidget*>(m_ui.DBEdit2)}) {
        onEvent(edit, QEvent::FocusIn, [persons] { persons->PostTypedNames(); });
        onEvent(edit, QEvent::MouseButtonRelease, [persons] { persons->PostTypedNames(); });
        onEnter(edit, [persons] { persons->PostTypedNames(); });
    }
    onSignal(m_ui.Edit4, &QLineEdit::textChanged, [persons] { persons->ApplyPersonFilter(); });
    onSignal(m_ui.CheckBox2, &QCheckBox::clicked, [persons] { persons->ApplyPersonFilter(); });
    onSignal(m_ui.RadioButton4, &QRadioButton::clicked, [persons] { persons->ApplyPersonFilter(); });
    onSignal(m_ui.RadioButton5, &QRadioButton::clicked, [persons] { persons->ApplyPersonFilter(); });
    // Find's third read tick hands the card it read to the persons page.
    PersonCards* personCards = &persons->cards();
    m_link->setCardReadHandler([this, personCards](const cards::CardIdentity& card) {
        cardcontrols::cardRead(*personCards, m_ui, m_form4, card);
    });
    onSignal(m_ui.Button4, &QPushButton::clicked, [this, personCards] {
        // The next person is current at once; what came of this card stays on the status line.
        if (const QString told = cardcontrols::program(*personCards, m_ui); !told.isEmpty())
            m_link->setStatusNote(told);
    });
    onSignal(m_ui.Button3, &QPushButton::clicked, [personCards] { personCards->Button3Click(); });

    GroupsPage* groups = m_groupsPage;
    onSignal(m_ui.SpeedButton5, &QPushButton::clicked, [groups] { groups->SpeedButton5Click(); });
    onSignal(m_ui.SpeedButton6, &QPushButton::clicked, [groups] { groups->SpeedButton6Click(); });
    onSignal(m_ui.Button1, &QPushButton::clicked, [groups] { groups->Button1Click(); });
    onSignal(m_ui.Button10, &QPushButton::clicked, [groups] { groups->Button10Click(); });
    onSignal(m_ui.Button13, &QPushButton::clicked, [groups] { groups->Button13Click(); });
    onSignal(m_ui.Button14, &QPushButton::clicked, [groups] { groups->Button14Click(); });
    onEvent(m_ui.DBEdit6, QEvent::MouseButtonRelease, [groups] { groups->PostTypedName(); });
    onEnter(m_ui.DBEdit6, [groups] { groups->PostTypedName(); });

    ReadersPage* readers = m_readersPage;
    onSignal(m_ui.SpeedButton1, &QPushButton::clicked, [readers] { readers->SpeedButton1Click(); });
    onSignal(m_ui.SpeedButton2, &QPushButton::clicked, [readers] { readers->SpeedButton2Click(); });
    onSignal(m_ui.Button6, &QPushButton::clicked, [readers] { readers->Button6Click(); });
    onSignal(m_ui.Button8, &QPushButton::clicked, [readers] { readers->Button8Click(); });
    onEvent(m_ui.DBEdit3, QEvent::MouseButtonRelease, [readers] { readers->PostTypedName(); });
    onEnter(m_ui.DBEdit3, [readers] { readers->PostTypedName(); });
    onSignal(m_ui.DBComboBox1, &QComboBox::activated, [readers] { readers->DBComboBox1Click(); });
    onEvent(m_ui.DBComboBox1, QEvent::MouseButtonRelease, [readers] { readers->DBComboBox1Click(); });
    ui::onEvent(m_ui.DBComboBox1, QEvent::KeyPress,
                [readers](QEvent* e) { return readers->DBComboBox1KeyPress(*static_cast<QKeyEvent*>(e)); });
    onEvent(m_ui.DBComboBox1, QEvent::KeyRelease, [readers] { readers->DBComboBox1KeyUp(); });
    ReaderCards* readerCards = &readers->cards();
    onSignal(m_ui.Button12, &QPushButton::clicked,
             [this, readerCards] { cardcontrols::writeConfigCard(*readerCards, m_ui); });
    // Ticked by mouse, keyboard or program alike.
    for (QRadioButton* radio : {m_ui.RadioButton1, m_ui.RadioButton2, m_ui.RadioButton3})
        connect(radio, &QRadioButton::toggled, this, [this] { cardcontrols::showOldCode(m_ui); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The tables keep only what was posted; a text they cannot store keeps
    // the window open, with the reason, so nothing typed is lost.
    if (!MessageBox::guarded([this] {
            m_personsPage->postPending();
            m_groupsPage->postPending();
            m_readersPage->postPending();
        })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
