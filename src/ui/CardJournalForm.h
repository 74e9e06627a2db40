#pragma once

#include <QDialog>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QTableView;

// The window of Edit > Card journal: cards.log as a read-only table, newest
// line first, with a filter box for a person number or name.
class CardJournalForm : public QDialog
{
    Q_OBJECT

public:
    explicit CardJournalForm(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* journal);
    void setTitles(const QString& window, const QString& filterCaption);

    QLabel* FilterCaption = nullptr;
    QLineEdit* JournalFilter = nullptr;
    QTableView* JournalList = nullptr;
};
