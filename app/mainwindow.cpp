#include "mainwindow.h"

#include "customdialog.h"
#include "datavarwidget.h"
#include "report.h"
#include "resultwindow.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , fileMenu(nullptr)
    , openAction(nullptr)
    , aboutAction(nullptr)
    , statisticsMenu(nullptr)
    , agreementAction(nullptr)
    , blandAltmanAction(nullptr)
    , regressionAction(nullptr)
    , aboutDialog(nullptr)
    , dataVarWidget(nullptr)
{
    setMinimumWidth(800);
    setMinimumHeight(600);
    dataVarWidget = new DataVarWidget(this);
    setCentralWidget(dataVarWidget);
    createActions();
    createMenus();
    makeConnections();
    createShortcuts();
}

MainWindow::~MainWindow() = default;

// Only "&Open", "&Agreement" and "&About" are wired; the other commands exist as actions
// for the menus still to come and are neither placed nor connected.
void MainWindow::createActions()
{
    openAction = new QAction(tr("&Open"), this);
    new QAction(tr("&Close"), this);
    new QAction(tr("&Undo"), this);
    new QAction(tr("&Redo"), this);
    new QAction(tr("&Copy"), this);
    new QAction(tr("&Cut"), this);
    new QAction(tr("&Paste"), this);
    aboutAction = new QAction(tr("&About"), this);
    new QAction(tr("&Mean"), this);
    new QAction(tr("&Standard deviation"), this);
    agreementAction = new QAction(tr("&Agreement"), this);
    blandAltmanAction = new QAction(tr("&Bland–Altman…"), this);
    regressionAction = new QAction(tr("&Regression…"), this);
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(openAction);
    statisticsMenu = menuBar()->addMenu(tr("&Statistics"));
    statisticsMenu->addAction(agreementAction);
    statisticsMenu->addAction(blandAltmanAction);
    statisticsMenu->addAction(regressionAction);
}

void MainWindow::makeConnections()
{
    connect(openAction, SIGNAL(triggered()), dataVarWidget, SLOT(onOpenFile()));
    connect(agreementAction, SIGNAL(triggered()), this, SLOT(onAgreement()));
    connect(blandAltmanAction, SIGNAL(triggered()), this, SLOT(onBlandAltman()));
    connect(regressionAction, SIGNAL(triggered()), this, SLOT(onRegression()));
    connect(aboutAction, SIGNAL(triggered()), this, SLOT(onAbout()));
}

void MainWindow::createShortcuts()
{
    new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_Q), this, SLOT(close()), nullptr,
                  Qt::WindowShortcut);
}

void MainWindow::onAbout()
{
    aboutDialog = new CustomDialog(this);
    aboutDialog->setMessage(tr("Concorda\nAgreement statistics for method-comparison studies: "
                               "accuracy, precision, CCC, TDI, CP and RBS."),
                            tr("Warning"), tr("Close"));
    aboutDialog->setAttribute(Qt::WA_DeleteOnClose);
    aboutDialog->show();
}

void MainWindow::onAMean()
{
}

void MainWindow::onAStdDev()
{
}

void MainWindow::onAgreement()
{
    const QString html = dataVarWidget->requestAgreement();
    if (html == QLatin1String(""))
        return;
    showResultWindow(analysis::Report{html, {}});
}

void MainWindow::onBlandAltman()
{
    const analysis::Report report = dataVarWidget->requestBlandAltman();
    if (!report.html.isEmpty())
        showResultWindow(report);
}

void MainWindow::onRegression()
{
    const analysis::Report report = dataVarWidget->requestRegression();
    if (!report.html.isEmpty())
        showResultWindow(report);
}

// Every report opens a new, independent window whose frame starts where the main
// window's inner width ends, level with the main window's top edge.
void MainWindow::showResultWindow(const analysis::Report &report)
{
    auto *window = new ResultWindow(report);
    window->move(x() + width(), y());
    window->show();
}
