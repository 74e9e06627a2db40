#pragma once

#include "i18n/TextSlots.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

class CardsToRewrite;

// The card journal as a read-only table, newest line first, with the names
// of the person each line was about where that is known
// (CardsToRewrite::namesFor()), else the number alone. A damaged line is a row of its
// own that says so and shows the line as stored. The filter keeps the lines
// of one person number, or of persons whose family or first name holds the
// text; a damaged line stays while it holds the text.
class JournalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Time,
        Role,
        Operation,
        Person,
        FamilyName,
        FirstName,
        Group,
        System,
        Duplicate,
        ReadBack,
        CardNumber,
        Desk, // the desk that wrote the line, where the journal is the site's
        Data,
    };

    JournalModel(const CardsToRewrite& cards, const TextSlots& texts, QObject* parent = nullptr);

    // After the journal was read again, or for another filter.
    void reset();
    void setFilter(const QString& text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool passes(int event) const;

    const CardsToRewrite& m_cards;
    const TextSlots& m_texts;
    QString m_filter;
    std::optional<qint64> m_number; // the filter read as a person number
    std::vector<int> m_rows;        // indexes into the journal's events, newest first
};
