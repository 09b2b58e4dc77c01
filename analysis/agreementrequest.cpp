#include "agreementrequest.h"

#include "customdialog.h"
#include "variablemoves.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>

#include <memory>

namespace analysis {

namespace {

stats::AgreementOptions chosenOptions(const CustomDialog &dialog)
{
    stats::AgreementOptions options;
    options.tdiAllowance = dialog.tdiAllowance();
    options.cpAllowance = dialog.cpAllowance();
    options.alpha = dialog.alpha();
    options.proportional = dialog.isProportional();
    options.random = dialog.isRandom();
    options.sample = true;
    return options;
}

// The finished report goes to the clipboard as HTML, replacing what it held.
void copyToClipboard(const QString &html)
{
    auto *mime = new QMimeData;
    mime->setHtml(html);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}

} // namespace

QString agreementReport(QVector<QVector<QVariant>> others, QVector<QVariant> gold,
                        QStringList names, double tdiAllowance, double cpAllowance,
                        double alpha, bool proportional, bool random, bool sample)
{
    return agreementReport(others, gold, names,
                           {tdiAllowance, cpAllowance, alpha, proportional, random, sample});
}

QString agreementReport(const QVector<QVector<QVariant>> &others, const QVector<QVariant> &gold,
                        const QStringList &names, const stats::AgreementOptions &options,
                        int *failedColumn)
{
    const QString html = stats::agreementDocument(others, gold, names, options, failedColumn);
    copyToClipboard(html);
    return html;
}

QString requestAgreement(QWidget *parent, const QStringList &variables,
                         const ColumnReader &readColumn)
{
    const std::unique_ptr<CustomDialog> dialog(new CustomDialog(parent));
    dialog->onAgreementDialog(variables);
    if (dialog->exec() == QDialog::Rejected || dialog->goldStandardList()->count() == 0
        || dialog->otherDataList()->count() == 0)
        return QString();

    const QStringList names = listedVariables(dialog->otherDataList());
    QVector<QVector<QVariant>> others;
    for (const QString &name : names)
        others.append(readColumn(name));
    const stats::AgreementOptions options = chosenOptions(*dialog);
    const QVector<QVariant> gold =
        readColumn(dialog->goldStandardList()->item(0)->data(Qt::DisplayRole).toString());

    // An error of the statistics library ends the report; the user is told in plain words
    // which variable and why, and the program goes on.
    QString html;
    const QString error = stats::catchAgreementError(
        [&](int *column) { html = agreementReport(others, gold, names, options, column); },
        others, gold, names, options);
    if (error.isEmpty())
        return html;
    CustomDialog message(parent);
    message.setMessage(error, CustomDialog::tr("Error"), CustomDialog::tr("Accept"));
    message.exec();
    return QString();
}

} // namespace analysis
