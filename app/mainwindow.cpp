#include "mainwindow.h"

#include "analysis.h"
#include "customdialog.h"
#include "datavarwidget.h"
#include "dataviewwidget.h"
#include "report.h"
#include "resultwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUndoGroup>
#include <QUrl>

#include <utility>

namespace {

const char recentFilesKey[] = "recentFiles";

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , fileMenu(nullptr)
    , openAction(nullptr)
    , aboutAction(nullptr)
    , statisticsMenu(nullptr)
    , agreementAction(nullptr)
    , aboutDialog(nullptr)
    , dataVarWidget(nullptr)
{
    setMinimumWidth(800);
    setMinimumHeight(600);
    setAcceptDrops(true);
    dataVarWidget = new DataVarWidget(this);
    setCentralWidget(dataVarWidget);
    createActions();
    createMenus();
    makeConnections();
    onFileNameChanged(QString());
}

MainWindow::~MainWindow() = default;

// The commands of the first design come first, in their order; the later ones follow.
// Ctrl+Q has one binding, the Quit action, so that the key is never ambiguous.
void MainWindow::createActions()
{
    openAction = new QAction(tr("&Open"), this);
    closeAction = new QAction(tr("&Close"), this);
    closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    undoAction = new QAction(tr("&Undo"), this);
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = new QAction(tr("&Redo"), this);
    redoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    copyAction = new QAction(tr("&Copy"), this);
    copyAction->setShortcut(QKeySequence::Copy);
    cutAction = new QAction(tr("Cu&t"), this);
    cutAction->setShortcut(QKeySequence::Cut);
    pasteAction = new QAction(tr("&Paste"), this);
    pasteAction->setShortcut(QKeySequence::Paste);
    aboutAction = new QAction(tr("&About"), this);
    meanAction = new QAction(tr("&Mean"), this);
    standardDeviationAction = new QAction(tr("&Standard deviation"), this);
    agreementAction = new QAction(tr("&Agreement"), this);
    // Every other analysis of the registry, in its order, named as it declares itself.
    for (const stats::Analysis *analysis : stats::analyses()) {
        if (analysis->id() == QLatin1String(stats::agreementId))
            continue;
        auto *action = new QAction(analysis->menuText(), this);
        action->setData(analysis->id());
        analysisActions.append(action);
    }
    saveAction = new QAction(tr("&Save"), this);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction = new QAction(tr("Save &As…"), this);
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    quitAction = new QAction(tr("&Quit"), this);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    deleteAction = new QAction(tr("&Delete"), this);
    deleteAction->setShortcut(QKeySequence::Delete);
    aboutQtAction = new QAction(tr("About &Qt"), this);
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(openAction);
    fileMenu->addAction(saveAction);
    fileMenu->addAction(saveAsAction);
    recentFilesMenu = fileMenu->addMenu(tr("Open &Recent"));
    fileMenu->addSeparator();
    fileMenu->addAction(closeAction);
    fileMenu->addAction(quitAction);

    editMenu = menuBar()->addMenu(tr("&Edit"));
    editMenu->addAction(undoAction);
    editMenu->addAction(redoAction);
    editMenu->addSeparator();
    editMenu->addAction(cutAction);
    editMenu->addAction(copyAction);
    editMenu->addAction(pasteAction);
    editMenu->addAction(deleteAction);

    statisticsMenu = menuBar()->addMenu(tr("&Statistics"));
    statisticsMenu->addAction(agreementAction);
    statisticsMenu->addActions(analysisActions);
    statisticsMenu->addSeparator();
    statisticsMenu->addAction(meanAction);
    statisticsMenu->addAction(standardDeviationAction);

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(aboutAction);
    helpMenu->addAction(aboutQtAction);

    updateRecentFilesMenu();
}

void MainWindow::makeConnections()
{
    connect(openAction, SIGNAL(triggered()), dataVarWidget, SLOT(onOpenFile()));
    connect(saveAction, SIGNAL(triggered()), dataVarWidget, SLOT(onSave()));
    connect(saveAsAction, SIGNAL(triggered()), dataVarWidget, SLOT(onSaveAs()));
    connect(closeAction, SIGNAL(triggered()), dataVarWidget, SLOT(onCloseFile()));
    connect(quitAction, SIGNAL(triggered()), this, SLOT(close()));
    connect(agreementAction, SIGNAL(triggered()), this, SLOT(onAgreement()));
    for (QAction *action : std::as_const(analysisActions))
        connect(action, SIGNAL(triggered()), this, SLOT(onAnalysis()));
    connect(meanAction, SIGNAL(triggered()), this, SLOT(onAMean()));
    connect(standardDeviationAction, SIGNAL(triggered()), this, SLOT(onAStdDev()));
    connect(aboutAction, SIGNAL(triggered()), this, SLOT(onAbout()));
    connect(aboutQtAction, SIGNAL(triggered()), qApp, SLOT(aboutQt()));

    QUndoGroup *history = dataVarWidget->undoGroup();
    connect(undoAction, SIGNAL(triggered()), history, SLOT(undo()));
    connect(redoAction, SIGNAL(triggered()), history, SLOT(redo()));
    connect(history, SIGNAL(canUndoChanged(bool)), undoAction, SLOT(setEnabled(bool)));
    connect(history, SIGNAL(canRedoChanged(bool)), redoAction, SLOT(setEnabled(bool)));
    connect(history, SIGNAL(cleanChanged(bool)), this, SLOT(onCleanChanged(bool)));
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    connect(cutAction, SIGNAL(triggered()), this, SLOT(onCut()));
    connect(copyAction, SIGNAL(triggered()), this, SLOT(onCopy()));
    connect(pasteAction, SIGNAL(triggered()), this, SLOT(onPaste()));
    connect(deleteAction, SIGNAL(triggered()), this, SLOT(onDelete()));

    connect(dataVarWidget, SIGNAL(sFileNameChanged(QString)), this,
            SLOT(onFileNameChanged(QString)));
}

bool MainWindow::openFile(const QString &fileName)
{
    return dataVarWidget->openFile(fileName);
}

// The title names the file, with the modified marker while edits are unsaved; commands
// that need data are enabled only while a data view is open.
void MainWindow::onFileNameChanged(const QString &fileName)
{
    if (fileName.isEmpty())
        setWindowTitle(tr("Concorda"));
    else
        setWindowTitle(tr("%1[*] - Concorda").arg(QFileInfo(fileName).fileName()));
    setWindowModified(dataVarWidget->isModified());

    const bool open = dataVarWidget->currentDataView() != nullptr;
    for (QAction *action : {saveAction, saveAsAction, closeAction, cutAction, copyAction,
                            pasteAction, deleteAction})
        action->setEnabled(open);

    if (!fileName.isEmpty()) {
        QSettings settings;
        settings.setValue(QLatin1String(recentFilesKey),
                          recentFilesAfter(settings.value(QLatin1String(recentFilesKey)).toStringList(),
                                           fileName));
        updateRecentFilesMenu();
    }
}

void MainWindow::onCleanChanged(bool clean)
{
    setWindowModified(!clean);
}

QStringList MainWindow::recentFilesAfter(QStringList files, const QString &fileName)
{
    files.removeAll(fileName);
    files.prepend(fileName);
    return files.mid(0, maxRecentFiles);
}

void MainWindow::updateRecentFilesMenu()
{
    recentFilesMenu->clear();
    const QStringList files = QSettings().value(QLatin1String(recentFilesKey)).toStringList();
    for (int i = 0; i < files.size() && i < maxRecentFiles; ++i) {
        QString path = QDir::toNativeSeparators(files.at(i));
        // An ampersand in a path is text, not a mnemonic.
        path.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction *entry = recentFilesMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        entry->setData(files.at(i));
        connect(entry, SIGNAL(triggered()), this, SLOT(onOpenRecentFile()));
    }
    recentFilesMenu->setEnabled(!files.isEmpty());
}

void MainWindow::onOpenRecentFile()
{
    if (const auto *entry = qobject_cast<const QAction *>(sender()))
        openFile(entry->data().toString());
}

void MainWindow::onCut()
{
    if (DataViewWidget *view = dataVarWidget->currentDataView())
        view->onCut();
}

void MainWindow::onCopy()
{
    if (DataViewWidget *view = dataVarWidget->currentDataView())
        view->onCopy();
}

void MainWindow::onPaste()
{
    if (DataViewWidget *view = dataVarWidget->currentDataView())
        view->onPaste();
}

void MainWindow::onDelete()
{
    if (DataViewWidget *view = dataVarWidget->currentDataView())
        view->onDelete();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (dataVarWidget->maybeSave())
        event->accept();
    else
        event->ignore();
}

QString MainWindow::droppedFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1)
        return QString();
    const QUrl url = mime->urls().first();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile())
        return QString();
    return url.toLocalFile();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// The file opens once the drop has finished: the import asks questions in modal
// dialogs, which should not run inside the drag and drop of the window system.
void MainWindow::dropEvent(QDropEvent *event)
{
    const QString fileName = droppedFile(event->mimeData());
    if (fileName.isEmpty())
        return;
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, fileName]() { openFile(fileName); });
}

void MainWindow::onAbout()
{
    aboutDialog = new CustomDialog(this);
    aboutDialog->setMessage(tr("Concorda %1\nAgreement statistics for method-comparison studies: "
                               "accuracy, precision, CCC, TDI, CP and RBS.")
                                .arg(QStringLiteral(CONCORDA_VERSION)),
                            tr("Warning"), tr("Close"));
    aboutDialog->setAttribute(Qt::WA_DeleteOnClose);
    aboutDialog->show();
}

void MainWindow::onAMean()
{
    const QString html = dataVarWidget->requestMean();
    if (!html.isEmpty())
        showResultWindow(analysis::Report{html, {}});
}

void MainWindow::onAStdDev()
{
    const QString html = dataVarWidget->requestStandardDeviation();
    if (!html.isEmpty())
        showResultWindow(analysis::Report{html, {}});
}

void MainWindow::onAgreement()
{
    const QString html = dataVarWidget->requestAgreement();
    if (html == QLatin1String(""))
        return;
    showResultWindow(analysis::Report{html, {}});
}

void MainWindow::onAnalysis()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    if (!action)
        return;
    const analysis::Report report = dataVarWidget->requestAnalysis(action->data().toString());
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
