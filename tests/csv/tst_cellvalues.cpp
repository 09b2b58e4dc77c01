#include "cellvalues.h"

#include <QtTest>

// Runs without an application object: these functions must serve a command-line tool too.
class tst_CellValues : public QObject
{
    Q_OBJECT

private slots:
    void cellNumber_data();
    void cellNumber();
    void columnValues_data();
    void columnValues();
    void isSpareRow_data();
    void isSpareRow();
};

void tst_CellValues::cellNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");

    QTest::newRow("decimal point") << "1.5" << true << 1.5;
    QTest::newRow("spaces around") << "  2.5 " << true << 2.5;
    QTest::newRow("trailing carriage return") << "2.5\r" << true << 2.5;
    QTest::newRow("tab and line feed around") << "\t-3\n" << true << -3.0;
    QTest::newRow("sign and exponent") << "+1.25e-2" << true << 0.0125;
    QTest::newRow("decimal comma") << "2,5" << false << 0.0;
    QTest::newRow("group separator") << "1,000.5" << false << 0.0;
    QTest::newRow("trailing text") << "1.5kg" << false << 0.0;
    QTest::newRow("text") << "abc" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("only spaces") << "   " << false << 0.0;
    QTest::newRow("not a number word") << "NaN" << false << 0.0;
    QTest::newRow("infinity word") << "-inf" << false << 0.0;
    QTest::newRow("out of range") << "1e999" << false << 0.0;
}

void tst_CellValues::cellNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);

    const QVariant number = ::cellNumber(text);
    QCOMPARE(number.isValid(), isNumber);
    if (isNumber) {
        QCOMPARE(number.userType(), int(QMetaType::Double));
        QCOMPARE(number.toDouble(), value);
    }
}

namespace {

QStringList capturedLines;

void captureDebugLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        capturedLines.append(message);
}

} // namespace

void tst_CellValues::columnValues_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QVector<QVariant>>("expected");
    QTest::addColumn<QStringList>("diagnostics");

    QTest::newRow("no texts") << QStringList() << QVector<QVariant>() << QStringList();
    QTest::newRow("numbers only")
        << QStringList{"1", "2.5"} << QVector<QVariant>{1.0, 2.5} << QStringList();
    QTest::newRow("text and empty cells")
        << QStringList{"1.5", "abc", "", ""}
        << QVector<QVariant>{1.5, QVariant(), QVariant(), QVariant()}
        << QStringList{"Valor 1 no valido", "Valor 2 no valido", "Valor 3 no valido"};
}

void tst_CellValues::columnValues()
{
    QFETCH(QStringList, texts);
    QFETCH(QVector<QVariant>, expected);
    QFETCH(QStringList, diagnostics);

    capturedLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureDebugLine);
    const QVector<QVariant> values = ::columnValues(texts);
    qInstallMessageHandler(previous);

    QCOMPARE(values, expected);
    QCOMPARE(capturedLines, diagnostics);
}

void tst_CellValues::isSpareRow_data()
{
    QTest::addColumn<QStringList>("rowTexts");
    QTest::addColumn<bool>("spare");

    QTest::newRow("all cells empty") << QStringList{"", "", ""} << true;
    QTest::newRow("row without cells") << QStringList() << true;
    QTest::newRow("last cell filled") << QStringList{"", "", "7"} << false;
    QTest::newRow("first cell filled") << QStringList{"1.5", "", ""} << false;
    QTest::newRow("a space is not empty") << QStringList{"", " "} << false;
}

void tst_CellValues::isSpareRow()
{
    QFETCH(QStringList, rowTexts);
    QFETCH(bool, spare);

    QCOMPARE(::isSpareRow(rowTexts), spare);
}

QTEST_APPLESS_MAIN(tst_CellValues)
#include "tst_cellvalues.moc"
