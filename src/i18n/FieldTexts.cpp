#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the cards handed out (the list of cards
// to rewrite, the read-back after a write, the card's printed number), the
// card journal window and the questions before a record is deleted.
constexpr AddedText Texts[] = {
    {Text::CardsToRewriteMenu, "Karty do przepisania…", "Cards to rewrite…", "Karty k přepsání…",
     "Újraírandó kártyák…"},
    {Text::CardJournalMenu, "Dziennik kart…", "Card journal…", "Deník karet…", "Kártyanapló…"},
    {Text::CardsToRewriteTitle, "Karty do przepisania", "Cards to rewrite", "Karty k přepsání", "Újraírandó kártyák"},
    {Text::CardsToRewriteCount, "Karty do przepisania: %1", "Cards to rewrite: %1", "Karty k přepsání: %1",
     "Újraírandó kártyák: %1"},
    {Text::NoCardYetCount, "Jeszcze bez karty: %1", "No card yet: %1", "Zatím bez karty: %1", "Még nincs kártyája: %1"},
    {Text::ColumnWhy, "Powód", "Why", "Důvod", "Ok"},
    {Text::ColumnLastWritten, "Ostatni zapis", "Last written", "Naposledy zapsána", "Utoljára írva"},
    {Text::CardNumberHex, "Numer karty (hex)", "Card number (hex)", "Číslo karty (hex)", "Kártyaszám (hex)"},
    {Text::CardNumber32, "Dziesiętnie, 32 bity", "Decimal, 32 bits", "Desítkově, 32 bitů", "Decimális, 32 bit"},
    {Text::CardNumber24, "Dziesiętnie, 24 bity", "Decimal, 24 bits", "Desítkově, 24 bitů", "Decimális, 24 bit"},
    {Text::CardFacility, "Obiekt,karta", "Facility,card", "Objekt,karta", "Létesítmény,kártya"},
    {Text::WhyAccessChanged, "Zmieniły się drzwi grupy", "The group's doors changed", "Dveře skupiny se změnily",
     "A csoport ajtói megváltoztak"},
    {Text::WhyMovedGroup, "Przeniesiona do innej grupy", "Moved to another group", "Přesunuta do jiné skupiny",
     "Másik csoportba került"},
    {Text::WhyGroupGone, "Grupa już nie istnieje", "The group no longer exists", "Skupina již neexistuje",
     "A csoport már nem létezik"},
    {Text::WhySystemChanged, "Zapisana dla innego numeru systemu", "Written for another system number",
     "Zapsána pro jiné číslo systému", "Másik rendszerszámra írva"},
    {Text::WhyPersonDeleted, "Osoba usunięta, karta nadal otwiera drzwi", "Person deleted, the card still opens doors",
     "Osoba smazána, karta stále otevírá dveře", "A személy törölve, a kártya még nyitja az ajtókat"},
    {Text::WhyNotVerified, "Niepotwierdzona odczytem", "Not verified by reading it back", "Neověřena zpětným čtením",
     "Visszaolvasással nem igazolt"},
    {Text::ReadBackFailed, "Karta nie odpowiedziała tak, jak ją zapisano — sprawdź ją przyciskiem Znajdź",
     "The card did not answer as written — check it with Find",
     "Karta neodpověděla tak, jak byla zapsána — zkontrolujte ji tlačítkem Najít",
     "A kártya nem úgy válaszolt, ahogy írták — ellenőrizze a Keresés gombbal"},
    {Text::ReadBackCaption, "Sprawdzenie karty", "Card check", "Kontrola karty", "Kártya ellenőrzése"},
    {Text::JournalFilter,
     "Numer lub nazwisko osoby:", "Person number or name:", "Číslo nebo jméno osoby:", "A személy száma vagy neve:"},
    {Text::JournalTime, "Czas", "Time", "Čas", "Idő"},
    {Text::JournalRole, "Rola", "Role", "Role", "Szerep"},
    {Text::JournalOperation, "Operacja", "Operation", "Operace", "Művelet"},
    {Text::JournalDuplicate, "Duplikat", "Duplicate", "Duplikát", "Másolat"},
    {Text::JournalReadBack, "Odczyt kontrolny", "Read back", "Zpětné čtení", "Visszaolvasás"},
    {Text::JournalData, "Bloki 3..6", "Blocks 3..6", "Bloky 3..6", "3..6. blokk"},
    {Text::DamagedLine, "Uszkodzony wiersz %1: %2", "Damaged line %1: %2", "Poškozený řádek %1: %2",
     "Sérült sor (%1): %2"},
    {Text::DamagedFields, "zła liczba pól", "wrong number of fields", "špatný počet polí", "hibás mezőszám"},
    {Text::DamagedNumber, "nieczytelna liczba lub czas", "a number or time that does not read",
     "nečitelné číslo nebo čas", "olvashatatlan szám vagy idő"},
    {Text::DamagedHex, "dane karty to nie 32 cyfry szesnastkowe", "card data that is not 32 hex digits",
     "data karty nejsou 32 šestnáctkových číslic", "a kártyaadat nem 32 hexadecimális számjegy"},
    {Text::Cancel, "Anuluj", "Cancel", "Zrušit", "Mégse"},
    {Text::DeletePerson, "Usunąć osobę %1 %2 (numer %3)?", "Delete %1 %2 (number %3)?",
     "Smazat osobu %1 %2 (číslo %3)?", "Törli ezt a személyt: %1 %2 (szám: %3)?"},
    {Text::DeletePersonCard,
     "Karta osoby %1 %2 (numer %3) nadal otwiera czytniki: usunięcie osoby nie odbiera karcie dostępu. Najpierw "
     "zapisać na karcie Usuń uprawnienia?",
     "The card of %1 %2 (number %3) still opens readers: deleting the person does not take its access away. Write "
     "Remove permissions to the card first?",
     "Karta osoby %1 %2 (číslo %3) stále otevírá čtečky: smazání osoby jí přístup neodebere. Nejprve na kartu zapsat "
     "Odebrat oprávnění?",
     "%1 %2 (szám: %3) kártyája még nyitja az olvasókat: a személy törlése nem veszi el a hozzáférését. Előbb írja a "
     "kártyára a Jogosultságok törlését?"},
    {Text::WriteRemoveThenDelete, "Zapisz Usuń uprawnienia, potem usuń", "Write Remove permissions, then delete",
     "Zapsat Odebrat oprávnění, pak smazat", "Jogosultságok törlése, majd törlés"},
    {Text::DeleteAnyway, "Usuń mimo to", "Delete anyway", "Přesto smazat", "Törlés mindenképp"},
    {Text::DeleteGroup, "Usunąć grupę \"%1\"?", "Delete the group \"%1\"?", "Smazat skupinu \"%1\"?",
     "Törli a(z) \"%1\" csoportot?"},
    {Text::DeleteGroupMembers, "Zostawia %1 osób bez dostępu.", "It leaves %1 persons without access.",
     "Ponechá %1 osob bez přístupu.", "%1 személy marad hozzáférés nélkül."},
    {Text::DeleteReader, "Usunąć czytnik \"%1\" (numer %2)?", "Delete the reader \"%1\" (number %2)?",
     "Smazat čtečku \"%1\" (číslo %2)?", "Törli a(z) \"%1\" olvasót (szám: %2)?"},
    {Text::PersonGone, "Osoby o numerze %1 nie ma już w tabeli.", "Person number %1 is no longer in the table.",
     "Osoba s číslem %1 již v tabulce není.", "A(z) %1 számú személy már nincs a táblában."},
    {Text::JournalUnreadable, "Nie można odczytać dziennika kart %1: %2", "The card journal %1 could not be read: %2",
     "Deník karet %1 nelze přečíst: %2", "A(z) %1 kártyanapló nem olvasható: %2"},
};

static_assert(Texts[0].slot == Text::FirstFieldText && std::size(Texts) <= 40 &&
              Texts[std::size(Texts) - 1].slot < Text::FirstDeskText);

} // namespace

std::span<const AddedText> fieldTexts()
{
    return Texts;
}

} // namespace i18n
