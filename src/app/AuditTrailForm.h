#pragma once

#include "i18n/TextSlots.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDate>
#include <QWidget>

#include <vector>

#include "audit/AuditLog.h"
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QTableWidget;

// The events of audit.log, newest first, read once when the window opens: a
// line is split into its fields only when it is shown or filtered. The last
// column marks every line that is not an event of the chain: a line a crash
// cut short, and one the chain does not hold (edited, inserted, a torn mark
// no crash leaves).
class AuditModel : public QAbstractTableModel
{
public:
    struct Filter
    {
        QString person; // a number, or parts of the family and first names
        QString table;  // empty for every table
        QDate from, to; // invalid for no bound
    };

    // What the person box finds: a record by its number, or a subject whose
    // names hold every typed word, whatever the case and accents.
    class NameMatch
    {
    public:
        explicit NameMatch(const QString& typed);
        bool matches(const QString& record, const QString& subject) const;

    private:
        QString m_number;
        QStringList m_words;
    };

    void load(QByteArray content);
    void setFilter(const Filter& filter);
    void setTitles(const QStringList& titles);
    // What the last column says of a torn line and of one outside the chain.
    void setMarks(const QString& torn, const QString& outside);
    qsizetype eventCount() const { return qsizetype(m_lines.size()); }
    // The fields of a shown row.
    QStringList fieldsAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QByteArray m_content;
    std::vector<std::pair<qsizetype, qsizetype>> m_lines; // whole lines: start, length
    std::vector<audit::LineState> m_states;               // of each line, by the chain
    std::vector<int> m_shown;                              // indices into m_lines, newest first
    QStringList m_titles;
    QString m_torn, m_outside;
};

// The audit trail's window (AuditTrailForm): filters by person, table and
// dates above the list; the chosen event's old and new values side by side
// below it.
class AuditTrailForm : public QWidget
{
public:
    AuditTrailForm(const TextSlots& texts, QWidget* parent);

    // Reads the file anew and shows it in the current language.
    void reload(const audit::Log& log);
    void applyFilter();
    void showDetails();
    // Its size where the screen has room for it, else the room there is, and
    // wholly on the screen's free area.
    void fitScreen();

    AuditModel* model() const { return m_model; }
    QLineEdit* person() const { return m_person; }
    QComboBox* table() const { return m_table; }
    QDateEdit* from() const { return m_from; }
    QDateEdit* to() const { return m_to; }
    QTableView* list() const { return m_list; }
    QTableWidget* details() const { return m_details; }
    QLabel* count() const { return m_count; }

private:
    const TextSlots& m_texts;
    AuditModel* m_model;
    QLineEdit* m_person;
    QComboBox* m_table;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QTableView* m_list;
    QTableWidget* m_details;
    QLabel* m_count;
};
