#pragma once

#include <QDialog>

class DataSource;
class DbText;
class QLabel;
class QPushButton;

// The Card information dialog Form4: the persons table's current record,
// which it follows while open, and the duplicate number of the card read
// (Label1, written by the Find evaluation).
class TForm4 : public QDialog
{
    Q_OBJECT

public:
    // Outer size of the window as designed; its client area is this less
    // the frame.
    static constexpr int DesignOuterWidth = 341;
    static constexpr int DesignOuterHeight = 286;

    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    // ds1: the persons table's data source (DataSource1 of the main window).
    void bind(DataSource* ds1);

    void Button1Click();

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
    QPushButton* Button1 = nullptr;
};
