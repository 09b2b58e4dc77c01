#include "commandline.h"

#include "batchtext.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLocale>

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
const Choice analysisChoices[] = {{"agreement", int(Analysis::Agreement)},
                                  {"bland-altman", int(Analysis::BlandAltman)},
                                  {"regression", int(Analysis::Regression)}};
const Choice methodChoices[] = {{"passing-bablok", int(stats::RegressionMethod::PassingBablok)},
                                {"deming", int(stats::RegressionMethod::Deming)},
                                {"weighted-deming", int(stats::RegressionMethod::WeightedDeming)}};
const Choice plotFormatChoices[] = {{"svg", int(PlotFormat::Svg)},
                                    {"png", int(PlotFormat::Png)},
                                    {"pdf", int(PlotFormat::Pdf)}};
const Choice differenceChoices[] = {{"absolute", int(stats::DifferenceScale::Absolute)},
                                    {"percentage", int(stats::DifferenceScale::Percentage)},
                                    {"ratio", int(stats::DifferenceScale::Ratio)}};
const Choice axisChoices[] = {{"mean", int(stats::DifferenceAxis::PairMean)},
                              {"reference", int(stats::DifferenceAxis::Reference)}};
const Choice limitIntervalChoices[] = {{"exact", int(stats::LimitInterval::Exact)},
                                       {"approximate", int(stats::LimitInterval::Approximate)}};

// The options that only one analysis takes; given with another, they are a mistake to
// point out rather than to ignore.
const char *const agreementOnly[] = {"tdi-allowance", "cp-allowance", "proportional", "random"};
const char *const blandAltmanOnly[] = {"differences", "x-axis", "loa-coverage", "loa-ci"};
const char *const regressionOnly[] = {"method", "error-ratio", "decision-levels"};

template <std::size_t Count>
bool lookUp(const Choice (&choices)[Count], const QString &name, int *value)
{
    for (const Choice &choice : choices) {
        if (name == QLatin1String(choice.name)) {
            *value = choice.value;
            return true;
        }
    }
    return false;
}

template <std::size_t Count>
QString choiceList(const Choice (&choices)[Count])
{
    QStringList names;
    for (const Choice &choice : choices)
        names.append(QLatin1String(choice.name));
    return names.join(QLatin1Char('|'));
}

// The value of a choice option, or false with *error naming the option and the choices.
template <std::size_t Count>
bool readChoice(const QCommandLineParser &parser, const char *option,
                const Choice (&choices)[Count], int *value, QString *error)
{
    const QString given = parser.value(QLatin1String(option));
    if (lookUp(choices, given, value))
        return true;
    QStringList names;
    for (const Choice &choice : choices)
        names.append(QLatin1String(choice.name));
    const QString last = names.takeLast();
    *error = BatchReport::tr("--%1 must be %2 or %3, not %4")
                 .arg(QLatin1String(option), names.join(QLatin1String(", ")), last, quoted(given));
    return false;
}

template <std::size_t Count>
bool refuseOthersOptions(const QCommandLineParser &parser, const char *const (&options)[Count],
                         const QString &analysis, QString *error)
{
    for (const char *option : options) {
        if (parser.isSet(QLatin1String(option))) {
            *error = BatchReport::tr("--%1 does not apply to --analysis %2")
                         .arg(QLatin1String(option), analysis);
            return false;
        }
    }
    return true;
}

// Numbers on the command line are written the same way whatever the user's locale is. A
// group separator is refused, or "1,000" would read as a thousand.
bool readNumber(const QString &text, double *value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    *value = c.toDouble(text, &ok);
    return ok;
}

bool readNumberOption(const QCommandLineParser &parser, const char *option, double *value,
                      QString *error)
{
    const QString text = parser.value(QLatin1String(option));
    if (readNumber(text, value))
        return true;
    *error = BatchReport::tr("--%1 must be a number written with a decimal point, not %2")
                 .arg(QLatin1String(option), quoted(text));
    return false;
}

bool readBlandAltmanOptions(const QCommandLineParser &parser, stats::BlandAltmanOptions *options,
                            QString *error)
{
    int choice = 0;
    if (!readChoice(parser, "differences", differenceChoices, &choice, error))
        return false;
    options->differences = stats::DifferenceScale(choice);
    if (!readChoice(parser, "x-axis", axisChoices, &choice, error))
        return false;
    options->axis = stats::DifferenceAxis(choice);
    if (!readChoice(parser, "loa-ci", limitIntervalChoices, &choice, error))
        return false;
    options->limitInterval = stats::LimitInterval(choice);
    if (!readNumberOption(parser, "loa-coverage", &options->coverage, error)
        || !readNumberOption(parser, "alpha", &options->alpha, error))
        return false;
    if (!(options->coverage > 0 && options->coverage < 1)) {
        *error = BatchReport::tr("--loa-coverage must lie strictly between 0 and 1, not %1")
                     .arg(options->coverage);
        return false;
    }
    if (!(options->alpha > 0 && options->alpha < 1)) {
        *error = BatchReport::tr("--alpha must lie strictly between 0 and 1, not %1").arg(options->alpha);
        return false;
    }
    return true;
}

// Decision levels on the command line: numbers with a decimal point, separated by commas.
bool readDecisionLevels(const QString &text, QVector<double> *levels, QString *error)
{
    levels->clear();
    if (text.isEmpty())
        return true;
    for (const QString &part : text.split(QLatin1Char(','))) {
        double level = 0;
        if (!readNumber(part.trimmed(), &level)) {
            *error = BatchReport::tr("--decision-levels must be numbers written with a decimal "
                                     "point and separated by commas, not %1")
                         .arg(quoted(part));
            return false;
        }
        levels->append(level);
    }
    return true;
}

bool readRegressionOptions(const QCommandLineParser &parser, stats::RegressionOptions *options,
                           QString *error)
{
    int choice = 0;
    if (!readChoice(parser, "method", methodChoices, &choice, error))
        return false;
    options->method = stats::RegressionMethod(choice);
    if (options->method == stats::RegressionMethod::PassingBablok
        && parser.isSet(QStringLiteral("error-ratio"))) {
        *error = BatchReport::tr("--error-ratio applies to the Deming methods, not to passing-bablok");
        return false;
    }
    if (!readNumberOption(parser, "error-ratio", &options->errorRatio, error)
        || !readNumberOption(parser, "alpha", &options->alpha, error)
        || !readDecisionLevels(parser.value(QStringLiteral("decision-levels")),
                               &options->decisionLevels, error))
        return false;
    *error = stats::regressionOptionsProblem(*options, stats::OptionNames::CommandLine);
    return error->isEmpty();
}

bool readPlotOptions(const QCommandLineParser &parser, ReportRequest *request, QString *error)
{
    int choice = 0;
    if (!readChoice(parser, "plot-format", plotFormatChoices, &choice, error))
        return false;
    request->plotFormat = PlotFormat(choice);
    request->plotDirectory = parser.value(QStringLiteral("plot-dir"));
    if (parser.isSet(QStringLiteral("plot-dir")) && request->plotDirectory.isEmpty()) {
        *error = BatchReport::tr("--plot-dir needs a folder name");
        return false;
    }
    if (request->analysis == Analysis::Agreement
        && (parser.isSet(QStringLiteral("plot-dir")) || parser.isSet(QStringLiteral("plot-format")))) {
        *error = BatchReport::tr("--analysis agreement has no plots; --plot-dir and "
                                 "--plot-format apply to bland-altman and regression");
        return false;
    }
    return true;
}

// The delimiter and format values, then the numbers, then what the statistics can take.
bool readOptionValues(const QCommandLineParser &parser, ReportRequest *request, QString *error)
{
    int choice = 0;
    if (!readChoice(parser, "analysis", analysisChoices, &choice, error))
        return false;
    request->analysis = Analysis(choice);
    const QString analysisName = parser.value(QStringLiteral("analysis"));
    if (!readPlotOptions(parser, request, error))
        return false;
    const bool refused =
        (request->analysis != Analysis::Agreement
         && !refuseOthersOptions(parser, agreementOnly, analysisName, error))
        || (request->analysis != Analysis::BlandAltman
            && !refuseOthersOptions(parser, blandAltmanOnly, analysisName, error))
        || (request->analysis != Analysis::Regression
            && !refuseOthersOptions(parser, regressionOnly, analysisName, error));
    if (refused)
        return false;

    const QString delimiter = parser.value(QStringLiteral("delimiter"));
    if (!lookUp(delimiterChoices, delimiter, &choice)) {
        *error = BatchReport::tr("--delimiter must be comma, semicolon, space or tab, not %1")
                     .arg(quoted(delimiter));
        return false;
    }
    request->delimiter = QLatin1Char(char(choice));

    const QString format = parser.value(QStringLiteral("format"));
    if (!lookUp(formatChoices, format, &choice)) {
        *error = BatchReport::tr("--format must be html, csv or json, not %1").arg(quoted(format));
        return false;
    }
    request->format = Format(choice);

    if (request->analysis == Analysis::BlandAltman)
        return readBlandAltmanOptions(parser, &request->blandAltman, error);
    if (request->analysis == Analysis::Regression)
        return readRegressionOptions(parser, &request->regression, error);

    const struct
    {
        const char *option;
        double *value;
    } numbers[] = {{"tdi-allowance", &request->options.tdiAllowance},
                   {"cp-allowance", &request->options.cpAllowance},
                   {"alpha", &request->options.alpha}};
    for (const auto &number : numbers) {
        if (!readNumberOption(parser, number.option, number.value, error))
            return false;
    }
    request->options.proportional = parser.isSet(QStringLiteral("proportional"));
    request->options.random = parser.isSet(QStringLiteral("random"));
    request->options.sample = true;
    *error = stats::agreementOptionsProblem(request->options, stats::OptionNames::CommandLine);
    return error->isEmpty();
}

void addOptions(QCommandLineParser *parser)
{
    parser->setApplicationDescription(BatchReport::tr(
        "Writes the analysis of every compared column of a CSV file against the Gold "
        "Standard column. agreement: accuracy, precision, CCC, TDI, CP and RBS with one-sided "
        "confidence limits, and the number of complete pairs. bland-altman: bias and limits "
        "of agreement with confidence intervals, the proportional bias, and the difference "
        "plots. regression: Passing-Bablok or Deming slope and intercept with confidence "
        "intervals, the linearity test, the bias at decision levels, and the scatter plots.\n"
        "Exit codes: 0 done, 2 usage or input error, 3 statistics error, 4 output not "
        "written."));
    parser->addOptions({
        {QStringLiteral("analysis"), BatchReport::tr("The analysis to run."),
         choiceList(analysisChoices), QStringLiteral("agreement")},
        {QStringLiteral("delimiter"), BatchReport::tr("The field delimiter of the file."),
         QStringLiteral("comma|semicolon|space|tab"), QStringLiteral("comma")},
        {QStringLiteral("gold"), BatchReport::tr("The Gold Standard column (required)."),
         QStringLiteral("NAME")},
        {QStringLiteral("other"),
         BatchReport::tr("The compared columns, separated by commas (default: every column "
                         "but the Gold Standard, in file order)."),
         QStringLiteral("NAME[,NAME...]")},
        {QStringLiteral("tdi-allowance"),
         BatchReport::tr("agreement: the bound for which CP is computed (a percentage with "
                         "--proportional)."),
         QStringLiteral("X"), QStringLiteral("10")},
        {QStringLiteral("cp-allowance"),
         BatchReport::tr("agreement: the proportion for which TDI is computed."), QStringLiteral("P"),
         QStringLiteral("0.9")},
        {QStringLiteral("alpha"),
         BatchReport::tr("The significance level: of the one-sided limits (agreement), of the "
                         "two-sided confidence intervals (bland-altman, regression)."),
         QStringLiteral("A"),
         QStringLiteral("0.05")},
        {QStringLiteral("proportional"),
         BatchReport::tr("agreement: compare on the logarithmic scale.")},
        {QStringLiteral("random"),
         BatchReport::tr("agreement: random-mode confidence limits (fixed-mode without it).")},
        {QStringLiteral("differences"),
         BatchReport::tr("bland-altman: compared - reference, its percentage of the pair's "
                         "mean, or the ratio compared / reference."),
         choiceList(differenceChoices), QStringLiteral("absolute")},
        {QStringLiteral("x-axis"),
         BatchReport::tr("bland-altman: plot the differences against the mean of the pair or "
                         "the reference."),
         choiceList(axisChoices), QStringLiteral("mean")},
        {QStringLiteral("loa-coverage"),
         BatchReport::tr("bland-altman: the share of differences the limits of agreement are to "
                         "hold."),
         QStringLiteral("P"), QStringLiteral("0.95")},
        {QStringLiteral("loa-ci"),
         BatchReport::tr("bland-altman: confidence intervals of the limits from the non-central "
                         "t distribution, or the approximation of Bland and Altman (1999)."),
         choiceList(limitIntervalChoices), QStringLiteral("exact")},
        {QStringLiteral("method"), BatchReport::tr("regression: the fitting method."),
         choiceList(methodChoices), QStringLiteral("passing-bablok")},
        {QStringLiteral("error-ratio"),
         BatchReport::tr("regression, Deming methods: lambda, the variance of the reference's "
                         "errors over that of the compared method's."),
         QStringLiteral("L"), QStringLiteral("1")},
        {QStringLiteral("decision-levels"),
         BatchReport::tr("regression: reference values, separated by commas, at which the bias "
                         "of each compared column is reported."),
         QStringLiteral("X1,X2,...")},
        {QStringLiteral("plot-dir"),
         BatchReport::tr("bland-altman, regression: also write one plot per compared column "
                         "into DIR, named after the column."),
         QStringLiteral("DIR")},
        {QStringLiteral("plot-format"), BatchReport::tr("The format of the plot files."),
         choiceList(plotFormatChoices), QStringLiteral("svg")},
        {QStringLiteral("format"), BatchReport::tr("The report format."),
         QStringLiteral("html|csv|json"), QStringLiteral("html")},
        {QStringLiteral("output"),
         BatchReport::tr("Write the report to FILE, only when it is complete (default: "
                         "standard output)."),
         QStringLiteral("FILE")},
    });
    parser->addPositionalArgument(QStringLiteral("FILE.csv"),
                                  BatchReport::tr("The data: the first line names the columns."));
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    addOptions(&parser);

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.text = parser.errorText();
        return line;
    }
    if (parser.isSet(helpOption)) {
        line.action = CommandLine::ShowHelp;
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(versionOption)) {
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
    if (!readOptionValues(parser, &request, &line.text))
        return line;
    line.action = CommandLine::Run;
    return line;
}

QString plotFormatSuffix(PlotFormat format)
{
    for (const Choice &choice : plotFormatChoices) {
        if (choice.value == int(format))
            return QLatin1String(choice.name);
    }
    return QString();
}

} // namespace batch
