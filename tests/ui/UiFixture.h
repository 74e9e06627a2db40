#pragma once

#include "WorkingDirectory.h"

#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/DataSource.h"
#include "ui/MainWindowUi.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// The main window and the three dialogs as the program creates them, without
// tables.
struct UiFixture
{
    UiFixture()
    {
        form1 = std::make_unique<QMainWindow>();
        ui.setupUi(form1.get());
        form2 = std::make_unique<TForm2>();
        form3 = std::make_unique<TForm3>();
        form4 = std::make_unique<TForm4>();
    }

    // Shows the working-state controls the way the login does, so the pager
    // lays out its pages.
    void showWorkingState()
    {
        ui.Image1->hide();
        ui.Edit5->hide();
        ui.BitBtn1->hide();
        ui.Pager1->show();
        ui.Status->show();
        form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(form1.get()));
    }

    MainWindowUi ui;
    std::unique_ptr<QMainWindow> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
};

// The three tables, made empty in a temporary folder, or with
// PELLARO_TEST_STORE=postgresql in a fresh database of the test server (one
// per test process, so parallel runs keep apart); fill() runs on each opened
// table before the controls are bound.
struct TableFixture
{
    TableFixture()
    {
        if (onServer() && !teststore::freshDatabase())
            QTest::qFail("the test server gives no fresh database", __FILE__, __LINE__);
        else if (!onServer())
            TableLayouts::createAll(dir.path());
        open(persons, TableLayouts::PersonsFile);
        open(readers, TableLayouts::ReadersFile);
        open(groups, TableLayouts::GroupsFile);
    }

    static bool onServer() { return teststore::onServer(); }

    // Opens the stored table of that file name as the next program start would.
    void open(Table& table, const QString& file) const { teststore::open(table, QDir(dir.path()).filePath(file)); }
    // The file name of one of the three.
    QString fileOf(const Table& table) const
    {
        return &table == &persons  ? TableLayouts::PersonsFile
               : &table == &groups ? TableLayouts::GroupsFile
                                   : TableLayouts::ReadersFile;
    }
    void reopen(Table& table) const
    {
        table.close();
        open(table, fileOf(table));
    }

    void bind(UiFixture& f)
    {
        ds1 = std::make_unique<DataSource>(&persons);
        ds2 = std::make_unique<DataSource>(&readers);
        ds3 = std::make_unique<DataSource>(&groups);
        f.ui.bind(ds1.get(), ds2.get(), ds3.get());
        f.form4->bind(ds1.get());
    }

    QTemporaryDir dir;
    Table persons;
    Table readers;
    Table groups;
    std::unique_ptr<DataSource> ds1;
    std::unique_ptr<DataSource> ds2;
    std::unique_ptr<DataSource> ds3;
};
