#include "projectitemdelegate.h"
#include "windowfit.h"

#include <QtTest>

// The window on any screen, and the project list's row shared between the
// path and what the project holds.
class TestDialogFit : public QObject
{
    Q_OBJECT

private slots:
    void windowFitsTheScreen_data();
    void windowFitsTheScreen();
    void rowSharedBetweenPathAndContents_data();
    void rowSharedBetweenPathAndContents();
    void pathKeepsItsFileNameAndLastFolders_data();
    void pathKeepsItsFileNameAndLastFolders();
    void fileNameLongerThanTheRoomIsShortenedInItsMiddle();
};

void TestDialogFit::windowFitsTheScreen_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QSize>("least");
    QTest::addColumn<QRect>("fitted");
    const QSize small(400, 300);
    // Screen 0,0 1024x768 less a 32 px panel at the top; frames of 4 px, a
    // 24 px title bar: the room is 4,56 1016x708.
    QTest::newRow("fits as it is") << QRect(100, 100, 800, 500) << small << QRect(100, 100, 800, 500);
    QTest::newRow("fits to the pixel") << QRect(4, 56, 1016, 708) << small << QRect(4, 56, 1016, 708);
    QTest::newRow("one pixel too wide") << QRect(4, 56, 1017, 708) << small << QRect(4, 56, 1016, 708);
    QTest::newRow("remembered on a larger screen") << QRect(300, 200, 1600, 1100) << small << QRect(4, 56, 1016, 708);
    QTest::newRow("opened too far right") << QRect(41, 100, 1013, 500) << small << QRect(7, 100, 1013, 500);
    QTest::newRow("above the panel") << QRect(100, 0, 800, 500) << small << QRect(100, 56, 800, 500);
    QTest::newRow("off the screen to the left") << QRect(-900, 100, 800, 500) << small << QRect(4, 100, 800, 500);
    QTest::newRow("least larger than the room: top left kept") << QRect(200, 200, 1100, 500) << QSize(1100, 300)
                                                                << QRect(4, 200, 1100, 500);
}

void TestDialogFit::windowFitsTheScreen()
{
    QFETCH(QRect, geometry);
    QFETCH(QSize, least);
    QFETCH(QRect, fitted);
    const QRect screen(0, 32, 1024, 736);
    QCOMPARE(fittedOnScreen(geometry, QMargins(4, 24, 4, 4), least, screen), fitted);
}

void TestDialogFit::rowSharedBetweenPathAndContents_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("leastPath");
    QTest::addColumn<int>("contents");
    QTest::addColumn<int>("given");
    QTest::newRow("all they need") << 600 << 150 << 280 << 280;
    QTest::newRow("all the path leaves") << 600 << 150 << 450 << 450;
    QTest::newRow("one pixel more than the path leaves") << 600 << 150 << 451 << 450;
    QTest::newRow("nothing to show") << 600 << 150 << 0 << 0;
    QTest::newRow("a row narrower than the file name") << 100 << 150 << 280 << 0;
}

void TestDialogFit::rowSharedBetweenPathAndContents()
{
    QFETCH(int, row);
    QFETCH(int, leastPath);
    QFETCH(int, contents);
    QFETCH(int, given);
    QCOMPARE(ProjectItemDelegate::contentsColumnWidth(row, leastPath, contents), given);
}

void TestDialogFit::pathKeepsItsFileNameAndLastFolders_data()
{
    QTest::addColumn<QString>("fits");
    QTest::addColumn<int>("less");
    QTest::addColumn<QString>("shown");
    const QString path = QDir::toNativeSeparators("/tmp/survey/2026/north/block07/block07.Q7D");
    const QString lead = QString("…") + QDir::separator();
    const QString lastTwo = lead + QDir::toNativeSeparators("block07/block07.Q7D");
    QTest::newRow("whole, to the pixel") << path << 0 << path;
    // "…" is narrower than "/tmp".
    QTest::newRow("one pixel less: the first folder goes") << path << 1
        << lead + QDir::toNativeSeparators("survey/2026/north/block07/block07.Q7D");
    QTest::newRow("the last folder and the file name") << lastTwo << 0 << lastTwo;
    QTest::newRow("one pixel less: the file name alone") << lastTwo << 1 << lead + "block07.Q7D";
    QTest::newRow("the file name alone, to the pixel") << lead + "block07.Q7D" << 0 << lead + "block07.Q7D";
}

// Room for the text named fits, less some pixels.
void TestDialogFit::pathKeepsItsFileNameAndLastFolders()
{
    QFETCH(QString, fits);
    QFETCH(int, less);
    QFETCH(QString, shown);
    const QFontMetrics metrics(QApplication::font());
    const QString path = QDir::toNativeSeparators("/tmp/survey/2026/north/block07/block07.Q7D");
    QCOMPARE(ProjectItemDelegate::elidedPath(path, metrics, metrics.horizontalAdvance(fits) - less), shown);
}

void TestDialogFit::fileNameLongerThanTheRoomIsShortenedInItsMiddle()
{
    const QFontMetrics metrics(QApplication::font());
    const QString shown = ProjectItemDelegate::elidedPath("/a/a_very_long_block_name_07.Q7D", metrics,
                                                          metrics.horizontalAdvance("a_very_long"));
    QVERIFY2(shown.contains(QChar(0x2026)) && shown.endsWith(".Q7D") && !shown.contains('/'), qPrintable(shown));
}

QTEST_MAIN(TestDialogFit)
#include "tst_dialogfit.moc"
