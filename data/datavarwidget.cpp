#include "datavarwidget.h"

#include "agreementrequest.h"
#include "analysisrequest.h"
#include "csvtable.h"
#include "dataviewwidget.h"
#include "delimiters.h"
#include "descriptiverequest.h"
#include "importexport.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTableWidgetItem>
#include <QUndoGroup>
#include <QUndoStack>

DataVarWidget::DataVarWidget(QWidget *parent)
    : QTabWidget(parent)
    , dataView(nullptr)
    , importExport(new ImportExport(this))
    , undoStacks(new QUndoGroup(this))
{
    setTabPosition(QTabWidget::South);
}

DataVarWidget::~DataVarWidget() = default;

// Unsaved edits are asked about before the file dialog; a cancelled or failed import
// then leaves everything as it was, edits included.
void DataVarWidget::onOpenFile()
{
    if (!maybeSave())
        return;
    const QString fileName = importExport->askOpenFileName();
    if (!fileName.isEmpty())
        importAndShow(fileName);
}

bool DataVarWidget::openFile(const QString &fileName)
{
    return maybeSave() && importAndShow(fileName);
}

bool DataVarWidget::importAndShow(const QString &fileName)
{
    QStringList names;
    QChar delimiter;
    DataViewWidget *view = importExport->importFile(fileName, names, &delimiter);
    if (!view)
        return false;
    view->setVarNames(names);
    showView(view, QFileInfo(fileName).absoluteFilePath(), delimiter);
    return true;
}

// A new view replaces the current one, whose data and history are dropped; null closes
// the current one.
void DataVarWidget::showView(DataViewWidget *view, const QString &fileName, QChar delimiter)
{
    if (QWidget *previous = widget(0)) {
        removeTab(0);
        delete previous;
    }
    dataView = view;
    currentFile = fileName;
    currentDelimiter = delimiter;
    if (view) {
        undoStacks->addStack(view->undoStack());
        undoStacks->setActiveStack(view->undoStack());
        insertTab(0, view, tr("Data View"));
        setCurrentIndex(0);
    }
    emit sFileNameChanged(currentFile);
}

bool DataVarWidget::maybeSave()
{
    if (!isModified())
        return true;
    QMessageBox question(QMessageBox::Warning, tr("Unsaved changes"),
                         tr("The data of %1 have changes that are not saved.\nSave them?")
                             .arg(QFileInfo(currentFile).fileName()),
                         QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    question.setDefaultButton(QMessageBox::Save);
    switch (question.exec()) {
    case QMessageBox::Save:
        return onSave();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool DataVarWidget::onSave()
{
    if (!dataView)
        return false;
    if (currentFile.isEmpty())
        return onSaveAs();
    return saveTo(currentFile, currentDelimiter);
}

bool DataVarWidget::onSaveAs()
{
    if (!dataView)
        return false;
    const QString fileName = importExport->askSaveFileName(currentFile);
    if (fileName.isEmpty())
        return false;
    const QChar delimiter = csv::delimiterForEntry(
        importExport->chooseDelimiter(csv::entryForDelimiter(currentDelimiter)));
    if (!saveTo(fileName, delimiter))
        return false;
    currentFile = QFileInfo(fileName).absoluteFilePath();
    currentDelimiter = delimiter;
    emit sFileNameChanged(currentFile);
    return true;
}

bool DataVarWidget::saveTo(const QString &fileName, QChar delimiter)
{
    if (!importExport->exportCsvFile(*dataView, fileName, delimiter))
        return false;
    dataView->undoStack()->setClean();
    return true;
}

void DataVarWidget::onCloseFile()
{
    if (dataView && maybeSave())
        showView(nullptr, QString(), QChar());
}

bool DataVarWidget::isModified() const
{
    return dataView && !dataView->undoStack()->isClean();
}

QString DataVarWidget::fileName() const
{
    return currentFile;
}

DataViewWidget *DataVarWidget::currentDataView() const
{
    return dataView;
}

QUndoGroup *DataVarWidget::undoGroup() const
{
    return undoStacks;
}

bool DataVarWidget::fileIsOpen()
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
    if (!fileIsOpen())
        return QString();
    return analysis::requestAgreement(this, dataView->getVarNames(), columnReader());
}

analysis::TextReader DataVarWidget::textReader() const
{
    const DataViewWidget *view = dataView;
    return [view](const QString &name) { return view->getVarTexts(name); };
}

analysis::Report DataVarWidget::requestAnalysis(const QString &id)
{
    const stats::Analysis *chosen = stats::findAnalysis(id);
    if (!chosen || !fileIsOpen())
        return analysis::Report();
    return analysis::requestAnalysis(this, *chosen, dataView->getVarNames(), columnReader(),
                                     textReader());
}

QString DataVarWidget::requestMean()
{
    return requestDescriptive(stats::Descriptive::Mean);
}

QString DataVarWidget::requestStandardDeviation()
{
    return requestDescriptive(stats::Descriptive::StandardDeviation);
}

// The columns are read by position, so that two columns of one name each give their own
// figures; the report names them by their header.
QString DataVarWidget::requestDescriptive(stats::Descriptive statistic)
{
    if (!fileIsOpen())
        return QString();
    QStringList names;
    QVector<QVector<QVariant>> columns;
    for (int column : dataView->selectedColumns()) {
        const QTableWidgetItem *header = dataView->horizontalHeaderItem(column);
        names.append(header ? header->text() : QString());
        columns.append(dataView->getColumnValues(column));
    }
    return analysis::descriptiveReport(statistic, names, columns);
}
