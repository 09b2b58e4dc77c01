#include "csvtable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(QVector<QStringList>)

// The widget-free reading steps. The test runs without a GUI application object, as a
// command-line tool would.
class tst_CsvTable : public QObject
{
    Q_OBJECT

private slots:
    void decodeText_data();
    void decodeText();
    void delimiterForEntry_data();
    void delimiterForEntry();
    void parseTableRows_data();
    void parseTableRows();
    void readFileRefused_data();
    void readFileRefused();
    void readFileWholeBytes();
    void readFileWithoutPermission();
};

void tst_CsvTable::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("multibyte names") << QByteArray("Gr\xc3\xb6\xc3\x9f" "e,\xc2\xb5g/L\n")
                                     << QStringLiteral(u"Größe,µg/L\n");
    QTest::newRow("NUL byte read like any other") << QByteArray("A,B\n1,2\n\0" "3,4\n", 13)
                                                  << QString::fromUtf8("A,B\n1,2\n\0" "3,4\n", 13);
    QTest::newRow("NUL first") << QByteArray("\0A", 2) << QString::fromUtf8("\0A", 2);
    QTest::newRow("UTF-16 little endian") << QByteArray("\xff\xfe" "A\0;\0\xb5\0\n\0" "1\0", 12)
                                          << QStringLiteral(u"A;\u00b5\n1");
    QTest::newRow("UTF-16 big endian, surrogate pair")
        << QByteArray("\xfe\xff" "\0A\xd8\x3d\xde\x00\0\t", 10)
        << QStringLiteral(u"A\U0001F600\t");
    QTest::newRow("UTF-16, lone surrogate and odd final byte")
        << QByteArray("\xff\xfe" "\x00\xdc" "B\0" "C", 7) << QStringLiteral(u"\uFFFDB\uFFFD");
    QTest::newRow("UTF-16 byte-order mark only") << QByteArray("\xff\xfe") << QString();
    QTest::newRow("byte-order mark dropped") << QByteArray("\xef\xbb\xbf" "A,B\n")
                                             << QStringLiteral("A,B\n");
    QTest::newRow("byte-order mark only") << QByteArray("\xef\xbb\xbf") << QString();
    QTest::newRow("U+FEFF later is kept") << QByteArray("A\xef\xbb\xbf")
                                          << QStringLiteral(u"A\uFEFF");
    QTest::newRow("malformed sequences replaced")
        << QByteArray("\xff" "1,2\xc3\n")
        << QStringLiteral(u"\uFFFD1,2\uFFFD\n");
    QTest::newRow("truncated sequence at the end") << QByteArray("x\xe2\x82")
                                                   << QStringLiteral(u"x\uFFFD\uFFFD");
    // One replacement character per byte of a sequence that is no UTF-8, as Qt 5 decoded.
    QTest::newRow("overlong NUL") << QByteArray("\xc0\x80" "a") << QStringLiteral(u"\uFFFD\uFFFDa");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80" "b")
                                       << QStringLiteral(u"\uFFFD\uFFFD\uFFFDb");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80" "c")
                                     << QStringLiteral(u"\uFFFD\uFFFD\uFFFD\uFFFDc");
    QTest::newRow("sequence broken by ASCII") << QByteArray("\xe2(\xa1" "d")
                                              << QStringLiteral(u"\uFFFD(\uFFFDd");
    QTest::newRow("noncharacter kept") << QByteArray("\xef\xbf\xbe") << QStringLiteral(u"\uFFFE");
}

void tst_CsvTable::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(csv::decodeText(bytes), text);
}

void tst_CsvTable::delimiterForEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QChar>("delimiter");

    QTest::newRow("comma") << QStringLiteral(",") << QChar(',');
    QTest::newRow("semicolon") << QStringLiteral(";") << QChar(';');
    QTest::newRow("quoted space") << QStringLiteral("' '") << QChar(' ');
    QTest::newRow("backslash t") << QStringLiteral("\\t") << QChar('\t');
    QTest::newRow("bare space is no entry") << QStringLiteral(" ") << QChar();
    QTest::newRow("empty") << QString() << QChar();
}

void tst_CsvTable::delimiterForEntry()
{
    QFETCH(QString, entry);
    QFETCH(QChar, delimiter);
    QCOMPARE(csv::delimiterForEntry(entry), delimiter);
    QCOMPARE(csv::delimiterEntries(),
             QStringList({QStringLiteral(","), QStringLiteral(";"), QStringLiteral("' '"),
                          QStringLiteral("\\t")}));
}

// Row shapes that a grid cannot show: a short line gives a short row, not padded.
void tst_CsvTable::parseTableRows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QStringList>>("rows");

    QTest::newRow("long and short lines")
        << QStringLiteral("A,B\n1,2,3\n4") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1", "2"}, {"4"}});
    QTest::newRow("empty line is a row with one empty field")
        << QStringLiteral("A;B\n\n1,5;2,5\n") << QChar(';') << QStringList({"A", "B"})
        << QVector<QStringList>({{""}, {"1.5", "2.5"}, {""}});
    QTest::newRow("no delimiter: one column") << QStringLiteral("A;B\n1;2") << QChar()
                                             << QStringList({"A;B"})
                                             << QVector<QStringList>({{"1;2"}});
}

void tst_CsvTable::parseTableRows()
{
    QFETCH(QString, text);
    QFETCH(QChar, delimiter);
    QFETCH(QStringList, names);
    QFETCH(QVector<QStringList>, rows);

    const CsvTable table = csv::parseTable(text, delimiter);
    QCOMPARE(table.names, names);
    QCOMPARE(table.rows, rows);
}

void tst_CsvTable::readFileRefused_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("reasonPart");

    QTest::newRow("missing file") << QStringLiteral(CONCORDA_TEST_DATA_DIR "/no_such_file.csv")
                                  << QStringLiteral("No such file");
    QTest::newRow("directory") << QStringLiteral(CONCORDA_TEST_DATA_DIR)
                               << QStringLiteral("directory");
    // Opens, but every read fails: the read error must not pass for an empty file.
    if (QFile::exists(QStringLiteral("/proc/self/mem")))
        QTest::newRow("read fails after open") << QStringLiteral("/proc/self/mem")
                                               << QStringLiteral("error");
}

void tst_CsvTable::readFileRefused()
{
    QFETCH(QString, fileName);
    QFETCH(QString, reasonPart);

    QByteArray bytes;
    QString reason;
    QVERIFY(!csv::readFile(fileName, &bytes, &reason));
    QVERIFY2(reason.contains(reasonPart, Qt::CaseInsensitive), qPrintable(reason));
}

void tst_CsvTable::readFileWholeBytes()
{
    QByteArray bytes;
    QString reason;
    QVERIFY(csv::readFile(QStringLiteral(CONCORDA_TEST_DATA_DIR "/nul_byte.csv"), &bytes,
                          &reason));
    QCOMPARE(bytes, QByteArray("A,B\n1,2\n\0" "3,4\n", 13));
    QVERIFY(reason.isEmpty());
}

void tst_CsvTable::readFileWithoutPermission()
{
#ifdef Q_OS_UNIX
    // Root reads files whatever their permission bits, so the case needs another user.
    if (geteuid() == 0)
        QSKIP("running as root: file permissions do not stop reading");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString locked = dir.filePath(QStringLiteral("locked.csv"));
    QFile file(locked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("A,B\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::Permissions()));
    QByteArray bytes;
    QString reason;
    QVERIFY(!csv::readFile(locked, &bytes, &reason));
    QVERIFY2(reason.contains(QStringLiteral("denied"), Qt::CaseInsensitive), qPrintable(reason));
#else
    QSKIP("permission bits are a Unix notion");
#endif
}

QTEST_GUILESS_MAIN(tst_CsvTable)
#include "tst_csvtable.moc"
