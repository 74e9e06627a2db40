// Renders the windows offscreen in English and Polish and saves them as PNG
// files under SCREENSHOT_DIR, for a look by eye; checks that every picture
// was made and has the window's size.

#include "UiFixture.h"
#include "i18n/TextSlots.h"
#include "ui/ApplyLanguage.h"
#include "ui/DbControls.h"

#include <QAction>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

namespace {

// The working state's outer size (administrator) less a Windows tool-window
// frame: 4 pixels at each side and a 22-pixel small caption.
constexpr QSize WorkingClientSize(690 - 8, 600 - 30);

void fillTables(TableFixture& t)
{
    const QStringList groupNames{QStringLiteral("Biuro"), QStringLiteral("Magazyn")};
    for (int i = 0; i < groupNames.size(); ++i) {
        t.groups.insert();
        t.groups.setInteger(QStringLiteral("ID_GRUPY"), i + 1);
        t.groups.setText(QStringLiteral("NAME"), groupNames[i]);
        for (int k = 1; k <= 96; k += 3 + i)
            t.groups.setLogical(QStringLiteral("P%1").arg(k), true);
        t.groups.post();
    }
    const QList<QStringList> persons{{QStringLiteral("Jan"), QStringLiteral("Kowalski"), groupNames[0]},
                                     {QStringLiteral("Anna"), QStringLiteral("Nowak"), groupNames[1]},
                                     {QStringLiteral("Łukasz"), QStringLiteral("Żółtowski"), groupNames[0]}};
    for (int i = 0; i < persons.size(); ++i) {
        t.persons.insert();
        t.persons.setInteger(QStringLiteral("NUMBER"), i + 1);
        t.persons.setText(QStringLiteral("SURNAME"), persons[i][0]);
        t.persons.setText(QStringLiteral("NAME"), persons[i][1]);
        t.persons.setText(QStringLiteral("GROUP"), persons[i][2]);
        t.persons.setInteger(QStringLiteral("INDEX"), i);
        t.persons.post();
    }
    for (int k = 1; k <= 3; ++k) {
        t.readers.insert();
        t.readers.setInteger(QStringLiteral("ID_CZYT"), k);
        t.readers.setText(QStringLiteral("NAME"), QStringLiteral("Drzwi %1").arg(k));
        t.readers.setInteger(QStringLiteral("TIME"), 2 * k);
        t.readers.post();
    }
    t.persons.first();
    t.groups.first();
    t.readers.first();
}

// What the login handler does on a correct password, as far as looks go.
void enterWorkingState(MainWindowUi& ui, QMainWindow* form1)
{
    for (QWidget* w : std::initializer_list<QWidget*>{ui.Image1, ui.Edit5, ui.BitBtn1})
        w->hide();
    for (QMenu* m : {ui.Edycja1, ui.Port1, ui.Pomoc1})
        m->menuAction()->setVisible(true);
    ui.Bevel1->show();
    ui.Pager1->show();
    ui.Status->show();
    form1->setFixedSize(WorkingClientSize);
}

} // namespace

class TestUiScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windows_data();
    void windows();

private:
    QDir m_dir;
};

void TestUiScreenshots::initTestCase()
{
    QVERIFY(QDir().mkpath(QStringLiteral(SCREENSHOT_DIR)));
    m_dir = QDir(QStringLiteral(SCREENSHOT_DIR));
}

void TestUiScreenshots::windows_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("English") << QStringLiteral("English") << QStringLiteral("en");
    QTest::newRow("Polish") << QStringLiteral("Polski") << QStringLiteral("pl");
}

void TestUiScreenshots::windows()
{
    QFETCH(QString, language);
    QFETCH(QString, suffix);

    TableFixture tables;
    fillTables(tables);
    UiFixture f;
    tables.bind(f);
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(language, textSlots));
    ApplyLanguage(textSlots, QStringLiteral("1.13"), f.ui, f.form1.get(), f.form2.get(), f.form3.get(), f.form4.get());

    auto save = [&](QWidget* w, const QString& name, const QSize& expected) {
        const QPixmap shot = w->grab();
        QCOMPARE(shot.size(), expected);
        const QString path = m_dir.filePath(QStringLiteral("%1-%2.png").arg(name, suffix));
        QVERIFY2(shot.save(path), qPrintable(path));
    };

    // Keep the pointer off the windows so that no tab is drawn hot.
    QCursor::setPos(QPoint(2000, 2000));
    f.form1->move(100, 100);
    MainWindowUi::setClientSize(f.form1.get(), 400, 200);
    f.form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form1.get()));
    QTest::keyClicks(f.ui.Edit5, QStringLiteral("haslo"));
    save(f.form1.get(), QStringLiteral("login"), QSize(400, 200));

    enterWorkingState(f.ui, f.form1.get());
    const QStringList pages{QStringLiteral("persons"), QStringLiteral("groups"), QStringLiteral("readers"),
                            QStringLiteral("settings")};
    for (int i = 0; i < pages.size(); ++i) {
        f.ui.Pager1->setCurrentIndex(i);
        QCoreApplication::processEvents();
        save(f.form1.get(), QStringLiteral("page%1-%2").arg(i + 1).arg(pages[i]), WorkingClientSize);
    }

    f.ui.Status->showMessage(QStringLiteral("Connect: COM1 "));
    f.form3->bar2->setValue(40);
    for (QWidget* dialog : std::initializer_list<QWidget*>{f.form2.get(), f.form3.get(), f.form4.get()}) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        save(dialog, dialog->objectName().toLower(), dialog->size());
        dialog->hide();
    }
}

QTEST_MAIN(TestUiScreenshots)
#include "tst_uiscreenshots.moc"
