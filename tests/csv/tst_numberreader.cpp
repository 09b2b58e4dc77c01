#include "cellvalues.h"
#include "csvtable.h"
#include "diagnostics.h"
#include "numberreader.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const double missing = std::numeric_limits<double>::quiet_NaN();

// The data view's reading, the oracle: decode, split, read every cell with cellNumber.
QVector<double> viewColumn(const QByteArray &bytes, QChar delimiter, int column)
{
    const CsvTable table = csv::parseTable(csv::decodeText(bytes), delimiter);
    QVector<double> values;
    for (const QVariant &cell : csv::tableColumnValues(table, column))
        values.append(cell.isValid() ? cell.toDouble() : missing);
    return values;
}

// Equal as the analysis sees them: both missing, or the same double, sign of zero and all.
bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

QString describe(const QVector<double> &values)
{
    QStringList texts;
    for (double value : values)
        texts.append(QString::number(value, 'g', 17));
    return QLatin1Char('[') + texts.join(QLatin1String(", ")) + QLatin1Char(']');
}

// Names and every column read both ways; the first difference, or an empty string.
QString differenceFromView(const QByteArray &bytes, QChar delimiter)
{
    const csv::NumberReader reader(bytes, delimiter);
    const QStringList names = csv::parseTable(csv::decodeText(bytes), delimiter).names;
    if (reader.names() != names)
        return QStringLiteral("names %1, the data view has %2")
            .arg(reader.names().join(QLatin1Char('|')), names.join(QLatin1Char('|')));
    QVector<int> all;
    for (int column = 0; column < names.size(); ++column)
        all.append(column);
    const QVector<QVector<double>> read = reader.columns(all);
    for (int column = 0; column < names.size(); ++column) {
        const QVector<double> expected = viewColumn(bytes, delimiter, column);
        bool same = read.at(column).size() == expected.size();
        for (int row = 0; same && row < expected.size(); ++row)
            same = sameValue(read.at(column).at(row), expected.at(row));
        if (!same)
            return QStringLiteral("column %1 reads %2, the data view reads %3")
                .arg(column)
                .arg(describe(read.at(column)), describe(expected));
    }
    return QString();
}

// The text in UTF-16 behind its byte-order mark.
QByteArray utf16(const QString &text, bool bigEndian = false)
{
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char low = char(c.unicode() & 0xFF);
        const char high = char(c.unicode() >> 8);
        bytes.append(bigEndian ? high : low);
        bytes.append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

class tst_NumberReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cells_data();
    void cells();
    void rows_data();
    void rows();
    void chosenColumns();
    void filesAsDataView_data();
    void filesAsDataView();
};

void tst_NumberReader::initTestCase()
{
    quietDiagnostics();
}

// Where QString::toDouble and std::from_chars differ, and texts that only the data view's
// rule reads. Each cell is read in a UTF-8 and a UTF-16 file; both must give the worked
// value and the data view's value.
void tst_NumberReader::cells_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("expected");

    QTest::newRow("integer") << "7" << 7.0;
    QTest::newRow("leading zeros") << "007.50" << 7.5;
    QTest::newRow("plus sign") << "+1.5" << 1.5;
    QTest::newRow("plus sign before a point") << "+.5" << 0.5;
    QTest::newRow("two signs") << "+-1" << missing;
    QTest::newRow("plus alone") << "+" << missing;
    QTest::newRow("minus alone") << "-" << missing;
    QTest::newRow("minus zero") << "-0" << -0.0;
    QTest::newRow("point after the digits") << "1." << 1.0;
    QTest::newRow("point before the digits") << "-.25" << -0.25;
    QTest::newRow("point alone") << "." << missing;
    QTest::newRow("exponent") << "1.5E+3" << 1500.0;
    QTest::newRow("exponent with a point only before it") << "2.e2" << 200.0;
    QTest::newRow("exponent without digits") << "1e" << missing;
    QTest::newRow("exponent sign without digits") << "1e-" << missing;
    QTest::newRow("exponent with leading zeros") << "1e-0000000000000000000000005" << 1e-5;
    QTest::newRow("decimal comma") << "2,5" << 2.5;
    QTest::newRow("comma and point") << "1,000.5" << missing;
    QTest::newRow("two points") << "1..5" << missing;
    QTest::newRow("spaces and tabs around") << " \t2.5\t " << 2.5;
    QTest::newRow("carriage return left by CR LF") << "2.5\r" << 2.5;
    QTest::newRow("vertical tab and form feed") << "\v4\f" << 4.0;
    QTest::newRow("space inside") << "1 2" << missing;
    QTest::newRow("space after the sign") << "- 1" << missing;
    QTest::newRow("only white space") << " \t\r" << missing;
    QTest::newRow("empty") << "" << missing;
    QTest::newRow("hexadecimal") << "0x10" << missing;
    QTest::newRow("hexadecimal float") << "0x1p3" << missing;
    QTest::newRow("nan") << "nan" << missing;
    QTest::newRow("infinity") << "-inf" << missing;
    QTest::newRow("infinity spelt out") << "Infinity" << missing;
    QTest::newRow("overflow") << "1e999" << missing;
    QTest::newRow("just above the largest double") << "1.7976931348623159e308" << missing;
    QTest::newRow("largest double") << "1.7976931348623157e308" << 1.7976931348623157e308;
    QTest::newRow("smallest normal") << "2.2250738585072014e-308" << 2.2250738585072014e-308;
    QTest::newRow("denormal") << "4.9e-324" << 4.9406564584124654e-324;
    QTest::newRow("underflow to zero") << "1e-400" << missing;
    QTest::newRow("half the smallest denormal") << "2.4703282292062327e-324" << missing;
    QTest::newRow("zero with a huge exponent") << "0e999999999999" << 0.0;
    QTest::newRow("long digit string")
        << QStringLiteral("0.") + QString(300, QLatin1Char('0')) + QStringLiteral("123") << 1.23e-301;
    QTest::newRow("long digits rounding on the last one")
        << QStringLiteral("1.00000000000000011102230246251565404236316680908203125")
               + QString(120, QLatin1Char('0')) + QLatin1Char('1')
        << 1.0000000000000002;
    QTest::newRow("text after the number") << "1.5kg" << missing;
    QTest::newRow("delete character") << QStringLiteral("1\x7f") << missing;
    QTest::newRow("NUL character") << QString::fromLatin1("1\0", 2) << missing;
    QTest::newRow("no-break spaces around") << QStringLiteral("\u00a01.5\u00a0") << 1.5;
    QTest::newRow("ideographic space") << QStringLiteral("\u30002") << 2.0;
    QTest::newRow("Unicode minus sign") << QStringLiteral("\u22121") << -1.0;
    QTest::newRow("Arabic-Indic digit") << QStringLiteral("\u0661") << missing;
    QTest::newRow("full-width digit") << QStringLiteral("\uff11") << missing;
    QTest::newRow("byte-order mark before the number") << QStringLiteral("\ufeff1") << missing;
    QTest::newRow("replacement character") << QStringLiteral("1\ufffd") << missing;
}

void tst_NumberReader::cells()
{
    QFETCH(QString, cell);
    QFETCH(double, expected);

    // A semicolon delimiter, so that a comma stays in the cell.
    const QString text = QStringLiteral("A;B\n") + cell + QStringLiteral(";1\n");
    for (const QByteArray &bytes : {text.toUtf8(), utf16(text)}) {
        const QVector<QVector<double>> read =
            csv::NumberReader(bytes, QLatin1Char(';')).columns({0});
        QCOMPARE(read.size(), 1);
        QCOMPARE(read.at(0).size(), 1);
        QVERIFY2(sameValue(read.at(0).at(0), expected),
                 qPrintable(QString::number(read.at(0).at(0), 'g', 17)));
        const QString difference = differenceFromView(bytes, QLatin1Char(';'));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

// The shape of the rows: which lines become rows, and which cells a line gives.
void tst_NumberReader::rows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<double>>("first");
    QTest::addColumn<QVector<double>>("second");

    QTest::newRow("final line feed: spare row left out")
        << QByteArray("A,B\n1,2\n3,4\n") << QVector<double>{1, 3} << QVector<double>{2, 4};
    QTest::newRow("no final line feed: last subject kept")
        << QByteArray("A,B\n1,2\n3,4") << QVector<double>{1, 3} << QVector<double>{2, 4};
    QTest::newRow("empty line inside is a row")
        << QByteArray("A,B\n1,2\n\n3,4\n") << QVector<double>{1, missing, 3}
        << QVector<double>{2, missing, 4};
    QTest::newRow("two empty lines at the end: one spare")
        << QByteArray("A,B\n1,2\n\n") << QVector<double>{1, missing} << QVector<double>{2, missing};
    QTest::newRow("short row") << QByteArray("A,B\n1\n3,4\n") << QVector<double>{1, 3}
                               << QVector<double>{missing, 4};
    QTest::newRow("extra fields dropped") << QByteArray("A,B\n1,2,9\n") << QVector<double>{1}
                                          << QVector<double>{2};
    QTest::newRow("last line of delimiters only is spare")
        << QByteArray("A,B\n1,2\n,") << QVector<double>{1} << QVector<double>{2};
    QTest::newRow("last line empty up to the dropped field is spare")
        << QByteArray("A,B\n1,2\n,,7") << QVector<double>{1} << QVector<double>{2};
    QTest::newRow("last line with a value is kept")
        << QByteArray("A,B\n1,2\n,5") << QVector<double>{1, missing} << QVector<double>{2, 5};
    QTest::newRow("white space makes no spare row")
        << QByteArray("A,B\n1,2\n ") << QVector<double>{1, missing} << QVector<double>{2, missing};
    QTest::newRow("CR LF line ends") << QByteArray("A,B\r\n1,2\r\n3,4\r\n") << QVector<double>{1, 3}
                                     << QVector<double>{2, 4};
    QTest::newRow("CR LF, last line a lone carriage return")
        << QByteArray("A,B\r\n1,2\r\n\r") << QVector<double>{1, missing}
        << QVector<double>{2, missing};
    QTest::newRow("names only") << QByteArray("A,B") << QVector<double>{} << QVector<double>{};
    QTest::newRow("names and a line feed") << QByteArray("A,B\n") << QVector<double>{}
                                           << QVector<double>{};
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF" "A,B\n1,2\n")
                                           << QVector<double>{1} << QVector<double>{2};
    QTest::newRow("malformed UTF-8 before a delimiter")
        << QByteArray("A,B\n\xE2\x82,2\n1,\xC3\n") << QVector<double>{missing, 1}
        << QVector<double>{2, missing};
    QTest::newRow("UTF-16 big endian")
        << utf16(QStringLiteral("A,B\n1,2\n"), true) << QVector<double>{1} << QVector<double>{2};
    QTest::newRow("UTF-16 odd final byte")
        << utf16(QStringLiteral("A,B\n1,2")) + '\n' << QVector<double>{1} << QVector<double>{missing};
}

void tst_NumberReader::rows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<double>, first);
    QFETCH(QVector<double>, second);

    const csv::NumberReader reader(bytes, QLatin1Char(','));
    QCOMPARE(reader.names().size(), 2);
    const QVector<QVector<double>> read = reader.columns({0, 1});
    for (int column = 0; column < 2; ++column) {
        const QVector<double> &expected = column == 0 ? first : second;
        QCOMPARE(read.at(column).size(), expected.size());
        for (int row = 0; row < expected.size(); ++row)
            QVERIFY2(sameValue(read.at(column).at(row), expected.at(row)),
                     qPrintable(describe(read.at(column))));
    }
    const QString difference = differenceFromView(bytes, QLatin1Char(','));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

// Columns come back in the order asked for, a column asked for twice twice.
void tst_NumberReader::chosenColumns()
{
    const csv::NumberReader reader("A;B;C\n1;2;3\n4;5\n", QLatin1Char(';'));
    QCOMPARE(reader.names(), (QStringList{"A", "B", "C"}));
    const QVector<QVector<double>> read = reader.columns({2, 0, 2});
    QCOMPARE(read.size(), 3);
    QCOMPARE(read.at(1), (QVector<double>{1, 4}));
    QCOMPARE(read.at(0).size(), 2);
    QCOMPARE(read.at(0).at(0), 3.0);
    QVERIFY(std::isnan(read.at(0).at(1)));
    QVERIFY(sameValue(read.at(2).at(0), 3.0) && std::isnan(read.at(2).at(1)));
    QCOMPARE(reader.columns({}).size(), 0);
}

// Every seed of the two reading fuzz targets (a delimiter byte, then the file), the examples
// and the import test files under every delimiter: the names and every column as the data
// view reads them.
void tst_NumberReader::filesAsDataView_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QChar>("delimiter");

    const QChar delimiters[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char(' '),
                                QLatin1Char('\t')};
    const auto contents = [](const QString &path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return file.readAll();
    };
    int seeds = 0;
    for (const char *target : {"fuzz_import", "fuzz_numberreader"}) {
        const QDir corpus(QStringLiteral(CONCORDA_SOURCE_DIR "/fuzz/corpus/") + target);
        for (const QString &name : corpus.entryList(QDir::Files)) {
            const QByteArray input = contents(corpus.filePath(name));
            if (input.isEmpty())
                continue;
            QTest::addRow("%s/%s", target, qPrintable(name))
                << input.mid(1) << delimiters[quint8(input.at(0)) % 4];
            ++seeds;
        }
    }
    if (seeds < 20)
        qFatal("the fuzz corpus is missing: %d seeds", seeds);

    const QDir examples(QStringLiteral(CONCORDA_SOURCE_DIR "/examples"));
    QTest::newRow("examples/glucose_meters.csv")
        << contents(examples.filePath("glucose_meters.csv")) << QChar(QLatin1Char(','));
    QTest::newRow("examples/hba1c_analysers.csv")
        << contents(examples.filePath("hba1c_analysers.csv")) << QChar(QLatin1Char(';'));

    const QDir data(QStringLiteral(CONCORDA_TEST_DATA_DIR));
    for (const QString &name : data.entryList({QStringLiteral("*.csv")}, QDir::Files)) {
        for (QChar delimiter : delimiters)
            QTest::addRow("tests/data/%s, delimiter %d", qPrintable(name), delimiter.unicode())
                << contents(data.filePath(name)) << delimiter;
    }
}

void tst_NumberReader::filesAsDataView()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QChar, delimiter);
    const QString difference = differenceFromView(bytes, delimiter);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_GUILESS_MAIN(tst_NumberReader)
#include "tst_numberreader.moc"
