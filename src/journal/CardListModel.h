#pragma once

#include "i18n/TextSlots.h"
#include "journal/CardsInField.h"

#include <QAbstractTableModel>

#include <vector>

class CardsToRewrite;

// One list of the cards-to-rewrite window as rows: the cards to rewrite
// (number, names, why, when last written, the card's number as printed), or
// the persons with no card yet (number and names). Read-only; reset() after
// the cards were compared again.
class CardListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, FamilyName, FirstName, Why, LastWritten, Hex, Decimal32, Decimal24, FacilityCard };

    CardListModel(const CardsToRewrite& cards, field::State listed, const TextSlots& texts, QObject* parent = nullptr);

    void reset();
    // The person number of a row.
    qint64 numberAt(int row) const;
    bool inTable(int row) const;
    // The reasons of a card, in the current language.
    static QString why(unsigned reasons, const TextSlots& texts);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const CardsToRewrite& m_cards;
    field::State m_listed;
    const TextSlots& m_texts;
    std::vector<int> m_rows; // indexes into m_cards.cards()
};
