#include "app/Form1.h"
#include "config/AppError.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"
#include "ui/MessageBox.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellaro"));

    // The main window opens the tables; without them there is nothing to do.
    std::unique_ptr<TForm1> form1;
    try {
        form1 = std::make_unique<TForm1>();
    } catch (const AppError& e) {
        MessageBox::show(e.message(), QStringLiteral("Error"));
        return 1;
    }
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
    form1->setDialogs(&form2, &form3, &form4);
    form1->show();
    return app.exec();
}
