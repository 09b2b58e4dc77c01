#include "startoptions.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StartOptions", text);
}

} // namespace

StartOptions parseStartOptions(const QStringList &arguments)
{
    StartOptions options;
    const int end = arguments.contains(QStringLiteral("--")) ? arguments.indexOf(QStringLiteral("--"))
                                                             : arguments.size();
    for (int i = 0; i < end; ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.action = StartOptions::ShowHelp;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.action = StartOptions::ShowVersion;
            return options;
        }
    }

    QStringList files;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i == end)
            continue;
        if (i < end && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            options.action = StartOptions::Error;
            options.error = tr("unknown option %1").arg(argument);
            return options;
        }
        files.append(argument);
    }
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
