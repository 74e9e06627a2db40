#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: the database trail's head and card lines that missed the journal.
constexpr AddedText Texts[] = {
    {Text::TrailHeadCut,
     "W dzienniku audytu %1 brakuje ostatnich zdarzeń: %3. Jego nagłówek %2 wskazuje dłuższy dziennik. Żadna zmiana "
     "nie zostanie zapisana, dopóki właściciel bazy danych nie przywróci dziennika z kopii zapasowej.",
     "The audit trail %1 lacks its last %3 events: its head %2 names a longer trail. No change is stored until the "
     "database's owner puts the trail back from a backup.",
     "V auditním záznamu %1 chybí posledních %3 událostí: jeho hlavička %2 uvádí delší záznam. Žádná změna se "
     "neuloží, dokud vlastník databáze neobnoví záznam ze zálohy.",
     "A(z) %1 naplóból hiányzik az utolsó %3 esemény: a fejléce (%2) hosszabb naplót jelöl. Semmilyen változás nem "
     "lesz mentve, amíg az adatbázis tulajdonosa vissza nem állítja a naplót egy mentésből."},
    {Text::TrailHeadReplaced,
     "Dziennik audytu %1 został podmieniony: nie zawiera najnowszego skrótu z nagłówka %2. Żadna zmiana nie zostanie "
     "zapisana, dopóki właściciel bazy danych nie przywróci dziennika z kopii zapasowej.",
     "The audit trail %1 was replaced: it does not hold the newest hash of its head %2. No change is stored until "
     "the database's owner puts the trail back from a backup.",
     "Auditní záznam %1 byl nahrazen: neobsahuje nejnovější haš své hlavičky %2. Žádná změna se neuloží, dokud "
     "vlastník databáze neobnoví záznam ze zálohy.",
     "A(z) %1 naplót lecserélték: nem tartalmazza a fejléce (%2) legújabb hash-ét. Semmilyen változás nem lesz "
     "mentve, amíg az adatbázis tulajdonosa vissza nem állítja a naplót egy mentésből."},
};

} // namespace

std::span<const AddedText> trailHeadTexts()
{
    return Texts;
}

} // namespace i18n
