#pragma once

#include "i18n/TextSlots.h"

#include <QString>

class MainWindowUi;
class QMainWindow;
class TForm2;
class TForm3;
class TForm4;

// The fixed version in the main window caption; the About text shows
// VersionText instead.
inline constexpr char CaptionVersionSuffix[] = " V1.13";

// Copies the language table with exactly this name ("Polski", "English",
// "český", "Magyar") into the slots and returns true. Any other name
// ("english", a hand-edited or wrongly encoded file, an empty box) copies the
// English table instead and returns false: empty slots would leave every
// caption and menu blank. The caller then shows English in the language box.
bool SelectLanguageTable(const QString& name, TextSlots& textSlots);

// Puts the slot texts on every language-dependent control: the page
// controls (slots 0..63), the About text (rebuilt from scratch), the three
// dialogs, the window caption, BitBtn1 and the menu. May run any number of
// times. A dialog pointer may be null while that dialog does not exist.
void ApplyLanguage(const TextSlots& textSlots, const QString& versionText, MainWindowUi& ui, QMainWindow* form1,
                   TForm2* form2, TForm3* form3, TForm4* form4);
