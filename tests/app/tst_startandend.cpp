// The two ends of a run: a language name no table has must still give a
// usable window, and the windows and bound controls must go in any order
// without one reaching another that is already gone.

#include "app/Form1.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/DbText.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <functional>
#include <memory>

namespace {

// Runs its action when its parent deletes it, that is while the parent's
// widget bases are being torn down, after the parent's own members are gone.
class WhileGoing : public QObject
{
public:
    WhileGoing(QObject* parent, std::function<void()> action) : QObject(parent), m_action(std::move(action)) {}
    ~WhileGoing() override { m_action(); }

private:
    std::function<void()> m_action;
};

void applyLanguageTick(TForm1& form1)
{
    QTRY_VERIFY(!form1.findChild<QTimer*>("Timer2")->isActive());
}

} // namespace

class TestStartAndEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    void init() { QVERIFY(renewWorkingDirectory(m_dir)); }

    void cleanup() { m_dir.reset(); }

    void unknownLanguageShowsEnglish_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the Language value in config.ini, code page 1250
        QTest::newRow("unknown name") << QByteArray("Deutsch");
        QTest::newRow("cesky written in UTF-8") << QByteArray("\xc4\x8d"
                                                              "esk\xc3\xbd");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("lower case") << QByteArray("english");
    }

    void unknownLanguageShowsEnglish()
    {
        QFETCH(QByteArray, stored);
        writeFile("config.ini", "[PASSWORD]\r\nadmin=1\r\nadmin2=2\r\n[Language]\r\nLanguage=" + stored + "\r\n");
        TForm1 form1;
        applyLanguageTick(form1);
        MainWindowUi& ui = form1.ui();

        QCOMPARE(ui.ComboBox1->currentText(), QStringLiteral("English"));
        QCOMPARE(form1.windowTitle(), QStringLiteral("Pellaro V1.13"));
        QCOMPARE(ui.BitBtn1->text(), QStringLiteral("Confirm"));

        // After the login the menu bar can be reached by its texts.
        ui.Edit5->setText(QStringLiteral("1"));
        QTest::mouseClick(ui.BitBtn1, Qt::LeftButton);
        QVERIFY(form1.inWorkingState());
        QStringList menus;
        for (QAction* a : form1.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"Edit", "Port", "Help"}));
        QCOMPARE(ui.Uytkownicy1->text(), QStringLiteral("Users"));

        // A Save stores the language in force, not the name no table has.
        QTest::mouseClick(ui.Button18, Qt::LeftButton);
        QVERIFY(readFile("config.ini").contains("\r\nLanguage=English\r\n"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void windowsGoInEitherOrder_data()
    {
        QTest::addColumn<bool>("dialogsFirst");
        QTest::newRow("main window first") << false;
        QTest::newRow("dialogs first") << true;
    }

    void windowsGoInEitherOrder()
    {
        QFETCH(bool, dialogsFirst);
        {
            Table persons;
            persons.open(TableLayouts::PersonsFile);
            persons.insert();
            persons.setText(QStringLiteral("NAME"), QStringLiteral("Nowak"));
            persons.post();
        }
        auto form1 = std::make_unique<TForm1>();
        auto form2 = std::make_unique<TForm2>();
        auto form3 = std::make_unique<TForm3>();
        auto form4 = std::make_unique<TForm4>();
        form1->setDialogs(form2.get(), form3.get(), form4.get());
        applyLanguageTick(*form1);
        QCOMPARE(form4->DBText5->text(), QStringLiteral("Nowak"));

        if (dialogsFirst) {
            form4.reset();
            form3.reset();
            form2.reset();
            // The window still works and no longer reaches the dialogs.
            form1->ui().ComboBox1->setCurrentText(QStringLiteral("English"));
            form1->Button18Click();
            applyLanguageTick(*form1);
            QCOMPARE(form1->windowTitle(), QStringLiteral("Pellaro V1.13"));
            form1->ui().Oprogramie2->trigger();
            form1->findChild<Table*>("Table1")->first();
            form1.reset();
        } else {
            QPointer<DataSource> ds1 = form1->findChild<DataSource*>("DataSource1");
            form1.reset();
            QVERIFY(ds1.isNull());
            // The Card information dialog has let go of the persons table.
            QCOMPARE(form4->DBText5->link().source(), nullptr);
            form2->show();
            form4->show();
        }
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void boundControlGoesQuietly_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"DbEdit", "DbMemo", "DbComboBox", "DbCheckBox", "DbText", "DbLookupCombo", "DbGrid"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    // A control that goes while its table still moves and posts: nothing of
    // the table may reach it once its own members are gone, and what it held
    // is not written into the record on its way out.
    void boundControlGoesQuietly()
    {
        QFETCH(QString, kind);
        Table groups;
        groups.open(TableLayouts::GroupsFile);
        Table persons;
        persons.open(TableLayouts::PersonsFile);
        for (const char* name : {"Biuro", "Magazyn"}) {
            groups.insert();
            groups.setText(QStringLiteral("NAME"), QString::fromLatin1(name));
            groups.post();
            persons.insert();
            persons.setText(QStringLiteral("GROUP"), QString::fromLatin1(name));
            persons.post();
        }
        groups.first();
        persons.first();
        DataSource groupsSource(&groups);
        DataSource personsSource(&persons);

        // Field names built at run time, so a control reading its own freed
        // field name reads freed memory.
        const QString name = QString::fromLatin1("NA") + QLatin1String("ME");
        QWidget* control = nullptr;
        if (kind == QLatin1String("DbEdit")) {
            auto* c = new DbEdit;
            c->bind(&groupsSource, name);
            QTest::keyClicks(c, "x"); // a pending change the operator typed
            control = c;
        } else if (kind == QLatin1String("DbMemo")) {
            auto* c = new DbMemo;
            c->bind(&groupsSource, QString::fromLatin1("NOTES"));
            c->setPlainText(QStringLiteral("typed"));
            control = c;
        } else if (kind == QLatin1String("DbComboBox")) {
            auto* c = new DbComboBox;
            c->bind(&groupsSource, name);
            QTest::keyClicks(c->lineEdit(), "x");
            control = c;
        } else if (kind == QLatin1String("DbCheckBox")) {
            auto* c = new DbCheckBox;
            c->bind(&groupsSource, QString::fromLatin1("P1"));
            control = c;
        } else if (kind == QLatin1String("DbText")) {
            auto* c = new DbText;
            c->bind(&groupsSource, name);
            control = c;
        } else if (kind == QLatin1String("DbLookupCombo")) {
            auto* c = new DbLookupCombo;
            c->bind(&personsSource, QString::fromLatin1("GROUP"), &groupsSource, name);
            control = c;
        } else {
            auto* c = new DbGrid;
            c->bind(&groupsSource, {{name}, {QString::fromLatin1("NOTES")}});
            control = c;
        }
        QCOMPARE(groups.currentRow(), 0);

        new WhileGoing(control, [&] {
            groups.edit();
            groups.setText(QStringLiteral("NAME"), QStringLiteral("Dział"));
            groups.post();
            groups.next();
            groups.first();
            persons.next();
        });
        delete control;

        QCOMPARE(groups.asText(QStringLiteral("NAME")), QStringLiteral("Dział"));
        QCOMPARE(groups.asText(QStringLiteral("NOTES")), QString());
        QCOMPARE(persons.currentRow(), 1);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestStartAndEnd)
#include "tst_startandend.moc"
