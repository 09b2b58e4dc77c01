#include "textreportview.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

QString pngAddress(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(bytes.toBase64());
}

} // namespace

// The rich-text report view of the builds without QtWebKit: it shows the plots the
// document carries and nothing from anywhere else.
class tst_TextReportView : public QObject
{
    Q_OBJECT

private slots:
    void embeddedPlotShows();
    void nothingFromOutside_data();
    void nothingFromOutside();
    void linkGoesNowhere();
};

void tst_TextReportView::embeddedPlotShows()
{
    QImage plot(40, 30, QImage::Format_RGB32);
    plot.fill(Qt::red);
    const QString address = pngAddress(plot);
    TextReportView view;
    view.showReport(QStringLiteral("<h3>A</h3><img src=\"%1\" width=\"80\" height=\"60\" alt=\"plot\">").arg(address));
    const QImage shown = qvariant_cast<QImage>(
        view.document()->resource(QTextDocument::ImageResource, QUrl(address)));
    QCOMPARE(shown.size(), plot.size());
    QCOMPARE(shown.pixelColor(5, 5), QColor(Qt::red));
    QVERIFY(view.toHtml().contains(QStringLiteral("src=\"%1\"").arg(address)));
    // The plot on a line of its own below its heading, as a browser shows it.
    QCOMPARE(view.toPlainText(), QStringLiteral(u"A\n\uFFFC"));
}

// A file beside the report, a web address and a style sheet are all refused, although the
// file exists and is an image.
void tst_TextReportView::nothingFromOutside_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("address");
    QTest::newRow("file") << "<img src=\"%1\">" << int(QTextDocument::ImageResource) << "file://%1";
    QTest::newRow("path") << "<img src=\"%1\">" << int(QTextDocument::ImageResource) << "%1";
    QTest::newRow("web") << "<img src=\"%1\">" << int(QTextDocument::ImageResource) << "http://127.0.0.1:9/p.png";
    QTest::newRow("style sheet") << "<link rel=\"stylesheet\" href=\"%1\"><p>x</p>"
                                 << int(QTextDocument::StyleSheetResource) << "file://%1";
}

void tst_TextReportView::nothingFromOutside()
{
    QFETCH(QString, html);
    QFETCH(int, type);
    QFETCH(QString, address);
    QTemporaryDir dir;
    const QString file = dir.filePath("plot.png");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(file));
    address.replace(QStringLiteral("%1"), file);
    TextReportView view;
    view.showReport(html.arg(address));
    view.document()->size(); // the layout reads the images it shows
    const QVariant held = view.document()->resource(type, QUrl(address));
    QVERIFY(qvariant_cast<QImage>(held).size() != image.size());
    QVERIFY(held.toString().isEmpty());
}

void tst_TextReportView::linkGoesNowhere()
{
    TextReportView view;
    view.showReport(QStringLiteral("<p><a href=\"https://127.0.0.1:9/\">away</a> stays</p>"));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTextCursor onLink(view.document());
    onLink.setPosition(2);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(onLink).center());
    QCOMPARE(view.toPlainText(), QStringLiteral("away stays"));
    QVERIFY(view.source().isEmpty());
}

QTEST_MAIN(tst_TextReportView)
#include "tst_textreportview.moc"
