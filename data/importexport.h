#ifndef CONCORDA_IMPORTEXPORT_H
#define CONCORDA_IMPORTEXPORT_H

#include <QChar>
#include <QObject>
#include <QString>
#include <QStringList>

class DataViewWidget;
class QDialog;
struct CsvTable;

// Reads a CSV file chosen by the user into a new data view: the first line names the
// variables, every further line is one subject, every field becomes one text cell.
// The reading and splitting are the plain functions of csvtable.h; this class adds the
// file and delimiter dialogs and builds the grid.
class ImportExport : public QObject
{
    Q_OBJECT

public:
    explicit ImportExport(QObject *parent = nullptr);
    ~ImportExport() override;

    // Asks for a file, reads it, asks for the delimiter and returns a new data view
    // without parent, with the variable names in `names`. Returns null, leaving `names`
    // untouched, when the user cancels the file dialog or the file cannot be read.
    DataViewWidget *openCsvFile(QStringList &names);

    // Shows the delimiter dialog modally and returns the drop-down entry selected when
    // it closed, however it was closed.
    QString chooseDelimiter();

    // openCsvFile after the file dialog: reads `fileName` (warning the user when that
    // fails), asks for the delimiter and builds the view.
    DataViewWidget *importFile(const QString &fileName, QStringList &names);

    // The text-to-grid step of the import, without any dialog: splits `text` at
    // `delimiter`, puts the names into `names` and returns the filled view.
    static DataViewWidget *dataViewFromText(const QString &text, QChar delimiter,
                                            QStringList &names);

    // A view of table.rows.size() rows by table.names.size() columns, headed by the
    // names, with one text item per field.
    static DataViewWidget *dataViewFromTable(const CsvTable &table);

private:
    void showOpenWarning(const QString &fileName, const QString &reason);

    QString fileText;
    QDialog *delimiterDialog;
};

#endif
