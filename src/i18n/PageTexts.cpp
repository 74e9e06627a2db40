#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

const AddedText Texts[] = {
    {Text::UnstorableCharacter,
     "Znaku \"%1\" nie można zapisać w tabelach. Tekst nie został zapisany: popraw go i zatwierdź ponownie.",
     "The character \"%1\" cannot be stored in the tables. The text was not saved: change it and confirm again.",
     "Znak \"%1\" nelze uložit do tabulek. Text nebyl uložen: opravte jej a potvrďte znovu.",
     "A(z) \"%1\" karakter nem menthető a táblákba. A szöveg nem lett mentve: javítsa, és hagyja jóvá újra."},
    {Text::RelayTimeOutOfRange,
     "Czas przekaźnika musi być liczbą całkowitą od 1 do 255 sekund. Zapisana wartość pozostaje bez zmian.",
     "The relay time must be a whole number of seconds from 1 to 255. The stored value stays.",
     "Doba sepnutí relé musí být celé číslo od 1 do 255 sekund. Uložená hodnota zůstává.",
     "A relé ideje 1 és 255 közötti egész másodperc lehet. A mentett érték nem változik."},
    {Text::PageErrorCaption, "Błąd", "Error", "Chyba", "Hiba"},
    {Text::NoPersonShown, "Nie jest wyświetlana żadna osoba, więc nikogo nie usunięto.",
     "No person is shown, so nobody was deleted.", "Není zobrazena žádná osoba, nikdo nebyl smazán.",
     "Nincs megjelenített személy, így senki sem lett törölve."},
    {Text::PrintGroupGone, "Grupy \"%1\" nie ma już w tabeli. Nic nie wydrukowano: wybierz grupę ponownie.",
     "The group \"%1\" is no longer in the table. Nothing was printed: choose the group again.",
     "Skupina \"%1\" již v tabulce není. Nic nebylo vytištěno: vyberte skupinu znovu.",
     "A(z) \"%1\" csoport már nincs a táblában. Semmi sem lett nyomtatva: válassza ki újra a csoportot."},
    {Text::NoGroupShown, "Nie jest wyświetlana żadna grupa, więc niczego nie zmieniono.",
     "No group is shown, so nothing was changed.", "Není zobrazena žádná skupina, nic nebylo změněno.",
     "Nincs megjelenített csoport, így semmi sem változott."},
    {Text::NoReaderShown, "Nie jest wyświetlany żaden czytnik, więc niczego nie usunięto.",
     "No reader is shown, so nothing was deleted.", "Není zobrazena žádná čtečka, nic nebylo smazáno.",
     "Nincs megjelenített olvasó, így semmi sem lett törölve."},
};

} // namespace

std::span<const AddedText> pageTexts()
{
    return Texts;
}

} // namespace i18n
