#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. The operator's desk: what a silent Find
// leaves in the status line, the question before a new system number, the
// import's problem list, printing and the readers grid's number column.
constexpr AddedText Texts[] = {
    {Text::NoCardAnswered, "Żadna karta nie odpowiedziała — czy karta leży na programatorze i wybrano właściwy port?",
     "No card answered — is a card on the programmer and the right port chosen?",
     "Žádná karta neodpověděla — leží karta na programátoru a je zvolen správný port?",
     "Nem válaszolt kártya — a programozón van a kártya, és a helyes port van kiválasztva?"},
    {Text::SystemNumberQuestion,
     "Numer systemu %1 zastąpi numer %2.\n\nKażdy czytnik potrzebuje wtedy nowej karty konfiguracyjnej (\"Gdy "
     "zmieniłeś kod systemowy\", stary kod %2), a każdą kartę użytkownika trzeba zapisać od nowa: czytnik z nowym "
     "numerem nie otwiera kartom ze starym.\n\nZapisać nowy numer systemu?",
     "The system number %1 will take the place of %2.\n\nEvery reader then needs a new configuration card (\"When "
     "you changed the system code\", old code %2), and every user card must be written again: a reader with the new "
     "number does not open for cards with the old one.\n\nStore the new system number?",
     "Číslo systému %1 nahradí číslo %2.\n\nKaždá čtečka pak potřebuje novou konfigurační kartu (\"Po změně "
     "systémového kódu\", starý kód %2) a každou uživatelskou kartu je nutné zapsat znovu: čtečka s novým číslem "
     "neotevře kartám se starým.\n\nUložit nové číslo systému?",
     "A(z) %1 rendszerszám lép a(z) %2 helyére.\n\nEzután minden olvasónak új konfigurációs kártya kell (\"Ha "
     "megváltoztatta a rendszerkódot\", régi kód: %2), és minden felhasználói kártyát újra kell írni: az új számú "
     "olvasó nem nyit a régi számú kártyáknak.\n\nMenti az új rendszerszámot?"},
    {Text::SystemNumberCorrected, "%1 jest poza zakresem 1..1 000 000: zostanie zapisany numer %2.",
     "%1 is outside 1..1 000 000: %2 will be stored.", "%1 je mimo rozsah 1..1 000 000: uloží se číslo %2.",
     "%1 kívül esik az 1..1 000 000 tartományon: a(z) %2 lesz mentve."},
    {Text::SystemNumberQuestionCaption, "Zmienić numer systemu?", "Change the system number?", "Změnit číslo systému?",
     "Megváltoztatja a rendszerszámot?"},
    {Text::ImportMoreProblems, "…i jeszcze %1.", "…and %1 more.", "…a ještě %1.", "…és még %1."},
    {Text::PrintMenu, "Drukuj…", "Print…", "Tisk…", "Nyomtatás…"},
    {Text::PrintCaption, "Drukowanie", "Print", "Tisk", "Nyomtatás"},
    {Text::PrintPersons, "Lista osób", "Persons list", "Seznam osob", "Személyek listája"},
    {Text::PrintGroupSheet,
     "Karta dostępu grupy:", "Access sheet of the group:", "Přístupový list skupiny:", "A csoport hozzáférési lapja:"},
    {Text::PrintToPrinter, "Drukarka…", "Printer…", "Tiskárna…", "Nyomtató…"},
    {Text::PrintToPdf, "Plik PDF…", "PDF file…", "Soubor PDF…", "PDF-fájl…"},
    {Text::PrintCancel, "Anuluj", "Cancel", "Zrušit", "Mégse"},
    {Text::PdfFiles, "Pliki PDF (*.pdf)", "PDF files (*.pdf)", "Soubory PDF (*.pdf)", "PDF-fájlok (*.pdf)"},
    {Text::PrintSystemNumber, "Numer systemu %1", "System number %1", "Číslo systému %1", "Rendszerszám: %1"},
    {Text::PrintPage, "Strona %1 z %2", "Page %1 of %2", "Strana %1 z %2", "%1. oldal / %2"},
    {Text::AccessSheetTitle, "Dostęp grupy %1", "Access of the group %1", "Přístup skupiny %1",
     "A(z) %1 csoport hozzáférése"},
    {Text::NoReadersInGroup, "Grupa nie otwiera żadnego czytnika.", "The group opens no reader.",
     "Skupina neotevírá žádnou čtečku.", "A csoport egyetlen olvasót sem nyit."},
    {Text::PdfWritten, "Zapisano plik PDF %1 (stron: %2).", "The PDF file %1 was written (pages: %2).",
     "Soubor PDF %1 byl zapsán (stran: %2).", "A(z) %1 PDF-fájl elkészült (oldalak: %2)."},
    {Text::PdfNotWritten, "Nie udało się zapisać pliku PDF %1: %2", "The PDF file %1 could not be written: %2",
     "Soubor PDF %1 se nepodařilo zapsat: %2", "A(z) %1 PDF-fájlt nem sikerült írni: %2"},
    {Text::ReaderGridNumber, "Nr", "No.", "Č.", "Sz."},
    {Text::PrinterNotStarted, "Nie udało się uruchomić drukarki %1. Nic nie wydrukowano.",
     "The printer %1 could not be started. Nothing was printed.",
     "Tiskárnu %1 se nepodařilo spustit. Nic nebylo vytištěno.",
     "A(z) %1 nyomtatót nem sikerült elindítani. Semmi sem lett kinyomtatva."},
    {Text::AnswerYes, "Tak", "Yes", "Ano", "Igen"},
    {Text::AnswerNo, "Nie", "No", "Ne", "Nem"},
};

static_assert(Texts[0].slot == Text::FirstDeskText && Texts[std::size(Texts) - 1].slot < Text::FirstStartText);

} // namespace

std::span<const AddedText> deskTexts()
{
    return Texts;
}

} // namespace i18n
