#include "desktopcolumns.h"
#include "drive.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidgetItem>
#include <QTemporaryDir>
#include <QtTest>

#include "csvwriter.h"
#include "delimiters.h"

#include <memory>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

Q_DECLARE_METATYPE(QVector<QStringList>)

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(CONCORDA_TEST_DATA_DIR "/") + QLatin1String(name);
}

QComboBox *delimiterEntries(QWidget *dialog)
{
    return dialog->findChild<QComboBox *>();
}

QPushButton *buttonLabelled(QWidget *dialog, const QString &text)
{
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isVisible() && button->text() == text)
            return button;
    }
    return nullptr;
}

// Selects the entry at `index` in the delimiter dialog, then ends the dialog the way
// `closeBy` names: "press" (mouse down on Accept, no release), "escape" or "close box".
ModalScript::Handler chooseEntry(int index, const QString &closeBy)
{
    return [index, closeBy](QWidget *dialog) {
        QComboBox *entries = delimiterEntries(dialog);
        QVERIFY(entries);
        entries->setCurrentIndex(index);
        if (closeBy == QLatin1String("press")) {
            QPushButton *accept = buttonLabelled(dialog, QStringLiteral("Accept"));
            QVERIFY(accept);
            QTest::mousePress(accept, Qt::LeftButton);
        } else if (closeBy == QLatin1String("escape")) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            dialog->close();
        }
    };
}

QString cellText(const DataViewWidget &view, int row, int column)
{
    const QTableWidgetItem *item = view.item(row, column);
    return item ? item->text() : QString();
}

QStringList headerLabels(const DataViewWidget &view)
{
    QStringList labels;
    for (int column = 0; column < view.columnCount(); ++column) {
        const QTableWidgetItem *item = view.horizontalHeaderItem(column);
        labels.append(item ? item->text() : QString());
    }
    return labels;
}

// Types `path` into the save-file dialog and accepts it, after clearing the selection in
// its file list (selectFile() does): a Save As dialog preselects the current file once
// its folder has loaded, and a selected file would win over the typed name.
ModalScript::Handler chooseSaveFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        QVERIFY(files);
        QCOMPARE(files->acceptMode(), QFileDialog::AcceptSave);
        // Time for the folder to load, so that a preselection has happened if it will.
        QTest::qWait(200);
        files->selectFile(path);
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(files)->accept();
    };
}

// The header labels, then the texts of every row: the grid as the user sees it.
QVector<QStringList> gridOf(const DataViewWidget &view)
{
    QVector<QStringList> grid{headerLabels(view)};
    for (int row = 0; row < view.rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < view.columnCount(); ++column)
            texts.append(cellText(view, row, column));
        grid.append(texts);
    }
    return grid;
}

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Answers a message dialog with its Accept button, keeping its title and text.
ModalScript::Handler acceptMessage(QString *title, QString *text)
{
    return [title, text](QWidget *dialog) {
        *title = dialog->windowTitle();
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        for (const QLabel *label : labels)
            *text += label->isVisible() ? label->text() : QString();
        QPushButton *accept = buttonLabelled(dialog, QStringLiteral("Accept"));
        QVERIFY(accept);
        QTest::mouseClick(accept, Qt::LeftButton);
    };
}

} // namespace

class tst_ImportExport : public QObject
{
    Q_OBJECT

private slots:
    void dataViewFromFile_data();
    void dataViewFromFile();
    void examplesOpen_data();
    void examplesOpen();
    void delimiterDialogLayout();
    void openCsvFile_data();
    void openCsvFile();
    void cancelledFileDialog();
    void unreadableFile_data();
    void unreadableFile();
    void suggestedDelimiterPreselected_data();
    void suggestedDelimiterPreselected();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void editedGridRoundTrip();
    void unwritableMessage_data();
    void unwritableMessage();
    void unwritableCellNotSaved();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void writeErrorKeepsOldFile();
    void saveDialogAddsSuffix();
};

// Every case file goes through the import's own steps after the dialogs: read, decode,
// split, fill the grid.
void tst_ImportExport::dataViewFromFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QStringList>>("cells");

    QTest::newRow("name line only, no final line feed")
        << dataFile("names_only_no_final_line_feed.csv") << QChar(',')
        << QStringList({"A", "B"}) << QVector<QStringList>();
    QTest::newRow("name line only, final line feed")
        << dataFile("names_only_final_line_feed.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"", ""}});
    QTest::newRow("empty file: one unnamed column, no rows")
        << dataFile("empty.csv") << QChar(',') << QStringList({""}) << QVector<QStringList>();
    QTest::newRow("comma file read with comma")
        << dataFile("comma_or_semicolon.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1", "2"}, {"", ""}});
    QTest::newRow("comma file read with semicolon")
        << dataFile("comma_or_semicolon.csv") << QChar(';') << QStringList({"A,B"})
        << QVector<QStringList>({{"1.2"}, {""}});
    QTest::newRow("tab delimited, backslash t is text")
        << dataFile("tab_delimited.csv") << QChar('\t') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1\\t5", "2"}, {"", ""}});
    QTest::newRow("space delimited, two spaces give an empty field")
        << dataFile("space_delimited.csv") << QChar(' ') << QStringList({"A", "B", "C"})
        << QVector<QStringList>({{"1", "", "3"}, {"", "", ""}});
    QTest::newRow("ragged lines: extra field dropped, missing field empty")
        << dataFile("ragged_lines.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1", "2"}, {"4", ""}, {"", ""}});
    QTest::newRow("quotes kept, delimiter between quotes still splits")
        << dataFile("quoted_fields.csv") << QChar(';') << QStringList({"A", "B"})
        << QVector<QStringList>({{"\"1.5\"", "\"x"}, {"", ""}});
    QTest::newRow("CR LF line ends keep the carriage return")
        << dataFile("crlf_line_ends.csv") << QChar(',') << QStringList({"A", "B\r"})
        << QVector<QStringList>({{"1", "2.5\r"}, {"", ""}});
    QTest::newRow("semicolon with decimal commas")
        << dataFile("semicolon_decimal_comma.csv") << QChar(';') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1.5", "2"}, {"3", "x"}, {"", ""}});
    QTest::newRow("empty line inside gives an empty row")
        << dataFile("empty_line_inside.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1", "2"}, {"", ""}, {"3", "4"}, {"", ""}});
    QTest::newRow("trailing delimiter gives an empty last name")
        << dataFile("trailing_delimiter.csv") << QChar(',') << QStringList({"A", "B", ""})
        << QVector<QStringList>({{"1", "2", ""}, {"", "", ""}});
    QTest::newRow("NUL byte kept, the rest of the file read")
        << dataFile("nul_byte.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{"1", "2"}, {QString::fromUtf8("\0" "3", 2), "4"}, {"", ""}});
    QTest::newRow("UTF-16 as spreadsheets save Unicode text")
        << dataFile("utf16_unicode_text.csv") << QChar('\t') << QStringList({"Glucose", "Meter\r"})
        << QVector<QStringList>({{"5.1", "6.2\r"}, {"", ""}});
    QTest::newRow("malformed UTF-8 loads with replacement characters")
        << dataFile("malformed_utf8.csv") << QChar(',') << QStringList({"A", "B"})
        << QVector<QStringList>({{QStringLiteral(u"\uFFFD1"), QStringLiteral(u"2\uFFFD")},
                                 {QStringLiteral(u"\uFFFD\uFFFD"), "5"},
                                 {"", ""}});
    QTest::newRow("byte-order mark dropped, UTF-8 names intact")
        << dataFile("byte_order_mark.csv") << QChar(',')
        << QStringList({"Glucose", QStringLiteral(u"Größe")})
        << QVector<QStringList>({{"5.1", "6.2"}, {"", ""}});
}

void tst_ImportExport::dataViewFromFile()
{
    QFETCH(QString, fileName);
    QFETCH(QChar, delimiter);
    QFETCH(QStringList, names);
    QFETCH(QVector<QStringList>, cells);

    QStringList importedNames;
    const std::unique_ptr<DataViewWidget> view = importedView(fileName, delimiter, &importedNames);
    QVERIFY(view);

    QCOMPARE(importedNames, names);
    QCOMPARE(headerLabels(*view), names);
    QCOMPARE(view->columnCount(), names.size());
    QCOMPARE(view->rowCount(), cells.size());
    for (int row = 0; row < cells.size(); ++row) {
        QStringList rowTexts;
        for (int column = 0; column < view->columnCount(); ++column)
            rowTexts.append(cellText(*view, row, column));
        QCOMPARE(rowTexts, cells.at(row));
    }
}

// The shipped examples open with their delimiter into numeric columns, a few missing
// readings, and the spare row last.
void tst_ImportExport::examplesOpen_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<int>("minimumSubjects");

    QTest::newRow("comma separated") << QStringLiteral(CONCORDA_SOURCE_DIR
                                                       "/examples/glucose_meters.csv")
                                     << QChar(',') << 40;
    QTest::newRow("semicolon, decimal commas")
        << QStringLiteral(CONCORDA_SOURCE_DIR "/examples/hba1c_analysers.csv") << QChar(';')
        << 40;
}

void tst_ImportExport::examplesOpen()
{
    QFETCH(QString, fileName);
    QFETCH(QChar, delimiter);
    QFETCH(int, minimumSubjects);

    QStringList names;
    const std::unique_ptr<DataViewWidget> view = importedView(fileName, delimiter, &names);
    QVERIFY(view);

    QVERIFY(names.size() >= 3);
    QVERIFY2(view->rowCount() > minimumSubjects, qPrintable(QString::number(view->rowCount())));
    int missing = 0;
    for (int row = 0; row < view->rowCount() - 1; ++row) {
        for (int column = 0; column < view->columnCount(); ++column) {
            const QString text = cellText(*view, row, column);
            bool isNumber = false;
            text.toDouble(&isNumber);
            QVERIFY2(isNumber || text.isEmpty(),
                     qPrintable(QStringLiteral("row %1, column %2: %3").arg(row).arg(column)
                                    .arg(text)));
            missing += text.isEmpty() ? 1 : 0;
        }
    }
    QVERIFY(missing > 0);
    for (int column = 0; column < view->columnCount(); ++column)
        QVERIFY(cellText(*view, view->rowCount() - 1, column).isEmpty());
}

void tst_ImportExport::delimiterDialogLayout()
{
    ImportExport importExport;
    for (int use = 0; use < 2; ++use) {
        QString checked;
        ModalScript script({[&checked](QWidget *dialog) {
            auto *layout = qobject_cast<QGridLayout *>(dialog->layout());
            QVERIFY(layout);
            auto *label = qobject_cast<QLabel *>(layout->itemAtPosition(0, 0)->widget());
            auto *entries = qobject_cast<QComboBox *>(layout->itemAtPosition(0, 1)->widget());
            auto *accept = qobject_cast<QPushButton *>(layout->itemAtPosition(1, 0)->widget());
            QVERIFY(label && entries && accept);
            QCOMPARE(label->text(), QStringLiteral("Choose a csv delimiter"));
            QCOMPARE(accept->text(), QStringLiteral("Accept"));
            QVERIFY(!entries->isEditable());
            QCOMPARE(entries->currentIndex(), 0);
            QStringList texts;
            for (int i = 0; i < entries->count(); ++i)
                texts.append(entries->itemText(i));
            checked = texts.join(QLatin1Char(' '));
            entries->setCurrentIndex(3);
            QTest::mousePress(accept, Qt::LeftButton);
        }});
        QCOMPARE(importExport.chooseDelimiter(), QStringLiteral("\\t"));
        QCOMPARE(checked, QStringLiteral(", ; ' ' \\t"));
        CONCORDA_VERIFY_SCRIPT(script);
    }
}

// The whole import through both dialogs; the delimiter dialog keeps the entry selected
// when it closes, however it closes.
void tst_ImportExport::openCsvFile_data()
{
    QTest::addColumn<int>("entryIndex");
    QTest::addColumn<QString>("closeBy");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("semicolon, Accept pressed") << 1 << QStringLiteral("press")
                                               << QStringList({"A,B"});
    QTest::newRow("comma unchanged, Escape") << 0 << QStringLiteral("escape")
                                             << QStringList({"A", "B"});
    QTest::newRow("semicolon, Escape") << 1 << QStringLiteral("escape")
                                       << QStringList({"A,B"});
    QTest::newRow("semicolon, close box") << 1 << QStringLiteral("close box")
                                          << QStringList({"A,B"});
}

void tst_ImportExport::openCsvFile()
{
    QFETCH(int, entryIndex);
    QFETCH(QString, closeBy);
    QFETCH(QStringList, names);

    ImportExport importExport;
    QStringList importedNames;
    ModalScript script(
        {chooseFile(dataFile("comma_or_semicolon.csv")), chooseEntry(entryIndex, closeBy)});
    const std::unique_ptr<DataViewWidget> view(importExport.openCsvFile(importedNames));

    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(view);
    QVERIFY(!view->parent());
    QCOMPARE(importedNames, names);
    QCOMPARE(headerLabels(*view), names);
    QCOMPARE(view->rowCount(), 2);
}

void tst_ImportExport::cancelledFileDialog()
{
    ImportExport importExport;
    QStringList names({QStringLiteral("kept")});
    ModalScript script({[](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Open File"));
        QCOMPARE(dialog->directory(), QDir(QDir::homePath()));
        QCOMPARE(dialog->nameFilters(), QStringList({"csv File (*.csv)"}));
        dialog->reject();
    }});

    QVERIFY(!importExport.openCsvFile(names));
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(names, QStringList({"kept"}));
}

// A file that cannot be read ends the import with a warning naming the file and the
// reason, before the delimiter dialog.
void tst_ImportExport::unreadableFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("reasonPart");

    QTest::newRow("missing file") << dataFile("no_such_file.csv")
                                  << QStringLiteral("No such file");
    QTest::newRow("directory") << QStringLiteral(CONCORDA_TEST_DATA_DIR)
                               << QStringLiteral("directory");
}

void tst_ImportExport::unreadableFile()
{
    QFETCH(QString, fileName);
    QFETCH(QString, reasonPart);

    ImportExport importExport;
    QStringList names({QStringLiteral("kept")});
    QString title;
    QString message;
    ModalScript script({[&](QWidget *dialog) {
        title = dialog->windowTitle();
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        for (const QLabel *label : labels)
            message += label->isVisible() ? label->text() : QString();
        QPushButton *accept = buttonLabelled(dialog, QStringLiteral("Accept"));
        QVERIFY(accept);
        QTest::mouseClick(accept, Qt::LeftButton);
    }});

    QVERIFY(!importExport.importFile(fileName, names));
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(title, QStringLiteral("Warning"));
    QVERIFY2(message.contains(QDir::toNativeSeparators(fileName)), qPrintable(message));
    QVERIFY2(message.contains(reasonPart, Qt::CaseInsensitive), qPrintable(message));
    QCOMPARE(names, QStringList({"kept"}));
}

// The delimiter dialog of an import opens on the entry that the file's first line
// suggests; closed unchanged, that entry is used.
void tst_ImportExport::suggestedDelimiterPreselected_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("semicolon file") << dataFile("semicolon_decimal_comma.csv") << ";"
                                    << QStringList({"A", "B"});
    QTest::newRow("UTF-16 tab file") << dataFile("utf16_unicode_text.csv") << "\\t"
                                     << QStringList({"Glucose", "Meter\r"});
    QTest::newRow("space file") << dataFile("space_delimited.csv") << "' '"
                                << QStringList({"A", "B", "C"});
    QTest::newRow("comma file") << dataFile("comma_or_semicolon.csv") << ","
                                << QStringList({"A", "B"});
}

void tst_ImportExport::suggestedDelimiterPreselected()
{
    QFETCH(QString, fileName);
    QFETCH(QString, entry);
    QFETCH(QStringList, names);

    ImportExport importExport;
    QString shown;
    ModalScript script({[&shown](QWidget *dialog) {
        shown = delimiterEntries(dialog)->currentText();
        dialog->close();
    }});
    QStringList importedNames;
    QChar delimiter;
    const std::unique_ptr<DataViewWidget> view(importExport.importFile(fileName, importedNames, &delimiter));
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(view);
    QCOMPARE(shown, entry);
    QCOMPARE(delimiter, csv::delimiterForEntry(entry));
    QCOMPARE(importedNames, names);
}

// Open, save, open again: the same grid, for every example and case file with the
// delimiter its first line suggests, and for a few files read with another delimiter.
void tst_ImportExport::saveRoundTrip_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QChar>("delimiter");

    QStringList files;
    for (const QString &folder : {QStringLiteral(CONCORDA_SOURCE_DIR "/examples"),
                                  QStringLiteral(CONCORDA_TEST_DATA_DIR)}) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList({QStringLiteral("*.csv")}, QDir::Files))
            files.append(dir.filePath(name));
    }
    QVERIFY(files.size() >= 17);
    for (const QString &file : std::as_const(files)) {
        QByteArray bytes;
        QString reason;
        QVERIFY2(csv::readFile(file, &bytes, &reason), qPrintable(reason));
        const QString entry = csv::suggestedDelimiterEntry(csv::decodeText(bytes));
        QTest::newRow(qPrintable(QFileInfo(file).fileName() + QLatin1Char(' ') + entry))
            << file << csv::delimiterForEntry(entry);
    }
    QTest::newRow("comma file read with the semicolon") << dataFile("comma_or_semicolon.csv")
                                                        << QChar(';');
    QTest::newRow("glucose example read with the tab")
        << QStringLiteral(CONCORDA_SOURCE_DIR "/examples/glucose_meters.csv") << QChar('\t');
}

void tst_ImportExport::saveRoundTrip()
{
    QFETCH(QString, fileName);
    QFETCH(QChar, delimiter);

    const std::unique_ptr<DataViewWidget> opened = importedView(fileName, delimiter);
    QVERIFY(opened);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.csv"));
    ImportExport importExport;
    ModalScript noMessage({});
    QVERIFY(importExport.exportCsvFile(*opened, saved, delimiter));
    CONCORDA_VERIFY_SCRIPT(noMessage);

    const std::unique_ptr<DataViewWidget> reopened = importedView(saved, delimiter);
    QVERIFY(reopened);
    QCOMPARE(gridOf(*reopened), gridOf(*opened));
    // Saved again, the file is the same byte for byte.
    QVERIFY(importExport.exportCsvFile(*reopened, saved + QLatin1Char('2'), delimiter));
    QCOMPARE(contentOf(saved + QLatin1Char('2')), contentOf(saved));
}

// Edits of every kind survive the round trip: typed numbers and text, emptied cells,
// a filled spare row, a new spare row.
void tst_ImportExport::editedGridRoundTrip()
{
    QStringList names;
    const std::unique_ptr<DataViewWidget> view =
        importedView(dataFile("semicolon_decimal_comma.csv"), QLatin1Char(';'), &names);
    QVERIFY(view);
    view->editCells({{0, 0, "2.75"}, {1, 1, "<0.5"}, {0, 1, ""}, {2, 0, "9"}}, "edits");
    view->appendRowStep(2, 0);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("edited.csv"));
    ImportExport importExport;
    QVERIFY(importExport.exportCsvFile(*view, saved, QLatin1Char(';')));
    QCOMPARE(contentOf(saved), QByteArray("A;B\n2.75;\n3;<0.5\n9;\n"));
    const std::unique_ptr<DataViewWidget> reopened = importedView(saved, QLatin1Char(';'));
    QCOMPARE(gridOf(*reopened), gridOf(*view));
}

void tst_ImportExport::unwritableMessage_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QString>("message");

    QTest::newRow("writable") << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2"}})
                              << QChar(',') << QString();
    QTest::newRow("cell with the delimiter, the comma would do")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2"}, {"x", "5;6"}}) << QChar(';')
        << "Row 2 of the variable \"B\" (column 2) holds the delimiter ;, which would split it "
           "when the file is read, so the file was not saved.\n"
           "Save As with the delimiter , keeps every cell as it is.";
    QTest::newRow("name with the delimiter")
        << QStringList({"Lab glucose", "B"}) << QVector<QStringList>() << QChar(' ')
        << "The name of column 1 (\"Lab glucose\") holds the delimiter ' ', which would split it "
           "when the file is read, so the file was not saved.\n"
           "Save As with the delimiter , keeps every cell as it is.";
    QTest::newRow("every delimiter used somewhere")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"a b", "c\td;e,f"}}) << QChar(' ')
        << "Row 1 of the variable \"A\" (column 1) holds the delimiter ' ', which would split it "
           "when the file is read, so the file was not saved.\nChange that text, then save again.";
    QTest::newRow("line break")
        << QStringList({"A", "B"}) << QVector<QStringList>({{"1", "2\n3"}}) << QChar(',')
        << "Row 1 of the variable \"B\" (column 2) holds a line break, which would split it when "
           "the file is read, so the file was not saved.\nChange that text, then save again.";
    QTest::newRow("typed decimal comma")
        << QStringList({"A", "%1"}) << QVector<QStringList>({{"1", "2,5"}}) << QChar(';')
        << "Row 1 of the variable \"%1\" (column 2) holds a comma, which the import reads as a "
           "decimal point, so the file would not read back as it is and was not saved. Replace "
           "the comma (by a point in a number), then save again.";
}

void tst_ImportExport::unwritableMessage()
{
    QFETCH(QStringList, names);
    QFETCH(QVector<QStringList>, rows);
    QFETCH(QChar, delimiter);
    QFETCH(QString, message);

    QCOMPARE(ImportExport::unwritableMessage(CsvTable{names, rows}, delimiter), message);
}

// A cell that cannot be written stops the save before anything is written: the file
// already there keeps its bytes, and the message names the cell.
void tst_ImportExport::unwritableCellNotSaved()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("kept.csv"));
    QVERIFY(writeBytes(fileName, "A;B\n1;2\n"));
    const std::unique_ptr<DataViewWidget> view = importedView(fileName, QLatin1Char(';'));
    view->editCells({{0, 1, "2;3"}}, "typing");

    ImportExport importExport;
    QString title;
    QString text;
    ModalScript script({acceptMessage(&title, &text)});
    QVERIFY(!importExport.exportCsvFile(*view, fileName, QLatin1Char(';')));
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(title, QStringLiteral("Not saved"));
    QVERIFY2(text.startsWith("Row 1 of the variable \"B\""), qPrintable(text));
    QCOMPARE(contentOf(fileName), QByteArray("A;B\n1;2\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"kept.csv"}));
}

// A file that cannot be written: the message names it and the system's reason, and what
// was there stays as it was.
void tst_ImportExport::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reasonPart");

    QTest::newRow("folder that is a file") << "plain.csv/data.csv" << "directory";
    QTest::newRow("missing folder") << "missing/data.csv" << "No such file";
    QTest::newRow("name of a folder") << "folder" << "directory";
}

void tst_ImportExport::failedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(QString, reasonPart);

    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("plain.csv")), "old"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString fileName = dir.filePath(target);
    const std::unique_ptr<DataViewWidget> view = importedView(dataFile("ragged_lines.csv"), QLatin1Char(','));

    ImportExport importExport;
    QString title;
    QString text;
    ModalScript script({acceptMessage(&title, &text)});
    QVERIFY(!importExport.exportCsvFile(*view, fileName, QLatin1Char(',')));
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(title, QStringLiteral("Not saved"));
    QVERIFY2(text.contains(QDir::toNativeSeparators(fileName)), qPrintable(text));
    QVERIFY2(text.contains(reasonPart, Qt::CaseInsensitive), qPrintable(text));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("plain.csv"))), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"plain.csv"}));
}

// A write that fails halfway, as on a full disk: here the file size limit of the process
// stops it, which works for every user, root included. The old file keeps its bytes and
// no temporary file is left behind.
void tst_ImportExport::writeErrorKeepsOldFile()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("glucose.csv"));
    QVERIFY(writeBytes(fileName, "old contents\n"));
    const std::unique_ptr<DataViewWidget> view = importedView(
        QStringLiteral(CONCORDA_SOURCE_DIR "/examples/glucose_meters.csv"), QLatin1Char(','));

    ImportExport importExport;
    QString title;
    QString text;
    ModalScript script({acceptMessage(&title, &text)});
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit original = limit;
    limit.rlim_cur = 100;
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = importExport.exportCsvFile(*view, fileName, QLatin1Char(','));
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY2(text.contains(QStringLiteral("could not be saved")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("too large"), Qt::CaseInsensitive), qPrintable(text));
    QCOMPARE(contentOf(fileName), QByteArray("old contents\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"glucose.csv"}));
#else
    QSKIP("The file size limit is a Unix resource limit");
#endif
}

void tst_ImportExport::saveDialogAddsSuffix()
{
    QTemporaryDir dir;
    ImportExport importExport;
    ModalScript script({chooseSaveFile(dir.filePath(QStringLiteral("results")))});
    QCOMPARE(importExport.askSaveFileName(dir.filePath(QStringLiteral("old.csv"))),
             dir.filePath(QStringLiteral("results.csv")));
    CONCORDA_VERIFY_SCRIPT(script);

    ModalScript cancel({closeDialog()});
    QCOMPARE(importExport.askSaveFileName(QString()), QString());
    CONCORDA_VERIFY_SCRIPT(cancel);
}

QTEST_MAIN(tst_ImportExport)
#include "tst_importexport.moc"
