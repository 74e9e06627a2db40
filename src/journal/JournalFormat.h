#pragma once

#include "data/Csv.h"

#include <QString>

// The card journal cards.log as the program writes it and every reader of it
// (the journal window, the cards-to-rewrite list, pellaro-tables) reads it.
// Code page 1250, fields separated by tabs, lines ending in CR LF, the first
// line the column names. Journals written before the read-back and the
// printed card number end after the data column; their lines still count
// where the first line is the older column names (OldHeader), as the program
// goes on appending whole lines to such a journal. Under the current names,
// or none, a line that ends after the data column was cut short.
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

// What a Find read: it reads only the identifier, so its line has no data.
inline const QString FindUser = QStringLiteral("Find (user)");
inline const QString FindNoUser = QStringLiteral("Find (no user in database)");
inline const QString FindConfig = QStringLiteral("Find (configuration card)");
inline const QString FindForeignConfig = QStringLiteral("Find (configuration card from another system)");
inline const QString FindForeignUser = QStringLiteral("Find (user card from another system)");

// A name as it goes into a column, and as the tool prints it in its own
// tab-separated lines: a tab or line break inside would shift the columns,
// and a spreadsheet opening the file must not run it as a formula.
inline QString cell(QString text)
{
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return csv::guarded(text);
}

// A column's text as cell() was given it.
inline QString cellText(const QString& column)
{
    return csv::unguarded(column);
}

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
