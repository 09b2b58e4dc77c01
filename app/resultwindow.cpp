#include "resultwindow.h"

#include "customdialog.h"
#include "plotdrawing.h"
#include "plotexport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryDir>

#ifdef CONCORDA_WEBKIT
#include <QWebSettings>
#include <QWebView>
#else
#include "textreportview.h"
#endif

#include <qcustomplot.h>

namespace {

bool writeWhole(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

// A name fit for a file: the characters that file systems or shells take amiss become "_".
QString fileNamePart(const QString &name)
{
    QString part;
    for (const QChar c : name)
        part += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.') ? c : QLatin1Char('_');
    return part.isEmpty() ? QStringLiteral("plot") : part;
}

} // namespace

ResultWindow::ResultWindow(const analysis::Report &report, QWidget *parent)
    : QMainWindow(parent)
    , shown(report)
    , reportView(new ReportView)
{
#ifdef CONCORDA_WEBKIT
    QWebSettings *settings = reportView->settings();
    settings->setAttribute(QWebSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebSettings::PluginsEnabled, false);
    settings->setAttribute(QWebSettings::LocalContentCanAccessRemoteUrls, false);
    reportView->setHtml(report.html, QUrl());
#else
    reportView->showReport(report.html);
#endif
    setCentralWidget(reportView);
    createMenus();
    if (!report.plots.isEmpty())
        resize(900, 760);
}

ResultWindow::~ResultWindow() = default;

void ResultWindow::createMenus()
{
    QMenu *reportMenu = menuBar()->addMenu(tr("&Report"));
    QAction *saveHtml = reportMenu->addAction(tr("Save as &HTML…"), this, SLOT(onSaveHtml()));
    saveHtml->setShortcut(QKeySequence::Save);
    reportMenu->addAction(tr("Save as P&DF…"), this, SLOT(onSavePdf()));
    QAction *print = reportMenu->addAction(tr("&Print…"), this, SLOT(onPrint()));
    print->setShortcut(QKeySequence::Print);
    if (!shown.plots.isEmpty()) {
        reportMenu->addSeparator();
        if (shown.plots.size() == 1) {
            reportMenu->addAction(tr("Save p&lot as…"), this, SLOT(onSavePlot()))->setData(0);
        } else {
            QMenu *plotsMenu = reportMenu->addMenu(tr("Save p&lot as"));
            for (int i = 0; i < shown.plots.size(); ++i)
                plotsMenu->addAction(tr("%1…").arg(shown.plots.at(i).name), this, SLOT(onSavePlot()))
                    ->setData(i);
        }
    }
    reportMenu->addSeparator();
    QAction *close = reportMenu->addAction(tr("&Close"), this, SLOT(close()));
    close->setShortcut(QKeySequence::Close);

    QMenu *editMenu = menuBar()->addMenu(tr("&Edit"));
    QAction *copy = editMenu->addAction(tr("&Copy"), this, SLOT(onCopy()));
    copy->setShortcut(QKeySequence::Copy);
}

ReportView *ResultWindow::view() const
{
    return reportView;
}

const analysis::Report &ResultWindow::report() const
{
    return shown;
}

bool ResultWindow::saveHtml(const QString &fileName, QString *error) const
{
    return writeWhole(fileName, shown.html.toUtf8(), error);
}

// The view prints into a file of its own choosing; it is written in a scratch folder and
// then replaces the target whole.
bool ResultWindow::savePdf(const QString &fileName, QString *error) const
{
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        *error = scratch.errorString();
        return false;
    }
    const QString printed = scratch.filePath(QStringLiteral("report.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setCreator(QStringLiteral("Concorda"));
        reportView->print(&printer);
    }
    QFile file(printed);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    return writeWhole(fileName, file.readAll(), error);
}

bool ResultWindow::savePlot(int plot, const QString &fileName, QString *error) const
{
    stats::PlotFormat format = stats::PlotFormat::Png;
    if (!stats::plotFormatFromName(QFileInfo(fileName).suffix(), &format)) {
        *error = tr("The file name must end in .png, .svg or .pdf.");
        return false;
    }
    const stats::PlotModel &model = shown.plots.at(plot);
    QCustomPlot canvas;
    plots::drawPlot(&canvas, model);
    return plots::savePlot(&canvas, format, model.fileTitle, fileName, error);
}

QString ResultWindow::askFileName(const QString &caption, const QString &suggestedName,
                                  const QString &filter)
{
    return QFileDialog::getSaveFileName(this, caption, QDir::home().filePath(suggestedName), filter);
}

void ResultWindow::showSaveError(const QString &fileName, const QString &reason)
{
    CustomDialog message(this);
    message.setMessage(tr("The file %1 could not be written:\n%2")
                           .arg(QDir::toNativeSeparators(fileName), reason),
                       tr("Error"), tr("Accept"));
    message.exec();
}

void ResultWindow::onSaveHtml()
{
    QString fileName = askFileName(tr("Save Report as HTML"), QStringLiteral("report.html"),
                                   tr("HTML files (*.html *.htm)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".html");
    QString error;
    if (!saveHtml(fileName, &error))
        showSaveError(fileName, error);
}

void ResultWindow::onSavePdf()
{
    QString fileName = askFileName(tr("Save Report as PDF"), QStringLiteral("report.pdf"),
                                   tr("PDF files (*.pdf)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".pdf");
    QString error;
    if (!savePdf(fileName, &error))
        showSaveError(fileName, error);
}

void ResultWindow::onPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        reportView->print(&printer);
}

// With text selected in the report, the selection; otherwise the whole report, as the
// analysis placed it on the clipboard when it finished.
void ResultWindow::onCopy()
{
    if (reportView->hasSelection()) {
#ifdef CONCORDA_WEBKIT
        reportView->triggerPageAction(QWebPage::Copy);
#else
        reportView->copy();
#endif
        return;
    }
    analysis::copyReportToClipboard(shown);
}

void ResultWindow::onSavePlot()
{
    const auto *action = qobject_cast<QAction *>(sender());
    const int plot = action ? action->data().toInt() : 0;
    if (plot < 0 || plot >= shown.plots.size())
        return;
    const QString png = tr("PNG image (*.png)");
    const QString svg = tr("SVG drawing (*.svg)");
    const QString pdf = tr("PDF document (*.pdf)");
    QString chosenFilter = png;
    QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save Plot"),
        QDir::home().filePath(fileNamePart(shown.plots.at(plot).name) + QStringLiteral(".png")),
        QStringList({png, svg, pdf}).join(QStringLiteral(";;")), &chosenFilter);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += chosenFilter == svg ? QStringLiteral(".svg")
                    : chosenFilter == pdf ? QStringLiteral(".pdf")
                                          : QStringLiteral(".png");
    QString error;
    if (!savePlot(plot, fileName, &error))
        showSaveError(fileName, error);
}
