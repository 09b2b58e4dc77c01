#include "mainwindow.h"
#include "startoptions.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace {

int printed(const QString &text, std::FILE *stream, int exitCode)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    // Help and version are answered before the application object exists: it needs a
    // display, and these answers do not.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const StartOptions early = parseStartOptions(arguments);
    if (early.action == StartOptions::ShowHelp)
        return printed(startUsage(), stdout, 0);
    if (early.action == StartOptions::ShowVersion)
        return printed(versionText(), stdout, 0);

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Concorda"));
    QApplication::setApplicationName(QStringLiteral("Concorda"));
    QApplication::setApplicationVersion(QStringLiteral(CONCORDA_VERSION));
    // The application object has taken out its own options; what is left is ours.
    const StartOptions options = parseStartOptions(QApplication::arguments().mid(1));
    if (options.action == StartOptions::Error)
        return printed(QStringLiteral("concorda: %1\nTry concorda --help.\n").arg(options.error),
                       stderr, 2);

    MainWindow mainWindow;
    mainWindow.show();
    if (!options.fileName.isEmpty()) {
        const QString fileName = options.fileName;
        QTimer::singleShot(0, &mainWindow, [&mainWindow, fileName]() { mainWindow.openFile(fileName); });
    }
    return application.exec();
}
