#include "descriptiverequest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace analysis {

QString descriptiveReport(stats::Descriptive statistic, const QStringList &names,
                          const QVector<QVector<QVariant>> &columns)
{
    const QString html = stats::descriptiveDocument(statistic, names, columns);
    auto *mime = new QMimeData;
    mime->setHtml(html);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    return html;
}

} // namespace analysis
