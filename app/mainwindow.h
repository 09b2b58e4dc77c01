#ifndef CONCORDA_MAINWINDOW_H
#define CONCORDA_MAINWINDOW_H

#include <QMainWindow>

namespace analysis {
struct Report;
}

class CustomDialog;
class DataVarWidget;
class QAction;
class QMenu;

// The one primary window: the data container as central widget, the menus "&File" and
// "&Statistics", Ctrl+Q to close, and a new result window for every report.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    void onAbout();
    void onAMean();
    void onAStdDev();
    void onAgreement();
    void onBlandAltman();
    void onRegression();

private:
    void createActions();
    void createMenus();
    void makeConnections();
    void createShortcuts();
    void showResultWindow(const analysis::Report &report);

    QMenu *fileMenu;
    QAction *openAction;
    QAction *aboutAction;
    QMenu *statisticsMenu;
    QAction *agreementAction;
    QAction *blandAltmanAction;
    QAction *regressionAction;
    CustomDialog *aboutDialog;
    DataVarWidget *dataVarWidget;
};

#endif
