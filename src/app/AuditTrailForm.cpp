#include "app/AuditTrailForm.h"

#include "audit/AuditLog.h"
#include "i18n/Text.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QScreen>
#include <QTableWidget>

#include <algorithm>

namespace {

// Columns of the list: the line's fields before the details and the hash,
// then the line's place in the chain.
constexpr int FieldColumns = 8;
constexpr int ChainColumn = FieldColumns, ListColumns = FieldColumns + 1;
constexpr int TimeColumn = 0, TableColumn = 5, RecordColumn = 6, SubjectColumn = 7, DetailsColumn = 8;
const QDate NoDate(2000, 1, 1); // the date boxes' "no bound"
// The window's own size, where the screen has room for it; the frame the
// window manager adds around it is kept in sight as well.
constexpr QSize WindowSize(900, 600);
constexpr QSize FrameAllowance(16, 48);
// How many of the newest rows the columns are made wide enough for: a few
// screens of them, not a long trail's every line.
constexpr int FittedRows = 100;

// A name as the filter compares it: letters without their accents (Polish,
// Czech and Hungarian ones decompose into a letter and its marks; "ł" does
// not and is mapped by hand), case folded. "Żółkiewski" and "zolkiewski"
// fold alike.
QString folded(const QString& text)
{
    // Most names of a long trail are plain letters: no decomposition for them.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out += c == u'ł' || c == u'Ł' ? QChar(u'l') : c.toCaseFolded();
    }
    return out;
}

bool isNumber(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

AuditModel::NameMatch::NameMatch(const QString& typed)
{
    const QString text = typed.trimmed();
    if (isNumber(text))
        m_number = text;
    else
        m_words = folded(text).split(u' ', Qt::SkipEmptyParts);
}

bool AuditModel::NameMatch::matches(const QString& record, const QString& subject) const
{
    if (!m_number.isEmpty())
        return record == m_number || subject.section(u' ', 0, 0) == m_number;
    const QString names = folded(subject);
    return std::all_of(m_words.begin(), m_words.end(), [&names](const QString& word) { return names.contains(word); });
}

void AuditModel::load(QByteArray content)
{
    beginResetModel();
    m_content = std::move(content);
    m_lines.clear();
    qsizetype pos = 0;
    while (pos < m_content.size()) {
        qsizetype end = m_content.indexOf('\n', pos);
        if (end < 0)
            end = m_content.size(); // a torn last line is shown as it is
        m_lines.emplace_back(pos, end - pos);
        pos = end + 1;
    }
    m_states = audit::verify(m_content).lines;
    m_shown.clear(); // the filter fills it: one reset of the view, not two
    endResetModel();
}

QStringList AuditModel::fieldsAt(int row) const
{
    const auto [start, length] = m_lines[m_shown[row]];
    QStringList fields = audit::fields(QByteArrayView(m_content.constData() + start, length));
    for (QString& field : fields)
        field = audit::fieldText(field);
    return fields;
}

void AuditModel::setMarks(const QString& torn, const QString& outside)
{
    m_torn = torn;
    m_outside = outside;
}

void AuditModel::setFilter(const Filter& f)
{
    beginResetModel();
    m_shown.clear();
    const QByteArray table = f.table.toUtf8();
    const NameMatch person(f.person);
    const QByteArray from = f.from.isValid() ? f.from.toString(Qt::ISODate).toLatin1() : QByteArray();
    const QByteArray to = f.to.isValid() ? f.to.toString(Qt::ISODate).toLatin1() : QByteArray();
    for (int i = int(m_lines.size()) - 1; i >= 0; --i) {
        const QByteArrayView line(m_content.constData() + m_lines[i].first, m_lines[i].second);
        // The date is the line's first ten characters: compared as bytes.
        const QByteArrayView date = line.first(qMin<qsizetype>(10, line.size()));
        if ((!from.isEmpty() && date < from) || (!to.isEmpty() && date > to))
            continue;
        if (!table.isEmpty() || !f.person.isEmpty()) {
            const QStringList fields = audit::fields(line);
            if (fields.size() <= SubjectColumn)
                continue;
            if (!table.isEmpty() && audit::fieldText(fields[TableColumn]) != f.table)
                continue;
            if (!f.person.isEmpty() &&
                !person.matches(audit::fieldText(fields[RecordColumn]), audit::fieldText(fields[SubjectColumn])))
                continue;
        }
        m_shown.push_back(i);
    }
    endResetModel();
}

void AuditModel::setTitles(const QStringList& titles)
{
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, ListColumns - 1);
}

int AuditModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int AuditModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ListColumns;
}

QVariant AuditModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    if (index.column() == ChainColumn) {
        const size_t line = size_t(m_shown[index.row()]);
        const audit::LineState state = line < m_states.size() ? m_states[line] : audit::LineState::Outside;
        return state == audit::LineState::Torn ? m_torn : state == audit::LineState::Outside ? m_outside : QString();
    }
    const QStringList fields = fieldsAt(index.row());
    if (fields.size() < audit::FieldCount)
        return index.column() == TimeColumn ? QVariant(fields.join(u' ')) : QVariant(); // torn
    return index.column() == TimeColumn ? fields[0].left(19).replace(u'T', u' ') : fields[index.column()];
}

QVariant AuditModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section < m_titles.size() ? m_titles[section] : QVariant();
}

AuditTrailForm::AuditTrailForm(const TextSlots& texts, QWidget* parent)
    : QWidget(parent, Qt::Window), m_texts(texts), m_model(new AuditModel)
{
    setObjectName(QStringLiteral("AuditTrailForm"));
    m_model->setParent(this);
    m_person = new QLineEdit(this);
    m_person->setObjectName(QStringLiteral("AuditPerson"));
    m_table = new QComboBox(this);
    m_table->setObjectName(QStringLiteral("AuditTable"));
    auto dateBox = [this](const char* name) {
        auto* box = new QDateEdit(this);
        box->setObjectName(QLatin1String(name));
        box->setCalendarPopup(true);
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        box->setMinimumDate(NoDate);
        box->setSpecialValueText(QStringLiteral(" ")); // the minimum: no bound
        box->setDate(NoDate);
        return box;
    };
    m_from = dateBox("AuditFrom");
    m_to = dateBox("AuditTo");
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("AuditList"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    // Rows of one height: the view need not ask 200,000 rows for theirs.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_list->horizontalHeader()->setStretchLastSection(true);
    // The columns fit the newest rows, those the window opens on.
    m_list->horizontalHeader()->setResizeContentsPrecision(FittedRows);
    m_details = new QTableWidget(0, 3, this);
    m_details->setObjectName(QStringLiteral("AuditDetails"));
    m_details->verticalHeader()->hide();
    m_details->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("AuditCount"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(texts[Text::AuditPersonFilter], this), 0, 0);
    grid->addWidget(m_person, 0, 1);
    grid->addWidget(new QLabel(texts[Text::AuditTableFilter], this), 0, 2);
    grid->addWidget(m_table, 0, 3);
    grid->addWidget(new QLabel(texts[Text::AuditFrom], this), 0, 4);
    grid->addWidget(m_from, 0, 5);
    grid->addWidget(new QLabel(texts[Text::AuditTo], this), 0, 6);
    grid->addWidget(m_to, 0, 7);
    grid->addWidget(m_list, 1, 0, 1, 8);
    grid->addWidget(m_details, 2, 0, 1, 8);
    grid->addWidget(m_count, 3, 0, 1, 8);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(2, 1);
    resize(WindowSize);

    m_table->addItem(texts[Text::AuditAllTables], QString());
    for (const char* table : {"osoby.dbf", "grupa.dbf", "sprzet.dbf", "config.ini", "cards.log"})
        m_table->addItem(QLatin1String(table), QLatin1String(table));
    connect(m_person, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(m_table, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(m_from, &QDateEdit::dateChanged, this, [this] { applyFilter(); });
    connect(m_to, &QDateEdit::dateChanged, this, [this] { applyFilter(); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { showDetails(); });
}

void AuditTrailForm::reload(const audit::Log& log)
{
    setWindowTitle(m_texts[Text::AuditCaption]);
    m_model->setTitles(m_texts[Text::AuditColumns].split(u'|') << m_texts[Text::TrailChainColumn]);
    m_model->setMarks(m_texts[Text::TrailTornMark], m_texts[Text::TrailOutsideMark]);
    m_details->setHorizontalHeaderLabels(m_texts[Text::AuditDetailColumns].split(u'|'));
    QByteArray content;
    QString error;
    if (!log.content(&content, &error))
        MessageBox::show(m_texts[Text::AuditNotReadable].arg(log.path(), error), m_texts[Text::AuditCaption]);
    m_model->load(std::move(content));
    applyFilter();
}

void AuditTrailForm::applyFilter()
{
    const auto bound = [](const QDateEdit* box) { return box->date() == NoDate ? QDate() : box->date(); };
    m_model->setFilter({m_person->text().trimmed(), m_table->currentData().toString(), bound(m_from), bound(m_to)});
    m_count->setText(m_texts[Text::AuditEvents].arg(m_model->rowCount()).arg(m_model->eventCount()));
    // Each column as wide as its title and the newest rows' texts; the last
    // one takes what is left.
    m_list->resizeColumnsToContents();
    m_details->setRowCount(0);
}

void AuditTrailForm::fitScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    resize(WindowSize.boundedTo(room.size() - FrameAllowance).expandedTo(minimumSizeHint()));
    // Over the main window where there is room, never past the screen's edges.
    const QPoint centre = parentWidget() ? parentWidget()->frameGeometry().center() : room.center();
    const QRect wanted(centre - rect().center(), size() + FrameAllowance);
    move(qBound(room.left(), wanted.left(), qMax(room.left(), room.right() - wanted.width() + 1)),
         qBound(room.top(), wanted.top(), qMax(room.top(), room.bottom() - wanted.height() + 1)));
}

void AuditTrailForm::showDetails()
{
    m_details->setRowCount(0);
    const int row = m_list->currentIndex().row();
    if (row < 0)
        return;
    const QStringList fields = m_model->fieldsAt(row);
    if (fields.size() <= DetailsColumn)
        return;
    const QList<audit::Item> items = audit::decodeDetails(fields[DetailsColumn]);
    m_details->setRowCount(int(items.size()));
    for (int i = 0; i < items.size(); ++i) {
        const audit::Item& item = items[i];
        m_details->setItem(i, 0, new QTableWidgetItem(item.name));
        m_details->setItem(i, 1, new QTableWidgetItem(item.change ? item.before : QString()));
        m_details->setItem(i, 2, new QTableWidgetItem(item.value));
    }
}
