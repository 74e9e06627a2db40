// One operator's round through a real serial port to the programmer named by
// PELLARO_E2E_PORT: log in, add a person, program the card, find it.
// scripts/windows-test runs it against the programmer simulator twice, from
// the Linux build on a pseudo-terminal and from the Windows build under Wine
// on COM1, and compares the frames the simulator logged for each.

#include "ui/DbCheckBox.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbText.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "Program.h"
#include "TestFiles.h"

class TestPortEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    void loginAddProgramFind()
    {
        const QByteArray port = qgetenv("PELLARO_E2E_PORT");
        QVERIFY2(!port.isEmpty(), "PELLARO_E2E_PORT names no port");
        std::unique_ptr<WorkingDirectory> dir;
        QVERIFY(renewWorkingDirectory(dir, "[PASSWORD]\r\nsys_nr=123456\r\n[COM_PORT]\r\nPORT=1\r\nCOM1=" + port +
                                               "\r\n[Language]\r\nLanguage=English\r\n"));
        Program p;
        MainWindowUi& ui = p.ui();
        p.form1->show();
        p.applyLanguage();
        p.login("1");
        QVERIFY(p.form1->inWorkingState());

        // A reader, a group that opens it, a person in the group.
        ui.Czytniki1->trigger();
        p.click(ui.SpeedButton1);
        p.click(ui.Button6);
        p.click(ui.SpeedButton2);
        ui.Grupy1->trigger();
        p.click(ui.SpeedButton5);
        p.click(ui.Button1);
        p.click(ui.accessBox(1));
        p.click(ui.SpeedButton6);
        ui.Uytkownicy1->trigger();
        p.click(ui.SpeedButton4);
        p.click(ui.Button9);
        QTest::keyClick(ui.DBLB2, Qt::Key_Down);
        p.click(ui.SpeedButton3);
        QCOMPARE(shownTexts().join(QLatin1String(" | ")), QString());

        ui.COM11->trigger();
        QCOMPARE(p.form1->state().LinkOpen, 1);
        QCOMPARE(shownTexts().join(QLatin1String(" | ")), QString());

        // The card is written and read back as written: the journal says so.
        p.click(ui.Button4);
        QTRY_VERIFY_WITH_TIMEOUT(readFile(QStringLiteral("cards.log")).contains("\tverified\t"), 20000);
        const QByteArray programmed = readFile(QStringLiteral("cards.log"));
        QVERIFY2(programmed.contains("\tadministrator\tProgram\t1\t123456\t0\tGroup 1\t"), programmed.constData());

        p.click(ui.Button2);
        QTRY_VERIFY_WITH_TIMEOUT(p.form4->isVisible(), 20000);
        QCOMPARE(p.form4->DBText1->text(), QStringLiteral("1"));
        QCOMPARE(p.form4->DBText3->text(), QStringLiteral("Group 1"));
        QCOMPARE(p.form4->CardHex->text(), QStringLiteral("0001E24010"));
        QCOMPARE(shownTexts(), QStringList());
        p.form4->close();
        p.end();
    }
};

QTEST_MAIN(TestPortEndToEnd)
#include "tst_port_e2e.moc"
