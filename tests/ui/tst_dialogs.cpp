// The three dialogs: About, Transmit and Card information, which follows the
// persons table.

#include "UiFixture.h"
#include "ui/DbText.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cardInformationFollowsThePersons();
    void dialogs();
};

void TestDialogs::cardInformationFollowsThePersons()
{
    TableFixture t;
    // A value wider than its place is cut short with "…" and whole in the tooltip.
    const QList<QStringList> people{{"1", "Jan", "Kowalski", "Biuro", "0"},
                                    {"2", "Ewa", "Lis", "Hala", "4"},
                                    {"3", "Jan", "Nowak", "Lack of assignment!", "0"}};
    const QStringList fields{"NUMBER", "SURNAME", "NAME", "GROUP", "INDEX"};
    for (const QStringList& p : people) {
        t.persons.insert();
        for (int n = 0; n < fields.size(); ++n)
            t.persons.setText(fields[n], p[n]);
        t.persons.post();
    }
    t.persons.first();
    UiFixture f;
    t.bind(f);
    f.form4->Label1->setText(QStringLiteral("2"));
    f.form4->show();

    for (const QStringList& p : people) {
        const QStringList shown{f.form4->DBText1->text().trimmed(), f.form4->DBText4->text(), f.form4->DBText5->text(),
                                f.form4->DBText3->text(), f.form4->DBText2->text().trimmed()};
        QCOMPARE(shown, p);
        QCOMPARE(f.form4->DBText3->toolTip(), p[3].size() > 10 ? p[3] : QString());
        // The duplicate number of the card read stays as it was written.
        QCOMPARE(f.form4->Label1->text(), QStringLiteral("2"));
        t.persons.next();
    }
}

// What each dialog says, the card information's captions in one column and
// values in the next; each hidden until shown, never modal, and its Close
// hides it to show again.
void TestDialogs::dialogs()
{
    UiFixture f;
    QCOMPARE(f.form2->windowTitle(), QStringLiteral("O programie"));
    QVERIFY(f.form2->Memo1->isReadOnly());
    QVERIFY(f.form2->Memo1->toPlainText().endsWith(QStringLiteral(" 1.12")));
    QCOMPARE(f.form3->windowTitle(), QStringLiteral("Read/write  card"));
    QCOMPARE(f.form3->Label1->text(), QStringLiteral("Transmit"));
    QCOMPARE(f.form3->bar2->value(), 0);
    QCOMPARE(f.form4->windowTitle(), QStringLiteral("Informacje o karcie "));
    QCOMPARE(f.form2->minimumSize(), f.form2->maximumSize());
    QCOMPARE(f.form3->minimumSize(), f.form3->maximumSize());
    QVERIFY(f.form4->minimumSize() != f.form4->maximumSize()); // resizable border

    const char* const rows[][3] = {{"label10", "Nazwisko.......................................", "DBText5"},
                                   {"Label6", "Imię.....................................", "DBText4"},
                                   {"Label2", "Grupa..................................", "DBText3"},
                                   {"Label3", "Ilosc duplikatow...................", "DBText2"},
                                   {"Label5", "Duplikat...............................", "Label1"},
                                   {"Label4", "ID....................................... ", "DBText1"}};
    const QWidget* above = nullptr;
    for (const auto& [name, text, valueName] : rows) {
        auto* caption = f.form4->findChild<QLabel*>(QLatin1String(name));
        auto* value = f.form4->findChild<QWidget*>(QLatin1String(valueName));
        QVERIFY2(caption && value, name);
        QCOMPARE(caption->text(), QString::fromUtf8(text));
        QVERIFY(caption->geometry().right() < value->x());
        if (above)
            QVERIFY(caption->y() > above->geometry().bottom());
        above = caption;
    }
    QCOMPARE(f.form4->Label1->text(), QStringLiteral("0"));

    QVERIFY(!f.form3->isModal());
    f.form1->show();
    for (auto [dialog, close] : {std::pair<QDialog*, QPushButton*>{f.form2.get(), f.form2->Button1},
                                 std::pair<QDialog*, QPushButton*>{f.form4.get(), f.form4->Button1}}) {
        QVERIFY(dialog->isHidden());
        QCOMPARE(close->text(), QStringLiteral("Zamknij"));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(QApplication::activeModalWidget(), nullptr); // the main window still takes input
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        dialog->show(); // hidden, not destroyed
        QVERIFY(dialog->isVisible());
        dialog->hide();
    }
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
