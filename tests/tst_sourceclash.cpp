#include "mergefixture.h"
#include "mergeworkflow.h"
#include "sourceclash.h"
#include "testfiles.h"

#include <QtTest>
#include <map>
#include <unistd.h>

namespace {

// Every file under folder, by its path relative to folder, with its bytes.
std::map<QString, QByteArray> snapshot(const QString &folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = it.fileInfo().isFile() ? readBytes(path) : QByteArray("<dir>");
    }
    return files;
}

QString refusal(const QString &outputKind, const QString &outputPath, const QString &sourceKind,
                const QString &sourceProject)
{
    return QString("warning|Tips|The new project's %1 %2 would overwrite the %3 of the source project %4. "
                   "Nothing was written: choose another folder or name for the new project.")
        .arg(outputKind, outputPath, sourceKind, sourceProject);
}

} // namespace

class TestSourceClash : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void resolvedPaths();
    void clashIsRefusedAndNothingWritten_data();
    void clashIsRefusedAndNothingWritten();
    void mergeBesideSourcesGoesAhead();

private:
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
};

void TestSourceClash::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    samples = makeSampleProjects(temp + "/src", 2, 20);
    QCOMPARE(samples.size(), 2);
}

void TestSourceClash::resolvedPaths()
{
    QVERIFY(QFile::link(temp + "/src", temp + "/alias"));
    const QString block = temp + "/src/block01";
    QCOMPARE(resolvedPath(temp + "//src//block01/"), block);
    QCOMPARE(resolvedPath(temp + "/src/./block02/../block01"), block);
    QCOMPARE(resolvedPath(temp + "/alias/block01/block01.Q7D"), block + "/block01.Q7D");
    // Below the deepest existing folder the path is only cleaned.
    QCOMPARE(resolvedPath(temp + "/alias//new/deeper/../x.txt"), temp + "/src/new/x.txt");
    // "link/.." is the folder the link is in only when the link points beside it.
    QVERIFY(QFile::link(temp + "/src/block01/Adjustment", temp + "/jump"));
    QCOMPARE(resolvedPath(temp + "/jump/../block01.Q7D"), block + "/block01.Q7D");
    QCOMPARE(resolvedPath("relative/x"), QDir::currentPath() + "/relative/x");
}

void TestSourceClash::clashIsRefusedAndNothingWritten_data()
{
    QTest::addColumn<QStringList>("projects");
    QTest::addColumn<QString>("prjDir");
    QTest::addColumn<QString>("prjName");
    QTest::addColumn<QString>("message");

    // "<temp>" stands for the test's folder.
    const QString src = "<temp>/src";
    const QString first = src + "/block01/block01.Q7D";
    const QString second = src + "/block02/block02.Q7D";
    QTest::newRow("project file") << QStringList{first, second} << src << "block01"
                                  << refusal("project file", src + "//block01/block01.Q7D", "project file", first);
    QTest::newRow("doubled separators and dots") << QStringList{second, first} << "<temp>//src/./" << "block01"
        << refusal("project file", "<temp>//src/.///block01/block01.Q7D", "project file", first);
    QTest::newRow("through a link") << QStringList{first} << "<temp>/alias" << "block01"
        << refusal("project file", "<temp>/alias//block01/block01.Q7D", "project file", first);
    QTest::newRow("source through ..") << QStringList{src + "/block02/../block01/block01.Q7D"} << src << "block01"
        << refusal("project file", src + "//block01/block01.Q7D", "project file",
                   src + "/block02/../block01/block01.Q7D");
    QTest::newRow("position file") << QStringList{first, "<temp>/out/p/p.xml"} << "<temp>/out" << "p"
        << refusal("position file", "<temp>/out//p//p_xyz.txt", "position file", "<temp>/out/p/p.xml");
    QTest::newRow("orientation file") << QStringList{"<temp>/out/m.v1/m.Q7D"} << "<temp>/out" << "m.v1"
        << refusal("merged orientation file", "<temp>/out//m.v1//Adjustment//m_ori.q7c", "orientation file",
                   "<temp>/out/m.v1/m.Q7D");
    const std::pair<const char *, const char *> outputs[] = {
        {"solver input list", ".txt"}, {"position file", "_xyz.txt"}, {"camera file", ".cmr"},
        {"image list", ".lst"}, {"photo database", ".temp"}};
    for (const auto &[kind, suffix] : outputs) {
        const QString source = QString("<temp>/out/m/m") + suffix;
        QTest::newRow(kind) << QStringList{first, source} << "<temp>/out" << "m"
                            << refusal(kind, QString("<temp>/out//m//m") + suffix, "project file", source);
    }
    QTest::newRow("hard link") << QStringList{first} << "<temp>/out" << "h"
        << refusal("camera file", "<temp>/out//h//h.cmr", "project file", first);
    QTest::newRow("output folder not made yet") << QStringList{"<temp>/new/x/x.Q7D"} << "<temp>/new" << "x"
        << refusal("project file", "<temp>/new//x/x.Q7D", "project file", "<temp>/new/x/x.Q7D");
    QTest::newRow("NULL items name nothing") << QStringList{"NULL", first} << src << "block01"
        << refusal("project file", src + "//block01/block01.Q7D", "project file", first);
}

void TestSourceClash::clashIsRefusedAndNothingWritten()
{
    QFETCH(QStringList, projects);
    QFETCH(QString, prjDir);
    QFETCH(QString, prjName);
    QFETCH(QString, message);
    projects.replaceInStrings("<temp>", temp);
    prjDir.replace("<temp>", temp);
    message.replace("<temp>", temp);

    // The listed projects' own files, where the samples have none.
    QVERIFY(QFile::link(temp + "/src", temp + "/alias"));
    for (const char *file : {"/out/p/p_xyz.txt", "/out/m.v1/Adjustment/m_ori.q7c", "/out/m/m.txt",
                                "/out/m/m_xyz.txt", "/out/m/m.cmr", "/out/m/m.lst", "/out/m/m.temp"}) {
        QVERIFY(QDir().mkpath(QFileInfo(temp + file).path()));
        QVERIFY(writeBytes(temp + file, "a source's own file\n"));
    }
    QVERIFY(QDir().mkpath(temp + "/out/h"));
    QVERIFY(::link(QFile::encodeName(samples[0]).constData(), QFile::encodeName(temp + "/out/h/h.cmr").constData()) == 0);
    const auto before = snapshot(temp);

    RecordingMessages messages;
    MergeWorkflow workflow(messages);
    workflow.setSolverPath(binPath("AT/Z7Uzurer"));
    const MergeReport report = workflow.mergePrj({projects, prjDir, prjName});

    QVERIFY(!report.started);
    QCOMPARE(messages.lines, QStringList{message});
    QVERIFY(snapshot(temp) == before);
    QVERIFY(!QFileInfo::exists(temp + "/new"));
}

void TestSourceClash::mergeBesideSourcesGoesAhead()
{
    // The source's own folder, another name: nothing of the source is written.
    const auto sources = snapshot(temp + "/src");
    QCoreApplication::addLibraryPath(Q7_BIN_DIR);
    RecordingMessages messages;
    MergeWorkflow workflow(messages);
    workflow.setSolverPath(binPath("AT/Z7Uzurer"));
    const QString folder = QFileInfo(samples[0]).path();
    const MergeReport report = workflow.mergePrj({samples, folder, "block01_merged"});
    QVERIFY2(report.succeeded(), qPrintable(report.summary()));
    QVERIFY(messages.lines.isEmpty());
    auto after = snapshot(temp + "/src");
    for (auto it = after.begin(); it != after.end();)
        it = it->first.startsWith("block01/block01_merged") ? after.erase(it) : std::next(it);
    QVERIFY(after == sources);
}

QTEST_GUILESS_MAIN(TestSourceClash)
#include "tst_sourceclash.moc"
