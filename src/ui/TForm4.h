#pragma once

#include "cards/CardNumber.h"

#include <QDialog>

class DataSource;
class DbText;
class QLabel;
class QPushButton;

// The Card information dialog Form4: the persons table's current record,
// which it follows while open, the duplicate number of the card read (Label1,
// written by the Find evaluation) and below them the card's number in the
// forms installers print it.
class TForm4 : public QDialog
{
    Q_OBJECT

public:
    // Outer size of the window as designed; its client area is this less
    // the frame.
    static constexpr int DesignOuterWidth = 341;
    static constexpr int DesignOuterHeight = 286;
    // The rows of the card's printed number make it this much taller.
    static constexpr int CardNumberRowsHeight = 96;

    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    // ds1: the persons table's data source (DataSource1 of the main window).
    void bind(DataSource* ds1);

    void Button1Click();
    // The card read, as printed (written by the Find evaluation).
    void setCardNumber(const cards::PrintedNumber& number);

    // Left column of captions, top to bottom.
    QLabel* label10 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;
    // Values: NAME, SURNAME, GROUP, INDEX, the card's duplicate number, NUMBER.
    DbText* DBText5 = nullptr;
    DbText* DBText4 = nullptr;
    DbText* DBText3 = nullptr;
    DbText* DBText2 = nullptr;
    QLabel* Label1 = nullptr;
    DbText* DBText1 = nullptr;
    // The card's number: captions and values, top to bottom.
    QLabel* CardHexCaption = nullptr;
    QLabel* CardDecimal32Caption = nullptr;
    QLabel* CardDecimal24Caption = nullptr;
    QLabel* FacilityCardCaption = nullptr;
    QLabel* CardHex = nullptr;
    QLabel* CardDecimal32 = nullptr;
    QLabel* CardDecimal24 = nullptr;
    QLabel* FacilityCard = nullptr;
    QPushButton* Button1 = nullptr;
};
