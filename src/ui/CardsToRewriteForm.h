#pragma once

#include <QDialog>

class QAbstractItemModel;
class QLabel;
class QTableView;

// The window of Edit > Cards to rewrite: the cards whose access is no longer
// what the tables grant, and apart from them the persons with no card yet. A
// double-click on a person asks for that person on the persons page.
class CardsToRewriteForm : public QDialog
{
    Q_OBJECT

public:
    explicit CardsToRewriteForm(QWidget* parent = nullptr);

    void setModels(QAbstractItemModel* toRewrite, QAbstractItemModel* noCardYet);
    // The counts above the two lists, in the current language.
    void setTitles(const QString& window, const QString& toRewrite, const QString& noCardYet);

    QLabel* RewriteCount = nullptr;
    QTableView* RewriteList = nullptr;
    QLabel* NoCardCount = nullptr;
    QTableView* NoCardList = nullptr;

signals:
    // A row of either list was double-clicked: the model and its row.
    void personChosen(QAbstractItemModel* model, int row);
};
