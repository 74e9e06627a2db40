// Data-bound controls driven like the operator does: typing, clicking grid
// rows and list items, then checking the screen and the files.

#include "dbf/DbfBytes.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/DbText.h"
#include "ui/MessageBox.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

QString errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const AppError& e) {
        return e.message();
    }
    return {};
}

// Types any text, Polish letters included, as key events into the widget.
void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestDbControls : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typingThenMovingTheGridPostsToDisk();
    void controlsFollowTheRecordUnlessSuspended();
    void pendingChangeIsPostedBeforeInsertAndRefresh();
    void readOnlyControlsLeaveTheRecordAlone();
    void checkBoxWritesItsField();
    void relayTimeComboBox();
    void lookupListShowsAndPositions();
    void pickingFromTheLookupList();
    void gridErrorsAreShownAndTheSelectionStays();

private:
    void clickRow(DbGrid& grid, int row);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Table> m_persons;
    std::unique_ptr<Table> m_groups;
    std::unique_ptr<Table> m_readers;
};

void TestDbControls::init()
{
    MessageBox::setRecording(true);
    m_dir = std::make_unique<QTemporaryDir>();
    TableLayouts::createAll(m_dir->path());
    m_groups = std::make_unique<Table>();
    m_groups->open(m_dir->filePath("grupa.dbf"));
    int id = 0;
    for (const QString name : {"Biuro", "Magazyn", "Biuro", "Ochrona"}) {
        m_groups->insert();
        m_groups->setInteger("ID_Grupy", ++id);
        m_groups->setText("NAME", name);
        m_groups->post();
    }
    m_groups->first();
    m_persons = std::make_unique<Table>();
    m_persons->open(m_dir->filePath("osoby.dbf"));
    const QStringList groups{"Magazyn", "Nieznana", "Biuro", ""};
    for (int i = 0; i < groups.size(); ++i) {
        m_persons->insert();
        m_persons->setInteger("NUMBER", i + 1);
        m_persons->setText("SURNAME", QStringLiteral("Imię %1").arg(i + 1));
        m_persons->setText("NAME", QStringLiteral("Nazwisko %1").arg(i + 1));
        m_persons->setText("GROUP", groups[i]);
        m_persons->setText("INFO", QStringLiteral("Uwagi %1").arg(i + 1));
        m_persons->post();
    }
    m_persons->first();
    m_readers = std::make_unique<Table>();
    m_readers->open(m_dir->filePath("sprzet.dbf"));
    for (int k = 1; k <= 2; ++k) {
        m_readers->insert();
        m_readers->setInteger("ID_CZYT", k);
        m_readers->setInteger("TIME", 2);
        m_readers->setText("NAME", QStringLiteral("Reader %1").arg(k));
        m_readers->setLogical("EMULACJA", false);
        m_readers->post();
    }
    m_readers->first();
}

void TestDbControls::cleanup()
{
    m_persons.reset();
    m_groups.reset();
    m_readers.reset();
    MessageBox::setRecording(false);
}

void TestDbControls::clickRow(DbGrid& grid, int row)
{
    const QRect cell = grid.visualRect(grid.model()->index(row, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

void TestDbControls::typingThenMovingTheGridPostsToDisk()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    DataSource source(m_persons.get());
    auto* grid = new DbGrid;
    auto* edit = new DbEdit;
    auto* memo = new DbMemo;
    layout->addWidget(grid);
    layout->addWidget(edit);
    layout->addWidget(memo);
    grid->bind(&source, {{"NUMBER", 40}, {"SURNAME", 200}, {"NAME", 200}, {"GROUP", 200}});
    edit->bind(&source, "SURNAME");
    memo->bind(&source, "INFO");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(grid->model()->rowCount(), 4);
    QCOMPARE(grid->columnWidth(0), 40);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(edit->text(), QStringLiteral("Imię 1"));
    QCOMPARE(edit->maxLength(), m_persons->fieldWidth(m_persons->fieldPosition("SURNAME")));

    edit->selectAll();
    typeText(edit, QStringLiteral("Żaneta"));
    QCOMPARE(m_persons->state(), Table::State::Editing);
    memo->selectAll();
    QTest::keyClicks(memo, QStringLiteral("Nowa uwaga"));
    QVERIFY(!dbfbytes::read(m_dir->filePath("osoby.dbf"))
                 .contains("\xAF"
                           "aneta"));

    clickRow(*grid, 2);
    QCOMPARE(m_persons->currentRow(), 2);
    QCOMPARE(m_persons->state(), Table::State::Browsing);
    QCOMPARE(grid->currentIndex().row(), 2);
    QCOMPARE(edit->text(), QStringLiteral("Imię 3"));
    QCOMPARE(memo->toPlainText(), QStringLiteral("Uwagi 3"));
    QVERIFY(dbfbytes::read(m_dir->filePath("osoby.dbf"))
                .contains("\xAF"
                          "aneta"));
    QVERIFY(dbfbytes::read(m_dir->filePath("osoby.dbt")).contains("Nowa uwaga"));
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Żaneta"));

    // The selected row follows moves made by the program.
    m_persons->next();
    QCOMPARE(grid->currentIndex().row(), 3);
    grid->setColumnTitle(1, QStringLiteral("Name"));
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
}

void TestDbControls::controlsFollowTheRecordUnlessSuspended()
{
    DataSource source(m_persons.get());
    DbEdit edit;
    DbText text;
    DbMemo memo;
    edit.bind(&source, "name");
    text.bind(&source, "NUMBER");
    memo.bind(&source, "INFO");
    QCOMPARE(text.text(), QStringLiteral("1"));
    m_persons->next();
    QCOMPARE(edit.text(), QStringLiteral("Nazwisko 2"));
    QCOMPARE(text.text(), QStringLiteral("2"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("Uwagi 2"));

    QSignalSpy shown(&source, &DataSource::recordChanged);
    m_persons->suspendDisplay();
    for (m_persons->first(); !m_persons->atEnd(); m_persons->next()) {
    }
    QCOMPARE(edit.text(), QStringLiteral("Nazwisko 2"));
    QCOMPARE(shown.count(), 0);
    m_persons->resumeDisplay();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(edit.text(), QStringLiteral("Nazwisko 4"));
    QCOMPARE(text.text(), QStringLiteral("4"));

    // A note the memo file cannot give shows empty and says why.
    QByteArray dbf = dbfbytes::read(m_dir->filePath("osoby.dbf"));
    m_persons.reset();
    const int headerLength = quint8(dbf[8]) | quint8(dbf[9]) << 8;
    const int recordLength = quint8(dbf[10]) | quint8(dbf[11]) << 8;
    dbf.replace(headerLength + recordLength - 10, 10, dbfbytes::right("77777", 10));
    dbfbytes::write(m_dir->filePath("osoby.dbf"), dbf);
    Table damaged;
    damaged.open(m_dir->filePath("osoby.dbf"));
    DataSource damagedSource(&damaged);
    memo.bind(&damagedSource, "INFO");
    QCOMPARE(memo.toPlainText(), QString());
    QVERIFY(memo.placeholderText().contains("beyond the end"));
}

void TestDbControls::pendingChangeIsPostedBeforeInsertAndRefresh()
{
    DataSource source(m_persons.get());
    DbEdit edit;
    DbMemo memo;
    edit.bind(&source, "NAME");
    memo.bind(&source, "INFO");
    edit.selectAll();
    typeText(&edit, QStringLiteral("Ćwik"));
    m_persons->insert();
    QCOMPARE(edit.text(), QString()); // the new blank record
    m_persons->cancel();
    m_persons->first();
    QCOMPARE(m_persons->asText("NAME"), QStringLiteral("Ćwik"));

    memo.selectAll();
    QTest::keyClicks(&memo, QStringLiteral("linia"));
    QTest::keyClick(&memo, Qt::Key_Return);
    QTest::keyClicks(&memo, QStringLiteral("druga"));
    m_persons->refresh();
    QCOMPARE(m_persons->asText("INFO"), QStringLiteral("linia\r\ndruga"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("linia\ndruga"));

    // Typing into a control on an empty table starts a new record and keeps
    // what was typed.
    m_readers->first();
    m_readers->remove();
    m_readers->remove();
    QVERIFY(m_readers->isEmpty());
    DataSource readers(m_readers.get());
    DbEdit name;
    name.bind(&readers, "NAME");
    QTest::keyClicks(&name, QStringLiteral("Brama"));
    QCOMPARE(m_readers->state(), Table::State::Inserting);
    QCOMPARE(name.text(), QStringLiteral("Brama"));
    m_readers->post();
    QCOMPARE(m_readers->rowCount(), 1);
    QCOMPARE(m_readers->asText("NAME"), QStringLiteral("Brama"));
}

void TestDbControls::readOnlyControlsLeaveTheRecordAlone()
{
    DataSource source(m_groups.get());
    QWidget window;
    auto* edit = new DbEdit(&window);
    auto* box = new DbCheckBox(&window);
    edit->bind(&source, "NAME");
    box->bind(&source, "p13");
    edit->setReadOnly(true);
    box->setReadOnly(true);
    box->move(0, 40);
    box->setText("13");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(edit, "xyz");
    QTest::mouseClick(box, Qt::LeftButton);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(m_groups->state(), Table::State::Browsing);
    QVERIFY(!box->isChecked());
    QVERIFY(box->isEnabled()); // read-only, not greyed
    QCOMPARE(edit->text(), QStringLiteral("Biuro"));
}

void TestDbControls::checkBoxWritesItsField()
{
    DataSource source(m_groups.get());
    QWidget window;
    auto* box = new DbCheckBox(&window);
    box->setText("82");
    box->bind(&source, "P82");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QCOMPARE(m_groups->state(), Table::State::Editing);
    QVERIFY(m_groups->asLogical("p82"));
    m_groups->next(); // stored with the move
    QVERIFY(!box->isChecked());
    m_groups->prior();
    QVERIFY(box->isChecked());
    QVERIFY(m_groups->asLogical("P82"));
}

void TestDbControls::relayTimeComboBox()
{
    DataSource source(m_readers.get());
    DbComboBox combo;
    combo.addItems({"1", "2", "3", "15", "200"});
    combo.bind(&source, "TIME");
    QCOMPARE(combo.currentText(), QStringLiteral("2"));
    combo.lineEdit()->selectAll();
    QTest::keyClicks(&combo, "15");
    QCOMPARE(m_readers->state(), Table::State::Editing);
    m_readers->refresh();
    QCOMPARE(m_readers->asInteger("TIME"), 15);
    QCOMPARE(combo.count(), 5); // typing adds no items

    // A lone sign is refused at the post; the stored value stays.
    combo.lineEdit()->selectAll();
    QTest::keyClicks(&combo, "-");
    const QString error = errorOf([&] { m_readers->refresh(); });
    QVERIFY2(error.contains("not a valid number"), qPrintable(error));
    m_readers->cancel();
    QCOMPARE(m_readers->asInteger("TIME"), 15);
    QCOMPARE(combo.currentText(), QStringLiteral("15"));

    combo.setReadOnly(true);
    QTest::keyClicks(&combo, "7");
    QTest::keyClick(&combo, Qt::Key_Down);
    QCOMPARE(m_readers->state(), Table::State::Browsing);
    QCOMPARE(combo.currentText(), QStringLiteral("15"));
}

void TestDbControls::lookupListShowsAndPositions()
{
    DataSource persons(m_persons.get());
    DataSource groups(m_groups.get());
    DbLookupCombo lookup;
    lookup.bind(&persons, "GROUP", &groups, "NAME");
    QCOMPARE(lookup.count(), 4);
    QCOMPARE(lookup.itemText(2), QStringLiteral("Biuro")); // natural order, repeats kept

    QCOMPARE(lookup.currentText(), QStringLiteral("Magazyn"));
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 2);
    m_persons->next(); // "Nieznana" matches no group
    QCOMPARE(lookup.currentIndex(), -1);
    QCOMPARE(lookup.currentText(), QString());
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 2); // stays where it was
    m_persons->next();                            // "Biuro": the first of the two
    QCOMPARE(lookup.currentIndex(), 0);
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 1);
    m_groups->moveToRow(3);
    m_persons->next(); // no group at all: the groups table stays too
    QCOMPARE(lookup.currentIndex(), -1);
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 4);

    // Renaming a group changes the list; the person keeps the old text and
    // so shows empty.
    m_persons->first();
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 2);
    m_groups->edit();
    m_groups->setText("NAME", QStringLiteral("Magazyn główny"));
    m_groups->post();
    QCOMPARE(lookup.itemText(1), QStringLiteral("Magazyn główny"));
    QCOMPARE(lookup.currentIndex(), -1);
    QCOMPARE(m_persons->asText("GROUP"), QStringLiteral("Magazyn"));

    // Editing another group on the groups page leaves that group current.
    m_persons->moveToRow(2); // "Biuro"
    m_groups->moveToRow(3);
    m_groups->edit();
    m_groups->setLogical("P1", true);
    m_groups->post();
    m_groups->insert();
    m_groups->setText("NAME", QStringLiteral("Nowa"));
    m_groups->post();
    QCOMPARE(m_groups->asText("NAME"), QStringLiteral("Nowa"));
    QCOMPARE(lookup.count(), 5);
    QCOMPARE(lookup.currentText(), QStringLiteral("Biuro"));
}

void TestDbControls::pickingFromTheLookupList()
{
    DataSource persons(m_persons.get());
    DataSource groups(m_groups.get());
    QWidget window;
    auto* lookup = new DbLookupCombo(&window);
    lookup->bind(&persons, "GROUP", &groups, "NAME");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    lookup->setFocus();

    lookup->setReadOnly(true);
    QTest::keyClick(lookup, Qt::Key_Down);
    QTest::keyClicks(lookup, "O");
    QCOMPARE(m_persons->state(), Table::State::Browsing);
    QCOMPARE(lookup->currentText(), QStringLiteral("Magazyn"));

    lookup->setReadOnly(false);
    QTest::keyClick(lookup, Qt::Key_Down); // picks the item after "Magazyn": the second "Biuro"
    QCOMPARE(m_persons->state(), Table::State::Editing);
    QCOMPARE(m_persons->asText("GROUP"), QStringLiteral("Biuro"));
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 1); // positioned on the first "Biuro"
    QTest::keyClick(lookup, Qt::Key_Down);
    QCOMPARE(m_persons->asText("GROUP"), QStringLiteral("Ochrona"));
    QCOMPARE(m_groups->asInteger("ID_Grupy"), 4);
    m_persons->next();
    m_persons->first();
    QCOMPARE(m_persons->asText("GROUP"), QStringLiteral("Ochrona"));
    QCOMPARE(lookup->currentText(), QStringLiteral("Ochrona"));
    QVERIFY(dbfbytes::read(m_dir->filePath("osoby.dbf")).contains("Ochrona"));
}

void TestDbControls::gridErrorsAreShownAndTheSelectionStays()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    DataSource source(m_readers.get());
    auto* grid = new DbGrid;
    auto* combo = new DbComboBox;
    layout->addWidget(grid);
    layout->addWidget(combo);
    grid->bind(&source, {{"NAME", 146}, {"TIME", 0}});
    combo->bind(&source, "TIME");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MessageBox::takeShown();

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "-");
    clickRow(*grid, 1);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().text.contains("not a valid number"), qPrintable(shown.first().text));
    QCOMPARE(shown.first().caption, QStringLiteral("Error"));
    QCOMPARE(m_readers->currentRow(), 0);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(m_readers->state(), Table::State::Editing);

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "30");
    clickRow(*grid, 1);
    QVERIFY(MessageBox::takeShown().isEmpty());
    QCOMPARE(m_readers->currentRow(), 1);
    QCOMPARE(grid->model()->index(0, 1).data().toLongLong(), 30);
}

QTEST_MAIN(TestDbControls)
#include "test_db_controls.moc"
