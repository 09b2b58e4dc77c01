#include "commandline.h"

#include "batchtext.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

namespace batch {

namespace {

struct Choice
{
    const char *name;
    int value;
};

const Choice delimiterChoices[] = {{"comma", ','}, {"semicolon", ';'}, {"space", ' '}, {"tab", '\t'}};
const Choice formatChoices[] = {{"html", int(Format::Html)},
                                {"csv", int(Format::Csv)},
                                {"json", int(Format::Json)}};
const Choice plotFormatChoices[] = {{"svg", int(stats::PlotFormat::Svg)},
                                    {"png", int(stats::PlotFormat::Png)},
                                    {"pdf", int(stats::PlotFormat::Pdf)}};

template <std::size_t Count>
QStringList choiceNames(const Choice (&choices)[Count])
{
    QStringList names;
    for (const Choice &choice : choices)
        names.append(QLatin1String(choice.name));
    return names;
}

// "a, b or c".
QString alternatives(QStringList names)
{
    const QString last = names.takeLast();
    return names.isEmpty() ? last : BatchReport::tr("%1 or %2").arg(names.join(QLatin1String(", ")), last);
}

// "a, b and c".
QString together(QStringList names)
{
    const QString last = names.takeLast();
    return names.isEmpty() ? last : BatchReport::tr("%1 and %2").arg(names.join(QLatin1String(", ")), last);
}

// The value of a choice option of the tool itself, or false with *error naming the option
// and the choices.
template <std::size_t Count>
bool readChoice(const QCommandLineParser &parser, const char *option,
                const Choice (&choices)[Count], int *value, QString *error)
{
    const QString given = parser.value(QLatin1String(option));
    for (const Choice &choice : choices) {
        if (given == QLatin1String(choice.name)) {
            *value = choice.value;
            return true;
        }
    }
    *error = BatchReport::tr("--%1 must be %2, not %3")
                 .arg(QLatin1String(option), alternatives(choiceNames(choices)), quoted(given));
    return false;
}

QStringList analysisIds()
{
    QStringList ids;
    for (const stats::Analysis *analysis : stats::analyses())
        ids.append(analysis->id());
    return ids;
}

// One command-line option of the analyses: the declarations of every analysis that has it,
// in registry order.
struct AnalysisOption
{
    QString name;
    QVector<const stats::Analysis *> analyses;
    QVector<stats::OptionDeclaration> declarations;
};

QVector<AnalysisOption> analysisOptions()
{
    QVector<AnalysisOption> options;
    for (const stats::Analysis *analysis : stats::analyses()) {
        for (const stats::OptionDeclaration &declaration : analysis->options()) {
            const QString name = commandLineName(declaration);
            auto known = std::find_if(options.begin(), options.end(),
                                      [&name](const AnalysisOption &option) { return option.name == name; });
            if (known == options.end())
                known = options.insert(options.end(), AnalysisOption{name, {}, {}});
            known->analyses.append(analysis);
            known->declarations.append(declaration);
        }
    }
    return options;
}

// The help of an option of several analyses: each analysis's text, those with the same
// text together ("one, other: ...").
QString analysisOptionHelp(const AnalysisOption &option)
{
    QStringList texts;
    QVector<QStringList> users;
    for (int i = 0; i < option.declarations.size(); ++i) {
        const stats::OptionDeclaration &declaration = option.declarations.at(i);
        QString text = declaration.help;
        if (declaration.type == stats::OptionType::Flag && declaration.defaultValue.toBool())
            text = BatchReport::tr("leave out: %1").arg(text);
        const int known = texts.indexOf(text);
        if (known < 0) {
            texts.append(text);
            users.append({option.analyses.at(i)->id()});
        } else {
            users[known].append(option.analyses.at(i)->id());
        }
    }
    QStringList parts;
    for (int i = 0; i < texts.size(); ++i)
        parts.append(QStringLiteral("%1: %2").arg(users.at(i).join(QLatin1String(", ")), texts.at(i)));
    const stats::OptionDeclaration &first = option.declarations.first();
    QString help = parts.join(QLatin1Char(' '));
    if (first.type == stats::OptionType::Number)
        help += BatchReport::tr(" (default: %1)").arg(first.defaultValue.toDouble());
    else if (first.type == stats::OptionType::Choice)
        help += BatchReport::tr(" (default: %1)").arg(first.choices.value(first.defaultValue.toInt()).name);
    return help;
}

QVector<QCommandLineOption> toolOptions()
{
    const QStringList ids = analysisIds();
    return {
        {QStringLiteral("analysis"), BatchReport::tr("The analysis to run (default: %1).").arg(ids.first()),
         ids.join(QLatin1Char('|')), ids.first()},
        {QStringLiteral("delimiter"), BatchReport::tr("The field delimiter of the file (default: comma)."),
         choiceNames(delimiterChoices).join(QLatin1Char('|')), QStringLiteral("comma")},
        {QStringLiteral("gold"), BatchReport::tr("The Gold Standard column (required)."),
         QStringLiteral("NAME")},
        {QStringLiteral("other"),
         BatchReport::tr("The compared columns, separated by commas (default: every column "
                         "but the Gold Standard and the subject column, in file order)."),
         QStringLiteral("NAME[,NAME...]")},
        {QStringLiteral("subject"),
         BatchReport::tr("The column that names the subjects: rows with the same value are one "
                         "subject's repeated readings (analyses with replicates only)."),
         QStringLiteral("NAME")},
        {QStringLiteral("plot-dir"),
         BatchReport::tr("Also write one plot per compared column into DIR, named after the "
                         "column (analyses with plots only)."),
         QStringLiteral("DIR")},
        {QStringLiteral("plot-format"), BatchReport::tr("The format of the plot files (default: svg)."),
         choiceNames(plotFormatChoices).join(QLatin1Char('|')), QStringLiteral("svg")},
        {QStringLiteral("format"), BatchReport::tr("The report format (default: html)."),
         choiceNames(formatChoices).join(QLatin1Char('|')), QStringLiteral("html")},
        {QStringLiteral("output"),
         BatchReport::tr("Write the report to FILE, only when it is complete (default: "
                         "standard output)."),
         QStringLiteral("FILE")},
    };
}

QCommandLineOption commandLineOption(const AnalysisOption &option)
{
    const stats::OptionDeclaration &declaration = option.declarations.first();
    if (declaration.type == stats::OptionType::Flag)
        return QCommandLineOption(option.name, analysisOptionHelp(option));
    return QCommandLineOption(option.name, analysisOptionHelp(option), declaration.valueName);
}

QString description()
{
    QString text = BatchReport::tr("Writes the analysis of every compared column of a CSV file "
                                   "against the Gold Standard column.");
    for (const stats::Analysis *analysis : stats::analyses())
        text += QStringLiteral(" %1: %2").arg(analysis->id(), analysis->summary());
    return text + BatchReport::tr("\nExit codes: 0 done, 2 usage or input error, 3 statistics "
                                  "error, 4 output not written.");
}

// Words of `text` on lines of at most `width` characters, each after `indent` spaces but
// the first.
QString wrapped(const QString &text, int indent, int width)
{
    QString result;
    int column = 0;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (column > 0 && column + 1 + word.size() > width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = 0;
        } else if (column > 0) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

// The help, in the layout of Qt's own: usage, description, each option with its value and
// text, the argument. Made here so that it needs no application object.
QString helpText(const QVector<QCommandLineOption> &options)
{
    QStringList heads;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        QString head = names.join(QLatin1String(", "));
        if (!option.valueName().isEmpty())
            head += QStringLiteral(" <%1>").arg(option.valueName());
        heads.append(head);
    }
    int headWidth = 0;
    for (const QString &head : heads)
        headWidth = std::max(headWidth, int(head.size()));
    headWidth = std::min(headWidth, 36);
    const int indent = 2 + headWidth + 2;

    QString text = BatchReport::tr("Usage: %1 [options] FILE.csv\n").arg(QLatin1String(programName));
    text += description() + QLatin1Char('\n');
    text += QLatin1Char('\n') + BatchReport::tr("Options:") + QLatin1Char('\n');
    for (int i = 0; i < options.size(); ++i) {
        QString head = heads.at(i);
        text += QStringLiteral("  ") + head;
        if (head.size() > headWidth)
            text += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
        else
            text += QString(headWidth - head.size() + 2, QLatin1Char(' '));
        text += wrapped(options.at(i).description(), indent, 79 - indent) + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + BatchReport::tr("Arguments:") + QLatin1Char('\n');
    text += QStringLiteral("  FILE.csv  ") + BatchReport::tr("The data: the first line names the columns.")
            + QLatin1Char('\n');
    return text;
}

// The values of the chosen analysis's options: each as given, or its default. An option
// given that the analysis does not have, or that does not apply with the other values, is
// a mistake to point out rather than to ignore.
bool readAnalysisOptions(const QCommandLineParser &parser, const QVector<AnalysisOption> &all,
                         ReportRequest *request, QString *error)
{
    const stats::Analysis &analysis = *request->analysis;
    const QVector<stats::OptionDeclaration> declarations = analysis.options();
    for (const AnalysisOption &option : all) {
        if (parser.isSet(option.name) && !option.analyses.contains(&analysis)) {
            *error = BatchReport::tr("--%1 does not apply to --analysis %2").arg(option.name, analysis.id());
            return false;
        }
    }
    request->options = stats::defaultOptionValues(declarations);
    request->options.setSubjectColumn(!request->subject.isEmpty());
    for (const stats::OptionDeclaration &declaration : declarations) {
        const QString name = commandLineName(declaration);
        if (!parser.isSet(name))
            continue;
        QVariant value = !declaration.defaultValue.toBool();
        if (declaration.type != stats::OptionType::Flag
            && !stats::readCommandLineValue(declaration, parser.value(name), &value, error))
            return false;
        request->options.set(declaration.name, value);
    }
    for (const stats::OptionDeclaration &declaration : declarations) {
        if (!parser.isSet(commandLineName(declaration)))
            continue;
        for (const QString &target : declaration.shorthandFor) {
            const stats::OptionDeclaration *each = stats::findOption(declarations, target);
            if (each && !parser.isSet(commandLineName(*each)))
                request->options.set(target, request->options.value(declaration.name));
        }
    }
    for (const stats::OptionDeclaration &declaration : declarations) {
        if (!parser.isSet(commandLineName(declaration)) || stats::optionApplies(declaration, declarations, request->options))
            continue;
        if (declaration.subjectUse == stats::OptionDeclaration::SubjectUse::WithSubject && request->subject.isEmpty()) {
            *error = BatchReport::tr("--%1 applies only with --subject").arg(commandLineName(declaration));
            return false;
        }
        if (declaration.subjectUse == stats::OptionDeclaration::SubjectUse::WithoutSubject && !request->subject.isEmpty()) {
            *error = BatchReport::tr("--%1 does not apply with --subject").arg(commandLineName(declaration));
            return false;
        }
        const stats::OptionDeclaration *choice = stats::findOption(declarations, declaration.appliesWith);
        *error = BatchReport::tr("--%1 applies to --%2 %3, not to %4")
                     .arg(commandLineName(declaration), choice->name,
                          stats::choiceNames(*choice, declaration.appliesToChoices),
                          choice->choices.value(request->options.choice(choice->name)).name);
        return false;
    }
    return true;
}

bool readToolOptions(const QCommandLineParser &parser, ReportRequest *request, QString *error)
{
    const QString id = parser.value(QStringLiteral("analysis"));
    request->analysis = stats::findAnalysis(id);
    if (!request->analysis) {
        *error = BatchReport::tr("--analysis must be %1, not %2").arg(alternatives(analysisIds()), quoted(id));
        return false;
    }
    const stats::Analysis &analysis = *request->analysis;

    const bool plotOptions = parser.isSet(QStringLiteral("plot-dir")) || parser.isSet(QStringLiteral("plot-format"));
    if (plotOptions && !analysis.hasPlots()) {
        QStringList plotting;
        for (const stats::Analysis *other : stats::analyses()) {
            if (other->hasPlots())
                plotting.append(other->id());
        }
        *error = BatchReport::tr("--analysis %1 has no plots; --plot-dir and --plot-format apply "
                                 "to %2")
                     .arg(id, together(plotting));
        return false;
    }
    int choice = 0;
    if (!readChoice(parser, "plot-format", plotFormatChoices, &choice, error))
        return false;
    request->plotFormat = stats::PlotFormat(choice);
    request->plotDirectory = parser.value(QStringLiteral("plot-dir"));
    if (parser.isSet(QStringLiteral("plot-dir")) && request->plotDirectory.isEmpty()) {
        *error = BatchReport::tr("--plot-dir needs a folder name");
        return false;
    }

    if (parser.isSet(QStringLiteral("subject"))) {
        if (analysis.subjectColumn() == stats::SubjectColumn::None) {
            *error = BatchReport::tr("--subject does not apply to --analysis %1").arg(id);
            return false;
        }
        request->subject = parser.value(QStringLiteral("subject"));
    } else if (analysis.subjectColumn() == stats::SubjectColumn::Required) {
        *error = BatchReport::tr("--analysis %1 needs --subject NAME: the column that names the "
                                 "subjects").arg(id);
        return false;
    }

    if (!readChoice(parser, "delimiter", delimiterChoices, &choice, error))
        return false;
    request->delimiter = QLatin1Char(char(choice));
    if (!readChoice(parser, "format", formatChoices, &choice, error))
        return false;
    request->format = Format(choice);
    return true;
}

} // namespace

QString commandLineName(const stats::OptionDeclaration &declaration)
{
    if (declaration.type == stats::OptionType::Flag && declaration.defaultValue.toBool())
        return QStringLiteral("no-") + declaration.name;
    return declaration.name;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    const QVector<AnalysisOption> all = analysisOptions();
    QVector<QCommandLineOption> options = {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                           BatchReport::tr("Displays help on commandline options.")),
        QCommandLineOption(QStringLiteral("version"), BatchReport::tr("Displays version information.")),
    };
    options += toolOptions();
    for (const AnalysisOption &option : all)
        options.append(commandLineOption(option));

    QCommandLineParser parser;
    for (const QCommandLineOption &option : options)
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("FILE.csv"), QString());

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.text = parser.errorText();
        return line;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        line.action = CommandLine::ShowHelp;
        line.text = helpText(options);
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = CommandLine::ShowVersion;
        line.text = QStringLiteral("%1 %2\n").arg(QLatin1String(programName),
                                                  QStringLiteral(CONCORDA_VERSION));
        return line;
    }

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        line.text = files.isEmpty()
                        ? BatchReport::tr("no CSV file given (see --help)")
                        : BatchReport::tr("one CSV file expected, %1 given").arg(files.size());
        return line;
    }
    if (!parser.isSet(QStringLiteral("gold"))) {
        line.text = BatchReport::tr("--gold NAME is required: the Gold Standard column");
        return line;
    }
    if (parser.isSet(QStringLiteral("output")) && parser.value(QStringLiteral("output")).isEmpty()) {
        line.text = BatchReport::tr("--output needs a file name");
        return line;
    }

    ReportRequest &request = line.request;
    request.fileName = files.first();
    request.gold = parser.value(QStringLiteral("gold"));
    request.others = parser.values(QStringLiteral("other"));
    request.outputFile = parser.value(QStringLiteral("output"));
    if (!readToolOptions(parser, &request, &line.text) || !readAnalysisOptions(parser, all, &request, &line.text))
        return line;
    line.text = stats::optionsProblem(*request.analysis, request.options, stats::OptionNames::CommandLine);
    if (!line.text.isEmpty())
        return line;
    line.action = CommandLine::Run;
    return line;
}

} // namespace batch
