// A small merge with the batch program, failed at every write, sync, rename
// and file creation in turn (a fault injector preloaded into the program and
// the solver; on Windows at every sync, replacing rename, file or folder made
// and folder lock of the platform layer, through its seam in a copy of the
// batch program), into a fresh folder and over an earlier merge. After each: a
// merge that exits 0 wrote exactly what a clean merge writes; every output is
// whole, the earlier one or the new one, never a mix within a file or table;
// the sources are unchanged; and a clean rerun gives the clean merge.

#include "mergefixture.h"
#include "testfiles.h"

#include <QtTest>
#include <cerrno>

namespace {

using Outputs = std::map<QString, QByteArray>;

const QString name = "m";
#ifdef Q_OS_WIN
const QStringList kinds = {"sync", "rename", "create", "lock"};
const QString program = "q7prjmerge-cli-faults";
#else
const QStringList kinds = {"write", "sync", "rename", "create"};
const QString program = "q7prjmerge-cli";
#endif
const QStringList tables = {"groups", "imageinfos", "q7prjinfo", "eofInfo"};

// The rows of each table (a missing table or file has none), and which
// tables there are; "<unreadable>" for a file that is no database.
void addTables(Outputs &outputs, const QString &path)
{
    if (!QFile::exists(path))
        return;
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("SQLITECIPHER", "sweep");
        db.setDatabaseName(path);
        db.setPassword("tessellat3crypt");
        outputs["tables"] = db.open() ? db.tables().join(',').toUtf8() : QByteArray("<unreadable>");
        for (const QString &table : tables) {
            QSqlQuery rows(QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(table), db);
            while (rows.next()) {
                QStringList values;
                for (int i = 0; i < rows.record().count(); ++i)
                    values << typedValue(rows.value(i));
                outputs[table] += values.join('|').toUtf8() + "\n";
            }
        }
    }
    QSqlDatabase::removeDatabase("sweep");
}

// What a merge into folder left: each output file's bytes and each table's
// rows; what is missing is left out.
Outputs outputsIn(const QString &folder)
{
    Outputs outputs;
    for (const QString &file : {name + ".txt", name + "_xyz.txt", "Adjustment/" + name + "_ori.q7c",
                                name + ".cmr", name + ".lst", name + ".Q7D"}) {
        if (QFile::exists(folder + "/" + file))
            outputs[file] = readBytes(folder + "/" + file);
    }
    addTables(outputs, folder + "/" + name + ".temp");
    return outputs;
}

// A merge record is appended whole: the log is records only, each from its
// head to its result line.
bool recordsWhole(const QString &log)
{
    const QString text = QString::fromUtf8(QFile::exists(log) ? readBytes(log) : QByteArray());
    const QString head = "=== merge of ";
    if (!text.isEmpty() && !text.startsWith(head))
        return false;
    for (const QString &record : text.split(head, Qt::SkipEmptyParts)) {
        if (!record.endsWith("\n\n") || !record.section('\n', -3, -3).startsWith("result: "))
            return false;
    }
    return true;
}

// How many records of the log say the merge succeeded.
int succeededRecords(const QString &log)
{
    return QFile::exists(log) ? readBytes(log).count("\nresult: succeeded\n") : 0;
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const auto &entry : snapshot(from)) {
        if (entry.second == "<dir>")
            QDir().mkpath(to + "/" + entry.first);
        else
            writeBytes(to + "/" + entry.first, entry.second);
    }
}

// The outputs that differ, by name.
QString differences(const Outputs &a, const Outputs &b)
{
    QStringList names;
    for (const auto &output : a) {
        const auto other = b.find(output.first);
        if (other == b.end() || other->second != output.second)
            names << output.first;
    }
    for (const auto &output : b) {
        if (a.find(output.first) == a.end())
            names << output.first;
    }
    return names.join(", ");
}

struct Fault
{
    QString kind;
    quint64 at = 0;
    int error = EIO;
    bool sticky = false;
    bool shortWrite = false;
};

} // namespace

class TestFaultSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFaultIsToldOrHarmless_data();
    void everyFaultIsToldOrHarmless();

private:
    int merge(const QStringList &projects, const Fault &fault = {});
    std::vector<quint64> countedCalls(const QStringList &projects, bool overEarlier);
    void startFrom(bool overEarlier);

    QTemporaryDir temp;
    QString runFolder;
    QString lastOutput; // the summary of the last merge
    QStringList projects;
    Outputs sources;
    Outputs clean;   // the merge of every project
    Outputs earlier; // the merge of the first two, over which the sweep merges again
};

void TestFaultSweep::initTestCase()
{
#if !defined(Q7_FAULT_LIBRARY) && !defined(Q_OS_WIN)
    QSKIP("the sanitizers wrap write, open and rename themselves, ahead of a preloaded fault injector");
#else
    QVERIFY(temp.isValid());
    projects = makeSampleProjects(temp.path() + "/src", 3, 4);
    QCOMPARE(projects.size(), 3);
    sources = snapshot(temp.path() + "/src");
    runFolder = temp.path() + "/run";
    QVERIFY(QDir().mkpath(runFolder));
    QCOMPARE(merge(projects.mid(0, 2)), 0);
    earlier = outputsIn(runFolder + "/" + name);
    copyFolder(runFolder + "/" + name, temp.path() + "/earlier");
    QDir(runFolder + "/" + name).removeRecursively();
    QCOMPARE(merge(projects), 0);
    clean = outputsIn(runFolder + "/" + name);
    QCOMPARE(clean.size(), size_t(6 + 1 + tables.size() - 1)); // q7prjinfo holds no rows
    QVERIFY(clean != earlier);
#endif
}

// The merge of projects into runFolder/name with the batch program, the
// fault injector preloaded; its exit code.
int TestFaultSweep::merge(const QStringList &projects, const Fault &fault)
{
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef Q7_FAULT_LIBRARY
    environment.insert("LD_PRELOAD", Q7_FAULT_LIBRARY);
#endif
    environment.insert("Q7_FAULT_COUNTS", temp.path() + "/counts");
    environment.insert("Q7_FAULT_FOLDER", runFolder);
    environment.insert("Q7_FAULT_KIND", fault.kind);
    environment.insert("Q7_FAULT_AT", QString::number(fault.at));
    environment.insert("Q7_FAULT_ERRNO", QString::number(fault.error));
    environment.insert("Q7_FAULT_STICKY", fault.sticky ? "1" : "0");
    environment.insert("Q7_FAULT_SHORT", fault.shortWrite ? "1" : "0");
    cli.setProcessEnvironment(environment);
    writeBytes(temp.path() + "/counts", QByteArray(int(kinds.size() * sizeof(quint64)), '\0'));
    cli.start(binPath(program), QStringList{"--dir", runFolder, "--name", name} + projects);
    const bool finished = cli.waitForFinished(patientMs) && cli.exitStatus() == QProcess::NormalExit;
    lastOutput = QString::fromLocal8Bit(cli.readAllStandardOutput());
    return finished ? cli.exitCode() : -1;
}

void TestFaultSweep::startFrom(bool overEarlier)
{
    QDir(runFolder + "/" + name).removeRecursively();
    if (overEarlier)
        copyFolder(temp.path() + "/earlier", runFolder + "/" + name);
}

// How many calls of each kind a clean merge makes.
std::vector<quint64> TestFaultSweep::countedCalls(const QStringList &projects, bool overEarlier)
{
    startFrom(overEarlier);
    merge(projects);
    const QByteArray counts = readBytes(temp.path() + "/counts");
    std::vector<quint64> calls(size_t(kinds.size()));
    memcpy(calls.data(), counts.constData(), std::min(size_t(counts.size()), calls.size() * sizeof(quint64)));
    return calls;
}

void TestFaultSweep::everyFaultIsToldOrHarmless_data()
{
    QTest::addColumn<bool>("overEarlier");
    QTest::newRow("fresh") << false;
    QTest::newRow("over an earlier merge") << true;
}

void TestFaultSweep::everyFaultIsToldOrHarmless()
{
    QFETCH(bool, overEarlier);
    const std::vector<quint64> calls = countedCalls(projects, overEarlier);
    const Outputs none;
    const Outputs &prior = overEarlier ? earlier : none;
    const int earlierSucceeded = overEarlier ? succeededRecords(temp.path() + "/earlier/Log/merge.log") : 0;
    int runs = 0;
    int told = 0;
    int harmless = 0;
    for (int k = 0; k < kinds.size(); ++k) {
        QVERIFY2(calls[size_t(k)] > 0, qPrintable("no " + kinds[k] + " counted"));
        for (quint64 at = 1; at <= calls[size_t(k)]; ++at) {
            // ENOSPC once, EIO from then on, and every third write cut short.
            const Fault fault{kinds[k], at, at % 2 ? ENOSPC : EIO, at % 2 == 0, kinds[k] == "write" && at % 3 == 0};
            const QString what = QString("%1 #%2").arg(fault.kind).arg(at);
            startFrom(overEarlier);
            const int exitCode = merge(projects, fault);
            ++runs;
            const Outputs after = outputsIn(runFolder + "/" + name);
            if (exitCode == 0) {
                ++harmless;
                QVERIFY2(after == clean,
                         qPrintable(what + ": exit 0, but not as the clean merge: " + differences(after, clean)));
            } else {
                ++told;
                for (const auto &output : clean) {
                    const auto found = after.find(output.first);
                    const auto before = prior.find(output.first);
                    const bool asEarlier = found == after.end()
                                               ? before == prior.end()
                                               : before != prior.end() && found->second == before->second;
                    const bool asClean = found != after.end() && found->second == output.second;
                    QVERIFY2(asEarlier || asClean || output.first == "tables",
                             qPrintable(what + ": " + output.first + " is neither the earlier nor the new one"));
                }
            }
            const QString log = runFolder + "/" + name + "/Log/merge.log";
            QVERIFY2(recordsWhole(log), qPrintable(what + ": a record cut"));
            // A record says "succeeded" only for a merge that exits 0.
            QVERIFY2(succeededRecords(log) == earlierSucceeded + (exitCode == 0 ? 1 : 0),
                     qPrintable(what + ": the record's result does not agree with exit code "
                                + QString::number(exitCode)));
            QVERIFY2(snapshot(temp.path() + "/src") == sources, qPrintable(what + ": a source changed"));
            QVERIFY2(merge(projects) == 0, qPrintable(what + ": the rerun failed: " + lastOutput));
            const Outputs rerun = outputsIn(runFolder + "/" + name);
            QVERIFY2(rerun == clean, qPrintable(what + ": the rerun differs: " + differences(rerun, clean)));
        }
    }
    qInfo("%s: %d runs, %d failures told, %d exit 0 with the clean outputs", QTest::currentDataTag(), runs, told,
          harmless);
}

QTEST_GUILESS_MAIN(TestFaultSweep)
#include "tst_faultsweep.moc"
