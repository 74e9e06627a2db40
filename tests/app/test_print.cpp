// Edit > Print through the real main window and the Print dialog's widgets,
// checked on the PDF it writes with an independent reader (poppler's pdfinfo
// and pdftotext): the page count, the page headers and the names.

#include "app/Form1.h"
#include "app/PrintMenu.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/MessageBox.h"
#include "ui/PrintForm.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

// What an independent reader of a PDF file prints, or why it could not; the
// file goes in on its standard input.
QString poppler(const QString& program, const QStringList& args, QString* problem, const QString& pdf)
{
    QProcess p;
    const QString reader = QStringLiteral(POPPLER_FOLDER "/") + program;
    if (POPPLER_APART) {
        // Under Wine the reader is the build machine's own program, started
        // apart: no pipe reaches it and nobody waits for it. It gets its files
        // by their paths there (winepath) and renames its output into place.
        const auto there = [](const QString& path) {
            QProcess w;
            w.start(QStringLiteral("winepath"), {"-u", QDir::toNativeSeparators(path)});
            w.waitForFinished();
            return QString::fromUtf8(w.readAllStandardOutput()).trimmed();
        };
        const QString out = pdf + ".txt";
        QFile::remove(out);
        p.start(QStringLiteral(POPPLER_FOLDER "/sh"),
                {"-c", QStringLiteral("'%1' %2 <'%3' >'%4.part' 2>&1; echo \"exit $?\" >>'%4.part'; mv '%4.part' '%4'")
                           .arg(there(reader), args.join(u' '), there(pdf), there(out))});
        QDeadlineTimer deadline(30000);
        while (!QFile::exists(out) && !deadline.hasExpired())
            QTest::qWait(50);
        const QString text = QString::fromUtf8(readFile(out));
        if (!text.endsWith(QStringLiteral("exit 0\n")))
            *problem = QStringLiteral("%1 failed: %2").arg(program, text);
        return text.left(text.lastIndexOf(QStringLiteral("exit ")));
    }
    p.start(reader, args);
    p.write(readFile(pdf));
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        *problem = QStringLiteral("%1 failed: %2 %3").arg(program, p.errorString(), p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(QStringLiteral(POPPLER_FOLDER "/pdftotext")))
            QSKIP("pdftotext is not installed (scripts/test installs poppler-utils)");
        MessageBox::setRecording(true);
    }

    void init()
    {
        QVERIFY(renewWorkingDirectory(m_dir, "[PASSWORD]\r\nsys_nr=123456\r\n[Language]\r\nLanguage=English\r\n"));
    }

    void cleanup() { m_dir.reset(); }

    void printsToPdf_data()
    {
        QTest::addColumn<int>("persons");
        QTest::addColumn<TForm1::Role>("role");
        QTest::addColumn<QString>("group"); // the access sheet of this group; the persons list when empty
        QTest::addColumn<QString>("systemNumber");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<bool>("manyPages");
        const auto admin = TForm1::Role::Administrator;
        QTest::newRow("persons list") << 3 << admin << QString() << "123456"
                                      << QStringList{"Persons list", "Żółkiewski 1", "Łukasz 3"} << false;
        QTest::newRow("a long list runs over pages")
            << 150 << admin << QString() << "123456" << QStringList{"Żółkiewski 150"} << true;
        QTest::newRow("the user role does not see the system number")
            << 3 << TForm1::Role::User << QString() << "********" << QStringList{"Persons list"} << false;
        QTest::newRow("access sheet") << 3 << admin << "Magazyn"
                                      << "123456"
                                      << QStringList{"Access of the group Magazyn", "Brama wjazdowa", "No assignment!"}
                                      << false;
        QTest::newRow("a group without doors") << 3 << admin << "Goście"
                                               << "123456" << QStringList{"The group opens no reader."} << false;
    }
    void printsToPdf()
    {
        QFETCH(int, persons);
        QFETCH(TForm1::Role, role);
        QFETCH(QString, group);
        QFETCH(QString, systemNumber);
        QFETCH(QStringList, found);
        QFETCH(bool, manyPages);
        {
            Table t;
            teststore::open(t, TableLayouts::PersonsFile);
            for (int n = 1; n <= persons; ++n)
                addRecord(t, {"NUMBER", "SURNAME", "NAME", "GROUP"},
                          {QString::number(n), QStringLiteral("Łukasz %1").arg(n),
                           QStringLiteral("Żółkiewski %1").arg(n), "Magazyn"});
            Table readers;
            teststore::open(readers, TableLayouts::ReadersFile);
            addRecord(readers, {"ID_CZYT", "NAME"}, {"5", "Brama wjazdowa"});
            Table groups;
            teststore::open(groups, TableLayouts::GroupsFile);
            for (const char* name : {"Goście", "Magazyn"}) {
                groups.insert();
                groups.setText("NAME", QString::fromUtf8(name));
                // Magazyn opens reader 5 and reader 9, which has no record.
                groups.setLogical("P5", QByteArray(name) == "Magazyn");
                groups.setLogical("P9", QByteArray(name) == "Magazyn");
                groups.post();
            }
        }
        Program p(role);
        auto* menu = p.form1->findChild<PrintMenu*>();
        QVERIFY(menu);
        menu->setToday([] { return QDate(2024, 3, 5); });
        menu->setFileChooser([this](const QString&, const QString& filter) {
            return filter == QStringLiteral("PDF files (*.pdf)") ? m_dir->filePath("list") : QString();
        });
        QAction* print = p.find<QAction>("Print1");
        QCOMPARE(print->text(), QStringLiteral("Print…"));
        print->trigger();
        auto* form = p.form1->findChild<PrintForm*>("PrintForm");
        QVERIFY(form && form->isVisible());
        if (!group.isEmpty()) {
            form->findChild<QRadioButton*>("PrintGroup")->click();
            form->findChild<QComboBox*>("PrintGroupName")->setCurrentText(group);
        }
        form->findChild<QPushButton*>("PrintToPdf")->click();
        QVERIFY(!form->isVisible());

        const QString path = m_dir->filePath("list.pdf"); // the extension is added
        QString problem;
        const QString info = poppler(QStringLiteral("pdfinfo"), {"-"}, &problem, path);
        const QString text = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), "-", "-"}, &problem, path);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const int pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(
            shown[0].text,
            QStringLiteral("The PDF file %1 was written (pages: %2).").arg(QDir::toNativeSeparators(path)).arg(pages));
        QCOMPARE(pages > 1, manyPages);
        // Every page has its header: the system number, the date, its number of all.
        for (int page = 1; page <= pages; ++page) {
            const QString header = text.section(u'\f', page - 1, page - 1).simplified();
            QVERIFY2(header.startsWith(QStringLiteral("Pellaro System number %1 2024-03-05").arg(systemNumber)),
                     qPrintable(header));
            QVERIFY(header.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)));
        }
        QCOMPARE(text.contains("123456"), systemNumber == "123456");
        for (const QString& words : found)
            QVERIFY2(text.contains(words), qPrintable(words + " in:\n" + text));
        // The persons list holds every person, once.
        if (group.isEmpty())
            for (int n = 1; n <= persons; ++n)
                QCOMPARE(text.count(QRegularExpression(QStringLiteral("Żółkiewski %1\\b").arg(n))), 1);
    }

    // The sheet is the picked group's even when the groups changed behind the
    // open dialog; a group gone is refused, never replaced by another.
    void printsTheGroupPicked_data()
    {
        QTest::addColumn<QString>("picked"); // Goście is deleted meanwhile
        QTest::addColumn<QString>("shown");  // in the PDF, or the error
        QTest::newRow("another group deleted") << "Magazyn"
                                               << "Access of the group Magazyn";
        QTest::newRow("the group picked deleted")
            << "Goście"
            << "The group \"Goście\" is no longer in the table. Nothing was printed: choose the group again.";
    }
    void printsTheGroupPicked()
    {
        QFETCH(QString, picked);
        QFETCH(QString, shown);
        {
            Table groups;
            teststore::open(groups, TableLayouts::GroupsFile);
            addRecord(groups, {"ID_GRUPY", "NAME"}, {"1", "Goście"});
            addRecord(groups, {"ID_GRUPY", "NAME"}, {"2", "Magazyn"});
        }
        Program p(TForm1::Role::Administrator);
        const QString path = m_dir->filePath("sheet.pdf");
        p.find<PrintMenu>("PrintMenu")->setFileChooser([&](const QString&, const QString&) { return path; });
        p.find<QAction>("Print1")->trigger();
        auto* form = p.form1->findChild<PrintForm*>("PrintForm");
        form->PrintGroup->click();
        form->PrintGroupName->setCurrentText(picked);
        QVERIFY(p.table("Table3").locate("NAME", "Goście", Qt::CaseSensitive));
        p.table("Table3").remove();
        form->PrintToPdf->click();
        QString problem;
        const QString text = poppler(QStringLiteral("pdftotext"), {"-", "-"}, &problem, path);
        QVERIFY2(problem.isEmpty() ? text.contains(shown) : MessageBox::takeShown().value(0).text == shown,
                 qPrintable(problem + text));
    }

    // Printer…: the printer picked gets the pages (here one that writes a
    // file); with none the operator hears so. "?": this computer's printers.
    void printsToAPrinter_data()
    {
        QTest::addColumn<QStringList>("printers");
        QTest::addColumn<bool>("picked"); // in the printer dialog, else cancelled
        QTest::newRow("picked") << QStringList{"Office"} << true;
        QTest::newRow("cancelled") << QStringList{"Office"} << false;
        QTest::newRow("no printer") << QStringList{} << true;
        QTest::newRow("this computer's") << QStringList{"?"} << true;
    }
    void printsToAPrinter()
    {
        QFETCH(QStringList, printers);
        QFETCH(bool, picked);
        Program p(TForm1::Role::Administrator);
        auto* menu = p.find<PrintMenu>("PrintMenu");
        if (printers == QStringList{"?"})
            printers = QPrinterInfo::availablePrinterNames();
        else
            menu->setPrinterList([printers] { return printers; });
        qInfo() << "printers:" << printers;
        const QString path = m_dir->filePath("printer.pdf");
        menu->setPrinterChooser([&](QPrinter& printer, const QString&) {
            printer.setOutputFileName(path);
            return picked;
        });
        p.find<QAction>("Print1")->trigger();
        p.form1->findChild<PrintForm*>("PrintForm")->PrintToPrinter->click();
        QString problem;
        QCOMPARE(poppler(QStringLiteral("pdftotext"), {"-", "-"}, &problem, path).contains("Persons list"),
                 !printers.isEmpty() && picked);
        const QString shown = shownTexts().value(0);
        QVERIFY2(shown.startsWith("This computer has no printer installed. Nothing was printed.") == printers.isEmpty(),
                 qPrintable(shown));
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
