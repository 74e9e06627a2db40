#include "i18n/LanguageTables.h"

#include "i18n/AddedTexts.h"

#include <algorithm>

namespace i18n {

namespace {

// The maker's lines of the About text, the same in every language.
constexpr const char* MakerLine1 = "Pellaro Systems sp. z o.o.";
constexpr const char* MakerLine2 = "ul. Przykładowa 12";
constexpr const char* MakerLine3 = "00-950 Warszawa";

constexpr const char* CreditsLine = "Design and programming: the Pellaro development team";

// Texts as the operator sees them, double blanks and misspellings included;
// every character has a code-page-1250 byte, since that is what the tables
// and the configuration file store. Slots 70 and 74 are not used.
const char* const polishTexts[OriginalTableSize] = {
    "Osoby",                                                 // 0
    "Grupy",                                                 // 1
    "Czytniki",                                              // 2
    "Ustawienia",                                            // 3
    "Imię",                                                  // 4
    "Nazwisko",                                              // 5
    "Ilość wydanych duplikatów",                             // 6
    "Numer w bazie",                                         // 7
    "Grupa",                                                 // 8
    "Dodaj",                                                 // 9
    "Usuń",                                                  // 10
    "Edytuj",                                                // 11
    "Zatwierdź",                                             // 12
    "Filtr",                                                 // 13
    "Po imieniu",                                            // 14
    "Po nazwisku",                                           // 15
    "Filtruj",                                               // 16
    "Uwagi",                                                 // 17
    "Duplikat karty",                                        // 18
    "Programuj",                                             // 19
    "Znajdź",                                                // 20
    "Usuń uprawnienia",                                      // 21
    "ID",                                                    // 22
    "Imię",                                                  // 23
    "Nazwisko",                                              // 24
    "Grupa",                                                 // 25
    "Zaznacz wszystko",                                      // 26
    "Brak dostepu",                                          // 27
    "Dodaj",                                                 // 28
    "Usuń",                                                  // 29
    "Edytuj",                                                // 30
    "Zatwierdź",                                             // 31
    "Grupa",                                                 // 32
    "Uwagi",                                                 // 33
    "Dostęp do czytników o numerach:",                       // 34
    "Nazwa grupy",                                           // 35
    "Parametry czytnika",                                    // 36
    "Karta konfigurująca czytnik",                           // 37
    "Nazwa czytnika",                                        // 38
    "Czas przekaźnika [s]",                                  // 39
    "Numer czytnika",                                        // 40
    "Potwierdzenie na porcie RS232",                         // 41
    "Dodaj",                                                 // 42
    "Usuń",                                                  // 43
    "Edytuj",                                                // 44
    "Zatwierdź",                                             // 45
    "Fabrycznie nowy",                                       // 46
    "Z aktualnym kodem systemowym",                          // 47
    "Gdy zmieniłeś kod systemowy",                           // 48
    "Stary kod",                                             // 49
    "Zerowanie pamięci czytnika",                            // 50
    "Zapisz parametry czytnika do karty",                    // 51
    "Uwagi",                                                 // 52
    "Nazwa",                                                 // 53
    "Czas",                                                  // 54
    "Kod systemowy",                                         // 55
    "Hasło administratora programu",                         // 56
    "Hasło użytkownika programu",                            // 57
    "Numer z zakresu 1..1 000 000",                          // 58
    "Język",                                                 // 59
    "Zapisz",                                                // 60
    "Zapisz",                                                // 61
    "Zapisz",                                                // 62
    "Zapisz",                                                // 63
    MakerLine1,                                              // 64
    MakerLine2,                                              // 65
    MakerLine3,                                              // 66
    "Zamnij",                                                // 67
    "Wersja oprogramowania",                                 // 68
    "Pellaro",                                               // 69
    "",                                                      // 70
    "Sprawdź połączenie",                                    // 71
    "Błąd komunikacji",                                      // 72
    "Brak łączności",                                        // 73
    "",                                                      // 74
    "Wynik wyszukiwania",                                    // 75
    "Brak użytkownika w bazie!",                             // 76
    "Karta konfiguracyjna",                                  // 77
    "Brak karty lub karta konfiguracyjna z innego systemu.", // 78
    "Brak karty lub karta użytkownika z innego systemu.",    // 79
    "Przekroczenie zakresu",                                 // 80
    "Brak przypisania!",                                     // 81
    "O programie",                                           // 82
    "Odczyt/Zapis  karty",                                   // 83
    "Transmisja",                                            // 84
    "Informacje o karcie",                                   // 85
    "Nazwisko.......................................",       // 86
    "Imię.....................................",             // 87
    "Grupa..................................",               // 88
    "Ilosc duplikatow...................",                   // 89
    "Duplikat...............................",               // 90
    "ID.......................................",             // 91
    "Zamknij",                                               // 92
    "Zatwierdź",                                             // 93
    "Edycja",                                                // 94
    "Port",                                                  // 95
    "Pomoc",                                                 // 96
    "Połącz",                                                // 97
    "Rozłącz",                                               // 98
    "Konfiguracja",                                          // 99
    "Numer systemu zapisany!",                               // 100
    "Haslo administratora - zapisane",                       // 101
    "Haslo użytkownika - zapisane",                          // 102
    "Czytnik",                                               // 103
};

const char* const englishTexts[OriginalTableSize] = {
    "Users",                                              // 0
    "Groups",                                             // 1
    "Readers",                                            // 2
    "Settings",                                           // 3
    "Name",                                               // 4
    "Surename",                                           // 5
    "Number of duplicates",                               // 6
    "Number in the database",                             // 7
    "Group",                                              // 8
    "Add",                                                // 9
    "Delete",                                             // 10
    "Edit",                                               // 11
    "Confirm",                                            // 12
    "Filter",                                             // 13
    "By name",                                            // 14
    "By surename",                                        // 15
    "Filtr",                                              // 16
    "Comments",                                           // 17
    "Duplicate card",                                     // 18
    "Program",                                            // 19
    "Find",                                               // 20
    "Remove permissions",                                 // 21
    "ID",                                                 // 22
    "Name",                                               // 23
    "Surename",                                           // 24
    "Group",                                              // 25
    "Select all",                                         // 26
    "No access",                                          // 27
    "Add",                                                // 28
    "Delete",                                             // 29
    "Edit",                                               // 30
    "Confirm",                                            // 31
    "Group",                                              // 32
    "Comments",                                           // 33
    "Access to readers with numbers:",                    // 34
    "Group name",                                         // 35
    "Parameters of the reader",                           // 36
    "Card reader configuration card",                     // 37
    "Reader name",                                        // 38
    "Relay time [s]",                                     // 39
    "Number of the reader",                               // 40
    "Confirmation on RS232 port",                         // 41
    "Add",                                                // 42
    "Delete",                                             // 43
    "Edit",                                               // 44
    "Connfirm",                                           // 45
    "Factory new",                                        // 46
    "With current system code",                           // 47
    "When you changed the system code",                   // 48
    "Old code",                                           // 49
    "Reset reader memory",                                // 50
    "Save parameters to the card",                        // 51
    "comments",                                           // 52
    "Name",                                               // 53
    "Time",                                               // 54
    "System code",                                        // 55
    "Administrator password of the program",              // 56
    "User password of the program",                       // 57
    "Number in the range of 1..1 000 000",                // 58
    "Language",                                           // 59
    "Save",                                               // 60
    "Save",                                               // 61
    "Save",                                               // 62
    "Save",                                               // 63
    MakerLine1,                                           // 64
    MakerLine2,                                           // 65
    MakerLine3,                                           // 66
    "Close",                                              // 67
    "Software version",                                   // 68
    "Pellaro",                                            // 69
    "",                                                   // 70
    "Check connection",                                   // 71
    "Communication error",                                // 72
    "No connectivity",                                    // 73
    "",                                                   // 74
    "Search result",                                      // 75
    "No user in database!",                               // 76
    "Configuration card",                                 // 77
    "No card or configuration card from another system.", // 78
    "No card or user card from another system.",          // 79
    "Over range",                                         // 80
    "No assignment!",                                     // 81
    "About program",                                      // 82
    "Read/write  card",                                   // 83
    "Transsmision",                                       // 84
    "Card information",                                   // 85
    "Surename.......................................",    // 86
    "Name.....................................",          // 87
    "Group..................................",            // 88
    "Number of duplicates...............",                // 89
    "Duplicate...............................",           // 90
    "ID.......................................",          // 91
    "Close",                                              // 92
    "Confirm",                                            // 93
    "Edit",                                               // 94
    "Port",                                               // 95
    "Help",                                               // 96
    "Connect",                                            // 97
    "Disconnect",                                         // 98
    "Configuration",                                      // 99
    "System number saved!",                               // 100
    "Administrator password - saved",                     // 101
    "User password - saved",                              // 102
    "Reader",                                             // 103
};

const char* const czechTexts[OriginalTableSize] = {
    "Lidé",                                                  // 0
    "Skupina",                                               // 1
    "čtenáři",                                               // 2
    "Nastavení",                                             // 3
    "Jméno",                                                 // 4
    "Příjmení",                                              // 5
    "Počet duplikátů",                                       // 6
    "Číslo v databázi",                                      // 7
    "Skupina",                                               // 8
    "Přidat",                                                // 9
    "Smazat",                                                // 10
    "Upravit",                                               // 11
    "Potvrdit",                                              // 12
    "Filtr",                                                 // 13
    "Podle jména",                                           // 14
    "Podle příjmení",                                        // 15
    "Filtrovat",                                             // 16
    "Poznámky",                                              // 17
    "Duplikát karty",                                        // 18
    "Programovat",                                           // 19
    "Najít",                                                 // 20
    "Odebrat oprávnění",                                     // 21
    "ID",                                                    // 22
    "Jméno",                                                 // 23
    "Příjmení",                                              // 24
    "Skupina",                                               // 25
    "Vybrat vše",                                            // 26
    "Bez přístupu",                                          // 27
    "Přidat",                                                // 28
    "Smazat",                                                // 29
    "Upravit",                                               // 30
    "Potvrdit",                                              // 31
    "Skupina",                                               // 32
    "Poznámky",                                              // 33
    "Přístup ke čtečkám s čísly:",                           // 34
    "Název skupiny",                                         // 35
    "Parametry čtečky",                                      // 36
    "Konfigurační karta čtečky",                             // 37
    "Název čtečky",                                          // 38
    "Doba sepnutí relé [s]",                                 // 39
    "Číslo čtečky",                                          // 40
    "Potvrzení na portu RS232",                              // 41
    "Přidat",                                                // 42
    "Smazat",                                                // 43
    "Upravit",                                               // 44
    "Potvrdit",                                              // 45
    "Nová z výroby",                                         // 46
    "S aktuálním systémovým kódem",                          // 47
    "Po změně systémového kódu",                             // 48
    "Starý kód",                                             // 49
    "Vymazat paměť čtečky",                                  // 50
    "Uložit parametry na kartu",                             // 51
    "Poznámky",                                              // 52
    "Název",                                                 // 53
    "Čas",                                                   // 54
    "Systémový kód",                                         // 55
    "Heslo správce programu",                                // 56
    "Uživatelské heslo programu",                            // 57
    "Číslo v rozsahu 1..1 000 000",                          // 58
    "Jazyk",                                                 // 59
    "Uložit",                                                // 60
    "Uložit",                                                // 61
    "Uložit",                                                // 62
    "Uložit",                                                // 63
    MakerLine1,                                              // 64
    MakerLine2,                                              // 65
    MakerLine3,                                              // 66
    "Zavřít",                                                // 67
    "Verze softwaru",                                        // 68
    "Pellaro",                                               // 69
    "",                                                      // 70
    "Zkontrolujte připojení",                                // 71
    "Chyba komunikace",                                      // 72
    "Žádné spojení",                                         // 73
    "",                                                      // 74
    "Výsledky vyhledávání",                                  // 75
    "K dispozici je v databázi žádný uživatel!",             // 76
    "Konfigurační karta",                                    // 77
    "Žádná karta nebo je karta z jiné konfiguraci systému.", // 78
    "Žádná karta nebo karta uživatel z jiného systému.",     // 79
    "Mimo rozsah",                                           // 80
    "Nejsou žádné úkoly!",                                   // 81
    "O programu",                                            // 82
    "Čtení/zápis karty",                                     // 83
    "Přenos",                                                // 84
    "Informace o kartě",                                     // 85
    "Příjmení.......................................",       // 86
    "Jméno.....................................",            // 87
    "Skupina..................................",             // 88
    "Počet duplikátů...............",                        // 89
    "Duplikát...............................",               // 90
    "ID.......................................",             // 91
    "Zavřít",                                                // 92
    "Předložit",                                             // 93
    "Vydání",                                                // 94
    "Konektor",                                              // 95
    "Pomoci",                                                // 96
    "Volání",                                                // 97
    "Odpojit",                                               // 98
    "konfigurace",                                           // 99
    "Číselný systém uložen!",                                // 100
    "Heslo správce - uloženo",                               // 101
    "Uživatelské heslo - uloženo",                           // 102
    "reader",                                                // 103
};

const char* const hungarianTexts[OriginalTableSize] = {
    "Emberek",                                                        // 0
    "Csoport",                                                        // 1
    "Olvasók",                                                        // 2
    "Beállítások",                                                    // 3
    "Keresztnév",                                                     // 4
    "Vezetéknév",                                                     // 5
    "Másolatok száma",                                                // 6
    "Szám az adatbázisban",                                           // 7
    "Csoport",                                                        // 8
    "Hozzáad",                                                      // 9
    "Törlés",                                                         // 10
    "Módosítás",                                                    // 11
    "Jóváhagy",                                                    // 12
    "Szűrő",                                                          // 13
    "Keresztnév",                                             // 14
    "Vezetéknév",                                             // 15
    "Szűrés",                                                         // 16
    "Megjegyzések",                                                   // 17
    "Kártyamásolat",                                                  // 18
    "Programozás",                                                    // 19
    "Keresés",                                                        // 20
    "Jogosultságok törlése",                                          // 21
    "ID",                                                             // 22
    "Keresztnév",                                                     // 23
    "Vezetéknév",                                                     // 24
    "Csoport",                                                        // 25
    "Összes kijelölése",                                              // 26
    "Nincs hozzáférés",                                               // 27
    "Hozzáad",                                                      // 28
    "Törlés",                                                         // 29
    "Módosítás",                                                    // 30
    "Jóváhagy",                                                    // 31
    "Csoport",                                                        // 32
    "Megjegyzések",                                                   // 33
    "Hozzáférés a következő számú olvasókhoz:",                       // 34
    "Csoport neve",                                                   // 35
    "Az olvasó paraméterei",                                          // 36
    "Kártyaolvasó konfigurációs kártyája",                            // 37
    "Olvasó neve",                                                    // 38
    "Relé behúzási ideje [s]",                                        // 39
    "Olvasó száma",                                                   // 40
    "Visszaigazolás az RS232 porton",                                 // 41
    "Hozzáad",                                                      // 42
    "Törlés",                                                         // 43
    "Módosítás",                                                    // 44
    "Jóváhagy",                                                    // 45
    "Gyárilag új",                                                    // 46
    "Az aktuális rendszerkóddal",                                     // 47
    "Ha megváltoztatta a rendszerkódot",                              // 48
    "Régi kód",                                                       // 49
    "Olvasó memóriájának törlése",                                    // 50
    "Paraméterek mentése a kártyára",                                 // 51
    "Megjegyzések",                                                   // 52
    "Név",                                                            // 53
    "Idő",                                                            // 54
    "Rendszerkód",                                                    // 55
    "A program rendszergazdai jelszava",                              // 56
    "A program felhasználói jelszava",                                // 57
    "Szám az 1..1 000 000 tartományban",                              // 58
    "Nyelv",                                                          // 59
    "Mentés",                                                         // 60
    "Mentés",                                                         // 61
    "Mentés",                                                         // 62
    "Mentés",                                                         // 63
    MakerLine1,                                                       // 64
    MakerLine2,                                                       // 65
    MakerLine3,                                                       // 66
    "Bezárás",                                                        // 67
    "Szoftververzió",                                                 // 68
    "Pellaro",                                                        // 69
    "",                                                               // 70
    "Ellenőrizze a kapcsolatot",                                      // 71
    "Kommunikációs hiba",                                             // 72
    "Nincs kapcsolat",                                                // 73
    "",                                                               // 74
    "Keresési eredmények",                                            // 75
    "Nincs felhasználó az adatbázisban!",                             // 76
    "Konfigurációs kártya",                                           // 77
    "Nincs kártya vagy egy kártyát egy másik rendszer konfiguráció.", // 78
    "Nincs kártya vagy a kártya felhasználói másik rendszertől.",     // 79
    "Több tartomány",                                                 // 80
    "Nincsenek feladatok!",                                           // 81
    "A programról",                                                   // 82
    "Kártya olvasása/írása",                                          // 83
    "Átvitel",                                                        // 84
    "Kártyaadatok",                                                   // 85
    "Vezetéknév....................................",              // 86
    "Keresztnév.....................................",                // 87
    "Csoport..................................",                      // 88
    "Másolatok száma...............",                                 // 89
    "Másolat...............................",                         // 90
    "ID.......................................",                      // 91
    "Bezárás",                                                        // 92
    "Küldje",                                                         // 93
    "Kiadás",                                                         // 94
    "Csatlakozó",                                                     // 95
    "Segít",                                                          // 96
    "Hívás",                                                          // 97
    "Szétkapcsol",                                                    // 98
    "Konfiguráció",                                                   // 99
    "Rendszer mentett szám!",                                         // 100
    "Rendszergazdai jelszót - mentett",                               // 101
    "Felhasználói jelszó - mentett",                                  // 102
    "Olvasó",                                                         // 103
};
struct NamedTable
{
    const char* name;
    const char* const* texts;
};

const std::array<NamedTable, 4> Tables{{
    {"Polski", polishTexts},
    {"English", englishTexts},
    {"český", czechTexts},
    {"Magyar", hungarianTexts},
}};

const std::array<LanguageTable, 4>& loadedTables()
{
    static const std::array<LanguageTable, 4> tables = [] {
        std::array<LanguageTable, 4> t;
        for (std::size_t i = 0; i < Tables.size(); ++i)
            for (int slot = 0; slot < OriginalTableSize; ++slot)
                t[i][slot] = QString::fromUtf8(Tables[i].texts[slot]);
        for (auto part : {settingsTexts(), pageTexts(), cardTexts(), exchangeTexts(), linkTexts(), fieldTexts(),
                          deskTexts(), enrolTexts(), auditTexts(), startTexts(), databaseTexts(),
                          journalTexts(), deskSharingTexts(), siteMoveTexts(), confirmTexts(), stationTexts(), numberTexts(), siteSettingsTexts(), trailTexts(), folderTexts(), newSiteTexts(),
                          resultTexts(), deskHoldTexts(), windowsTexts(), trailHeadTexts()}) {
            for (const AddedText& a : part) {
                const char* const texts[] = {a.polish, a.english, a.czech, a.hungarian};
                for (std::size_t i = 0; i < Tables.size(); ++i)
                    t[i][a.slot] = QString::fromUtf8(texts[i]);
            }
        }
        return t;
    }();
    return tables;
}

} // namespace

QStringList languageNames()
{
    QStringList names;
    for (const NamedTable& t : Tables)
        names.append(QString::fromUtf8(t.name));
    return names;
}

const LanguageTable* findLanguageTable(QStringView name)
{
    for (std::size_t i = 0; i < Tables.size(); ++i) {
        if (name == QString::fromUtf8(Tables[i].name))
            return &loadedTables()[i];
    }
    return nullptr;
}

bool copyLanguageTable(QStringView name, TextSlots* textSlots)
{
    const LanguageTable* table = findLanguageTable(name);
    if (!table)
        return false;
    std::copy(table->begin(), table->end(), textSlots->begin());
    return true;
}

QString creditsLine()
{
    return QString::fromUtf8(CreditsLine);
}

} // namespace i18n
