// What every analysis of the registry promises, checked over the registry itself so that
// a new analysis is held to it without a test of its own: the program and the batch tool
// write the same document; the CSV and JSON outputs parse and carry every named field; a
// variable's name is escaped in the document; a problem names the variable; every option
// is refused outside its declared range, by the dialog and by the command line.
#include "analysisrequest.h"
#include "batchrun.h"
#include "desktopcolumns.h"
#include "diagnostics.h"
#include "drive.h"
#include "optionsform.h"
#include "plotdrawing.h"
#include "plotexport.h"
#include "testdata.h"

#include <QClipboard>
#include <QDoubleSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString glucoseFile = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/glucose_meters.csv");
const QString bloodPressureFile =
    QStringLiteral(CONCORDA_SOURCE_DIR "/examples/blood_pressure_replicates.csv");

// The plots as the batch tool's program draws them.
QByteArray renderPlot(const stats::PlotModel &model, stats::PlotFormat format)
{
    QCustomPlot plot;
    plots::drawPlot(&plot, model);
    return plots::plotBytes(&plot, format, model.fileTitle);
}

// The data each analysis is checked on: the blood-pressure readings in triplicate with their
// subject column where the analysis takes one, the glucose meters otherwise.
struct Study
{
    QString file;
    QString gold;
    QStringList others;
    QString subject;
};

Study studyFor(const stats::Analysis &analysis)
{
    if (analysis.subjectColumn() == stats::SubjectColumn::None)
        return {glucoseFile, "LabGlucose", {"MeterA", "MeterB"}, QString()};
    return {bloodPressureFile, "S", {"J", "R"}, "Subject"};
}

batch::ReportRequest request(const stats::Analysis &analysis, const QString &file,
                             const QString &gold, const QStringList &others, batch::Format format,
                             const QString &subject = QString())
{
    batch::ReportRequest request;
    request.analysis = &analysis;
    request.fileName = file;
    request.gold = gold;
    request.others = others;
    request.options = stats::defaultOptionValues(analysis.options());
    request.format = format;
    request.subject = subject;
    request.options.setSubjectColumn(!subject.isEmpty());
    return request;
}

batch::ReportRequest request(const stats::Analysis &analysis, batch::Format format)
{
    const Study study = studyFor(analysis);
    return request(analysis, study.file, study.gold, study.others, format, study.subject);
}

// The desktop program's document of the file: its import, its dialog answered with the
// columns and the default options, its run.
QString desktopDocument(const stats::Analysis &analysis, const QString &file, const QString &gold,
                        const QStringList &others, const QString &subject)
{
    const std::unique_ptr<DataViewWidget> view = importedView(file, QLatin1Char(','));
    const DataViewWidget *data = view.get();
    ModalScript script({analysis.id() == QLatin1String(stats::agreementId)
                            ? answerAgreementDialog({gold}, others)
                            : answerAnalysisDialog(gold, others, {}, subject)});
    const analysis::Report report = analysis::requestAnalysis(
        nullptr, analysis, data->getVarNames(),
        [data](const QString &name) { return data->getVarValues(name); },
        [data](const QString &name) { return data->getVarTexts(name); });
    if (!script.finished())
        QTest::qFail(qPrintable(script.report()), __FILE__, __LINE__);
    return report.html;
}

// The flattened names of a record's fields, as the CSV header names them.
void flatNames(const QString &prefix, const stats::Record &record, QStringList *names)
{
    for (const stats::Field &field : record) {
        const QString name = prefix.isEmpty() ? field.name : prefix + QLatin1Char('_') + field.name;
        if (field.value.kind() == stats::FieldValue::Kind::Nested)
            flatNames(name, field.value.record(), names);
        else if (field.value.kind() != stats::FieldValue::Kind::List)
            names->append(name);
    }
}

// A number just outside the range at each finite end.
QVector<double> outsideRange(const stats::NumberRange &range)
{
    QVector<double> values;
    if (std::isfinite(range.minimum))
        values.append(range.openMinimum ? range.minimum : range.minimum - std::max(1.0, std::fabs(range.minimum)));
    if (std::isfinite(range.maximum))
        values.append(range.openMaximum ? range.maximum : range.maximum + std::max(1.0, std::fabs(range.maximum)));
    values.append(std::numeric_limits<double>::quiet_NaN());
    return values;
}

} // namespace

class tst_AnalysisContract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { quietDiagnostics(); }
    void desktopEqualsBatch_data() { everyAnalysis(); }
    void desktopEqualsBatch();
    void outputsCarryEveryField_data() { everyAnalysis(); }
    void outputsCarryEveryField();
    void namesAreEscaped_data() { everyAnalysis(); }
    void namesAreEscaped();
    void problemNamesTheVariable_data() { everyAnalysis(); }
    void problemNamesTheVariable();
    void optionsRefusedOutsideTheirRange_data() { everyAnalysis(); }
    void optionsRefusedOutsideTheirRange();

private:
    static void everyAnalysis();
};

void tst_AnalysisContract::everyAnalysis()
{
    QTest::addColumn<QString>("id");
    for (const stats::Analysis *analysis : stats::analyses())
        QTest::newRow(qPrintable(analysis->id())) << analysis->id();
}

// With a subject column where the analysis takes one: the blood-pressure readings in
// triplicate.
void tst_AnalysisContract::desktopEqualsBatch()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    const Study study = studyFor(analysis);
    const batch::Outcome batchRun = batch::buildReport(request(analysis, batch::Format::Html), renderPlot);
    QVERIFY2(batchRun.exitCode == batch::ExitSuccess, qPrintable(batchRun.error));
    const QString desktop = desktopDocument(analysis, study.file, study.gold, study.others, study.subject);
    QVERIFY(!desktop.isEmpty());
    QCOMPARE(desktop, QString::fromUtf8(batchRun.document));
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->html(), desktop);
}

void tst_AnalysisContract::outputsCarryEveryField()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    const QStringList others = studyFor(analysis).others;

    // The fields the analysis names, from a run on the same columns.
    stats::AnalysisInput input;
    QString error;
    QVERIFY(batch::readInput(request(analysis, batch::Format::Csv), &input, &error));
    stats::Problem problem;
    const auto result = stats::runAnalysis(analysis, input, stats::OptionNames::CommandLine, &problem);
    QVERIFY2(result, qPrintable(problem.message));
    const stats::FieldOutput fields = result->fields();

    const batch::Outcome csv = batch::buildReport(request(analysis, batch::Format::Csv));
    QStringList lines = QString::fromUtf8(csv.document).split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.size(), others.size() + 1);
    const QStringList header = lines.first().split(QLatin1Char(','));
    QStringList expected;
    flatNames(QString(), fields.results.front(), &expected);
    for (const QString &name : expected)
        QVERIFY2(header.contains(name), qPrintable(name));
    for (const QString &line : lines)
        QCOMPARE(line.count(QLatin1Char(',')), header.size() - 1);

    const batch::Outcome json = batch::buildReport(request(analysis, batch::Format::Json));
    QJsonParseError parseError;
    const QJsonObject document = QJsonDocument::fromJson(json.document, &parseError).object();
    QCOMPARE(parseError.error, QJsonParseError::NoError);
    const QJsonArray results = document.value(QStringLiteral("results")).toArray();
    QCOMPARE(results.size(), others.size());
    for (int i = 0; i < results.size(); ++i) {
        const QJsonObject result = results.at(i).toObject();
        QCOMPARE(result.value(QStringLiteral("name")).toString(), others.at(i));
        for (const stats::Field &field : fields.results.front())
            QVERIFY2(result.contains(field.name), qPrintable(field.name));
    }
    for (const stats::Field &field : fields.options)
        QVERIFY2(document.value(QStringLiteral("options")).toObject().contains(field.name), qPrintable(field.name));

    // Drawing the plots changes no figure.
    QTemporaryDir plotFolder;
    batch::ReportRequest withPlots = request(analysis, batch::Format::Json);
    withPlots.plotDirectory = plotFolder.path();
    const batch::Outcome plotted = batch::buildReport(withPlots, renderPlot);
    QVERIFY2(plotted.exitCode == batch::ExitSuccess, qPrintable(plotted.error));
    QCOMPARE(QString::fromUtf8(plotted.document), QString::fromUtf8(json.document));
}

void tst_AnalysisContract::namesAreEscaped()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("names.csv"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("Id,Ref,<b>A&\"'</b>\n1,10,11.2\n1,12,12.9\n2,30,32.1\n2,31,32.8\n3,50,52.3\n"
              "3,52,53.7\n4,70,73.1\n4,69,71.1\n");
    out.close();
    const QString subject =
        analysis.subjectColumn() == stats::SubjectColumn::Required ? QStringLiteral("Id") : QString();
    const batch::Outcome run = batch::buildReport(
        request(analysis, file, "Ref", {"<b>A&\"'</b>"}, batch::Format::Html, subject), renderPlot);
    QVERIFY2(run.exitCode == batch::ExitSuccess, qPrintable(run.error));
    const QString html = QString::fromUtf8(run.document);
    QVERIFY2(!html.contains(QStringLiteral("<b>A&")), qPrintable(html));
    QVERIFY2(html.contains(QStringLiteral("&lt;b&gt;A&amp;&quot;'&lt;/b&gt;")), qPrintable(html));
}

void tst_AnalysisContract::problemNamesTheVariable()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    stats::AnalysisInput input;
    input.referenceName = QStringLiteral("Ref");
    input.reference = cells({10, 20, 30, 40, 50, 60});
    input.names = input.labels = QStringList{"Good", "Sparse"};
    input.compared = {cells({11, 19, 32, 41, 52, 59}), cells({12, missing, missing, missing, missing, 61})};
    input.options = stats::defaultOptionValues(analysis.options());
    if (analysis.subjectColumn() == stats::SubjectColumn::Required) {
        input.subjectName = QStringLiteral("Id");
        input.subject = QStringList{"a", "a", "b", "b", "c", "c"};
    }
    stats::Problem problem;
    const auto result = stats::runAnalysis(analysis, input, stats::OptionNames::Dialog, &problem);
    if (result) {
        // An analysis that reports each pair on its own says there why a pair has no figures.
        const stats::FieldOutput fields = result->fields();
        const stats::Record &sparse = fields.results.at(1);
        const auto field = std::find_if(sparse.cbegin(), sparse.cend(),
                                        [](const stats::Field &f) { return f.name == "problem"; });
        QVERIFY(field != sparse.cend());
        QVERIFY2(field->value.text().contains(QStringLiteral("Sparse")), qPrintable(field->value.text()));
        QVERIFY(result->document({}).contains(field->value.text()));
        return;
    }
    QCOMPARE(problem.variable, QStringLiteral("Sparse"));
    QVERIFY2(problem.message.contains(QStringLiteral("Sparse")), qPrintable(problem.message));
}

void tst_AnalysisContract::optionsRefusedOutsideTheirRange()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    const QVector<stats::OptionDeclaration> declarations = analysis.options();
    const bool generatedForm = id != QLatin1String(stats::agreementId);
    std::unique_ptr<AnalysisDialog> dialog(generatedForm ? new AnalysisDialog(nullptr, analysis) : nullptr);
    for (const stats::OptionDeclaration &declaration : declarations) {
        if (declaration.type != stats::OptionType::Number && declaration.type != stats::OptionType::NumberList)
            continue;
        stats::OptionValues values = stats::defaultOptionValues(declarations);
        // Where the option applies only with some choice, it is checked under that choice.
        if (!declaration.appliesWith.isEmpty())
            values.set(declaration.appliesWith, declaration.appliesToChoices.first());
        for (double outside : outsideRange(declaration.range)) {
            const QString text = QString::number(outside, 'g', 17);
            values.set(declaration.name, declaration.type == stats::OptionType::Number
                                      ? QVariant(outside)
                                      : QVariant::fromValue(QVector<double>{outside}));
            QVERIFY2(stats::optionsProblem(analysis, values, stats::OptionNames::Dialog).contains(declaration.label),
                     qPrintable(declaration.name + QLatin1Char(' ') + text));

            QStringList arguments{"concorda-report", "--analysis", id, "--gold", "Ref", "--" + declaration.name, text};
            if (analysis.subjectColumn() == stats::SubjectColumn::Required)
                arguments << "--subject" << "Id";
            if (!declaration.appliesWith.isEmpty()) {
                const stats::OptionDeclaration *choice = stats::findOption(declarations, declaration.appliesWith);
                arguments << "--" + choice->name << choice->choices.at(declaration.appliesToChoices.first()).name;
            }
            const batch::CommandLine line = batch::parseCommandLine(arguments << "data.csv");
            QCOMPARE(line.action, batch::CommandLine::Fail);
            QVERIFY2(line.text.contains("--" + declaration.name), qPrintable(line.text));

            // The generated form's number field holds no value outside the range.
            if (dialog && declaration.shorthandFor.isEmpty() && declaration.type == stats::OptionType::Number
                && !std::isnan(outside)) {
                auto *field = qobject_cast<QDoubleSpinBox *>(dialog->optionsForm()->field(declaration.name));
                field->setValue(outside);
                QVERIFY2(stats::optionValueProblem(declaration, field->value(), stats::OptionNames::Dialog).isEmpty(),
                         qPrintable(declaration.name));
            }
        }
    }
}

QTEST_MAIN(tst_AnalysisContract)
#include "tst_analysiscontract.moc"
