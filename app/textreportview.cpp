#include "textreportview.h"

#include <QByteArray>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

namespace {

// The image a data: address holds, "data:image/png;base64,<bytes>"; a null image for any
// other address or for bytes that are no image.
QImage embeddedImage(const QString &address)
{
    static const QLatin1String prefix("data:image/");
    static const QLatin1String base64(";base64,");
    if (!address.startsWith(prefix))
        return QImage();
    const int payload = address.indexOf(base64, prefix.size());
    if (payload < 0)
        return QImage();
    const QByteArray bytes = QByteArray::fromBase64(address.mid(payload + base64.size()).toLatin1());
    return QImage::fromData(bytes);
}

} // namespace

TextReportView::TextReportView(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

void TextReportView::showReport(const QString &html)
{
    document()->clear();
    registerEmbeddedImages(html);
    setHtml(html);
}

bool TextReportView::hasSelection() const
{
    return textCursor().hasSelection();
}

// Reached only for what the document's resources do not hold: nothing is fetched.
QVariant TextReportView::loadResource(int type, const QUrl &name)
{
    Q_UNUSED(type)
    Q_UNUSED(name)
    return QVariant();
}

// Each <img src="data:..."> of the document, registered under the very address the
// document names it by, so that the document's bytes stay as they are.
void TextReportView::registerEmbeddedImages(const QString &html)
{
    static const QLatin1String attribute("src=\"data:");
    int start = html.indexOf(attribute);
    while (start >= 0) {
        const int begin = start + 5;
        const int end = html.indexOf(QLatin1Char('"'), begin);
        if (end < 0)
            break;
        const QString address = html.mid(begin, end - begin);
        const QImage image = embeddedImage(address);
        if (!image.isNull())
            document()->addResource(QTextDocument::ImageResource, QUrl(address), image);
        start = html.indexOf(attribute, end);
    }
}
