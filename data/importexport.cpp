#include "importexport.h"

#include "csvtable.h"
#include "csvwriter.h"
#include "customdialog.h"
#include "dataviewwidget.h"
#include "delimiters.h"

#include <QByteArray>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidgetItem>

ImportExport::ImportExport(QObject *parent)
    : QObject(parent)
    , delimiterDialog(new QDialog)
{
}

// The delimiter dialog is a top-level window without parent, so nothing else frees it.
ImportExport::~ImportExport()
{
    delete delimiterDialog;
}

DataViewWidget *ImportExport::openCsvFile(QStringList &names)
{
    const QString fileName = askOpenFileName();
    if (fileName.isEmpty())
        return nullptr;
    return importFile(fileName, names);
}

QString ImportExport::askOpenFileName()
{
    return QFileDialog::getOpenFileName(nullptr, tr("Open File"), QDir::homePath(),
                                        tr("csv File (*.csv)"));
}

DataViewWidget *ImportExport::importFile(const QString &fileName, QStringList &names,
                                         QChar *delimiter)
{
    fileText.clear();
    {
        QByteArray bytes;
        QString reason;
        if (!csv::readFile(fileName, &bytes, &reason)) {
            showOpenWarning(fileName, reason);
            return nullptr;
        }
        fileText = csv::decodeText(bytes);
    }
    const QChar chosen = csv::delimiterForEntry(chooseDelimiter(csv::suggestedDelimiterEntry(fileText)));
    if (delimiter)
        *delimiter = chosen;
    return dataViewFromText(fileText, chosen, names);
}

QString ImportExport::chooseDelimiter(const QString &preselected)
{
    auto *layout = new QGridLayout;
    auto *label = new QLabel(tr("Choose a csv delimiter"));
    auto *entries = new QComboBox;
    entries->setEditable(false);
    entries->addItems(csv::delimiterEntries());
    entries->setCurrentIndex(qMax(0, entries->findText(preselected)));
    auto *acceptButton = new QPushButton(tr("Accept"));
    layout->addWidget(label, 0, 0);
    layout->addWidget(entries, 0, 1);
    layout->addWidget(acceptButton, 1, 0);
    delimiterDialog->setLayout(layout);

    // Acts on the press, not the completed click. There is nothing to cancel here: every
    // way of closing the dialog keeps the entry selected at that moment.
    connect(acceptButton, &QPushButton::pressed, delimiterDialog,
            [this]() { delimiterDialog->close(); });
    delimiterDialog->exec();
    const QString entry = entries->currentText();

    // The dialog is reused by the next import, which builds its contents anew.
    delete label;
    delete entries;
    delete acceptButton;
    delete layout;
    return entry;
}

DataViewWidget *ImportExport::dataViewFromText(const QString &text, QChar delimiter,
                                               QStringList &names)
{
    const CsvTable table = csv::parseTable(text, delimiter);
    names = table.names;
    return dataViewFromTable(table);
}

DataViewWidget *ImportExport::dataViewFromTable(const CsvTable &table)
{
    auto *view = new DataViewWidget(table.rows.size(), table.names.size());
    // Header items are created with their text: setHorizontalHeaderLabels() would set the
    // text of each new item afterwards, and QTableWidget looks every changed header item
    // up among all the others, which takes minutes for a line of a million names.
    for (int column = 0; column < table.names.size(); ++column)
        view->setHorizontalHeaderItem(column, new QTableWidgetItem(table.names.at(column)));
    // One new text item per field; a short row leaves the rest of its cells empty.
    for (int row = 0; row < table.rows.size(); ++row) {
        const QStringList &fields = table.rows.at(row);
        for (int column = 0; column < fields.size(); ++column)
            view->setItem(row, column, new QTableWidgetItem(fields.at(column)));
    }
    return view;
}

QString ImportExport::askSaveFileName(const QString &current)
{
    QFileDialog dialog(qobject_cast<QWidget *>(parent()), tr("Save File"),
                       current.isEmpty() ? QDir::homePath() : current, tr("csv File (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

bool ImportExport::exportCsvFile(const DataViewWidget &view, const QString &fileName,
                                 QChar delimiter)
{
    const CsvTable table = tableOfView(view);
    const QString problem = unwritableMessage(table, delimiter);
    if (!problem.isEmpty()) {
        showMessage(problem, tr("Not saved"));
        return false;
    }
    QString reason;
    if (!writeFileAtomically(fileName, csv::tableText(table, delimiter).toUtf8(), &reason)) {
        showMessage(tr("The file %1 could not be saved:\n%2\nNothing was written; a file of "
                       "that name is as it was, and your data are still open.")
                        .arg(QDir::toNativeSeparators(fileName), reason),
                    tr("Not saved"));
        return false;
    }
    return true;
}

CsvTable ImportExport::tableOfView(const DataViewWidget &view)
{
    CsvTable table;
    const int columns = view.columnCount();
    const int rows = view.rowCount();
    for (int column = 0; column < columns; ++column) {
        const QTableWidgetItem *header = view.horizontalHeaderItem(column);
        table.names.append(header ? header->text() : QString());
    }
    table.rows.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        QStringList fields;
        fields.reserve(columns);
        for (int column = 0; column < columns; ++column) {
            const QTableWidgetItem *cell = view.item(row, column);
            fields.append(cell ? cell->text() : QString());
        }
        table.rows.append(fields);
    }
    return table;
}

QString ImportExport::unwritableMessage(const CsvTable &table, QChar delimiter)
{
    const csv::UnwritableText found = csv::firstUnwritableText(table, delimiter);
    if (found.reason == csv::Unwritable::None)
        return QString();

    const QString place = found.row < 0
        ? tr("The name of column %1 (\"%2\")")
              .arg(QString::number(found.column + 1), table.names.value(found.column))
        : tr("Row %1 of the variable \"%2\" (column %3)")
              .arg(QString::number(found.row + 1), table.names.value(found.column),
                   QString::number(found.column + 1));
    if (found.reason == csv::Unwritable::LeadingByteOrderMark)
        return tr("%1 starts with an invisible byte-order mark (U+FEFF), which the import "
                  "drops, so the file would not read back as it is and was not saved. Remove "
                  "the mark from the file in a text editor and open it again.")
            .arg(place);
    if (found.reason == csv::Unwritable::Comma)
        return tr("%1 holds a comma, which the import reads as a decimal point, so the file "
                  "would not read back as it is and was not saved. Replace the comma (by a "
                  "point in a number), then save again.")
            .arg(place);

    const QString what = found.reason == csv::Unwritable::LineFeed
        ? tr("a line break")
        : tr("the delimiter %1").arg(csv::entryForDelimiter(delimiter));
    QString message = tr("%1 holds %2, which would split it when the file is read, so the file "
                         "was not saved.")
                          .arg(place, what);
    for (const QString &entry : csv::delimiterEntries()) {
        const QChar other = csv::delimiterForEntry(entry);
        if (other != delimiter
            && csv::firstUnwritableText(table, other).reason == csv::Unwritable::None)
            return message + QLatin1Char('\n')
                 + tr("Save As with the delimiter %1 keeps every cell as it is.").arg(entry);
    }
    return message + QLatin1Char('\n') + tr("Change that text, then save again.");
}

bool ImportExport::writeFileAtomically(const QString &fileName, const QByteArray &bytes,
                                       QString *errorString)
{
    // Unbuffered, so that every write reaches the temporary file at once. Buffered, the
    // last write happens inside commit(), which does not report its failure (a full disk,
    // a size limit) and would replace the old file with a truncated one. A short write is
    // followed by another for the rest, which fails with the system's reason.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *errorString = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0) {
            *errorString = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += step;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

void ImportExport::showOpenWarning(const QString &fileName, const QString &reason)
{
    showMessage(tr("The file %1 could not be opened:\n%2")
                    .arg(QDir::toNativeSeparators(fileName), reason),
                tr("Warning"));
}

void ImportExport::showMessage(const QString &text, const QString &title)
{
    CustomDialog message(qobject_cast<QWidget *>(parent()));
    message.setMessage(text, title, tr("Accept"));
    message.exec();
}
