#include "fuzzentries.h"

#include <QDir>
#include <QtTest>

// Replays the seed corpus of every fuzz target, the inputs of the crashes the
// fuzzers found among them, through the same entries in the ordinary and the
// sanitized builds.
class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void corpusKeepsEveryPromise_data();
    void corpusKeepsEveryPromise();
};

using Entry = const char *(*)(const uint8_t *, size_t);
Q_DECLARE_METATYPE(Entry)

void TestFuzzCorpus::corpusKeepsEveryPromise_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("input");
    const std::pair<const char *, Entry> targets[] = {
        {"positionfile", fuzzing::positionFile},
        {"orientationfile", fuzzing::orientationFile},
        {"projectfile", fuzzing::projectFile},
        {"solverinputlist", fuzzing::solverInputList},
        {"solverorientation", fuzzing::solverOrientation},
    };
    for (const auto &[target, entry] : targets) {
        const QDir corpus(QString(Q7_SOURCE_DIR) + "/fuzz/corpus/" + target);
        const QStringList inputs = corpus.entryList(QDir::Files);
        QVERIFY2(!inputs.isEmpty(), target);
        for (const QString &input : inputs)
            QTest::addRow("%s/%s", target, qPrintable(input)) << entry << corpus.filePath(input);
    }
}

void TestFuzzCorpus::corpusKeepsEveryPromise()
{
    QFETCH(Entry, entry);
    QFETCH(QString, input);
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const char *broken = entry(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    QVERIFY2(!broken, broken);
}

QTEST_APPLESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
