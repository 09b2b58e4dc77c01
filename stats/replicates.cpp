#include "replicates.h"

#include "cellvalues.h"
#include "quantiles.h"
#include "vectortoolkit.h"

#include <QCoreApplication>
#include <QHash>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numeric>
#include <utility>
#include <vector>

namespace stats {

namespace {

class Replicates
{
    Q_DECLARE_TR_FUNCTIONS(Replicates)
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

QString subjectCount(qint64 n)
{
    return n == 1 ? Replicates::tr("1 subject") : Replicates::tr("%1 subjects").arg(n);
}

QString agreementFailed(const QString &name, const QString &cause)
{
    return Replicates::tr("The Bland–Altman analysis of %1 could not be computed: %2.")
        .arg(name, cause);
}

// Whether a text reads as no finite number: "nan", "inf", or one out of range such as
// "1e999", which QString::toDouble reads as infinite (and 0 for any other text).
bool readsAsNonFinite(const QString &text)
{
    bool ok = false;
    return !std::isfinite(text.toDouble(&ok));
}

// Whether a text that reads as a number holds more significant digits than a double keeps
// (15): two long identifiers such as barcodes would read as one number.
bool longerThanADouble(const QString &text)
{
    int significant = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('e') || c == QLatin1Char('E'))
            break;
        if (c.isDigit() && (significant > 0 || c != QLatin1Char('0')))
            ++significant;
    }
    return significant > 15;
}

// The key by which a subject cell is grouped: the trimmed text, or for a cell that reads
// as a number the shortest text of that number, so that "1" and "1.0" are one subject. A
// plain run of digits without a leading zero is its own number's text and is kept as it
// stands, which spares the common case any conversion; so is a number with more digits
// than a double holds. Empty: no subject, as for a cell that reads as no finite number
// ("nan", "inf", "1e999"), which tools write for a missing identifier.
QString subjectKey(const QString &cell)
{
    const bool digits = !cell.isEmpty() && cell.size() < 16 && cell.at(0) != QLatin1Char('0')
                        && std::all_of(cell.cbegin(), cell.cend(), [](QChar c) {
                               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                           });
    if (digits)
        return cell;
    // A cell that starts with a letter cannot read as a number unless it spells one (nan,
    // inf): the common "S12" is kept as it stands too, once it has no space at its end.
    const QChar first = cell.isEmpty() ? QChar() : cell.at(0);
    if (first.isLetter() && !QStringLiteral("nNiI").contains(first) && !cell.back().isSpace())
        return cell;
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return text;
    const QVariant number = cellNumber(text);
    if (!number.isValid())
        return readsAsNonFinite(text) ? QString() : text;
    if (longerThanADouble(text))
        return text;
    const double value = number.toDouble() + 0.0; // -0 and 0 are one subject
    return QString::number(value, 'g', 17);
}

// The readings of one method summed up per subject, in one pass over each subject.
struct MethodSummary
{
    QVector<double> means;
    QVector<double> squares; // sum of squared deviations from the subject's mean
    double totalSquares = 0;
    double inverseCounts = 0; // sum of 1 / m_i
    qint64 readings = 0;

    qint64 subjects() const { return means.size(); }
    qint64 df() const { return readings - subjects(); }
    // The one-way ANOVA residual mean square; 0 without replicates, where every formula
    // gives it a weight of 0.
    double withinVariance() const { return df() > 0 ? totalSquares / df() : 0.0; }
    double withinSd() const { return df() > 0 ? std::sqrt(withinVariance()) : notANumber; }
};

MethodSummary summarise(const SubjectReadings &readings)
{
    MethodSummary summary;
    const int n = readings.subjectCount();
    summary.means.resize(n);
    summary.squares.resize(n);
    summary.readings = readings.values.size();
    const double *values = readings.values.constData();
    for (int i = 0; i < n; ++i) {
        const int begin = readings.offsets.at(i);
        const int end = readings.offsets.at(i + 1);
        double total = 0.0;
        for (int k = begin; k < end; ++k)
            total += values[k];
        const double mean = total / (end - begin);
        double squares = 0.0;
        for (int k = begin; k < end; ++k)
            squares += (values[k] - mean) * (values[k] - mean);
        summary.means[i] = mean;
        summary.squares[i] = squares;
        summary.totalSquares += squares;
        summary.inverseCounts += 1.0 / (end - begin);
    }
    return summary;
}

double largestMagnitude(const QVector<double> &a, const QVector<double> &b)
{
    double magnitude = 0.0;
    for (const QVector<double> *values : {&a, &b})
        for (double value : *values)
            magnitude = std::max(magnitude, std::fabs(value));
    return magnitude;
}

// One term c s^2 of a sum of variance components, s^2 on df degrees of freedom.
struct VarianceComponent
{
    double weight;
    double variance;
    double df;
};

struct Bounds
{
    double lower;
    double upper;
};

// MOVER bounds (Zou 2013) of a sum of variance components: each s^2 has the chi-squared
// interval s^2 df / chi2_{1-alpha/2}(df) to s^2 df / chi2_{alpha/2}(df), and the distances
// of the ends from the estimates combine as a root sum of squares. A component with no
// weight, no variance or no degrees of freedom adds nothing.
Bounds moverBounds(const std::vector<VarianceComponent> &components, double total, double alpha)
{
    double below = 0.0;
    double above = 0.0;
    for (const VarianceComponent &c : components) {
        if (c.weight == 0.0 || c.variance == 0.0 || c.df <= 0.0)
            continue;
        const boost::math::chi_squared_distribution<> chi2(c.df);
        const double upperQuantile =
            boost::math::quantile(boost::math::complement(chi2, alpha / 2.0));
        const double lowerQuantile = boost::math::quantile(chi2, alpha / 2.0);
        const double down = c.weight * c.variance * (1.0 - c.df / upperQuantile);
        const double up = c.weight * c.variance * (1.0 - c.df / lowerQuantile);
        below += down * down;
        above += up * up;
    }
    return {total - std::sqrt(below), total + std::sqrt(above)};
}

// The variance of the differences of single readings and of the bias, with the components
// they are made of; what the two designs differ in.
struct DifferenceVariances
{
    double bias = notANumber;
    double sdSquared = notANumber;
    double biasVariance = notANumber;
    std::vector<VarianceComponent> components;
};

// Exchangeable (Bland and Altman 1999, section 5): the subject differences d_i = ȳ_i - x̄_i
// carry the between-subject part and a share of each method's within-subject variance;
// SD^2 = s_d^2 + k_x s_wx^2 + k_y s_wy^2, k = 1 - mean(1 / m_i) restoring the rest.
DifferenceVariances exchangeableVariances(const MethodSummary &x, const MethodSummary &y)
{
    const int n = int(x.subjects());
    QVector<double> d(n);
    for (int i = 0; i < n; ++i)
        d[i] = y.means.at(i) - x.means.at(i);
    const double kx = 1.0 - x.inverseCounts / n;
    const double ky = 1.0 - y.inverseCounts / n;
    DifferenceVariances v;
    v.bias = mean(d);
    const double s2d = variance(d, true);
    v.sdSquared = s2d + kx * x.withinVariance() + ky * y.withinVariance();
    v.biasVariance = s2d / n;
    v.components = {{1.0, s2d, n - 1.0},
                    {kx, x.withinVariance(), double(x.df())},
                    {ky, y.withinVariance(), double(y.df())}};
    return v;
}

// Linked (Bland and Altman 2007, section 3): the one-way ANOVA of the pair differences by
// subject splits their variance into s_b^2 between subjects and MS_w within;
// lambda = (N^2 - sum m_i^2) / ((n - 1) N) is the effective pairs per subject. A negative
// s_b^2 estimate is set to 0.
DifferenceVariances linkedVariances(const ReplicateReadings &readings,
                                    ReplicateAgreementFigures *figures)
{
    const QVector<double> d = subtract(readings.compared.values, readings.reference.values);
    const QVector<int> &offsets = readings.reference.offsets;
    const int n = readings.reference.subjectCount();
    const double pairs = d.size();
    DifferenceVariances v;
    v.bias = mean(d);
    double within = 0.0;
    double between = 0.0;
    double countSquares = 0.0;
    for (int i = 0; i < n; ++i) {
        const int begin = offsets.at(i);
        const int end = offsets.at(i + 1);
        double total = 0.0;
        for (int k = begin; k < end; ++k)
            total += d.at(k);
        const double subjectMean = total / (end - begin);
        for (int k = begin; k < end; ++k)
            within += (d.at(k) - subjectMean) * (d.at(k) - subjectMean);
        between += (end - begin) * (subjectMean - v.bias) * (subjectMean - v.bias);
        countSquares += double(end - begin) * (end - begin);
    }
    const double withinDf = pairs - n;
    const double msWithin = withinDf > 0 ? within / withinDf : 0.0;
    const double msBetween = between / (n - 1.0);
    const double lambda = (pairs * pairs - countSquares) / ((n - 1.0) * pairs);
    double s2b = (msBetween - msWithin) / lambda;
    figures->betweenSubjectVarianceTruncated = s2b < 0.0;
    if (figures->betweenSubjectVarianceTruncated) {
        s2b = 0.0;
        v.components = {{1.0, msWithin, withinDf}};
    } else {
        v.components = {{1.0 / lambda, msBetween, n - 1.0},
                        {1.0 - 1.0 / lambda, msWithin, withinDf}};
    }
    figures->betweenSubjectVariance = s2b;
    figures->withinSubjectVariance = withinDf > 0 ? msWithin : notANumber;
    v.sdSquared = s2b + msWithin;
    v.biasVariance = s2b * countSquares / (pairs * pairs) + msWithin / pairs;
    return v;
}

void addPoints(const ReplicateReadings &readings, const MethodSummary &x,
               const MethodSummary &y, DifferenceAxis axis, ReplicateAgreementFigures *figures)
{
    const bool pairMean = axis == DifferenceAxis::PairMean;
    const auto add = [&](double reference, double compared, int count) {
        figures->axisValues.append(pairMean ? reference / 2.0 + compared / 2.0 : reference);
        figures->differences.append(compared - reference);
        figures->readings.append(count);
    };
    if (readings.design == ReplicateDesign::Linked) {
        for (int k = 0; k < readings.reference.values.size(); ++k)
            add(readings.reference.values.at(k), readings.compared.values.at(k), 2);
        return;
    }
    for (int i = 0; i < x.means.size(); ++i)
        add(x.means.at(i), y.means.at(i), readings.reference.count(i) + readings.compared.count(i));
}

// Tied values of one variable: sums over the groups of t equal values that the variance of
// Kendall's S needs.
struct Ties
{
    double pairs = 0;  // sum t (t - 1) / 2
    double linear = 0; // sum t (t - 1) (2t + 5)
    double square = 0; // sum t (t - 1)
    double cubic = 0;  // sum t (t - 1) (t - 2)

    void add(double t)
    {
        pairs += t * (t - 1.0) / 2.0;
        linear += t * (t - 1.0) * (2.0 * t + 5.0);
        square += t * (t - 1.0);
        cubic += t * (t - 1.0) * (t - 2.0);
    }
};

template<typename Same>
Ties runsOfTies(int n, Same same)
{
    Ties ties;
    int start = 0;
    for (int i = 1; i <= n; ++i) {
        if (i == n || !same(i - 1, i)) {
            ties.add(i - start);
            start = i;
        }
    }
    return ties;
}

// Sorts v by merging runs of doubling width and counts the pairs i < j with v[i] > v[j];
// equal values are not counted.
qint64 sortCountingInversions(std::vector<double> &v)
{
    const size_t n = v.size();
    std::vector<double> buffer(n);
    qint64 inversions = 0;
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t low = 0; low < n; low += 2 * width) {
            const size_t middle = std::min(low + width, n);
            const size_t high = std::min(low + 2 * width, n);
            size_t i = low;
            size_t j = middle;
            size_t k = low;
            while (i < middle && j < high) {
                if (v[j] < v[i]) {
                    inversions += qint64(middle - i);
                    buffer[k++] = v[j++];
                } else {
                    buffer[k++] = v[i++];
                }
            }
            while (i < middle)
                buffer[k++] = v[i++];
            while (j < high)
                buffer[k++] = v[j++];
        }
        v.swap(buffer);
    }
    return inversions;
}

// P(D <= k) for the number D of discordant pairs among n untied pairs under independence:
// D is the number of inversions of a random permutation, built up one value at a time (the
// m-th value adds 0 .. m - 1 inversions with equal chance).
double inversionsAtMost(int n, qint64 k)
{
    std::vector<double> p(size_t(k) + 1, 0.0);
    std::vector<double> next(p.size());
    p[0] = 1.0;
    for (int m = 2; m <= n; ++m) {
        double window = 0.0;
        for (qint64 j = 0; j <= k; ++j) {
            window += p[size_t(j)];
            if (j >= m)
                window -= p[size_t(j - m)];
            next[size_t(j)] = window / m;
        }
        p.swap(next);
    }
    return std::min(1.0, std::accumulate(p.begin(), p.end(), 0.0));
}

// Up to this many values, none of them tied, the p-value of tau is exact.
constexpr int largestExactKendall = 50;

} // namespace

QString replicateDesignName(ReplicateDesign design)
{
    return design == ReplicateDesign::Linked ? QStringLiteral("linked")
                                             : QStringLiteral("exchangeable");
}

OptionDeclaration replicateDesignOption(const QString &help)
{
    OptionDeclaration declaration = choiceOption(
        QStringLiteral("replicates"), Replicates::tr("Replicates"), help,
        {{QStringLiteral("exchangeable"), Replicates::tr("Exchangeable (true value constant within a subject)")},
         {QStringLiteral("linked"), Replicates::tr("Linked (each row a pair taken together)")}});
    declaration.subjectUse = OptionDeclaration::SubjectUse::WithSubject;
    return declaration;
}

SubjectGroups groupBySubject(const QStringList &subjectTexts)
{
    struct Slot
    {
        uint hash;
        int subject = -1;
    };
    const int rowCount = subjectTexts.size();
    std::size_t capacity = 16;
    while (capacity < 2 * std::size_t(rowCount))
        capacity *= 2;
    const uint mask = uint(capacity - 1);
    std::vector<Slot> table(capacity);
    QStringList keys;

    SubjectGroups groups;
    groups.subjectOfRow.fill(-1, rowCount);
    QVector<int> counts;
    for (int row = 0; row < rowCount; ++row) {
        const QString &cell = subjectTexts.at(row);
        int subject = -1;
        if (row > 0 && groups.subjectOfRow.at(row - 1) >= 0 && cell == subjectTexts.at(row - 1)) {
            subject = groups.subjectOfRow.at(row - 1);
        } else {
            const QString key = subjectKey(cell);
            if (key.isEmpty()) {
                ++groups.rowsWithoutSubject;
                continue;
            }
            const uint hash = qHash(key);
            uint at = hash & mask;
            while (table[at].subject >= 0 && (table[at].hash != hash || keys.at(table[at].subject) != key))
                at = (at + 1) & mask;
            if (table[at].subject < 0) {
                table[at] = {hash, int(keys.size())};
                keys.append(key);
                groups.subjects.append(cell.trimmed());
                counts.append(0);
            }
            subject = table[at].subject;
        }
        ++counts[subject];
        groups.subjectOfRow[row] = subject;
    }
    // A counting sort of the rows by subject keeps them ascending within each.
    groups.offsets.resize(counts.size() + 1);
    groups.offsets[0] = 0;
    std::partial_sum(counts.cbegin(), counts.cend(), groups.offsets.begin() + 1);
    groups.rows.resize(groups.offsets.last());
    QVector<int> cursor = groups.offsets;
    for (int row = 0; row < rowCount; ++row) {
        if (groups.subjectOfRow.at(row) >= 0)
            groups.rows[cursor[groups.subjectOfRow.at(row)]++] = row;
    }
    return groups;
}

ReplicateReadings replicateReadings(const SubjectGroups &groups, const QVector<double> &x,
                                    const QVector<double> &y, ReplicateDesign design)
{
    ReplicateReadings readings;
    readings.design = design;
    readings.rowsWithoutSubject = groups.rowsWithoutSubject;
    readings.reference.values.reserve(groups.rows.size());
    readings.compared.values.reserve(groups.rows.size());
    // A row past the end of a shorter column has no reading.
    const auto reading = [](const QVector<double> &column, int row) {
        const double value = row < column.size() ? column.at(row) : notANumber;
        return std::isfinite(value) ? value : notANumber;
    };
    QVector<double> &xs = readings.reference.values;
    QVector<double> &ys = readings.compared.values;
    for (int s = 0; s + 1 < groups.offsets.size(); ++s) {
        const int xStart = xs.size();
        const int yStart = ys.size();
        for (int k = groups.offsets.at(s); k < groups.offsets.at(s + 1); ++k) {
            const double a = reading(x, groups.rows.at(k));
            const double b = reading(y, groups.rows.at(k));
            if (design == ReplicateDesign::Linked && (std::isnan(a) || std::isnan(b)))
                continue;
            if (!std::isnan(a))
                xs.append(a);
            if (!std::isnan(b))
                ys.append(b);
        }
        if (xs.size() > xStart && ys.size() > yStart) {
            readings.subjects.append(s);
            readings.reference.offsets.append(xs.size());
            readings.compared.offsets.append(ys.size());
        } else {
            xs.resize(xStart);
            ys.resize(yStart);
            ++readings.subjectsLeftOut;
        }
    }
    return readings;
}

QString replicateReadingsNote(const ReplicateReadings &readings, const QString &name)
{
    QStringList parts;
    const qint64 rows = readings.rowsWithoutSubject;
    if (rows > 0)
        parts << (rows == 1 ? Replicates::tr("1 row without a subject")
                            : Replicates::tr("%1 rows without a subject").arg(rows));
    const qint64 subjects = readings.subjectsLeftOut;
    if (subjects > 0) {
        const QString lacking =
            readings.design == ReplicateDesign::Linked
                ? Replicates::tr("%1 without a row holding readings of both %2 and the Gold "
                                 "Standard")
                : Replicates::tr("%1 without readings of both %2 and the Gold Standard");
        parts << lacking.arg(subjectCount(subjects), name);
    }
    if (parts.isEmpty())
        return QString();
    return Replicates::tr("Left out of the analysis of %1: %2.")
        .arg(name, parts.join(Replicates::tr(" and ")));
}

QVector<double> subjectMeans(const SubjectReadings &readings)
{
    return summarise(readings).means;
}

QString replicateOptionsProblem(const ReplicateOptions &options)
{
    BlandAltmanOptions common;
    common.coverage = options.coverage;
    common.alpha = options.alpha;
    return blandAltmanOptionsProblem(common);
}

ReplicateAgreementFigures replicateBlandAltman(const ReplicateReadings &readings,
                                               const ReplicateOptions &options,
                                               const QString &name, QString *problem)
{
    ReplicateAgreementFigures figures;
    const bool linked = readings.design == ReplicateDesign::Linked;
    figures.design = readings.design;
    figures.subjects = readings.subjects.size();
    figures.pairs = linked ? readings.reference.values.size() : 0;
    figures.referenceReadings = readings.reference.values.size();
    figures.comparedReadings = readings.compared.values.size();
    *problem = replicateOptionsProblem(options);
    if (!problem->isEmpty())
        return figures;
    if (linked && figures.pairs == 0) {
        *problem = agreementFailed(name, Replicates::tr("linked replicates pair the two readings "
                                                        "of a row, but no row with a subject "
                                                        "holds readings of both %1 and the Gold "
                                                        "Standard")
                                             .arg(name));
        return figures;
    }
    // The subject differences need n - 1 >= 2 degrees of freedom for an interval of any use.
    if (figures.subjects < 3) {
        const QString having =
            linked ? Replicates::tr("%1 has a row holding readings of both it and the Gold "
                                    "Standard in %2, and the analysis needs at least 3")
                   : Replicates::tr("%1 has readings of both it and the Gold Standard in %2, "
                                    "and the analysis needs at least 3");
        *problem = agreementFailed(name, having.arg(name, subjectCount(figures.subjects)));
        return figures;
    }

    const MethodSummary x = summarise(readings.reference);
    const MethodSummary y = summarise(readings.compared);
    ReplicateAgreementFigures computed = figures;
    const DifferenceVariances v = linked ? linkedVariances(readings, &computed)
                                         : exchangeableVariances(x, y);
    if (!std::isfinite(v.bias) || !std::isfinite(v.sdSquared) || !std::isfinite(v.biasVariance)
        || !std::isfinite(x.totalSquares) || !std::isfinite(y.totalSquares)) {
        *problem = agreementFailed(name, Replicates::tr("%1 or the Gold Standard holds a reading "
                                                        "too large to compute with")
                                             .arg(name));
        return figures;
    }
    const double sd = std::sqrt(v.sdSquared);
    if (!(sd > 1e-12 * largestMagnitude(readings.reference.values, readings.compared.values))) {
        *problem = agreementFailed(name, Replicates::tr("the differences between single readings "
                                                        "of %1 and the Gold Standard have no "
                                                        "spread to set limits with")
                                             .arg(name));
        return figures;
    }

    const int n = int(figures.subjects);
    const double z = agreementLimitQuantile(options.coverage);
    double zc = notANumber;
    double t = notANumber;
    Bounds bounds{notANumber, notANumber};
    try {
        zc = normalUpperQuantile(options.alpha / 2.0);
        t = studentUpperQuantile(options.alpha / 2.0, n - 1.0);
        bounds = moverBounds(v.components, v.sdSquared, options.alpha);
    } catch (const std::exception &) {
        *problem = agreementFailed(name, Replicates::tr("its confidence intervals cannot be "
                                                        "evaluated at an alpha of %1")
                                             .arg(options.alpha));
        return figures;
    }
    figures = computed;
    figures.bias = v.bias;
    const double biasHalfWidth = t * std::sqrt(v.biasVariance);
    figures.biasLower = v.bias - biasHalfWidth;
    figures.biasUpper = v.bias + biasHalfWidth;
    figures.sd = sd;
    figures.sdLower = std::sqrt(std::max(bounds.lower, 0.0));
    figures.sdUpper = std::sqrt(bounds.upper);
    figures.loaLower = v.bias - z * sd;
    figures.loaUpper = v.bias + z * sd;
    // Each limit's interval widens by the uncertainty of the bias and, on its far side, of
    // the SD at the upper MOVER bound, on its near side at the lower one. Limits at the bias
    // (z = 0) do not move with the SD, even with an unbounded one.
    const double biasPart = zc * zc * v.biasVariance;
    const double farSd = z == 0.0 ? 0.0 : z * (figures.sdUpper - sd);
    const double nearSd = z == 0.0 ? 0.0 : z * (sd - figures.sdLower);
    const double far = std::sqrt(biasPart + farSd * farSd);
    const double near = std::sqrt(biasPart + nearSd * nearSd);
    figures.loaLowerCiLower = figures.loaLower - far;
    figures.loaLowerCiUpper = figures.loaLower + near;
    figures.loaUpperCiLower = figures.loaUpper - near;
    figures.loaUpperCiUpper = figures.loaUpper + far;
    figures.withinSdReference = x.withinSd();
    figures.withinSdCompared = y.withinSd();
    addPoints(readings, x, y, options.axis, &figures);
    return figures;
}

// Kendall's tau-b, which counts a pair tied in either variable as neither concordant nor
// discordant and scales by the untied pairs of each variable, so that the subject SDs'
// ties (duplicates read alike) do not pull tau towards 0. Knight's O(n log n) count: sort
// by x then y, count the ties, then count the discordant pairs as the inversions a merge
// sort of the y values undoes.
//
// The p-value: with no ties and at most 50 values, exact from the permutation distribution
// of the discordant pairs, where the normal approximation is rough; otherwise the normal
// approximation to S = concordant - discordant with the tie-corrected variance (Kendall
// 1970), without a continuity correction.
KendallTau kendallTau(const QVector<double> &x, const QVector<double> &y)
{
    KendallTau result;
    const int n = x.size();
    if (n < 2 || y.size() != n)
        return result;
    std::vector<std::pair<double, double>> points(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        points[size_t(i)] = {x.at(i), y.at(i)};
    std::sort(points.begin(), points.end());
    const auto point = [&points](int i) { return points[size_t(i)]; };
    const Ties xTies =
        runsOfTies(n, [&](int i, int j) { return point(i).first == point(j).first; });
    const Ties jointTies = runsOfTies(n, [&](int i, int j) { return point(i) == point(j); });
    std::vector<double> ys(size_t(n), 0.0);
    for (int i = 0; i < n; ++i)
        ys[size_t(i)] = point(i).second;
    const qint64 discordant = sortCountingInversions(ys);
    const Ties yTies = runsOfTies(n, [&](int i, int j) { return ys[size_t(i)] == ys[size_t(j)]; });

    const double pairs = n * (n - 1.0) / 2.0;
    const double s = pairs - xTies.pairs - yTies.pairs + jointTies.pairs - 2.0 * double(discordant);
    const double scale = std::sqrt((pairs - xTies.pairs) * (pairs - yTies.pairs));
    if (!(scale > 0.0))
        return result;
    result.tau = s / scale;
    if (xTies.pairs == 0 && yTies.pairs == 0 && n <= largestExactKendall) {
        const qint64 total = qint64(n) * (n - 1) / 2;
        const qint64 tail = std::min(discordant, total - discordant);
        result.p = std::min(1.0, 2.0 * inversionsAtMost(n, tail));
        return result;
    }
    const double nn = n;
    double variance = (nn * (nn - 1.0) * (2.0 * nn + 5.0) - xTies.linear - yTies.linear) / 18.0
                      + xTies.square * yTies.square / (2.0 * nn * (nn - 1.0));
    if (n > 2)
        variance += xTies.cubic * yTies.cubic / (9.0 * nn * (nn - 1.0) * (nn - 2.0));
    const double statistic = std::fabs(s) / std::sqrt(variance);
    const boost::math::normal_distribution<> normal(0.0, 1.0);
    result.p = 2.0 * boost::math::cdf(boost::math::complement(normal, statistic));
    return result;
}

RepeatabilityFigures repeatability(const SubjectReadings &readings,
                                   const ReplicateOptions &options, const QString &name,
                                   QString *problem)
{
    const MethodSummary summary = summarise(readings);
    RepeatabilityFigures figures;
    figures.name = name;
    figures.subjects = summary.subjects();
    figures.readings = summary.readings;
    figures.df = summary.df();
    *problem = replicateOptionsProblem(options);
    if (!problem->isEmpty())
        return figures;
    const auto failed = [&name](const QString &cause) {
        return Replicates::tr("The repeatability of %1 could not be computed: %2.")
            .arg(name, cause);
    };
    if (figures.df == 0) {
        *problem = failed(Replicates::tr("%1 has one reading in each of its %2, and a "
                                         "within-subject SD needs a subject with two")
                              .arg(name, subjectCount(figures.subjects)));
        return figures;
    }
    const double withinSd = summary.withinSd();
    if (!std::isfinite(withinSd)) {
        *problem = failed(Replicates::tr("%1 holds a reading too large to compute with").arg(name));
        return figures;
    }

    // The within-subject SD on N - n degrees of freedom, its interval from chi-squared.
    const double df = double(figures.df);
    double lowerQuantile = notANumber;
    double upperQuantile = notANumber;
    try {
        const boost::math::chi_squared_distribution<> chi2(df);
        upperQuantile = boost::math::quantile(boost::math::complement(chi2, options.alpha / 2.0));
        lowerQuantile = boost::math::quantile(chi2, options.alpha / 2.0);
    } catch (const std::exception &) {
        *problem = failed(Replicates::tr("its confidence interval cannot be evaluated at an "
                                         "alpha of %1")
                              .arg(options.alpha));
        return figures;
    }
    // Replicates that never differ give 0 to 0, also where an extreme alpha leaves the upper
    // end unbounded.
    const auto scaled = [withinSd](double factor) {
        return withinSd == 0.0 ? 0.0 : withinSd * std::sqrt(factor);
    };
    figures.withinSd = withinSd;
    figures.withinSdLower = scaled(df / upperQuantile);
    figures.withinSdUpper = scaled(df / lowerQuantile);
    figures.repeatability = agreementLimitQuantile(options.coverage) * std::sqrt(2.0) * withinSd;

    // Whether the error grows with the level: the subject SDs (divisor m_i - 1) against the
    // subject means, over the subjects with two readings or more.
    QVector<double> means;
    QVector<double> sds;
    for (int i = 0; i < summary.means.size(); ++i) {
        const int m = readings.count(i);
        if (m >= 2) {
            means.append(summary.means.at(i));
            sds.append(std::sqrt(summary.squares.at(i) / (m - 1)));
        }
    }
    const KendallTau tau = kendallTau(means, sds);
    figures.kendallSubjects = means.size();
    figures.kendallTau = tau.tau;
    figures.kendallP = tau.p;
    return figures;
}

double replicateErrorRatio(const ReplicateReadings &readings, const QString &name,
                           QString *problem)
{
    const MethodSummary x = summarise(readings.reference);
    const MethodSummary y = summarise(readings.compared);
    const auto failed = [&name](const QString &cause) {
        return Replicates::tr("The error ratio of %1 and the Gold Standard could not be estimated "
                              "from the replicates: %2.")
            .arg(name, cause);
    };
    const QString gold = Replicates::tr("the Gold Standard");
    for (const auto &method : {std::make_pair(&x, gold), std::make_pair(&y, name)}) {
        if (method.first->df() == 0) {
            *problem = failed(Replicates::tr("%1 has one reading in each of its %2, and a "
                                             "within-subject variance needs a subject with two")
                                  .arg(method.second, subjectCount(method.first->subjects())));
            return notANumber;
        }
        if (method.first->withinVariance() == 0.0) {
            *problem = failed(Replicates::tr("the replicates of %1 never differ within a subject, "
                                             "so its error variance is 0")
                                  .arg(method.second));
            return notANumber;
        }
    }
    // h = n / sum(1 / m_i), the harmonic mean of the counts: s_w^2 / h is the error variance
    // of a subject mean.
    const double ratio =
        (x.withinVariance() * x.inverseCounts) / (y.withinVariance() * y.inverseCounts);
    if (!(std::isfinite(ratio) && ratio > 0.0)) {
        *problem = failed(Replicates::tr("%1 or the Gold Standard holds a reading too large to "
                                         "compute with")
                              .arg(name));
        return notANumber;
    }
    problem->clear();
    return ratio;
}

} // namespace stats
