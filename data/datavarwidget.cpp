#include "datavarwidget.h"

#include "agreementrequest.h"
#include "blandaltmanrequest.h"
#include "regressionrequest.h"
#include "dataviewwidget.h"
#include "importexport.h"

#include <QMessageBox>

DataVarWidget::DataVarWidget(QWidget *parent)
    : QTabWidget(parent)
    , dataView(nullptr)
    , importExport(new ImportExport(this))
{
    setTabPosition(QTabWidget::South);
}

DataVarWidget::~DataVarWidget() = default;

// A successful import replaces the current data view, whose data and edits are dropped;
// a cancelled or failed one leaves everything as it was.
void DataVarWidget::onOpenFile()
{
    QStringList names;
    DataViewWidget *view = importExport->openCsvFile(names);
    if (!view)
        return;

    dataView = view;
    dataView->setVarNames(names);
    if (QWidget *previous = widget(0)) {
        removeTab(0);
        delete previous;
    }
    insertTab(0, dataView, tr("Data View"));
    setCurrentIndex(0);
}

bool DataVarWidget::documentOpen() const
{
    if (dataView)
        return true;
    QMessageBox message;
    message.setText(tr("No csv document has been opened.\nPlease open your csv data file first."));
    message.exec();
    return false;
}

// The requests themselves belong to the analysis layer; the container knows whether a data
// file is open and hands over the view's variables and its read-out of their values.
analysis::ColumnReader DataVarWidget::columnReader() const
{
    const DataViewWidget *view = dataView;
    return [view](const QString &name) { return view->getVarValues(name); };
}

QString DataVarWidget::requestAgreement()
{
    if (!documentOpen())
        return QString();
    return analysis::requestAgreement(this, dataView->getVarNames(), columnReader());
}

analysis::Report DataVarWidget::requestBlandAltman()
{
    if (!documentOpen())
        return analysis::Report();
    return analysis::requestBlandAltman(this, dataView->getVarNames(), columnReader());
}

analysis::Report DataVarWidget::requestRegression()
{
    if (!documentOpen())
        return analysis::Report();
    return analysis::requestRegression(this, dataView->getVarNames(), columnReader());
}
