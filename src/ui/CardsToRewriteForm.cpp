#include "ui/CardsToRewriteForm.h"

#include "ui/Look.h"

#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr QSize InitialSize(900, 560);

QTableView* listView(QWidget* parent, const char* name)
{
    QTableView* view = Look::recordList(parent, name);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

} // namespace

CardsToRewriteForm::CardsToRewriteForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CardsToRewriteForm"));
    resize(InitialSize);
    RewriteCount = new QLabel(this);
    RewriteCount->setObjectName(QStringLiteral("RewriteCount"));
    RewriteList = listView(this, "RewriteList");
    NoCardCount = new QLabel(this);
    NoCardCount->setObjectName(QStringLiteral("NoCardCount"));
    NoCardList = listView(this, "NoCardList");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RewriteCount);
    layout->addWidget(RewriteList, 3);
    layout->addWidget(NoCardCount);
    layout->addWidget(NoCardList, 1);

    for (QTableView* view : {RewriteList, NoCardList})
        connect(view, &QTableView::doubleClicked, this,
                [this, view](const QModelIndex& index) { emit personChosen(view->model(), index.row()); });
}

void CardsToRewriteForm::setModels(QAbstractItemModel* toRewrite, QAbstractItemModel* noCardYet)
{
    RewriteList->setModel(toRewrite);
    NoCardList->setModel(noCardYet);
}

void CardsToRewriteForm::setTitles(const QString& window, const QString& toRewrite, const QString& noCardYet)
{
    setWindowTitle(window);
    RewriteCount->setText(toRewrite);
    NoCardCount->setText(noCardYet);
}
