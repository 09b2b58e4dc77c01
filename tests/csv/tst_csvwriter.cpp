#include "csvtable.h"
#include "csvwriter.h"
#include "delimiters.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<QStringList>)
Q_DECLARE_METATYPE(csv::Unwritable)

namespace {

// What the data view holds of a parsed table: every row as wide as the names, a short row
// filled up with empty cells.
CsvTable asGrid(CsvTable table)
{
    for (QStringList &row : table.rows) {
        while (row.size() < table.names.size())
            row.append(QString());
    }
    return table;
}

} // namespace

// Writing a table so that the import reads it back unchanged. Runs without a GUI
// application object, as a command-line tool would.
class tst_CsvWriter : public QObject
{
    Q_OBJECT

private slots:
    void tableText_data();
    void tableText();
    void roundTrip_data();
    void roundTrip();
    void firstUnwritableText_data();
    void firstUnwritableText();
    void suggestedDelimiterEntry_data();
    void suggestedDelimiterEntry();
    void entryForDelimiter();
};

void tst_CsvWriter::tableText_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QString>("text");

    QTest::newRow("names only") << QStringList({"A", "B"}) << QVector<QStringList>() << QChar(',')
                                << "A,B";
    QTest::newRow("empty last row is the final line feed")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2"}, {"", ""}}) << QChar(',')
        << "A,B\n1,2\n";
    QTest::newRow("filled last row, no final line feed")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2"}, {"3", ""}}) << QChar(',')
        << "A,B\n1,2\n3,";
    QTest::newRow("empty row inside keeps its fields")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"", ""}, {"1", "2"}, {"", ""}})
        << QChar(';') << "A;B\n;\n1;2\n";
    QTest::newRow("only the spare row") << QStringList({"A"}) << QVector<QStringList>({{""}})
                                        << QChar('\t') << "A\n";
    QTest::newRow("tab, texts with spaces and carriage returns")
        << QStringList({"Lab glucose", "Meter\r"}) << QVector<QStringList>({{"5.1", "x y\r"}})
        << QChar('\t') << "Lab glucose\tMeter\r\n5.1\tx y\r";
    QTest::newRow("empty file") << QStringList({""}) << QVector<QStringList>() << QChar(',') << "";
}

void tst_CsvWriter::tableText()
{
    QFETCH(QStringList, names);
    QFETCH(QVector<QStringList>, rows);
    QFETCH(QChar, delimiter);
    QFETCH(QString, text);

    const CsvTable table{names, rows};
    QCOMPARE(csv::firstUnwritableText(table, delimiter).reason, csv::Unwritable::None);
    QCOMPARE(csv::tableText(table, delimiter), text);
}

// Whatever the import makes of a text, written back and read again, is the same grid.
void tst_CsvWriter::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("delimiter");

    QTest::newRow("empty file") << "" << QChar(',');
    QTest::newRow("names, no final line feed") << "A,B" << QChar(',');
    QTest::newRow("names, final line feed") << "A,B\n" << QChar(',');
    QTest::newRow("spare row") << "x,y\n1,1\n2,3\n" << QChar(',');
    QTest::newRow("no final line feed") << "x,y\n1,1\n2,3" << QChar(',');
    QTest::newRow("ragged lines") << "A,B\n1,2,3\n4\n" << QChar(',');
    QTest::newRow("empty lines inside") << "A,B\n1,2\n\n\n3,4\n" << QChar(',');
    QTest::newRow("trailing empty columns") << "A,B,,\n1,2,,\n,,,\n" << QChar(',');
    QTest::newRow("decimal commas with the semicolon") << "A;B\n1,5;2\n3;x\n" << QChar(';');
    QTest::newRow("names with commas under the semicolon") << "A,1;B\n1;2\n" << QChar(';');
    QTest::newRow("text cells and quotes") << "A;B\n\"1,5\";\"x\nNA;<0.5\n" << QChar(';');
    QTest::newRow("CR LF line ends") << "A,B\r\n1,2.5\r\n" << QChar(',');
    QTest::newRow("space, two in a row") << "A B C\n1  3\n" << QChar(' ');
    QTest::newRow("tab, backslash t is text") << "A\tB\n1\\t5\t2\n" << QChar('\t');
    QTest::newRow("NUL character") << QString::fromUtf8("A,B\n\0" "3,4\n", 9) << QChar(',');
    QTest::newRow("one column with empty rows") << "A\n1\n\n2\n\n" << QChar(',');
    QTest::newRow("UTF-8 beyond ASCII") << QStringLiteral(u"Größe;µg/L\n1,5;\u00b1\n") << QChar(';');
    QTest::newRow("replacement characters") << QStringLiteral(u"A,B\n\uFFFD1,2\uFFFD\n") << QChar(',');
}

void tst_CsvWriter::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QChar, delimiter);

    const CsvTable grid = asGrid(csv::parseTable(text, delimiter));
    QCOMPARE(csv::firstUnwritableText(grid, delimiter).reason, csv::Unwritable::None);
    const QString written = csv::tableText(grid, delimiter);
    const CsvTable readBack = asGrid(csv::parseTable(csv::decodeText(written.toUtf8()), delimiter));
    QCOMPARE(readBack.names, grid.names);
    QCOMPARE(readBack.rows, grid.rows);
    // Written once more, the text is the same: nothing drifts from save to save.
    QCOMPARE(csv::tableText(readBack, delimiter), written);
}

void tst_CsvWriter::firstUnwritableText_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<csv::Unwritable>("reason");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    const QVector<QStringList> plain{{"1", "2"}, {"", ""}};
    QTest::newRow("nothing to report") << QStringList({"A", "B"}) << plain << QChar(',')
                                       << csv::Unwritable::None << -1 << -1;
    QTest::newRow("a name holding the delimiter")
        << QStringList({"A", "B;C"}) << plain << QChar(';') << csv::Unwritable::Delimiter << -1
        << 1;
    QTest::newRow("a name holding a comma, semicolon delimiter")
        << QStringList({"A,B", "C"}) << plain << QChar(';') << csv::Unwritable::None << -1 << -1;
    QTest::newRow("a name holding a line feed")
        << QStringList({"A\nB", "C"}) << plain << QChar(',') << csv::Unwritable::LineFeed << -1
        << 0;
    QTest::newRow("a cell holding the tab")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2"}, {"3", "a\tb"}})
        << QChar('\t') << csv::Unwritable::Delimiter << 1 << 1;
    QTest::newRow("a cell holding a space, space delimiter")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"5 mmol", "2"}}) << QChar(' ')
        << csv::Unwritable::Delimiter << 0 << 0;
    QTest::newRow("a cell holding a line feed")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2\n3"}}) << QChar(';')
        << csv::Unwritable::LineFeed << 0 << 1;
    QTest::newRow("a decimal comma typed, semicolon delimiter")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1.5", "2"}, {"2,5", ""}})
        << QChar(';') << csv::Unwritable::Comma << 1 << 0;
    QTest::newRow("a comma under the comma delimiter is the delimiter")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"2,5", ""}}) << QChar(',')
        << csv::Unwritable::Delimiter << 0 << 0;
    QTest::newRow("the names come before the rows")
        << QStringList({"A", "B,C"}) << QVector<QStringList>({{"1,5", ""}}) << QChar(',')
        << csv::Unwritable::Delimiter << -1 << 1;
    QTest::newRow("row by row, left to right")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "x;y"}, {"p;q", ""}})
        << QChar(';') << csv::Unwritable::Delimiter << 0 << 1;
    QTest::newRow("a first name starting with U+FEFF, which the import drops")
        << QStringList({QStringLiteral(u"\uFEFFA"), "B"}) << plain << QChar(',')
        << csv::Unwritable::LeadingByteOrderMark << -1 << 0;
    QTest::newRow("U+FEFF later in a name is kept")
        << QStringList({"A", QStringLiteral(u"\uFEFFB")}) << plain << QChar(',')
        << csv::Unwritable::None << -1 << -1;
    QTest::newRow("carriage returns and quotes are fine")
        << QStringList({"A\r", "\"B\""}) << QVector<QStringList>({{"1\r", "\"2\""}}) << QChar(',')
        << csv::Unwritable::None << -1 << -1;
}

void tst_CsvWriter::firstUnwritableText()
{
    QFETCH(QStringList, names);
    QFETCH(QVector<QStringList>, rows);
    QFETCH(QChar, delimiter);
    QFETCH(csv::Unwritable, reason);
    QFETCH(int, row);
    QFETCH(int, column);

    const CsvTable table{names, rows};
    const csv::UnwritableText found = csv::firstUnwritableText(table, delimiter);
    QCOMPARE(found.reason, reason);
    QCOMPARE(found.row, row);
    QCOMPARE(found.column, column);
    // What it lets through really reads back the same; what it stops really would not.
    const QByteArray bytes = csv::tableText(table, delimiter).toUtf8();
    const CsvTable readBack = asGrid(csv::parseTable(csv::decodeText(bytes), delimiter));
    const bool same = readBack.names == names && readBack.rows == asGrid(table).rows;
    QCOMPARE(same, reason == csv::Unwritable::None);
}

void tst_CsvWriter::suggestedDelimiterEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("entry");

    QTest::newRow("comma") << "Subject,LabGlucose,MeterA\n1,6.9,7.4\n" << ",";
    QTest::newRow("semicolon beside decimal commas below") << "ID;HPLC;POC1\n1;5,4;5,6\n" << ";";
    QTest::newRow("semicolon beats a comma in a name") << "A,1;B\n" << ";";
    QTest::newRow("tab beats spaces and commas in names") << "Lab glucose\tMeter A,B\n" << "\\t";
    QTest::newRow("comma beats spaces in names") << "Lab glucose,Meter A\n" << ",";
    QTest::newRow("space") << "x y z\n1 2 3\n" << "' '";
    QTest::newRow("only the first line counts") << "A\n1;2\t3\n" << ",";
    QTest::newRow("none: the comma") << "Glucose" << ",";
    QTest::newRow("empty text") << "" << ",";
}

void tst_CsvWriter::suggestedDelimiterEntry()
{
    QFETCH(QString, text);
    QFETCH(QString, entry);

    QCOMPARE(csv::suggestedDelimiterEntry(text), entry);
    QVERIFY(csv::delimiterEntries().contains(entry));
}

void tst_CsvWriter::entryForDelimiter()
{
    for (const QString &entry : csv::delimiterEntries())
        QCOMPARE(csv::entryForDelimiter(csv::delimiterForEntry(entry)), entry);
    QCOMPARE(csv::entryForDelimiter(QLatin1Char('|')), QString());
}

QTEST_GUILESS_MAIN(tst_CsvWriter)
#include "tst_csvwriter.moc"
