#include "unifiedagreement.h"

#include "csvtable.h"
#include "fuzzy.h"

#include <QtTest>

#include <functional>
#include <random>

using namespace stats;

namespace {

using Fields = QMap<QString, double>;
using Relation = std::function<double(const QString &key, double before)>;

struct Study
{
    QStringList subjects;
    QVector<double> gold, other;
    QString goldName = QStringLiteral("G"), otherName = QStringLiteral("O");
};
using Transform = std::function<Study(Study)>;

// The subject column and two method columns of a file in examples/.
Study example(const QString &file, const QString &gold, const QString &other)
{
    QByteArray bytes;
    QString error;
    if (!csv::readFile(QStringLiteral(CONCORDA_SOURCE_DIR "/examples/") + file, &bytes, &error))
        qFatal("%s", qPrintable(error));
    const CsvTable table = csv::parseTable(csv::decodeText(bytes), QLatin1Char(','));
    Study study{{}, {}, {}, gold, other};
    for (const QStringList &row : table.rows)
        if (row.size() == table.names.size()) {
            study.subjects << row.at(0);
            study.gold << row.at(table.names.indexOf(gold)).toDouble();
            study.other << row.at(table.names.indexOf(other)).toDouble();
        }
    return study;
}

Study hemoglobin()
{
    return example(QStringLiteral("hemoglobin_dclhb_replicates.csv"), "Sigma", "HemoCue");
}

// n subjects with m readings each, gold and other given by reading(subject, replicate).
Study generated(int n, int m, const std::function<QPair<double, double>(int, int)> &reading)
{
    Study study;
    for (int i = 0; i < n; ++i)
        for (int l = 0; l < m; ++l) {
            const QPair<double, double> pair = reading(i, l);
            study.subjects << QString::number(i);
            study.gold << pair.first;
            study.other << pair.second;
        }
    return study;
}

UnifiedAgreementOptions options(double intra, double between, bool proportional = false)
{
    UnifiedAgreementOptions options;
    options.tdiAllowanceIntra = intra;
    options.tdiAllowanceInter = options.tdiAllowanceTotal = between;
    options.proportional = proportional;
    return options;
}

// Every figure under its batch output name (a method's after its name), with the counts of
// subjects left out, the components (a, g, e, b) and their covariance.
Fields figures(const Study &s, const UnifiedAgreementOptions &options, QString *problem = nullptr)
{
    QString refusal;
    const UnifiedAgreementFigures f = unifiedAgreement(s.subjects, s.gold, s.other, s.goldName,
                                                       s.otherName, options, &refusal);
    if (problem)
        *problem = refusal;
    Fields fields;
    const auto put = [&](const QString &prefix,
                         std::initializer_list<std::pair<const char *, double>> values) {
        for (const auto &value : values)
            fields[prefix + QLatin1String(value.first)] = value.second;
    };
    put(QString(), {{"n", f.n}, {"m", f.m}, {"left_out", f.leftOut},
                    {"fewer", f.leftOutBecause.fewerReadings},
                    {"more", f.leftOutBecause.moreReadings},
                    {"non_positive", f.leftOutBecause.nonPositiveReading},
                    {"no_subject", f.rowsWithoutSubject}, {"a", f.components.subject},
                    {"g", f.components.interaction}, {"e", f.components.error},
                    {"b", f.components.bias}});
    const QString order = QStringLiteral("ageb");
    for (int j = 0; j < 4; ++j)
        for (int k = j; k < 4; ++k)
            fields[QStringLiteral("cov_") + order[j] + order[k]] = f.componentCovariance[j][k];
    const auto level = [&](const QString &name, const AgreementLevel &l,
                           const BiasedAgreementLevel &b) {
        put(name, {{"ccc", l.ccc}, {"ccc_lower", l.cccLower}, {"precision", l.precision},
                   {"precision_lower", l.precisionLower}, {"msd", l.msd}, {"tdi", l.tdi},
                   {"tdi_upper", l.tdiUpper}, {"cp", l.cp}, {"cp_lower", l.cpLower},
                   {"accuracy", b.accuracy}, {"accuracy_lower", b.accuracyLower}, {"rbs", b.rbs},
                   {"rbs_above_bound", b.rbsAboveBound}});
    };
    level(QStringLiteral("intra_"), f.intra, BiasedAgreementLevel());
    level(QStringLiteral("inter_"), f.inter, f.inter);
    level(QStringLiteral("total_"), f.total, f.total);
    for (const MethodIntraAgreement &m : f.methods)
        put(m.name + QLatin1Char('_'),
            {{"mean", &m == &f.methods.first() ? f.meanGold : f.meanOther},
             {"within_variance", m.withinVariance}, {"between_variance", m.betweenVariance},
             {"ccc", m.ccc}, {"ccc_lower", m.cccLower}, {"tdi", m.tdi}, {"tdi_upper", m.tdiUpper},
             {"cp", m.cp}, {"cp_lower", m.cpLower}});
    return fields;
}

double sixDigits(double value)
{
    return QString::number(value, 'g', 6).toDouble();
}

} // namespace

Q_DECLARE_METATYPE(Study)
Q_DECLARE_METATYPE(Transform)
Q_DECLARE_METATYPE(Relation)
Q_DECLARE_METATYPE(Fields)
Q_DECLARE_METATYPE(UnifiedAgreementOptions)

class tst_UnifiedAgreement : public QObject
{
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void transformedStudies_data();
    void transformedStudies();
    void copyPlusNoise_data();
    void copyPlusNoise();
    void degenerateCases_data();
    void degenerateCases();
};

// Lin, Hedayat & Wu's hemoglobin (DCLHb) example with the per-method intra figures and the CP
// limits by the delta method, and the blood-pressure check, to their 6 significant digits.
void tst_UnifiedAgreement::workedExamples_data()
{
    QTest::addColumn<bool>("bloodPressure");
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("expected");
    const double nan = qQNaN();
    const QVector<QPair<const char *, QVector<double>>> levels{ // intra, inter, total
        {"ccc", {0.998605, 0.986604, 0.985915}}, {"ccc_lower", {0.998296, 0.982461, 0.981782}},
        {"precision", {0.998605, 0.986642, 0.985954}},
        {"precision_lower", {0.998296, 0.982480, 0.981802}},
        {"accuracy", {nan, 0.999961, 0.999961}}, {"accuracy_lower", {nan, 0.998681, 0.998682}},
        {"msd", {624.056, 5987.16, 6299.19}}, {"tdi", {41.0903, 127.273, 130.548}},
        {"tdi_upper", {46.2181, 145.925, 148.882}}, {"cp", {0.997320, 0.947446, 0.941235}},
        {"cp_lower", {0.991476, 0.904050, 0.897802}}, {"rbs", {nan, 0.00292206, 0.00277692}}};
    const QVector<QPair<const char *, QVector<double>>> methods{ // Sigma, HemoCue
        {"mean", {493.976, 489.799}}, {"between_variance", {222147, 224450}},
        {"within_variance", {462.852, 161.204}}, {"ccc", {0.997921, 0.999282}},
        {"ccc_lower", {0.997357, 0.998897}}, {"tdi", {50.0453, 29.5345}},
        {"tdi_upper", {57.4587, 36.7539}}, {"cp", {0.986300, 0.999970}},
        {"cp_lower", {0.964874, 0.998366}}};
    const QVector<QPair<const char *, double>> single{
        {"n", 299}, {"m", 2}, {"left_out", 0}, {"a", 220470}, {"g", 2828.84}, {"e", 312.028},
        {"b", 8.72195}, {"cov_aa", 3.63404e8}, {"cov_ag", 2.24820e6}, {"cov_ae", 4.48838e5},
        {"cov_ab", 2453.28}, {"cov_gg", 245305}, {"cov_ge", 3901.23}, {"cov_gb", -1183.60},
        {"cov_ee", 1990.73}, {"cov_eb", 99.1981}, {"cov_bb", 348.278}};
    const char *levelNames[] = {"intra_", "inter_", "total_"};
    const char *methodNames[] = {"Sigma_", "HemoCue_"};
    for (const auto &index : levels)
        for (int k = 0; k < 3; ++k)
            QTest::addRow("hemoglobin %s%s", levelNames[k], index.first)
                << false << QString(levelNames[k]) + index.first << index.second[k];
    for (const auto &index : methods)
        for (int k = 0; k < 2; ++k)
            QTest::addRow("hemoglobin %s%s", methodNames[k], index.first)
                << false << QString(methodNames[k]) + index.first << index.second[k];
    for (const auto &figure : single)
        QTest::addRow("hemoglobin %s", figure.first) << false << figure.first << figure.second;
    const QVector<QPair<const char *, double>> bloodPressure{
        {"n", 85}, {"m", 3}, {"intra_ccc", 0.940199}, {"inter_ccc", 0.725505},
        {"total_ccc", 0.699703}, {"intra_tdi", 18.0596}, {"inter_tdi", 40.2316},
        {"total_tdi", 42.8488}, {"inter_rbs", 0.688652}, {"total_rbs", 0.561319}};
    for (const auto &figure : bloodPressure)
        QTest::addRow("blood pressure %s", figure.first) << true << figure.first << figure.second;
}

void tst_UnifiedAgreement::workedExamples()
{
    QFETCH(bool, bloodPressure);
    QFETCH(QString, field);
    QFETCH(double, expected);
    const Fields fields =
        bloodPressure ? figures(example(QStringLiteral("blood_pressure_replicates.csv"), "S", "J"),
                                options(10, 20))
                      : figures(hemoglobin(), options(75, 150));
    QVERIFY2(fields.contains(field), qPrintable(field));
    CONCORDA_FUZZY_COMPARE(sixDigits(fields.value(field)), expected, 1e-12);
}

// The hemoglobin study changed in a way whose effect on every figure is known.
void tst_UnifiedAgreement::transformedStudies_data()
{
    QTest::addColumn<Transform>("transform");
    QTest::addColumn<UnifiedAgreementOptions>("before");
    QTest::addColumn<UnifiedAgreementOptions>("after");
    QTest::addColumn<Relation>("expected");
    const Relation same = [](const QString &, double value) { return value; };
    const UnifiedAgreementOptions plain = options(75, 150);
    QTest::newRow("gold and other swapped") << Transform([](Study s) {
        std::swap(s.gold, s.other);
        std::swap(s.goldName, s.otherName);
        return s;
    }) << plain << plain << same;
    QTest::newRow("rows reversed within each subject") << Transform([](Study s) {
        for (int r = 0; r + 1 < s.gold.size(); r += 2) {
            std::swap(s.gold[r], s.gold[r + 1]);
            std::swap(s.other[r], s.other[r + 1]);
        }
        return s;
    }) << plain << plain << same;
    // TDI times c, MSD and variances times c^2, their covariance c^4; the ratios and CP (the
    // allowances times c too) unchanged. At 1e150 and 1e-150 the readings' fourth powers
    // overflow or vanish.
    for (const double c : {7.5, 1e150, 1e-150}) {
        QTest::addRow("readings times %g", c) << Transform([c](Study s) {
            for (QVector<double> *column : {&s.gold, &s.other})
                for (double &reading : *column)
                    reading *= c;
            return s;
        }) << plain << options(75 * c, 150 * c) << Relation([c](const QString &key, double value) {
            const int power = key.contains(QRegularExpression("tdi|mean")) ? 1
                              : key.contains(QRegularExpression("msd|variance|^[ageb]$")) ? 2
                              : key.startsWith("cov") ? 4 : 0;
            return std::pow(c, power) * value;
        });
    }
    // Proportional is the computation on ln(reading) with the bound ln(1 + kappa0 / 100), its
    // TDI the percentage 100 (e^TDI - 1).
    QTest::newRow("logarithms of the readings") << Transform([](Study s) {
        for (QVector<double> *column : {&s.gold, &s.other})
            for (double &reading : *column)
                reading = std::log(reading);
        return s;
    }) << options(5, 10, true) << options(std::log1p(0.05), std::log1p(0.1))
       << Relation([](const QString &key, double value) {
              return key.contains("tdi") ? std::log1p(value / 100) : value;
          });
}

void tst_UnifiedAgreement::transformedStudies()
{
    QFETCH(Transform, transform);
    QFETCH(UnifiedAgreementOptions, before);
    QFETCH(UnifiedAgreementOptions, after);
    QFETCH(Relation, expected);
    const Fields original = figures(hemoglobin(), before);
    const Fields changed = figures(transform(hemoglobin()), after);
    QCOMPARE(changed.keys(), original.keys());
    for (const QString &key : original.keys())
        CONCORDA_FUZZY_COMPARE(changed.value(key), expected(key, original.value(key)), 1e-9);
}

// The other method reads what gold reads plus independent noise of SD s: its within-subject
// variance exceeds gold's by s^2, the intra MSD 2 W_gold by s^2, and the inter MSD is
// s^2 / m. Without noise the methods are one: inter TDI 0 and CP 1, without limits.
void tst_UnifiedAgreement::copyPlusNoise_data()
{
    QTest::addColumn<double>("noise");
    QTest::newRow("no noise") << 0.0;
    QTest::newRow("SD 0.5") << 0.5;
    QTest::newRow("SD 2") << 2.0;
}

void tst_UnifiedAgreement::copyPlusNoise()
{
    QFETCH(double, noise);
    std::mt19937_64 random(21);
    std::normal_distribution<double> truth(50, 10), unit(0, 1);
    double subject = 0;
    const Fields f = figures(generated(4000, 2, [&](int, int l) {
        subject = l == 0 ? truth(random) : subject;
        const double gold = subject + unit(random);
        return qMakePair(gold, gold + noise * unit(random));
    }), UnifiedAgreementOptions());
    const double s2 = noise * noise, goldWithin = f["G_within_variance"];
    QVERIFY(std::abs(f["O_within_variance"] - goldWithin - s2) <= 0.2 * s2);
    QVERIFY(std::abs(f["intra_msd"] - 2 * goldWithin - s2) <= 0.2 * s2);
    QVERIFY(std::abs(f["inter_msd"] - s2 / 2) <= 0.1 * s2);
    QCOMPARE(f["inter_cp"] == 1 && f["inter_tdi"] == 0 && std::isnan(f["inter_tdi_upper"]),
             noise == 0);
}

void tst_UnifiedAgreement::degenerateCases_data()
{
    QTest::addColumn<Study>("study");
    QTest::addColumn<UnifiedAgreementOptions>("options");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<Fields>("expected");
    const double nan = qQNaN();
    const UnifiedAgreementOptions plain;
    UnifiedAgreementOptions alphaZero;
    alphaZero.alpha = 0;
    const auto spread = [](int i, int l) { return 10.0 + 3 * i + (l ? -0.5 : 0.5) * (i % 3); };
    const auto shifted = [&](int i, int l) { return qMakePair(spread(i, l), spread(i, l) + 1); };
    QTest::newRow("single readings") << generated(5, 1, shifted) << plain
                                     << "single reading of O and of G" << Fields{{"m", 1}};
    QTest::newRow("one subject") << generated(1, 2, shifted) << plain
                                 << "Only one subject has 2 readings of both O and G" << Fields{};
    QTest::newRow("alpha 0") << generated(3, 2, shifted) << alphaZero
                             << "Alpha must lie between 0 and 1" << Fields{{"n", 0}};
    Study unequal = generated(3, 2, shifted);
    unequal.other[0] = unequal.other[2] = unequal.other[4] = nan;
    QTest::newRow("no subject balanced") << unequal << plain << "No subject has readings of both O and G"
                                         << Fields{{"m", 0}, {"fewer", 3}};
    Study tie = generated(4, 3, shifted);
    tie.gold[2] = tie.other[2] = tie.gold[5] = tie.other[5] = nan;
    QTest::newRow("as many subjects with 2 as with 3 readings")
        << tie << plain << "" << Fields{{"m", 3}, {"n", 2}, {"fewer", 2}};
    QTest::newRow("no within-subject spread") << generated(5, 2, [](int i, int) {
        return qMakePair(10.0 + 3 * i, 15.0 + 2.5 * i + i % 2);
    }) << plain << "" << Fields{{"intra_ccc", 1}, {"intra_ccc_lower", nan}, {"intra_tdi", 0},
                                {"intra_cp", 1}, {"intra_cp_lower", nan}, {"inter_ccc", 0.598802},
                                {"inter_rbs", 26.1622}, {"inter_rbs_above_bound", 1}};
    QTest::newRow("other reads what gold reads") << generated(5, 2, [&](int i, int l) {
        return qMakePair(spread(i, l), spread(i, l));
    }) << plain << "" << Fields{{"inter_tdi", 0}, {"inter_tdi_upper", nan}, {"inter_cp", 1},
                                {"inter_cp_lower", nan}, {"intra_ccc", 0.967213}};
    QTest::newRow("all readings equal") << generated(5, 2, [](int, int) {
        return qMakePair(5.0, 5.0);
    }) << plain << "" << Fields{{"intra_ccc", nan}, {"inter_precision", nan}, {"total_rbs", nan},
                                {"total_tdi", 0}, {"total_cp", 1}, {"O_ccc", nan}};
    Study unusable = generated(6, 2, shifted);
    unusable.gold[0] = 0;
    unusable.subjects.insert(4, QStringLiteral("2"));
    unusable.gold.insert(4, nan);
    unusable.other.insert(4, 14.0);
    unusable.other[7] = nan;
    unusable.subjects << QString();
    unusable.gold << 3.0;
    QTest::newRow("unusable subjects, proportional") << unusable << options(10, 10, true) << ""
        << Fields{{"n", 3}, {"non_positive", 1}, {"more", 1}, {"fewer", 1}, {"no_subject", 1}};
}

void tst_UnifiedAgreement::degenerateCases()
{
    QFETCH(Study, study);
    QFETCH(UnifiedAgreementOptions, options);
    QFETCH(QString, problem);
    QFETCH(Fields, expected);
    QString refusal;
    const Fields fields = figures(study, options, &refusal);
    QVERIFY2(problem.isEmpty() ? refusal.isEmpty() : refusal.contains(problem),
             qPrintable(refusal));
    for (const QString &key : expected.keys())
        CONCORDA_FUZZY_COMPARE(sixDigits(fields.value(key)), expected.value(key), 1e-12);
}

QTEST_GUILESS_MAIN(tst_UnifiedAgreement)
#include "tst_unifiedagreement.moc"
