#ifndef CONCORDA_DATAVARWIDGET_H
#define CONCORDA_DATAVARWIDGET_H

#include "columns.h"

#include <QChar>
#include <QString>
#include <QTabWidget>

class DataViewWidget;
class ImportExport;
class QUndoGroup;

namespace stats {
enum class Descriptive;
}

namespace analysis {
struct Report;
}

// The main window's central widget: a tab container whose one page is the current data
// view, the document the user works on. It opens, saves and closes that document, never
// dropping unsaved edits without asking, and runs the analysis requests on it.
class DataVarWidget : public QTabWidget
{
    Q_OBJECT

public:
    explicit DataVarWidget(QWidget *parent = nullptr);
    ~DataVarWidget() override;

    // The HTML agreement report for the variables the user chooses, or an empty string
    // when there is nothing to show.
    QString requestAgreement();
    // The mean or standard deviation report of the selected variables (every variable
    // when no cell is selected), also on the clipboard; an empty string when no file is
    // open.
    QString requestMean();
    QString requestStandardDeviation();

    // Opens `fileName` the way onOpenFile() does after its file dialog. Every way of
    // opening a file (the menu, the recent files, the command line, a drop) comes here or
    // through onOpenFile(). Returns whether the file is now shown.
    bool openFile(const QString &fileName);

    // When the data have unsaved edits, asks whether to save them, discard them or cancel.
    // Returns whether the caller may go on: true after a successful save, a discard, or
    // when there was nothing to save; false after Cancel or a failed save.
    bool maybeSave();

    bool isModified() const;
    // The absolute path of the file the data view belongs to; empty without a data view.
    QString fileName() const;
    DataViewWidget *currentDataView() const;
    // Holds the undo history of the current data view as its active stack.
    QUndoGroup *undoGroup() const;

    // The report of the registered analysis `id` for the variables the user chooses, or an
    // empty report when there is nothing to show.
    analysis::Report requestAnalysis(const QString &id);

signals:
    void sWrongType(QString);
    void sVarNewVarAdded(QString);
    // The data view now belongs to this file: after an open, a Save As, a Close (empty).
    void sFileNameChanged(QString);

public slots:
    void onOpenFile();
    // Save writes to the file the data came from, with its delimiter; Save As asks for
    // both. Each returns whether the file was written.
    bool onSave();
    bool onSaveAs();
    // Closes the data view, after the unsaved-edits question.
    void onCloseFile();

private:
    bool importAndShow(const QString &fileName);
    void showView(DataViewWidget *view, const QString &fileName, QChar delimiter);
    bool saveTo(const QString &fileName, QChar delimiter);
    // Whether a data file is open; tells the user when not.
    bool fileIsOpen();
    analysis::ColumnReader columnReader() const;
    analysis::TextReader textReader() const;
    QString requestDescriptive(stats::Descriptive statistic);

    DataViewWidget *dataView;
    ImportExport *importExport;
    QUndoGroup *undoStacks;
    QString currentFile;
    QChar currentDelimiter;
};

#endif
