// What the cards handed out carry, driven through the page classes on real
// tables, with the programmer simulator's device answering the link: change a
// group's doors, a person's group, the system number, delete a person, and
// the right cards become to rewrite; Program clears them.

#include "PageRig.h"
#include "SimDevice.h"
#include "TestFiles.h"

#include "data/CardsInField.h"
#include "link/Frames.h"
#include "pages/CardListModel.h"
#include "pages/CardsToRewrite.h"
#include "pages/GroupsPage.h"
#include "pages/PersonsPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

namespace {

struct Field : PageRig
{
    SimDevice programmer;
    bool dropWriteEnd = false; // the card stays as it was
    std::unique_ptr<GroupsPage> groups;
    std::unique_ptr<PersonsPage> persons;
    CardsToRewrite cards{tables.persons, tables.groups, state, journal.path()};

    Field()
    {
        port.answer = [this](const QByteArray& frame) {
            if (dropWriteEnd && frame == frames::writeEndFrame())
                return QByteArray();
            QByteArray reply;
            for (const SimDevice::Event& e : programmer.receive(frame))
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
        persons->cards().Button4Click();
    }
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
            if (c.state == field::State::ToRewrite && c.inTable)
                f.program(c.number);
        }
        QCOMPARE(shownMessages(), QStringList());
        for (const QString& s : f.states())
            QVERIFY2(!s.contains(u"to rewrite") || s.contains(u"deleted"), qPrintable(s));
        QCOMPARE(f.journalColumn(journal::Verified).count(QStringLiteral("verified")),
                 f.journalColumn(journal::Verified).size() - (change == u"not as written" ? 1 : 0));
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
            f.persons->cards().Button4Click();
        f.persons->SpeedButton4Click(); // Edit
        MessageBox::setNextAnswer(1);   // Delete anyway
        const std::function<void()> press[] = {[&] { f.persons->Button7Click(); },
                                               [&] { f.persons->cards().Button3Click(); },
                                               [&] { f.persons->cards().Button4Click(); }};
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
