#include "ui/ManualWindow.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr QSize ManualSize(820, 720);

} // namespace

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ManualWindow"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("ManualBrowser"));
    // Links to other pages of the manual stay in the window; a link out of
    // it (a web address) goes to the desktop's browser.
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(ManualSize);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(m_browser->documentTitle()); });
}

ManualWindow::~ManualWindow() = default;

void ManualWindow::fitScreen()
{
    // Its size, or less on a small screen (1366 x 768 with a panel), with
    // room for the window's frame: the whole window and its scroll bar stay
    // in sight.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QSize frame(16, 48);
    resize(ManualSize.boundedTo(room.size() - frame));
    move(room.center() - rect().center() - QPoint(0, frame.height() / 2));
}

void ManualWindow::showPage(const QUrl& page)
{
    m_browser->setSource(page);
    setWindowTitle(m_browser->documentTitle());
    if (!isVisible())
        fitScreen();
    show();
    raise();
    activateWindow();
}

void ManualWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel))
        close();
    else
        QWidget::keyPressEvent(event);
}
