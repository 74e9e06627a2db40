#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the audit trail's head and its gaps.
constexpr AddedText Texts[] = {
    {Text::TrailBatchNotStored,
     "Niczego nie zapisano: dziennik audytu %1 nie przyjął wierszy tej zmiany: %2",
     "Nothing was stored: the audit trail %1 could not take the lines of this change: %2",
     "Nic nebylo uloženo: auditní záznam %1 nepřijal řádky této změny: %2",
     "Semmi sem lett mentve: a(z) %1 naplózás nem fogadta ennek a változásnak a sorait: %2"},
    {Text::TrailMissing,
     "Brak dziennika audytu %1, choć jego nagłówek %2 mówi, że miał %3 wierszy. Żadna zmiana nie zostanie zapisana, "
     "dopóki dziennik nie zostanie przywrócony z kopii zapasowej; aby zacząć nowy dziennik, gdy audytor to zobaczy, "
     "usuń %2.",
     "The audit trail %1 is missing, though its head %2 says it held %3 lines. No change is stored until the trail "
     "is put back from a backup; to begin a new trail once an auditor has seen this, remove %2.",
     "Auditní záznam %1 chybí, ačkoli jeho hlavička %2 uvádí %3 řádků. Žádná změna se neuloží, dokud nebude záznam "
     "obnoven ze zálohy; chcete-li začít nový záznam, až to auditor uvidí, odstraňte %2.",
     "A(z) %1 naplózás hiányzik, pedig a fejléce (%2) szerint %3 sort tartalmazott. Semmilyen változás nem lesz "
     "mentve, amíg a naplót vissza nem állítják egy mentésből; új napló kezdéséhez, miután az ellenőr látta, "
     "törölje a(z) %2 fájlt."},
    {Text::TrailCut,
     "W dzienniku audytu %1 brakuje ostatnich zdarzeń: %3. Jego nagłówek %2 wskazuje dłuższy dziennik. Żadna zmiana "
     "nie zostanie zapisana, dopóki dziennik nie zostanie przywrócony z kopii zapasowej; aby zacząć nowy dziennik, "
     "gdy audytor to zobaczy, usuń %2.",
     "The audit trail %1 lacks its last %3 events: its head %2 names a longer trail. No change is stored until the "
     "trail is put back from a backup; to begin a new trail once an auditor has seen this, remove %2.",
     "V auditním záznamu %1 chybí posledních %3 událostí: jeho hlavička %2 uvádí delší záznam. Žádná změna se "
     "neuloží, dokud nebude záznam obnoven ze zálohy; chcete-li začít nový záznam, až to auditor uvidí, odstraňte %2.",
     "A(z) %1 naplóból hiányzik az utolsó %3 esemény: a fejléce (%2) hosszabb naplót jelöl. Semmilyen változás nem "
     "lesz mentve, amíg a naplót vissza nem állítják egy mentésből; új napló kezdéséhez, miután az ellenőr látta, "
     "törölje a(z) %2 fájlt."},
    {Text::TrailReplaced,
     "Dziennik audytu %1 został podmieniony: nie zawiera najnowszego skrótu z nagłówka %2. Żadna zmiana nie zostanie "
     "zapisana, dopóki dziennik nie zostanie przywrócony z kopii zapasowej; aby zacząć nowy dziennik, gdy audytor "
     "to zobaczy, usuń %2.",
     "The audit trail %1 was replaced: it does not hold the newest hash of its head %2. No change is stored until the "
     "trail is put back from a backup; to begin a new trail once an auditor has seen this, remove %2.",
     "Auditní záznam %1 byl nahrazen: neobsahuje nejnovější haš své hlavičky %2. Žádná změna se neuloží, dokud "
     "nebude záznam obnoven ze zálohy; chcete-li začít nový záznam, až to auditor uvidí, odstraňte %2.",
     "A(z) %1 naplót lecserélték: nem tartalmazza a fejléce (%2) legújabb hash-ét. Semmilyen változás nem lesz "
     "mentve, amíg a naplót vissza nem állítják egy mentésből; új napló kezdéséhez, miután az ellenőr látta, "
     "törölje a(z) %2 fájlt."},
    {Text::TrailUnreadable,
     "Nie można porównać dziennika audytu %1 z jego nagłówkiem: %2. Żadna zmiana nie zostanie zapisana, dopóki to "
     "nie zostanie naprawione.",
     "The audit trail %1 cannot be checked against its head: %2. No change is stored until this is mended.",
     "Auditní záznam %1 nelze porovnat s jeho hlavičkou: %2. Žádná změna se neuloží, dokud to nebude napraveno.",
     "A(z) %1 napló nem vethető össze a fejlécével: %2. Semmilyen változás nem lesz mentve, amíg ezt ki nem "
     "javítják."},
    {Text::TrailTornMark, "przerwany przez awarię", "torn by a crash", "přerušen havárií", "összeomlás vágta el"},
    {Text::TrailOutsideMark, "POZA ŁAŃCUCHEM", "NOT IN THE CHAIN", "MIMO ŘETĚZEC", "A LÁNCON KÍVÜL"},
    {Text::TrailChainColumn, "Łańcuch", "Chain", "Řetězec", "Lánc"},
};

} // namespace

std::span<const AddedText> trailTexts()
{
    return Texts;
}

} // namespace i18n
