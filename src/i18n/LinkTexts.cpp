#include "i18n/AddedTexts.h"

namespace i18n {

namespace {

// Polish, English, Czech, Hungarian. Follows the port's open error when the
// system refused this account the device: %1 the device, %2 the account, %3
// the udev rule example. Debian gives serial devices to the group dialout.
constexpr AddedText Texts[] = {
    {Text::PortPermission,
     "Konto \"%2\" nie może otworzyć %1. Administrator dodaje je do grupy dialout (sudo adduser %2 dialout), po "
     "czym trzeba wylogować się i zalogować ponownie. Albo: reguła udev %3 (opis w README.Debian obok niej) daje "
     "programator osobie zalogowanej przy tym komputerze.",
     "The account \"%2\" may not open %1. An administrator adds it to the group dialout (sudo adduser %2 dialout); "
     "then log out and in again. Or: the udev rule %3 (see README.Debian beside it) gives the programmer to whoever "
     "is logged in at this computer.",
     "Účet \"%2\" nesmí otevřít %1. Správce jej přidá do skupiny dialout (sudo adduser %2 dialout); pak se "
     "odhlaste a znovu přihlaste. Nebo: pravidlo udev %3 (viz README.Debian vedle něj) dá programátor tomu, kdo je "
     "u tohoto počítače přihlášen.",
     "A(z) \"%2\" fiók nem nyithatja meg ezt: %1. A rendszergazda felveszi a dialout csoportba (sudo adduser %2 "
     "dialout); ezután jelentkezzen ki, majd be újra. Vagy: a(z) %3 udev-szabály (leírás a mellette levő "
     "README.Debian fájlban) annak adja a programozót, aki ennél a számítógépnél be van jelentkezve."},
};

static_assert(Texts[0].slot == Text::FirstLinkText && std::size(Texts) <= 10);

} // namespace

std::span<const AddedText> linkTexts()
{
    return Texts;
}

} // namespace i18n
