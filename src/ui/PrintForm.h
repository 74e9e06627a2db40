#pragma once

#include <QDialog>

#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Edit > Print: what to print (the persons list, or the access sheet of the
// group picked in PrintGroupName) and where to (a printer, or a PDF file).
// The controls carry their names as objectName; the Print menu connects
// the buttons.
class PrintForm : public QDialog
{
    Q_OBJECT

public:
    explicit PrintForm(QWidget* parent = nullptr);

    // The captions in the current language: the window, the two choices and
    // the three buttons.
    void setTexts(const QString& caption, const QString& persons, const QString& group, const QString& printer,
                  const QString& pdf, const QString& cancel);
    // The groups to choose from, in the table's order, each by its number
    // and name; without any, only the persons list can be printed.
    void setGroups(const QList<std::pair<qint64, QString>>& groups);
    // The number of the group picked, or nothing when none is.
    std::optional<qint64> pickedGroup() const;

    QRadioButton* PrintPersons = nullptr;
    QRadioButton* PrintGroup = nullptr;
    QComboBox* PrintGroupName = nullptr;
    QPushButton* PrintToPrinter = nullptr;
    QPushButton* PrintToPdf = nullptr;
    QPushButton* PrintCancel = nullptr;
};
