// Help > Help: the help file when the working directory has one, the built-in
// manual otherwise, in the language of the language box; every page of the
// manual shows its pictures and links only to pages that exist.

#include "app/Form1.h"
#include "app/StartPicture.h"
#include "data/TableLayouts.h"
#include "manual/Manual.h"
#include "ui/ManualWindow.h"
#include "ui/MessageBox.h"
#include "ui/ScreenShots.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>

#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

// The pictures and the links of the page the browser shows, resolved
// against the page's address.
struct PageParts
{
    QList<QUrl> images;
    QList<QUrl> links;
};

PageParts partsOf(const QTextBrowser* browser)
{
    PageParts parts;
    const QTextDocument* doc = browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat())
                parts.images << browser->source().resolved(QUrl(f.toImageFormat().name()));
            else if (f.isAnchor() && !f.anchorHref().isEmpty())
                parts.links << browser->source().resolved(QUrl(f.anchorHref()));
        }
    }
    return parts;
}

QImage imageAt(const QUrl& url)
{
    return QImage(QLatin1Char(':') + url.path());
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop's file viewer.
    void openFile(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void helpOpensManualInLanguage_data();
    void helpOpensManualInLanguage();
    void helpFileWinsOverManual();
    void pagesShowPicturesAndLinkWithin_data();
    void pagesShowPicturesAndLinkWithin();

private:
    std::unique_ptr<WorkingDirectory> m_dir;
    QList<QUrl> m_opened;
};

void TestManual::initTestCase()
{
    MessageBox::setRecording(true);
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFile");
}

void TestManual::init()
{
    QVERIFY(renewWorkingDirectory(m_dir));
    m_opened.clear();
}

void TestManual::cleanup()
{
    m_dir.reset();
}

void TestManual::helpOpensManualInLanguage_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("f1AtLogin"); // else the Help menu after a login
    QTest::newRow("Polish") << QByteArray("Polski") << QStringLiteral("Podręcznik programu Pellaro")
                            << QStringLiteral("qrc:/manual/pl/index.html") << false;
    QTest::newRow("F1 at the login") << QByteArray("Polski") << QStringLiteral("Podręcznik programu Pellaro")
                                     << QStringLiteral("qrc:/manual/pl/index.html") << true;
    QTest::newRow("English") << QByteArray("English") << QStringLiteral("Pellaro manual")
                             << QStringLiteral("qrc:/manual/en/index.html") << false;
    // Czech and Hungarian have no manual of their own: they read the English one.
    QTest::newRow("Czech") << QByteArray("\xe8\x65sk\xfd") << QStringLiteral("Pellaro manual")
                           << QStringLiteral("qrc:/manual/en/index.html") << false;
    QTest::newRow("Hungarian") << QByteArray("Magyar") << QStringLiteral("Pellaro manual")
                               << QStringLiteral("qrc:/manual/en/index.html") << false;
}

void TestManual::helpOpensManualInLanguage()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, title);
    QFETCH(QString, page);

    // config.ini is code page 1250, as the program writes it.
    writeFile(QStringLiteral("config.ini"), "[Language]\r\nLanguage=" + language + "\r\n");
    QFETCH(bool, f1AtLogin);
    Program p;
    if (f1AtLogin) {
        p.form1->show();
        QVERIFY(QTest::qWaitForWindowActive(p.form1.get()));
        QTest::keyClick(p.form1->ui().Edit5, Qt::Key_F1);
        QTest::keyClick(p.form1->ui().Edit5, Qt::Key_F1);
        QVERIFY(!p.form1->inWorkingState());
    } else {
        QTest::keyClicks(p.form1->ui().Edit5, QStringLiteral("1"));
        QTest::mouseClick(p.form1->ui().BitBtn1, Qt::LeftButton);
        QVERIFY(p.form1->inWorkingState());
        p.form1->ui().Oprogramie1->trigger();
        p.form1->ui().Oprogramie1->trigger();
    }
    const QList<ManualWindow*> windows = p.form1->findChildren<ManualWindow*>();
    QCOMPARE(windows.size(), 1);
    ManualWindow* w = windows[0];
    QVERIFY(w->isVisible());
    // The whole window on the screen, whatever its size.
    QVERIFY(w->screen()->availableGeometry().contains(w->frameGeometry()));
    QCOMPARE(w->windowTitle(), title);
    QCOMPARE(w->browser()->source().toString(), page);
    QVERIFY(m_opened.isEmpty());

    // The first picture is the login window, rendered from the real window.
    const PageParts parts = partsOf(w->browser());
    QVERIFY(!parts.images.isEmpty());
    const QVariant shown = w->browser()->document()->resource(QTextDocument::ImageResource, parts.images[0]);
    // Once drawn, the browser keeps the picture as a pixmap; before that as the file's bytes.
    const QImage login =
        shown.typeId() == QMetaType::QPixmap ? shown.value<QPixmap>().toImage() : QImage::fromData(shown.toByteArray());
    QCOMPARE(login.size(), QSize(400, 200));
    // ...with the start picture above the password box, as the program draws it.
    // The pictures are rendered where the program is built: a system without
    // the build's fonts draws the title's letters otherwise, and nothing else.
    const QRect picture(0, 0, 400, 160);
    const QImage inManual = login.convertToFormat(QImage::Format_RGB32).copy(picture);
    const QImage drawn = StartPicture().toImage().convertToFormat(QImage::Format_RGB32).copy(picture);
    QCOMPARE(inManual.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            differing += inManual.pixel(x, y) != drawn.pixel(x, y);
    QVERIFY2(differing <= picture.width() * picture.height() / 16, qPrintable(QString::number(differing)));
    QVERIFY(MessageBox::takeShown().isEmpty());
    // Escape in the page closes the window.
    QTest::keyClick(w->browser(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
}

void TestManual::helpFileWinsOverManual()
{
    writeFile(QStringLiteral("access.chm"), "ITSF");
    Program p;
    p.form1->ui().Oprogramie1->trigger();
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath("access.chm"))});
    QVERIFY(p.form1->findChildren<ManualWindow*>().isEmpty());
}

void TestManual::pagesShowPicturesAndLinkWithin_data()
{
    QTest::addColumn<QString>("language");
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")})
        QTest::newRow(qPrintable(language)) << language;
}

void TestManual::pagesShowPicturesAndLinkWithin()
{
    QFETCH(QString, language);
    QTextBrowser browser;
    const QStringList pages = QDir(QStringLiteral(":/manual/") + language).entryList({QStringLiteral("*.html")});
    QCOMPARE(pages.size(), QDir(QStringLiteral(":/manual/en")).entryList({QStringLiteral("*.html")}).size());
    QSet<QString> shown;
    for (const QString& page : pages) {
        browser.setSource(QUrl(QStringLiteral("qrc:/manual/%1/%2").arg(language, page)));
        QVERIFY2(!browser.documentTitle().isEmpty(), qPrintable(page));
        const PageParts parts = partsOf(&browser);
        for (const QUrl& image : parts.images) {
            QVERIFY2(!imageAt(image).isNull(), qPrintable(page + ": " + image.toString()));
            QVERIFY2(image.path().endsWith(QStringLiteral("-%1.png").arg(language)), qPrintable(image.toString()));
            shown << image.fileName();
        }
        for (const QUrl& link : parts.links) {
            if (link.scheme() == QLatin1String("qrc"))
                QVERIFY2(QFile::exists(QLatin1Char(':') + link.path()), qPrintable(page + ": " + link.toString()));
        }
    }
    // Every window the program has appears in the manual, except About.
    for (const QString& name : WindowShotNames()) {
        if (name != QLatin1String("form2"))
            QVERIFY2(shown.contains(QStringLiteral("%1-%2.png").arg(name, language)), qPrintable(name));
    }
}

QTEST_MAIN(TestManual)
#include "test_manual.moc"
