#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The About dialog Form2: the maker's lines, the credits line and the
// software version, with a Close button that only hides it.
class TForm2 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    void Button1Click();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
};
