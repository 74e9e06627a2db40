#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the enrolment station (Edit > Program a
// list), its queue's columns and states, and the handover sheet.
constexpr AddedText Texts[] = {
    {Text::ProgramListMenu, "Programuj listę…", "Program a list…", "Programovat seznam…", "Lista programozása…"},
    {Text::ProgramListTitle, "Programowanie listy", "Program a list", "Programování seznamu", "Lista programozása"},
    {Text::ProgramListAddGroup, "Dodaj grupę", "Add the group", "Přidat skupinu", "Csoport hozzáadása"},
    {Text::ProgramListAddShown, "Dodaj widoczne osoby", "Add the persons shown", "Přidat zobrazené osoby",
     "A látható személyek hozzáadása"},
    {Text::ProgramListAddRewrite, "Dodaj karty do przepisania", "Add the cards to rewrite", "Přidat karty k přepsání",
     "Az újraírandó kártyák hozzáadása"},
    {Text::ProgramListClear, "Wyczyść listę", "Empty the list", "Vyprázdnit seznam", "A lista ürítése"},
    {Text::ProgramListStart, "Start", "Start", "Spustit", "Indítás"},
    {Text::ProgramListPause, "Wstrzymaj", "Pause", "Pozastavit", "Szünet"},
    {Text::ProgramListSkip, "Pomiń", "Skip", "Přeskočit", "Kihagyás"},
    {Text::ProgramListStop, "Zatrzymaj", "Stop", "Zastavit", "Leállítás"},
    {Text::ProgramListHandover, "Protokół wydania…", "Handover sheet…", "Předávací protokol…", "Átadási lap…"},
    {Text::ColumnNumber, "Numer", "Number", "Číslo", "Szám"},
    {Text::ColumnNames, "Imię i nazwisko", "Names", "Jméno a příjmení", "Név"},
    {Text::ColumnGroup, "Grupa", "Group", "Skupina", "Csoport"},
    {Text::ColumnState, "Stan", "State", "Stav", "Állapot"},
    {Text::StateWaiting, "czeka", "waiting", "čeká", "várakozik"},
    {Text::StateWritten, "zapisana", "written", "zapsána", "írva"},
    {Text::StateVerified, "sprawdzona", "verified", "ověřena", "ellenőrizve"},
    {Text::StateFailed, "błąd", "failed", "chyba", "hibás"},
    {Text::StateSkipped, "pominięta", "skipped", "přeskočena", "kihagyva"},
    {Text::ProgramListProgress, "Gotowe: %1, zostało: %2, jeszcze około %3", "%1 done, %2 left, about %3 left",
     "Hotovo: %1, zbývá: %2, ještě asi %3", "Kész: %1, hátra: %2, még kb. %3"},
    {Text::ProgramListPlaceCard, "Połóż następną kartę na programatorze", "Put the next card on the programmer",
     "Položte další kartu na programátor", "Tegye a következő kártyát a programozóra"},
    {Text::ProgramListTakeCard, "Zdejmij kartę z programatora", "Take the card off the programmer",
     "Sejměte kartu z programátoru", "Vegye le a kártyát a programozóról"},
    {Text::ProgramListPaused, "Wstrzymano", "Paused", "Pozastaveno", "Szüneteltetve"},
    {Text::ProgramListDone, "Wszystkie karty z listy są zapisane.", "Every card of the list is written.",
     "Všechny karty ze seznamu jsou zapsány.", "A lista minden kártyája meg van írva."},
    {Text::ProgramListFailures,
     "Trzy karty z rzędu nie odpowiedziały tak, jak je zapisano. Lista zatrzymana. Sprawdź, czy karty są typu, który "
     "zapisuje programator, i czy programator jest podłączony i działa.",
     "Three cards in a row did not answer as written. The list stopped. Check that the cards are of the type the "
     "programmer writes and that the programmer is connected and working.",
     "Tři karty za sebou neodpověděly tak, jak byly zapsány. Seznam se zastavil. Zkontrolujte, zda jsou karty typu, "
     "který programátor zapisuje, a zda je programátor připojen a funguje.",
     "Három kártya egymás után nem úgy válaszolt, ahogy írták. A lista leállt. Ellenőrizze, hogy a kártyák a "
     "programozó által írt típusúak-e, és hogy a programozó csatlakoztatva van-e és működik-e."},
    {Text::ProgramListLinkLost,
     "Połączenie z programatorem zostało przerwane. Lista zatrzymana; karty, której zapis nie doszedł do końca, nie "
     "odnotowano jako wydanej. Połącz się ponownie i naciśnij Start.",
     "The link to the programmer was lost. The list stopped; a card whose write did not finish is not recorded as "
     "handed out. Connect again and press Start.",
     "Spojení s programátorem bylo přerušeno. Seznam se zastavil; karta, jejíž zápis nedoběhl, není zaznamenána jako "
     "vydaná. Připojte se znovu a stiskněte Spustit.",
     "A kapcsolat a programozóval megszakadt. A lista leállt; a befejezetlen írású kártya nincs kiadottként rögzítve. "
     "Csatlakozzon újra, és nyomja meg az Indítás gombot."},
    {Text::ProgramListCloseQuestion,
     "Z listy zostało do zapisania kart: %1. Zamknąć okno? Lista, jeśli działa, działa dalej; pasek stanu pokazuje "
     "postęp.",
     "%1 cards of the list are still to be written. Close the window? A list that runs goes on; the status bar shows "
     "how far it is.",
     "Ze seznamu zbývá zapsat karet: %1. Zavřít okno? Běžící seznam pokračuje; stavový řádek ukazuje postup.",
     "A listából még %1 kártyát kell megírni. Bezárja az ablakot? A futó lista folytatódik; az állapotsor mutatja, hol "
     "tart."},
    {Text::ProgramListStatus, "Lista: %1 z %2 kart", "List: %1 of %2 cards", "Seznam: %1 z %2 karet",
     "Lista: %1 / %2 kártya"},
    {Text::HandoverTitle, "Protokół wydania kart", "Cards handed over", "Předávací protokol karet", "Kártyák átadása"},
    {Text::ColumnSignature, "Podpis", "Signature", "Podpis", "Aláírás"},
    {Text::ProgramListEmpty, "Z listy nie zapisano żadnej karty.", "No card of the list was written.",
     "Ze seznamu nebyla zapsána žádná karta.", "A listából egy kártya sem lett megírva."},
    {Text::ProgramListGroupLabel, "Grupa:", "Group:", "Skupina:", "Csoport:"},
    {Text::ProgramListConfigurationCard,
     "Na programatorze leży karta konfiguracyjna czytnika: nie zostanie nadpisana. Zdejmij ją.",
     "A reader's configuration card is on the programmer: it is not written over. Take it off.",
     "Na programátoru leží konfigurační karta čtečky: nebude přepsána. Sejměte ji.",
     "A programozón egy olvasó konfigurációs kártyája van: nem írja felül. Vegye le."},
};

static_assert(Texts[0].slot == Text::FirstEnrolText && std::size(Texts) <= 40);

} // namespace

std::span<const AddedText> enrolTexts()
{
    return Texts;
}

} // namespace i18n
