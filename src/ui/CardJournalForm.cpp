#include "ui/CardJournalForm.h"

#include "ui/Look.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr QSize InitialSize(1000, 600);

} // namespace

CardJournalForm::CardJournalForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CardJournalForm"));
    resize(InitialSize);
    FilterCaption = new QLabel(this);
    FilterCaption->setObjectName(QStringLiteral("FilterCaption"));
    JournalFilter = new QLineEdit(this);
    JournalFilter->setObjectName(QStringLiteral("JournalFilter"));
    JournalFilter->setClearButtonEnabled(true);
    JournalList = Look::recordList(this, "JournalList");

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(FilterCaption);
    filterRow->addWidget(JournalFilter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(JournalList);
}

void CardJournalForm::setModel(QAbstractItemModel* journal)
{
    JournalList->setModel(journal);
}

void CardJournalForm::setTitles(const QString& window, const QString& filterCaption)
{
    setWindowTitle(window);
    FilterCaption->setText(filterCaption);
}
