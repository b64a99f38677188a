// The new project's name must be one plain path component that every file
// made from it can carry.

#include "projectname.h"

#include <QTextCodec>
#include <QtTest>

class TestProjectName : public QObject
{
    Q_OBJECT

private slots:
    void nameIsOnePlainComponent_data();
    void nameIsOnePlainComponent();
};

void TestProjectName::nameIsOnePlainComponent_data()
{
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal"); // a part of the message, empty when accepted

    const int longest = longestProjectNameBytes();
    // NAME_xyz.txt.part<pid>-<n>, each number of up to 10 digits, in 255 bytes
    QCOMPARE(longest, 255 - 8 - 26);
    const QString utf8Two = QString::fromUtf8("\xc3\xa9"); // two bytes in UTF-8
    QTest::newRow("plain") << QByteArray("UTF-8") << "merged" << "";
    QTest::newRow("dots inside") << QByteArray("UTF-8") << "a.b..c" << "";
    QTest::newRow("three dots") << QByteArray("UTF-8") << "..." << "";
    QTest::newRow("blanks") << QByteArray("UTF-8") << "  " << "";
    QTest::newRow("dot") << QByteArray("UTF-8") << "." << "names a folder";
    QTest::newRow("dot dot") << QByteArray("UTF-8") << ".." << "names a folder";
    QTest::newRow("up and over") << QByteArray("UTF-8") << "../x" << "must not contain \"/\"";
    QTest::newRow("slash") << QByteArray("UTF-8") << "a/" << "must not contain \"/\"";
    QTest::newRow("backslash") << QByteArray("UTF-8") << "a\\b" << "must not contain \"\\\"";
    QTest::newRow("NUL") << QByteArray("UTF-8") << QString("a") + QChar(0) + "b" << "a NUL character";
    QTest::newRow("line feed") << QByteArray("UTF-8") << "a\nb" << "a line end";
    QTest::newRow("carriage return") << QByteArray("UTF-8") << "a\r" << "a line end";
    QTest::newRow("longest") << QByteArray("UTF-8") << QString(longest, 'x') << "";
    QTest::newRow("one byte more") << QByteArray("UTF-8") << QString(longest + 1, 'x')
                                   << QString("%1 bytes long; at most %2").arg(longest + 1).arg(longest);
    QTest::newRow("longest, two-byte end") << QByteArray("UTF-8") << QString(longest - 2, 'x') + utf8Two << "";
    QTest::newRow("two-byte end one over") << QByteArray("UTF-8") << QString(longest - 1, 'x') + utf8Two
                                           << "bytes long";
    QTest::newRow("Latin-1 longest") << QByteArray("ISO-8859-1") << QString(longest - 1, 'x') + utf8Two << "";
    QTest::newRow("lone surrogate") << QByteArray("UTF-8") << QString("a") + QChar(0xd800) << "encoding";
    QTest::newRow("not in Latin-1") << QByteArray("ISO-8859-1") << QString::fromUtf8("\xe6\x97\xa5") << "encoding";
    // The ANSI code page of Western Europe holds the operators' letters, and
    // a refusal names the first one it cannot hold.
    for (const char *name : {"Gr\xc3\xb6\xc3\x9f" "e", "M\xc3\xbc" "nchen", "Cr\xc3\xa9teil", "Espa\xc3\xb1" "a",
                             "\xe2\x82\xac" "uro"})
        QTest::newRow(name) << QByteArray("Windows-1252") << QString::fromUtf8(name) << "";
    QTest::newRow("Polish letter") << QByteArray("Windows-1252") << QString::fromUtf8("Gda\xc5\x84sk")
                                   << QString::fromUtf8("which has no \"\xc5\x84\"");
    QTest::newRow("Greek after German") << QByteArray("Windows-1252")
                                        << QString::fromUtf8("\xc3\x9f\xce\xa9\xe6\x97\xa5")
                                        << QString::fromUtf8("which has no \"\xce\xa9\"");
    QTest::newRow("outside the plane") << QByteArray("Windows-1252") << QString::fromUtf8("a\xf0\x9f\x93\xb7")
                                       << QString::fromUtf8("which has no \"\xf0\x9f\x93\xb7\"");
    QTest::newRow("lone surrogate named") << QByteArray("UTF-8") << QString("a") + QChar(0xdc01) << "no \"U+DC01\"";
}

void TestProjectName::nameIsOnePlainComponent()
{
    QFETCH(QByteArray, codec);
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    QTextCodec *const before = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName(codec));
    const Problem problem = projectNameProblem(name);
    QTextCodec::setCodecForLocale(before);
    if (refusal.isEmpty())
        QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
    else
        QVERIFY2(problem.value_or(QString()).contains(refusal), qPrintable(problem.value_or(QString())));
}

QTEST_GUILESS_MAIN(TestProjectName)
#include "tst_projectname.moc"
