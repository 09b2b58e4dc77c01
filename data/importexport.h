#ifndef CONCORDA_IMPORTEXPORT_H
#define CONCORDA_IMPORTEXPORT_H

#include <QChar>
#include <QObject>
#include <QString>
#include <QStringList>

class DataViewWidget;
class QByteArray;
class QDialog;
struct CsvTable;

// Reads a CSV file chosen by the user into a new data view: the first line names the
// variables, every further line is one subject, every field becomes one text cell; and
// writes a data view back as such a file. The reading, splitting and joining are the
// plain functions of csvtable.h and csvwriter.h; this class adds the file and delimiter
// dialogs, builds the grid and writes the file.
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

    // The open-file dialog of openCsvFile: the chosen file, or an empty string when the
    // user cancels.
    QString askOpenFileName();

    // Shows the delimiter dialog modally, with `preselected` selected when it is one of
    // the entries (the first entry otherwise), and returns the drop-down entry selected
    // when it closed, however it was closed.
    QString chooseDelimiter(const QString &preselected = QString());

    // openCsvFile after the file dialog: reads `fileName` (warning the user when that
    // fails), asks for the delimiter, with the one the first line suggests preselected,
    // and builds the view. The delimiter chosen goes to `delimiter` when given.
    DataViewWidget *importFile(const QString &fileName, QStringList &names,
                               QChar *delimiter = nullptr);

    // Asks for the name of the file to save to, starting at `current`; an empty string
    // when the user cancels.
    QString askSaveFileName(const QString &current);

    // Writes the view to `fileName` as CSV with `delimiter`. When a text cannot be written
    // so that it reads back as it is, or the file cannot be written, nothing is written,
    // a file already there stays as it was, and a message tells the user why. Returns
    // whether the file was written.
    bool exportCsvFile(const DataViewWidget &view, const QString &fileName, QChar delimiter);

    // The grid of a view as a table: the header texts as names, one field per column in
    // every row.
    static CsvTable tableOfView(const DataViewWidget &view);

    // Why `table` cannot be written with `delimiter` so that it reads back as it is,
    // naming the first such text and a delimiter that would do; empty when it can.
    static QString unwritableMessage(const CsvTable &table, QChar delimiter);

    // Writes `bytes` to `fileName` through a temporary file that replaces it only when
    // everything was written. On failure returns false with the system's reason in
    // `errorString`; the file is then as it was.
    static bool writeFileAtomically(const QString &fileName, const QByteArray &bytes,
                                    QString *errorString);

    // The text-to-grid step of the import, without any dialog: splits `text` at
    // `delimiter`, puts the names into `names` and returns the filled view.
    static DataViewWidget *dataViewFromText(const QString &text, QChar delimiter,
                                            QStringList &names);

    // A view of table.rows.size() rows by table.names.size() columns, headed by the
    // names, with one text item per field.
    static DataViewWidget *dataViewFromTable(const CsvTable &table);

private:
    void showOpenWarning(const QString &fileName, const QString &reason);
    void showMessage(const QString &text, const QString &title);

    QString fileText;
    QDialog *delimiterDialog;
};

#endif
