#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. Several desks on one database: an edit
// that another desk overtook.
constexpr AddedText Texts[] = {
    {Text::ChangedAtDesk,
     "Rekord został zmieniony na stanowisku \"%1\" po rozpoczęciu edycji. Teraz zawiera:\n%2\n\nWczytaj pokazuje "
     "go tak, jak jest zapisany, i porzuca to, co wpisano. Edytuj dalej zachowuje to, co wpisano; zapisanie "
     "zastąpi wtedy powyższe wartości. Nic nie zostało zapisane.",
     "The record was changed at the desk \"%1\" after you began editing it. It now holds:\n%2\n\nReload shows it "
     "as stored and drops what you typed. Keep editing keeps what you typed; storing it then replaces the values "
     "above. Nothing was stored.",
     "Záznam byl změněn na stanovišti \"%1\" poté, co jste jej začali upravovat. Nyní obsahuje:\n%2\n\nNačíst jej "
     "ukáže tak, jak je uložen, a zahodí, co jste napsali. Upravovat dál ponechá, co jste napsali; uložením pak "
     "nahradíte hodnoty výše. Nic nebylo uloženo.",
     "A rekordot a(z) \"%1\" munkahelyen módosították, miután elkezdte szerkeszteni. Most ez áll benne:\n%2\n\nAz "
     "Újratöltés a tárolt állapotot mutatja, és elveti, amit beírt. A Szerkesztés folytatása megtartja, amit "
     "beírt; mentéskor az felülírja a fenti értékeket. Semmi sem lett mentve."},
    {Text::RemovedAtDesk,
     "Rekord został usunięty na innym stanowisku po rozpoczęciu edycji. Nic nie zostało zapisane.",
     "The record was removed at another desk after you began editing it. Nothing was stored.",
     "Záznam byl odstraněn na jiném stanovišti poté, co jste jej začali upravovat. Nic nebylo uloženo.",
     "A rekordot egy másik munkahelyen törölték, miután elkezdte szerkeszteni. Semmi sem lett mentve."},
    {Text::ReloadAnswer, "Wczytaj", "Reload", "Načíst", "Újratöltés"},
    {Text::KeepEditingAnswer, "Edytuj dalej", "Keep editing", "Upravovat dál", "Szerkesztés folytatása"},
    {Text::ChangedAtDeskCaption, "Zmiana na innym stanowisku", "Changed at another desk",
     "Změna na jiném stanovišti", "Módosítás másik munkahelyen"},
};

} // namespace

std::span<const AddedText> deskSharingTexts()
{
    return Texts;
}

} // namespace i18n
