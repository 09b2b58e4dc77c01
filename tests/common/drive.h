#ifndef CONCORDA_TESTS_DRIVE_H
#define CONCORDA_TESTS_DRIVE_H

#include "customdialog.h"
#include "modal.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <functional>

// Drives the program's modal dialogs the way a user would, from the event loop, so that a
// test can call a slot that runs them with exec().

// Answers the file dialog with `path`, then the delimiter dialog with `entry`.
inline void answerOpenDialogs(const QString &path, const QString &entry = QStringLiteral(","))
{
    whenModalShown([path, entry](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        if (!files)
            return;
        whenModalShown(
            [entry](QWidget *delimiter) {
                if (auto *combo = delimiter->findChild<QComboBox *>())
                    combo->setCurrentIndex(combo->findText(entry));
                delimiter->close();
            },
            5000, [](QWidget *modal) { return !qobject_cast<QFileDialog *>(modal); });
        // Typed, not selected: the selection waits for the file system model to load the
        // folder, the typed name does not.
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(files, "accept");
    });
}

// Moves `gold` into "Gold Standard" in one press and `others` into "Other Data" press by
// press, lets `adjust` set options, then presses OK.
inline void answerAgreementDialog(const QStringList &gold, const QStringList &others,
                                  std::function<void(CustomDialog *)> adjust = {})
{
    whenModalShown([gold, others, adjust](QWidget *modal) {
        auto *dialog = qobject_cast<CustomDialog *>(modal);
        if (!dialog)
            return;
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
    });
}

#endif
