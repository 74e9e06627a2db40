// The look of the main window: its colours, the password box, and the texts
// the user role may not change staying readable.

#include "UiFixture.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupCombo.h"
#include "ui/Look.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

namespace {

QColor pixelAt(QWidget* w, const QPoint& p)
{
    return w->grab().toImage().pixelColor(p);
}

} // namespace

class TestWindowLook : public QObject
{
    Q_OBJECT

private slots:
    void passwordBoxHidesWhatIsTyped();
    void colours_data();
    void colours();
    void windowColours();
    void disabledTextsStayReadable_data();
    void disabledTextsStayReadable();
};

void TestWindowLook::passwordBoxHidesWhatIsTyped()
{
    UiFixture f;
    f.form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form1.get()));
    QCOMPARE(f.ui.Edit5->echoMode(), QLineEdit::Password);
    QVERIFY(!f.ui.Edit5->hasFrame());
    QTest::keyClicks(f.ui.Edit5, QStringLiteral("secret"));
    QCOMPARE(f.ui.Edit5->text(), QStringLiteral("secret"));
    const QString shown = f.ui.Edit5->displayText();
    QVERIFY(!shown.isEmpty() && shown.at(0) != u's');
    QCOMPARE(shown, QString(6, shown.at(0)));

    // Navy box; the masking characters are drawn in yellow.
    const QImage image = f.ui.Edit5->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 3, 2), QColor(0, 0, 128));
    bool yellow = false;
    for (int x = 0; x < image.width() && !yellow; ++x)
        for (int y = 0; y < image.height() && !yellow; ++y)
            yellow = image.pixelColor(x, y) == QColor(255, 255, 0);
    QVERIFY(yellow);
}

void TestWindowLook::colours_data()
{
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<QColor>("rgb");
    QTest::newRow("pure red") << quint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("pure blue") << quint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("hot mirror end") << quint32(1617645) << QColor(237, 174, 24);
}

void TestWindowLook::colours()
{
    QFETCH(quint32, stored);
    QFETCH(QColor, rgb);
    QCOMPARE(Look::winColor(stored), rgb);
    QCOMPARE(Look::cssColor(stored), rgb.name());
}

void TestWindowLook::windowColours()
{
    UiFixture f;
    f.form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form1.get()));
    // The form's own colour where no control covers it.
    QCOMPARE(pixelAt(f.form1->centralWidget(), QPoint(600, 100)), QColor(177, 192, 140));

    // The page is filled from the stored page colour at its top.
    f.ui.Image1->hide();
    f.ui.Pager1->show();
    QTRY_VERIFY(f.ui.Pager11->isVisible());
    const QColor top = pixelAt(f.ui.Pager1, QPoint(740, 37));
    const QColor page(193, 198, 207);
    QVERIFY2(qAbs(top.red() - page.red()) <= 3 && qAbs(top.green() - page.green()) <= 3 &&
                 qAbs(top.blue() - page.blue()) <= 3,
             qPrintable(top.name()));
    // Locked data controls share the page's colour.
    // The lookup list takes no typing and is drawn as a button: that is painted too.
    QCOMPARE(f.ui.DBEdit8->palette().color(QPalette::Base), page);
    QCOMPARE(f.ui.DBEdit3->palette().color(QPalette::Base), page);
    QCOMPARE(f.ui.DBLB2->palette().color(QPalette::Button), page);
    QCOMPARE(f.ui.Edit2->palette().color(QPalette::Base), QColor(Qt::red));

    // Painting with no colour gives back the system window colour.
    for (QWidget* w : {static_cast<QWidget*>(f.ui.DBLB2), static_cast<QWidget*>(f.ui.DBEdit8)}) {
        Look::paintControl(w, QColor());
        for (const auto role : {QPalette::Base, QPalette::Button})
            QCOMPARE(w->palette().color(role), QApplication::palette().color(role));
    }
}

void TestWindowLook::disabledTextsStayReadable_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("disabled"); // what the user role switches off
    QTest::addColumn<bool>("readable");
    QTest::newRow("reader name label") << "Label10"
                                       << "GroupBox3" << true;
    QTest::newRow("reader option") << "DBCheckBox97"
                                   << "GroupBox3" << true;
    QTest::newRow("configuration card choice") << "RadioButton1"
                                               << "GroupBox1" << true;
    QTest::newRow("hidden system number") << "Edit1"
                                          << "Edit1" << true;
    QTest::newRow("button keeps its grey") << "Button12"
                                           << "GroupBox1" << false;
}

// The user role sees the readers' parameters and the settings it may not
// change: their texts must stay dark enough to read, while a disabled button
// keeps the faint caption that says it does nothing.
void TestWindowLook::disabledTextsStayReadable()
{
    QFETCH(QString, control);
    QFETCH(QString, disabled);
    QFETCH(bool, readable);
    UiFixture f;
    f.ui.Image1->hide();
    f.ui.Pager1->show();
    auto* edit1 = f.form1->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    QVERIFY(edit1);
    edit1->setText(QStringLiteral("********"));
    f.form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form1.get()));
    auto* off = f.form1->findChild<QWidget*>(disabled);
    auto* target = f.form1->findChild<QWidget*>(control);
    QVERIFY(off && target);
    off->setEnabled(false);
    f.ui.Pager1->setCurrentWidget(target->parentWidget()->parentWidget() == f.ui.Pager13 ||
                                          target->parentWidget() == f.ui.Pager13
                                      ? f.ui.Pager13
                                      : f.ui.PagerPage1);
    QTRY_VERIFY(target->isVisible());

    const QImage image = target->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    if (readable)
        QVERIFY2(darkest <= 120, qPrintable(QStringLiteral("darkest grey %1").arg(darkest)));
    else
        QVERIFY2(darkest > 150, qPrintable(QStringLiteral("darkest grey %1").arg(darkest)));
}

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
