// A table that opened damaged is told to the operator before login, and takes
// no change until then; one that opening mended after a crash is only told.

#include "app/Form1.h"
#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "KillPoints.h"
#include "TestFiles.h"

#include <memory>

class TestTableWarnings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    void damageIsShownBeforeLogin_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<quint32>("headerCount"); // with the records left as they are
        QTest::addColumn<int>("cut");             // bytes cut from the end of the file
        QTest::addColumn<QString>("found");
        QTest::newRow("persons count 2,147,483,647") << "osoby.dbf" << 2147483647u << 0 << "counts 2147483647 records";
        QTest::newRow("readers cut in a record") << "sprzet.dbf" << 2u << 10 << "counts 2 records but the file holds 1";
        QTest::newRow("intact") << "" << 0u << 0 << "";
    }

    void damageIsShownBeforeLogin()
    {
        QFETCH(QString, file);
        QFETCH(quint32, headerCount);
        QFETCH(int, cut);
        QFETCH(QString, found);
        QTemporaryDir dir;
        TableLayouts::createAll(dir.path());
        QVERIFY(QDir::setCurrent(dir.path()));
        writeFile(QStringLiteral("config.ini"), "[Language]\r\nLanguage=English\r\n");
        for (const QString& name : {TableLayouts::PersonsFile, TableLayouts::ReadersFile}) {
            Table t;
            t.open(name);
            for (int n = 1; n <= 2; ++n) {
                t.insert();
                t.setInteger(name == TableLayouts::PersonsFile ? "NUMBER" : "ID_CZYT", n);
                t.post();
            }
        }
        if (!file.isEmpty()) {
            QByteArray bytes = readFile(file);
            bytes.chop(cut);
            for (int i = 0; i < 4; ++i)
                bytes[4 + i] = char(headerCount >> (8 * i));
            writeFile(file, bytes);
        }
        const QByteArray before = readFile(TableLayouts::PersonsFile) + readFile(TableLayouts::ReadersFile);
        MessageBox::takeShown();

        auto form1 = std::make_unique<TForm1>();
        Table* damaged =
            file == TableLayouts::ReadersFile ? form1->findChild<Table*>("Table2") : form1->findChild<Table*>("Table1");
        if (!file.isEmpty()) {
            // Before the texts are applied the table refuses every change.
            QVERIFY(!damaged->warningsAcknowledged());
            QVERIFY_THROWS_EXCEPTION(AppError, damaged->insert());
        }
        QTRY_VERIFY(!form1->findChild<QTimer*>("Timer2")->isActive());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(readFile(TableLayouts::PersonsFile) + readFile(TableLayouts::ReadersFile), before);
        if (file.isEmpty()) {
            QVERIFY(shown.isEmpty());
            return;
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("Damaged table"));
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("The table %1 was found damaged").arg(file)),
                 qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(found), qPrintable(shown[0].text));
        QVERIFY(shown[0].text.contains(QStringLiteral("\"pellaro-tables check %1\"").arg(file)));
        QVERIFY(!form1->inWorkingState());
        // Shown once; now the operator may change the table.
        QVERIFY(damaged->warningsAcknowledged());
        form1->Timer2Timer();
        QVERIFY(MessageBox::takeShown().isEmpty());
        damaged->first();
        damaged->edit();
        damaged->post();
    }

    void repairIsToldOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("crashAt"); // the last such step of a second append, or of an edit
        QTest::addColumn<QString>("told");
        QTest::newRow("persons append the count never covered")
            << "osoby.dbf"
            << "write osoby.dbf"
            << "The table osoby.dbf held data after its last counted record";
        QTest::newRow("readers edit cut short") << "sprzet.dbf"
                                                << "remove sprzet.jnl"
                                                << "The table sprzet.dbf was opened after a change to it had been "
                                                   "cut short (the program or the computer stopped";
    }

    void repairIsToldOnce()
    {
        QFETCH(QString, file);
        QFETCH(QString, crashAt);
        QFETCH(QString, told);
        QTemporaryDir dir;
        TableLayouts::createAll(dir.path());
        QVERIFY(QDir::setCurrent(dir.path()));
        writeFile(QStringLiteral("config.ini"), "[Language]\r\nLanguage=English\r\n");
        const QString numberField = file == TableLayouts::PersonsFile ? "NUMBER" : "ID_CZYT";
        const auto change = [&](bool append) {
            Table t;
            t.open(file);
            append ? t.insert() : t.edit();
            t.setInteger(numberField, append ? 2 : 7);
            t.post();
        };
        change(true);
        const QByteArray table = readFile(file);
        const bool append = crashAt.startsWith(u"write");
        const QStringList steps = killpoints::run([&] { change(append); }).steps;
        writeFile(file, table);
        QVERIFY(killpoints::run([&] { change(append); }, int(steps.lastIndexOf(crashAt)) + 1).crashed);
        MessageBox::takeShown();

        auto form1 = std::make_unique<TForm1>();
        Table* mended = file == TableLayouts::ReadersFile ? form1->findChild<Table*>("Table2") : form1->findChild<Table*>("Table1");
        QVERIFY(mended->warningsAcknowledged()); // told, not blocked
        QTRY_VERIFY(!form1->findChild<QTimer*>("Timer2")->isActive());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("Table repaired"));
        QVERIFY2(shown[0].text.startsWith(told), qPrintable(shown[0].text));
        QVERIFY(!append ||
                shown[0].text.contains(QRegularExpression("moved to the file osoby\\.dbf\\..+\\.uncounted")));
        QCOMPARE(readFile(file), table);
        form1->Timer2Timer();
        QVERIFY(MessageBox::takeShown().isEmpty());
    }
};

QTEST_MAIN(TestTableWarnings)
#include "test_table_warnings.moc"
