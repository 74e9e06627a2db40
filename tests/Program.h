#pragma once

#include "WorkingDirectory.h"

#include "app/Form1.h"
#include "data/Table.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

// The windows of one program run on the tables of the working directory,
// created in the program's order: the main window, then the About, Transmit
// and Card information dialogs. They go in the program's order too, the main
// window first.
struct Program
{
    std::unique_ptr<TForm1> form1 = std::make_unique<TForm1>();
    std::unique_ptr<TForm2> form2 = std::make_unique<TForm2>();
    std::unique_ptr<TForm3> form3 = std::make_unique<TForm3>();
    std::unique_ptr<TForm4> form4 = std::make_unique<TForm4>();

    Program() { form1->setDialogs(form2.get(), form3.get(), form4.get()); }
    // A run logged in, the language applied.
    explicit Program(TForm1::Role role) : Program()
    {
        applyLanguage();
        form1->EnterWorkingState(role);
    }
    ~Program() { form1.reset(); }

    MainWindowUi& ui() { return form1->ui(); }
    // A child of the main window by its name ("Table2", "Timer2", "Button6").
    template <class T> T* find(const char* name) const
    {
        T* child = form1->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no %s named %s", T::staticMetaObject.className(), name);
        return child;
    }
    Table& table(const char* name) const { return *find<Table>(name); }
    void click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }
    void click(const char* name) { click(find<QWidget>(name)); }
    // Lets the 10 ms language tick run.
    void applyLanguage() { QTRY_VERIFY(!find<QTimer>("Timer2")->isActive()); }
    void login(const char* password)
    {
        QTest::keyClicks(ui().Edit5, QLatin1String(password));
        QTest::keyClick(ui().Edit5, Qt::Key_Return);
    }
    // Closing the window is the program's end: every table is closed.
    void end()
    {
        QVERIFY(form1->close());
        form1.reset();
    }
};

// Stores one record, its fields given as text (numbers too).
inline void addRecord(Table& t, const QStringList& fields, const QStringList& values)
{
    t.insert();
    for (qsizetype n = 0; n < fields.size(); ++n)
        t.setText(fields[n], values[n]);
    t.post();
}

// One field of every stored record, read as another program would after the end.
inline QStringList storedColumn(const QString& file, const QString& field)
{
    Table t;
    teststore::open(t, file);
    QStringList values;
    for (t.first(); !t.atEnd(); t.next())
        values << t.asText(field);
    return values;
}

// The texts of the message boxes shown since the last look.
inline QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown& s : MessageBox::takeShown())
        texts << s.text;
    return texts;
}
