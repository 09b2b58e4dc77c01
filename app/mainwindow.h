#ifndef CONCORDA_MAINWINDOW_H
#define CONCORDA_MAINWINDOW_H

#include <QMainWindow>
#include <QStringList>

namespace analysis {
struct Report;
}

class CustomDialog;
class DataVarWidget;
class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QMimeData;

// The one primary window: the data container as central widget, the menus "&File",
// "&Edit", "&Statistics" and "&Help", and a new result window for every report. It never
// closes over unsaved edits without asking, and opens a file dropped onto it.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens a file as File > Open does after its file dialog; the command line, the
    // recent files and a drop come here. Returns whether the file is now shown.
    bool openFile(const QString &fileName);

    // How many files Open Recent offers.
    static constexpr int maxRecentFiles = 8;
    // The recent files, newest first, after `fileName` was opened or saved: the name moves
    // to the front, appears once, and the list keeps at most maxRecentFiles names.
    static QStringList recentFilesAfter(QStringList files, const QString &fileName);
    // The one local file that a drag carries, or an empty string for anything else (no
    // file, several, a folder, a remote address).
    static QString droppedFile(const QMimeData *mime);

public slots:
    void onAbout();
    void onAMean();
    void onAStdDev();
    void onAgreement();
    // Runs the registered analysis that the triggering action stands for.
    void onAnalysis();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void onFileNameChanged(const QString &fileName);
    void onCleanChanged(bool clean);
    void onOpenRecentFile();
    void onCut();
    void onCopy();
    void onPaste();
    void onDelete();

private:
    void createActions();
    void createMenus();
    void makeConnections();
    void updateRecentFilesMenu();
    void showResultWindow(const analysis::Report &report);

    QMenu *fileMenu;
    QAction *openAction;
    QAction *aboutAction;
    QMenu *statisticsMenu;
    QAction *agreementAction;
    QList<QAction *> analysisActions; // the registered analyses after the agreement
    CustomDialog *aboutDialog;
    DataVarWidget *dataVarWidget;

    QAction *closeAction;
    QAction *undoAction;
    QAction *redoAction;
    QAction *copyAction;
    QAction *cutAction;
    QAction *pasteAction;
    QAction *meanAction;
    QAction *standardDeviationAction;
    QAction *saveAction;
    QAction *saveAsAction;
    QAction *quitAction;
    QAction *deleteAction;
    QAction *aboutQtAction;
    QMenu *recentFilesMenu;
    QMenu *editMenu;
    QMenu *helpMenu;
};

#endif
