// The agreement request: from the menu command to the finished report. A member of the
// data container, which holds the current data view.
#include "datavarwidget.h"

#include "agreementreport.h"
#include "customdialog.h"
#include "dataviewwidget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>

#include <memory>
#include <stdexcept>

namespace {

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->data(Qt::DisplayRole).toString();
    return texts;
}

// The finished report goes to the clipboard as HTML, replacing what it held.
void copyReportToClipboard(const QString &html)
{
    auto *mime = new QMimeData;
    mime->setHtml(html);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}

} // namespace

QString DataVarWidget::requestAgreement()
{
    if (!dataView) {
        QMessageBox message;
        message.setText(tr("No csv document has been opened.\nPlease open your csv data file first."));
        message.exec();
        return QString();
    }

    const std::unique_ptr<CustomDialog> dialog(new CustomDialog(this));
    dialog->onAgreementDialog(dataView->getVarNames());
    if (dialog->exec() == QDialog::Rejected || dialog->goldStandardList()->count() == 0
        || dialog->otherDataList()->count() == 0)
        return QString();

    QVector<QVector<QVariant>> others;
    for (const QString &name : itemTexts(dialog->otherDataList()))
        others.append(dataView->getVarValues(name));
    const QStringList names = itemTexts(dialog->otherDataList());
    stats::AgreementOptions options;
    options.tdiAllowance = dialog->tdiAllowance();
    options.cpAllowance = dialog->cpAllowance();
    options.alpha = dialog->alpha();
    options.proportional = dialog->isProportional();
    options.random = dialog->isRandom();
    options.sample = true;
    const QVector<QVariant> gold =
        dataView->getVarValues(dialog->goldStandardList()->item(0)->data(Qt::DisplayRole).toString());

    // An error of the statistics library ends the report; the user is told in plain words
    // which variable and why, and the program goes on.
    int failedColumn = -1;
    try {
        const QString html = stats::agreementReport(others, gold, names, options.tdiAllowance,
                                                    options.cpAllowance, options.alpha,
                                                    options.proportional, options.random,
                                                    options.sample, &failedColumn);
        copyReportToClipboard(html);
        return html;
    } catch (const std::exception &error) {
        const int column = qBound(0, failedColumn, others.size() - 1);
        CustomDialog message(this);
        message.setMessage(stats::agreementErrorMessage(error, names.value(column),
                                                        others.value(column), gold, options),
                           tr("Error"), tr("Accept"));
        message.exec();
        return QString();
    }
}
