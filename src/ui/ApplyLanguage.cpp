#include "ui/ApplyLanguage.h"

#include "i18n/LanguageTables.h"
#include "ui/DataSource.h"
#include "ui/DbControls.h"
#include "ui/MainWindowUi.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

// Labels size themselves to their text, as designed.
void setCaption(QWidget* control, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
        label->adjustSize();
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        frame->setTitle(text);
    }
}

void setPageCaption(QTabWidget* pager, QWidget* page, const QString& text)
{
    pager->setTabText(pager->indexOf(page), text);
}

// Slots 0..63, in slot order.
void applyPageTexts(const TextSlots& s, MainWindowUi& ui)
{
    setPageCaption(ui.Pager1, ui.Pager11, s[0]);
    setPageCaption(ui.Pager1, ui.Pager12, s[1]);
    setPageCaption(ui.Pager1, ui.Pager13, s[2]);
    setPageCaption(ui.Pager1, ui.PagerPage1, s[3]);

    const std::pair<int, QWidget*> persons[] = {
        {4, ui.Label7},        {5, ui.Label13},       {6, ui.Label14},       {7, ui.Label3},        {8, ui.Label4},
        {9, ui.Button9},       {10, ui.Button7},      {11, ui.SpeedButton4}, {12, ui.SpeedButton3}, {13, ui.GroupBox6},
        {14, ui.RadioButton4}, {15, ui.RadioButton5}, {16, ui.CheckBox2},    {17, ui.Label2},       {18, ui.CBox2},
        {19, ui.Button4},      {20, ui.Button2},      {21, ui.Button3},
    };
    for (const auto& [slot, control] : persons)
        setCaption(control, s[size_t(slot)]);
    for (int column = 0; column < 4; ++column)
        ui.DBGrid1->setColumnTitle(column, s[size_t(22 + column)]);

    const std::pair<int, QWidget*> groups[] = {
        {26, ui.Button13},     {27, ui.Button14}, {28, ui.Button1}, {29, ui.Button10}, {30, ui.SpeedButton5},
        {31, ui.SpeedButton6}, {32, ui.Label9},   {33, ui.Label6},  {34, ui.Label5},
    };
    for (const auto& [slot, control] : groups)
        setCaption(control, s[size_t(slot)]);
    ui.DBGrid2->setColumnTitle(0, s[35]);

    const std::pair<int, QWidget*> readers[] = {
        {36, ui.GroupBox3},    {37, ui.GroupBox1},    {38, ui.Label10},      {39, ui.Label11},
        {40, ui.Label12},      {41, ui.DBCheckBox97}, {42, ui.Button6},      {43, ui.Button8},
        {44, ui.SpeedButton1}, {45, ui.SpeedButton2}, {46, ui.RadioButton3}, {47, ui.RadioButton1},
        {48, ui.RadioButton2}, {49, ui.Label17},      {50, ui.CheckBox1},    {51, ui.Button12},
        {52, ui.Label15},
    };
    for (const auto& [slot, control] : readers)
        setCaption(control, s[size_t(slot)]);
    ui.DBGrid3->setColumnTitle(0, s[53]);
    ui.DBGrid3->setColumnTitle(1, s[54]);

    const std::pair<int, QWidget*> settings[] = {
        {55, ui.Label18}, {56, ui.Label19},  {57, ui.Label20},  {58, ui.Label8},   {59, ui.Label21},
        {60, ui.Button5}, {61, ui.Button15}, {62, ui.Button11}, {63, ui.Button18},
    };
    for (const auto& [slot, control] : settings)
        setCaption(control, s[size_t(slot)]);
}

} // namespace

bool SelectLanguageTable(const QString& name, TextSlots& textSlots)
{
    return i18n::copyLanguageTable(name, &textSlots);
}

void ApplyLanguage(const TextSlots& s, const QString& versionText, MainWindowUi& ui, QMainWindow* form1, TForm2* form2,
                   TForm3* form3, TForm4* form4)
{
    // 1. The pages.
    applyPageTexts(s, ui);

    // 2. The About text, always seven lines.
    if (form2) {
        form2->Memo1->setPlainText(QStringList{s[64], s[65], s[66], QString(), i18n::creditsLine(), QString(),
                                               s[68] + QLatin1Char(' ') + versionText}
                                       .join(QLatin1Char('\n')));
    }

    // 3. The dialogs' captions and labels.
    if (form2) {
        setCaption(form2->Button1, s[67]);
        form2->setWindowTitle(s[82]);
    }
    if (form3) {
        form3->setWindowTitle(s[83]);
        setCaption(form3->Label1, s[84]);
    }
    if (form4) {
        form4->setWindowTitle(s[85]);
        const std::pair<int, QLabel*> rows[] = {{86, form4->label10}, {87, form4->Label6}, {88, form4->Label2},
                                                {89, form4->Label3},  {90, form4->Label5}, {91, form4->Label4}};
        for (const auto& [slot, label] : rows)
            setCaption(label, s[size_t(slot)]);
        setCaption(form4->Button1, s[92]);
    }

    // 4. The window caption carries the fixed version, not VersionText.
    form1->setWindowTitle(s[69] + QLatin1String(CaptionVersionSuffix));

    // 5. The login button.
    setCaption(ui.BitBtn1, s[93]);

    // 6. The menu.
    ui.Edycja1->setTitle(s[94]);
    ui.Port1->setTitle(s[95]);
    ui.Pomoc1->setTitle(s[96]);
    ui.Uytkownicy1->setText(s[0]);
    ui.Grupy1->setText(s[1]);
    ui.Czytniki1->setText(s[2]);
    ui.COM11->setText(s[97]);
    ui.Rozcz1->setText(s[98]);
    ui.Wybrportu1->setTitle(s[95]);
    ui.Oprogramie1->setText(s[96]);
    ui.Oprogramie2->setText(s[82]);
}
