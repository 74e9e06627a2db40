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
    void dialogsCloseButtonsHide();
};

void TestDialogs::cardInformationFollowsThePersons()
{
    TableFixture t;
    const QList<QStringList> people{{"1", "Jan", "Kowalski", "Biuro", "0"}, {"2", "Ewa", "Lis", "Hala", "4"}};
    for (const QStringList& p : people) {
        t.persons.insert();
        t.persons.setInteger(QStringLiteral("NUMBER"), p[0].toInt());
        t.persons.setText(QStringLiteral("SURNAME"), p[1]);
        t.persons.setText(QStringLiteral("NAME"), p[2]);
        t.persons.setText(QStringLiteral("GROUP"), p[3]);
        t.persons.setInteger(QStringLiteral("INDEX"), p[4].toInt());
        t.persons.post();
    }
    t.persons.first();
    UiFixture f;
    t.bind(f);
    f.form4->Label1->setText(QStringLiteral("2"));
    f.form4->show();

    for (const QStringList& p : people) {
        QCOMPARE(f.form4->DBText1->text().trimmed(), p[0]);
        QCOMPARE(f.form4->DBText4->text(), p[1]);
        QCOMPARE(f.form4->DBText5->text(), p[2]);
        QCOMPARE(f.form4->DBText3->text(), p[3]);
        QCOMPARE(f.form4->DBText2->text().trimmed(), p[4]);
        // The duplicate number of the card read stays as it was written.
        QCOMPARE(f.form4->Label1->text(), QStringLiteral("2"));
        t.persons.next();
    }
}

void TestDialogs::dialogs()
{
    UiFixture f;

    QCOMPARE(f.form2->objectName(), QStringLiteral("Form2"));
    QCOMPARE(f.form2->windowTitle(), QStringLiteral("O programie"));
    QCOMPARE(f.form2->minimumSize(), f.form2->maximumSize());
    QVERIFY(f.form2->Memo1->isReadOnly());
    QCOMPARE(f.form2->Memo1->frameShape(), QFrame::NoFrame);
    QCOMPARE(f.form2->Memo1->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(f.form2->Memo1->document()->blockCount(), 7);
    QVERIFY(f.form2->Memo1->toPlainText().endsWith(QStringLiteral(" 1.12")));
    QCOMPARE(f.form2->Button1->text(), QStringLiteral("Zamknij"));
    QCOMPARE(f.form2->font().pixelSize(), 10);

    QCOMPARE(f.form3->objectName(), QStringLiteral("Form3"));
    QCOMPARE(f.form3->windowTitle(), QStringLiteral("Read/write  card"));
    QCOMPARE(f.form3->minimumSize(), f.form3->maximumSize());
    QCOMPARE(f.form3->bar2->objectName(), QStringLiteral("bar2"));
    QCOMPARE(f.form3->bar2->minimum(), 0);
    QCOMPARE(f.form3->bar2->maximum(), 100);
    QCOMPARE(f.form3->bar2->value(), 0);
    QCOMPARE(f.form3->bar2->orientation(), Qt::Horizontal);
    QCOMPARE(f.form3->Label1->text(), QStringLiteral("Transmit"));
    QVERIFY(f.form3->Label1->font().bold());
    QCOMPARE(f.form3->Label1->font().pixelSize(), 16);

    QCOMPARE(f.form4->objectName(), QStringLiteral("Form4"));
    QCOMPARE(f.form4->windowTitle(), QStringLiteral("Informacje o karcie "));
    QVERIFY(f.form4->minimumSize() != f.form4->maximumSize()); // resizable border
    struct Row
    {
        QLabel* caption;
        const char* name;
        const char* text;
        QWidget* value;
        const char* valueName;
    };
    const Row rows[] = {
        {f.form4->label10, "label10", "Nazwisko.......................................", f.form4->DBText5, "DBText5"},
        {f.form4->Label6, "Label6", "Imię.....................................", f.form4->DBText4, "DBText4"},
        {f.form4->Label2, "Label2", "Grupa..................................", f.form4->DBText3, "DBText3"},
        {f.form4->Label3, "Label3", "Ilosc duplikatow...................", f.form4->DBText2, "DBText2"},
        {f.form4->Label5, "Label5", "Duplikat...............................", f.form4->Label1, "Label1"},
        {f.form4->Label4, "Label4", "ID....................................... ", f.form4->DBText1, "DBText1"},
    };
    const Row* previous = nullptr;
    for (const Row& r : rows) {
        QCOMPARE(r.caption->objectName(), QString::fromLatin1(r.name));
        QCOMPARE(r.caption->text(), QString::fromUtf8(r.text));
        QCOMPARE(r.caption->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(r.caption->font().bold());
        QCOMPARE(r.caption->font().pixelSize(), 11);
        QCOMPARE(r.value->objectName(), QString::fromLatin1(r.valueName));
        QVERIFY(r.value->font().bold());
        QCOMPARE(r.value->font().pixelSize(), 15);
        // Captions in one column, values in the next, one row under the other.
        QVERIFY(r.caption->geometry().right() < r.value->x());
        if (previous) {
            QCOMPARE(r.caption->x(), previous->caption->x());
            QCOMPARE(r.value->x(), previous->value->x());
            QVERIFY(r.caption->y() > previous->caption->geometry().bottom());
        }
        previous = &r;
    }
    QCOMPARE(f.form4->Label1->text(), QStringLiteral("0"));
    QCOMPARE(f.form4->Button1->text(), QStringLiteral("Zamknij"));

    for (QDialog* d : std::initializer_list<QDialog*>{f.form2.get(), f.form3.get(), f.form4.get()}) {
        QVERIFY(d->isHidden());
        QVERIFY(!d->isModal());
    }
}

void TestDialogs::dialogsCloseButtonsHide()
{
    UiFixture f;
    f.form1->show();
    for (auto [dialog, close] : {std::pair<QDialog*, QPushButton*>{f.form2.get(), f.form2->Button1},
                                 std::pair<QDialog*, QPushButton*>{f.form4.get(), f.form4->Button1}}) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        // Non-modal: the main window still takes input.
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        // Hidden, not destroyed: it shows again with its state.
        dialog->show();
        QVERIFY(dialog->isVisible());
        dialog->hide();
    }
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
