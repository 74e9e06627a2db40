#pragma once

#include "cards/CardLimits.h"
#include "ui/StatusPart.h"

#include <QList>

#include <array>

class DataSource;
class DbCheckBox;
class DbComboBox;
class DbEdit;
class DbGrid;
class DbLookupCombo;
class DbMemo;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;

class QTabWidget;
class QWidget;

// The controls of the main window Form1, each under its own name (also its
// objectName), placed at fixed pixel positions relative to its parent, with
// the design captions and start states: persons page current, all three data
// pages locked, the login-state controls showing and the working-state ones
// (pager, status bar, bevel, menus) hidden. The window's handlers live in
// TForm1, which connects them through these pointers.
class MainWindowUi
{
public:
    // Size of the window's client area as designed (below the menu bar).
    static constexpr int DesignClientWidth = 746;
    static constexpr int DesignClientHeight = 555;
    // The relay times offered by DBComboBox1, in seconds.
    static constexpr std::array<int, 26> RelayTimes = {1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  15,  20,  25,
                                                       30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200};

    MainWindowUi();
    ~MainWindowUi();
    MainWindowUi(const MainWindowUi&) = delete;
    MainWindowUi& operator=(const MainWindowUi&) = delete;

    // Builds every control, the menu and the status bar into form1 (which
    // becomes their owner). Call once.
    void setupUi(QMainWindow* form1);

    // Binds the data controls: ds1 persons (osoby.dbf), ds2 readers
    // (sprzet.dbf), ds3 groups (grupa.dbf). The tables must be open.
    void bind(DataSource* ds1, DataSource* ds2, DataSource* ds3);

    // Fixes the window's client area (below the visible menu bar) at this
    // size; the window is not resizable by the operator.
    static void setClientSize(QMainWindow* form1, int width, int height);

    // Gives the status bar the height of the lines it shows now (more while
    // DatabaseStatus is shown).
    void fitStatusBar();
    // How much taller than designed the status bar is: the window grows by
    // as much, so the pages keep their room.
    int statusBarGrowth() const;

    // DBCheckBox1 .. DBCheckBox96 by number (1..96).
    DbCheckBox* accessBox(int number) const;

    // Every named widget of the window (menus and actions not included).
    QList<QWidget*> controls() const;

    // Login state.
    QLabel* Image1 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* LoginWait = nullptr;        // the wait before a try is checked, after wrong passwords
    StatusPart* DefaultPasswords = nullptr; // status bar, while a new installation's password still opens a role

    // Working state frame.
    QFrame* Bevel1 = nullptr;
    QTabWidget* Pager1 = nullptr;
    QWidget* Pager11 = nullptr;    // persons
    QWidget* Pager12 = nullptr;    // groups
    QWidget* Pager13 = nullptr;    // readers
    QWidget* PagerPage1 = nullptr; // settings
    QStatusBar* Status = nullptr;
    StatusPart* LinkStatus = nullptr;           // the link: its animation, Find's word, a card's result
    StatusPart* ProgramListStatus = nullptr;    // while a list is being programmed
    StatusPart* CardsToRewriteStatus = nullptr; // the cards whose doors changed
    StatusPart* DatabaseStatus = nullptr;       // the shared database, when the site has one
    QPlainTextEdit* Memo1 = nullptr; // frame trace, never shown

    // Persons page.
    DbGrid* DBGrid1 = nullptr;
    QFrame* Panel2 = nullptr;
    DbEdit* DBEdit8 = nullptr;
    QLabel* Label7 = nullptr;
    DbEdit* DBEdit2 = nullptr;
    QLabel* Label13 = nullptr;
    DbEdit* DBEdit5 = nullptr;
    QLabel* Label14 = nullptr;
    DbEdit* DBEdit1 = nullptr;
    QLabel* Label3 = nullptr;
    DbLookupCombo* DBLB2 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Button9 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    DbMemo* DBMemo1 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* CBox2 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* Label22 = nullptr;

    // Groups page.
    QLabel* Label5 = nullptr;
    DbGrid* DBGrid2 = nullptr;
    QLabel* Label6 = nullptr;
    DbMemo* DBMemo2 = nullptr;
    QFrame* Panel1 = nullptr;
    std::array<DbCheckBox*, cards::ReaderCount> DBCheckBoxes{}; // [0] is DBCheckBox1
    QPushButton* Button13 = nullptr;
    QPushButton* Button14 = nullptr;
    DbEdit* DBEdit6 = nullptr;
    QLabel* Label9 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* SpeedButton5 = nullptr;
    QPushButton* SpeedButton6 = nullptr;

    // Readers page.
    DbGrid* DBGrid3 = nullptr;
    QLabel* Label15 = nullptr;
    DbMemo* DBMemo3 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    DbEdit* DBEdit3 = nullptr;
    QLabel* Label10 = nullptr;
    DbComboBox* DBComboBox1 = nullptr;
    QLabel* Label11 = nullptr;
    DbEdit* DBEdit4 = nullptr;
    QLabel* Label12 = nullptr;
    DbCheckBox* DBCheckBox98 = nullptr;
    DbCheckBox* DBCheckBox97 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label17 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button12 = nullptr;

    // Settings page.
    QLabel* Label18 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button5 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QPushButton* Button15 = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QPushButton* Button11 = nullptr;
    QLabel* Label21 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button18 = nullptr;

    // The speed-button pairs; each is exclusive, and pressing the button
    // that is already down still emits its clicked().
    QButtonGroup* personsModeButtons = nullptr; // SpeedButton4 / SpeedButton3
    QButtonGroup* groupsModeButtons = nullptr;  // SpeedButton5 / SpeedButton6
    QButtonGroup* readersModeButtons = nullptr; // SpeedButton1 / SpeedButton2

    // Main menu MainMenu1.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* Edycja1 = nullptr;
    QAction* Uytkownicy1 = nullptr;
    QAction* Grupy1 = nullptr;
    QAction* Czytniki1 = nullptr;
    QAction* Eksportosb1 = nullptr; // persons to a spreadsheet file
    QAction* Importosb1 = nullptr;  // persons from a spreadsheet file
    QMenu* Port1 = nullptr;
    QAction* COM11 = nullptr;
    QAction* Rozcz1 = nullptr;
    QMenu* Wybrportu1 = nullptr;
    QAction* COM12 = nullptr;
    QAction* COM22 = nullptr;
    QAction* COM21 = nullptr;
    QAction* COM41 = nullptr;
    QMenu* Pomoc1 = nullptr;
    QAction* Oprogramie1 = nullptr;
    QAction* Oprogramie2 = nullptr;

private:
    void setupStatusBar(QMainWindow* form1);
    void setupLogin(QWidget* client);
    void setupPager(QWidget* client);
    void setupPersonsPage();
    void setupGroupsPage();
    void setupReadersPage();
    void setupSettingsPage();
    void setupMenu(QMainWindow* form1);

    QList<QWidget*> m_controls;
};
