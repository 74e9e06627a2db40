#include "app/CardControls.h"

#include "pages/PersonCards.h"
#include "pages/ReaderCards.h"
#include "ui/MainWindowUi.h"
#include "ui/TForm4.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace cardcontrols {

QString program(PersonCards& cards, MainWindowUi& ui)
{
    PersonCards::ProgramChoice choice{ui.CBox2->isChecked()};
    // The box shows what the page made of the choice, also when it threw.
    struct Shown
    {
        QCheckBox* box;
        const PersonCards::ProgramChoice& choice;
        ~Shown() { box->setChecked(choice.duplicate); }
    } shown{ui.CBox2, choice};
    return cards.Button4Click(choice);
}

void writeConfigCard(ReaderCards& cards, const MainWindowUi& ui)
{
    using Reader = ReaderCards::ConfigChoice::Reader;
    ReaderCards::ConfigChoice choice;
    if (ui.RadioButton3->isChecked())
        choice.reader = Reader::Factory;
    else if (!ui.RadioButton1->isChecked() && ui.RadioButton2->isChecked())
        choice.reader = Reader::OldCode;
    choice.oldCode = ui.Edit2->text();
    choice.resetMemory = ui.CheckBox1->isChecked();
    cards.Button12Click(choice);
}

void showOldCode(MainWindowUi& ui)
{
    const bool on = ui.RadioButton2->isChecked();
    ui.Label17->setVisible(on);
    ui.Edit2->setVisible(on);
}

void cardRead(PersonCards& cards, MainWindowUi& ui, TForm4* form4, const cards::CardIdentity& card)
{
    const std::optional<PersonCards::CardHolder> holder = cards.evaluateCard(card);
    if (!holder)
        return;
    if (holder->searchOff)
        ui.CheckBox2->setChecked(false);
    if (!form4)
        return;
    // The dialog's other rows follow the persons table's current record.
    form4->Label1->setText(QString::number(holder->duplicateIndex));
    form4->setCardNumber(holder->number);
    form4->show();
    form4->raise();
}

} // namespace cardcontrols
