// The edge cases of the three data pages, driven through the page classes on
// a window layout built offscreen, with the tables read back from disk.

#include "link/LinkFakes.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "link/ProgrammerLink.h"
#include "journal/CardJournal.h"
#include "pages/GroupsPage.h"
#include "pages/PersonsPage.h"
#include "pages/ReadersPage.h"
#include "state/ProgramState.h"
#include "ui/ApplyLanguage.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbMemo.h"
#include "ui/Look.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ui/UiFixture.h"

#include <functional>

namespace {

constexpr quint32 LockedColor = 13616833;

struct Pages
{
    explicit Pages(const std::function<void(TableFixture&)>& fill = {})
    {
        state.LockedColor = LockedColor;
        SelectLanguageTable(QStringLiteral("English"), state.TextSlots);
        if (fill)
            fill(t);
        t.persons.first();
        t.groups.first();
        t.readers.first();
        t.bind(f);
        groups = std::make_unique<GroupsPage>(t.groups, t.persons, t.readers, f.ui, state);
        persons = std::make_unique<PersonsPage>(t.persons, t.groups, f.ui, state, link, journal);
        readers = std::make_unique<ReadersPage>(t.readers, *groups, f.ui, state, link, journal);
    }

    // One field of every stored record, as the file holds it after the table closes.
    QStringList stored(Table& table, const QString& field)
    {
        table.close();
        Table reread;
        t.open(reread, t.fileOf(table));
        QStringList values;
        for (reread.first(); !reread.atEnd(); reread.next())
            values << reread.asText(field).trimmed();
        return values;
    }

    UiFixture f;
    TableFixture t;
    ProgramState state;
    // The card operations the pages own; these tests write no card.
    FakeClock clock;
    FakePort port{clock};
    RecordingView view;
    ProgrammerLink link{LinkState{state.LinkOpen, state.PortNumber, state.PortCaption}, port, view};
    CardJournal journal{QDir(t.dir.path()).filePath(CardJournal::FileName)};
    std::unique_ptr<GroupsPage> groups;
    std::unique_ptr<PersonsPage> persons;
    std::unique_ptr<ReadersPage> readers;
};

void storePerson(Table& persons, int number, const QString& first, const QString& family, const QString& group)
{
    persons.insert();
    persons.setInteger("NUMBER", number);
    persons.setText("SURNAME", first);
    persons.setText("NAME", family);
    persons.setText("GROUP", group);
    persons.post();
}

// A group's id is unique in its table: none given, it is the next one.
void addGroup(Table& groups, const QString& name, int id = 0)
{
    groups.insert();
    groups.setInteger("ID_Grupy", id ? id : groups.rowCount());
    groups.setText("NAME", name);
    groups.post();
}

// Types text the way a keyboard would, also characters no key sequence of
// the test library can produce.
void type(QWidget* widget, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void init() { MessageBox::takeShown(); }

    void modes_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("persons") << 0;
        QTest::newRow("groups") << 1;
        QTest::newRow("readers") << 2;
    }

    void modes()
    {
        QFETCH(int, page);
        Pages p([](TableFixture& t) {
            storePerson(t.persons, 1, "Anna", "Nowak", "");
            addGroup(t.groups, "Day", 1);
        });
        MainWindowUi& ui = p.f.ui;
        const std::function<void()> edit[] = {[&] { p.persons->SpeedButton4Click(); },
                                              [&] { p.groups->SpeedButton5Click(); },
                                              [&] { p.readers->SpeedButton1Click(); }};
        const std::function<void()> confirm[] = {[&] { p.persons->SpeedButton3Click(); },
                                                 [&] { p.groups->SpeedButton6Click(); },
                                                 [&] { p.readers->SpeedButton2Click(); }};
        const QList<QLineEdit*> edits[] = {{ui.DBEdit8, ui.DBEdit2}, {ui.DBEdit6}, {ui.DBEdit3}};
        const QList<QPushButton*> buttons[] = {
            {ui.Button9, ui.Button7}, {ui.Button1, ui.Button10, ui.Button13, ui.Button14}, {ui.Button6, ui.Button8}};
        const QColor locked = Look::winColor(LockedColor);
        const QColor window = QApplication::palette().color(QPalette::Base);

        // Locked at start; the persons note takes typing until the first Confirm.
        QVERIFY(!ui.DBMemo1->isReadOnly());
        edit[page]();
        for (QLineEdit* e : edits[page]) {
            QVERIFY(!e->isReadOnly());
            QCOMPARE(e->palette().color(QPalette::Base), window);
        }
        for (QPushButton* b : buttons[page])
            QVERIFY(b->isEnabled());
        QCOMPARE(ui.accessBox(7)->isReadOnly(), page != 1);

        // Confirm stores what was typed, then locks.
        edits[page].front()->selectAll();
        QTest::keyClicks(edits[page].front(), "Typed");
        confirm[page]();
        for (QLineEdit* e : edits[page]) {
            QVERIFY(e->isReadOnly());
            QCOMPARE(e->palette().color(QPalette::Base), locked);
        }
        for (QPushButton* b : buttons[page])
            QVERIFY(!b->isEnabled());
        QVERIFY(ui.accessBox(7)->isReadOnly());
        QCOMPARE(ui.DBMemo1->isReadOnly(), page == 0);
        QCOMPARE(ui.DBMemo2->isReadOnly(), false); // the group note takes typing in both modes
        Table* tables[] = {&p.t.persons, &p.t.groups, &p.t.readers};
        const char* fields[] = {"SURNAME", "NAME", "NAME"};
        QCOMPARE(p.stored(*tables[page], fields[page]).value(0), QStringLiteral("Typed"));
    }

    void addPerson_data()
    {
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QStringList>("personGroups");
        QTest::addColumn<QStringList>("groupNames");
        QTest::addColumn<bool>("searching");
        QTest::addColumn<int>("expectedNumber");
        QTest::addColumn<QString>("expectedGroup");
        QTest::addColumn<QStringList>("cards"); // journal lines: operation, person number, system code

        // A new person has no group until one is picked, whatever group is current.
        const QString none = TableLayouts::NoGroupMarker;
        QTest::newRow("empty tables") << QList<int>{} << QStringList{} << QStringList{} << false << 1 << none
                                      << QStringList{};
        QTest::newRow("numbers not rising") << QList<int>{5, 90, 7} << QStringList{"B", "B", "A"}
                                            << QStringList{"A", "B"} << false << 91 << none << QStringList{};
        QTest::newRow("search hides the largest") << QList<int>{1, 50} << QStringList{"A", "B"} << QStringList{"A", "B"}
                                                  << true << 51 << none << QStringList{};
        QTest::newRow("last person's group gone") << QList<int>{1, 2} << QStringList{"B", "Gone"}
                                                  << QStringList{"A", "B"} << false << 3 << none << QStringList{};
        // A card still in the field keeps its number from a newcomer.
        const QList<int> two{1, 2};
        const QStringList both{"A", "A"};
        QTest::newRow("departed persons' cards still out")
            << two << both << both << false << 5 << none << QStringList{"Program,3,1", "Program,4,1", "Program,6,1"};
        QTest::newRow("card withdrawn") << two << both << both << false << 3 << none
                                        << QStringList{"Program,3,1", "Remove permissions,3,1"};
        QTest::newRow("card of another system number")
            << two << both << both << false << 3 << none << QStringList{"Program,3,1", "Program,3,2"};
    }

    void addPerson()
    {
        QFETCH(QList<int>, numbers);
        QFETCH(QStringList, personGroups);
        QFETCH(QStringList, groupNames);
        QFETCH(bool, searching);
        QFETCH(int, expectedNumber);
        QFETCH(QString, expectedGroup);
        QFETCH(QStringList, cards);
        Pages p([&](TableFixture& t) {
            for (const QString& g : groupNames)
                addGroup(t.groups, g);
            for (int i = 0; i < numbers.size(); ++i)
                storePerson(t.persons, numbers[i], "Anna", i == 0 ? "Kowalska" : "Nowak", personGroups[i]);
        });
        p.state.SystemNumber = 1;
        for (const QString& card : cards) {
            const QStringList f = card.split(u',');
            QString error;
            QVERIFY(p.journal.append({f[0], f[1].toInt(), f[2].toInt(), 0, "A", QByteArray(16, '\xA5')}, &error));
        }
        if (searching) {
            p.f.ui.CheckBox2->setChecked(true);
            p.f.ui.Edit4->setText("kow");
            p.persons->ApplyPersonFilter();
            QCOMPARE(p.t.persons.rowCount(), 1);
        }
        p.persons->SpeedButton4Click();
        p.persons->Button9Click();
        QVERIFY(!p.f.ui.CheckBox2->isChecked());
        QVERIFY(!p.t.persons.filterActive());
        QCOMPARE(p.f.ui.DBEdit1->text(), QString::number(expectedNumber)); // the new person shows
        QCOMPARE(p.f.ui.DBEdit8->text(), QString());

        const QStringList groupsStored = p.stored(p.t.persons, "GROUP");
        QCOMPARE(groupsStored.size(), numbers.size() + 1);
        QCOMPARE(groupsStored.last(), expectedGroup);
        Table persons;
        p.t.open(persons, TableLayouts::PersonsFile);
        for (persons.first(); persons.currentRow() < persons.rowCount() - 1; persons.next()) {
        }
        QCOMPARE(persons.asInteger("NUMBER"), expectedNumber);
        QCOMPARE(persons.asInteger("INDEX"), 0);
    }

    void search_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("byFirstName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("shown");

        QTest::newRow("unticked never filters") << false << false << "ko" << QList<int>{1, 2, 3, 4};
        QTest::newRow("surename, any letter case") << true << false << "KO" << QList<int>{1, 2};
        QTest::newRow("first name") << true << true << "ko" << QList<int>{3};
        QTest::newRow("apostrophe is a letter") << true << false << "o'b" << QList<int>{4};
        QTest::newRow("empty text") << true << false << "" << QList<int>{1, 2, 3, 4};
    }

    void search()
    {
        QFETCH(bool, ticked);
        QFETCH(bool, byFirstName);
        QFETCH(QString, text);
        QFETCH(QList<int>, shown);
        Pages p([](TableFixture& t) {
            storePerson(t.persons, 1, "Anna", "Kowalska", "");
            storePerson(t.persons, 2, "Jan", "kowal", "");
            storePerson(t.persons, 3, "Kowal", "Nowak", "");
            storePerson(t.persons, 4, "Sean", "O'Brien", "");
        });
        p.f.ui.CheckBox2->setChecked(ticked);
        p.f.ui.RadioButton4->setChecked(byFirstName);
        p.f.ui.RadioButton5->setChecked(!byFirstName);
        p.f.ui.Edit4->setText(text);
        p.persons->ApplyPersonFilter();
        QList<int> numbers;
        for (int row = 0; row < p.t.persons.rowCount(); ++row)
            numbers << p.t.persons.valueAt(row, 1).toInt();
        QCOMPARE(numbers, shown);
        QCOMPARE(p.f.ui.DBGrid1->model()->rowCount(), shown.size());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void removeGroup_data()
    {
        QTest::addColumn<bool>("searching");
        QTest::addColumn<int>("groupRow");
        QTest::addColumn<QStringList>("expectedPersons");
        QTest::addColumn<QStringList>("expectedGroups");
        QTest::addColumn<QString>("question");
        const QString none = TableLayouts::NoGroupMarker;
        const QString night = "Delete the group \"Night\"? It leaves 2 persons without access.";
        QTest::newRow("search off") << false << 1 << QStringList{none, "Day", none, "night"} << QStringList{"Day"}
                                    << night;
        QTest::newRow("members hidden by the search")
            << true << 1 << QStringList{none, "Day", none, "night"} << QStringList{"Day"} << night;
        QTest::newRow("no group left to remove") << false << -1 << QStringList{"Night", "Day", "Night", "night"}
                                                 << QStringList{} << "No group is shown, so nothing was changed.";
    }

    void removeGroup()
    {
        QFETCH(bool, searching);
        QFETCH(int, groupRow);
        QFETCH(QStringList, expectedPersons);
        QFETCH(QStringList, expectedGroups);
        QFETCH(QString, question);
        Pages p([&](TableFixture& t) {
            if (groupRow >= 0) {
                addGroup(t.groups, "Day", 1);
                addGroup(t.groups, "Night", 2);
            }
            storePerson(t.persons, 1, "Anna", "Kowalska", "Night");
            storePerson(t.persons, 2, "Jan", "Nowak", "Day");
            storePerson(t.persons, 3, "Ewa", "Kowal", "Night");
            storePerson(t.persons, 4, "Olga", "Nowicka", "night"); // another name: letter case counts
        });
        if (searching) {
            p.f.ui.CheckBox2->setChecked(true);
            p.f.ui.Edit4->setText("Nowa");
            p.persons->ApplyPersonFilter();
        }
        const int shownBefore = p.t.persons.rowCount();
        if (groupRow >= 0)
            p.t.groups.moveToRow(groupRow);
        p.groups->SpeedButton5Click();
        MessageBox::setNextAnswer(0);
        p.groups->Button10Click();
        MessageBox::setNextAnswer(-1);
        QCOMPARE(MessageBox::takeShown().value(0).text, question);
        QCOMPARE(p.t.persons.filterActive(), searching);
        QCOMPARE(p.t.persons.rowCount(), shownBefore);
        QCOMPARE(p.stored(p.t.persons, "GROUP"), expectedPersons);
        QCOMPARE(p.stored(p.t.groups, "NAME"), expectedGroups);
    }

    // A button with nothing shown to act on says so.
    void emptyPageSaysWhy_data()
    {
        QTest::addColumn<int>("button"); // Select all, Delete reader
        QTest::addColumn<QString>("shown");
        QTest::newRow("Select all") << 0 << "No group is shown, so nothing was changed.|Select all";
        QTest::newRow("Delete a reader") << 1 << "No reader is shown, so nothing was deleted.|Delete";
    }
    void emptyPageSaysWhy()
    {
        QFETCH(int, button);
        QFETCH(QString, shown);
        Pages p;
        button == 0 ? p.groups->Button13Click() : p.readers->Button8Click();
        const QList<MessageBox::Shown> messages = MessageBox::takeShown();
        QCOMPARE(messages.value(0).text + u'|' + messages.value(0).caption, shown);
    }

    void renameGroup_data()
    {
        QTest::addColumn<int>("groupRow");
        QTest::addColumn<QString>("postedBy");
        QTest::addColumn<QStringList>("expectedPersons");
        QTest::newRow("posted with Enter") << 0 << "Enter" << QStringList{"Late", "Day", "Late"};
        QTest::newRow("posted by picking another group") << 0 << "another group" << QStringList{"Late", "Day", "Late"};
        QTest::newRow("pending as the pages close") << 0 << "pages closing" << QStringList{"Late", "Day", "Late"};
        // Members belong to the first group of a name; a later namesake has none.
        QTest::newRow("later namesake") << 2 << "Enter" << QStringList{"Night", "Day", "Night"};
    }

    void renameGroup()
    {
        QFETCH(int, groupRow);
        QFETCH(QString, postedBy);
        QFETCH(QStringList, expectedPersons);
        Pages p([](TableFixture& t) {
            addGroup(t.groups, "Night", 1);
            addGroup(t.groups, "Day", 2);
            addGroup(t.groups, "Night", 3);
            storePerson(t.persons, 1, "Anna", "Kowalska", "Night");
            storePerson(t.persons, 2, "Jan", "Nowak", "Day");
            storePerson(t.persons, 3, "Ewa", "Kowal", "Night");
        });
        // A search that hides members must not keep them in the old group.
        p.f.ui.CheckBox2->setChecked(true);
        p.f.ui.Edit4->setText("Nowak");
        p.persons->ApplyPersonFilter();
        p.groups->SpeedButton5Click();
        p.f.ui.DBGrid2->selectRow(groupRow);
        p.f.ui.DBEdit6->selectAll();
        QTest::keyClicks(p.f.ui.DBEdit6, "Late");
        if (postedBy == u"another group") {
            p.f.ui.DBGrid2->selectRow(1);
            QCOMPARE(p.f.ui.DBEdit6->text(), QStringLiteral("Day"));
        } else if (postedBy == u"Enter") {
            p.groups->PostTypedName();
            QCOMPARE(p.f.ui.DBEdit6->text(), QStringLiteral("Late"));
        } else {
            p.readers.reset();
            p.persons.reset();
            p.groups.reset();
        }
        QVERIFY(MessageBox::takeShown().isEmpty());
        QCOMPARE(p.t.persons.rowCount(), 1);
        QCOMPARE(p.stored(p.t.persons, "GROUP"), expectedPersons);
    }

    void addGroupAndAccess_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<int>("expectedId");
        QTest::newRow("empty table") << QList<int>{} << 1;
        QTest::newRow("ids not rising") << QList<int>{3, 9, 2} << 10;
    }

    void addGroupAndAccess()
    {
        QFETCH(QList<int>, ids);
        QFETCH(int, expectedId);
        Pages p([&](TableFixture& t) {
            for (int id : ids)
                addGroup(t.groups, QStringLiteral("G%1").arg(id), id);
        });
        p.groups->SpeedButton5Click();
        p.groups->Button1Click();
        QCOMPARE(p.f.ui.DBEdit6->text(), QStringLiteral("Group %1").arg(expectedId));
        for (int k = 1; k <= 96; ++k)
            QVERIFY(!p.t.groups.asLogical(QStringLiteral("P%1").arg(k)));
        p.groups->Button13Click();
        for (int k = 1; k <= 96; ++k)
            QVERIFY(p.f.ui.accessBox(k)->isChecked());
        p.groups->Button14Click();
        QCOMPARE(p.t.groups.asInteger("ID_GRUPY"), expectedId);
        QStringList flags;
        for (int k = 1; k <= 96; ++k)
            flags << (p.t.groups.asLogical(QStringLiteral("p%1").arg(k)) ? "T" : "F");
        QCOMPARE(flags, QStringList(96, "F"));
        QCOMPARE(p.stored(p.t.groups, "NAME").last(), QStringLiteral("Group %1").arg(expectedId));
    }

    void addReader_data()
    {
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<int>("expected"); // 0: the table is full
        QList<int> allBut50;
        for (int k = 1; k <= 96; ++k)
            if (k != 50)
                allBut50 << k;
        QTest::newRow("empty table") << QList<int>{} << 1;
        QTest::newRow("a gap") << QList<int>{4, 1, 2} << 3;
        QTest::newRow("all but 50") << allBut50 << 50;
        QTest::newRow("full") << (allBut50 << 50) << 0;
    }

    void addReader()
    {
        QFETCH(QList<int>, numbers);
        QFETCH(int, expected);
        Pages p([&](TableFixture& t) {
            for (int k : numbers) {
                t.readers.insert();
                t.readers.setInteger("ID_CZYT", k);
                t.readers.setText("NAME", QStringLiteral("R%1").arg(k));
                t.readers.post();
            }
        });
        p.readers->SpeedButton1Click();
        p.readers->Button6Click();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        if (expected == 0) {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].text, QStringLiteral("Maksymalny numer czytnika to 96."));
            QCOMPARE(shown[0].caption, QStringLiteral("Error"));
            QCOMPARE(p.stored(p.t.readers, "ID_CZYT").size(), 96);
            return;
        }
        QVERIFY(shown.isEmpty());
        QCOMPARE(p.f.ui.DBEdit4->text().trimmed(), QString::number(expected));
        QCOMPARE(p.t.readers.asInteger("TIME"), 2);
        QVERIFY(!p.t.readers.asLogical("PROX") && !p.t.readers.asLogical("EMULACJA"));
        QCOMPARE(p.stored(p.t.readers, "NAME").last(), QStringLiteral("Reader %1").arg(expected));
    }

    void unstorableText_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("named");
        QTest::newRow("first name") << 0 << "DBEdit8" << QStringLiteral("Zoë Ωmega") << QStringLiteral("Ω");
        QTest::newRow("person note") << 0 << "DBMemo1" << QStringLiteral("ok 😀") << QStringLiteral("😀");
        QTest::newRow("group name") << 1 << "DBEdit6" << QStringLiteral("Вход") << QStringLiteral("В");
        QTest::newRow("reader note") << 2 << "DBMemo3" << QStringLiteral("Tür → Hof") << QStringLiteral("→");
    }

    void unstorableText()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, named);
        Pages p([](TableFixture& t) {
            storePerson(t.persons, 1, "Anna", "Nowak", "");
            addGroup(t.groups, "Day", 1);
            t.readers.insert();
            t.readers.setInteger("ID_CZYT", 1);
            t.readers.post();
        });
        const std::function<void()> edit[] = {[&] { p.persons->SpeedButton4Click(); },
                                              [&] { p.groups->SpeedButton5Click(); },
                                              [&] { p.readers->SpeedButton1Click(); }};
        const std::function<void()> confirm[] = {[&] { p.persons->SpeedButton3Click(); },
                                                 [&] { p.groups->SpeedButton6Click(); },
                                                 [&] { p.readers->SpeedButton2Click(); }};
        QPushButton* editButton[] = {p.f.ui.SpeedButton4, p.f.ui.SpeedButton5, p.f.ui.SpeedButton1};
        QPushButton* confirmButton[] = {p.f.ui.SpeedButton3, p.f.ui.SpeedButton6, p.f.ui.SpeedButton2};
        edit[page]();
        editButton[page]->setChecked(true);
        QWidget* w = p.f.form1->findChild<QWidget*>(control);
        auto* line = qobject_cast<QLineEdit*>(w);
        if (line)
            line->selectAll();
        type(w, typed);
        confirmButton[page]->setChecked(true); // Confirm went down, Edit came up
        QCOMPARE(errorOf(confirm[page]), p.state.TextSlots[Text::UnstorableCharacter].arg(named));
        QVERIFY(editButton[page]->isChecked()); // still in edit mode, the text still there
        QCOMPARE(line ? line->text() : static_cast<QPlainTextEdit*>(w)->toPlainText(), typed);
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
