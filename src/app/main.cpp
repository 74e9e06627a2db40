#include "app/Form1.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellaro"));
    // Lets a Wayland desktop match the window to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pellaro.Pellaro"));

    // The main window opens the tables; without them there is nothing to do.
    std::unique_ptr<TForm1> form1;
    if (!MessageBox::guarded([&form1] { form1 = std::make_unique<TForm1>(); }))
        return 1;
    auto form2 = std::make_unique<TForm2>();
    auto form3 = std::make_unique<TForm3>();
    auto form4 = std::make_unique<TForm4>();
    form1->setDialogs(form2.get(), form3.get(), form4.get());
    form1->show();
    const int result = app.exec();
    // The main window goes first: until then it can reach the dialogs, and
    // the Card information dialog shows its persons table.
    form1.reset();
    return result;
}
