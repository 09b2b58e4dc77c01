#ifndef CONCORDA_TESTS_DRIVE_H
#define CONCORDA_TESTS_DRIVE_H

#include "analysisdialog.h"
#include "customdialog.h"
#include "modal.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <functional>

// Handlers for ModalScript that answer the program's modal dialogs the way a user would.

// Types `path` into the open-file dialog and accepts it. Typed, not selected: the
// selection waits for the file system model to load the folder, the typed name does not.
inline ModalScript::Handler chooseFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        QVERIFY(files);
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        // QFileDialog hides its accept(); the public QDialog one reaches it.
        static_cast<QDialog *>(files)->accept();
    };
}

// Selects `entry` (",", ";", "' '" or "\t") in the delimiter dialog and closes it.
inline ModalScript::Handler chooseDelimiter(const QString &entry = QStringLiteral(","))
{
    return [entry](QWidget *dialog) {
        auto *combo = dialog->findChild<QComboBox *>();
        QVERIFY(combo);
        combo->setCurrentIndex(combo->findText(entry));
        dialog->close();
    };
}

// Closes whatever dialog comes, as the window's close box would.
inline ModalScript::Handler closeDialog()
{
    return [](QWidget *dialog) { dialog->close(); };
}

// Moves `gold` into "Gold Standard" in one press and `others` into "Other Data" press by
// press, lets `adjust` set options, then presses OK.
inline ModalScript::Handler answerAgreementDialog(const QStringList &gold, const QStringList &others,
                                                  std::function<void(CustomDialog *)> adjust = {})
{
    return [gold, others, adjust](QWidget *modal) {
        auto *dialog = qobject_cast<CustomDialog *>(modal);
        QVERIFY(dialog);
        auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
        auto at = [grid](int row, int column) { return grid->itemAtPosition(row, column)->widget(); };
        auto *vars = qobject_cast<QListWidget *>(at(1, 0));
        auto move = [vars](const QStringList &names, QWidget *button) {
            vars->clearSelection();
            for (const QString &name : names)
                vars->findItems(name, Qt::MatchExactly).first()->setSelected(true);
            emit qobject_cast<QToolButton *>(button)->pressed();
        };
        // All Gold Standard entries in one press: the list takes them only while empty.
        if (!gold.isEmpty())
            move(gold, at(1, 1));
        for (const QString &name : others)
            move({name}, at(3, 1));
        if (adjust)
            adjust(dialog);
        qobject_cast<QPushButton *>(at(1, 3))->click();
    };
}

// The same for the dialog of every other analysis (AnalysisDialog): `gold` into "Gold
// Standard", `others` into "Other Data" one by one, `subject` (if any) into "Subject",
// `adjust` for the options, then OK.
inline ModalScript::Handler answerAnalysisDialog(const QString &gold, const QStringList &others,
                                                 std::function<void(AnalysisDialog *)> adjust = {},
                                                 const QString &subject = QString())
{
    return [gold, others, adjust, subject](QWidget *modal) {
        auto *dialog = qobject_cast<AnalysisDialog *>(modal);
        QVERIFY(dialog);
        auto move = [dialog](const QString &name, QToolButton *button) {
            QListWidget *vars = dialog->variablesList();
            vars->clearSelection();
            vars->findItems(name, Qt::MatchExactly).first()->setSelected(true);
            emit button->pressed();
        };
        move(gold, dialog->moveGoldStandardButton());
        for (const QString &name : others)
            move(name, dialog->moveOtherDataButton());
        if (!subject.isEmpty())
            move(subject, dialog->moveSubjectButton());
        if (adjust)
            adjust(dialog);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    };
}

#endif
