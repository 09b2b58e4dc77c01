#ifndef CONCORDA_RESULTWINDOW_H
#define CONCORDA_RESULTWINDOW_H

#include "report.h"

#include <QMainWindow>

class QAction;
class QMenu;

// The widget that shows a report: QtWebKit's web view where the build has it (Qt 5),
// otherwise Qt's own rich-text browser. Both are given the same document.
#ifdef CONCORDA_WEBKIT
class QWebView;
using ReportView = QWebView;
#else
class TextReportView;
using ReportView = TextReportView;
#endif

// A window that shows one finished report: the HTML document in a view that runs no script
// and reaches for nothing outside the document, and the commands to keep it: save it as
// HTML or PDF, print it, copy it, and save each of its plots as PNG, SVG or PDF.
class ResultWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ResultWindow(const analysis::Report &report, QWidget *parent = nullptr);
    ~ResultWindow() override;

    ReportView *view() const;
    const analysis::Report &report() const;

    // The file-writing steps of the commands, without their dialogs. Each writes the whole
    // file or leaves the old one as it was, and on failure puts the reason into *error.
    bool saveHtml(const QString &fileName, QString *error) const;
    bool savePdf(const QString &fileName, QString *error) const;
    bool savePlot(int plot, const QString &fileName, QString *error) const;

public slots:
    void onSaveHtml();
    void onSavePdf();
    void onPrint();
    void onCopy();
    void onSavePlot();

private:
    void createMenus();
    QString askFileName(const QString &caption, const QString &suggestedName, const QString &filter);
    void showSaveError(const QString &fileName, const QString &reason);

    analysis::Report shown;
    ReportView *reportView;
};

#endif
