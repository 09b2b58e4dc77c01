#include "dataviewwidget.h"
#include "diagnostics.h"
#include "importexport.h"

#include <QtTest>

#include <memory>

// Files far larger than a study needs, along both axes, import whole: every name, every
// row, the header of the last column. How long they take is measured by bench_import
// (BM_WideLine), not asserted here.
class tst_LargeImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wideAndTall_data();
    void wideAndTall();
};

namespace {

// Under AddressSanitizer, with its full stack for every allocation, the files are smaller.
#if defined(__SANITIZE_ADDRESS__)
constexpr int scale = 4;
#else
constexpr int scale = 1;
#endif

QString repeated(const QString &field, QChar delimiter, int count)
{
    QString line;
    line.reserve((field.size() + 1) * count);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            line += delimiter;
        line += field;
    }
    return line;
}

} // namespace

void tst_LargeImport::initTestCase()
{
    // One "not a number" line per cell of the spare row would only slow the test down.
    quietDiagnostics();
}

void tst_LargeImport::wideAndTall_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastName");

    const int wide = 400000 / scale;
    QString names = repeated(QStringLiteral("v"), QLatin1Char(','), wide - 1) + QStringLiteral(",last");
    QTest::addRow("%d names, no data", wide) << names << wide << 0 << "last";
    QTest::addRow("%d names, one data row", wide)
        << names + QLatin1Char('\n') + repeated(QStringLiteral("1.5"), QLatin1Char(','), wide) + QLatin1Char('\n')
        << wide << 2 << "last";

    const int tall = 200000 / scale;
    QString rows = QStringLiteral("A;B\n");
    rows += repeated(QStringLiteral("1,5;2"), QLatin1Char('\n'), tall) + QLatin1Char('\n');
    QTest::addRow("%d rows of two fields", tall) << rows << 2 << tall + 1 << "B";
}

void tst_LargeImport::wideAndTall()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(QString, lastName);

    const QChar delimiter = columns > 2 ? QLatin1Char(',') : QLatin1Char(';');
    QStringList names;
    const std::unique_ptr<DataViewWidget> view(ImportExport::dataViewFromText(text, delimiter, names));
    view->setVarNames(names);
    const QVector<QVariant> first = view->getVarValues(names.first());

    QCOMPARE(names.size(), columns);
    QCOMPARE(view->columnCount(), columns);
    QCOMPARE(view->rowCount(), rows);
    QCOMPARE(view->horizontalHeaderItem(columns - 1)->text(), lastName);
    QCOMPARE(first.size(), qMax(rows - 1, 0));
    if (!first.isEmpty())
        QCOMPARE(first.first().toDouble(), 1.5);
}

QTEST_MAIN(tst_LargeImport)
#include "tst_largeimport.moc"
