#include "importexport.h"

#include "csvtable.h"
#include "customdialog.h"
#include "dataviewwidget.h"

#include <QByteArray>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
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
    const QString fileName = QFileDialog::getOpenFileName(nullptr, tr("Open File"),
                                                          QDir::homePath(),
                                                          tr("csv File (*.csv)"));
    if (fileName.isEmpty())
        return nullptr;
    return importFile(fileName, names);
}

DataViewWidget *ImportExport::importFile(const QString &fileName, QStringList &names)
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
    const QChar delimiter = csv::delimiterForEntry(chooseDelimiter());
    return dataViewFromText(fileText, delimiter, names);
}

QString ImportExport::chooseDelimiter()
{
    auto *layout = new QGridLayout;
    auto *label = new QLabel(tr("Choose a csv delimiter"));
    auto *entries = new QComboBox;
    entries->setEditable(false);
    entries->addItems(csv::delimiterEntries());
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

void ImportExport::showOpenWarning(const QString &fileName, const QString &reason)
{
    auto *warning = new CustomDialog(qobject_cast<QWidget *>(parent()));
    warning->setMessage(tr("The file %1 could not be opened:\n%2")
                            .arg(QDir::toNativeSeparators(fileName), reason),
                        tr("Warning"), tr("Accept"));
    warning->exec();
    delete warning;
}
