// What the cards handed out carry, driven through the page classes on real
// tables, with the programmer simulator's device answering the link: change a
// group's doors, a person's group, the system number, delete a person, and
// the right cards become to rewrite; Program clears them.

#include "PageRig.h"
#include "sim/SimDevice.h"
#include "sim/SimPorts.h"
#include "sim/SwapOption.h"
#include "TestFiles.h"

#include "app/CardControls.h"
#include "app/PrintMenu.h"
#include "app/ProgramListMenu.h"
#include "journal/CardsInField.h"
#include "link/Frames.h"
#include "journal/CardListModel.h"
#include "journal/CardsToRewrite.h"
#include "pages/EnrolStation.h"
#include "pages/GroupsPage.h"
#include "journal/JournalModel.h"
#include "pages/PersonsPage.h"
#include "pages/ProgramQueue.h"
#include "ui/ProgramListForm.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <ranges>

namespace {

struct Field : PageRig
{
    SimDevice programmer;
    bool dropWriteEnd = false;                            // the card stays as it was
    std::function<void(const QByteArray& frame)> onFrame; // before the programmer takes it
    std::unique_ptr<GroupsPage> groups;
    std::unique_ptr<PersonsPage> persons;
    CardsToRewrite cards{tables.persons, tables.groups, state, journal.store()};

    Field()
    {
        port.answer = [this](const QByteArray& frame) {
            if (dropWriteEnd && frame == frames::writeEndFrame())
                return QByteArray();
            QByteArray reply;
            if (onFrame)
                onFrame(frame);
            for (const SimDevice::Event& e : programmer.receive(frame, clock.now.count()))
                reply += e.reply;
            return reply;
        };
        link.setReadBack(true);
        addGroup("Staff", {1, 2});
        addGroup("Night", {3});
        addPerson(1, "Anna", "Kowalska", "Staff");
        addPerson(2, "Jan", "Nowak", "Staff");
        addPerson(3, "Ewa", "Lis", "Night");
        addPerson(4, "Olga", "Wolna", "Staff");
        tables.bind(ui);
        groups = std::make_unique<GroupsPage>(tables.groups, tables.persons, tables.readers, ui.ui, state);
        persons = std::make_unique<PersonsPage>(tables.persons, tables.groups, ui.ui, state, link, journal);
        link.ConnectProgrammer();
    }

    void addPerson(int number, const QString& first, const QString& family, const QString& group)
    {
        tables.persons.insert();
        tables.persons.setInteger(QStringLiteral("NUMBER"), number);
        tables.persons.setText(QStringLiteral("SURNAME"), first);
        tables.persons.setText(QStringLiteral("NAME"), family);
        tables.persons.setText(QStringLiteral("GROUP"), group);
        tables.persons.setInteger(QStringLiteral("INDEX"), 0);
        tables.persons.post();
    }
    void program(qint64 number)
    {
        QVERIFY(tables.persons.locate(QStringLiteral("NUMBER"), number));
        program();
    }
    // Program on the person shown, as the window hands it the duplicate box;
    // what the status line is to say of it.
    QString program() { return cardcontrols::program(persons->cards(), ui.ui); }
    void editPerson(qint64 number, const QString& group)
    {
        QVERIFY(tables.persons.locate(QStringLiteral("NUMBER"), number));
        tables.persons.edit();
        tables.persons.setText(QStringLiteral("GROUP"), group);
        tables.persons.post();
    }
    // Deletes a person on the persons page, answering its question.
    void deletePerson(qint64 number, int answer)
    {
        QVERIFY(tables.persons.locate(QStringLiteral("NUMBER"), number));
        persons->SpeedButton4Click();
        MessageBox::setNextAnswer(answer);
        persons->Button7Click();
        MessageBox::setNextAnswer(-1);
    }
    // Each card as "number state why", as the list and the tool tell it.
    QStringList states()
    {
        QString error;
        if (!cards.update(&error))
            return {error};
        QStringList list;
        for (const field::Card& c : cards.cards())
            list << QStringLiteral("%1 %2 %3")
                        .arg(c.number)
                        .arg(field::stateWord(c.state), CardListModel::why(c.reasons, state.TextSlots))
                        .trimmed();
        return list;
    }
    // Runs the station on the fake clock for ms or until it stops: the
    // simulator swaps cards, and a card taken off by hand is replaced a
    // second later.
    void runStation(EnrolStation& station, int ms)
    {
        const auto end = clock.now + std::chrono::milliseconds(ms);
        std::optional<std::chrono::milliseconds> offSince;
        while (station.running() && clock.now < end) {
            programmer.advance(clock.now.count());
            offSince = programmer.cardOff() ? offSince.value_or(clock.now) : std::optional<std::chrono::milliseconds>();
            if (offSince && programmer.nextDue() < 0 && clock.now - *offSince >= std::chrono::seconds(1))
                programmer.place();
            station.tick();
            clock.pause(EnrolStation::Tick);
        }
    }
    QStringList journalColumn(int column) const
    {
        QStringList values;
        const QList<QByteArray> lines = readFile(journal.path()).split('\n');
        for (const QByteArray& line : lines.mid(1, lines.size() - 2))
            values << QString::fromLatin1(line.chopped(1)).split(u'\t').value(column);
        return values;
    }
};

} // namespace

class TestField : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void init() { MessageBox::takeShown(); }

    void changesMakeCardsToRewrite_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QString>("question"); // asked by the change, if any
        const QString fresh = "up to date";
        const QString doors = "to rewrite The group's doors changed";
        QTest::newRow("nothing") << "nothing" << QStringList{"1 " + fresh, "2 " + fresh, "3 " + fresh, "4 no card yet"}
                                 << "";
        QTest::newRow("a group's doors") << "doors"
                                         << QStringList{"1 " + doors, "2 " + doors, "3 " + fresh, "4 no card yet"}
                                         << "";
        QTest::newRow("a person's group")
            << "move" << QStringList{"1 " + fresh, "2 to rewrite Moved to another group", "3 " + fresh, "4 no card yet"}
            << "";
        QTest::newRow("group removed") << "remove group"
                                       << QStringList{"1 " + fresh, "2 " + fresh,
                                                      "3 to rewrite The group no longer exists", "4 no card yet"}
                                       << "Delete the group \"Night\"? It leaves 1 persons without access.";
        QTest::newRow("group renamed, members along")
            << "rename group" << QStringList{"1 " + fresh, "2 " + fresh, "3 " + fresh, "4 no card yet"} << "";
        const QString system = "to rewrite Written for another system number";
        QTest::newRow("system number") << "system"
                                       << QStringList{"1 " + system, "2 " + system, "3 " + system, "4 no card yet"}
                                       << "";
        QTest::newRow("person deleted, card still out")
            << "delete anyway"
            << QStringList{"2 " + fresh, "3 " + fresh, "4 no card yet",
                           "1 to rewrite Person deleted, the card still opens doors"}
            << "The card of Anna Kowalska (number 1) still opens readers: deleting the person does not take its "
               "access away. Write Remove permissions to the card first?";
        QTest::newRow("Remove permissions, then deleted")
            << "remove then delete" << QStringList{"2 " + fresh, "3 " + fresh, "4 no card yet"}
            << "The card of Anna Kowalska (number 1) still opens readers: deleting the person does not take its "
               "access away. Write Remove permissions to the card first?";
        QTest::newRow("card withdrawn, then deleted")
            << "withdraw, delete" << QStringList{"2 " + fresh, "3 " + fresh, "4 no card yet"}
            << "Delete Anna Kowalska (number 1)?";
        QTest::newRow("a write not read back right")
            << "not as written"
            << QStringList{"1 " + fresh, "2 to rewrite Not verified by reading it back", "3 " + fresh, "4 no card yet"}
            << "";
    }
    void changesMakeCardsToRewrite()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, states);
        QFETCH(QString, question);
        Field f;
        for (int number : {1, 2, 3})
            f.program(number);
        QCOMPARE(shownMessages(), QStringList());

        if (change == u"doors") {
            QVERIFY(f.tables.groups.locate(QStringLiteral("NAME"), QStringLiteral("Staff"), Qt::CaseSensitive));
            f.groups->SpeedButton5Click();
            f.groups->Button13Click(); // Select all
        } else if (change == u"move") {
            f.editPerson(2, QStringLiteral("Night"));
        } else if (change == u"remove group") {
            QVERIFY(f.tables.groups.locate(QStringLiteral("NAME"), QStringLiteral("Night"), Qt::CaseSensitive));
            f.groups->SpeedButton5Click();
            MessageBox::setNextAnswer(0);
            f.groups->Button10Click();
        } else if (change == u"rename group") {
            QVERIFY(f.tables.groups.locate(QStringLiteral("NAME"), QStringLiteral("Staff"), Qt::CaseSensitive));
            f.tables.groups.edit();
            f.tables.groups.setText(QStringLiteral("NAME"), QStringLiteral("Office"));
            f.tables.groups.post();
        } else if (change == u"system") {
            f.state.SystemNumber = PageRig::System + 1;
        } else if (change == u"delete anyway") {
            f.deletePerson(1, 1);
        } else if (change == u"remove then delete") {
            f.deletePerson(1, 0);
        } else if (change == u"withdraw, delete") {
            QVERIFY(f.tables.persons.locate(QStringLiteral("NUMBER"), 1));
            f.persons->cards().Button3Click();
            f.deletePerson(1, 0);
        } else if (change == u"not as written") {
            f.dropWriteEnd = true;
            f.program(2);
            QCOMPARE(shownMessages(),
                     QStringList{"The card did not answer as written — check it with Find|Card check"});
            QCOMPARE(f.journalColumn(journal::Verified).last(), QStringLiteral("not verified"));
            f.dropWriteEnd = false;
        }
        QCOMPARE(MessageBox::takeShown().value(0).text, question);
        QCOMPARE(f.states(), states);

        // Program clears them: every card to rewrite of a person still there.
        for (const field::Card& c : f.cards.cards()) {
            if (c.state == field::State::ToRewrite && c.inTable) {
                MessageBox::setNextAnswer(0);
                f.program(c.number);
                MessageBox::setNextAnswer(-1);
            }
        }
        // The member of the group removed is asked about first: the card will open no door.
        const QString noDoor = f.state.TextSlots[Text::ProgramNoDoorQuestion].arg(u"3 Ewa Lis", TableLayouts::NoGroupMarker);
        QCOMPARE(shownMessages(), change == u"remove group" ? QStringList{noDoor + QStringLiteral("|Program")} : QStringList());
        for (const QString& s : f.states())
            QVERIFY2(!s.contains(u"to rewrite") || s.contains(u"deleted"), qPrintable(s));
        QCOMPARE(f.journalColumn(journal::Verified).count(QStringLiteral("verified")),
                 f.journalColumn(journal::Verified).size() - (change == u"not as written" ? 1 : 0));
    }

    // The journal window names a person only on the lines about them.
    void journalNamesTheHolder_data()
    {
        QTest::addColumn<QStringList>("lines"); // operation, person number, system code (0: this one's)
        QTest::addColumn<QStringList>("names"); // the family names shown, newest line first
        QTest::newRow("the holder's card and Find")
            << QStringList{"Program,1,0", "Find (user),1,0"} << QStringList{"Kowalska", "Kowalska"};
        QTest::newRow("cards of other system numbers")
            << QStringList{"Program,1,7", "Program,2,0", "Find (x),2,7"} << QStringList{"", "Nowak", ""};
        QTest::newRow("a number withdrawn, then given again")
            << QStringList{"Program,1,0", "Remove permissions,1,0", "Find (user),1,0", "Program,1,0"}
            << QStringList{"Kowalska", "", "", ""};
    }
    void journalNamesTheHolder()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, names);
        Field f;
        QString error;
        for (const QString& line : lines) {
            const QStringList l = line.split(u',');
            const QByteArray data = l[0].startsWith(u"Find") ? QByteArray() : QByteArray(16, '\xA5');
            const int system = l[2].toInt() ? l[2].toInt() : PageRig::System;
            QVERIFY(f.journal.append({l[0], l[1].toInt(), system, 0, {}, data}, &error));
        }
        QVERIFY(f.cards.update(&error));
        JournalModel model(f.cards, f.state.TextSlots);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown << model.index(row, JournalModel::FamilyName).data().toString();
        QCOMPARE(shown, names);
    }

    // Edit > Program a list over the group Staff (persons 1, 2, 4), the
    // simulator swapping cards; a card lifted during its write (fails), or
    // the programmer unplugged during a write.
    void enrolmentStation_data()
    {
        QTest::addColumn<qint64>("takeMs");     // after the read-back; -1: the card is left on
        QTest::addColumn<QList<int>>("lifted"); // the writes during which the card is taken off
        QTest::addColumn<int>("unplugged");     // the write during which the link goes, 0 for none
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QStringList>("journal"); // person and read-back of each card written
        QTest::addColumn<int>("message");         // -1 for none
        QTest::addColumn<int>("skips");           // Skip pressed before Start
        QTest::addColumn<bool>("configurationCard"); // a reader's card of this system lies on at Start
        const QString v = "verified";
        QTest::newRow("three in a row") << qint64(300) << QList<int>{} << 0 << QStringList{v, v, v}
                                        << QStringList{"1 verified", "2 verified", "4 verified"} << -1 << 0 << false;
        QTest::newRow("a failure stays and is tried again")
            << qint64(300) << QList<int>{2} << 0 << QStringList{v, v, v}
            << QStringList{"1 verified", "2 not verified", "2 verified", "4 verified"} << -1 << 0 << false;
        QTest::newRow("three failures in a row stop")
            << qint64(300) << QList<int>{1, 2, 3} << 0 << QStringList{"failed", "waiting", "waiting"}
            << QStringList{"1 not verified", "1 not verified", "1 not verified"} << int(Text::ProgramListFailures) << 0 << false;
        QTest::newRow("a card left on is not written again")
            << qint64(-1) << QList<int>{} << 0 << QStringList{v, "waiting", "waiting"} << QStringList{"1 verified"}
            << -1 << 0 << false;
        QTest::newRow("unplugged") << qint64(300) << QList<int>{} << 2 << QStringList{v, "waiting", "waiting"}
                                   << QStringList{"1 verified"} << int(Text::ProgramListLinkLost) << 0 << false;
        QTest::newRow("skip") << qint64(300) << QList<int>{} << 0 << QStringList{"skipped", v, v}
                              << QStringList{"2 verified", "4 verified"} << -1 << 1 << false;
        QTest::newRow("a configuration card is not written over")
            << qint64(300) << QList<int>{} << 0 << QStringList{"waiting", "waiting", "waiting"} << QStringList{} << -1
            << 0 << true;
    }

    // What Program tells of the card, and its question before a card that
    // opens no door; Remove permissions writes such a card unasked.
    void programSaysWhatItWrote_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<int>("answer");  // to the question, -1 for none asked
        QTest::addColumn<bool>("lifted"); // the card taken off as its write ends
        QTest::addColumn<int>("told");    // the status text, -1 for none
        const int verified = Text::ProgramWrittenVerified;
        QTest::newRow("verified") << "Staff" << false << -1 << false << verified;
        QTest::newRow("lifted: not confirmed") << "Staff" << false << -1 << true << int(Text::ProgramWrittenUnconfirmed);
        QTest::newRow("no group, written anyway") << TableLayouts::NoGroupMarker << false << 0 << false << verified;
        QTest::newRow("no group, not written") << TableLayouts::NoGroupMarker << false << 1 << false << -1;
        QTest::newRow("group gone, not written") << "Gone" << false << 1 << false << -1;
        QTest::newRow("group with no reader, written anyway") << "Closed" << false << 0 << false << verified;
        QTest::newRow("remove permissions asks nothing") << TableLayouts::NoGroupMarker << true << -1 << false << -1;
    }
    void programSaysWhatItWrote()
    {
        QFETCH(QString, group);
        QFETCH(bool, remove);
        QFETCH(int, answer);
        QFETCH(bool, lifted);
        QFETCH(int, told);
        Field f;
        f.addGroup("Closed", {});
        f.addPerson(9, QStringLiteral("Łukasz"), QStringLiteral("Żółkiewski"), group);
        f.onFrame = [&f, lifted](const QByteArray& frame) {
            if (lifted && frame == frames::writeEndFrame())
                f.programmer.take();
        };
        QVERIFY(f.tables.persons.locate(QStringLiteral("NUMBER"), 9));
        MessageBox::setNextAnswer(answer);
        const QString said = remove ? (f.persons->cards().removePermissions(), QString()) : f.program();
        MessageBox::setNextAnswer(-1);
        const QString card = cards::printedNumber(*cards::identifierOf(PageRig::System, 9, 0)).hex;
        QCOMPARE(said, told < 0 ? QString() : f.state.TextSlots[told].arg(u"9 Łukasz Żółkiewski", card));
        const QString question = f.state.TextSlots[Text::ProgramNoDoorQuestion].arg(u"9 Łukasz Żółkiewski", group);
        QCOMPARE(MessageBox::takeShown().value(0).text == question, answer >= 0);
        QCOMPARE(f.journalColumn(journal::Person), answer != 1 ? QStringList{"9"} : QStringList{});
    }

    // --swap as the demo starts the simulator: a card read back goes off and
    // a blank one comes after the pause; a value it cannot read is refused.
    // The simulator's --swap, and the swap item of a "sim:" port name, which
    // plays the hands as the frames arrive: the program looks once at the
    // empty programmer before the blank card comes, however late it looks.
    void swapOption_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<qint64>>("waits"); // to take off, then to a blank card; none: refused
        QTest::newRow("default") << QStringList{"--swap", "--log"} << QList<qint64>{0, swapoption::DefaultPauseMs};
        QTest::newRow("pause given") << QStringList{"--swap=400"} << QList<qint64>{0, 400};
        QTest::newRow("both waits") << QStringList{"--swap=300:700"} << QList<qint64>{300, 700};
        QTest::newRow("two arguments") << QStringList{"--swap", "250:50"} << QList<qint64>{250, 50};
        QTest::newRow("not a number") << QStringList{"--swap=soon"} << QList<qint64>{};
        QTest::newRow("negative") << QStringList{"--swap=-5"} << QList<qint64>{};
        QTest::newRow("bad pair") << QStringList{"--swap", "1:x"} << QList<qint64>{};
        QTest::newRow("port, default") << QStringList{"sim:swap"} << QList<qint64>{0, swapoption::DefaultPauseMs};
        QTest::newRow("port, both waits, a card on it")
            << QStringList{"sim:12:" + QString::number(PageRig::System) + ":0, SWAP=300:700"} << QList<qint64>{300, 700};
        QTest::newRow("port, not a number") << QStringList{"sim:swap=soon"} << QList<qint64>{};
        QTest::newRow("port, not a card") << QStringList{"sim:swop"} << QList<qint64>{};
    }
    void swapOption()
    {
        QFETCH(QStringList, args);
        QFETCH(QList<qint64>, waits);
        const auto id = cards::identifierOf(PageRig::System, 1, 0);
        const auto write = cards::EncodeCardFrame(*id);
        const auto read = [](const QList<SimDevice::Event>& events) { return events.value(0).reply.toHex(); };
        if (args[0].startsWith(u"sim:")) {
            SimPorts ports;
            QString error;
            const std::shared_ptr<SimProgrammer> sim = ports.programmer(args[0], &error);
            QCOMPARE(sim != nullptr && error.isEmpty(), !waits.isEmpty());
            if (!sim)
                return;
            qint64 now = 0;
            sim->clock = [&now] { return now; };
            for (const QByteArray& frame : frames::cardWriteFrames(write, cards::noAccessData()))
                sim->receive(frame);
            const auto answer = [&](qint64 at) {
                now = at;
                return sim->receive(frames::readCardFrame()).toHex();
            };
            const QByteArray written = QByteArray(reinterpret_cast<const char*>(id->data()), 5).toHex();
            QCOMPARE(answer(0), written); // the read-back
            const qint64 blank = waits[0] + waits[1];
            QCOMPARE(answer(waits[0] - 1), written);
            QCOMPARE(answer(blank * 10), QByteArray()); // a late look still finds it gone
            QCOMPARE(answer(blank * 10), QByteArray("0000000000"));
            return;
        }
        int used = 0;
        QString error;
        const auto swap = swapoption::parse(args[0], args.size() > 1 ? std::optional(args[1]) : std::nullopt, &used,
                                            &error);
        QCOMPARE(swap.has_value() && error.isEmpty(), !waits.isEmpty());
        QCOMPARE(used, args.value(1).contains(u':') ? 2 : 1);
        if (!swap)
            return;
        SimDevice sim;
        sim.setSwap(swap->takeMs, swap->placeMs);
        for (const QByteArray& frame : frames::cardWriteFrames(write, cards::noAccessData()))
            sim.receive(frame, 0);
        const auto answer = [&sim, &read](qint64 at) {
            sim.advance(at);
            return read(sim.receive(frames::readCardFrame(), at));
        };
        QCOMPARE(answer(0), QByteArray(reinterpret_cast<const char*>(id->data()), 5).toHex()); // the read-back
        const qint64 blank = waits[0] + waits[1];
        QCOMPARE(answer(blank - 1), QByteArray());
        QCOMPARE(answer(blank), QByteArray("0000000000"));
    }

    void enrolmentStation()
    {
        const QString v = "verified";
        QFETCH(qint64, takeMs);
        QFETCH(QList<int>, lifted);
        QFETCH(int, unplugged);
        QFETCH(QStringList, states);
        QFETCH(QStringList, journal);
        QFETCH(int, message);
        QFETCH(int, skips);
        QFETCH(bool, configurationCard);
        Field f;
        f.programmer.setSwap(takeMs < 0 ? 1'000'000'000 : takeMs, 700);
        int writes = 0;
        f.onFrame = [&](const QByteArray& frame) {
            const bool block = frame.size() > 3 && quint8(frame[2]) == frames::CmdWriteBlock;
            if (block && quint8(frame[frame.size() - 2]) == frames::FirstBlock)
                ++writes;
            if (lifted.contains(writes) && frame == frames::writeEndFrame())
                f.programmer.take();
            if (writes == unplugged && block && quint8(frame[frame.size() - 2]) == frames::LastBlock)
                f.port.close();
        };
        PrintMenu print(f.ui.ui, f.tables.persons, f.tables.groups, f.tables.readers, f.state, f.ui.form1.get());
        ProgramListMenu menu(f.ui.ui, f.tables.persons, f.tables.groups, f.state, f.link, f.persons->cards(), print,
                             f.journal.store(), f.ui.form1.get());
        menu.applyLanguage();
        menu.station().setClock([&f] { return qint64(f.clock.now.count()); });
        f.ui.ui.Edycja1->findChild<QAction*>(QStringLiteral("ProgramList1"))->trigger();
        ProgramListForm* form = menu.form();
        QVERIFY(form && form->isVisible());
        form->ProgramListGroup->setCurrentText(QStringLiteral("Staff"));
        QTest::mouseClick(form->ProgramListAddGroup, Qt::LeftButton);
        for (int i = 0; i < skips; ++i)
            QTest::mouseClick(form->ProgramListSkip, Qt::LeftButton);
        cards::Identifier reader{};
        if (configurationCard && cards::packConfigIdentifier(PageRig::System, &reader, nullptr))
            f.programmer.place(reader);
        QTest::mouseClick(form->ProgramListStart, Qt::LeftButton);
        f.runStation(menu.station(), 20'000);
        if (configurationCard)
            QCOMPARE(form->ProgramListState->text(),
                     f.state.TextSlots[Text::StationConfigurationCard].arg(PageRig::System));

        QStringList shown;
        for (int row = 0; row < menu.queue().rowCount(); ++row)
            shown << menu.queue().index(row, ProgramQueue::StateColumn).data().toString();
        QCOMPARE(shown, states);
        QStringList written;
        const QStringList persons = f.journalColumn(journal::Person);
        const QStringList readBacks = f.journalColumn(journal::Verified);
        for (int i = 0; i < persons.size(); ++i)
            written << persons[i] + u' ' + readBacks[i];
        QCOMPARE(written, journal);
        // The handover sheet lists the cards written, each with a line to sign.
        const PrintSheet sheet = menu.handoverSheet();
        QCOMPARE(sheet.rows.size(), int(states.count(v)));
        if (!sheet.rows.isEmpty())
            QCOMPARE(
                sheet.rows[0][3],
                cards::printedNumber(*cards::identifierOf(PageRig::System, journal[0].section(u' ', 0, 0).toInt(), 0))
                    .hex);
        const QStringList expected =
            message < 0 ? QStringList{}
                        : QStringList{f.state.TextSlots[message] + u'|' +
                                      f.state.TextSlots[message == Text::ProgramListFailures ? Text::ReadBackCaption
                                                                                             : Text::NoConnectivity]};
        QCOMPARE(shownMessages(), expected);
    }

    // The station over Staff (persons 1, 2, 4): what lies on the programmer
    // first, what the journal said of it before, and what changed meanwhile.
    void stationLooksAtEachCard_data()
    {
        QTest::addColumn<QString>("card");       // laid on at Start, "person:system:index"; "" a blank
        QTest::addColumn<QStringList>("before"); // journal lines: operation, person, read-back
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("labels"); // the station's window, after the first card and after the change
        QTest::addColumn<QStringList>("states");
        const QString v = "verified", next = "Put the next card on the programmer";
        const QStringList vvv{v, v, v};
        const auto off = [](const QString& whose) {
            return QStringList{"Take this card off: it is " + whose + ". Nothing was written on it."};
        };
        const QStringList given{"Program,3,verified"}, withdrawn{"Program,3,verified", "Remove permissions,3,verified"};
        QTest::newRow("a factory configuration card")
            << "0:1:0" << QStringList() << "" << off("a reader's configuration card (code 1)") << vvv;
        QTest::newRow("a live card of this installation")
            << "3:123456:0" << given << "" << off("3 Ewa Lis's card") << vvv;
        QTest::newRow("a card the journal never saw")
            << "2:123456:0" << QStringList() << "" << off("2 Jan Nowak's card") << vvv;
        QTest::newRow("a withdrawal not read back right")
            << "3:123456:0" << QStringList{given[0], "Remove permissions,3,not verified"} << ""
            << off("3 Ewa Lis's card") << vvv;
        QTest::newRow("a withdrawn card is written") << "3:123456:0" << withdrawn << "" << QStringList{next} << vvv;
        QTest::newRow("laid on again in the same run")
            << "" << QStringList() << "lay again" << QStringList{next, "Take the card off the programmer"} << vvv;
        QTest::newRow("number given to somebody else") << "" << QStringList() << "reuse 2" << QStringList{next}
                                                       << QStringList{v, "skipped: number 2 is now Piotr Nowy", v};
        QTest::newRow("moved to another group")
            << "" << QStringList() << "move 2" << QStringList{next}
            << QStringList{v, "skipped: now in the group \"Night\", queued for \"Staff\"", v};
        QTest::newRow("deleted") << "" << QStringList() << "delete 2" << QStringList{next}
                                 << QStringList{v, "skipped: number 2 is no longer in the table", v};
        QTest::newRow("journal away during a write")
            << "" << QStringList() << "journal away" << QStringList{next}
            << QStringList{"verified; its journal line waits in %spool until the database can be reached", v, v};
    }
    void stationLooksAtEachCard()
    {
        QFETCH(QString, card);
        QFETCH(QStringList, before);
        QFETCH(QString, change);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, states);
        Field f;
        QString error;
        for (const QStringList l : before | std::views::transform([](const QString& s) { return s.split(u','); }))
            QVERIFY(f.journal.append({l[0], l[1].toInt(), PageRig::System, 0, "Night", QByteArray(16, '\xA5'),
                                      journal::verificationOf(l[2])},
                                     &error));
        const QString spool = QDir(f.tables.dir.path()).filePath("cards-unsent.log");
        f.journal.setSpool(spool);
        // The journal goes away during the first card's write, its line not yet stored.
        bool away = change == u"journal away";
        f.onFrame = [&](const QByteArray& frame) {
            if (frame == frames::writeEndFrame() && std::exchange(away, false))
                QVERIFY(QDir().mkdir(f.journal.path()));
        };
        PrintMenu print(f.ui.ui, f.tables.persons, f.tables.groups, f.tables.readers, f.state, f.ui.form1.get());
        ProgramListMenu menu(f.ui.ui, f.tables.persons, f.tables.groups, f.state, f.link, f.persons->cards(), print,
                             f.journal.store(), f.ui.form1.get());
        menu.station().setClock([&f] { return qint64(f.clock.now.count()); });
        menu.openProgramList();
        menu.form()->ProgramListGroup->setCurrentText("Staff");
        QTest::mouseClick(menu.form()->ProgramListAddGroup, Qt::LeftButton);
        if (change == u"move 2")
            f.editPerson(2, "Night");
        if ((change == u"reuse 2" || change == u"delete 2") && f.tables.persons.locate("NUMBER", 2))
            f.tables.persons.remove();
        if (change == u"reuse 2")
            f.addPerson(2, "Piotr", "Nowy", "Staff");
        // No card is laid on after the first one is taken off, till the change.
        f.programmer.setSwap(300, 1'000'000'000);
        if (!card.isEmpty())
            f.programmer.place(SimDevice::parseCard(card, &error));
        QTest::mouseClick(menu.form()->ProgramListStart, Qt::LeftButton);
        f.runStation(menu.station(), 3000);
        QStringList seen{menu.form()->ProgramListState->text()};
        for (QPushButton* b : {f.ui.ui.Button4, f.ui.ui.Button2, f.ui.ui.Button3, f.ui.ui.Button12})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        if (change == u"lay again") {
            f.programmer.place(cards::identifierOf(PageRig::System, 1, 0));
            f.runStation(menu.station(), 1500);
            seen << menu.form()->ProgramListState->text();
        }
        QCOMPARE(seen, labels);
        QVERIFY(change != u"journal away" || QDir().rmdir(f.journal.path()));
        f.programmer.take();
        f.runStation(menu.station(), 1000);
        f.programmer.setSwap(300, 700);
        f.programmer.place();
        f.runStation(menu.station(), 20'000);

        QStringList shown;
        for (int row = 0; row < menu.queue().rowCount(); ++row)
            shown << menu.queue().index(row, ProgramQueue::StateColumn).data().toString();
        QCOMPARE(shown, states.replaceInStrings("%spool", QDir::toNativeSeparators(spool)));
        // The cards written are those of the persons the list shows as written.
        QCOMPARE(f.journalColumn(journal::Person).mid(before.size()),
                 (states[1].startsWith(u"skipped") ? QStringList{"1", "4"} : QStringList{"1", "2", "4"}));
        QVERIFY(!QFile::exists(spool));
        // The sheet names whom the cards were written for; the buttons come back.
        QVERIFY(menu.handoverSheet().rows.value(1).value(1) == (states[1] == u"verified" ? "Jan Nowak" : "Olga Wolna"));
        QVERIFY(f.ui.ui.Button4->isEnabled() && f.ui.ui.Button3->isEnabled());
        QCOMPARE(shownMessages(), QStringList());
    }

    // A withdrawal the read-back did not find as written may have left the
    // card opening doors: its number goes to no newcomer.
    void unverifiedWithdrawalKeepsTheNumber()
    {
        Field f;
        f.program(4);
        QVERIFY(f.tables.persons.locate("NUMBER", 4));
        f.programmer.place(); // a card the withdrawal, cut short, leaves as it was
        f.dropWriteEnd = true;
        f.persons->cards().Button3Click();
        f.deletePerson(4, 1); // delete anyway
        QVERIFY(!f.tables.persons.locate("NUMBER", 4));
        f.persons->Button9Click();
        QCOMPARE(f.tables.persons.asInteger("NUMBER"), 5);
    }

    // After Program on the last person the search shows, the table stands
    // past its end on that person: Delete, Remove permissions and Program act
    // on the person shown, and with nobody shown they say so.
    void operationsActOnThePersonShown_data()
    {
        QTest::addColumn<QString>("search");      // family names
        QTest::addColumn<int>("button");          // Delete, Remove permissions, Program
        QTest::addColumn<QString>("shown");       // how the first message or question begins
        QTest::addColumn<QStringList>("written"); // the journal's operations, then persons
        QTest::newRow("Delete") << "Nowak" << 0 << "The card of Jan Nowak (number 2)" << QStringList{"Program", "2"};
        QTest::newRow("Remove") << "Nowak" << 1 << "" << QStringList{"Program", "Remove permissions", "2", "2"};
        QTest::newRow("Program") << "Nowak" << 2 << "" << QStringList{"Program", "Program", "2", "2"};
        QTest::newRow("Delete, nobody shown") << "Zz" << 0 << "No person is shown" << QStringList();
        QTest::newRow("Program, nobody shown") << "Zz" << 2 << "No person is selected" << QStringList();
    }
    void operationsActOnThePersonShown()
    {
        QFETCH(QString, search);
        QFETCH(int, button);
        QFETCH(QString, shown);
        QFETCH(QStringList, written);
        Field f;
        f.ui.ui.CheckBox2->setChecked(true);
        f.ui.ui.Edit4->setText(search);
        f.persons->ApplyPersonFilter();
        if (!f.tables.persons.isEmpty())
            f.program();
        f.persons->SpeedButton4Click(); // Edit
        MessageBox::setNextAnswer(1);   // Delete anyway
        const std::function<void()> press[] = {[&] { f.persons->Button7Click(); },
                                               [&] { f.persons->cards().Button3Click(); },
                                               [&] { f.program(); }};
        press[button]();
        MessageBox::setNextAnswer(-1);
        const QString first = MessageBox::takeShown().value(0).text;
        QCOMPARE(first.left(qMax(1, int(shown.size()))), shown);
        QCOMPARE(f.tables.persons.storedRecords({1}).size(), 4 - (button == 0 && !written.isEmpty() ? 1 : 0));
        QCOMPARE(f.journalColumn(journal::Operation) + f.journalColumn(journal::Person), written);
    }
};

QTEST_MAIN(TestField)
#include "tst_field.moc"
