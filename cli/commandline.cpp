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

// The delimiter and format values, then the numbers, then what the statistics can take.
bool readOptionValues(const QCommandLineParser &parser, ReportRequest *request, QString *error)
{
    int choice = 0;
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

    const struct
    {
        const char *option;
        double *value;
    } numbers[] = {{"tdi-allowance", &request->options.tdiAllowance},
                   {"cp-allowance", &request->options.cpAllowance},
                   {"alpha", &request->options.alpha}};
    for (const auto &number : numbers) {
        const QString text = parser.value(QLatin1String(number.option));
        if (!readNumber(text, number.value)) {
            *error = BatchReport::tr("--%1 must be a number written with a decimal point, not %2")
                         .arg(QLatin1String(number.option), quoted(text));
            return false;
        }
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
        "Writes the agreement report of every compared column of a CSV file with the Gold "
        "Standard column: accuracy, precision, CCC, TDI, CP and RBS with one-sided "
        "confidence limits, and the number of complete pairs.\n"
        "Exit codes: 0 done, 2 usage or input error, 3 statistics error, 4 output not "
        "written."));
    parser->addOptions({
        {QStringLiteral("delimiter"), BatchReport::tr("The field delimiter of the file."),
         QStringLiteral("comma|semicolon|space|tab"), QStringLiteral("comma")},
        {QStringLiteral("gold"), BatchReport::tr("The Gold Standard column (required)."),
         QStringLiteral("NAME")},
        {QStringLiteral("other"),
         BatchReport::tr("The compared columns, separated by commas (default: every column "
                         "but the Gold Standard, in file order)."),
         QStringLiteral("NAME[,NAME...]")},
        {QStringLiteral("tdi-allowance"),
         BatchReport::tr("The bound for which CP is computed (a percentage with "
                         "--proportional)."),
         QStringLiteral("X"), QStringLiteral("10")},
        {QStringLiteral("cp-allowance"),
         BatchReport::tr("The proportion for which TDI is computed."), QStringLiteral("P"),
         QStringLiteral("0.9")},
        {QStringLiteral("alpha"),
         BatchReport::tr("The significance level of the one-sided limits."), QStringLiteral("A"),
         QStringLiteral("0.05")},
        {QStringLiteral("proportional"), BatchReport::tr("Compare on the logarithmic scale.")},
        {QStringLiteral("random"),
         BatchReport::tr("Random-mode confidence limits (fixed-mode without it).")},
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

} // namespace batch
