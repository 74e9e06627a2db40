#include "ui/ScreenShots.h"

#include "config/AppError.h"
#include "data/DemoTables.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "i18n/TextSlots.h"
#include "ui/ApplyLanguage.h"
#include "ui/DataSource.h"
#include "ui/MainWindowUi.h"
#include "ui/PrintForm.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr QSize LoginClientSize(400, 200);
// The working state's outer size (administrator) less a Windows tool-window
// frame: 4 pixels at each side and a 22-pixel small caption.
constexpr QSize WorkingClientSize(690 - 8, 600 - 30);

const char* const PageNames[] = {"page1-persons", "page2-groups", "page3-readers", "page4-settings"};
const char* const DialogNames[] = {"form2", "form3", "form4"};
// The persons page after a Find no card answered, and the Print dialog.
const char* const SilentFindName = "find-silent";
const char* const PrintName = "print";

// What the login does on the administrator's password, as far as looks go.
void enterWorkingState(MainWindowUi& ui, QMainWindow* form1)
{
    for (QWidget* w : std::initializer_list<QWidget*>{ui.Image1, ui.Edit5, ui.BitBtn1})
        w->hide();
    for (QMenu* m : {ui.Edycja1, ui.Port1, ui.Pomoc1})
        m->menuAction()->setVisible(true);
    ui.Bevel1->show();
    ui.Pager1->show();
    ui.Status->show();
    form1->setFixedSize(WorkingClientSize);
}

// Shows the window and lets it lay out and paint before it is grabbed.
QImage grabShown(QWidget* w)
{
    w->show();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    return w->grab().toImage();
}

} // namespace

QStringList WindowShotNames()
{
    QStringList names{QStringLiteral("login")};
    for (const char* n : PageNames)
        names << QString::fromLatin1(n);
    names << QString::fromLatin1(SilentFindName);
    for (const char* n : DialogNames)
        names << QString::fromLatin1(n);
    names << QString::fromLatin1(PrintName);
    return names;
}

QList<WindowShot> ShootWindows(const QString& languageName, const QPixmap& startPicture, QString* error)
{
    TextSlots textSlots;
    if (!SelectLanguageTable(languageName, textSlots)) {
        *error = QStringLiteral("no language table named \"%1\"").arg(languageName);
        return {};
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        *error = QStringLiteral("no temporary folder for the sample tables: %1").arg(dir.errorString());
        return {};
    }
    Table persons;
    Table readers;
    Table groups;
    try {
        TableLayouts::createAll(dir.path());
        demo::fill(dir.path());
        persons.open(QDir(dir.path()).filePath(TableLayouts::PersonsFile));
        readers.open(QDir(dir.path()).filePath(TableLayouts::ReadersFile));
        groups.open(QDir(dir.path()).filePath(TableLayouts::GroupsFile));
    } catch (const AppError& e) {
        *error = e.message();
        return {};
    }

    // The data sources outlive the controls bound to them.
    DataSource ds1(&persons);
    DataSource ds2(&readers);
    DataSource ds3(&groups);
    QMainWindow form1;
    MainWindowUi ui;
    ui.setupUi(&form1);
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
    ui.bind(&ds1, &ds2, &ds3);
    form4.bind(&ds1);
    ApplyLanguage(textSlots, QStringLiteral("1.13"), ui, &form1, &form2, &form3, &form4);

    QList<WindowShot> shots;
    // Keep the pointer off the windows so that no tab is drawn hot.
    QCursor::setPos(QPoint(2000, 2000));
    form1.move(100, 100);
    MainWindowUi::setClientSize(&form1, LoginClientSize.width(), LoginClientSize.height());
    ui.Image1->setPixmap(startPicture);
    ui.Edit5->setText(QStringLiteral("haslo"));
    shots.append({QStringLiteral("login"), grabShown(&form1), LoginClientSize});

    enterWorkingState(ui, &form1);
    for (int i = 0; i < int(std::size(PageNames)); ++i) {
        ui.Pager1->setCurrentIndex(i);
        shots.append({QString::fromLatin1(PageNames[i]), grabShown(&form1), WorkingClientSize});
    }
    ui.Pager1->setCurrentWidget(ui.Pager11);
    ui.LinkStatus->setText(textSlots[Text::NoCardAnswered]);
    shots.append({QString::fromLatin1(SilentFindName), grabShown(&form1), WorkingClientSize});
    form1.hide();

    form3.bar2->setValue(40);
    QWidget* const dialogs[] = {&form2, &form3, &form4};
    for (int i = 0; i < int(std::size(dialogs)); ++i) {
        shots.append({QString::fromLatin1(DialogNames[i]), grabShown(dialogs[i]), dialogs[i]->size()});
        dialogs[i]->hide();
    }

    PrintForm print;
    print.setTexts(textSlots[Text::PrintCaption], textSlots[Text::PrintPersons], textSlots[Text::PrintGroupSheet],
                   textSlots[Text::PrintToPrinter], textSlots[Text::PrintToPdf], textSlots[Text::PrintCancel]);
    QList<std::pair<qint64, QString>> groupNames;
    for (int row = 0; row < groups.rowCount(); ++row)
        groupNames.append({groups.valueAt(row, groups.fieldPosition(GroupField::Id)).toLongLong(),
                           groups.valueAt(row, groups.fieldPosition(GroupField::Name)).toString()});
    print.setGroups(groupNames);
    print.adjustSize();
    shots.append({QString::fromLatin1(PrintName), grabShown(&print), print.size()});
    return shots;
}
