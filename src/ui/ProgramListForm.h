#pragma once

#include <QDialog>

#include <functional>

class QAbstractItemModel;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The window of Edit > Program a list: what fills the queue (a group, the
// persons the search shows, the cards to rewrite), the queue itself, the
// station's buttons and how far it is. It stays open beside the main window.
class ProgramListForm : public QDialog
{
    Q_OBJECT

public:
    explicit ProgramListForm(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* queue);
    // Asked before the window closes; false keeps it open.
    void setCloseCheck(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

    QLabel* ProgramListGroupLabel = nullptr;
    QComboBox* ProgramListGroup = nullptr;
    QPushButton* ProgramListAddGroup = nullptr;
    QPushButton* ProgramListAddShown = nullptr;
    QPushButton* ProgramListAddRewrite = nullptr;
    QPushButton* ProgramListClear = nullptr;
    QTableView* ProgramListView = nullptr;
    QProgressBar* ProgramListProgress = nullptr;
    QLabel* ProgramListState = nullptr;
    QPushButton* ProgramListStart = nullptr;
    QPushButton* ProgramListPause = nullptr;
    QPushButton* ProgramListSkip = nullptr;
    QPushButton* ProgramListStop = nullptr;
    QPushButton* ProgramListHandover = nullptr;

public slots:
    // The close box and Escape come here.
    void reject() override;

private:
    std::function<bool()> m_mayClose;
};
