#include "ui/MainWindowUi.h"

#include "data/TableLayouts.h"
#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/Look.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int MainFontPixels = 13;
constexpr int TabFontPixels = 13;
constexpr int PasswordFontPixels = 15;
constexpr int StatusBarHeight = 23;
constexpr int ListRowHeight = 16; // rows of the relay time and language lists
// The relay time column has no width of its own; a grid's usual column width
// keeps it beside the 146-pixel name column inside the grid.
constexpr int RelayTimeColumnWidth = 64;
constexpr int ReaderNumberColumnWidth = 34;

// The access check boxes of the groups page: 8 columns of 12, numbered down
// each column. The first two columns sit a little lower than the others, and
// box 85 (top of the last column) is lower again.
constexpr std::array<int, 8> AccessColumnLefts = {10, 59, 108, 155, 204, 254, 303, 352};
constexpr std::array<int, 12> AccessTopsLeft = {15, 34, 54, 74, 94, 113, 133, 153, 172, 192, 212, 231};
constexpr std::array<int, 12> AccessTopsRight = {12, 32, 52, 71, 91, 111, 130, 150, 170, 190, 209, 229};
constexpr int AccessBox85Top = 15;
// Box 85 sits 3 pixels lower than its row but box 86 does not: it is made
// lower in height so that it does not cover the top of box 86.
constexpr int AccessBox85Height = 17;
constexpr int AccessBoxWidth = 41;
constexpr int AccessBoxHeight = 19; // the tightest rows are 19 apart

// The pager as designed: a dark tab strip, white tab texts (black on the
// selected tab), and pages filled with a light blue-grey gradient mirrored at
// half height. Normal tabs show the strip through them: white text on a
// light fill would not be readable.
QString pagerStyleSheet()
{
    using Look::cssColor;
    return QStringLiteral(
               "QTabWidget#Pager1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.067 %2, "
               "stop:1 %2); }"
               "QTabWidget#Pager1::tab-bar { left: 5px; }"
               "QTabWidget#Pager1::pane { border: 1px solid %3; border-top: none; padding-bottom: 1px;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:0.5 %5, stop:0.5 %5,"
               " stop:1 %6); }"
               "QTabBar::tab { height: 33px; margin-right: 5px; padding: 0px 5px; border: 1px solid transparent;"
               " color: white; background: transparent; }"
               "QTabBar::tab:hover { border-color: %7; background: qradialgradient(cx:0.5, cy:1, radius:1, "
               "fx:0.5, fy:1, stop:0 %8, stop:0.45 %9, stop:0.55 %10, stop:1 %11); }"
               "QTabBar::tab:selected { color: black; border-color: %12; background: qlineargradient(x1:0, y1:0, "
               "x2:0, y2:1, stop:0 %13, stop:0.5 %13, stop:0.5 %14, stop:1 %14); }"
               "QTabBar::tab:selected:hover { border-color: %15; }"
               "QTabBar::tab:disabled { color: gray; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
               "stop:0 white, stop:1 silver); }"
               // The pager's style sheet takes over its pages' palettes: what
               // the user role may not change is disabled, yet its texts and
               // values must stay readable. Buttons keep the usual grey, the
               // operator's cue that they do nothing.
               "QLabel:disabled, QCheckBox:disabled, QRadioButton:disabled, QGroupBox:disabled, "
               "QLineEdit:disabled, QComboBox:disabled, QPlainTextEdit:disabled, "
               "QTextEdit:disabled { color: rgb(80, 80, 80); }")
        .arg(cssColor(5460819), cssColor(3815994), cssColor(11841710), cssColor(13616833), cssColor(12958644),
             cssColor(15527141), cssColor(9870494), cssColor(1617645), cssColor(4413279))
        .arg(cssColor(9803415), cssColor(5992568), cssColor(14922381), cssColor(15724269), cssColor(13816526),
             cssColor(6343929));
}

// The narrow column left of a record grid's rows: an arrow marks the current
// record, as the design shows it. Row numbers would widen the column with the
// table (about 45 pixels for 65,535 persons) and push the fields to the right.
class IndicatorHeader : public QHeaderView
{
public:
    explicit IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
    }

    void setSelectionModel(QItemSelectionModel* model) override
    {
        QHeaderView::setSelectionModel(model);
        connect(model, &QItemSelectionModel::currentRowChanged, viewport(), [this] { viewport()->update(); });
    }

    QSize sizeHint() const override { return {Look::GridIndicatorWidth, QHeaderView::sizeHint().height()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        painter->save();
        painter->fillRect(rect, palette().color(QPalette::Button));
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        const QModelIndex current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
        if (current.isValid() && current.row() == logicalIndex) {
            const QPointF c = QRectF(rect).center();
            QPainterPath arrow;
            arrow.moveTo(c.x() - 2, c.y() - 4);
            arrow.lineTo(c.x() + 2, c.y());
            arrow.lineTo(c.x() - 2, c.y() + 4);
            arrow.closeSubpath();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->fillPath(arrow, palette().color(QPalette::WindowText));
        }
        painter->restore();
    }

    QSize sectionSizeFromContents(int) const override { return {Look::GridIndicatorWidth, defaultSectionSize()}; }
};

// A frame whose title sits on its top line, as the design draws it: the
// line runs through the middle of the title, so controls placed just below
// the title at the design coordinates are inside the frame.
class TitledFrame : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int lineY = metrics.height() / 2;
        const QString text = title();
        const QRect titleRect(TitleLeft, 0, text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + 2 * TitlePad,
                              metrics.height());
        painter.setClipRegion(QRegion(rect()).subtracted(QRegion(titleRect)));
        const QRect frame = rect().adjusted(0, lineY, -2, -2);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(frame);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(frame.translated(1, 1));
        painter.setClipping(false);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        painter.drawText(titleRect, Qt::AlignCenter, text);
    }

private:
    static constexpr int TitleLeft = 6;
    static constexpr int TitlePad = 2;
};

// Rows of a drop-down list at a fixed height.
class ListRowDelegate : public QStyledItemDelegate
{
public:
    ListRowDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

// Keeps one widget filling its parent, as the pager fills the client area
// between the menu bar and the status bar.
class FillParent : public QObject
{
public:
    FillParent(QWidget* child, QWidget* parent) : QObject(child), m_child(child)
    {
        parent->installEventFilter(this);
        m_child->setGeometry(parent->rect());
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            m_child->setGeometry(static_cast<QWidget*>(watched)->rect());
        return false;
    }

private:
    QWidget* m_child;
};

// Creates the control, names it and places it; every control goes into the
// list that controls() returns.
class Builder
{
public:
    explicit Builder(QList<QWidget*>& controls) : m_controls(controls) {}

    template <class W> W* make(QWidget* parent, const char* name, const QRect& place = {})
    {
        auto* w = new W(parent);
        w->setObjectName(QLatin1String(name));
        if (place.isValid())
            w->setGeometry(place);
        m_controls.append(w);
        return w;
    }

    // A label that sizes itself to its text.
    QLabel* label(QWidget* parent, const char* name, int left, int top, const QString& text)
    {
        auto* l = make<QLabel>(parent, name);
        l->setText(text);
        l->move(left, top);
        l->adjustSize();
        return l;
    }

    template <class B> B* captioned(QWidget* parent, const char* name, const QRect& place, const QString& text)
    {
        auto* b = make<B>(parent, name, place);
        b->setText(text);
        return b;
    }

    QPushButton* button(QWidget* parent, const char* name, const QRect& place, const QString& text, bool enabled = true)
    {
        auto* b = captioned<QPushButton>(parent, name, place, text);
        b->setEnabled(enabled);
        return b;
    }

    // A speed-button pair: `down` is down at start.
    QButtonGroup* speedPair(QPushButton* up, QPushButton* down)
    {
        auto* group = new QButtonGroup(down->parent());
        group->setExclusive(true);
        for (QPushButton* b : {up, down}) {
            b->setCheckable(true);
            b->setAutoDefault(false);
            group->addButton(b);
        }
        down->setChecked(true);
        return group;
    }

    QFrame* panel(QWidget* parent, const char* name, const QRect& place)
    {
        auto* p = make<QFrame>(parent, name, place);
        p->setFrameStyle(QFrame::Panel | QFrame::Raised);
        p->setLineWidth(1);
        return p;
    }

private:
    QList<QWidget*>& m_controls;
};

template <class Control> void lockAtStart(Control* control)
{
    control->setReadOnly(true);
    Look::paintControl(control, Look::winColor(Look::PageColor));
}

} // namespace

MainWindowUi::MainWindowUi() = default;
MainWindowUi::~MainWindowUi() = default;

void MainWindowUi::setupUi(QMainWindow* form1)
{
    m_controls.clear();
    form1->setObjectName(QStringLiteral("Form1"));
    form1->setWindowTitle(QStringLiteral("PELLARO V?"));
    // Narrow frame with a close box only; the size is set by the program.
    form1->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    form1->setFont(Look::uiFont(MainFontPixels));
    QPalette palette = form1->palette();
    palette.setColor(QPalette::Window, Look::winColor(Look::FormColor));
    Look::keepDisabledLegible(palette);
    form1->setPalette(palette);

    auto* client = new QWidget(form1);
    client->setObjectName(QStringLiteral("Form1Client"));
    form1->setCentralWidget(client);

    setupPager(client);
    setupLogin(client);
    setupMenu(form1);

    setupStatusBar(form1);

    // The pages keep their designed room above a bar of more rows.
    setClientSize(form1, DesignClientWidth, DesignClientHeight + statusBarGrowth());
}

void MainWindowUi::setupStatusBar(QMainWindow* form1)
{
    Status = new QStatusBar(form1);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setSizeGripEnabled(false);
    form1->setStatusBar(Status);
    // Each text has its own part, so none takes another's room: the link's
    // line (its animation, Find's word, what a card write came to) across the
    // whole bar; the counts and the passwords' warning below it; the
    // database's line, when there is one, below those.
    auto* parts = new QWidget(Status);
    parts->setObjectName(QStringLiteral("StatusParts"));
    auto* rows = new QVBoxLayout(parts);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    const int gap = parts->fontMetrics().averageCharWidth() * 2;
    LinkStatus = new StatusPart(QStringLiteral("LinkStatus"), parts);
    rows->addWidget(LinkStatus);
    auto* counts = new QHBoxLayout;
    counts->setSpacing(gap);
    DefaultPasswords = new StatusPart(QStringLiteral("DefaultPasswords"), parts);
    ProgramListStatus = new StatusPart(QStringLiteral("ProgramListStatus"), parts);
    CardsToRewriteStatus = new StatusPart(QStringLiteral("CardsToRewriteStatus"), parts);
    // Clear of the window's edge, as the texts on the left are.
    CardsToRewriteStatus->setContentsMargins(0, 0, gap, 0);
    counts->addWidget(DefaultPasswords);
    counts->addWidget(ProgramListStatus);
    counts->addStretch(1);
    counts->addWidget(CardsToRewriteStatus);
    rows->addLayout(counts);
    // The database's news are whole sentences with the server's reason.
    DatabaseStatus = new StatusPart(QStringLiteral("DatabaseStatus"), parts);
    DatabaseStatus->setLines(2);
    rows->addWidget(DatabaseStatus);
    Status->addWidget(parts, 1);
    DefaultPasswords->hide();
    ProgramListStatus->hide();
    DatabaseStatus->hide();
    fitStatusBar();
    Status->hide();
    m_controls.append(Status);
}

void MainWindowUi::fitStatusBar()
{
    // The bar as designed held one line; each further line adds its height.
    const int rows = 2 + (DatabaseStatus->isHidden() ? 0 : DatabaseStatus->lines());
    Status->setFixedHeight(StatusBarHeight + (rows - 1) * LinkStatus->fontMetrics().height());
}

int MainWindowUi::statusBarGrowth() const
{
    return Status->maximumHeight() - StatusBarHeight;
}

void MainWindowUi::setupLogin(QWidget* client)
{
    Builder b(m_controls);

    // The frame trace is never shown; it only collects the hex of sent frames.
    Memo1 = b.make<QPlainTextEdit>(client, "Memo1", QRect(-4, -20, 69, 45));
    Memo1->setPlainText(QStringLiteral("Memo\n1"));
    {
        QPalette p = Memo1->palette();
        p.setColor(QPalette::Base, Qt::black);
        p.setColor(QPalette::Text, Qt::red);
        Memo1->setPalette(p);
    }
    Memo1->hide();

    Bevel1 = b.make<QFrame>(client, "Bevel1", QRect(0, -8, 681, 9));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->hide();

    Image1 = b.make<QLabel>(client, "Image1", QRect(0, 0, 400, 203));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap picture(QStringLiteral(":/start.png"));
    if (!picture.isNull())
        Image1->setPixmap(picture);

    // The password box shows every typed character as the same square, so
    // not even the length of a word is easy to read off.
    Edit5 = b.make<QLineEdit>(client, "Edit5", QRect(8, 169, 86, 21));
    Edit5->setFrame(false);
    Edit5->setEchoMode(QLineEdit::Password);
    // The placeholder ("Password", in the current language) is drawn in the
    // palette's placeholder colour, readable on the dark box.
    QPalette placeholder = Edit5->palette();
    placeholder.setColor(QPalette::PlaceholderText, QColor(0xc0, 0xc0, 0xc0));
    Edit5->setPalette(placeholder);
    Edit5->setFont(Look::uiFont(PasswordFontPixels));
    Edit5->setStyleSheet(QStringLiteral("QLineEdit#Edit5 { background: navy; color: yellow; border: none;"
                                        " lineedit-password-character: 9632; }"));

    BitBtn1 = b.button(client, "BitBtn1", QRect(104, 169, 97, 24), QStringLiteral("Confirm"));
    BitBtn1->setIcon(BitBtn1->style()->standardIcon(QStyle::SP_DialogOkButton));
    LoginWait = b.make<QLabel>(client, "LoginWait", QRect(208, 164, 190, 34));
    LoginWait->setWordWrap(true);
    LoginWait->hide();
}

void MainWindowUi::setupPager(QWidget* client)
{
    Builder b(m_controls);
    Pager1 = b.make<QTabWidget>(client, "Pager1");
    Pager1->setAttribute(Qt::WA_StyledBackground);
    Pager1->tabBar()->setFont(Look::uiFont(TabFontPixels, true));
    Pager1->tabBar()->setDrawBase(false);
    Pager1->tabBar()->setMovable(false);
    Pager1->setStyleSheet(pagerStyleSheet());
    new FillParent(Pager1, client);

    const std::array<std::pair<QWidget**, const char*>, 4> pages = {
        {{&Pager11, "Pager11"}, {&Pager12, "Pager12"}, {&Pager13, "Pager13"}, {&PagerPage1, "PagerPage1"}}};
    const std::array<QString, 4> captions = {QStringLiteral("Osoby"), QStringLiteral("Grupy"),
                                             QStringLiteral("Czytniki"), QStringLiteral("Ustawienia")};
    for (size_t i = 0; i < pages.size(); ++i) {
        auto* page = b.make<QWidget>(nullptr, pages[i].second);
        *pages[i].first = page;
        Pager1->addTab(page, captions[i]);
    }

    setupPersonsPage();
    setupGroupsPage();
    setupReadersPage();
    setupSettingsPage();

    Pager1->setCurrentWidget(Pager11);
    Pager1->hide();
}

void MainWindowUi::setupPersonsPage()
{
    Builder b(m_controls);
    QWidget* page = Pager11;

    DBGrid1 = b.make<DbGrid>(page, "DBGrid1", QRect(14, 8, 649, 209));
    DBGrid1->setVerticalHeader(new IndicatorHeader(DBGrid1));
    Look::paintControl(DBGrid1, Look::winColor(Look::PageColor));

    Panel2 = b.panel(page, "Panel2", QRect(8, 220, 345, 265));
    DBEdit8 = b.make<DbEdit>(Panel2, "DBEdit8", QRect(13, 10, 148, 24));
    lockAtStart(DBEdit8);
    Label7 = b.label(Panel2, "Label7", 173, 12, QStringLiteral("Surname"));
    DBEdit2 = b.make<DbEdit>(Panel2, "DBEdit2", QRect(12, 40, 148, 24));
    lockAtStart(DBEdit2);
    Label13 = b.label(Panel2, "Label13", 174, 40, QStringLiteral("Name"));
    DBEdit5 = b.make<DbEdit>(Panel2, "DBEdit5", QRect(12, 70, 148, 24));
    lockAtStart(DBEdit5);
    Label14 = b.label(Panel2, "Label14", 174, 71, QStringLiteral("Number of duplicates "));
    DBEdit1 = b.make<DbEdit>(Panel2, "DBEdit1", QRect(12, 99, 148, 24));
    lockAtStart(DBEdit1);
    Label3 = b.label(Panel2, "Label3", 174, 101, QStringLiteral("Number in database "));
    DBLB2 = b.make<DbLookupCombo>(Panel2, "DBLB2", QRect(12, 128, 148, 24));
    lockAtStart(DBLB2);
    Label4 = b.label(Panel2, "Label4", 174, 130, QStringLiteral("Group"));
    Button9 = b.button(Panel2, "Button9", QRect(16, 160, 75, 24), QStringLiteral("Add"), false);
    Button7 = b.button(Panel2, "Button7", QRect(96, 160, 75, 24), QStringLiteral("Remove"), false);
    SpeedButton4 = b.button(Panel2, "SpeedButton4", QRect(176, 160, 73, 24), QStringLiteral("Edit"));
    SpeedButton3 = b.button(Panel2, "SpeedButton3", QRect(255, 160, 73, 24), QStringLiteral("Confirm"));
    personsModeButtons = b.speedPair(SpeedButton4, SpeedButton3);

    GroupBox6 = b.make<TitledFrame>(Panel2, "GroupBox6", QRect(16, 184, 313, 73));
    GroupBox6->setTitle(QStringLiteral("GroupBox6"));
    Edit4 = b.make<QLineEdit>(GroupBox6, "Edit4", QRect(8, 17, 153, 24));
    RadioButton4 =
        b.captioned<QRadioButton>(GroupBox6, "RadioButton4", QRect(168, 16, 113, 17), QStringLiteral("RadioButton4"));
    RadioButton5 =
        b.captioned<QRadioButton>(GroupBox6, "RadioButton5", QRect(168, 48, 113, 17), QStringLiteral("RadioButton5"));
    RadioButton5->setChecked(true);
    CheckBox2 = b.captioned<QCheckBox>(GroupBox6, "CheckBox2", QRect(8, 48, 97, 17), QStringLiteral("CheckBox2"));

    // The note accepts typing until the first Confirm locks the page.
    DBMemo1 = b.make<DbMemo>(page, "DBMemo1", QRect(406, 232, 251, 57));
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label2 = b.label(page, "Label2", 408, 288, QStringLiteral("Note: "));
    CBox2 = b.captioned<QCheckBox>(page, "CBox2", QRect(408, 312, 153, 17), QStringLiteral(" Duplicate card"));
    Button4 = b.button(page, "Button4", QRect(408, 342, 225, 31), QStringLiteral("Program"));
    Button2 = b.button(page, "Button2", QRect(408, 382, 225, 31), QStringLiteral("Read"));
    Button3 = b.button(page, "Button3", QRect(408, 424, 225, 31), QStringLiteral("Delete withdrawal "));
    Label22 = b.label(page, "Label22", 544, 472, QStringLiteral("Label22"));
    Label22->hide();
}

void MainWindowUi::setupGroupsPage()
{
    Builder b(m_controls);
    QWidget* page = Pager12;

    Label5 = b.label(page, "Label5", 262, 12, QStringLiteral("Access only to checked readers"));
    DBGrid2 = b.make<DbGrid>(page, "DBGrid2", QRect(10, 26, 223, 148));
    DBGrid2->setVerticalHeader(new IndicatorHeader(DBGrid2));
    DBGrid2->setFrameShape(QFrame::Box);
    DBGrid2->setLineWidth(1);
    Look::paintControl(DBGrid2, Look::winColor(Look::PageColor));
    Label6 = b.label(page, "Label6", 9, 187, QStringLiteral("Note"));
    DBMemo2 = b.make<DbMemo>(page, "DBMemo2", QRect(10, 209, 223, 128));
    DBMemo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Panel1 = b.panel(page, "Panel1", QRect(249, 34, 407, 263));
    for (int number = 1; number <= cards::ReaderCount; ++number) {
        const int column = (number - 1) / 12;
        const int row = (number - 1) % 12;
        int top = column < 2 ? AccessTopsLeft[size_t(row)] : AccessTopsRight[size_t(row)];
        int height = AccessBoxHeight;
        if (number == 85) {
            top = AccessBox85Top;
            height = AccessBox85Height;
        }
        const QByteArray name = "DBCheckBox" + QByteArray::number(number);
        DbCheckBox* box = b.make<DbCheckBox>(Panel1, name.constData(),
                                             QRect(AccessColumnLefts[size_t(column)], top, AccessBoxWidth, height));
        box->setText(QString::number(number));
        box->setReadOnly(true);
        DBCheckBoxes[size_t(number - 1)] = box;
    }

    Button13 = b.button(page, "Button13", QRect(248, 312, 200, 25), QStringLiteral("Full access "), false);
    Button14 = b.button(page, "Button14", QRect(456, 312, 200, 25), QStringLiteral("No access"), false);
    DBEdit6 = b.make<DbEdit>(page, "DBEdit6", QRect(8, 376, 145, 24));
    lockAtStart(DBEdit6);
    Label9 = b.label(page, "Label9", 160, 380, QStringLiteral("Group's name"));
    Button1 = b.button(page, "Button1", QRect(304, 376, 80, 25), QStringLiteral("Add"), false);
    Button10 = b.button(page, "Button10", QRect(392, 376, 80, 25), QStringLiteral("Remove"), false);
    SpeedButton5 = b.button(page, "SpeedButton5", QRect(480, 376, 80, 25), QStringLiteral("Edit"));
    SpeedButton6 = b.button(page, "SpeedButton6", QRect(568, 376, 80, 25), QStringLiteral("Confirm"));
    groupsModeButtons = b.speedPair(SpeedButton5, SpeedButton6);
}

void MainWindowUi::setupReadersPage()
{
    Builder b(m_controls);
    QWidget* page = Pager13;

    DBGrid3 = b.make<DbGrid>(page, "DBGrid3", QRect(10, 16, 255, 225));
    DBGrid3->setVerticalHeader(new IndicatorHeader(DBGrid3));
    Label15 = b.label(page, "Label15", 8, 248, QStringLiteral("Note"));
    DBMemo3 = b.make<DbMemo>(page, "DBMemo3", QRect(10, 272, 255, 185));
    lockAtStart(DBMemo3);

    GroupBox3 = b.make<TitledFrame>(page, "GroupBox3", QRect(296, 8, 361, 233));
    GroupBox3->setTitle(QStringLiteral("Reader parameters  "));
    DBEdit3 = b.make<DbEdit>(GroupBox3, "DBEdit3", QRect(16, 24, 121, 24));
    lockAtStart(DBEdit3);
    Label10 = b.label(GroupBox3, "Label10", 152, 30, QStringLiteral("Reader's name"));
    DBComboBox1 = b.make<DbComboBox>(GroupBox3, "DBComboBox1", QRect(16, 56, 121, 24));
    DBComboBox1->setEditable(true);
    for (int seconds : RelayTimes)
        DBComboBox1->addItem(QString::number(seconds));
    DBComboBox1->setCurrentIndex(-1);
    DBComboBox1->setItemDelegate(new ListRowDelegate(ListRowHeight, DBComboBox1));
    lockAtStart(DBComboBox1);
    Label11 = b.label(GroupBox3, "Label11", 152, 58, QStringLiteral("Relay time"));
    DBEdit4 = b.make<DbEdit>(GroupBox3, "DBEdit4", QRect(16, 88, 121, 24));
    lockAtStart(DBEdit4);
    Label12 = b.label(GroupBox3, "Label12", 152, 88, QStringLiteral("Reader's number"));
    DBCheckBox98 = b.captioned<DbCheckBox>(GroupBox3, "DBCheckBox98", QRect(16, 120, 257, 17),
                                           QStringLiteral("Additional informing in standard PROX "));
    DBCheckBox98->setReadOnly(true);
    DBCheckBox98->hide();
    DBCheckBox97 = b.captioned<DbCheckBox>(GroupBox3, "DBCheckBox97", QRect(16, 144, 257, 17),
                                           QStringLiteral("User's ID on COM port"));
    DBCheckBox97->setReadOnly(true);
    Button6 = b.button(GroupBox3, "Button6", QRect(16, 200, 75, 25), QStringLiteral("Add"), false);
    Button8 = b.button(GroupBox3, "Button8", QRect(96, 200, 75, 25), QStringLiteral("Remove"), false);
    SpeedButton1 = b.button(GroupBox3, "SpeedButton1", QRect(176, 200, 73, 25), QStringLiteral("Edit"));
    SpeedButton2 = b.button(GroupBox3, "SpeedButton2", QRect(256, 200, 73, 25), QStringLiteral("Confirm"));
    readersModeButtons = b.speedPair(SpeedButton1, SpeedButton2);

    GroupBox1 = b.make<TitledFrame>(page, "GroupBox1", QRect(296, 264, 361, 193));
    GroupBox1->setTitle(QStringLiteral("Options"));
    RadioButton3 =
        b.captioned<QRadioButton>(GroupBox1, "RadioButton3", QRect(24, 24, 185, 17), QStringLiteral("New reader"));
    RadioButton1 =
        b.captioned<QRadioButton>(GroupBox1, "RadioButton1", QRect(24, 48, 233, 17), QStringLiteral("Existing reader"));
    RadioButton1->setChecked(true);
    RadioButton2 = b.captioned<QRadioButton>(GroupBox1, "RadioButton2", QRect(24, 72, 265, 17),
                                             QStringLiteral("Change system code"));
    // The old system code, shown only while "changed the system code" is chosen.
    Edit2 = b.make<QLineEdit>(GroupBox1, "Edit2", QRect(24, 96, 161, 24));
    Look::paintControl(Edit2, Qt::red);
    Edit2->hide();
    Label17 = b.label(GroupBox1, "Label17", 192, 96, QStringLiteral("Old code"));
    Label17->hide();
    CheckBox1 = b.captioned<QCheckBox>(GroupBox1, "CheckBox1", QRect(24, 128, 297, 17),
                                       QStringLiteral("Clear memory of lost cards"));
    Button12 = b.button(GroupBox1, "Button12", QRect(24, 152, 321, 33), QStringLiteral("Save to card"));
}

void MainWindowUi::setupSettingsPage()
{
    Builder b(m_controls);
    QWidget* page = PagerPage1;

    Label18 = b.label(page, "Label18", 192, 72, QStringLiteral("Label18"));
    Label8 = b.label(page, "Label8", 192, 96, QStringLiteral("Number range 1...1 000 000"));
    Edit1 = b.make<QLineEdit>(page, "Edit1", QRect(192, 122, 209, 24));
    Button5 = b.button(page, "Button5", QRect(410, 122, 75, 25), QStringLiteral("Write"));
    Label19 = b.label(page, "Label19", 192, 160, QStringLiteral("Label19"));
    Edit6 = b.make<QLineEdit>(page, "Edit6", QRect(190, 186, 211, 24));
    Button15 = b.button(page, "Button15", QRect(410, 184, 75, 25), QStringLiteral("Write"));
    Label20 = b.label(page, "Label20", 192, 232, QStringLiteral("Label20"));
    Edit8 = b.make<QLineEdit>(page, "Edit8", QRect(190, 256, 211, 24));
    Button11 = b.button(page, "Button11", QRect(410, 256, 75, 25), QStringLiteral("Write"));
    Label21 = b.label(page, "Label21", 192, 296, QStringLiteral("Label21"));
    // The language box also takes a typed name; only an exact table name
    // selects a language.
    ComboBox1 = b.make<QComboBox>(page, "ComboBox1", QRect(192, 320, 211, 24));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(
        {QStringLiteral("Polski"), QStringLiteral("English"), QStringLiteral("český"), QStringLiteral("Magyar")});
    ComboBox1->setCurrentText(QStringLiteral("Polski"));
    ComboBox1->setItemDelegate(new ListRowDelegate(ListRowHeight, ComboBox1));
    Button18 = b.button(page, "Button18", QRect(413, 319, 73, 25), QStringLiteral("Write"));
}

void MainWindowUi::setupMenu(QMainWindow* form1)
{
    MainMenu1 = form1->menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    auto menu = [](QWidget* parent, const char* name, const QString& text) {
        auto* m = new QMenu(text, parent);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [](QMenu* parent, const char* name, const QString& text) {
        QAction* a = parent->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };

    Edycja1 = menu(MainMenu1, "Edycja1", QStringLiteral("Edycja"));
    Uytkownicy1 = item(Edycja1, "Uytkownicy1", QStringLiteral("Osoby"));
    Grupy1 = item(Edycja1, "Grupy1", QStringLiteral("Grupy"));
    Czytniki1 = item(Edycja1, "Czytniki1", QStringLiteral("Czytniki"));
    Edycja1->addSeparator();
    Eksportosb1 = item(Edycja1, "Eksportosb1", QStringLiteral("Eksport osób…"));
    Importosb1 = item(Edycja1, "Importosb1", QStringLiteral("Import osób…"));

    Port1 = menu(MainMenu1, "Port1", QStringLiteral("Port"));
    COM11 = item(Port1, "COM11", QStringLiteral("Połącz"));
    Rozcz1 = item(Port1, "Rozcz1", QStringLiteral("Rozłącz"));
    Wybrportu1 = menu(Port1, "Wybrportu1", QStringLiteral("Port"));
    Port1->addMenu(Wybrportu1);
    COM12 = item(Wybrportu1, "COM12", QStringLiteral("COM1"));
    COM22 = item(Wybrportu1, "COM22", QStringLiteral("COM2"));
    COM21 = item(Wybrportu1, "COM21", QStringLiteral("COM3"));
    COM41 = item(Wybrportu1, "COM41", QStringLiteral("COM4"));
    // The port in force carries the tick (none for a port number the file
    // holds outside 1..4).
    auto* ports = new QActionGroup(Wybrportu1);
    ports->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* port : {COM12, COM22, COM21, COM41}) {
        port->setCheckable(true);
        ports->addAction(port);
    }

    Pomoc1 = menu(MainMenu1, "Pomoc1", QStringLiteral("Pomoc"));
    Oprogramie1 = item(Pomoc1, "Oprogramie1", QStringLiteral("Plik pomocy"));
    Oprogramie2 = item(Pomoc1, "Oprogramie2", QStringLiteral("O programie"));
    // F1 opens the manual from every window of the program, the login box
    // included, where the menu is still hidden: the window itself holds it.
    Oprogramie1->setShortcut(QKeySequence(Qt::Key_F1));
    Oprogramie1->setShortcutContext(Qt::ApplicationShortcut);
    form1->addAction(Oprogramie1);

    // No menu command is reachable before login.
    for (QMenu* top : {Edycja1, Port1, Pomoc1}) {
        MainMenu1->addMenu(top);
        top->menuAction()->setVisible(false);
    }
}

void MainWindowUi::bind(DataSource* ds1, DataSource* ds2, DataSource* ds3)
{
    DBGrid1->bind(ds1, {{PersonField::Number, 40},
                        {PersonField::FirstName, 200},
                        {PersonField::FamilyName, 200},
                        {PersonField::Group, 200}});
    DBEdit8->bind(ds1, PersonField::FirstName);
    DBEdit2->bind(ds1, PersonField::FamilyName);
    DBEdit5->bind(ds1, PersonField::Index);
    DBEdit1->bind(ds1, PersonField::Number);
    DBLB2->bind(ds1, PersonField::Group, ds3, GroupField::Name);
    DBMemo1->bind(ds1, PersonField::Info);

    DBGrid2->bind(ds3, {{GroupField::Name, 192}});
    DBEdit6->bind(ds3, GroupField::Name);
    DBMemo2->bind(ds3, GroupField::Notes);
    for (int number = 1; number <= cards::ReaderCount; ++number)
        accessBox(number)->bind(ds3, QStringLiteral("P%1").arg(number));

    // The reader's number, the one its access boxes and cards go by, shows
    // first; it is the last column of the model, so the name and the time
    // keep their columns.
    DBGrid3->bind(ds2, {{ReaderField::Name, 146 - ReaderNumberColumnWidth},
                        {ReaderField::Time, RelayTimeColumnWidth},
                        {ReaderField::Number, ReaderNumberColumnWidth}});
    DBGrid3->horizontalHeader()->moveSection(2, 0);
    DBMemo3->bind(ds2, ReaderField::Place);
    DBEdit3->bind(ds2, ReaderField::Name);
    DBComboBox1->bind(ds2, ReaderField::Time);
    DBEdit4->bind(ds2, ReaderField::Number);
    DBCheckBox98->bind(ds2, ReaderField::Prox);
    DBCheckBox97->bind(ds2, ReaderField::Emulation);
}

void MainWindowUi::setClientSize(QMainWindow* form1, int width, int height)
{
    // The status bar lies inside the client area; the menu bar does not.
    const QMenuBar* bar = form1->menuBar();
    const int menuHeight = bar && bar->isVisibleTo(form1) ? bar->sizeHint().height() : 0;
    form1->setFixedSize(width, height + menuHeight);
}

DbCheckBox* MainWindowUi::accessBox(int number) const
{
    if (number < 1 || number > cards::ReaderCount)
        return nullptr;
    return DBCheckBoxes[size_t(number - 1)];
}

QList<QWidget*> MainWindowUi::controls() const
{
    return m_controls;
}
