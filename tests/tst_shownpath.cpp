#include "shownpath.h"

#include <QtTest>

class TestShownPath : public QObject
{
    Q_OBJECT

private slots:
    void cleansWhatPeopleSee_data();
    void cleansWhatPeopleSee();
};

void TestShownPath::cleansWhatPeopleSee_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "/tmp/a/b.Q7D" << "/tmp/a/b.Q7D";
    QTest::newRow("the merge's joins") << "/tmp//m//Adjustment//m_ori.q7c" << "/tmp/m/Adjustment/m_ori.q7c";
    QTest::newRow("three and one") << "/tmp///m/x" << "/tmp/m/x";
    QTest::newRow("dot folders") << "/ex//block01/./block01.Q7D" << "/ex/block01/block01.Q7D";
    QTest::newRow("dots and doubles mixed") << "/src/.///./b/.//c" << "/src/b/c";
    QTest::newRow("dot at the end stays") << "/src/." << "/src/.";
    QTest::newRow(".. stays (a link may lead elsewhere)") << "/a/b/../c" << "/a/b/../c";
    QTest::newRow("hidden file stays") << "/a/.hidden//x" << "/a/.hidden/x";
    QTest::newRow("network share's pair kept") << "//server/share//x" << "/" "/server/share/x";
    QTest::newRow("in a sentence") << "Folder creation failed!\n/a//b: no, //c and x//y."
                                   << "Folder creation failed!\n/a/b: no, //c and x/y.";
    QTest::newRow("empty") << QString() << QString();
}

void TestShownPath::cleansWhatPeopleSee()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(shownPath(text), QDir::toNativeSeparators(shown));
}

QTEST_GUILESS_MAIN(TestShownPath)
#include "tst_shownpath.moc"
