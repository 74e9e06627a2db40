#include "config/Cp1250.h"
#include "i18n/LanguageTables.h"

#include <QTest>

using namespace i18n;

class TestLanguageTables : public QObject
{
    Q_OBJECT

private slots:
    void names();
    void table_data();
    void table();
    void sharedSlots();
    void texts_data();
    void texts();
    void unknownNames_data();
    void unknownNames();
    void copyIntoSlots();
};

void TestLanguageTables::names()
{
    QCOMPARE(languageNames(), (QStringList{"Polski", "English", QString::fromUtf8("český"), "Magyar"}));
}

void TestLanguageTables::table_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : languageNames())
        QTest::newRow(qPrintable(name)) << name;
}

// Every text must survive the trip to config.ini and the tables in code page
// 1250; an unused slot must stay empty and every used one must say something.
void TestLanguageTables::table()
{
    QFETCH(QString, name);
    const LanguageTable* table = findLanguageTable(name);
    QVERIFY(table);
    const LanguageTable* english = findLanguageTable(u"English");
    QVERIFY(english);
    // A table fills exactly the slots English fills: a missing entry in any
    // language (or an added text given in English only) fails here.
    for (int slot = 0; slot < LanguageTableSize; ++slot) {
        const QString& text = (*table)[slot];
        if ((*english)[slot].isEmpty()) {
            QVERIFY2(text.isEmpty(), qPrintable(QStringLiteral("slot %1 has no English text").arg(slot)));
            continue;
        }
        QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("slot %1 is empty").arg(slot)));
        QVERIFY2(cp1250::representable(text), qPrintable(QStringLiteral("slot %1: %2").arg(slot).arg(text)));
    }
    for (int slot = 0; slot < OriginalTableSize; ++slot)
        QCOMPARE((*english)[slot].isEmpty(), slot == 70 || slot == 74);
    QVERIFY(cp1250::representable(creditsLine()));
    QVERIFY(!creditsLine().isEmpty());
}

void TestLanguageTables::sharedSlots()
{
    const LanguageTable* english = findLanguageTable(u"English");
    QVERIFY(english);
    QCOMPARE((*english)[69], QStringLiteral("Pellaro"));
    for (const QString& name : languageNames()) {
        const LanguageTable* table = findLanguageTable(name);
        QVERIFY(table);
        for (int slot : {64, 65, 66, 69})
            QCOMPARE((*table)[slot], (*english)[slot]);
    }
}

void TestLanguageTables::texts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("text");
    QTest::newRow("en 83 double blank") << "English" << 83 << "Read/write  card";
    QTest::newRow("en 84 misspelt") << "English" << 84 << "Transsmision";
    QTest::newRow("en 45 misspelt") << "English" << 45 << "Connfirm";
    QTest::newRow("en 86 dots") << "English" << 86 << "Surename.......................................";
    QTest::newRow("en 89 dots") << "English" << 89 << "Number of duplicates...............";
    QTest::newRow("en 52 lower case") << "English" << 52 << "comments";
    QTest::newRow("en 16") << "English" << 16 << "Filtr";
    QTest::newRow("en 58") << "English" << 58 << "Number in the range of 1..1 000 000";
    QTest::newRow("en 78") << "English" << 78 << "No card or configuration card from another system.";
    QTest::newRow("en 103") << "English" << 103 << "Reader";
    QTest::newRow("pl 83 double blank") << "Polski" << 83 << "Odczyt/Zapis  karty";
    QTest::newRow("pl 67 misspelt") << "Polski" << 67 << "Zamnij";
    QTest::newRow("pl 27 no ogonek") << "Polski" << 27 << "Brak dostepu";
    QTest::newRow("pl 89 no diacritics") << "Polski" << 89 << "Ilosc duplikatow...................";
    QTest::newRow("pl 102 mixed") << "Polski" << 102 << QString::fromUtf8("Haslo użytkownika - zapisane");
    QTest::newRow("pl 6") << "Polski" << 6 << QString::fromUtf8("Ilość wydanych duplikatów");
    QTest::newRow("cs 2") << QString::fromUtf8("český") << 2 << QString::fromUtf8("čtenáři");
    QTest::newRow("cs 8 group word") << QString::fromUtf8("český") << 8 << "Skupina";
    QTest::newRow("cs 103 reader word") << QString::fromUtf8("český") << 103 << "reader";
    QTest::newRow("cs 78") << QString::fromUtf8("český") << 78
                           << QString::fromUtf8("Žádná karta nebo je karta z jiné konfiguraci systému.");
    QTest::newRow("hu 8 group word") << "Magyar" << 8 << "Csoport";
    QTest::newRow("hu 103 reader word") << "Magyar" << 103 << QString::fromUtf8("Olvasó");
    QTest::newRow("hu 71") << "Magyar" << 71 << QString::fromUtf8("Ellenőrizze a kapcsolatot");
    QTest::newRow("hu 80") << "Magyar" << 80 << QString::fromUtf8("Több tartomány");
}

void TestLanguageTables::texts()
{
    QFETCH(QString, language);
    QFETCH(int, slot);
    QFETCH(QString, text);
    const LanguageTable* table = findLanguageTable(language);
    QVERIFY(table);
    QCOMPARE((*table)[slot], text);
}

void TestLanguageTables::unknownNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lower case") << "english";
    QTest::newRow("upper case") << "ENGLISH";
    QTest::newRow("trailing blank") << "English ";
    QTest::newRow("Czech capitalised") << QString::fromUtf8("Český");
    QTest::newRow("Czech without diacritics") << "cesky";
    QTest::newRow("empty") << "";
}

void TestLanguageTables::unknownNames()
{
    QFETCH(QString, name);
    QVERIFY(!findLanguageTable(name));
}

// An unknown name leaves the slots as they were; a known one fills 0..103 and
// nothing above.
void TestLanguageTables::copyIntoSlots()
{
    TextSlots textSlots;
    textSlots.fill(QStringLiteral("before"));
    QVERIFY(!copyLanguageTable(u"english", &textSlots));
    for (const QString& text : textSlots)
        QCOMPARE(text, QStringLiteral("before"));

    QVERIFY(copyLanguageTable(u"Magyar", &textSlots));
    const LanguageTable* hungarian = findLanguageTable(u"Magyar");
    for (int slot = 0; slot < TextSlotCount; ++slot)
        QCOMPARE(textSlots[slot], slot < LanguageTableSize ? (*hungarian)[slot] : QStringLiteral("before"));
}

QTEST_GUILESS_MAIN(TestLanguageTables)
#include "tst_languagetables.moc"
