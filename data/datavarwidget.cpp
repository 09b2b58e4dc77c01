#include "datavarwidget.h"

#include "importexport.h"

DataVarWidget::DataVarWidget(QWidget *parent)
    : QTabWidget(parent)
    , dataView(nullptr)
    , importExport(new ImportExport(this))
{
    setTabPosition(QTabWidget::South);
}

DataVarWidget::~DataVarWidget() = default;

void DataVarWidget::onOpenFile()
{
}
