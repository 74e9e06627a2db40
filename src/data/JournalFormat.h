#pragma once

#include <QString>

// The card journal cards.log as the program writes it and every reader of it
// (the journal window, the cards-to-rewrite list, pellaro-tables) reads it.
// Code page 1250, fields separated by tabs, lines ending in CR LF, the first
// line the column names. Journals written before the read-back and the
// printed card number end after the data column; their lines still count.
namespace journal {

inline const QString FileName = QStringLiteral("cards.log");

enum Column {
    Time,          // local time, yyyy-MM-dd HH:mm:ss
    Role,          // administrator or user (the login)
    Operation,     // Program, Remove permissions, Configuration card, or Find (outcome)
    Person,        // the card's person number (0 on a configuration card)
    System,        // the system code in the card's identifier
    Duplicate,     // the card's duplicate index
    Group,         // the person's group; the reader's name on a configuration card
    Data,          // blocks 3..6 as 32 hex digits; empty for Find
    Verified,      // what the read-back after a write found; empty for Find
    CardHex,       // the identifier as printed: 10 hex digits
    CardDecimal32, // the low 32 bits, 10 decimal digits
    CardDecimal24, // the low 24 bits, 8 decimal digits
    FacilityCard,  // facility,card
};
inline constexpr int OldColumnCount = Data + 1;
inline constexpr int ColumnCount = FacilityCard + 1;

inline const QString OldHeader = QStringLiteral("time\trole\toperation\tperson\tsystem\tduplicate\tgroup\tdata");
inline const QString Header =
    OldHeader + QStringLiteral("\tverified\tcard hex\tcard decimal\tcard 24 bits\tfacility,card");
// How the column names line begins, in both layouts.
inline const QString HeaderStart = QStringLiteral("time\t");

// The operations that write a card.
inline const QString ProgramOperation = QStringLiteral("Program");
inline const QString RemoveOperation = QStringLiteral("Remove permissions");
inline const QString ConfigOperation = QStringLiteral("Configuration card");

// What reading the card back after its write found.
enum class Verification {
    None,        // no card written (Find), or a line from before the read-back
    Verified,    // the card answered with the person, system code and duplicate written
    NotVerified, // another card or no answer: what the card carries is not known
    NotReadBack, // the read-back is turned off in config.ini
};

inline QString verificationWord(Verification v)
{
    switch (v) {
    case Verification::Verified:
        return QStringLiteral("verified");
    case Verification::NotVerified:
        return QStringLiteral("not verified");
    case Verification::NotReadBack:
        return QStringLiteral("not read back");
    case Verification::None:
        break;
    }
    return {};
}

inline Verification verificationOf(QStringView word)
{
    for (Verification v : {Verification::Verified, Verification::NotVerified, Verification::NotReadBack}) {
        if (word == verificationWord(v))
            return v;
    }
    return Verification::None;
}

} // namespace journal
