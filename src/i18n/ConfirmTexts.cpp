#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian: questions that name their record, and
// an edit another desk overtook, field by field.
constexpr AddedText Texts[] = {
    {Text::AskedRecordRemoved,
     "%1: rekord został usunięty na innym stanowisku, gdy pytanie było otwarte. Nic nie zostało zmienione.",
     "%1: the record was removed at another desk while the question was open. Nothing was changed.",
     "%1: záznam byl odstraněn na jiném stanovišti, zatímco byla otázka otevřena. Nic nebylo změněno.",
     "%1: a rekordot egy másik munkahelyen törölték, amíg a kérdés nyitva volt. Semmi sem változott."},
    {Text::AskedRecordChanged,
     "%1: rekord został zmieniony na innym stanowisku, gdy pytanie było otwarte. Nic nie zostało zmienione; "
     "sprawdź go w obecnej postaci i usuń ponownie, jeśli nadal ma zniknąć.",
     "%1: the record was changed at another desk while the question was open. Nothing was changed; look at it as "
     "it is stored now and delete it again if it should still go.",
     "%1: záznam byl změněn na jiném stanovišti, zatímco byla otázka otevřena. Nic nebylo změněno; prohlédněte si "
     "jej v nynější podobě a smažte jej znovu, má-li stále zmizet.",
     "%1: a rekordot egy másik munkahelyen módosították, amíg a kérdés nyitva volt. Semmi sem változott; nézze meg "
     "a jelenlegi állapotában, és törölje újra, ha továbbra is törölni kell."},
    {Text::ChangedAtDeskFields,
     "Rekord został zmieniony na stanowisku \"%1\" po rozpoczęciu edycji:\n%2\n\nWczytaj pokazuje go tak, jak jest "
     "zapisany, i porzuca to, co wpisano. Edytuj dalej zachowuje to, co wpisano; zapisanie zapisze wtedy tylko pola "
     "zmienione przez Ciebie, a każde inne pole zachowa wartość zapisaną teraz. Nic nie zostało zapisane.",
     "The record was changed at the desk \"%1\" after you began editing it:\n%2\n\nReload shows it as stored and "
     "drops what you typed. Keep editing keeps what you typed; storing it then stores only the fields you changed, "
     "and every other field keeps the value stored now. Nothing was stored.",
     "Záznam byl změněn na stanovišti \"%1\" poté, co jste jej začali upravovat:\n%2\n\nNačíst jej ukáže tak, jak "
     "je uložen, a zahodí, co jste napsali. Upravovat dál ponechá, co jste napsali; uložení pak uloží jen pole, "
     "která jste změnili, a každé jiné pole si ponechá nyní uloženou hodnotu. Nic nebylo uloženo.",
     "A rekordot a(z) \"%1\" munkahelyen módosították, miután elkezdte szerkeszteni:\n%2\n\nAz Újratöltés a tárolt "
     "állapotot mutatja, és elveti, amit beírt. A Szerkesztés folytatása megtartja, amit beírt; mentéskor csak az "
     "Ön által módosított mezők kerülnek tárolásra, minden más mező megtartja a most tárolt értéket. Semmi sem lett "
     "mentve."},
    {Text::FieldBothValues, "%1: Twoja wartość \"%2\", zapisana teraz \"%3\"", "%1: yours \"%2\", stored now \"%3\"",
     "%1: vaše \"%2\", nyní uloženo \"%3\"", "%1: az Öné \"%2\", most tárolt \"%3\""},
    {Text::FieldStoredValue, "%1: zapisana teraz \"%2\"", "%1: stored now \"%2\"", "%1: nyní uloženo \"%2\"",
     "%1: most tárolt \"%2\""},
    {Text::AccessToReaderField, "dostęp do czytnika %1", "access to reader %1", "přístup ke čtečce %1",
     "hozzáférés a(z) %1. olvasóhoz"},
    {Text::ValueYes, "tak", "yes", "ano", "igen"},
    {Text::ValueNo, "nie", "no", "ne", "nem"},
    {Text::MembersChangedMeanwhile,
     "Członek grupy \"%1\" został w międzyczasie zmieniony na innym stanowisku: nazwa grupy nie została zmieniona "
     "i nikt nie został przeniesiony. Zatwierdź ponownie, aby zmienić nazwę razem z członkami w obecnej postaci.",
     "A member of the group \"%1\" was changed at another desk meanwhile: the group was not renamed and nobody "
     "was moved. Confirm again to rename it with its members as they are stored now.",
     "Člen skupiny \"%1\" byl mezitím změněn na jiném stanovišti: skupina nebyla přejmenována a nikdo nebyl "
     "přesunut. Potvrďte znovu, aby byla přejmenována i se členy v nynější podobě.",
     "A(z) \"%1\" csoport egyik tagját közben egy másik munkahelyen módosították: a csoport nem lett átnevezve, "
     "és senki sem lett áthelyezve. Erősítse meg újra az átnevezést a tagokkal együtt, ahogy most tárolva vannak."},
};

} // namespace

std::span<const AddedText> confirmTexts()
{
    return Texts;
}

} // namespace i18n
