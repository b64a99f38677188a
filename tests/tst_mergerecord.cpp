#include "mergefixture.h"
#include "mergelog.h"
#include "q7version.h"
#include "shownpath.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// The batch program's record of each merge in Log/merge.log, its --json report
// and the programs' --version.

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments, QIODevice::ReadWrite | QIODevice::Text);
    Run result;
    if (process.waitForFinished(patientMs) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    return result;
}

QString fileSize(const QString &path)
{
    return QString("(%1 bytes)").arg(QFileInfo(path).size());
}

} // namespace

class TestMergeRecord : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void recordsEachMergeAndKeepsEarlierRecords();
    void refusedMergeWritesNoRecord();
    void jsonAgreesWithTheFiles();
    void programsTellTheirVersion_data();
    void programsTellTheirVersion();
    void commandLineQuotesWhatAShellWouldSplit_data();
    void commandLineQuotesWhatAShellWouldSplit();
    void pathsShownCleaned_data();
    void pathsShownCleaned();

private:
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
    QString cli = binPath("q7prjmerge-cli");
};

void TestMergeRecord::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    samples = makeSampleProjects(temp + "/src", 2, 20);
    QCOMPARE(samples.size(), 2);
}

void TestMergeRecord::recordsEachMergeAndKeepsEarlierRecords()
{
    const QStringList arguments = QStringList{"--dir", temp, "--name", "m"} + samples;
    QCOMPARE(run(cli, arguments).exitCode, 0);
    const QString logPath = temp + "/m/Log/merge.log";
    const QString first = QString::fromUtf8(readBytes(logPath));

    const QString out = temp + "/m";
    const QString source2 = QFileInfo(samples[1]).path();
#ifdef Q_OS_WIN
    // As Windows names the program to itself, with backslashes.
    const QString startedAs = QDir::toNativeSeparators(cli);
    const QString solver = "Z7Uzurer.exe";
#else
    const QString startedAs = cli;
    const QString solver = "Z7Uzurer";
#endif
    for (const QString &expected :
         {QString("program: q7prjmerge-cli " Q7_VERSION "\n"),
          QString("started as: batch program: %1 %2\n").arg(startedAs, arguments.join(' ')),
          QString("  2. project file: %1 %2\n").arg(shown(samples[1]), fileSize(samples[1])),
          QString("     position file: %1 %2\n")
              .arg(shown(source2 + "/block02_xyz.txt"), fileSize(source2 + "/block02_xyz.txt")),
          QString("     orientation file: %1 %2\n")
              .arg(shown(source2 + "/Adjustment/block02_ori.q7c"), fileSize(source2 + "/Adjustment/block02_ori.q7c")),
          QString("output folder: %1\n").arg(shown(out)),
          // The command as it ran.
          QString("solver: %1//AT//%3 -t mergeq7c -l %2//m.txt -p %2//m_xyz.txt -d %2//Adjustment\n")
              .arg(QFileInfo(Q7_BIN_DIR).absoluteFilePath(), temp + "//m", solver),
          QString("solver exit code: 0\nsolver output:\n  Z7Uzurer: merged 2 projects: 4 cameras, 39 images, "
                  "1 duplicates dropped\nsteps:\n  output folder: "),
          QString("counts: 2 projects, 4 cameras, 39 images; 40 positions read, 39 merged\nresult: succeeded\n\n")})
        QVERIFY2(first.contains(expected), qPrintable(expected + "\nnot in:\n" + first));
    QVERIFY(first.startsWith("=== merge of " + QDate::currentDate().toString(Qt::ISODate)));
    QVERIFY(first.indexOf("  1. project file: " + shown(samples[0])) < first.indexOf("  2. project file: "));
    for (const char *step : {"solver", "camera file", "image list", "project file", "groups"})
        QVERIFY2(first.contains(QRegularExpression(QString("\n  %1: +ok +\\d+ ms\n").arg(step))), step);

    // A second merge, whose solver fails, appends its own record.
    QVERIFY(QFile::remove(QFileInfo(samples[1]).path() + "/Adjustment/block02_ori.q7c"));
    QCOMPARE(run(cli, arguments).exitCode, 1);
    const QString both = QString::fromUtf8(readBytes(logPath));
    QVERIFY(both.startsWith(first));
    const QString second = both.mid(first.size());
    QCOMPARE(second.count("=== merge of "), 1);
    QVERIFY(second.contains("(missing)\n"));
    QVERIFY(second.contains("solver exit code: 1\nsolver output:\n  Z7Uzurer: cannot read "));
    QVERIFY(second.contains(QRegularExpression("\n  solver: +FAILED +\\d+ ms  \\S+ exited with code 1\n")));
    QVERIFY(second.endsWith("result: a step failed\n\n"));
}

void TestMergeRecord::refusedMergeWritesNoRecord()
{
    // The new project would be written over the first source project.
    const QString sourceFolder = QFileInfo(samples[0]).path();
    QVERIFY(QDir().mkpath(sourceFolder + "/Log"));
    const Run refused = run(cli, QStringList{"--json", "--dir", temp + "/src", "--name", "block01"} + samples);
    QCOMPARE(refused.exitCode, 2);
    QVERIFY(!QFileInfo::exists(sourceFolder + "/Log/merge.log"));
    const QJsonObject json = QJsonDocument::fromJson(refused.out).object();
    QCOMPARE(json.value("started"), QJsonValue(false));
    QCOMPARE(json.value("exitCode"), QJsonValue(2));
}

void TestMergeRecord::jsonAgreesWithTheFiles()
{
    const Run merged = run(cli, QStringList{"--json", "--dir", temp, "--name", "m"} + samples);
    QCOMPARE(merged.exitCode, 0);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(merged.out, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + "\n" + merged.out));
    QCOMPARE(json.value("exitCode"), QJsonValue(0));
    QCOMPARE(json.value("succeeded"), QJsonValue(true));

    const QString out = temp + "/m/";
    const QJsonObject counts = json.value("counts").toObject();
    QCOMPARE(counts.value("projects").toInt(), 2);
    QCOMPARE(counts.value("positionsMerged").toInt(), readBytes(out + "m_xyz.txt").count('\n'));
    QCOMPARE(counts.value("images").toInt(), readBytes(out + "m.lst").count('\n'));
    QCOMPARE(counts.value("images").toInt(), tableRows(out + "m.temp", "imageinfos", "1").size());
    QCOMPARE(counts.value("cameras").toInt(),
             QString::fromUtf8(readText(out + "m.cmr")).count(QRegularExpression("^<C_\\d+>$",
                                                                                  QRegularExpression::MultilineOption)));

    QStringList outputs;
    for (const QJsonValue &file : json.value("outputs").toArray()) {
        const QString path = file.toObject().value("path").toString();
        QCOMPARE(file.toObject().value("bytes").toDouble(), double(QFileInfo(path).size()));
        outputs.append(QFileInfo(path).fileName());
    }
    QCOMPARE(outputs, QStringList({"m.txt", "m_xyz.txt", "m_ori.q7c", "m.cmr", "m.lst", "m.Q7D", "m.temp",
                                   "merge.log"}));
    const QJsonArray steps = json.value("steps").toArray();
    QCOMPARE(steps.size(), 14);
    for (const QJsonValue &step : steps)
        QVERIFY(step.toObject().value("ok").toBool());
    QCOMPARE(json.value("solver").toObject().value("exitCode"), QJsonValue(0));
}

void TestMergeRecord::programsTellTheirVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
    QTest::newRow("dialog") << "q7prjmerge" << "q7prjmerge";
    QTest::newRow("batch program") << "q7prjmerge-cli" << "q7prjmerge-cli";
    QTest::newRow("solver") << "AT/Z7Uzurer" << "Z7Uzurer";
}

void TestMergeRecord::programsTellTheirVersion()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    const Run version = run(binPath(program), {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(QString::fromUtf8(version.out), name + " " Q7_VERSION "\n");
}

void TestMergeRecord::commandLineQuotesWhatAShellWouldSplit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("windowsLine"); // as cmd.exe and the C runtime split it
    QTest::newRow("plain") << QStringList{"/a/b.Q7D", "--dir", "x_y-1,2:3@4%5+6=7"} << "/a/b.Q7D --dir x_y-1,2:3@4%5+6=7"
                           << "/a/b.Q7D --dir x_y-1,2:3@4%5+6=7";
    QTest::newRow("blank") << QStringList{"a b", "c"} << "'a b' c" << "\"a b\" c";
    QTest::newRow("quote") << QStringList{"it's"} << "'it'\\''s'" << "\"it's\"";
    QTest::newRow("empty") << QStringList{""} << "''" << "\"\"";
    QTest::newRow("shell characters") << QStringList{"$HOME", "a*", "x;y"} << "'$HOME' 'a*' 'x;y'"
                                      << "\"$HOME\" \"a*\" \"x;y\"";
    QTest::newRow("backslashes") << QStringList{"Z:\\w\\cli.exe", "C:\\a b\\", "x\\\"y"}
                                 << "'Z:\\w\\cli.exe' 'C:\\a b\\' 'x\\\"y'"
                                 << "Z:\\w\\cli.exe \"C:\\a b\\\\\" \"x\\\\\\\"y\"";
    QTest::newRow("cmd characters") << QStringList{"a&b", "(x)", "a^b|c"} << "'a&b' '(x)' 'a^b|c'"
                                    << "\"a&b\" \"(x)\" \"a^b|c\"";
}

void TestMergeRecord::commandLineQuotesWhatAShellWouldSplit()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QFETCH(QString, windowsLine);
    QCOMPARE(commandLine(arguments), onThisSystem(line, windowsLine));
}

void TestMergeRecord::pathsShownCleaned_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("windows"); // with the system's separators
    QTest::newRow("the merge's joins") << "/tmp//m///Adjustment//m_ori.q7c" << "/tmp/m/Adjustment/m_ori.q7c"
                                       << "\\tmp\\m\\Adjustment\\m_ori.q7c";
    QTest::newRow("dot folders") << "/ex//block01/./block01.Q7D/.//x" << "/ex/block01/block01.Q7D/x"
                                 << "\\ex\\block01\\block01.Q7D\\x";
    QTest::newRow("kept: '..', hidden, last '.'") << "/a/../.h//b/." << "/a/../.h/b/." << "\\a\\..\\.h\\b\\.";
    QTest::newRow("network share's pair kept") << "//server/share//x" << "/" "/server/share/x"
                                               << "\\\\server\\share\\x";
    QTest::newRow("drive") << "C://w/.//Größe.Q7D" << "C:/w/Größe.Q7D" << "C:\\w\\Größe.Q7D";
    QTest::newRow("typed backslashes") << "Z:\\a\\\\b//c" << "Z:\\a\\\\b/c" << "Z:\\a\\b\\c";
    QTest::newRow("quotes and blanks") << "/it's \"a\"//b c/" << "/it's \"a\"/b c/" << "\\it's \"a\"\\b c\\";
    QTest::newRow("in a sentence") << "failed!\n/a//b: no, //c and x//y." << "failed!\n/a/b: no, //c and x/y."
                                   << "failed!\n\\a\\b: no, \\\\c and x\\y.";
}

void TestMergeRecord::pathsShownCleaned()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, windows);
    QCOMPARE(shownPath(text), onThisSystem(shown, windows));
}

QTEST_GUILESS_MAIN(TestMergeRecord)
#include "tst_mergerecord.moc"
