#ifndef CONCORDA_TEXTREPORTVIEW_H
#define CONCORDA_TEXTREPORTVIEW_H

#include <QTextBrowser>

class QPagedPaintDevice;

// A report shown by Qt's own rich-text engine, for builds without QtWebKit. It shows the
// document as the analysis made it and nothing from elsewhere: the plots, which the
// document carries as data: addresses, are decoded into the document's resources before it
// is laid out; any other resource (a file, a web address, a style sheet) is refused, and a
// clicked link goes nowhere.
class TextReportView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit TextReportView(QWidget *parent = nullptr);

    void showReport(const QString &html);
    bool hasSelection() const;
    void print(QPagedPaintDevice *printer) const;

private:
    void registerEmbeddedImages(const QString &html);
    void putImagesOnLinesOfTheirOwn();
};

#endif
