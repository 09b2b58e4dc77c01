#ifndef CONCORDA_DATAVARWIDGET_H
#define CONCORDA_DATAVARWIDGET_H

#include "agreementrequest.h"

#include <QString>
#include <QTabWidget>

class DataViewWidget;
class ImportExport;

namespace analysis {
struct Report;
}

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

    // The Bland–Altman report for the variables the user chooses, or an empty report.
    analysis::Report requestBlandAltman();

    // The regression report for the variables the user chooses, or an empty report.
    analysis::Report requestRegression();

signals:
    void sWrongType(QString);
    void sVarNewVarAdded(QString);

public slots:
    void onOpenFile();

private:
    // Whether a data file is open; tells the user when not.
    bool documentOpen() const;
    analysis::ColumnReader columnReader() const;

    DataViewWidget *dataView;
    ImportExport *importExport;
};

#endif
