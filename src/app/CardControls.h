#pragma once

#include "cards/CardFrame.h"

#include <QString>

class MainWindowUi;
class PersonCards;
class ReaderCards;
class TForm4;

// The card operations' widgets: what the operator set on the main window goes
// to the pages as plain choices, and what an operation came to is shown on
// the window and the Card information dialog. The pages decide.
namespace cardcontrols {

// Program (Button4) with the "Duplicate card" box (CBox2), which the page
// clears once the card is written. Returns what the card came to, for the
// status line; empty when nothing was written.
QString program(PersonCards& cards, MainWindowUi& ui);
// The configuration card (Button12) for the reader code the radio buttons
// choose, with the old code typed in Edit2 and "reset memory" (CheckBox1).
void writeConfigCard(ReaderCards& cards, const MainWindowUi& ui);
// RadioButton2 ("When you changed the system code") shows the old-code box
// Edit2 with Label17; the other two hide it.
void showOldCode(MainWindowUi& ui);
// Find's third read tick: the card's holder on the Card information dialog
// (form4 may be gone), and the search box unticked when the search was turned
// off to show the holder.
void cardRead(PersonCards& cards, MainWindowUi& ui, TForm4* form4, const cards::CardIdentity& card);

} // namespace cardcontrols
