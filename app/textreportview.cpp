#include "textreportview.h"

#include <QByteArray>
#include <QImage>
#include <QPagedPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

#include <memory>

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

// A document that loads nothing itself: only what was registered with addResource() is
// there. QTextDocument's own loading reads any local file the HTML names, and when it finds
// no image, the layout reads an image path itself; an empty image stops that.
class RegisteredResourcesOnly : public QTextDocument
{
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        Q_UNUSED(name)
        if (type != QTextDocument::ImageResource)
            return QVariant();
        QImage nothing(1, 1, QImage::Format_ARGB32);
        nothing.fill(Qt::transparent);
        return nothing;
    }
};

} // namespace

TextReportView::TextReportView(QWidget *parent)
    : QTextBrowser(parent)
{
    setDocument(new RegisteredResourcesOnly(this));
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

void TextReportView::showReport(const QString &html)
{
    document()->clear();
    registerEmbeddedImages(html);
    setHtml(html);
    putImagesOnLinesOfTheirOwn();
}

bool TextReportView::hasSelection() const
{
    return textCursor().hasSelection();
}

// The document on paper, each plot narrowed to the width of the page where it is wider:
// QTextDocument::print() keeps a margin of 2 cm on either side and draws an image at its
// size, so that a plot as wide as the window would be cut off at the right.
void TextReportView::print(QPagedPaintDevice *printer) const
{
    const std::unique_ptr<QTextDocument> printed(document()->clone(document()));
    const qreal margins = 2 * 2 / 2.54 * 72;
    const qreal pageWidth = (printer->pageLayout().fullRectPoints().width() - margins) * logicalDpiX() / 72.0;
    for (QTextBlock block = printed->begin(); block != printed->end(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            QTextImageFormat image = fragment.fragment().charFormat().toImageFormat();
            if (!image.isValid() || image.width() <= pageWidth)
                continue;
            image.setHeight(image.height() * pageWidth / image.width());
            image.setWidth(pageWidth);
            QTextCursor cursor(printed.get());
            cursor.setPosition(fragment.fragment().position());
            cursor.setPosition(fragment.fragment().position() + fragment.fragment().length(),
                               QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    printed->print(printer);
}

// QTextDocument puts an image that follows a heading into the heading's line, where the
// heading would stand at the foot of the plot; as in a browser, each image starts a line.
void TextReportView::putImagesOnLinesOfTheirOwn()
{
    QTextDocument *shown = document();
    for (QTextBlock block = shown->begin(); block != shown->end(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const int position = fragment.fragment().position();
            if (fragment.fragment().charFormat().isImageFormat() && position > block.position()) {
                QTextCursor cursor(shown);
                cursor.setPosition(position);
                cursor.insertBlock(QTextBlockFormat());
                break;
            }
        }
    }
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
