#include "analysisrequest.h"
#include "drive.h"
#include "reportviewtext.h"
#include "resultwindow.h"
#include "testdata.h"

#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

using analysis::Report;

namespace {

Report reportWithPlots(const QStringList &names)
{
    const stats::Analysis &blandAltman = *stats::findAnalysis(QStringLiteral("bland-altman"));
    stats::AnalysisInput input;
    input.referenceName = QStringLiteral("Ref");
    input.reference = cells({10, 20, 30, 40, 50, 60});
    input.names = names;
    input.labels = names;
    for (int i = 0; i < names.size(); ++i)
        input.compared.append(cells({11.2 + i, 20.9, 31.1 + i, 40.8, 51.3, 60.7 - i}));
    input.options = stats::defaultOptionValues(blandAltman.options());
    stats::Problem problem;
    return analysis::analysisReport(blandAltman, input, &problem);
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

class tst_ResultWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void menus_data();
    void menus();
    void showsDocumentWithoutScript();
    void savesEveryForm_data();
    void savesEveryForm();
    void failedSaveKeepsOldFile();
    void saveHtmlThroughDialog();
    void copyWithoutSelection();
    void copySelection();

private:
    QTemporaryDir dir;
};

void tst_ResultWindow::initTestCase()
{
    QVERIFY(dir.isValid());
}

void tst_ResultWindow::menus_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("reportMenu");
    QTest::newRow("no plot") << QStringList()
                             << QStringList({"Save as &HTML…", "Save as P&DF…", "&Print…", "-", "&Close"});
    QTest::newRow("one plot") << QStringList({"A"})
                              << QStringList({"Save as &HTML…", "Save as P&DF…", "&Print…", "-",
                                              "Save p&lot as…", "-", "&Close"});
    QTest::newRow("two plots") << QStringList({"A", "B"})
                               << QStringList({"Save as &HTML…", "Save as P&DF…", "&Print…", "-",
                                               "Save p&lot as", "-", "&Close"});
}

void tst_ResultWindow::menus()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, reportMenu);
    const Report report = names.isEmpty() ? Report{QStringLiteral("<p>x</p>"), {}} : reportWithPlots(names);
    ResultWindow window(report);
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(entries(menus.at(0)->menu()), reportMenu);
    QCOMPARE(entries(menus.at(1)->menu()), QStringList({"&Copy"}));
    if (names.size() > 1)
        QCOMPARE(entries(menus.at(0)->menu()->actions().at(4)->menu()), QStringList({"A…", "B…"}));
}

void tst_ResultWindow::showsDocumentWithoutScript()
{
    ResultWindow window(Report{QStringLiteral("<p id=\"p\">kept</p><script>document.getElementById('p').innerHTML='ran'</script>"), {}});
    QVERIFY(!runsScripts(window.view()));
    QVERIFY(shownText(window.view()).contains("kept"));
}

// The document as the analysis made it, a PDF of it, and each plot in the format its name
// asks for.
void tst_ResultWindow::savesEveryForm_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("HTML") << "report.html" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("PDF") << "report.pdf" << QByteArray("%PDF-");
    QTest::newRow("plot as SVG") << "plot.svg" << QByteArray("<?xml");
    QTest::newRow("plot as PNG") << "plot.png" << QByteArray("\x89PNG");
    QTest::newRow("plot as PDF") << "plot.PDF" << QByteArray("%PDF-");
}

void tst_ResultWindow::savesEveryForm()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, start);
    const Report report = reportWithPlots({"A", "B"});
    ResultWindow window(report);
    const QString path = dir.filePath(fileName);
    QString error;
    bool saved = false;
    if (fileName.startsWith("report.html"))
        saved = window.saveHtml(path, &error);
    else if (fileName.startsWith("report"))
        saved = window.savePdf(path, &error);
    else
        saved = window.savePlot(1, path, &error);
    QVERIFY2(saved, qPrintable(error));
    const QByteArray bytes = contents(path);
    QVERIFY(bytes.startsWith(start));
    if (fileName == "report.html")
        QCOMPARE(QString::fromUtf8(bytes), report.html);
#ifndef CONCORDA_WEBKIT
    // The rich-text view prints the plots with the document at once (the web view loads
    // them in the event loop, which has not run here).
    if (fileName == "report.pdf")
        QVERIFY(bytes.contains("/Subtype /Image"));
#endif
    if (fileName == "plot.svg")
        QVERIFY(bytes.contains(QStringLiteral(">B − Ref</text>").toUtf8()));
}

// A file that cannot be written leaves what was there and says why; a plot needs a name
// that says its format.
void tst_ResultWindow::failedSaveKeepsOldFile()
{
    ResultWindow window(reportWithPlots({"A"}));
    QString error;
    QVERIFY(!window.saveHtml(dir.filePath("no/such/folder/report.html"), &error));
    QVERIFY(!error.isEmpty());
    const QString taken = dir.filePath("taken");
    QVERIFY(QDir(dir.path()).mkdir("taken"));
    QVERIFY(!window.savePdf(taken, &error));
    QVERIFY(QFileInfo(taken).isDir());
    QVERIFY(!window.savePlot(0, dir.filePath("plot.gif"), &error));
    QCOMPARE(error, QStringLiteral("The file name must end in .png, .svg or .pdf."));
    QVERIFY(!QFile::exists(dir.filePath("plot.gif")));
}

// A name typed without a suffix gets the one of the chosen form.
void tst_ResultWindow::saveHtmlThroughDialog()
{
    ResultWindow window(Report{QStringLiteral("<p>saved</p>"), {}});
    ModalScript script({chooseFile(dir.filePath("typed"))});
    window.onSaveHtml();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(contents(dir.filePath("typed.html")), QByteArray("<p>saved</p>"));
}

void tst_ResultWindow::copyWithoutSelection()
{
    const Report report = reportWithPlots({"A"});
    ResultWindow window(report);
    QGuiApplication::clipboard()->clear();
    window.onCopy();
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(mime->html(), report.html);
    QVERIFY(!qvariant_cast<QImage>(mime->imageData()).isNull());
}

// With text selected, the selection alone, as plain text too.
void tst_ResultWindow::copySelection()
{
    ResultWindow window(Report{QStringLiteral("<p>only <b>this</b></p>"), {}});
    selectAllShown(window.view());
    QGuiApplication::clipboard()->clear();
    window.onCopy();
    QCOMPARE(QGuiApplication::clipboard()->text().trimmed(), QStringLiteral("only this"));
}

QTEST_MAIN(tst_ResultWindow)
#include "tst_resultwindow.moc"
