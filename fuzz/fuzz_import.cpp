// libFuzzer target: arbitrary file bytes through the import's text-to-grid step and back
// out of the data view, column by column, as the agreement request reads them.
//
// Input: the first byte picks the delimiter (comma, semicolon, space, tab); the rest are
// the bytes of the file.

#include "csvtable.h"
#include "dataviewwidget.h"
#include "importexport.h"
#include "quietmessages.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

// Every cell of the grid is a widget item, so the cost of a case grows with lines times
// names. Cases beyond this many cells are skipped: they measure the grid, not find faults.
constexpr qint64 maximumCells = 20000;

qint64 cellCount(const QString &text, QChar delimiter)
{
    const qint64 lines = text.count(QLatin1Char('\n')) + 1;
    const int firstLineEnd = text.indexOf(QLatin1Char('\n'));
    const qint64 names = text.leftRef(firstLineEnd).count(delimiter) + 1;
    return lines * names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Q_UNUSED(argc)
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessageHandler);
    // The application gets only the program name, so that it strips none of the
    // fuzzer's own arguments. It lives until the process ends: destroying it at exit
    // would only add the offscreen platform's own teardown to every leak report.
    static int applicationArgc = 1;
    static char *applicationArgv[] = {(*argv)[0], nullptr};
    static QApplication *application = new QApplication(applicationArgc, applicationArgv);
    Q_UNUSED(application)
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QChar delimiters[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char(' '),
                                       QLatin1Char('\t')};
    const QChar delimiter = delimiters[data[0] % 4];
    const QString text = csv::decodeText(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), int(size - 1)));
    if (cellCount(text, delimiter) > maximumCells)
        return 0;

    QStringList names;
    DataViewWidget *view = ImportExport::dataViewFromText(text, delimiter, names);
    if (!view)
        std::abort();
    view->setVarNames(names);
    for (const QString &name : names)
        view->getVarValues(name);
    delete view;
    return 0;
}
