#ifndef CONCORDA_DATAVARWIDGET_H
#define CONCORDA_DATAVARWIDGET_H

#include <QString>
#include <QTabWidget>

class DataViewWidget;
class ImportExport;

// The main window's central widget: a tab container whose one page is the current data
// view. It runs the CSV import and the agreement request on that view.
class DataVarWidget : public QTabWidget
{
    Q_OBJECT

public:
    explicit DataVarWidget(QWidget *parent = nullptr);
    ~DataVarWidget() override;

    // The HTML agreement report for the variables the user chooses, or an empty string
    // when there is nothing to show.
    QString requestAgreement();

signals:
    void sWrongType(QString);
    void sVarNewVarAdded(QString);

public slots:
    void onOpenFile();

private:
    DataViewWidget *dataView;
    ImportExport *importExport;
};

#endif
