#include "desktopcolumns.h"
#include "drive.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidgetItem>
#include <QtTest>

#include <memory>

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

QTEST_MAIN(tst_ImportExport)
#include "tst_importexport.moc"
