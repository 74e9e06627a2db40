#include "app/Form1.h"

#include "app/ExchangeMenu.h"
#include "app/StartPicture.h"
#include "config/AppError.h"
#include "data/Backup.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "link/LinkView.h"
#include "link/ProgrammerLink.h"
#include "manual/Manual.h"
#include "pages/CardJournal.h"
#include "pages/GroupsPage.h"
#include "pages/PersonCards.h"
#include "pages/PersonsPage.h"
#include "pages/ReaderCards.h"
#include "pages/ReadersPage.h"
#include "serial/TSerialComm.h"
#include "ui/ApplyLanguage.h"
#include "ui/DataSource.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
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
    void setStatusText(const QString& text) override { m_form.m_ui.Status->showMessage(text); }
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
    void setTimer1Enabled(bool on) override { on ? m_form.Timer1->start() : m_form.Timer1->stop(); }
    void setTimer3Enabled(bool on) override { on ? m_form.Timer3->start() : m_form.Timer3->stop(); }
    void SavePortToRegistry(int portNumber) override
    {
        QString error;
        if (!settings::SavePortToRegistry(portNumber, &error))
            MessageBox::show(error, MessageBox::ErrorCaption);
    }

private:
    TForm1& m_form;
};

namespace {

// A copy of the tables and config.ini at every start, once the tables are
// open and locked. A failure is told in the chosen language and the program
// goes on: the tables themselves are untouched.
void backupAtStart(const QString& language)
{
    try {
        backup::make(QDir::currentPath());
    } catch (const AppError& e) {
        TextSlots texts;
        if (!i18n::copyLanguageTable(language, &texts))
            i18n::copyLanguageTable(u"English", &texts);
        MessageBox::show(texts[Text::BackupFailed] + u'\n' + e.message(), texts[Text::BackupCaption]);
    }
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), m_config(settings::FileName)
{
    // A small fixed window with a title bar and a close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_ui.setupUi(this);
    setWindowIcon(WindowIcon());
    m_ui.Image1->setPixmap(StartPicture());

    openTables();
    m_ui.bind(DataSource1, DataSource2, DataSource3);
    initPages();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(10);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(50);

    initLink();
    initConnections();
    Timer2->start();
    Timer3->start();
    FormCreate();
    backupAtStart(languageText());
    auto* exchangeMenu = new ExchangeMenu(m_ui, *Table1, *Table3, m_state.TextSlots, this);
    connect(m_ui.Eksportosb1, &QAction::triggered, this,
            [exchangeMenu] { MessageBox::guarded([exchangeMenu] { exchangeMenu->exportPersons(); }); });
    connect(m_ui.Importosb1, &QAction::triggered, this,
            [exchangeMenu] { MessageBox::guarded([exchangeMenu] { exchangeMenu->importPersons(); }); });
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
// logs in; until then the table takes no change.
void showTableWarnings(const TextSlots& texts, std::initializer_list<Table*> tables)
{
    for (Table* table : tables) {
        if (!table || table->warningsAcknowledged())
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
    // The tables open from the working directory, persons, readers, groups;
    // a missing, locked or damaged one stops the program with its reason.
    Table1 = new Table(this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->open(TableLayouts::PersonsFile);
    Table2 = new Table(this);
    Table2->setObjectName(QStringLiteral("Table2"));
    Table2->open(TableLayouts::ReadersFile);
    Table3 = new Table(this);
    Table3->setObjectName(QStringLiteral("Table3"));
    Table3->open(TableLayouts::GroupsFile);
    DataSource1 = new DataSource(Table1, this);
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    DataSource2 = new DataSource(Table2, this);
    DataSource2->setObjectName(QStringLiteral("DataSource2"));
    DataSource3 = new DataSource(Table3, this);
    DataSource3->setObjectName(QStringLiteral("DataSource3"));
}

void TForm1::initLink()
{
    rs = new TSerialComm(this);
    rs->setObjectName(QStringLiteral("rs"));
    for (int n = 1; n <= 4; ++n)
        rs->setPortDevice(n, settings::PortDevice(m_config, n));
    m_view = std::make_unique<View>(*this);
    m_link = std::make_unique<ProgrammerLink>(LinkState{m_state.LinkOpen, m_state.PortNumber, m_state.PortCaption}, *rs,
                                              *m_view);
}

void TForm1::setDialogs(TForm2* form2, TForm3* form3, TForm4* form4)
{
    m_form2 = form2;
    m_form3 = form3;
    m_form4 = form4;
    if (m_form4)
        m_form4->bind(DataSource1);
    m_personCards->setCardInformation(form4);
}

void TForm1::initConnections()
{
    auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { MessageBox::guarded([this, handler] { (this->*handler)(); }); });
    };
    on(m_ui.BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
    on(m_ui.Edit5, &QLineEdit::returnPressed, &TForm1::BitBtn1Click);
    on(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);
    auto onLink = [this](auto* sender, auto signal, std::function<void()> action) {
        connect(sender, signal, this, [this, action] { MessageBox::guarded(action); });
    };
    onLink(Timer1, &QTimer::timeout, [this] { m_link->Timer1Timer(); });
    onLink(Timer3, &QTimer::timeout, [this] { m_link->Timer3Timer(); });
    onLink(m_ui.Button2, &QPushButton::clicked, [this] { m_link->Button2Click(); });
    onLink(m_ui.COM11, &QAction::triggered, [this] { m_link->ConnectProgrammer(); });
    onLink(m_ui.Rozcz1, &QAction::triggered, [this] { m_link->DisconnectProgrammer(); });
    const std::pair<QAction*, int> ports[] = {{m_ui.COM12, 1}, {m_ui.COM22, 2}, {m_ui.COM21, 3}, {m_ui.COM41, 4}};
    for (auto [action, n] : ports) {
        onLink(action, &QAction::triggered, [this, n = n] {
            m_link->DisconnectProgrammer();
            m_link->SelectPort(n);
        });
    }
    on(m_ui.Button5, &QPushButton::clicked, &TForm1::Button5Click);
    on(m_ui.Button15, &QPushButton::clicked, &TForm1::Button15Click);
    on(m_ui.Button11, &QPushButton::clicked, &TForm1::Button11Click);
    on(m_ui.Button18, &QPushButton::clicked, &TForm1::Button18Click);
    on(m_ui.Uytkownicy1, &QAction::triggered, &TForm1::Uytkownicy1Click);
    on(m_ui.Grupy1, &QAction::triggered, &TForm1::Grupy1Click);
    on(m_ui.Czytniki1, &QAction::triggered, &TForm1::Czytniki1Click);
    on(m_ui.Oprogramie1, &QAction::triggered, &TForm1::Oprogramie1Click);
    on(m_ui.Oprogramie2, &QAction::triggered, &TForm1::Oprogramie2Click);

    // The card operations of the persons and readers pages; Find's third
    // read tick hands the card it read to the persons page's evaluation.
    m_journal = std::make_unique<CardJournal>();
    m_personCards = std::make_unique<PersonCards>(m_state, *m_link, *Table1, *Table3, *m_journal, m_ui);
    m_readerCards = std::make_unique<ReaderCards>(m_state, *m_link, *Table2, *m_journal, m_ui);
    m_link->setCardReadHandler([this](const cards::CardIdentity& card) { m_personCards->evaluateCard(card); });
    onLink(m_ui.Button4, &QPushButton::clicked, [this] { m_personCards->Button4Click(); });
    onLink(m_ui.Button3, &QPushButton::clicked, [this] { m_personCards->Button3Click(); });
    onLink(m_ui.Button12, &QPushButton::clicked, [this] { m_readerCards->Button12Click(); });
    // Ticked by mouse, keyboard or program alike.
    const std::pair<QRadioButton*, void (ReaderCards::*)()> radios[] = {
        {m_ui.RadioButton1, &ReaderCards::RadioButton1Click},
        {m_ui.RadioButton2, &ReaderCards::RadioButton2Click},
        {m_ui.RadioButton3, &ReaderCards::RadioButton3Click}};
    for (auto [radio, handler] : radios) {
        connect(radio, &QRadioButton::toggled, this, [this, handler = handler](bool on) {
            if (on)
                MessageBox::guarded([this, handler] { (m_readerCards.get()->*handler)(); });
        });
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

    const settings::Loaded loaded = settings::LoadSettings(m_state, m_config);
    m_ui.Edit1->setText(QString::number(m_state.SystemNumber));
    m_ui.ComboBox1->setCurrentText(loaded.languageName);
    if (!loaded.error.isEmpty())
        MessageBox::show(loaded.error, MessageBox::ErrorCaption);
    m_ui.Edit2->setText(QString::number(m_state.OldSystemNumber));

    // A port number outside 1..4 (a hand-edited file) leaves COM1 selected
    // with an empty caption; choosing a port from the menu repairs both.
    m_state.PortCaption = settings::PortCaptionFor(m_state.PortNumber);
    if (!m_state.PortCaption.isEmpty())
        rs->setComPort(m_state.PortNumber);
    UpdateReaderHints();
}

void TForm1::UpdateReaderHints()
{
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
    showTableWarnings(m_state.TextSlots, {Table1, Table2, Table3});
    if (auto* exchangeMenu = findChild<ExchangeMenu*>(QStringLiteral("ExchangeMenu")))
        exchangeMenu->applyLanguage();
    Timer2->stop();
}

void TForm1::BitBtn1Click()
{
    const QString typed = m_ui.Edit5->text();
    if (typed == m_state.AdminPassword)
        EnterWorkingState(Role::Administrator);
    else if (typed == m_state.UserPassword)
        EnterWorkingState(Role::User);
    else
        MessageBox::show(WrongPassword, WrongPasswordCaption);
}

void TForm1::EnterWorkingState(Role role)
{
    m_journal->setRole(role == Role::Administrator ? QStringLiteral("administrator") : QStringLiteral("user"));
    m_ui.Edit5->hide();
    m_ui.BitBtn1->hide();

    // The sizes are outer sizes: the frame the window system draws counts.
    const QSize frame = frameGeometry().size() - geometry().size();
    const int outerWidth = role == Role::Administrator ? AdminOuterWidth : UserOuterWidth;
    setFixedSize(outerWidth - frame.width(), WorkingOuterHeight - frame.height());
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
    const settings::SaveResult r = settings::SaveSystemNumber(m_state, m_ui.Edit1->text(), languageText(), m_config);
    m_ui.Edit2->setText(r.edit2Text);
    m_ui.Edit1->setText(r.edit1Text);
    showSaveResult(r);
}

void TForm1::Button15Click()
{
    showSaveResult(settings::SaveAdminPassword(m_state, m_ui.Edit6->text(), languageText(), m_config));
}

void TForm1::Button11Click()
{
    showSaveResult(settings::SaveUserPassword(m_state, m_ui.Edit8->text(), languageText(), m_config));
}

void TForm1::Button18Click()
{
    // The next language tick applies the box's text; the file gets it now.
    Timer2->start();
    QString error;
    if (!settings::SaveSettings(m_state, languageText(), m_config, &error))
        MessageBox::show(error, MessageBox::ErrorCaption);
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
    m_personsPage = new PersonsPage(*Table1, *Table3, m_ui, m_state, this);
    m_groupsPage = new GroupsPage(*Table3, *Table1, *Table2, m_ui, m_state, this);
    m_readersPage = new ReadersPage(*Table2, *m_groupsPage, m_ui, m_state, this);

    // Each control event reaches its page; an error ends the handler and is shown.
    auto on = [this](auto* sender, auto signal, std::function<void()> action) {
        connect(sender, signal, this, [this, action] { MessageBox::guarded(action); });
    };
    auto onEvent = [this](QWidget* widget, QEvent::Type type, std::function<void()> action) {
        ui::onEvent(widget, type, [this, action](QEvent*) {
            MessageBox::guarded(action);
            return false;
        });
    };
    auto onEnter = [this](QWidget* widget, std::function<void()> action) {
        ui::onEvent(widget, QEvent::KeyPress, [this, action](QEvent* e) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                MessageBox::guarded(action);
            return false;
        });
    };

    PersonsPage* persons = m_personsPage;
    on(m_ui.SpeedButton4, &QPushButton::clicked, [persons] { persons->SpeedButton4Click(); });
    on(m_ui.SpeedButton3, &QPushButton::clicked, [persons] { persons->SpeedButton3Click(); });
    on(m_ui.Button9, &QPushButton::clicked, [persons] { persons->Button9Click(); });
    on(m_ui.Button7, &QPushButton::clicked, [persons] { persons->Button7Click(); });
    for (QWidget* edit : {static_cast<QWidget*>(m_ui.DBEdit8), static_cast<QWidget*>(m_ui.DBEdit2)}) {
        onEvent(edit, QEvent::FocusIn, [persons] { persons->PostTypedNames(); });
        onEvent(edit, QEvent::MouseButtonRelease, [persons] { persons->PostTypedNames(); });
        onEnter(edit, [persons] { persons->PostTypedNames(); });
    }
    on(m_ui.Edit4, &QLineEdit::textChanged, [persons] { persons->ApplyPersonFilter(); });
    on(m_ui.CheckBox2, &QCheckBox::clicked, [persons] { persons->ApplyPersonFilter(); });
    on(m_ui.RadioButton4, &QRadioButton::clicked, [persons] { persons->ApplyPersonFilter(); });
    on(m_ui.RadioButton5, &QRadioButton::clicked, [persons] { persons->ApplyPersonFilter(); });

    GroupsPage* groups = m_groupsPage;
    on(m_ui.SpeedButton5, &QPushButton::clicked, [groups] { groups->SpeedButton5Click(); });
    on(m_ui.SpeedButton6, &QPushButton::clicked, [groups] { groups->SpeedButton6Click(); });
    on(m_ui.Button1, &QPushButton::clicked, [groups] { groups->Button1Click(); });
    on(m_ui.Button10, &QPushButton::clicked, [groups] { groups->Button10Click(); });
    on(m_ui.Button13, &QPushButton::clicked, [groups] { groups->Button13Click(); });
    on(m_ui.Button14, &QPushButton::clicked, [groups] { groups->Button14Click(); });
    onEvent(m_ui.DBEdit6, QEvent::MouseButtonRelease, [groups] { groups->PostTypedName(); });
    onEnter(m_ui.DBEdit6, [groups] { groups->PostTypedName(); });

    ReadersPage* readers = m_readersPage;
    on(m_ui.SpeedButton1, &QPushButton::clicked, [readers] { readers->SpeedButton1Click(); });
    on(m_ui.SpeedButton2, &QPushButton::clicked, [readers] { readers->SpeedButton2Click(); });
    on(m_ui.Button6, &QPushButton::clicked, [readers] { readers->Button6Click(); });
    on(m_ui.Button8, &QPushButton::clicked, [readers] { readers->Button8Click(); });
    onEvent(m_ui.DBEdit3, QEvent::MouseButtonRelease, [readers] { readers->PostTypedName(); });
    onEnter(m_ui.DBEdit3, [readers] { readers->PostTypedName(); });
    on(m_ui.DBComboBox1, &QComboBox::activated, [readers] { readers->DBComboBox1Click(); });
    onEvent(m_ui.DBComboBox1, QEvent::MouseButtonRelease, [readers] { readers->DBComboBox1Click(); });
    ui::onEvent(m_ui.DBComboBox1, QEvent::KeyPress,
                [readers](QEvent* e) { return readers->DBComboBox1KeyPress(*static_cast<QKeyEvent*>(e)); });
    onEvent(m_ui.DBComboBox1, QEvent::KeyRelease, [readers] { readers->DBComboBox1KeyUp(); });
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
