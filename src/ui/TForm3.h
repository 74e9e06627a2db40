#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// The Transmit dialog Form3, shown while a card is written or read; the
// card operations move its gauge.
class TForm3 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    QProgressBar* bar2 = nullptr;
    QLabel* Label1 = nullptr;
};
