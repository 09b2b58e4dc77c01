#ifndef CONCORDA_STARTOPTIONS_H
#define CONCORDA_STARTOPTIONS_H

#include <QString>
#include <QStringList>

// The program's own command line: `concorda [FILE.csv]`, `--help`, `--version`. It is read
// before the application object exists, so that help and version need no display; Qt's
// own options (-platform and the like) are taken out by the application object, and the
// rest is read again after that.
struct StartOptions
{
    enum Action { Run, ShowHelp, ShowVersion, Error };
    Action action = Run;
    QString fileName; // the file to open at start; empty for none
    QString error;    // what is wrong with the command line, for Error
};

// Reads the arguments after the program name. Help and version win over everything
// else, so that they answer whatever else is given; "--" ends the options.
StartOptions parseStartOptions(const QStringList &arguments);

// The text of --help and of --version, each ending with a line feed.
QString startUsage();
QString versionText();

#endif
