#include "ui/ApplyLanguage.h"

#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbGrid.h"
#include "ui/MainWindowUi.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
    setPageCaption(ui.Pager1, ui.Pager11, s[Text::UsersPage]);
    setPageCaption(ui.Pager1, ui.Pager12, s[Text::GroupsPage]);
    setPageCaption(ui.Pager1, ui.Pager13, s[Text::ReadersPage]);
    setPageCaption(ui.Pager1, ui.PagerPage1, s[Text::SettingsPage]);

    const std::pair<Text::Id, QWidget*> persons[] = {
        {Text::PersonFirstNameLabel, ui.Label7},
        {Text::PersonSurnameLabel, ui.Label13},
        {Text::DuplicatesLabel, ui.Label14},
        {Text::PersonNumberLabel, ui.Label3},
        {Text::GroupWord, ui.Label4},
        {Text::PersonAdd, ui.Button9},
        {Text::PersonDelete, ui.Button7},
        {Text::PersonEdit, ui.SpeedButton4},
        {Text::PersonConfirm, ui.SpeedButton3},
        {Text::FilterBox, ui.GroupBox6},
        {Text::FilterByName, ui.RadioButton4},
        {Text::FilterBySurname, ui.RadioButton5},
        {Text::FilterCheck, ui.CheckBox2},
        {Text::PersonComments, ui.Label2},
        {Text::DuplicateCard, ui.CBox2},
        {Text::ProgramCard, ui.Button4},
        {Text::FindCard, ui.Button2},
        {Text::RemovePermissions, ui.Button3},
    };
    for (const auto& [slot, control] : persons)
        setCaption(control, s[slot]);
    const Text::Id personColumns[] = {Text::PersonGridId, Text::PersonGridName, Text::PersonGridSurname,
                                      Text::PersonGridGroup};
    for (int column = 0; column < 4; ++column)
        ui.DBGrid1->setColumnTitle(column, s[personColumns[column]]);

    const std::pair<Text::Id, QWidget*> groups[] = {
        {Text::SelectAll, ui.Button13},   {Text::NoAccess, ui.Button14},      {Text::GroupAdd, ui.Button1},
        {Text::GroupDelete, ui.Button10}, {Text::GroupEdit, ui.SpeedButton5}, {Text::GroupConfirm, ui.SpeedButton6},
        {Text::GroupLabel, ui.Label9},    {Text::GroupComments, ui.Label6},   {Text::AccessToReaders, ui.Label5},
    };
    for (const auto& [slot, control] : groups)
        setCaption(control, s[slot]);
    ui.DBGrid2->setColumnTitle(0, s[Text::GroupGridName]);

    const std::pair<Text::Id, QWidget*> readers[] = {
        {Text::ReaderParameters, ui.GroupBox3},
        {Text::ConfigCardBox, ui.GroupBox1},
        {Text::ReaderNameLabel, ui.Label10},
        {Text::RelayTimeLabel, ui.Label11},
        {Text::ReaderNumberLabel, ui.Label12},
        {Text::ConfirmationOnRs232, ui.DBCheckBox97},
        {Text::ReaderAdd, ui.Button6},
        {Text::ReaderDelete, ui.Button8},
        {Text::ReaderEdit, ui.SpeedButton1},
        {Text::ReaderConfirm, ui.SpeedButton2},
        {Text::FactoryNew, ui.RadioButton3},
        {Text::WithCurrentCode, ui.RadioButton1},
        {Text::WhenCodeChanged, ui.RadioButton2},
        {Text::OldCode, ui.Label17},
        {Text::ResetReaderMemory, ui.CheckBox1},
        {Text::SaveToCard, ui.Button12},
        {Text::ReaderComments, ui.Label15},
    };
    for (const auto& [slot, control] : readers)
        setCaption(control, s[slot]);
    ui.DBGrid3->setColumnTitle(0, s[Text::ReaderGridName]);
    ui.DBGrid3->setColumnTitle(1, s[Text::ReaderGridTime]);
    ui.DBGrid3->setColumnTitle(2, s[Text::ReaderGridNumber]);

    const std::pair<Text::Id, QWidget*> settings[] = {
        {Text::SystemCodeLabel, ui.Label18},    {Text::AdminPasswordLabel, ui.Label19},
        {Text::UserPasswordLabel, ui.Label20},  {Text::SystemNumberRange, ui.Label8},
        {Text::LanguageLabel, ui.Label21},      {Text::SaveSystemNumber, ui.Button5},
        {Text::SaveAdminPassword, ui.Button15}, {Text::SaveUserPassword, ui.Button11},
        {Text::SaveLanguage, ui.Button18},
    };
    for (const auto& [slot, control] : settings)
        setCaption(control, s[slot]);
}

} // namespace

bool SelectLanguageTable(const QString& name, TextSlots& textSlots)
{
    if (i18n::copyLanguageTable(name, &textSlots))
        return true;
    i18n::copyLanguageTable(i18n::FallbackLanguage, &textSlots);
    return false;
}

void ApplyLanguage(const TextSlots& s, const QString& versionText, MainWindowUi& ui, QMainWindow* form1, TForm2* form2,
                   TForm3* form3, TForm4* form4)
{
    // 1. The pages.
    applyPageTexts(s, ui);

    // 2. The About text, always seven lines.
    if (form2) {
        form2->Memo1->setPlainText(QStringList{s[Text::MakerLine1], s[Text::MakerLine2], s[Text::MakerLine3], QString(),
                                               i18n::creditsLine(), QString(),
                                               s[Text::SoftwareVersion] + QLatin1Char(' ') + versionText}
                                       .join(QLatin1Char('\n')));
    }

    // 3. The dialogs' captions and labels.
    if (form2) {
        setCaption(form2->Button1, s[Text::AboutClose]);
        form2->setWindowTitle(s[Text::AboutProgram]);
    }
    if (form3) {
        form3->setWindowTitle(s[Text::ReadWriteCard]);
        setCaption(form3->Label1, s[Text::Transmission]);
    }
    if (form4) {
        form4->setWindowTitle(s[Text::CardInformation]);
        const std::pair<Text::Id, QLabel*> rows[] = {{Text::InfoSurname, form4->label10},
                                                     {Text::InfoName, form4->Label6},
                                                     {Text::InfoGroup, form4->Label2},
                                                     {Text::InfoDuplicates, form4->Label3},
                                                     {Text::InfoDuplicate, form4->Label5},
                                                     {Text::InfoId, form4->Label4},
                                                     {Text::CardNumberHex, form4->CardHexCaption},
                                                     {Text::CardNumber32, form4->CardDecimal32Caption},
                                                     {Text::CardNumber24, form4->CardDecimal24Caption},
                                                     {Text::CardFacility, form4->FacilityCardCaption}};
        for (const auto& [slot, label] : rows)
            setCaption(label, s[slot]);
        setCaption(form4->Button1, s[Text::InfoClose]);
    }

    // 4. The window caption carries the fixed version, not VersionText.
    form1->setWindowTitle(s[Text::ProductName] + QLatin1String(CaptionVersionSuffix));

    // 5. The login button.
    setCaption(ui.BitBtn1, s[Text::LoginConfirm]);
    ui.Edit5->setPlaceholderText(s[Text::PasswordPlaceholder]);

    // 6. The menu.
    ui.Edycja1->setTitle(s[Text::EditMenu]);
    ui.Port1->setTitle(s[Text::PortMenu]);
    ui.Pomoc1->setTitle(s[Text::HelpMenu]);
    ui.Uytkownicy1->setText(s[Text::UsersPage]);
    ui.Grupy1->setText(s[Text::GroupsPage]);
    ui.Czytniki1->setText(s[Text::ReadersPage]);
    ui.COM11->setText(s[Text::Connect]);
    ui.Rozcz1->setText(s[Text::Disconnect]);
    ui.Wybrportu1->setTitle(s[Text::PortMenu]);
    ui.Oprogramie1->setText(s[Text::HelpMenu]);
    ui.Oprogramie2->setText(s[Text::AboutProgram]);
}
