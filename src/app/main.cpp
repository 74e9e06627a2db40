#include "app/Form1.h"
#include "platform/SharedFolder.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char Help[] =
    "Usage: pellaro [--help] [--version]\n"
    "\n"
    "Pellaro keeps the persons, groups and readers of a proximity-card access\n"
    "control installation and writes their cards through a card programmer on a\n"
    "serial port.\n"
    "\n"
    "It works in the current directory, which holds config.ini and the tables\n"
    "osoby.dbf, grupa.dbf and sprzet.dbf; pellaro-start makes one and starts the\n"
    "program there. A new config.ini speaks the desktop's language.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "F1 opens the manual. See also pellaro(1), pellaro-start(1), pellaro-tables(1)\n"
    "and programmer-sim(1).\n";

} // namespace

int main(int argc, char* argv[])
{
    // Answered before the window system is asked for: they work without a desktop.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("pellaro %s\n", PELLARO_VERSION);
            return 0;
        }
    }
    // A working folder shared by a group keeps its files writable by it.
    shared::keepGroupAccess(QDir::currentPath());
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
