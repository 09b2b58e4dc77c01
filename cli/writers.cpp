#include "writers.h"

#include "batchtext.h"

#include <QDir>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPair>
#include <QSaveFile>

#include <cmath>

namespace batch {

namespace {

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    // The shortest text that reads back as the same double.
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return quoted(escaped);
}

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// Estimates and their limits in the order of the report's columns; the names are the
// CSV header and the JSON keys.
QVector<QPair<QString, double>> namedFigures(const stats::AgreementFigures &f)
{
    return {{QStringLiteral("accuracy"), f.accuracy},
            {QStringLiteral("accuracy_lower"), f.accuracyLimit},
            {QStringLiteral("precision"), f.precision},
            {QStringLiteral("precision_lower"), f.precisionLimit},
            {QStringLiteral("ccc"), f.ccc},
            {QStringLiteral("ccc_lower"), f.cccLimit},
            {QStringLiteral("tdi"), f.tdi},
            {QStringLiteral("tdi_upper"), f.tdiLimit},
            {QStringLiteral("cp"), f.cp},
            {QStringLiteral("cp_lower"), f.cpLimit},
            {QStringLiteral("rbs"), f.rbs}};
}

QVector<QPair<QString, double>> namedFigures(const stats::BlandAltmanFigures &f)
{
    return {{QStringLiteral("bias"), f.bias},
            {QStringLiteral("bias_lower"), f.biasLower},
            {QStringLiteral("bias_upper"), f.biasUpper},
            {QStringLiteral("sd"), f.sd},
            {QStringLiteral("loa_lower"), f.loaLower},
            {QStringLiteral("loa_lower_ci_lower"), f.loaLowerCiLower},
            {QStringLiteral("loa_lower_ci_upper"), f.loaLowerCiUpper},
            {QStringLiteral("loa_upper"), f.loaUpper},
            {QStringLiteral("loa_upper_ci_lower"), f.loaUpperCiLower},
            {QStringLiteral("loa_upper_ci_upper"), f.loaUpperCiUpper},
            {QStringLiteral("slope"), f.slope},
            {QStringLiteral("slope_lower"), f.slopeLower},
            {QStringLiteral("slope_upper"), f.slopeUpper},
            {QStringLiteral("slope_p"), f.slopeP}};
}

template <typename Figures>
QByteArray resultsCsv(const QStringList &names, const QVector<Figures> &figures)
{
    QStringList header = {QStringLiteral("name"), QStringLiteral("n")};
    for (const auto &figure : namedFigures(Figures()))
        header.append(figure.first);
    QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (int i = 0; i < figures.size(); ++i) {
        QStringList fields = {csvField(names.value(i)), QString::number(figures.at(i).n)};
        for (const auto &figure : namedFigures(figures.at(i)))
            fields.append(numberText(figure.second));
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

template <typename Figures>
QJsonArray resultsJson(const QStringList &names, const QVector<Figures> &figures)
{
    QJsonArray results;
    for (int i = 0; i < figures.size(); ++i) {
        QJsonObject result{{QStringLiteral("name"), names.value(i)},
                           {QStringLiteral("n"), figures.at(i).n}};
        for (const auto &figure : namedFigures(figures.at(i)))
            result.insert(figure.first, jsonNumber(figure.second));
        results.append(result);
    }
    return results;
}

QString differencesName(stats::DifferenceScale scale)
{
    switch (scale) {
    case stats::DifferenceScale::Percentage:
        return QStringLiteral("percentage");
    case stats::DifferenceScale::Ratio:
        return QStringLiteral("ratio");
    case stats::DifferenceScale::Absolute:
        break;
    }
    return QStringLiteral("absolute");
}

QString methodName(stats::RegressionMethod method)
{
    switch (method) {
    case stats::RegressionMethod::Deming:
        return QStringLiteral("deming");
    case stats::RegressionMethod::WeightedDeming:
        return QStringLiteral("weighted-deming");
    case stats::RegressionMethod::PassingBablok:
        break;
    }
    return QStringLiteral("passing-bablok");
}

// A regression figure that the method does not have (the cusum test of a Deming fit, the
// interval of a Passing-Bablok bias) is no number at all.
struct RegressionField
{
    QString name;
    double value;
    bool applies;
};

QVector<RegressionField> regressionFields(const stats::RegressionFigures &f)
{
    const bool passingBablok = f.method == stats::RegressionMethod::PassingBablok;
    QVector<RegressionField> fields = {{QStringLiteral("slope"), f.slope, true},
                                       {QStringLiteral("slope_lower"), f.slopeLower, true},
                                       {QStringLiteral("slope_upper"), f.slopeUpper, true},
                                       {QStringLiteral("intercept"), f.intercept, true},
                                       {QStringLiteral("intercept_lower"), f.interceptLower, true},
                                       {QStringLiteral("intercept_upper"), f.interceptUpper, true},
                                       {QStringLiteral("cusum_h"), f.cusumH, passingBablok},
                                       {QStringLiteral("cusum_critical"), f.cusumCritical, passingBablok}};
    return fields;
}

QString levelText(double level)
{
    return QString::number(level, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QByteArray figuresCsv(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                      const stats::AgreementOptions &options)
{
    const QStringList optionFields = {numberText(options.tdiAllowance),
                                      numberText(options.cpAllowance),
                                      numberText(options.alpha), booleanText(options.proportional),
                                      booleanText(options.random)};
    QStringList header = {QStringLiteral("name"), QStringLiteral("n")};
    for (const auto &figure : namedFigures(stats::AgreementFigures()))
        header.append(figure.first);
    header << QStringLiteral("tdi_allowance") << QStringLiteral("cp_allowance")
           << QStringLiteral("alpha") << QStringLiteral("proportional") << QStringLiteral("random");

    QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (int i = 0; i < figures.size(); ++i) {
        QStringList fields = {csvField(names.value(i)), QString::number(figures.at(i).n)};
        for (const auto &figure : namedFigures(figures.at(i)))
            fields.append(numberText(figure.second));
        fields.append(optionFields);
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray figuresJson(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                       const stats::AgreementOptions &options)
{
    const QJsonObject optionObject{{QStringLiteral("tdi_allowance"), options.tdiAllowance},
                                   {QStringLiteral("cp_allowance"), options.cpAllowance},
                                   {QStringLiteral("alpha"), options.alpha},
                                   {QStringLiteral("proportional"), options.proportional},
                                   {QStringLiteral("random"), options.random}};
    const QJsonObject document{{QStringLiteral("options"), optionObject},
                               {QStringLiteral("results"), resultsJson(names, figures)}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QByteArray blandAltmanCsv(const QStringList &names, const QVector<stats::BlandAltmanFigures> &figures)
{
    return resultsCsv(names, figures);
}

QByteArray blandAltmanJson(const QString &reference, const QStringList &names,
                           const QVector<stats::BlandAltmanFigures> &figures,
                           const stats::BlandAltmanOptions &options)
{
    const QJsonObject optionObject{
        {QStringLiteral("reference"), reference},
        {QStringLiteral("differences"), differencesName(options.differences)},
        {QStringLiteral("x_axis"), options.axis == stats::DifferenceAxis::PairMean
                                       ? QStringLiteral("mean")
                                       : QStringLiteral("reference")},
        {QStringLiteral("loa_coverage"), options.coverage},
        {QStringLiteral("alpha"), options.alpha},
        {QStringLiteral("loa_ci"), options.limitInterval == stats::LimitInterval::Exact
                                       ? QStringLiteral("exact")
                                       : QStringLiteral("approximate")}};
    const QJsonObject document{{QStringLiteral("analysis"), QStringLiteral("bland-altman")},
                               {QStringLiteral("options"), optionObject},
                               {QStringLiteral("results"), resultsJson(names, figures)}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QByteArray regressionCsv(const QStringList &names, const QVector<stats::RegressionFigures> &figures,
                         const stats::RegressionOptions &options)
{
    QStringList header = {QStringLiteral("name"), QStringLiteral("n"), QStringLiteral("method")};
    for (const RegressionField &field : regressionFields(stats::RegressionFigures()))
        header.append(field.name);
    header << QStringLiteral("linear") << QStringLiteral("converged");
    for (double level : options.decisionLevels) {
        const QString column = QStringLiteral("bias_at_") + levelText(level);
        header << column << column + QStringLiteral("_lower") << column + QStringLiteral("_upper");
    }
    QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (int i = 0; i < figures.size(); ++i) {
        const stats::RegressionFigures &f = figures.at(i);
        const bool passingBablok = f.method == stats::RegressionMethod::PassingBablok;
        QStringList fields = {csvField(names.value(i)), QString::number(f.n), methodName(f.method)};
        for (const RegressionField &field : regressionFields(f))
            fields.append(field.applies ? numberText(field.value) : QString());
        fields.append(passingBablok ? booleanText(f.linear) : QString());
        fields.append(f.method == stats::RegressionMethod::WeightedDeming ? booleanText(f.converged)
                                                                          : QString());
        for (const stats::DecisionLevelBias &bias : f.biasAt) {
            fields << numberText(bias.bias) << (passingBablok ? QString() : numberText(bias.lower))
                   << (passingBablok ? QString() : numberText(bias.upper));
        }
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray regressionJson(const QString &reference, const QStringList &names,
                          const QVector<stats::RegressionFigures> &figures,
                          const stats::RegressionOptions &options)
{
    QJsonArray levels;
    for (double level : options.decisionLevels)
        levels.append(level);
    const bool deming = options.method != stats::RegressionMethod::PassingBablok;
    const QJsonObject optionObject{
        {QStringLiteral("reference"), reference},
        {QStringLiteral("method"), methodName(options.method)},
        {QStringLiteral("error_ratio"), deming ? QJsonValue(options.errorRatio) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("alpha"), options.alpha},
        {QStringLiteral("decision_levels"), levels}};
    QJsonArray results;
    for (int i = 0; i < figures.size(); ++i) {
        const stats::RegressionFigures &f = figures.at(i);
        const bool passingBablok = f.method == stats::RegressionMethod::PassingBablok;
        QJsonObject result{{QStringLiteral("name"), names.value(i)},
                           {QStringLiteral("n"), f.n},
                           {QStringLiteral("method"), methodName(f.method)}};
        for (const RegressionField &field : regressionFields(f))
            result.insert(field.name, field.applies ? jsonNumber(field.value) : QJsonValue(QJsonValue::Null));
        result.insert(QStringLiteral("linear"),
                      passingBablok ? QJsonValue(f.linear) : QJsonValue(QJsonValue::Null));
        result.insert(QStringLiteral("converged"),
                      f.method == stats::RegressionMethod::WeightedDeming ? QJsonValue(f.converged)
                                                                          : QJsonValue(QJsonValue::Null));
        QJsonArray biasAt;
        for (const stats::DecisionLevelBias &bias : f.biasAt)
            biasAt.append(QJsonObject{{QStringLiteral("level"), bias.level},
                                      {QStringLiteral("bias"), jsonNumber(bias.bias)},
                                      {QStringLiteral("lower"), jsonNumber(bias.lower)},
                                      {QStringLiteral("upper"), jsonNumber(bias.upper)}});
        result.insert(QStringLiteral("bias_at"), biasAt);
        results.append(result);
    }
    const QJsonObject document{{QStringLiteral("analysis"), QStringLiteral("regression")},
                               {QStringLiteral("options"), optionObject},
                               {QStringLiteral("results"), results}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

bool writeAll(QIODevice *device, const QByteArray &bytes)
{
    return device->write(bytes) == bytes.size();
}

bool writeDocument(const QByteArray &document, const QString &outputFile,
                   QIODevice *standardOutput, QString *error)
{
    if (outputFile.isEmpty()) {
        if (writeAll(standardOutput, document))
            return true;
        *error = BatchReport::tr("the report could not be written to standard output: %1")
                     .arg(standardOutput->errorString());
        return false;
    }
    // Written beside the target and renamed over it on commit, so that no half-written
    // report is ever left under that name.
    QSaveFile file(outputFile);
    if (file.open(QIODevice::WriteOnly) && writeAll(&file, document) && file.commit())
        return true;
    *error = BatchReport::tr("the report could not be written to %1: %2")
                 .arg(QDir::toNativeSeparators(outputFile), file.errorString());
    return false;
}

} // namespace batch
