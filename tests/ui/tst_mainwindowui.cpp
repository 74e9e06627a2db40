// The main window's controls as built by MainWindowUi: kind, parent, start
// state, a layout that holds in every language, the menu, the speed-button
// pairs and the binding to the three tables.

#include "UiFixture.h"
#include "ui/ApplyLanguage.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/DbText.h"
#include "ui/Look.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

namespace {

enum ReadOnly { NoEdit = -1, Writable = 0, Locked = 1 };

// Read-only as each kind of control keeps it; NoEdit for kinds without it.
int readOnlyOf(QWidget* w)
{
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->isReadOnly();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return m->isReadOnly();
    if (auto* c = qobject_cast<DbCheckBox*>(w))
        return c->isReadOnly();
    if (auto* c = qobject_cast<DbComboBox*>(w))
        return c->isReadOnly();
    if (auto* c = qobject_cast<DbLookupCombo*>(w))
        return c->isReadOnly();
    return NoEdit;
}

QString captionOf(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return QString();
}

// Controls the layout stacks on purpose: the login controls stand on the
// start picture, and the working state takes their place; the trace and the
// bevel lie partly outside the client area as designed; the pages share the
// pager.
bool stackedOnPurpose(const QWidget* w)
{
    static const QStringList names{QStringLiteral("Image1"), QStringLiteral("Edit5"), QStringLiteral("BitBtn1"),
                                   QStringLiteral("LoginWait"), QStringLiteral("Memo1"), QStringLiteral("Bevel1")};
    return names.contains(w->objectName()) || qobject_cast<QStackedWidget*>(w->parentWidget());
}

// What is wrong with the layout of these controls: one reaching out of its
// parent, two siblings on top of each other (sharing more than an edge), a
// label narrower than its text.
QStringList layoutFaults(const QList<QWidget*>& all)
{
    QList<QWidget*> controls;
    for (QWidget* w : all) {
        if (!w->isWindow() && !stackedOnPurpose(w))
            controls << w;
    }
    QStringList faults;
    for (QWidget* w : controls) {
        const QString name = w->objectName();
        if (!w->parentWidget()->rect().contains(w->geometry()))
            faults << QStringLiteral("%1 reaches out of %2").arg(name, w->parentWidget()->objectName());
        if (auto* label = qobject_cast<QLabel*>(w); label && label->width() < label->sizeHint().width())
            faults << QStringLiteral("%1 is narrower than \"%2\"").arg(name, label->text());
        for (QWidget* other : controls) {
            const QRect shared = w->geometry().intersected(other->geometry());
            if (other->parentWidget() == w->parentWidget() && name < other->objectName() && shared.width() > 1 &&
                shared.height() > 1)
                faults << QStringLiteral("%1 and %2 overlap").arg(name, other->objectName());
        }
    }
    return faults;
}

} // namespace

class TestMainWindowUi : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void everyControlHasItsOwnName();
    void layoutHoldsInEveryLanguage_data();
    void layoutHoldsInEveryLanguage();
    void accessBoxes();
    void pagerFillsTheClientArea();
    void pages();
    void menu_data();
    void menu();
    void speedButtonPairs_data();
    void speedButtonPairs();
    void startSelections();
    void relayTimesAndLanguages();
    void binding_data();
    void binding();
    void boundControlsShowTheCurrentRecord();
};

void TestMainWindowUi::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("readOnly");

    auto row = [](const char* name, const char* kind, const char* parent, const char* caption = "", bool enabled = true,
                  bool hidden = false, int readOnly = NoEdit) {
        QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(parent) << QString::fromUtf8(caption)
                            << enabled << hidden << readOnly;
    };

    // Login state and the frame of the working state.
    row("Image1", "QLabel", "Form1Client");
    row("Edit5", "QLineEdit", "Form1Client", "", true, false, Writable);
    row("BitBtn1", "QPushButton", "Form1Client", "Confirm");
    row("Bevel1", "QFrame", "Form1Client", "", true, true);
    row("Memo1", "QPlainTextEdit", "Form1Client", "", true, true, Writable);

    // Persons page.
    row("DBGrid1", "DbGrid", "Pager11");
    row("Panel2", "QFrame", "Pager11");
    row("DBEdit8", "DbEdit", "Panel2", "", true, false, Locked);
    row("Label7", "QLabel", "Panel2", "Surname");
    row("DBEdit2", "DbEdit", "Panel2", "", true, false, Locked);
    row("Label13", "QLabel", "Panel2", "Name");
    row("DBEdit5", "DbEdit", "Panel2", "", true, false, Locked);
    row("Label14", "QLabel", "Panel2", "Number of duplicates ");
    row("DBEdit1", "DbEdit", "Panel2", "", true, false, Locked);
    row("Label3", "QLabel", "Panel2", "Number in database ");
    row("DBLB2", "DbLookupCombo", "Panel2", "", true, false, Locked);
    row("Label4", "QLabel", "Panel2", "Group");
    row("Button9", "QPushButton", "Panel2", "Add", false);
    row("Button7", "QPushButton", "Panel2", "Remove", false);
    row("SpeedButton4", "QPushButton", "Panel2", "Edit");
    row("SpeedButton3", "QPushButton", "Panel2", "Confirm");
    row("GroupBox6", "QGroupBox", "Panel2", "GroupBox6");
    row("Edit4", "QLineEdit", "GroupBox6", "", true, false, Writable);
    row("RadioButton4", "QRadioButton", "GroupBox6", "RadioButton4");
    row("RadioButton5", "QRadioButton", "GroupBox6", "RadioButton5");
    row("CheckBox2", "QCheckBox", "GroupBox6", "CheckBox2");
    row("DBMemo1", "DbMemo", "Pager11", "", true, false, Writable);
    row("Label2", "QLabel", "Pager11", "Note: ");
    row("CBox2", "QCheckBox", "Pager11", " Duplicate card");
    row("Button4", "QPushButton", "Pager11", "Program");
    row("Button2", "QPushButton", "Pager11", "Read");
    row("Button3", "QPushButton", "Pager11", "Delete withdrawal ");
    row("Label22", "QLabel", "Pager11", "Label22", true, true);

    // Groups page (the 96 access boxes have a test of their own).
    row("Label5", "QLabel", "Pager12", "Access only to checked readers");
    row("DBGrid2", "DbGrid", "Pager12");
    row("Label6", "QLabel", "Pager12", "Note");
    row("DBMemo2", "DbMemo", "Pager12", "", true, false, Writable);
    row("Panel1", "QFrame", "Pager12");
    row("Button13", "QPushButton", "Pager12", "Full access ", false);
    row("Button14", "QPushButton", "Pager12", "No access", false);
    row("DBEdit6", "DbEdit", "Pager12", "", true, false, Locked);
    row("Label9", "QLabel", "Pager12", "Group's name");
    row("Button1", "QPushButton", "Pager12", "Add", false);
    row("Button10", "QPushButton", "Pager12", "Remove", false);
    row("SpeedButton5", "QPushButton", "Pager12", "Edit");
    row("SpeedButton6", "QPushButton", "Pager12", "Confirm");

    // Readers page.
    row("DBGrid3", "DbGrid", "Pager13");
    row("Label15", "QLabel", "Pager13", "Note");
    row("DBMemo3", "DbMemo", "Pager13", "", true, false, Locked);
    row("GroupBox3", "QGroupBox", "Pager13", "Reader parameters  ");
    row("DBEdit3", "DbEdit", "GroupBox3", "", true, false, Locked);
    row("Label10", "QLabel", "GroupBox3", "Reader's name");
    row("DBComboBox1", "DbComboBox", "GroupBox3", "", true, false, Locked);
    row("Label11", "QLabel", "GroupBox3", "Relay time");
    row("DBEdit4", "DbEdit", "GroupBox3", "", true, false, Locked);
    row("Label12", "QLabel", "GroupBox3", "Reader's number");
    row("DBCheckBox98", "DbCheckBox", "GroupBox3", "Additional informing in standard PROX ", true, true, Locked);
    row("DBCheckBox97", "DbCheckBox", "GroupBox3", "User's ID on COM port", true, false, Locked);
    row("Button6", "QPushButton", "GroupBox3", "Add", false);
    row("Button8", "QPushButton", "GroupBox3", "Remove", false);
    row("SpeedButton1", "QPushButton", "GroupBox3", "Edit");
    row("SpeedButton2", "QPushButton", "GroupBox3", "Confirm");
    row("GroupBox1", "QGroupBox", "Pager13", "Options");
    row("RadioButton3", "QRadioButton", "GroupBox1", "New reader");
    row("RadioButton1", "QRadioButton", "GroupBox1", "Existing reader");
    row("RadioButton2", "QRadioButton", "GroupBox1", "Change system code");
    row("Edit2", "QLineEdit", "GroupBox1", "", true, true, Writable);
    row("Label17", "QLabel", "GroupBox1", "Old code", true, true);
    row("CheckBox1", "QCheckBox", "GroupBox1", "Clear memory of lost cards");
    row("Button12", "QPushButton", "GroupBox1", "Save to card");

    // Settings page.
    row("Label18", "QLabel", "PagerPage1", "Label18");
    row("Label8", "QLabel", "PagerPage1", "Number range 1...1 000 000");
    row("Edit1", "QLineEdit", "PagerPage1", "", true, false, Writable);
    row("Button5", "QPushButton", "PagerPage1", "Write");
    row("Label19", "QLabel", "PagerPage1", "Label19");
    row("Edit6", "QLineEdit", "PagerPage1", "", true, false, Writable);
    row("Button15", "QPushButton", "PagerPage1", "Write");
    row("Label20", "QLabel", "PagerPage1", "Label20");
    row("Edit8", "QLineEdit", "PagerPage1", "", true, false, Writable);
    row("Button11", "QPushButton", "PagerPage1", "Write");
    row("Label21", "QLabel", "PagerPage1", "Label21");
    row("ComboBox1", "QComboBox", "PagerPage1");
    row("Button18", "QPushButton", "PagerPage1", "Write");
}

void TestMainWindowUi::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, hidden);
    QFETCH(int, readOnly);

    UiFixture f;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget*> found = f.form1->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QWidget* w = found.first();
    QVERIFY2(w->inherits(kind.toLatin1().constData()), w->metaObject()->className());
    QVERIFY(f.ui.controls().contains(w));
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(captionOf(w), caption);
    QCOMPARE(w->isEnabled(), enabled);
    QCOMPARE(w->isHidden(), hidden);
    QCOMPARE(readOnlyOf(w), readOnly);
}

void TestMainWindowUi::everyControlHasItsOwnName()
{
    UiFixture f;
    QSet<QString> names;
    for (QWidget* w : f.ui.controls()) {
        QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
        QVERIFY2(!names.contains(w->objectName()), qPrintable(w->objectName()));
        names.insert(w->objectName());
    }
    // 85 named controls, 96 access boxes, the pager's four pages and the status bar.
    QCOMPARE(names.size(), 85 + 96 + 4 + 1);
}

void TestMainWindowUi::layoutHoldsInEveryLanguage_data()
{
    QTest::addColumn<QString>("language");
    for (const char* language : {"Polski", "English", "český", "Magyar"})
        QTest::newRow(language) << QString::fromUtf8(language);
}

// Labels take the width of their text in each language; nothing may then
// cover another control or leave its parent.
void TestMainWindowUi::layoutHoldsInEveryLanguage()
{
    QFETCH(QString, language);
    UiFixture f;
    TextSlots texts;
    QVERIFY(SelectLanguageTable(language, texts));
    ApplyLanguage(texts, QStringLiteral("1.13"), f.ui, f.form1.get(), f.form2.get(), f.form3.get(), f.form4.get());
    f.showWorkingState();
    // Each page takes its size when it first shows.
    for (int i = 0; i < f.ui.Pager1->count(); ++i) {
        f.ui.Pager1->setCurrentIndex(i);
        QTRY_COMPARE(f.ui.Pager1->widget(i)->size(), f.ui.Pager1->widget(i)->parentWidget()->size());
    }
    QList<QWidget*> controls = f.ui.controls();
    for (QDialog* dialog : std::initializer_list<QDialog*>{f.form2.get(), f.form3.get(), f.form4.get()}) {
        for (QWidget* w : dialog->findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
                controls << w;
        }
    }
    const QStringList faults = layoutFaults(controls);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

void TestMainWindowUi::accessBoxes()
{
    UiFixture f;
    QCOMPARE(f.ui.accessBox(0), nullptr);
    QCOMPARE(f.ui.accessBox(97), nullptr);
    for (int number = 1; number <= 96; ++number) {
        auto* box = f.form1->findChild<DbCheckBox*>(QStringLiteral("DBCheckBox%1").arg(number));
        QVERIFY(box);
        QCOMPARE(f.ui.accessBox(number), box);
        QCOMPARE(f.ui.DBCheckBoxes[size_t(number - 1)], box);
        QCOMPARE(box->parentWidget(), f.ui.Panel1);
        QCOMPARE(box->text(), QString::number(number));
        QVERIFY(box->isReadOnly());
        QVERIFY(!box->isHidden());

        // Read-only: a click leaves the box as it was.
        const bool before = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->isChecked(), before);
    }
}

void TestMainWindowUi::pagerFillsTheClientArea()
{
    UiFixture f;
    f.showWorkingState();
    QWidget* client = f.form1->centralWidget();
    // The designed client area, with the status bar at its bottom; its rows beyond the first add to it.
    QCOMPARE(client->width(), MainWindowUi::DesignClientWidth);
    QCOMPARE(client->height() + f.ui.Status->height(), MainWindowUi::DesignClientHeight + f.ui.statusBarGrowth());
    QCOMPARE(f.ui.Pager1->geometry(), client->rect());

    // Growing the window keeps the pager filling it.
    MainWindowUi::setClientSize(f.form1.get(), 800, 620);
    QTRY_COMPARE(f.ui.Pager1->size(), client->size());
    QCOMPARE(client->width(), 800);
}

void TestMainWindowUi::pages()
{
    UiFixture f;
    const QStringList names{QStringLiteral("Pager11"), QStringLiteral("Pager12"), QStringLiteral("Pager13"),
                            QStringLiteral("PagerPage1")};
    const QStringList captions{QStringLiteral("Osoby"), QStringLiteral("Grupy"), QStringLiteral("Czytniki"),
                               QStringLiteral("Ustawienia")};
    QCOMPARE(f.ui.Pager1->count(), 4);
    QCOMPARE(f.ui.Pager1->currentWidget(), f.ui.Pager11);
    QVERIFY(!f.ui.Pager1->tabBar()->isMovable());
    QVERIFY(f.ui.Pager1->isHidden());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.ui.Pager1->widget(i)->objectName(), names[i]);
        QCOMPARE(f.ui.Pager1->tabText(i), captions[i]);
    }

    f.showWorkingState();
    const int tabsEnd = f.ui.Pager1->tabBar()->geometry().bottom() + 1;
    for (int i = 0; i < 4; ++i) {
        f.ui.Pager1->setCurrentIndex(i);
        QWidget* page = f.ui.Pager1->widget(i);
        // Each page fills the pager below the tabs, within its frame.
        QTRY_VERIFY(page->isVisible());
        const QRect inPager(page->mapTo(f.ui.Pager1, QPoint(0, 0)), page->size());
        QVERIFY(f.ui.Pager1->rect().contains(inPager));
        QCOMPARE(inPager.top(), tabsEnd);
        QCOMPARE(inPager.left(), f.ui.Pager1->width() - 1 - inPager.right());
    }
    QVERIFY(f.ui.Pager1->tabBar()->font().bold());
    QCOMPARE(f.ui.Pager1->tabBar()->font().pixelSize(), 13);
}

void TestMainWindowUi::menu_data()
{
    QTest::addColumn<QString>("under");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Edycja1") << "MainMenu1"
                             << "Edycja";
    QTest::newRow("Uytkownicy1") << "Edycja1"
                                 << "Osoby";
    QTest::newRow("Grupy1") << "Edycja1"
                            << "Grupy";
    QTest::newRow("Czytniki1") << "Edycja1"
                               << "Czytniki";
    QTest::newRow("Port1") << "MainMenu1"
                           << "Port";
    QTest::newRow("COM11") << "Port1"
                           << "Połącz";
    QTest::newRow("Rozcz1") << "Port1"
                            << "Rozłącz";
    QTest::newRow("Wybrportu1") << "Port1"
                                << "Port";
    QTest::newRow("COM12") << "Wybrportu1"
                           << "COM1";
    QTest::newRow("COM22") << "Wybrportu1"
                           << "COM2";
    QTest::newRow("COM21") << "Wybrportu1"
                           << "COM3";
    QTest::newRow("COM41") << "Wybrportu1"
                           << "COM4";
    QTest::newRow("Pomoc1") << "MainMenu1"
                            << "Pomoc";
    QTest::newRow("Oprogramie1") << "Pomoc1"
                                 << "Plik pomocy";
    QTest::newRow("Oprogramie2") << "Pomoc1"
                                 << "O programie";
}

void TestMainWindowUi::menu()
{
    QFETCH(QString, under);
    QFETCH(QString, caption);

    UiFixture f;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto* action = f.form1->findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);

    QWidget* parentMenu = f.form1->findChild<QWidget*>(under);
    QVERIFY(parentMenu);
    QVERIFY(parentMenu->actions().contains(action));
    if (under == QLatin1String("MainMenu1")) {
        // A top-level item: a menu of that name, hidden until login.
        auto* menu = f.form1->findChild<QMenu*>(name);
        QVERIFY(menu);
        QCOMPARE(menu->menuAction(), action);
        QVERIFY(!action->isVisible());
        QCOMPARE(parentMenu, f.form1->menuBar());
    } else {
        QVERIFY(action->isVisible());
        QVERIFY(action->isEnabled());
    }
}

void TestMainWindowUi::speedButtonPairs_data()
{
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("confirmName");
    QTest::newRow("persons") << "SpeedButton4"
                             << "SpeedButton3";
    QTest::newRow("groups") << "SpeedButton5"
                            << "SpeedButton6";
    QTest::newRow("readers") << "SpeedButton1"
                             << "SpeedButton2";
}

void TestMainWindowUi::speedButtonPairs()
{
    QFETCH(QString, editName);
    QFETCH(QString, confirmName);

    UiFixture f;
    f.showWorkingState();
    auto* edit = f.form1->findChild<QPushButton*>(editName);
    auto* confirm = f.form1->findChild<QPushButton*>(confirmName);
    for (QWidget* page = edit->parentWidget(); page; page = page->parentWidget())
        if (f.ui.Pager1->indexOf(page) >= 0)
            f.ui.Pager1->setCurrentWidget(page);
    QVERIFY(QTest::qWaitForWindowExposed(f.form1.get()));

    QSignalSpy editClicks(edit, &QPushButton::clicked);
    QSignalSpy confirmClicks(confirm, &QPushButton::clicked);

    // Locked at start.
    QVERIFY(confirm->isChecked());
    QVERIFY(!edit->isChecked());

    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(edit->isChecked());
    QVERIFY(!confirm->isChecked());
    QCOMPARE(editClicks.size(), 1);

    // Pressing the button already down keeps it down and still reaches the handler.
    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(edit->isChecked());
    QCOMPARE(editClicks.size(), 2);

    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(confirm->isChecked());
    QVERIFY(!edit->isChecked());
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(confirm->isChecked());
    QCOMPARE(confirmClicks.size(), 2);

    // The pairs are independent of each other.
    const QList<QPushButton*> others = f.form1->findChildren<QPushButton*>(QRegularExpression("^SpeedButton"));
    QCOMPARE(others.size(), 6);
    int down = 0;
    for (QPushButton* b : others)
        down += b->isChecked();
    QCOMPARE(down, 3);
}

void TestMainWindowUi::startSelections()
{
    UiFixture f;
    QVERIFY(f.ui.RadioButton5->isChecked());
    QVERIFY(!f.ui.RadioButton4->isChecked());
    QVERIFY(f.ui.RadioButton1->isChecked());
    QVERIFY(!f.ui.RadioButton2->isChecked());
    QVERIFY(!f.ui.RadioButton3->isChecked());
    QVERIFY(!f.ui.CheckBox2->isChecked());
    QVERIFY(!f.ui.CBox2->isChecked());
    QVERIFY(!f.ui.CheckBox1->isChecked());
    QVERIFY(f.ui.Status->isHidden());
    QVERIFY(!f.ui.Status->isSizeGripEnabled());
    QCOMPARE(f.form1->statusBar(), f.ui.Status);
    QCOMPARE(f.form1->windowTitle(), QStringLiteral("PELLARO V?"));
    QCOMPARE(f.form1->objectName(), QStringLiteral("Form1"));
    QCOMPARE(f.form1->font().pixelSize(), 13);
    QCOMPARE(f.ui.Memo1->toPlainText(), QStringLiteral("Memo\n1"));
    // Close box only.
    QVERIFY(!(f.form1->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.form1->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.form1->windowFlags() & Qt::WindowCloseButtonHint);
    // Not resizable.
    QCOMPARE(f.form1->minimumSize(), f.form1->maximumSize());
}

void TestMainWindowUi::relayTimesAndLanguages()
{
    UiFixture f;
    const QStringList times{"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",   "9",   "10",  "15",  "20",  "25",
                            "30", "40", "50", "60", "70", "80", "90", "100", "120", "140", "160", "180", "200"};
    QStringList items;
    for (int i = 0; i < f.ui.DBComboBox1->count(); ++i)
        items << f.ui.DBComboBox1->itemText(i);
    QCOMPARE(items, times);
    QVERIFY(f.ui.DBComboBox1->isEditable());

    QStringList languages;
    for (int i = 0; i < f.ui.ComboBox1->count(); ++i)
        languages << f.ui.ComboBox1->itemText(i);
    QCOMPARE(languages, (QStringList{"Polski", "English", "český", "Magyar"}));
    QCOMPARE(f.ui.ComboBox1->currentText(), QStringLiteral("Polski"));
    // A typed name is kept as typed, not added to the list.
    QVERIFY(f.ui.ComboBox1->isEditable());
    f.ui.ComboBox1->setEditText(QStringLiteral("english"));
    QCOMPARE(f.ui.ComboBox1->currentText(), QStringLiteral("english"));
    QCOMPARE(f.ui.ComboBox1->count(), 4);

    // Both lists have rows 16 high.
    for (QComboBox* combo : {static_cast<QComboBox*>(f.ui.DBComboBox1), f.ui.ComboBox1}) {
        QStyleOptionViewItem option;
        option.initFrom(combo->view());
        QCOMPARE(combo->itemDelegate()->sizeHint(option, combo->model()->index(0, 0)).height(), 16);
    }
}

void TestMainWindowUi::binding_data()
{
    QTest::addColumn<int>("source"); // 1 persons, 2 readers, 3 groups
    QTest::addColumn<QString>("field");
    QTest::newRow("DBEdit8") << 1 << "SURNAME";
    QTest::newRow("DBEdit2") << 1 << "NAME";
    QTest::newRow("DBEdit5") << 1 << "INDEX";
    QTest::newRow("DBEdit1") << 1 << "NUMBER";
    QTest::newRow("DBLB2") << 1 << "GROUP";
    QTest::newRow("DBMemo1") << 1 << "INFO";
    QTest::newRow("DBEdit6") << 3 << "NAME";
    QTest::newRow("DBMemo2") << 3 << "NOTES";
    QTest::newRow("DBCheckBox1") << 3 << "P1";
    QTest::newRow("DBCheckBox47") << 3 << "P47";
    QTest::newRow("DBCheckBox96") << 3 << "P96";
    QTest::newRow("DBMemo3") << 2 << "MIEJSCE";
    QTest::newRow("DBEdit3") << 2 << "NAME";
    QTest::newRow("DBComboBox1") << 2 << "TIME";
    QTest::newRow("DBEdit4") << 2 << "ID_CZYT";
    QTest::newRow("DBCheckBox98") << 2 << "PROX";
    QTest::newRow("DBCheckBox97") << 2 << "EMULACJA";
}

void TestMainWindowUi::binding()
{
    QFETCH(int, source);
    QFETCH(QString, field);

    TableFixture t;
    UiFixture f;
    t.bind(f);
    const DataSource* expected[] = {nullptr, t.ds1.get(), t.ds2.get(), t.ds3.get()};

    QWidget* w = f.form1->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    const FieldLink* link = nullptr;
    if (auto* c = qobject_cast<DbEdit*>(w))
        link = &c->link();
    else if (auto* c = qobject_cast<DbMemo*>(w))
        link = &c->link();
    else if (auto* c = qobject_cast<DbCheckBox*>(w))
        link = &c->link();
    else if (auto* c = qobject_cast<DbComboBox*>(w))
        link = &c->link();
    else if (auto* c = qobject_cast<DbLookupCombo*>(w))
        link = &c->link();
    QVERIFY(link);
    QVERIFY(link->isBound());
    QCOMPARE(link->source(), expected[source]);
    QCOMPARE(link->field(), field);
}

void TestMainWindowUi::boundControlsShowTheCurrentRecord()
{
    TableFixture t;
    for (const char* name : {"Biuro", "Magazyn"}) {
        t.groups.insert();
        t.groups.setText(QStringLiteral("NAME"), QString::fromLatin1(name));
        t.groups.setLogical(QStringLiteral("P7"), true);
        t.groups.post();
    }
    t.persons.insert();
    t.persons.setInteger(QStringLiteral("NUMBER"), 12);
    t.persons.setText(QStringLiteral("SURNAME"), QStringLiteral("Anna"));
    t.persons.setText(QStringLiteral("NAME"), QStringLiteral("Nowak"));
    t.persons.setText(QStringLiteral("GROUP"), QStringLiteral("Magazyn"));
    t.persons.setInteger(QStringLiteral("INDEX"), 3);
    t.persons.post();
    t.readers.insert();
    t.readers.setInteger(QStringLiteral("ID_CZYT"), 5);
    t.readers.setText(QStringLiteral("NAME"), QStringLiteral("Brama"));
    t.readers.setInteger(QStringLiteral("TIME"), 15);
    t.readers.setLogical(QStringLiteral("EMULACJA"), true);
    t.readers.post();
    t.persons.first();
    t.groups.first();
    t.readers.first();

    UiFixture f;
    t.bind(f);

    QCOMPARE(f.ui.DBEdit8->text(), QStringLiteral("Anna"));
    QCOMPARE(f.ui.DBEdit2->text(), QStringLiteral("Nowak"));
    QCOMPARE(f.ui.DBEdit1->text(), QStringLiteral("12"));
    QCOMPARE(f.ui.DBEdit5->text(), QStringLiteral("3"));
    // The lookup lists the group names and keeps the groups table on the person's group.
    QCOMPARE(f.ui.DBLB2->count(), 2);
    QCOMPARE(f.ui.DBLB2->currentText(), QStringLiteral("Magazyn"));
    QCOMPARE(f.ui.DBEdit6->text(), QStringLiteral("Magazyn"));
    QVERIFY(f.ui.accessBox(7)->isChecked());
    QVERIFY(!f.ui.accessBox(8)->isChecked());
    QCOMPARE(f.ui.DBEdit3->text(), QStringLiteral("Brama"));
    QCOMPARE(f.ui.DBEdit4->text(), QStringLiteral("5"));
    QCOMPARE(f.ui.DBComboBox1->currentText(), QStringLiteral("15"));
    QVERIFY(f.ui.DBCheckBox97->isChecked());
    QVERIFY(!f.ui.DBCheckBox98->isChecked());

    // The grids: their sources, columns and widths.
    QCOMPARE(f.ui.DBGrid1->source(), t.ds1.get());
    QCOMPARE(f.ui.DBGrid2->source(), t.ds3.get());
    QCOMPARE(f.ui.DBGrid3->source(), t.ds2.get());
    QCOMPARE(f.ui.DBGrid1->model()->columnCount(), 4);
    QCOMPARE(f.ui.DBGrid2->model()->columnCount(), 1);
    QCOMPARE(f.ui.DBGrid3->model()->columnCount(), 3); // the reader's number too
    // The groups and the readers show every column without scrolling sideways.
    for (DbGrid* grid : {f.ui.DBGrid2, f.ui.DBGrid3}) {
        int width = grid->verticalHeader()->sizeHint().width() + 2 * grid->frameWidth();
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            width += grid->columnWidth(c);
        QVERIFY2(width <= grid->width(), qPrintable(grid->objectName()));
    }
    auto cell = [](DbGrid* grid, int row, int column) { return grid->model()->index(row, column).data().toString(); };
    QCOMPARE(cell(f.ui.DBGrid1, 0, 0).trimmed(), QStringLiteral("12"));
    QCOMPARE(cell(f.ui.DBGrid1, 0, 1), QStringLiteral("Anna"));
    QCOMPARE(cell(f.ui.DBGrid1, 0, 2), QStringLiteral("Nowak"));
    QCOMPARE(cell(f.ui.DBGrid1, 0, 3), QStringLiteral("Magazyn"));
    QCOMPARE(cell(f.ui.DBGrid2, 1, 0), QStringLiteral("Magazyn"));
    QCOMPARE(cell(f.ui.DBGrid3, 0, 0), QStringLiteral("Brama"));
    QCOMPARE(cell(f.ui.DBGrid3, 0, 1).trimmed(), QStringLiteral("15"));
    QCOMPARE(cell(f.ui.DBGrid3, 0, 2).trimmed(), QStringLiteral("5"));
}

QTEST_MAIN(TestMainWindowUi)
#include "tst_mainwindowui.moc"
