// The fast readers and writer of numbers and lines against the C library
// functions whose results they must reproduce bit for bit: sscanf for the
// fields of a line, printf's "%.9f" for fixed-point text, and fgets-style
// line cutting.
#include "fixednumber.h"
#include "plainfields.h"
#include "textlines.h"
#include "testfiles.h"

#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

QString describe(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
    return text;
}

// A number token of many shapes: signs, leading zeros, fractions, exponents,
// long digit strings and the spellings only sscanf reads.
std::string randomToken(std::mt19937_64 &random)
{
    static const char *const special[] = {"inf", "-inf", "nan", "+1", "0x1p3", "1e", "1e+", ".", "-", "1.5e-",
                                          "1,5", "1e400", "-1e-400", "4.9e-324", "2.2250738585072014e-308",
                                          "1.7976931348623157e308", "-0", "0.", ".0", "00012.5000"};
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    if (pick(20) == 0)
        return special[pick(int(std::size(special)))];
    std::string token;
    if (pick(3) == 0)
        token += '-';
    const int whole = pick(4) == 0 ? 0 : 1 + pick(pick(5) == 0 ? 25 : 9);
    for (int i = 0; i < whole; ++i)
        token += char('0' + pick(10));
    if (whole == 0 || pick(2) == 0) {
        token += '.';
        const int fraction = (whole == 0 ? 1 : 0) + pick(pick(5) == 0 ? 25 : 10);
        for (int i = 0; i < fraction; ++i)
            token += char('0' + pick(10));
    }
    if (pick(4) == 0) {
        token += pick(2) ? 'e' : 'E';
        if (pick(2))
            token += pick(2) ? '-' : '+';
        token += std::to_string(pick(pick(3) == 0 ? 330 : 25));
    }
    return token;
}

} // namespace

class TestPlainFields : public QObject
{
    Q_OBJECT

private slots:
    void numbersReadAsSscanfReadsThem_data();
    void numbersReadAsSscanfReadsThem();
    void randomRealsReadAsSscanfReadsThem();
    void integersReadAsSscanfReadsThem();
    void wordsReadAsStringConversionReadsThem();

    void fixedPointAsPrintfWritesIt_data();
    void fixedPointAsPrintfWritesIt();
    void randomFixedPointAsPrintfWritesIt();

    void linesCutAndTerminated();
    void linesAcrossBlocks();
};

void TestPlainFields::numbersReadAsSscanfReadsThem_data()
{
    QTest::addColumn<QByteArray>("line");
    int row = 0;
    for (const char *line : {"1 2 3", "  -1\t2\r\n3 ", "1.5 -2.25e3 .5", "5. 0.0009765625 1e-7", "1 2", "",
                             "   ", "1 2 x", "1x 2 3", "1 +2 3", "1 2 3abc", "0x10 1 1", "nan 1 2", "1e 2 3",
                             "1 2 3 4 5 6 7 8 9 10", "123456789012345678901234567890 1 1",
                             "0.1000000000000000055511151231257827 1 1", "1e-320 1e308 1e309", "-0 -0.0 0",
                             "9007199254740993 9007199254740992 1e22", "1e23 123456789e-22 1\xa0" "2",
                             "1\x01 2 3", "\xc3\xa9 1 2"})
        QTest::addRow("line %d", ++row) << QByteArray(line);
}

// Three reals: the values read, and how many, are sscanf's whenever the fast
// reader claims the line.
void TestPlainFields::numbersReadAsSscanfReadsThem()
{
    QFETCH(QByteArray, line);
    double fast[3] = {-7, -7, -7};
    double slow[3] = {-7, -7, -7};
    const int count = scanPlainFields(line.constData(), fast[0], fast[1], fast[2]);
    const int expected = std::sscanf(line.constData(), "%lf %lf %lf", &slow[0], &slow[1], &slow[2]);
    if (count == notPlain)
        return;
    QCOMPARE(count, std::max(expected, 0));
    for (int i = 0; i < 3; ++i)
        QVERIFY2(sameBits(fast[i], slow[i]), qPrintable(describe(fast[i]) + " != " + describe(slow[i])));
}

void TestPlainFields::randomRealsReadAsSscanfReadsThem()
{
    std::mt19937_64 random(20240517);
    int plain = 0;
    int separated = 0;
    for (int i = 0; i < 200000; ++i) {
        // What follows a number decides where its digits end: blanks, more
        // fields, or bytes glued on just below and above the digits and
        // high bytes that carry or borrow in arithmetic on whole words.
        static const char *const tails[] = {"", " ", " 7", "\t-1.25 912345678", "/", ":", "\xfa", "\xff\xff", "\x01"};
        const char *const tail = tails[random() % std::size(tails)];
        const std::string token = randomToken(random) + tail;
        separated += std::strchr(" \t", tail[0]) ? 1 : 0; // the NUL too
        double fast = -7;
        double slow = -7;
        const int count = scanPlainFields(token.c_str(), fast);
        if (count == notPlain)
            continue;
        ++plain;
#ifdef Q_OS_WIN
        // MinGW's sscanf rounds some of these wrongly; its strtod does not.
        char *end = nullptr;
        const double value = std::strtod(token.c_str(), &end);
        const int expected = end == token.c_str() ? 0 : 1;
        if (expected)
            slow = value;
#else
        const int expected = std::sscanf(token.c_str(), "%lf", &slow);
#endif
        QVERIFY2(count == std::max(expected, 0) && sameBits(fast, slow),
                 qPrintable(QString::fromStdString(token) + ": " + describe(fast) + " != " + describe(slow)));
    }
    QVERIFY(plain > separated * 9 / 10); // nearly every token with nothing glued on is plain
}

void TestPlainFields::integersReadAsSscanfReadsThem()
{
    for (const char *line : {"0 -0 7", "123456789 -123456789 1", "1234567890 1 1", "2147483647 -2147483648 0",
                             "007 08 -09", "1 2", "+5 1 1", "1.5 2 3", "1 2 3.5", "99999999999 1 1", "-", " 12 "}) {
        int32_t fast[3] = {-7, -7, -7};
        int32_t slow[3] = {-7, -7, -7};
        const int count = scanPlainFields(line, fast[0], fast[1], fast[2]);
        const int expected = std::sscanf(line, "%d %d %d", &slow[0], &slow[1], &slow[2]);
        if (count == notPlain)
            continue;
        QCOMPARE(count, std::max(expected, 0));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(fast[i], slow[i]);
    }
    // Mixed, as in a camera line: integers, then reals, stopping early.
    int32_t camIdx = -1, width = -1;
    double pixelSize = -1, focal = -1;
    QCOMPARE(scanPlainFields("3 6000 ", camIdx, width, pixelSize, focal), 2);
    QCOMPARE(camIdx, 3);
    QCOMPARE(width, 6000);
    QCOMPARE(pixelSize, -1.0);
}

void TestPlainFields::wordsReadAsStringConversionReadsThem()
{
    const QByteArray longest(511, 'w');
    QList<QByteArray> lines = {QByteArray("  /a/b.JPG rest"), QByteArray("\t\xc3\xa9t\xc3\xa9\r"), longest,
                               longest + "x", QByteArray(""), QByteArray(" \t "), QByteArray("a\x01" "b c")};
    // Each byte that may end a word or not, at each place of a word read
    // eight bytes at a time, and at the end of the text.
    for (const char *byte : {" ", "\t", "\x1f", "!", "\x7f", "\x80", "\xa0", "\xff"}) {
        for (int at = 0; at < 18; ++at)
            lines << QByteArray("IMG_0123456789.JPG").insert(at, byte) + " 1.5";
    }
    for (const QByteArray &line : std::as_const(lines)) {
        char fast[512] = "NULL";
        char slow[512] = "NULL";
        const PlainFields::Result result = PlainFields(line.constData(), size_t(line.size())).readWord(fast, sizeof fast);
        const int expected = std::sscanf(line.constData(), "%511s", slow);
        if (result == PlainFields::NotPlain) {
            QVERIFY(line.size() > 511);
            continue;
        }
        QCOMPARE(result == PlainFields::Read, expected == 1);
        QCOMPARE(QByteArray(fast), QByteArray(slow));
    }
}

void TestPlainFields::fixedPointAsPrintfWritesIt_data()
{
    QTest::addColumn<double>("value");
    const double values[] = {0.0, -0.0, 2.5, -2.5, 0.0009765625, -0.0009765625, 0.0029296875, 1.0009765625,
                             0.0000000005, 0.0000000015, 0.0000000025, 1e-10, 4e-10, 6e-10, 0.9999999995,
                             0.99999999949999, 512035.261, 3340000.5, 812.004, 180.0, -0.125, 1e15, 1e21,
                             9007199254740991.0, 9007199254740992.0, 9007199254740993.0, 123456789012.123456789,
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()};
    for (double value : values)
        QTest::newRow(qPrintable(describe(value))) << value;
}

void TestPlainFields::fixedPointAsPrintfWritesIt()
{
    QFETCH(double, value);
#ifdef Q_OS_WIN
    if (std::isnan(value))
        QSKIP("the Windows runtimes print NaN each their own way; the files have the sign as elsewhere");
#endif
    char fast[maxFixed9Length + 1] = {};
    char slow[400];
    const size_t length = formatFixed9(value, fast);
    std::snprintf(slow, sizeof slow, "%.9f", value);
    QCOMPARE(QByteArray(fast, int(length)), QByteArray(slow));
}

// Random bit patterns reach every exponent; values of a few decimals and
// exact halves of the ninth decimal stress the rounding.
void TestPlainFields::randomFixedPointAsPrintfWritesIt()
{
    std::mt19937_64 random(7);
    char fast[maxFixed9Length + 1];
    char slow[400];
    for (int i = 0; i < 300000; ++i) {
        double value = 0;
        switch (i % 3) {
        case 0: {
            const uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        case 1:
            value = std::ldexp(double(int64_t(random() % 2000000000001) - 1000000000000), -int(random() % 40));
            break;
        default:
            value = std::ldexp(double(int64_t(random() >> 11)) - double(1LL << 52), -int(random() % 80));
            break;
        }
#ifdef Q_OS_WIN
        if (std::isnan(value))
            continue;
#endif
        const size_t length = formatFixed9(value, fast);
        std::snprintf(slow, sizeof slow, "%.9f", value);
        QVERIFY2(QByteArray(fast, int(length)) == QByteArray(slow), qPrintable(describe(value)));
    }
}

// Lines come without their line feed, cut to the longest allowed, with the
// rest of a long line skipped; a CR and NUL bytes stay in the line.
void TestPlainFields::linesCutAndTerminated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lines.txt");
    const QByteArray longLine = QByteArray(10, 'a') + QByteArray(20, 'b');
    const QByteArray withNul("two\0two", 7);
    QVERIFY(writeBytes(path, "one\r\n\n" + withNul + "\n" + QByteArray(10, 'x') + "\n" + longLine + "\nlast"));

    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "r");
    QVERIFY(file);
    TextLines lines(file, 10);
    QList<QByteArray> texts;
    QList<bool> cut;
    for (TextLines::Line line; lines.next(line);) {
        QCOMPARE(line.text[line.length], '\0');
        texts << QByteArray(line.text, int(line.length));
        cut << line.overlong;
    }
    std::fclose(file);
#ifdef Q_OS_WIN
    const QByteArray first = "one"; // read in text mode
#else
    const QByteArray first = "one\r";
#endif
    QCOMPARE(texts, (QList<QByteArray>{first, "", withNul, QByteArray(10, 'x'),
                                       QByteArray(10, 'a'), "last"}));
    QCOMPARE(cut, (QList<bool>{false, false, false, false, true, false}));
}

// Lines that straddle the blocks the reader reads, and a cut line whose tail
// runs over several blocks, come out as a reader of one line at a time gives them.
void TestPlainFields::linesAcrossBlocks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("blocks.txt");
    std::mt19937 random(3);
    QByteArray text;
    QList<QByteArray> expected;
    QList<bool> expectedCut;
    const size_t maxLength = 1023;
    for (int i = 0; text.size() < 3 * 1024 * 1024; ++i) {
        const int length = i % 97 == 0 ? int(random() % 700000) : int(random() % 1400);
        QByteArray line(length, char('a' + i % 26));
        text += line + '\n';
        expected << line.left(int(maxLength));
        expectedCut << (length > int(maxLength));
    }
    QVERIFY(writeBytes(path, text));

    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "r");
    QVERIFY(file);
    TextLines lines(file, maxLength);
    int index = 0;
    for (TextLines::Line line; lines.next(line); ++index) {
        QVERIFY(index < expected.size());
        QCOMPARE(QByteArray(line.text, int(line.length)), expected[index]);
        QCOMPARE(line.overlong, expectedCut[index]);
    }
    std::fclose(file);
    QCOMPARE(index, expected.size());
}

QTEST_GUILESS_MAIN(TestPlainFields)
#include "tst_plainfields.moc"
