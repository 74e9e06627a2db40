#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The program's own manual in a window of the program, for desktops without
// a viewer for the help file: HTML pages shown by the text browser, with
// links between them. The caption is the page's title.
class ManualWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ManualWindow(QWidget* parent = nullptr);
    ~ManualWindow() override;

    // Opens the page and brings the window to the front.
    void showPage(const QUrl& page);
    QTextBrowser* browser() const { return m_browser; }

protected:
    // Escape closes the window, as it does a dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitScreen();

    QTextBrowser* m_browser = nullptr;
};
