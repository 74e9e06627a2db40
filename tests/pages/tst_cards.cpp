#include "PageRig.h"

#include "TestFiles.h"
#include "serial/FileModes.h"

#include "app/CardControls.h"
#include "audit/TableWatch.h"
#include "cards/CardFrame.h"
#include "cards/CardNumber.h"
#include "config/AppError.h"
#include "config/Cp1250.h"
#include "config/FileSync.h"
#include "pages/PersonCards.h"
#include "pages/ReaderCards.h"
#include "ui/DbText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <cerrno>
#include <cstring>

// The card operations of the persons and readers pages on real tables in a
// temporary folder, with a recording port and a clock that only the link's
// pauses move: what goes on the card, what the operator sees, what is stored.
namespace {

constexpr int System = PageRig::System;

struct Rig : PageRig
{
    PersonCards persons{state, link, tables.persons, tables.groups, journal};
    ReaderCards readers{state, link, tables.readers, journal};

    Rig()
    {
        journal.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); });
        link.setCardReadHandler(
            [this](const cards::CardIdentity& c) { cardcontrols::cardRead(persons, ui.ui, ui.form4.get(), c); });
        tables.bind(ui);
        link.ConnectProgrammer();
        port.writes.clear();
        MessageBox::takeShown();
    }

    // Program and the configuration card as the window hands them the operator's choices.
    void program() { cardcontrols::program(persons, ui.ui); }
    void configCard() { cardcontrols::writeConfigCard(readers, ui.ui); }

    void addPerson(qint64 number, const QString& group, qint64 index, const QString& info = QString())
    {
        Table& p = tables.persons;
        p.insert();
        p.setInteger(QStringLiteral("NUMBER"), number);
        p.setText(QStringLiteral("SURNAME"), QStringLiteral("Anna"));
        p.setText(QStringLiteral("NAME"), QStringLiteral("Nowak %1").arg(number));
        p.setText(QStringLiteral("GROUP"), group);
        p.setInteger(QStringLiteral("INDEX"), index);
        p.setText(QStringLiteral("INFO"), info);
        p.post();
    }
    void addReader(qint64 number, qint64 time, bool prox = false, bool emulacja = false)
    {
        Table& r = tables.readers;
        r.insert();
        r.setInteger(QStringLiteral("ID_CZYT"), number);
        r.setText(QStringLiteral("NAME"), QStringLiteral("Reader %1").arg(number));
        r.setInteger(QStringLiteral("TIME"), time);
        r.setLogical(QStringLiteral("PROX"), prox);
        r.setLogical(QStringLiteral("EMULACJA"), emulacja);
        r.post();
    }

    // The card as the seven frames wrote it: identifier and blocks 3..6.
    bool cardSent(cards::CardIdentity* id, QByteArray* data) const
    {
        const QList<QByteArray> sent = port.sent();
        if (sent.size() != 7)
            return false;
        const auto decoded = cards::DecodeCardFrame(sent[0].mid(8, 4) + sent[1].mid(8, 4));
        if (!decoded)
            return false;
        *id = cards::unpackIdentifier(*decoded);
        data->clear();
        for (int b = 2; b < 6; ++b)
            data->append(sent[b].mid(8, 4));
        return true;
    }

    // The persons file as the next program start would read it.
    QVariantList storedPerson(qint64 number)
    {
        Table& p = tables.persons;
        tables.reopen(p);
        if (!p.locate(QStringLiteral("NUMBER"), number))
            return {};
        return {p.asInteger(QStringLiteral("INDEX")), p.asText(QStringLiteral("INFO"))};
    }

    QList<QStringList> journalLines() const
    {
        QList<QStringList> lines;
        const QByteArray bytes = readFile(journal.path());
        for (const QByteArray& line : bytes.split('\n')) {
            if (!line.isEmpty())
                lines << cp1250::decode(line.chopped(line.endsWith('\r') ? 1 : 0)).split(u'\t');
        }
        return lines;
    }

    // A Find over the link: the reply lands between the second and the third tick.
    void find(const QByteArray& reply)
    {
        link.Button2Click();
        link.Timer1Timer();
        link.Timer1Timer();
        link.rsAfterReceive(reply);
        link.Timer1Timer();
    }
};

QByteArray noAccess()
{
    return QByteArray::fromHex("000000A5000000A5000000A5000000A5");
}

} // namespace

class TestCards : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void init() { MessageBox::takeShown(); }

    void program_data()
    {
        QTest::addColumn<QList<int>>("readers");
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<int>("cardIndex");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("messages");

        const QByteArray p1 = QByteArray::fromHex("80000025000000A5000000A5000000A5");
        QTest::newRow("reader 1") << QList<int>{1} << "Staff" << 0 << false << 0 << p1 << QStringList();
        QTest::newRow("reader 96") << QList<int>{96} << "Staff" << 4 << false << 4
                                   << QByteArray::fromHex("000000A5000000A5000000A5000001A4") << QStringList();
        QTest::newRow("readers 9 and 17") << QList<int>{9, 17} << "Staff" << 0 << false << 0
                                          << QByteArray::fromHex("008080A5000000A5000000A5000000A5") << QStringList();
        QTest::newRow("readers 1 and 96") << QList<int>{1, 96} << "Staff" << 0 << false << 0
                                          << QByteArray::fromHex("80000025000000A5000000A5000001A4") << QStringList();
        QTest::newRow("first duplicate") << QList<int>{1} << "Staff" << 0 << true << 1 << p1 << QStringList();
        QTest::newRow("duplicate 15 stays") << QList<int>{1} << "Staff" << 15 << true << 15 << p1
                                            << QStringList{QStringLiteral("Index 16! |Over range")};
        // A card that opens no door is written once the operator says so.
        const auto noDoor = [](const char* group) {
            return QStringList{QStringLiteral("300 Anna Nowak 300 is in no group that opens a door (group: \"%1\"). "
                                              "The card would open no door. Write it anyway?|Program")
                                   .arg(QLatin1String(group))};
        };
        QTest::newRow("no group marker") << QList<int>{1} << "Lack of assignment!" << 0 << false << 0 << noAccess()
                                         << noDoor("Lack of assignment!");
        QTest::newRow("group that does not exist")
            << QList<int>{1} << "Night shift" << 0 << false << 0 << noAccess() << noDoor("Night shift");
        QTest::newRow("group name differs in case")
            << QList<int>{1} << "staff" << 0 << false << 0 << noAccess() << noDoor("staff");
    }
    void program()
    {
        QFETCH(QList<int>, readers);
        QFETCH(QString, group);
        QFETCH(int, index);
        QFETCH(bool, duplicate);
        QFETCH(int, cardIndex);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, messages);

        Rig r;
        r.addGroup(QStringLiteral("Staff"), readers);
        // The group current before Program opens every door: it must not leak.
        r.addGroup(QStringLiteral("Everyone"), [] {
            QList<int> all;
            for (int n = 1; n <= 96; ++n)
                all << n;
            return all;
        }());
        r.addPerson(300, group, index, QStringLiteral("keeps the note"));
        r.addPerson(301, QStringLiteral("Staff"), 0);
        r.tables.persons.first();
        r.tables.groups.locate(QStringLiteral("NAME"), QStringLiteral("Everyone"), Qt::CaseSensitive);
        r.ui.ui.CBox2->setChecked(duplicate);

        MessageBox::setNextAnswer(0);
        r.program();
        MessageBox::setNextAnswer(-1);

        cards::CardIdentity id;
        QByteArray sent;
        QVERIFY(r.cardSent(&id, &sent));
        QCOMPARE(id.personNumber, 300);
        QCOMPARE(id.systemCode, System);
        QCOMPARE(id.duplicateIndex, cardIndex);
        QCOMPARE(sent.toHex(), data.toHex());
        QCOMPARE(shownMessages(), messages);
        // The next person is current, ready for the next card; the box marked
        // this one card only.
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), 301);
        QVERIFY(!r.ui.ui.CBox2->isChecked());
        const QStringList journalLine{QStringLiteral("2024-03-05 14:07:09"),
                                      QStringLiteral("user"),
                                      QStringLiteral("Program"),
                                      QStringLiteral("300"),
                                      QString::number(System),
                                      QString::number(cardIndex),
                                      group,
                                      QString::fromLatin1(data.toHex().toUpper()),
                                      QStringLiteral("not read back")};
        QCOMPARE(r.journalLines().value(0), CardJournal::Header.split(u'\t'));
        QCOMPARE(r.journalLines().value(1).mid(0, journalLine.size()), journalLine);
        QCOMPARE(r.journalLines().size(), 2);
        QCOMPARE(r.storedPerson(300), (QVariantList{qint64(cardIndex), QStringLiteral("keeps the note")}));
    }

    void programRefusesCardsThatWouldLie_data()
    {
        QTest::addColumn<int>("linkOpen");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<qint64>("index");
        QTest::addColumn<int>("system");
        QTest::addColumn<QStringList>("messages");
        const QString notWritten = QStringLiteral("|Card not written");
        QTest::newRow("link closed") << 0 << qint64(5) << qint64(0) << System
                                     << QStringList{QStringLiteral("Check connection|No connectivity")};
        QTest::newRow("person number 0") << 1 << qint64(0) << qint64(0) << System
                                         << QStringList{"No person is selected: a card with person number 0 would be "
                                                        "read as a configuration card. Nothing was sent." +
                                                        notWritten};
        QTest::newRow("person number 65536")
            << 1 << qint64(65536) << qint64(0) << System
            << QStringList{QStringLiteral("Person number 65536 does not fit on a card (1..65535). Nothing was sent.") +
                           notWritten};
        QTest::newRow("negative person number")
            << 1 << qint64(-4) << qint64(0) << System
            << QStringList{QStringLiteral("Person number -4 does not fit on a card (1..65535). Nothing was sent.") +
                           notWritten};
        QTest::newRow("stored INDEX 16") << 1 << qint64(5) << qint64(16) << System
                                         << QStringList{QStringLiteral("The stored number of duplicates (16) does "
                                                                       "not fit on a card (0..15). Nothing was sent.") +
                                                        notWritten};
        QTest::newRow("system number 0")
            << 1 << qint64(5) << qint64(0) << 0
            << QStringList{QStringLiteral("The system number 0 is outside 1..1 000 000. Nothing was sent.") +
                           notWritten};
        QTest::newRow("system number 1000001")
            << 1 << qint64(5) << qint64(0) << 1000001
            << QStringList{QStringLiteral("The system number 1000001 is outside 1..1 000 000. Nothing was sent.") +
                           notWritten};
    }
    void programRefusesCardsThatWouldLie()
    {
        QFETCH(int, linkOpen);
        QFETCH(qint64, number);
        QFETCH(qint64, index);
        QFETCH(int, system);
        QFETCH(QStringList, messages);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {1});
        r.addPerson(number, QStringLiteral("Staff"), index);
        r.addPerson(7, QStringLiteral("Staff"), 0);
        r.tables.persons.first();
        r.ui.ui.CBox2->setChecked(true);
        r.state.SystemNumber = system;
        if (!linkOpen)
            r.link.CloseLink();

        r.program();

        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(!r.view.calls.contains(QStringLiteral("show")));
        QCOMPARE(shownMessages(), messages);
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), number);
        QVERIFY(!QFile::exists(r.journal.path()));
        QCOMPARE(r.storedPerson(number).value(0), QVariant(index));
    }

    void removePermissions_data()
    {
        QTest::addColumn<bool>("emptyTable");
        QTest::addColumn<int>("linkOpen");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("person") << false << 1 << true << QStringList();
        QTest::newRow("link closed") << false << 0 << false
                                     << QStringList{QStringLiteral("Communication error|No connectivity")};
        QTest::newRow("empty persons table")
            << true << 1 << false
            << QStringList{QStringLiteral("No person is selected: a card with person number 0 would be read as a "
                                          "configuration card. Nothing was sent.|Card not written")};
    }
    void removePermissions()
    {
        QFETCH(bool, emptyTable);
        QFETCH(int, linkOpen);
        QFETCH(bool, sent);
        QFETCH(QStringList, messages);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {1, 2, 3});
        if (!emptyTable) {
            r.addPerson(41, QStringLiteral("Staff"), 3, QStringLiteral("note"));
            r.addPerson(42, QStringLiteral("Staff"), 0);
            r.tables.persons.first();
        }
        r.ui.ui.CBox2->setChecked(true); // has no say in a withdrawal
        if (!linkOpen)
            r.link.CloseLink();

        r.persons.Button3Click();

        QCOMPARE(shownMessages(), messages);
        cards::CardIdentity id;
        QByteArray data;
        QCOMPARE(r.cardSent(&id, &data), sent);
        if (!sent) {
            QVERIFY(r.port.writes.isEmpty());
            QVERIFY(!QFile::exists(r.journal.path()));
            return;
        }
        QCOMPARE(id.personNumber, 41);
        QCOMPARE(id.systemCode, System);
        QCOMPARE(id.duplicateIndex, 3);
        QCOMPARE(data, noAccess());
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), 41);
        QCOMPARE(r.journalLines().value(1).mid(2, 6),
                 (QStringList{QStringLiteral("Remove permissions"), QStringLiteral("41"), QString::number(System),
                              QStringLiteral("3"), QStringLiteral("Staff"),
                              QStringLiteral("000000A5000000A5000000A5000000A5")}));
        QCOMPARE(r.storedPerson(41), (QVariantList{qint64(3), QStringLiteral("note")}));
    }

    // The adapter is pulled after the second block: the rest of the card never
    // reaches the programmer, so nothing may be stored or logged as written.
    void lostLinkStoresNothing_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("Program") << "Program";
        QTest::newRow("Remove permissions") << "Remove permissions";
        QTest::newRow("Configuration card") << "Configuration card";
    }
    void lostLinkStoresNothing()
    {
        QFETCH(QString, operation);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {1});
        r.addPerson(8, QStringLiteral("Staff"), 2, QStringLiteral("note"));
        r.addPerson(9, QStringLiteral("Staff"), 0);
        r.tables.persons.first();
        r.addReader(25, 3);
        r.ui.ui.CBox2->setChecked(true);
        r.clock.duringPause = [&r] {
            if (r.clock.pauses.size() == 2)
                r.port.close();
        };

        if (operation == QLatin1String("Program"))
            r.program();
        else if (operation == QLatin1String("Remove permissions"))
            r.persons.Button3Click();
        else
            r.configCard();

        QCOMPARE(r.port.writes.size(), 2);
        QCOMPARE(shownMessages(), QStringList{QStringLiteral("The connection to the programmer was lost during the "
                                                             "write. The card is not written and nothing was "
                                                             "stored.|Card not written")});
        // The transmit dialog is gone and its gauge back at 0.
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QCOMPARE(r.view.gaugeValue, 0);
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), 8);
        QVERIFY(!QFile::exists(r.journal.path()));
        QCOMPARE(r.storedPerson(8), (QVariantList{qint64(2), QStringLiteral("note")}));
    }

    void find_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<qint64>("current");
        QTest::addColumn<QString>("duplicateRow"); // empty: Form4 not shown
        QTest::addColumn<QString>("journalOperation");
        QTest::addColumn<QString>("search"); // a search on NAME before the read; empty: none
        QTest::addColumn<bool>("searchAfter");
        const QString result = QStringLiteral("|Search result");
        // 01 2C E2 40 12: person 300, system 0x1E240 = 123456, duplicate 2.
        QTest::newRow("holder found") << QByteArray::fromHex("012CE24012") << QStringList() << qint64(300)
                                      << QStringLiteral("2") << QStringLiteral("Find (user)") << QString() << false;
        QTest::newRow("longer reply") << QByteArray::fromHex("012CE2401277") << QStringList() << qint64(300)
                                      << QStringLiteral("2") << QStringLiteral("Find (user)") << QString() << false;
        QTest::newRow("no such person") << QByteArray::fromHex("03E7E24010")
                                        << QStringList{QStringLiteral("No user in database!") + result} << qint64(1)
                                        << QString() << QStringLiteral("Find (no user in database)") << QString()
                                        << false;
        QTest::newRow("configuration card")
            << QByteArray::fromHex("0000E24010") << QStringList{QStringLiteral("Configuration card") + result}
            << qint64(1) << QString() << QStringLiteral("Find (configuration card)") << QString() << false;
        QTest::newRow("all zero") << QByteArray::fromHex("0000000000")
                                  << QStringList{QStringLiteral("No card or configuration card from another system.") +
                                                 result}
                                  << qint64(1) << QString()
                                  << QStringLiteral("Find (configuration card from another system)") << QString()
                                  << false;
        QTest::newRow("user card of another system")
            << QByteArray::fromHex("012CE24022")
            << QStringList{QStringLiteral("No card or user card from another system.") + result} << qint64(1)
            << QString() << QStringLiteral("Find (user card from another system)") << QString() << false;
        QTest::newRow("four bytes") << QByteArray::fromHex("012CE240") << QStringList() << qint64(1) << QString()
                                    << QString() << QString() << false;
        QTest::newRow("holder hidden by the search")
            << QByteArray::fromHex("012CE24012") << QStringList() << qint64(300) << QStringLiteral("2")
            << QStringLiteral("Find (user)") << QStringLiteral("Nowak 1") << false;
        QTest::newRow("nobody, search kept")
            << QByteArray::fromHex("03E7E24010") << QStringList{QStringLiteral("No user in database!") + result}
            << qint64(1) << QString() << QStringLiteral("Find (no user in database)") << QStringLiteral("Nowak 1")
            << true;
        QTest::newRow("no answer") << QByteArray() << QStringList() << qint64(1) << QString() << QString() << QString()
                                   << false;
    }
    void find()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, messages);
        QFETCH(qint64, current);
        QFETCH(QString, duplicateRow);
        QFETCH(QString, journalOperation);
        QFETCH(QString, search);
        QFETCH(bool, searchAfter);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {1});
        r.addPerson(1, QStringLiteral("Staff"), 0);
        r.addPerson(300, QStringLiteral("Staff"), 2);
        if (!search.isEmpty()) {
            r.ui.ui.CheckBox2->setChecked(true);
            r.tables.persons.setPrefixFilter(QStringLiteral("NAME"), search);
            r.tables.persons.setFilterActive(true);
        }
        r.tables.persons.first();

        r.find(reply);

        QCOMPARE(r.tables.persons.filterActive(), searchAfter);
        QCOMPARE(r.ui.ui.CheckBox2->isChecked(), searchAfter);

        QCOMPARE(shownMessages(), messages);
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), current);
        QCOMPARE(r.ui.form4->isVisible(), !duplicateRow.isEmpty());
        QCOMPARE(r.ui.form4->Label1->text(), duplicateRow.isEmpty() ? QStringLiteral("0") : duplicateRow);
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QCOMPARE(r.journalLines().value(1).value(2), journalOperation);
        if (!duplicateRow.isEmpty()) {
            QVERIFY(!r.ui.form4->isModal());
            QCOMPARE(r.ui.form4->DBText1->text(), QStringLiteral("300"));
        }
    }

    void laterFindUpdatesTheOpenDialog()
    {
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {1});
        r.addPerson(1, QStringLiteral("Staff"), 0);
        r.addPerson(300, QStringLiteral("Staff"), 2);
        r.find(QByteArray::fromHex("012CE24012"));
        QCOMPARE(r.ui.form4->Label1->text(), QStringLiteral("2"));
        r.find(QByteArray::fromHex("0001E24010"));
        QVERIFY(r.ui.form4->isVisible());
        QCOMPARE(r.ui.form4->Label1->text(), QStringLiteral("0"));
        QCOMPARE(r.ui.form4->DBText1->text(), QStringLiteral("1"));
    }

    void configurationCard_data()
    {
        QTest::addColumn<qint64>("reader");
        QTest::addColumn<qint64>("time");
        QTest::addColumn<bool>("options"); // PROX, EMULACJA and "Reset reader memory"
        QTest::addColumn<int>("radio");
        QTest::addColumn<QString>("oldCode");
        QTest::addColumn<int>("readerCode"); // 0: nothing sent
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("messages");
        const QString notWritten = QStringLiteral("|Card not written");
        const QByteArray block3 = QByteArray::fromHex("E2401017");
        const QByteArray block6 = QByteArray::fromHex("00000000");
        auto card = [&](const char* block4, const char* block5) {
            return block3 + QByteArray::fromHex(block4) + QByteArray::fromHex(block5) + block6;
        };
        QTest::newRow("reader 1, current code")
            << qint64(1) << qint64(2) << false << 1 << "" << System << card("03018027", "020000A7") << QStringList();
        QTest::newRow("reader 8") << qint64(8) << qint64(2) << false << 1 << "" << System
                                  << card("030101A6", "020000A7") << QStringList();
        QTest::newRow("reader 25") << qint64(25) << qint64(2) << false << 1 << "" << System
                                   << card("04018020", "020000A7") << QStringList();
        QTest::newRow("reader 96, all options")
            << qint64(96) << qint64(5) << true << 1 << "" << System << card("060301A1", "050700A7") << QStringList();
        QTest::newRow("factory new") << qint64(49) << qint64(2) << false << 3 << "" << 1 << card("05018021", "020000A7")
                                     << QStringList();
        QTest::newRow("changed code") << qint64(73) << qint64(255) << false << 2 << "777" << 777
                                      << card("06018022", "FF00005A") << QStringList();
        QTest::newRow("changed code, empty") << qint64(1) << qint64(2) << false << 2 << "" << 0 << QByteArray()
                                             << QStringList{QStringLiteral("Nieprawidłowe hasło systemowe.|Error")};
        QTest::newRow("changed code out of range")
            << qint64(1) << qint64(2) << false << 2 << "1000001" << 0 << QByteArray()
            << QStringList{QStringLiteral("The old code 1000001 is outside 1..1 000 000. Nothing was sent.") +
                           notWritten};
        QTest::newRow("reader 97") << qint64(97) << qint64(2) << false << 1 << "" << 0 << QByteArray()
                                   << QStringList{QStringLiteral("Reader number 97 is outside 1..96. Nothing was "
                                                                 "sent.") +
                                                  notWritten};
        QTest::newRow("no reader") << qint64(-1) << qint64(0) << false << 1 << "" << 0 << QByteArray()
                                   << QStringList{QStringLiteral("Reader number 0 is outside 1..96. Nothing was "
                                                                 "sent.") +
                                                  notWritten};
        QTest::newRow("relay time 1") << qint64(3) << qint64(1) << false << 1 << "" << System
                                      << card("03012087", "010000A4") << QStringList();
        for (int time : {0, 256})
            QTest::addRow("relay time %d", time)
                << qint64(3) << qint64(time) << false << 1 << "" << 0 << QByteArray()
                << QStringList{
                       QStringLiteral("The stored relay time %1 s is outside 1..255 s. Nothing was sent.").arg(time) +
                       notWritten};
    }
    void configurationCard()
    {
        QFETCH(qint64, reader);
        QFETCH(qint64, time);
        QFETCH(bool, options);
        QFETCH(int, radio);
        QFETCH(QString, oldCode);
        QFETCH(int, readerCode);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, messages);
        if (TableFixture::onServer() && reader >= 0 && (reader > 96 || time < 1 || time > 255))
            QSKIP("the database's checks refuse such a reader before any card is written");
        Rig r;
        if (reader >= 0)
            r.addReader(reader, time, options, options);
        r.tables.readers.first();
        r.ui.ui.CheckBox1->setChecked(options);
        (radio == 1   ? r.ui.ui.RadioButton1
         : radio == 2 ? r.ui.ui.RadioButton2
                      : r.ui.ui.RadioButton3)
            ->setChecked(true);
        r.ui.ui.Edit2->setText(oldCode);

        r.configCard();

        QCOMPARE(shownMessages(), messages);
        cards::CardIdentity id;
        QByteArray sent;
        QCOMPARE(r.cardSent(&id, &sent), readerCode != 0);
        // The options stay as they were for the next reader.
        QCOMPARE(r.ui.ui.CheckBox1->isChecked(), options);
        if (readerCode == 0) {
            QVERIFY(r.port.writes.isEmpty());
            QVERIFY(!QFile::exists(r.journal.path()));
            return;
        }
        QCOMPARE(id.personNumber, 0);
        QCOMPARE(id.duplicateIndex, 0);
        QCOMPARE(id.systemCode, readerCode);
        QCOMPARE(sent.toHex(), data.toHex());
        QCOMPARE(r.journalLines().value(1).mid(2, 6),
                 (QStringList{QStringLiteral("Configuration card"), QStringLiteral("0"), QString::number(readerCode),
                              QStringLiteral("0"), QStringLiteral("Reader %1").arg(reader),
                              QString::fromLatin1(data.toHex().toUpper())}));
    }

    void oldCodeThatIsNoNumberIsAnError()
    {
        Rig r;
        r.addReader(1, 2);
        r.ui.ui.RadioButton2->setChecked(true);
        r.ui.ui.Edit2->setText(QStringLiteral("12a"));
        try {
            r.configCard();
            QFAIL("no error raised");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("'12a' is not a valid integer value"));
        }
        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(r.view.calls.isEmpty());
    }

    void oldCodeShowsOnlyForChangedCode_data()
    {
        QTest::addColumn<int>("radio");
        QTest::addColumn<bool>("shown");
        QTest::newRow("factory new") << 3 << false;
        QTest::newRow("current code") << 1 << false;
        QTest::newRow("changed code") << 2 << true;
    }
    void oldCodeShowsOnlyForChangedCode()
    {
        QFETCH(int, radio);
        QFETCH(bool, shown);
        Rig r;
        r.ui.ui.RadioButton2->setChecked(true); // start from the box shown
        cardcontrols::showOldCode(r.ui.ui);
        (radio == 1 ? r.ui.ui.RadioButton1 : radio == 2 ? r.ui.ui.RadioButton2 : r.ui.ui.RadioButton3)->setChecked(true);
        cardcontrols::showOldCode(r.ui.ui);
        QCOMPARE(!r.ui.ui.Edit2->isHidden(), shown);
        QCOMPARE(!r.ui.ui.Label17->isHidden(), shown);
    }

    // The journal line is on disk before the operation goes on to store the
    // person's new INDEX and move on; a journal that passed the check but
    // then fails (the disk filled meanwhile) is shown and the card stands.
    void journalComesFirstAndNeverBlocks_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("journal written") << true;
        QTest::newRow("disk full at the append") << false;
    }
    void journalComesFirstAndNeverBlocks()
    {
        QFETCH(bool, writable);
        Rig r;
        r.addGroup(QStringLiteral("Łódź"), {2});
        r.addPerson(12, QStringLiteral("Łódź"), 0);
        r.addPerson(13, QStringLiteral("Łódź"), 0);
        r.tables.persons.first();
        r.ui.ui.CBox2->setChecked(true);
        const filesync::Hook before = filesync::setHook([&](const filesync::Step& step) {
            if (writable || !step.path.endsWith(CardJournal::FileName))
                return 0;
            errno = ENOSPC;
            return -1;
        });
        QStringList atSync;
        r.journal.setSyncHook([&r, &atSync] {
            atSync << QString::number(r.tables.persons.asInteger(QStringLiteral("NUMBER")))
                   << QString::number(r.tables.persons.asInteger(QStringLiteral("INDEX")));
        });

        r.program();
        filesync::setHook(before);

        QCOMPARE(r.port.sent().size(), 7);
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), 13);
        QCOMPARE(r.storedPerson(12).value(0), QVariant(qint64(1)));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        if (writable) {
            QCOMPARE(atSync, (QStringList{QStringLiteral("12"), QStringLiteral("0")}));
            QVERIFY(shown.isEmpty());
            // Code page 1250 like the tables: Ł is A3, ó F3, ź 9F.
            QVERIFY(readFile(r.journal.path()).contains("\tProgram\t12\t123456\t1\t\xA3\xF3\x64\x9F\t"));
        } else {
            QVERIFY(atSync.isEmpty());
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].text, QStringLiteral("The card journal ") + r.journal.path() +
                                        QStringLiteral(" could not be written: ") +
                                        QString::fromLocal8Bit(std::strerror(ENOSPC)));
            QCOMPARE(shown[0].caption, QStringLiteral("Card journal"));
        }
    }

    // A card written goes into the audit with its number and where its
    // cards.log line starts; an audit that cannot take it refuses the card.
    // A card whose journal line fails still has its audit line (naming the
    // spool it waits in); the operator hears when that line is lost too.
    void cardsGoIntoTheAudit_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("auditWritable");
        QTest::addColumn<QString>("fails"); // the files the disk refuses at the append
        QTest::addColumn<QString>("where");  // the audit line's table; none when the operator is told
        QTest::newRow("Program") << "Program" << true << "" << "cards.log";
        QTest::newRow("Program, a folder in the audit's place") << "Program" << false << "" << "";
        QTest::newRow("Configuration card, a folder in the audit's place")
            << "Configuration card" << false << "" << "";
        QTest::newRow("Program, the journal full") << "Program" << true << "cards.log" << "cards.log";
        QTest::newRow("Program, the journal full, a spool")
            << "Program" << true << "cards.log spool" << "cards-unsent.log";
        QTest::newRow("Program, the journal and the audit full") << "Program" << true << "cards.log audit.log" << "";
    }
    void cardsGoIntoTheAudit()
    {
        QFETCH(QString, operation);
        QFETCH(bool, auditWritable);
        QFETCH(QString, fails);
        QFETCH(QString, where);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {2});
        r.addPerson(12, QStringLiteral("Staff"), 0);
        r.tables.persons.first();
        r.addReader(5, 2);
        r.tables.readers.first();
        audit::Log log(QDir(r.tables.dir.path()).filePath(audit::FileName));
        QStringList told;
        audit::TableWatch watch(log, r.state.TextSlots, [&told](const QString& message) { told << message; });
        r.journal.setAudit([&](QString* message) { return watch.ready(message); },
                           [&](const CardJournal::Entry& e, const CardJournal::Stored& stored) {
                               watch.record(audit::cardEvent(e.operation, e.personNumber, e.systemCode,
                                                             e.duplicateIndex, e.group, stored.journal, stored.offset,
                                                             &r.tables.persons, stored.missed));
                           });
        if (fails.contains(QStringLiteral("spool")))
            r.journal.setSpool(QDir(r.tables.dir.path()).filePath(QStringLiteral("cards-unsent.log")));
        const filesync::Hook before = filesync::setHook([&](const filesync::Step& step) {
            const QString name = QFileInfo(step.path).fileName();
            return !name.isEmpty() && fails.contains(name) ? (errno = ENOSPC, -1) : 0;
        });
        if (!auditWritable)
            QVERIFY(QDir(r.tables.dir.path()).mkdir(audit::FileName));
        if (operation == "Program")
            r.program();
        else
            r.configCard();
        filesync::setHook(before);
        if (!auditWritable) {
            QVERIFY(r.port.writes.isEmpty());
            const QStringList shown = shownMessages();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].startsWith(QStringLiteral("The audit trail ")) &&
                         shown[0].endsWith(QStringLiteral("|Card not written")),
                     qPrintable(shown[0]));
            QVERIFY(!QFileInfo::exists(r.journal.path()));
            return;
        }
        if (!fails.isEmpty()) {
            shownMessages(); // the journal's notice
            const QStringList f = audit::fields(readFile(log.path()).trimmed());
            QCOMPARE(f.value(5), where);
            QCOMPARE(told.size(), where.isEmpty() ? 1 : 0);
            QVERIFY2(where.isEmpty() || f[8].endsWith(QStringLiteral("journal line not stored: \"%1\"")
                                                          .arg(QString::fromLocal8Bit(std::strerror(ENOSPC)))),
                     qPrintable(f.join(u'|')));
            return;
        }
        const QByteArray journal = readFile(r.journal.path());
        const qint64 lineStart = journal.indexOf('\n') + 1;
        const QStringList f = audit::fields(readFile(log.path()).trimmed());
        QCOMPARE(f.mid(4, 5), QStringList({"card written", "cards.log", "12", "12 Nowak 12 Anna",
                                          QStringLiteral("card: \"%1\"; duplicate: \"0\"; system: \"%2\"; "
                                                         "cards.log offset: \"%3\"; group: \"Staff\"")
                                              .arg(cards::printedNumber(*cards::identifierOf(System, 12, 0)).decimal32)
                                              .arg(System)
                                              .arg(lineStart)}));
        QVERIFY(journal.mid(lineStart).contains("\tProgram\t12\t"));
    }

    // A journal that cannot take the card's line is found before the card is
    // written: the operation is refused with the reason and nothing is sent.
    void unwritableJournalRefusesTheCard_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("cause");
        for (const char* operation : {"Program", "Remove permissions", "Configuration card"}) {
            QTest::addRow("%s, a folder in its place", operation) << operation << "folder";
            QTest::addRow("%s, disk full", operation) << operation << "full";
            QTest::addRow("%s, written to but not read", operation) << operation << "write only";
        }
    }
    void unwritableJournalRefusesTheCard()
    {
        QFETCH(QString, operation);
        QFETCH(QString, cause);
        Rig r;
        r.addGroup(QStringLiteral("Staff"), {2});
        r.addPerson(12, QStringLiteral("Staff"), 0);
        r.addPerson(13, QStringLiteral("Staff"), 0);
        r.tables.persons.first();
        r.ui.ui.CBox2->setChecked(true);
        r.addReader(5, 2);
        r.tables.readers.first();
        if (cause == "folder") {
            QVERIFY(QDir(r.tables.dir.path()).mkdir(CardJournal::FileName));
        } else {
            writeFile(r.journal.path(), cp1250::encode(CardJournal::Header) + "\r\n");
            if (cause == "full")
                r.journal.setFreeSpace([](const QString&) { return qint64(0); });
            else
                QVERIFY(QFile::setPermissions(r.journal.path(),
                                              QFile::WriteOwner)); // a line is appended after reading its end
        }
        const QByteArray journalBefore = readFile(r.journal.path());
        {
            const FileModesApply modes;
            if (cause == "write only" && !modes.ok())
                QSKIP("this account cannot be made to respect file modes");
            if (operation == "Program")
                r.program();
            else if (operation == "Remove permissions")
                r.persons.Button3Click();
            else
                r.configCard();
        }

        QVERIFY(r.port.writes.isEmpty());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        const QString prefix =
            QStringLiteral("The card journal ") + r.journal.path() + QStringLiteral(" cannot be written: ");
        const QString suffix = QStringLiteral(". No card was written and nothing was sent.");
        QVERIFY2(shown[0].text.startsWith(prefix) && shown[0].text.endsWith(suffix), qPrintable(shown[0].text));
        if (cause == "full")
            QCOMPARE(shown[0].text, prefix + QString::fromLocal8Bit(std::strerror(ENOSPC)) + suffix);
        else
            QVERIFY(shown[0].text.size() > prefix.size() + suffix.size()); // the system's reason
        QCOMPARE(shown[0].caption, QStringLiteral("Card not written"));
        // Nothing stored either: the person, the duplicate count, the journal.
        QCOMPARE(r.tables.persons.asInteger(QStringLiteral("NUMBER")), 12);
        QCOMPARE(r.storedPerson(12).value(0), QVariant(qint64(0)));
        QCOMPARE(readFile(r.journal.path()), journalBefore);
    }
};

QTEST_MAIN(TestCards)
#include "tst_cards.moc"
