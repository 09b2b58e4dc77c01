#include "datavarwidget.h"

#include "dataviewwidget.h"
#include "importexport.h"

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
