#include "projectfile.h"
#include "commalocale.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cstdio>

namespace {

// Exact text of a double, so that comparisons are exact and failures readable.
QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}

QList<QByteArray> exact(const std::array<double, 6> &box)
{
    QList<QByteArray> texts;
    for (double value : box)
        texts << exact(value);
    return texts;
}

void compareParams(const ProjectParams &actual, const ProjectParams &expected)
{
    QCOMPARE(actual.prj_name, expected.prj_name);
    QCOMPARE(actual.prj_dir, expected.prj_dir);
    QCOMPARE(actual.num_images, expected.num_images);
    QCOMPARE(actual.pos_file, expected.pos_file);
    QCOMPARE(actual.use_gps, expected.use_gps);
    QCOMPARE(actual.use_imu, expected.use_imu);
    QCOMPARE(exact(actual.grd_height), exact(expected.grd_height));
    QCOMPARE(actual.key_density, expected.key_density);
    QCOMPARE(actual.select_pair_mode, expected.select_pair_mode);
    QCOMPARE(actual.map_projection, expected.map_projection);
    QCOMPARE(exact(actual.ortho_image_downsample), exact(expected.ortho_image_downsample));
    QCOMPARE(exact(actual.mesh_tile_size), exact(expected.mesh_tile_size));
    QCOMPARE(exact(actual.recon_boundbox), exact(expected.recon_boundbox));
}

// A record in which no field has its default, so that any field a read
// touches shows.
ProjectParams markedParams()
{
    ProjectParams params;
    params.prj_name = "before";
    params.prj_dir = "/before";
    params.num_images = 77;
    params.pos_file = "/before/before_xyz.txt";
    params.use_gps = 5;
    params.use_imu = 6;
    params.grd_height = 55.5;
    params.key_density = "Normal";
    params.select_pair_mode = "Sequence";
    params.map_projection = "UTM 33N";
    params.ortho_image_downsample = 4.5;
    params.mesh_tile_size = 900.0;
    params.recon_boundbox = {1.5, 2.5, 3.5, 4.5, 5.5, 6.5};
    return params;
}

// A project file holding only the given parameter lines.
QByteArray projectFile(const QByteArray &lines)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<q7d_project>\n" + lines
           + "\t<description>Quorvane project file.</description>\n</q7d_project>\n";
}

// Writes params where a merge puts the new project's file.
bool writeInItsFolder(const ProjectParams &params)
{
    return writeProjectFile(params.prj_dir + "/" + params.prj_name + ".Q7D", params);
}

// The outcome of reading a file "p.Q7D" into a marked record.
struct ReadBack
{
    enum Result { NotMade, Read, Refused } result = NotMade; // NotMade: the file could not be made
    ProjectParams params = markedParams();   // as the read left it
    ProjectParams untouched = markedParams(); // only folder and name taken from the path
};

// Makes "p.Q7D" with contents in a fresh folder (a folder of that name when
// contents is null) and reads it.
ReadBack readBack(const QByteArray &contents)
{
    ReadBack read;
    QTemporaryDir folder;
    const QString path = folder.filePath("p.Q7D");
    const bool made = contents.isNull() ? QDir(folder.path()).mkdir("p.Q7D")
                                        : writeBytes(path, contents);
    if (!folder.isValid() || !made)
        return read;
    read.untouched.prj_dir = folder.path();
    read.untouched.prj_name = "p";
    read.result = readProjectFile(path, read.params) ? ReadBack::Read : ReadBack::Refused;
    return read;
}

// A record with a value in every field that tests formatting: markup
// characters, non-ASCII text, digits past double precision, exponents.
ProjectParams unusualParams(const QString &folder)
{
    ProjectParams params;
    params.prj_dir = folder;
    params.prj_name = "blk.merged";
    params.num_images = 100000;
    params.pos_file = "/data/R&D/blk_xyz.txt";
    params.use_gps = 1;
    params.use_imu = -1;
    params.grd_height = 0.1;
    params.key_density = "Normal";
    params.select_pair_mode = "Sequence <\"fast\">";
    params.map_projection = QString::fromUtf8("Gau\xc3\x9f-Kr\xc3\xbcger 3\xc2\xb0");
    params.ortho_image_downsample = -2.5;
    params.mesh_tile_size = 1e300;
    params.recon_boundbox = {12.5, -0.25, 1e-9, 123456789.123456789, -1e7, 1.0 / 3.0};
    return params;
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void defaultRecordReplacesFileByteForByte();
    void unusualValuesWrittenByteForByte();
    void writeThenReadRestoresRecord();
    void readsEveryKey();
    void readRootOfAnotherName();
    void readUseGpsWithoutValueOrAbsent();
    void readIntegers_data();
    void readIntegers();
    void readBoundBox_data();
    void readBoundBox();
    void readBoundBoxPieceAgainstDouble();
    void readSplitsPath_data();
    void readSplitsPath();
    void readFailureChangesOnlyNameAndFolder_data();
    void readFailureChangesOnlyNameAndFolder();
    void writeIntoMissingFolder();
    void writeError();
    void numbersIgnoreCommaLocale();
};

void TestProjectFile::defaultRecordReplacesFileByteForByte()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // A longer file of that name is replaced whole.
    QVERIFY(writeBytes(folder.filePath("x.Q7D"), QByteArray(10000, '#')));
    ProjectParams params;
    params.prj_dir = folder.path();
    params.prj_name = "x";

    QVERIFY(writeInItsFolder(params));

    // The image list is named as the merge writes it, "<name>.lst".
    const QByteArray expected =
        "<?xml encoding=\"utf-8\"?>\n"
        "<q7d_project>\n"
        "\t<image_lst value=\"" + nativePath(folder.path() + "/x" + imageListEnding) + "\" name=\"image list file path\" />\n"
        "\t<pos_file value=\"\" name=\"pos file path\" />\n"
        "\t<use_gps value=\"0\" name=\"use gps data or not (1/0)?\" />\n"
        "\t<use_imu value=\"0\" name=\"use imu data or not (1/0)?\" />\n"
        "\t<grd_height value=\"0\" name=\"the average ground height.\" />\n"
        "\t<key_density value=\"High\" name=\"extract Normal or High density key points.\" />\n"
        "\t<mesh_tile_size value=\"1800\" name=\"The size of the reconstructed tile\" />\n"
        "\t<select_pair_mode value=\"Intelligent\" name=\"Pair selection mode.\" />\n"
        "\t<num_images value=\"0\" name=\"Num of Images in Project.\" />\n"
        "\t<ortho_image_downsample value=\"3\" "
        "name=\"Downsample the images when generate orthophoto.\" />\n"
        "\t<map_projection value=\"NOT DEFINE\" name=\"map projection infomation.\" />\n"
        "\t<recon_boundbox value=\"0.00000000,0.00000000,0.00000000,0.00000000,0.00000000,"
        "0.00000000\" name=\"bound box of reconstruction area.\" />\n"
        "\t<description>Quorvane project file.</description>\n"
        "</q7d_project>\n";
    QCOMPARE(readBytes(folder.filePath("x.Q7D")), expected);
}

void TestProjectFile::unusualValuesWrittenByteForByte()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    QVERIFY(writeInItsFolder(unusualParams(folder.path())));

    const QByteArray expected =
        "<?xml encoding=\"utf-8\"?>\n"
        "<q7d_project>\n"
        "\t<image_lst value=\"" + nativePath(folder.path() + "/blk.merged" + imageListEnding)
        + "\" name=\"image list file path\" />\n"
        "\t<pos_file value=\"" + nativePath("/data/R&amp;D/blk_xyz.txt") + "\" name=\"pos file path\" />\n"
        "\t<use_gps value=\"1\" name=\"use gps data or not (1/0)?\" />\n"
        "\t<use_imu value=\"-1\" name=\"use imu data or not (1/0)?\" />\n"
        "\t<grd_height value=\"0.10000000000000001\" name=\"the average ground height.\" />\n"
        "\t<key_density value=\"Normal\" name=\"extract Normal or High density key points.\" />\n"
        "\t<mesh_tile_size value=\"1.0000000000000001e+300\" "
        "name=\"The size of the reconstructed tile\" />\n"
        "\t<select_pair_mode value=\"Sequence &lt;&quot;fast&quot;>\" "
        "name=\"Pair selection mode.\" />\n"
        "\t<num_images value=\"100000\" name=\"Num of Images in Project.\" />\n"
        "\t<ortho_image_downsample value=\"-2.5\" "
        "name=\"Downsample the images when generate orthophoto.\" />\n"
        "\t<map_projection value=\"Gau\xc3\x9f-Kr\xc3\xbcger 3\xc2\xb0\" "
        "name=\"map projection infomation.\" />\n"
        "\t<recon_boundbox value=\"12.50000000,-0.25000000,0.00000000,123456789.12345679,"
        "-10000000.00000000,0.33333333\" name=\"bound box of reconstruction area.\" />\n"
        "\t<description>Quorvane project file.</description>\n"
        "</q7d_project>\n";
    QCOMPARE(readBytes(folder.filePath("blk.merged.Q7D")), expected);
}

void TestProjectFile::writeThenReadRestoresRecord()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const ProjectParams written = unusualParams(folder.path());
    QVERIFY(writeInItsFolder(written));

    ProjectParams read;
    QVERIFY(readProjectFile(folder.filePath("blk.merged.Q7D"), read));

    // The name comes back cut at its first '.', the bound box with 8 decimals,
    // the position file with the system's separators; every other field as
    // written.
    ProjectParams expected = written;
    expected.pos_file = QDir::toNativeSeparators(written.pos_file);
    expected.prj_name = "blk";
    expected.recon_boundbox = {12.5, -0.25, 0.0, 123456789.12345679, -1e7, 0.33333333};
    compareParams(read, expected);
}

void TestProjectFile::readsEveryKey()
{
    // Keys in another order, an unknown element and a comment in between:
    // each value is found by its element's name alone.
    const ReadBack read = readBack(projectFile(
        "\t<recon_boundbox value=\"-1.25, 2,3e2 ,4,5,6.125\" name=\"b\" />\n"
        "\t<map_projection value=\"CGCS2000 / 3-degree \xc3\xa9\" name=\"m\" />\n"
        "\t<!-- a comment -->\n"
        "\t<ortho_image_downsample value=\"2.75\" name=\"o\" />\n"
        "\t<num_images value=\"1234\" name=\"n\" />\n"
        "\t<select_pair_mode value=\"Exhaustive\" name=\"s\" />\n"
        "\t<unknown value=\"9\" />\n"
        "\t<mesh_tile_size value=\"250.5\" name=\"t\" />\n"
        "\t<key_density value=\"High\" name=\"k\" />\n"
        "\t<grd_height value=\"-12.625\" name=\"g\" />\n"
        "\t<use_imu value=\"0\" name=\"i\" />\n"
        "\t<use_gps value=\"1\" name=\"u\" />\n"
        "\t<pos_file value=\"D:/blk/blk_xyz.txt\" name=\"p\" />\n"
        "\t<image_lst value=\"D:/elsewhere/other.Lst\" name=\"l\" />\n"));
    QCOMPARE(read.result, ReadBack::Read);

    ProjectParams expected = read.untouched;
    expected.num_images = 1234;
    expected.pos_file = "D:/blk/blk_xyz.txt";
    expected.use_gps = 1;
    expected.use_imu = 0;
    expected.grd_height = -12.625;
    expected.key_density = "High";
    expected.select_pair_mode = "Exhaustive";
    expected.map_projection = QString::fromUtf8("CGCS2000 / 3-degree \xc3\xa9");
    expected.ortho_image_downsample = 2.75;
    expected.mesh_tile_size = 250.5;
    expected.recon_boundbox = {-1.25, 2, 300, 4, 5, 6.125};
    compareParams(read.params, expected);
}

void TestProjectFile::readRootOfAnotherName()
{
    const ReadBack read = readBack("<project>\n\t<use_gps value=\"1\" />\n"
                                   "\t<grd_height value=\"9\" />\n</project>\n");
    QCOMPARE(read.result, ReadBack::Read);
    compareParams(read.params, read.untouched);
}

void TestProjectFile::readUseGpsWithoutValueOrAbsent()
{
    const ReadBack read = readBack(projectFile("\t<use_gps name=\"use gps data or not (1/0)?\" />\n"
                                               "\t<key_density />\n"
                                               "\t<mesh_tile_size />\n"));
    QCOMPARE(read.result, ReadBack::Read);

    // Present without "value": the empty value. Absent: the preset stays.
    ProjectParams expected = read.untouched;
    expected.use_gps = 0;
    expected.key_density = "";
    expected.mesh_tile_size = 0.0;
    compareParams(read.params, expected);
}

void TestProjectFile::readIntegers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("hexadecimal") << QByteArray("0x1") << 1;
    QTest::newRow("negative hexadecimal") << QByteArray("-0X1f") << -31;
    QTest::newRow("digits then letters after blanks") << QByteArray("  12abc") << 12;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("negative") << QByteArray("-7") << -7;
}

void TestProjectFile::readIntegers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    const ReadBack read = readBack(projectFile("\t<use_gps value=\"" + text + "\" />\n"
                                               "\t<use_imu value=\"" + text + "\" />\n"
                                               "\t<num_images value=\"" + text + "\" />\n"));
    QCOMPARE(read.result, ReadBack::Read);
    QCOMPARE(read.params.use_gps, value);
    QCOMPARE(read.params.use_imu, value);
    QCOMPARE(read.params.num_images, value);
}

void TestProjectFile::readBoundBox_data()
{
    const std::array<double, 6> preset = markedParams().recon_boundbox;
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QList<QByteArray>>("box");
    QTest::newRow("five numbers")
        << QByteArray("<recon_boundbox value=\"1,2,3,4,5\" />") << exact(preset);
    QTest::newRow("seven numbers")
        << QByteArray("<recon_boundbox value=\"1,2,3,4,5,6,7\" />") << exact(preset);
    QTest::newRow("no value") << QByteArray("<recon_boundbox />") << exact(preset);
    QTest::newRow("empty piece")
        << QByteArray("<recon_boundbox value=\"1,,3,4,5,6\" />")
        << exact(std::array<double, 6>{1, 0, 3, 4, 5, 6});
    QTest::newRow("piece with letters")
        << QByteArray("<recon_boundbox value=\"12abc,2,3,4,5,6\" />")
        << exact(std::array<double, 6>{0, 2, 3, 4, 5, 6});
    QTest::newRow("blanks around pieces")
        << QByteArray("<recon_boundbox value=\" -1.5 ,2, 3,4 ,5,6\t\" />")
        << exact(std::array<double, 6>{-1.5, 2, 3, 4, 5, 6});
}

void TestProjectFile::readBoundBox()
{
    QFETCH(QByteArray, element);
    QFETCH(QList<QByteArray>, box);
    const ReadBack read = readBack(projectFile("\t" + element + "\n"));
    QCOMPARE(read.result, ReadBack::Read);
    QCOMPARE(exact(read.params.recon_boundbox), box);
}

void TestProjectFile::readBoundBoxPieceAgainstDouble()
{
    // A bound box piece must be a number as a whole; any other number reads
    // as far as it makes sense.
    const ReadBack read = readBack(projectFile("\t<grd_height value=\"12abc\" />\n"
                                               "\t<mesh_tile_size value=\"abc\" />\n"
                                               "\t<recon_boundbox value=\"1,12abc,3,4,5,6\" />\n"));
    QCOMPARE(read.result, ReadBack::Read);
    QCOMPARE(exact(read.params.grd_height), exact(12.0));
    QCOMPARE(exact(read.params.mesh_tile_size), exact(0.0));
    QCOMPARE(exact(read.params.recon_boundbox), exact(std::array<double, 6>{1, 0, 3, 4, 5, 6}));
}

void TestProjectFile::readSplitsPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("name");
    QTest::newRow("drive and two dots") << "D:/a/b.c.Q7D" << "D:/a" << "b";
    QTest::newRow("bare file name") << "x.Q7D" << "." << "x";
    QTest::newRow("no suffix") << "/p/q/plain" << "/p/q" << "plain";
}

void TestProjectFile::readSplitsPath()
{
    QFETCH(QString, path);
    QFETCH(QString, dir);
    QFETCH(QString, name);
    ProjectParams params = markedParams();
    // None of these files exists: the name and folder are taken all the same.
    QVERIFY(!readProjectFile(path, params));

    ProjectParams expected = markedParams();
    expected.prj_dir = dir;
    expected.prj_name = name;
    compareParams(params, expected);
}

void TestProjectFile::readFailureChangesOnlyNameAndFolder_data()
{
    QTest::addColumn<QByteArray>("contents"); // null: make a folder of that name
    QTest::newRow("not well-formed")
        << QByteArray("<q7d_project>\n\t<use_gps value=\"1\" />\n");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("folder") << QByteArray();
}

void TestProjectFile::readFailureChangesOnlyNameAndFolder()
{
    QFETCH(QByteArray, contents);
    const ReadBack read = readBack(contents);
    QCOMPARE(read.result, ReadBack::Refused);
    compareParams(read.params, read.untouched);
}

void TestProjectFile::writeIntoMissingFolder()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ProjectParams params;
    params.prj_dir = folder.filePath("missing");
    params.prj_name = "x";

    QVERIFY(!writeInItsFolder(params));

    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestProjectFile::writeError()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full to fail writes with");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // Every write into /dev/full fails as a full disk would.
    QVERIFY(QFile::link("/dev/full", folder.filePath("x.Q7D")));
    ProjectParams params;
    params.prj_dir = folder.path();
    params.prj_name = "x";

    QVERIFY(!writeInItsFolder(params));
}

void TestProjectFile::numbersIgnoreCommaLocale()
{
    // Qt takes the C library's locale from the environment; under one that
    // writes "0,5" the file must still hold "0.5" and read back right.
    const CommaLocale commaLocale;
    QVERIFY(commaLocale.isActive());

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ProjectParams params;
    params.prj_dir = folder.path();
    params.prj_name = "x";
    params.grd_height = 0.5;
    params.ortho_image_downsample = 1e-20;
    params.recon_boundbox = {12.5, 0, 0, 0, 0, 0};
    QVERIFY(writeInItsFolder(params));

    const QByteArray bytes = readBytes(folder.filePath("x.Q7D"));
    QVERIFY2(bytes.contains("<grd_height value=\"0.5\""), bytes.constData());
    QVERIFY2(bytes.contains("<ortho_image_downsample value=\"9.9999999999999995e-21\""),
             bytes.constData());
    QVERIFY2(bytes.contains("<recon_boundbox value=\"12.50000000,0.00000000,"), bytes.constData());

    ProjectParams read;
    QVERIFY(readProjectFile(folder.filePath("x.Q7D"), read));
    compareParams(read, params);

    // The comma locale is still in force outside reading and writing.
    char text[8];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    QCOMPARE(QByteArray(text), QByteArray("0,5"));
}

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
