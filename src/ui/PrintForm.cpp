#include "ui/PrintForm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

template <class T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

PrintForm::PrintForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintForm"));
    setWindowModality(Qt::WindowModal);
    PrintPersons = named(new QRadioButton(this), "PrintPersons");
    PrintGroup = named(new QRadioButton(this), "PrintGroup");
    PrintGroupName = named(new QComboBox(this), "PrintGroupName");
    PrintToPrinter = named(new QPushButton(this), "PrintToPrinter");
    PrintToPdf = named(new QPushButton(this), "PrintToPdf");
    PrintCancel = named(new QPushButton(this), "PrintCancel");
    PrintPersons->setChecked(true);
    PrintGroupName->setEnabled(false);
    connect(PrintGroup, &QRadioButton::toggled, PrintGroupName, &QWidget::setEnabled);
    connect(PrintCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(PrintPersons, 0, 0, 1, 2);
    grid->addWidget(PrintGroup, 1, 0);
    grid->addWidget(PrintGroupName, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {PrintToPrinter, PrintToPdf, PrintCancel})
        buttons->addWidget(b);
    grid->addLayout(buttons, 2, 0, 1, 2);
}

void PrintForm::setTexts(const QString& caption, const QString& persons, const QString& group, const QString& printer,
                         const QString& pdf, const QString& cancel)
{
    setWindowTitle(caption);
    PrintPersons->setText(persons);
    PrintGroup->setText(group);
    PrintToPrinter->setText(printer);
    PrintToPdf->setText(pdf);
    PrintCancel->setText(cancel);
}

void PrintForm::setGroups(const QList<std::pair<qint64, QString>>& groups)
{
    // The group picked before stays picked: by its number and name, or by
    // its number alone where it was renamed.
    const std::pair<qint64, QString> picked{pickedGroup().value_or(-1), PrintGroupName->currentText()};
    PrintGroupName->clear();
    for (const auto& [number, name] : groups)
        PrintGroupName->addItem(name, number);
    const qsizetype same = groups.indexOf(picked);
    PrintGroupName->setCurrentIndex(same >= 0 ? int(same) : std::max(0, PrintGroupName->findData(picked.first)));
    PrintGroup->setEnabled(!groups.isEmpty());
    if (groups.isEmpty())
        PrintPersons->setChecked(true);
}

std::optional<qint64> PrintForm::pickedGroup() const
{
    if (PrintGroupName->currentIndex() < 0)
        return std::nullopt;
    return PrintGroupName->currentData().toLongLong();
}
