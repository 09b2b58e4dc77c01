#include "startoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StartOptions", text);
}

} // namespace

StartOptions parseStartOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-platform" is one option (a toolkit's), not the letters -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE.csv"), QString());
    const bool parsed = parser.parse(QStringList(QStringLiteral("concorda")) + arguments);

    StartOptions options;
    if (parser.isSet(help)) {
        options.action = StartOptions::ShowHelp;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = StartOptions::ShowVersion;
        return options;
    }
    if (!parsed) {
        options.action = StartOptions::Error;
        const QStringList unknown = parser.unknownOptionNames();
        options.error = unknown.isEmpty()
                            ? parser.errorText()
                            : tr("unknown option %1")
                                  .arg((unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"))
                                       + unknown.first());
        return options;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        options.action = StartOptions::Error;
        options.error = tr("one file expected, %1 given").arg(files.size());
        return options;
    }
    options.fileName = files.value(0);
    return options;
}

QString startUsage()
{
    return tr("Usage: concorda [FILE.csv]\n"
              "Agreement statistics for method-comparison studies.\n"
              "\n"
              "  FILE.csv     open this file at start (the delimiter is asked, with the one\n"
              "               its first line suggests preselected)\n"
              "  -h, --help   show this help and exit\n"
              "  --version    show the version and exit\n"
              "\n"
              "The options of the Qt toolkit, such as -platform, are accepted as well.\n");
}

QString versionText()
{
    return QStringLiteral("concorda %1\n").arg(QStringLiteral(CONCORDA_VERSION));
}
