#include "replicates.h"

#include "fuzzy.h"
#include "numberreader.h"
#include "statstesthelpers.h"

#include <QFile>
#include <QtTest>

#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>

using namespace stats;

using ProblemOf = std::function<QString()>;
Q_DECLARE_METATYPE(ProblemOf)

namespace {

// Every column of an example file, as the batch tool reads it (NaN for a missing cell).
QVector<QVector<double>> exampleColumns(const QString &file)
{
    QFile source(QStringLiteral(CONCORDA_SOURCE_DIR "/examples/") + file);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    const csv::NumberReader reader(source.readAll(), QLatin1Char(','));
    QVector<int> all(reader.names().size());
    std::iota(all.begin(), all.end(), 0);
    return reader.columns(all);
}

ReplicateReadings readingsOf(const QVector<double> &subjects, const QVector<double> &x,
                             const QVector<double> &y, ReplicateDesign design)
{
    QStringList cells;
    for (double subject : subjects)
        cells << (std::isnan(subject) ? QString() : QString::number(subject));
    return replicateReadings(groupBySubject(cells), x, y, design);
}

ReplicateAgreementFigures agreement(const ReplicateReadings &readings)
{
    QString problem;
    const ReplicateAgreementFigures f =
        replicateBlandAltman(readings, {}, QStringLiteral("B"), &problem);
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return f;
}

} // namespace

class tst_Replicates : public QObject
{
    Q_OBJECT

private slots:
    void groupingBySubject_data();
    void groupingBySubject();
    void publishedFigures_data();
    void publishedFigures();
    void workedByHand_data();
    void workedByHand();
    void intervalsCoverTheTrueLimits_data();
    void intervalsCoverTheTrueLimits();
    void kendallAgainstDirectCount();
    void problems_data();
    void problems();
};

// Rows grouped by subject: the rows of each subject in turn, and where each subject starts.
void tst_Replicates::groupingBySubject_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<QVector<int>>("offsets");
    QTest::newRow("the texts of one number")
        << QStringList{"1", "01", " 1.0 ", "1e0", "2", "-0", "0"}
        << QVector<int>{0, 1, 2, 3, 4, 5, 6} << QVector<int>{0, 4, 5, 7};
    QTest::newRow("texts trimmed, letter case kept") << QStringList{"A", "a", " A ", "b"}
        << QVector<int>{0, 2, 1, 3} << QVector<int>{0, 2, 3, 4};
    QTest::newRow("no subject in an empty or blank cell")
        << QStringList{"", "  ", "\t", "3"} << QVector<int>{3} << QVector<int>{0, 1};
    QTest::newRow("no subject where no finite number is written")
        << QStringList{"nan", "NaN", "-inf", "1e999", "7"} << QVector<int>{4} << QVector<int>{0, 1};
    QTest::newRow("identifiers longer than a double's digits stay apart")
        << QStringList{"12345678901234567", "12345678901234568", "12345678901234567"}
        << QVector<int>{0, 2, 1} << QVector<int>{0, 2, 3};
    QTest::newRow("a subject's rows apart") << QStringList{"x", "y", "x", "y", "x"}
        << QVector<int>{0, 2, 4, 1, 3} << QVector<int>{0, 3, 5};
}

void tst_Replicates::groupingBySubject()
{
    QFETCH(QStringList, cells);
    QFETCH(QVector<int>, rows);
    QFETCH(QVector<int>, offsets);
    const SubjectGroups g = groupBySubject(cells);
    QCOMPARE(g.rows, rows);
    QCOMPARE(g.offsets, offsets);
    QCOMPARE(g.rowsWithoutSubject, qint64(cells.size() - rows.size()));
    QCOMPARE(g.subjects.first(), cells.at(rows.first()).trimmed());
    for (int s = 0; s < g.subjectCount(); ++s) {
        for (int k = g.offsets.at(s); k < g.offsets.at(s + 1); ++k)
            QCOMPARE(g.subjectOfRow.at(g.rows.at(k)), s);
    }
}

// The published figures of the examples, to their printed digits (empty: not published).
// The hemoglobin within-subject variances are the per-method error variances that Lin's
// unified-agreement analysis gives for the same data. The level check of simplyagree's y
// was worked by hand: its subject means and SDs rank alike, tau 1, exact p = 2 / 4!.
void tst_Replicates::publishedFigures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("compared");
    // bias, sd, limits, the lower and the upper limit's intervals, within variances, the
    // reference's Kendall tau and p
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("blood pressure, S vs J") << "blood_pressure_replicates.csv" << 3 << 1
        << QStringList{"-15.62", "20.95", "-56.68", "25.44", "-63.98", "-50.74", "19.50",
                       "32.74", "83.141", "37.408", "", ""};
    QTest::newRow("simplyagree, y vs x") << "reps_simplyagree.csv" << 2 << 1
        << QStringList{"0.7152", "", "-2.2317", "3.6622", "-9.7686", "-0.4779", "1.9084",
                       "11.1990", "", "", "1", "0.083333"};
    QTest::newRow("hemoglobin, Sigma vs HemoCue")
        << "hemoglobin_dclhb_replicates.csv" << 2 << 1
        << QStringList{"", "", "", "", "", "", "", "", "462.852", "161.204", "", ""};
}

void tst_Replicates::publishedFigures()
{
    QFETCH(QString, file);
    QFETCH(int, reference);
    QFETCH(int, compared);
    QFETCH(QStringList, expected);
    const QVector<QVector<double>> columns = exampleColumns(file);
    QVERIFY2(!columns.isEmpty(), qPrintable(file));
    const ReplicateReadings readings = readingsOf(
        columns.at(0), columns.at(reference), columns.at(compared), ReplicateDesign::Exchangeable);
    const ReplicateAgreementFigures f = agreement(readings);
    QString problem;
    const RepeatabilityFigures r =
        repeatability(readings.reference, {}, QStringLiteral("R"), &problem);
    const double actual[] = {f.bias, f.sd, f.loaLower, f.loaUpper, f.loaLowerCiLower,
                             f.loaLowerCiUpper, f.loaUpperCiLower, f.loaUpperCiUpper,
                             f.withinSdReference * f.withinSdReference,
                             f.withinSdCompared * f.withinSdCompared, r.kendallTau, r.kendallP};
    for (int i = 0; i < expected.size(); ++i)
        CONCORDA_COMPARE_PRINTED(actual[i], expected.at(i));
}

// Worked by hand (t(0.975, 2) = 4.302653; chi-squared(3) quantiles 0.2157953 and 9.348404):
// - exchangeable, unequal counts: x = {10, 12}, {20}, {30, 31, 32}, y = {11}, {22, 24},
//   {33, 35}, subjects in the order 1, 3, 2, a row without subject and a subject without y
//   left out. d = 0, 3, 3: bias 2, s_d^2 = 3; s_wx^2 = 4/3 on 3 df, s_wy^2 = 2 on 2;
//   k_x = 1 - (1/2 + 1 + 1/3)/3 = 7/18, k_y = 1/3: SD^2 = 3 + 14/27 + 2/3 = 113/27; bias
//   half-width 4.302653 sqrt(3/3); lambda = (4/3 * 11/18) / (2 * 2/3) = 11/18;
// - exchangeable, one reading of x per subject, so k_x = 0: y = {11, 13}, {19, 21}, {33, 35},
//   x = 10, 20, 30: d = 2, 0, 4, s_d^2 = 4, s_wy^2 = 2, k_y = 1/2: SD^2 = 5;
// - linked, pair differences {1, 3}, {2, 4, 6}, {0} (an incomplete row dropped): bias 8/3,
//   MS_w = 10/3, MS_b = 20/3, lambda = (36 - 14)/(2 * 6) = 11/6, s_b^2 = 20/11,
//   SD^2 = 170/33, var(bias) = 20/11 * 14/36 + 10/18 = 125/99;
// - linked, differences {0, 4}, {1, 3}, {2, 2}: MS_b = 0 < MS_w = 10/3, so s_b^2 = 0,
//   SD^2 = 10/3, var(bias) = 10/18; SD from sqrt(10 / 9.348404) to sqrt(10 / 0.2157953).
// In both linked cases x is constant and s_wy^2 = 10/3 on 3 df, so y's within-subject SD has
// that same interval.
void tst_Replicates::workedByHand_data()
{
    QTest::addColumn<QVector<double>>("subjects");
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<int>("design");
    QTest::addColumn<QVector<double>>("expected"); // bias, SD^2, bias half-width, s_wx^2,
                                                   // s_wy^2, lambda
    QTest::addColumn<QVector<double>>("differences");
    const double t = 4.302653;
    const double nan = std::nan("");
    const int exchangeable = int(ReplicateDesign::Exchangeable);
    const int linked = int(ReplicateDesign::Linked);
    QTest::newRow("exchangeable, unequal counts") << QVector<double>{1, 3, 2, nan, 1, 3, 2, 3, 4}
        << QVector<double>{10, 30, 20, 99, 12, 31, nan, 32, 40}
        << QVector<double>{11, 33, 22, 99, nan, 35, 24, nan, nan} << exchangeable
        << QVector<double>{2, 113.0 / 27, t, 4.0 / 3, 2, 11.0 / 18} << QVector<double>{0, 3, 3};
    QTest::newRow("exchangeable, k = 0") << QVector<double>{1, 1, 2, 2, 3, 3}
        << QVector<double>{10, nan, 20, nan, 30, nan} << QVector<double>{11, 13, 19, 21, 33, 35}
        << exchangeable << QVector<double>{2, 5, t * std::sqrt(4.0 / 3), nan, 2, nan}
        << QVector<double>{2, 0, 4};
    QTest::newRow("linked, unequal pairs") << QVector<double>{1, 1, 2, 2, 2, 3, 3}
        << QVector<double>(7, 10) << QVector<double>{11, 13, 12, 14, 16, 10, nan} << linked
        << QVector<double>{8.0 / 3, 170.0 / 33, t * std::sqrt(125.0 / 99), 0, 10.0 / 3, nan}
        << QVector<double>{1, 3, 2, 4, 6, 0};
    QTest::newRow("linked, s_b^2 < 0 set to 0") << QVector<double>{1, 1, 2, 2, 3, 3}
        << QVector<double>(6, 10) << QVector<double>{10, 14, 11, 13, 12, 12} << linked
        << QVector<double>{2, 10.0 / 3, t * std::sqrt(10.0 / 18), 0, 10.0 / 3, nan}
        << QVector<double>{0, 4, 1, 3, 2, 2};
}

void tst_Replicates::workedByHand()
{
    QFETCH(QVector<double>, subjects);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(int, design);
    QFETCH(QVector<double>, expected);
    QFETCH(QVector<double>, differences);
    const ReplicateReadings readings = readingsOf(subjects, x, y, ReplicateDesign(design));
    const ReplicateAgreementFigures f = agreement(readings);
    QString problem;
    const RepeatabilityFigures r =
        repeatability(readings.compared, {}, QStringLiteral("B"), &problem);
    const double actual[] = {f.bias, f.sd * f.sd, f.biasUpper - f.bias,
                             f.withinSdReference * f.withinSdReference,
                             f.withinSdCompared * f.withinSdCompared,
                             replicateErrorRatio(readings, QStringLiteral("B"), &problem)};
    QCOMPARE(f.subjects, qint64(3));
    for (int i = 0; i < expected.size(); ++i)
        CONCORDA_FUZZY_COMPARE(actual[i], expected.at(i), 1e-6);
    QCOMPARE(f.differences, differences);
    CONCORDA_FUZZY_COMPARE(r.withinSd * r.withinSd, expected.at(4), 1e-12);
    CONCORDA_FUZZY_COMPARE(r.repeatability, 1.959964 * std::sqrt(2.0) * r.withinSd, 1e-6);
    const bool truncated = QTest::currentDataTag() == QLatin1String("linked, s_b^2 < 0 set to 0");
    QCOMPARE(f.betweenSubjectVarianceTruncated, truncated);
    const double lower = std::sqrt(10 / 9.348404);
    const double upper = std::sqrt(10 / 0.2157953);
    if (design == int(ReplicateDesign::Linked))
        QVERIFY(fuzzyEqual(r.withinSdLower, lower, 1e-6)
                && fuzzyEqual(r.withinSdUpper, upper, 1e-6));
    if (truncated)
        QVERIFY(fuzzyEqual(f.sdLower, lower, 1e-6) && fuzzyEqual(f.sdUpper, upper, 1e-6));
}

// Simulated studies with a fixed seed: each limit's interval should hold the true limit in
// 95 % of them. Linked: 30 subjects x 3 pairs, differences mu + b_i + e_ir. Exchangeable:
// 30 subjects with 2 or 3 readings of each method, x = T_i + e, y = T_i + mu + u_i + e'.
void tst_Replicates::intervalsCoverTheTrueLimits_data()
{
    QTest::addColumn<int>("design");
    QTest::addColumn<double>("betweenSd"); // of b_i or u_i
    QTest::newRow("linked, between = within") << int(ReplicateDesign::Linked) << 1.0;
    QTest::newRow("linked, mostly within") << int(ReplicateDesign::Linked) << 0.3;
    QTest::newRow("exchangeable, unequal counts") << int(ReplicateDesign::Exchangeable) << 1.0;
}

void tst_Replicates::intervalsCoverTheTrueLimits()
{
    QFETCH(int, design);
    QFETCH(double, betweenSd);
    const bool linked = design == int(ReplicateDesign::Linked);
    std::mt19937_64 random(20261207);
    std::normal_distribution<double> normal(0.0, 1.0);
    const double z = agreementLimitQuantile(0.95);
    // Single-reading differences: between part, within part of y and of x (SD 1 and 0.7).
    const double trueSd = std::sqrt(betweenSd * betweenSd + (linked ? 1.0 : 1.49));
    const int studies = 2000;
    int lowerHeld = 0, upperHeld = 0;
    for (int study = 0; study < studies; ++study) {
        ReplicateReadings r;
        r.design = ReplicateDesign(design);
        for (int i = 0; i < 30; ++i) {
            const double truth = 50 + 10 * normal(random);
            const double subjectBias = 2 + betweenSd * normal(random);
            const int mx = linked ? 3 : 2 + int(random() % 2);
            const int my = linked ? 3 : 2 + int(random() % 2);
            for (int k = 0; k < std::max(mx, my); ++k) {
                const double x = truth + (linked ? 0.0 : 0.7 * normal(random));
                if (k < mx)
                    r.reference.values << x;
                if (k < my)
                    r.compared.values << (linked ? x : truth) + subjectBias + normal(random);
            }
            r.reference.offsets << r.reference.values.size();
            r.compared.offsets << r.compared.values.size();
            r.subjects << i;
        }
        const ReplicateAgreementFigures f = agreement(r);
        lowerHeld += f.loaLowerCiLower <= 2 - z * trueSd && 2 - z * trueSd <= f.loaLowerCiUpper;
        upperHeld += f.loaUpperCiLower <= 2 + z * trueSd && 2 + z * trueSd <= f.loaUpperCiUpper;
    }
    for (int held : {lowerHeld, upperHeld})
        QVERIFY2(std::abs(held - 0.95 * studies) <= 0.02 * studies,
                 qPrintable(QString::number(held)));
}

// Against the definitions on random data with ties: tau-b from a direct count of all pairs
// and, for up to 7 values, the p-value from S over all permutations of y: exact without
// ties, else the normal approximation with the variance of S over the permutations.
void tst_Replicates::kendallAgainstDirectCount()
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const int n = round < 250 ? 2 + round % 6 : 200;
        const unsigned levels = round % 3 == 0 ? 1000000 : 4;
        QVector<double> x, y;
        for (int i = 0; i < n; ++i) {
            x << double(random() % levels);
            y << double(random() % levels) + 0.5 * (round % 5 == 0);
        }
        std::vector<int> p(static_cast<size_t>(n));
        std::iota(p.begin(), p.end(), 0);
        double xTied = 0, yTied = 0; // tied pairs, as counted by the first call of s()
        const auto s = [&] {
            double total = 0;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j) {
                    const double dy = y.at(p[size_t(i)]) - y.at(p[size_t(j)]);
                    total += ((x.at(i) > x.at(j)) - (x.at(i) < x.at(j))) * ((dy > 0) - (dy < 0));
                    xTied += x.at(i) == x.at(j);
                    yTied += dy == 0;
                }
            return total;
        };
        const double observed = s();
        const double pairs = n * (n - 1) / 2.0;
        const KendallTau k = kendallTau(x, y);
        const double tau = observed / std::sqrt((pairs - xTied) * (pairs - yTied));
        CONCORDA_FUZZY_COMPARE(k.tau, tau, 1e-12);
        if (n > 7 || std::isnan(k.tau))
            continue;
        const bool ties = xTied + yTied > 0;
        double permutations = 0, asExtreme = 0, squares = 0;
        do {
            const double permuted = s();
            ++permutations;
            asExtreme += std::fabs(permuted) >= std::fabs(observed) - 1e-9;
            squares += permuted * permuted;
        } while (std::next_permutation(p.begin(), p.end()));
        const boost::math::normal_distribution<> normal;
        const double z = std::fabs(observed) / std::sqrt(squares / permutations);
        const double normalP = 2 * boost::math::cdf(boost::math::complement(normal, z));
        CONCORDA_FUZZY_COMPARE(k.p, ties ? normalP : asExtreme / permutations, 1e-9);
    }
}

// Each message names the variable and the count.
void tst_Replicates::problems_data()
{
    QTest::addColumn<ProblemOf>("problemOf");
    QTest::addColumn<QString>("message");
    const double nan = std::nan("");
    const QString b = QStringLiteral("B");
    // Which analysis: 0 Bland–Altman, 1 the compared method's repeatability, 2 the error ratio,
    // 3 the note on what is left out.
    const auto of = [b](ReplicateReadings r, int which) {
        return ProblemOf([r, which, b] {
            QString problem;
            if (which == 0)
                replicateBlandAltman(r, {}, b, &problem);
            else if (which == 1)
                repeatability(r.compared, {}, b, &problem);
            else if (which == 2)
                replicateErrorRatio(r, b, &problem);
            else
                problem = replicateReadingsNote(r, b);
            return problem;
        });
    };
    const auto exchangeable = [](QVector<double> s, QVector<double> x, QVector<double> y) {
        return readingsOf(s, x, y, ReplicateDesign::Exchangeable);
    };
    const ReplicateReadings noCompleteRow = readingsOf(
        {1, 1, 2, 2, 3}, {1, nan, 2, nan, nan}, {nan, 1, nan, 2, 3}, ReplicateDesign::Linked);
    const QString ba = QStringLiteral("The Bland–Altman analysis of B could not be computed: ");
    QTest::newRow("two subjects") << of(exchangeable({1, 2, 2}, {1, 2, 3}, {1, 5, nan}), 0)
        << ba + "B has readings of both it and the Gold Standard in 2 subjects, and the "
                "analysis needs at least 3.";
    QTest::newRow("linked, no complete row") << of(noCompleteRow, 0)
        << ba + "linked replicates pair the two readings of a row, but no row with a subject "
                "holds readings of both B and the Gold Standard.";
    QTest::newRow("repeatability, one reading each")
        << of(exchangeable({1, 2, 3}, {1, 2, 3}, {2, 3, 5}), 1)
        << "The repeatability of B could not be computed: B has one reading in each of its 3 "
           "subjects, and a within-subject SD needs a subject with two.";
    QTest::newRow("error ratio, replicates never differ")
        << of(exchangeable({1, 1, 2, 2}, {1, 2, 3, 4}, {2, 2, 5, 5}), 2)
        << "The error ratio of B and the Gold Standard could not be estimated from the "
           "replicates: the replicates of B never differ within a subject, so its error "
           "variance is 0.";
    QTest::newRow("rows and subjects left out")
        << of(exchangeable({1, nan, 2, 3, nan}, {1, 2, 3, nan, 5}, {1, 2, 3, 4, 5}), 3)
        << "Left out of the analysis of B: 2 rows without a subject and 1 subject without "
           "readings of both B and the Gold Standard.";
}

void tst_Replicates::problems()
{
    QFETCH(ProblemOf, problemOf);
    QFETCH(QString, message);
    QCOMPARE(problemOf(), message);
}

QTEST_MAIN(tst_Replicates)
#include "tst_replicates.moc"
