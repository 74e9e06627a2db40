// Renders the windows offscreen in English and Polish through the code that
// makes the manual's pictures, saves them as PNG files under SCREENSHOT_DIR
// for a look by eye, and checks that every picture was made, has the
// window's size and is not blank.

#include "app/StartPicture.h"
#include "ui/ScreenShots.h"

#include <QDir>
#include <QtTest>

class TestUiScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windows_data();
    void windows();
    void unknownLanguageIsRefused();

private:
    QDir m_dir;
};

void TestUiScreenshots::initTestCase()
{
    QVERIFY(QDir().mkpath(QStringLiteral(SCREENSHOT_DIR)));
    m_dir = QDir(QStringLiteral(SCREENSHOT_DIR));
}

void TestUiScreenshots::windows_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("English") << QStringLiteral("English") << QStringLiteral("en");
    QTest::newRow("Polish") << QStringLiteral("Polski") << QStringLiteral("pl");
}

void TestUiScreenshots::windows()
{
    QFETCH(QString, language);
    QFETCH(QString, suffix);

    QString error;
    const QList<WindowShot> shots = ShootWindows(language, StartPicture(), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList names;
    for (const WindowShot& shot : shots) {
        names << shot.name;
        QCOMPARE(shot.image.size(), shot.expectedSize);
        // A window that never painted grabs as one flat colour.
        const QRgb corner = shot.image.pixel(0, 0);
        bool drawn = false;
        for (int y = 0; y < shot.image.height() && !drawn; y += 7)
            for (int x = 0; x < shot.image.width() && !drawn; x += 7)
                drawn = shot.image.pixel(x, y) != corner;
        QVERIFY2(drawn, qPrintable(shot.name));
        const QString path = m_dir.filePath(QStringLiteral("%1-%2.png").arg(shot.name, suffix));
        QVERIFY2(shot.image.save(path), qPrintable(path));
    }
    QCOMPARE(names, WindowShotNames());
    QCOMPARE(shots.value(1).expectedSize, QSize(682, 570));
}

void TestUiScreenshots::unknownLanguageIsRefused()
{
    QString error;
    QVERIFY(ShootWindows(QStringLiteral("english"), QPixmap(), &error).isEmpty());
    QVERIFY(error.contains(QStringLiteral("english")));
}

QTEST_MAIN(TestUiScreenshots)
#include "tst_uiscreenshots.moc"
