#include "ui/ProgramListForm.h"

#include "ui/Look.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr QSize InitialSize(820, 560);

template <typename W> W* named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

ProgramListForm::ProgramListForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProgramListForm"));
    resize(InitialSize);
    ProgramListGroupLabel = named<QLabel>(this, "ProgramListGroupLabel");
    ProgramListGroup = named<QComboBox>(this, "ProgramListGroup");
    ProgramListAddGroup = named<QPushButton>(this, "ProgramListAddGroup");
    ProgramListAddShown = named<QPushButton>(this, "ProgramListAddShown");
    ProgramListAddRewrite = named<QPushButton>(this, "ProgramListAddRewrite");
    ProgramListClear = named<QPushButton>(this, "ProgramListClear");
    ProgramListView = Look::recordList(this, "ProgramListView");
    ProgramListView->setSelectionMode(QAbstractItemView::NoSelection);
    ProgramListProgress = named<QProgressBar>(this, "ProgramListProgress");
    ProgramListState = named<QLabel>(this, "ProgramListState");
    ProgramListStart = named<QPushButton>(this, "ProgramListStart");
    ProgramListPause = named<QPushButton>(this, "ProgramListPause");
    ProgramListSkip = named<QPushButton>(this, "ProgramListSkip");
    ProgramListStop = named<QPushButton>(this, "ProgramListStop");
    ProgramListHandover = named<QPushButton>(this, "ProgramListHandover");
    // Enter in the window must never start writing cards.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    auto* fill = new QHBoxLayout;
    fill->addWidget(ProgramListGroupLabel);
    fill->addWidget(ProgramListGroup, 1);
    fill->addWidget(ProgramListAddGroup);
    fill->addWidget(ProgramListAddShown);
    fill->addWidget(ProgramListAddRewrite);
    fill->addWidget(ProgramListClear);
    auto* run = new QHBoxLayout;
    for (QPushButton* b : {ProgramListStart, ProgramListPause, ProgramListSkip, ProgramListStop})
        run->addWidget(b);
    run->addStretch(1);
    run->addWidget(ProgramListHandover);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fill);
    layout->addWidget(ProgramListView, 1);
    layout->addWidget(ProgramListProgress);
    layout->addWidget(ProgramListState);
    layout->addLayout(run);
}

void ProgramListForm::setModel(QAbstractItemModel* queue)
{
    ProgramListView->setModel(queue);
    ProgramListView->horizontalHeader()->setStretchLastSection(true);
}

void ProgramListForm::reject()
{
    if (m_mayClose && !m_mayClose())
        return;
    QDialog::reject();
}
