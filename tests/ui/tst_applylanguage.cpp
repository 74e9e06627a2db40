// Language selection and application: which control shows which slot, the
// About text, the caption, unmatched names, and that every caption of a
// fixed-size control fits in every language.

#include "UiFixture.h"
#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "ui/ApplyLanguage.h"
#include "ui/DbCheckBox.h"
#include "ui/DbGrid.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const QString Version = QStringLiteral("1.13");

// Where each slot shows, by control name.
struct Target
{
    int slot;
    const char* window;  // "Form1".."Form4"
    const char* control; // objectName; empty for the window caption
    enum Kind { Caption, Page, Column, Menu, Title } kind = Caption;
    int column = 0;
};

const QList<Target>& targets()
{
    static const QList<Target> list = {
        {0, "Form1", "Pager11", Target::Page},
        {1, "Form1", "Pager12", Target::Page},
        {2, "Form1", "Pager13", Target::Page},
        {3, "Form1", "PagerPage1", Target::Page},
        {4, "Form1", "Label7"},
        {5, "Form1", "Label13"},
        {6, "Form1", "Label14"},
        {7, "Form1", "Label3"},
        {8, "Form1", "Label4"},
        {9, "Form1", "Button9"},
        {10, "Form1", "Button7"},
        {11, "Form1", "SpeedButton4"},
        {12, "Form1", "SpeedButton3"},
        {13, "Form1", "GroupBox6"},
        {14, "Form1", "RadioButton4"},
        {15, "Form1", "RadioButton5"},
        {16, "Form1", "CheckBox2"},
        {17, "Form1", "Label2"},
        {18, "Form1", "CBox2"},
        {19, "Form1", "Button4"},
        {20, "Form1", "Button2"},
        {21, "Form1", "Button3"},
        {22, "Form1", "DBGrid1", Target::Column, 0},
        {23, "Form1", "DBGrid1", Target::Column, 1},
        {24, "Form1", "DBGrid1", Target::Column, 2},
        {25, "Form1", "DBGrid1", Target::Column, 3},
        {26, "Form1", "Button13"},
        {27, "Form1", "Button14"},
        {28, "Form1", "Button1"},
        {29, "Form1", "Button10"},
        {30, "Form1", "SpeedButton5"},
        {31, "Form1", "SpeedButton6"},
        {32, "Form1", "Label9"},
        {33, "Form1", "Label6"},
        {34, "Form1", "Label5"},
        {35, "Form1", "DBGrid2", Target::Column, 0},
        {36, "Form1", "GroupBox3"},
        {37, "Form1", "GroupBox1"},
        {38, "Form1", "Label10"},
        {39, "Form1", "Label11"},
        {40, "Form1", "Label12"},
        {41, "Form1", "DBCheckBox97"},
        {42, "Form1", "Button6"},
        {43, "Form1", "Button8"},
        {44, "Form1", "SpeedButton1"},
        {45, "Form1", "SpeedButton2"},
        {46, "Form1", "RadioButton3"},
        {47, "Form1", "RadioButton1"},
        {48, "Form1", "RadioButton2"},
        {49, "Form1", "Label17"},
        {50, "Form1", "CheckBox1"},
        {51, "Form1", "Button12"},
        {52, "Form1", "Label15"},
        {53, "Form1", "DBGrid3", Target::Column, 0},
        {54, "Form1", "DBGrid3", Target::Column, 1},
        {55, "Form1", "Label18"},
        {56, "Form1", "Label19"},
        {57, "Form1", "Label20"},
        {58, "Form1", "Label8"},
        {59, "Form1", "Label21"},
        {60, "Form1", "Button5"},
        {61, "Form1", "Button15"},
        {62, "Form1", "Button11"},
        {63, "Form1", "Button18"},
        {67, "Form2", "Button1"},
        {82, "Form2", "", Target::Title},
        {83, "Form3", "", Target::Title},
        {84, "Form3", "Label1"},
        {85, "Form4", "", Target::Title},
        {86, "Form4", "label10"},
        {87, "Form4", "Label6"},
        {88, "Form4", "Label2"},
        {89, "Form4", "Label3"},
        {90, "Form4", "Label5"},
        {91, "Form4", "Label4"},
        {92, "Form4", "Button1"},
        {93, "Form1", "BitBtn1"},
        {94, "Form1", "Edycja1", Target::Menu},
        {95, "Form1", "Port1", Target::Menu},
        {96, "Form1", "Pomoc1", Target::Menu},
        {0, "Form1", "Uytkownicy1", Target::Menu},
        {1, "Form1", "Grupy1", Target::Menu},
        {2, "Form1", "Czytniki1", Target::Menu},
        {97, "Form1", "COM11", Target::Menu},
        {98, "Form1", "Rozcz1", Target::Menu},
        {95, "Form1", "Wybrportu1", Target::Menu},
        {96, "Form1", "Oprogramie1", Target::Menu},
        {82, "Form1", "Oprogramie2", Target::Menu},
    };
    return list;
}

struct Windows
{
    TableFixture tables;
    UiFixture ui;

    Windows() { tables.bind(ui); }

    QWidget* window(const char* name) const
    {
        const QString n = QString::fromLatin1(name);
        if (n == QLatin1String("Form2"))
            return ui.form2.get();
        if (n == QLatin1String("Form3"))
            return ui.form3.get();
        if (n == QLatin1String("Form4"))
            return ui.form4.get();
        return ui.form1.get();
    }

    void apply(const TextSlots& textSlots)
    {
        ApplyLanguage(textSlots, Version, ui.ui, ui.form1.get(), ui.form2.get(), ui.form3.get(), ui.form4.get());
    }

    // The text that the target shows now.
    QString shown(const Target& t) const
    {
        QWidget* w = window(t.window);
        const QString name = QString::fromLatin1(t.control);
        switch (t.kind) {
        case Target::Title:
            return w->windowTitle();
        case Target::Page: {
            QWidget* page = w->findChild<QWidget*>(name);
            return ui.ui.Pager1->tabText(ui.ui.Pager1->indexOf(page));
        }
        case Target::Column: {
            auto* grid = w->findChild<DbGrid*>(name);
            return grid->model()->headerData(t.column, Qt::Horizontal).toString();
        }
        case Target::Menu:
            return w->findChild<QAction*>(name)->text();
        case Target::Caption:
            break;
        }
        QWidget* c = w->findChild<QWidget*>(name);
        if (auto* l = qobject_cast<QLabel*>(c))
            return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(c))
            return b->text();
        if (auto* g = qobject_cast<QGroupBox*>(c))
            return g->title();
        return QStringLiteral("<no text control %1>").arg(name);
    }

    QStringList allShown() const
    {
        QStringList texts;
        for (const Target& t : targets())
            texts << shown(t);
        texts << ui.form1->windowTitle() << ui.form2->Memo1->toPlainText();
        return texts;
    }
};

QStringList aboutLines(const Windows& w)
{
    return w.ui.form2->Memo1->toPlainText().split(QLatin1Char('\n'));
}

// Room a caption needs inside its control: the text, the check/radio
// indicator and its spacing, and the button's own margins.
int roomNeeded(QWidget* w, const QString& text)
{
    const int textWidth = w->fontMetrics().horizontalAdvance(text);
    QStyle* style = w->style();
    if (qobject_cast<QRadioButton*>(w))
        return textWidth + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    if (qobject_cast<QCheckBox*>(w))
        return textWidth + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        int icon = 0;
        if (!b->icon().isNull())
            icon = b->iconSize().width() + 4;
        return textWidth + icon + 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
    }
    if (qobject_cast<QGroupBox*>(w)) {
        // The title starts a little in from the frame's left edge.
        return textWidth + 2 * 8;
    }
    return textWidth;
}

} // namespace

class TestApplyLanguage : public QObject
{
    Q_OBJECT

private slots:
    void selectLanguageTable_data();
    void selectLanguageTable();
    void everyTargetShowsItsSlot_data();
    void everyTargetShowsItsSlot();
    void englishTexts();
    void unknownNameFallsBackToEnglish_data();
    void unknownNameFallsBackToEnglish();
    void applyingTwiceKeepsSevenAboutLines();
    void labelsFollowTheirText();
    void captionsFit_data();
    void captionsFit();
};

void TestApplyLanguage::selectLanguageTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("slot0");
    QTest::newRow("Polski") << "Polski" << true << "Osoby";
    QTest::newRow("English") << "English" << true << "Users";
    QTest::newRow("český") << "český" << true << "Lidé";
    QTest::newRow("Magyar") << "Magyar" << true << "Emberek";
    QTest::newRow("lower case") << "english" << false << "Users";
    QTest::newRow("trailing blank") << "Polski " << false << "Users";
    QTest::newRow("empty") << "" << false << "Users";
}

void TestApplyLanguage::selectLanguageTable()
{
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QFETCH(QString, slot0);

    TextSlots textSlots;
    textSlots[Text::UsersPage] = QStringLiteral("kept");
    QCOMPARE(SelectLanguageTable(name, textSlots), matches);
    QCOMPARE(textSlots[Text::UsersPage], slot0);
    if (matches) {
        QCOMPARE(textSlots[Text::ProductName], QStringLiteral("Pellaro"));
        QVERIFY(!textSlots[Text::ReaderWord].isEmpty());
    }
}

void TestApplyLanguage::everyTargetShowsItsSlot_data()
{
    QTest::addColumn<QString>("language");
    for (const QString& name : i18n::languageNames())
        QTest::newRow(name.toUtf8().constData()) << name;
}

void TestApplyLanguage::everyTargetShowsItsSlot()
{
    QFETCH(QString, language);

    Windows w;
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(language, textSlots));
    w.apply(textSlots);

    for (const Target& t : targets()) {
        QVERIFY2(!textSlots[size_t(t.slot)].isEmpty(), qPrintable(QString::number(t.slot)));
        QVERIFY2(w.shown(t) == textSlots[size_t(t.slot)],
                 qPrintable(QStringLiteral("slot %1 on %2.%3: \"%4\"")
                                .arg(t.slot)
                                .arg(QLatin1String(t.window), QLatin1String(t.control), w.shown(t))));
    }
    QCOMPARE(w.ui.form1->windowTitle(), textSlots[Text::ProductName] + QStringLiteral(" V1.13"));

    const QStringList about = aboutLines(w);
    QCOMPARE(about, (QStringList{textSlots[Text::MakerLine1], textSlots[Text::MakerLine2], textSlots[Text::MakerLine3],
                                 QString(), i18n::creditsLine(), QString(),
                                 textSlots[Text::SoftwareVersion] + QLatin1Char(' ') + Version}));

    // Texts no slot covers stay as designed.
    QCOMPARE(w.ui.ui.COM12->text(), QStringLiteral("COM1"));
    QCOMPARE(w.ui.ui.COM41->text(), QStringLiteral("COM4"));
    QCOMPARE(w.ui.ui.DBCheckBox98->text(), QStringLiteral("Additional informing in standard PROX "));
    QCOMPARE(w.ui.ui.accessBox(85)->text(), QStringLiteral("85"));
    QCOMPARE(w.ui.form4->Label1->text(), QStringLiteral("0"));
}

void TestApplyLanguage::englishTexts()
{
    Windows w;
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(QStringLiteral("English"), textSlots));
    w.apply(textSlots);

    QCOMPARE(w.ui.form1->windowTitle(), QStringLiteral("Pellaro V1.13"));
    QCOMPARE(w.ui.ui.Pager1->tabText(0), QStringLiteral("Users"));
    QCOMPARE(w.ui.ui.SpeedButton2->text(), QStringLiteral("Connfirm"));
    QCOMPARE(w.ui.ui.Label13->text(), QStringLiteral("Surename"));
    QCOMPARE(w.ui.form3->windowTitle(), QStringLiteral("Read/write  card"));
    QCOMPARE(w.ui.form3->Label1->text(), QStringLiteral("Transsmision"));
    QCOMPARE(w.ui.form2->windowTitle(), QStringLiteral("About program"));
    QCOMPARE(aboutLines(w).last(), QStringLiteral("Software version 1.13"));
    QCOMPARE(w.ui.ui.Edycja1->title(), QStringLiteral("Edit"));
    QCOMPARE(w.ui.ui.Wybrportu1->title(), QStringLiteral("Port"));
    QCOMPARE(w.ui.ui.DBGrid1->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Surename"));
}

void TestApplyLanguage::unknownNameFallsBackToEnglish_data()
{
    QTest::addColumn<QString>("before"); // the language in force, empty at start-up
    QTest::addColumn<QString>("name");
    // "český" written in UTF-8 and read back as code page 1250.
    const QString czechMisread = QString::fromUtf8("\xc3\x84\xc5\xa4"
                                                   "esk\xc4\x82\xcb\x9d");
    for (const char* before : {"", "Polski"}) {
        const QByteArray at = *before ? QByteArray(" after ") + before : QByteArray(" at start-up");
        QTest::newRow("unknown" + at) << before << "Deutsch";
        QTest::newRow("wrongly encoded" + at) << before << czechMisread;
        QTest::newRow("empty" + at) << before << "";
        QTest::newRow("lower case" + at) << before << "english";
    }
}

// An unknown name must never leave blank captions or an empty menu.
void TestApplyLanguage::unknownNameFallsBackToEnglish()
{
    QFETCH(QString, before);
    QFETCH(QString, name);

    Windows w;
    TextSlots textSlots; // all empty, as at start-up
    if (!before.isEmpty()) {
        QVERIFY(SelectLanguageTable(before, textSlots));
        w.apply(textSlots);
    }
    QVERIFY(!SelectLanguageTable(name, textSlots));
    w.apply(textSlots);

    TextSlots english;
    QVERIFY(SelectLanguageTable(QStringLiteral("English"), english));
    QVERIFY(textSlots == english);
    for (const Target& t : targets())
        QVERIFY2(
            w.shown(t) == english[t.slot],
            qPrintable(
                QStringLiteral("%1.%2: \"%3\"").arg(QLatin1String(t.window), QLatin1String(t.control), w.shown(t))));
    QCOMPARE(w.ui.ui.Edycja1->title(), QStringLiteral("Edit"));
    QCOMPARE(w.ui.form1->windowTitle(), QStringLiteral("Pellaro V1.13"));
    QCOMPARE(aboutLines(w).last(), QStringLiteral("Software version 1.13"));
}

void TestApplyLanguage::applyingTwiceKeepsSevenAboutLines()
{
    Windows w;
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(QStringLiteral("Polski"), textSlots));
    w.apply(textSlots);
    QVERIFY(SelectLanguageTable(QStringLiteral("English"), textSlots));
    w.apply(textSlots);
    w.apply(textSlots);
    QCOMPARE(w.ui.form2->Memo1->document()->blockCount(), 7);
    QCOMPARE(aboutLines(w).size(), 7);
    QCOMPARE(aboutLines(w).last(), QStringLiteral("Software version 1.13"));
}

void TestApplyLanguage::labelsFollowTheirText()
{
    Windows w;
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(QStringLiteral("Polski"), textSlots));
    w.apply(textSlots);
    const int polish = w.ui.ui.Label14->width();
    QVERIFY(SelectLanguageTable(QStringLiteral("English"), textSlots));
    w.apply(textSlots);
    // "Ilość wydanych duplikatów" is longer than "Number of duplicates".
    QVERIFY(w.ui.ui.Label14->width() < polish);
    for (QLabel* l : w.ui.form1->findChildren<QLabel*>()) {
        if (l == w.ui.ui.Image1)
            continue;
        QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(l->objectName()));
    }
}

void TestApplyLanguage::captionsFit_data()
{
    everyTargetShowsItsSlot_data();
}

void TestApplyLanguage::captionsFit()
{
    QFETCH(QString, language);

    Windows w;
    TextSlots textSlots;
    QVERIFY(SelectLanguageTable(language, textSlots));
    w.apply(textSlots);

    QStringList cutOff;
    auto check = [&](QWidget* control, const QString& text) {
        const int needed = roomNeeded(control, text);
        if (needed > control->width())
            cutOff << QStringLiteral("%1 \"%2\" needs %3, has %4")
                          .arg(control->objectName(), text)
                          .arg(needed)
                          .arg(control->width());
    };
    for (QWidget* window : {w.window("Form1"), w.window("Form2"), w.window("Form4")}) {
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (!b->objectName().isEmpty())
                check(b, b->text());
        }
        for (QGroupBox* g : window->findChildren<QGroupBox*>())
            check(g, g->title());
        // Labels that size themselves must still end inside their parent.
        for (QLabel* l : window->findChildren<QLabel*>()) {
            // The login's picture and wait stand on the login state's client, not this one.
            if (l->objectName().isEmpty() || l == w.ui.ui.Image1 || l == w.ui.ui.LoginWait)
                continue;
            if (l->geometry().right() >= l->parentWidget()->width())
                cutOff << QStringLiteral("%1 \"%2\" ends at %3 in a parent %4 wide")
                              .arg(l->objectName(), l->text())
                              .arg(l->geometry().right())
                              .arg(l->parentWidget()->width());
        }
    }
    // The card information captions end before the value column.
    for (QLabel* l : {w.ui.form4->label10, w.ui.form4->Label6, w.ui.form4->Label2, w.ui.form4->Label3,
                      w.ui.form4->Label5, w.ui.form4->Label4}) {
        if (l->geometry().right() >= 210)
            cutOff
                << QStringLiteral("Form4.%1 reaches the values (%2)").arg(l->objectName()).arg(l->geometry().right());
    }
    QVERIFY2(cutOff.isEmpty(), qPrintable(cutOff.join(QStringLiteral("; "))));
}

QTEST_MAIN(TestApplyLanguage)
#include "tst_applylanguage.moc"
