#include "unifiedagreement.h"

#include "pairquantities.h"

#include <QCoreApplication>

#include <boost/math/constants/constants.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace stats {

namespace {

class UnifiedAgreement
{
    Q_DECLARE_TR_FUNCTIONS(UnifiedAgreement)
};

template <std::size_t K>
using Vector = std::array<double, K>;
template <std::size_t K>
using Matrix = std::array<Vector<K>, K>;

template <std::size_t K>
double dot(const Vector<K> &a, const Vector<K> &b)
{
    double sum = 0;
    for (std::size_t k = 0; k < K; ++k)
        sum += a[k] * b[k];
    return sum;
}

template <std::size_t K>
double quadraticForm(const Matrix<K> &matrix, const Vector<K> &a)
{
    double sum = 0;
    for (std::size_t j = 0; j < K; ++j)
        sum += a[j] * dot(matrix[j], a);
    return sum;
}

// Adds v v^T to the lower triangle of sums; symmetricOver() fills the upper one.
template <std::size_t K>
void addOuterProduct(Matrix<K> &sums, const Vector<K> &v)
{
    for (std::size_t j = 0; j < K; ++j)
        for (std::size_t k = 0; k <= j; ++k)
            sums[j][k] += v[j] * v[k];
}

// The sandwich (1/n^2) sum v_i v_i^T from the accumulated lower triangle.
template <std::size_t K>
Matrix<K> symmetricOver(Matrix<K> sums, double n)
{
    for (std::size_t j = 0; j < K; ++j)
        for (std::size_t k = 0; k <= j; ++k)
            sums[k][j] = sums[j][k] = sums[j][k] / (n * n);
    return sums;
}

// Above this estimate the Fisher Z and logit transforms are too steep for a limit: none is
// formed, as in Lin's own package.
constexpr double largestEstimateWithLimit = 0.999999;

bool limitFormed(double estimate, double variance)
{
    return !std::isnan(estimate) && !(estimate > largestEstimateWithLimit) && variance > 0
           && std::isfinite(variance);
}

// A ratio index f = N.theta / D.theta, with 1 - f formed as (D - N).theta / D.theta to
// avoid cancellation near 1, and Var f = grad^T Sigma grad, grad = (N - f D) / D.theta.
struct Ratio
{
    double value;
    double complement;
    double variance;
};

template <std::size_t K>
Ratio ratio(const Vector<K> &numerator, const Vector<K> &denominator, const Vector<K> &theta,
            const Matrix<K> &covariance)
{
    const double scale = dot(denominator, theta);
    const double f = dot(numerator, theta) / scale;
    Vector<K> rest{};
    Vector<K> gradient{};
    for (std::size_t k = 0; k < K; ++k) {
        rest[k] = denominator[k] - numerator[k];
        gradient[k] = (numerator[k] - f * denominator[k]) / scale;
    }
    return {f, dot(rest, theta) / scale, quadraticForm(covariance, gradient)};
}

// Lower limit of a CCC or precision on Fisher's Z scale (Lin 1989):
// tanh(atanh f - z SE / (1 - f^2)).
double fisherLowerLimit(const Ratio &f, double z)
{
    if (!limitFormed(f.value, f.variance))
        return qQNaN();
    const double atanh = 0.5 * (std::log1p(f.value) - std::log(f.complement));
    return std::tanh(atanh - z * std::sqrt(f.variance) / (f.complement * (1.0 + f.value)));
}

// Lower limit of a proportion (accuracy, CP) on the logit scale (Lin et al. 2002):
// expit(logit f - z SE / (f (1 - f))).
double logitLowerLimit(double value, double complement, double variance, double z)
{
    if (!limitFormed(value, variance))
        return qQNaN();
    const double logit = std::log(value) - std::log(complement);
    return inverseLogit(logit - z * std::sqrt(variance) / (value * complement));
}

// What every level's limits and deviation indices share.
struct Setting
{
    double z;  // Phi^-1(1 - alpha), for the one-sided limits
    double p;  // the CP allowance, the proportion for TDI
    double zp; // Phi^-1(1 - (1 - p) / 2), for TDI_p
    bool proportional;
};

struct Deviation
{
    double tdi = qQNaN();
    double tdiUpper = qQNaN();
    double cp = qQNaN();
    double cpLower = qQNaN();
};

// TDI and CP from the MSD e2 and its variance, ignoring the bias (Lin 2000; Lin et al.
// 2002). TDI_p = z_p sqrt(e2), its upper limit from W = ln e2; CP = 2 Phi(kappa / sqrt(e2)) - 1
// (central chi-squared with one degree of freedom), its variance by the delta method,
// dCP/de2 = -phi(kappa / e) kappa / e^3. No spread at all: TDI 0 and CP 1 without limits.
Deviation deviation(double msd, double msdVariance, double kappa, const Setting &setting)
{
    Deviation result;
    if (std::isnan(msd))
        return result;
    if (msd == 0) {
        result.tdi = 0;
        result.cp = 1;
        return result;
    }
    result.tdi = setting.zp * std::sqrt(msd);
    if (msdVariance > 0 && std::isfinite(msdVariance))
        result.tdiUpper = setting.zp
                          * std::exp(0.5 * (std::log(msd)
                                            + setting.z * std::sqrt(msdVariance) / msd));
    const double t = kappa / std::sqrt(2.0 * msd);
    result.cp = std::erf(t);
    // Beyond about 745 the exponential is 0, and an allowance whose square overflows would
    // make it 0 times infinity.
    const double kappa2OverMsd = kappa * kappa / msd;
    const double cpVariance = kappa2OverMsd > 1000.0
                                  ? 0.0
                                  : std::exp(-kappa2OverMsd) * kappa2OverMsd * (msdVariance / (msd * msd))
                                        / boost::math::constants::two_pi<double>();
    result.cpLower = logitLowerLimit(result.cp, std::erfc(t), cpVariance, setting.z);
    if (setting.proportional) {
        result.tdi = 100.0 * std::expm1(result.tdi);
        result.tdiUpper = 100.0 * std::expm1(result.tdiUpper);
    }
    return result;
}

template <typename Level>
void setDeviation(Level &level, const Deviation &d)
{
    level.tdi = d.tdi;
    level.tdiUpper = d.tdiUpper;
    level.cp = d.cp;
    level.cpLower = d.cpLower;
}

// Components in the order subject, interaction, error, bias.
using Theta = Vector<4>;

// The intra level from the pooled error variance: CCC = precision =
// (sigma_a^2 + sigma_g^2) / (sigma_a^2 + sigma_g^2 + sigma_e^2), MSD 2 sigma_e^2.
AgreementLevel intraLevel(const Theta &theta, const Matrix<4> &covariance, double kappa,
                          const Setting &setting)
{
    AgreementLevel level;
    const Ratio ccc = ratio<4>({1, 1, 0, 0}, {1, 1, 1, 0}, theta, covariance);
    level.ccc = level.precision = ccc.value;
    level.cccLower = level.precisionLower = fisherLowerLimit(ccc, setting.z);
    const Theta c{0, 0, 2, 0};
    level.msd = dot(c, theta);
    setDeviation(level, deviation(level.msd, quadraticForm(covariance, c), kappa, setting));
    return level;
}

// The inter level (errorWeight 1/m: subject means) or the total level (errorWeight 1:
// single readings), Lin, Hedayat & Wu (2007).
BiasedAgreementLevel biasedLevel(double errorWeight, const Theta &theta,
                                 const Matrix<4> &covariance, double kappa,
                                 const Setting &setting)
{
    BiasedAgreementLevel level;
    const double w = errorWeight;
    const Ratio ccc = ratio<4>({1, 0, 0, 0}, {1, 1, w, 1}, theta, covariance);
    const Ratio precision = ratio<4>({1, 0, 0, 0}, {1, 1, w, 0}, theta, covariance);
    const Ratio accuracy = ratio<4>({1, 1, w, 0}, {1, 1, w, 1}, theta, covariance);
    level.ccc = ccc.value;
    level.cccLower = fisherLowerLimit(ccc, setting.z);
    level.precision = precision.value;
    level.precisionLower = fisherLowerLimit(precision, setting.z);
    level.accuracy = accuracy.value;
    level.accuracyLower = logitLowerLimit(accuracy.value, accuracy.complement,
                                          accuracy.variance, setting.z);
    const Theta c{0, 2, 2 * w, 2};
    level.msd = dot(c, theta);
    setDeviation(level, deviation(level.msd, quadraticForm(covariance, c), kappa, setting));
    // Relative bias squared, sigma_b^2 / (sigma_g^2 + w sigma_e^2) (Lin et al. 2002).
    level.rbs = theta[3] / (theta[1] + w * theta[2]);
    level.rbsAboveBound = level.rbs > rbsBound(setting.p);
    return level;
}

// The readings of one method, one per row, on the scale of the computation: NaN where the
// reading is missing (or the column ended), -inf where proportional cannot take it.
QVector<double> scaledReadings(const QVector<double> &readings, int rows, bool proportional,
                               double factor)
{
    QVector<double> scaled(rows, qQNaN());
    for (int r = 0; r < readings.size() && r < rows; ++r) {
        const double value = readings.at(r);
        if (!std::isfinite(value))
            continue;
        if (!proportional)
            scaled[r] = value * factor;
        else
            scaled[r] = value > 0 ? std::log(value) : -qInf();
    }
    return scaled;
}

// The power of two that brings readings beyond 2^100 or below 2^-100 in size near 1, and 1
// for the others. The components' covariance takes fourth powers of the readings, which
// overflow beyond about 1e77 and vanish below about 1e-77; scaling by a power of two is
// exact.
double powerOfTwoScale(const QVector<double> &gold, const QVector<double> &other)
{
    double largest = 0;
    for (const QVector<double> *readings : {&gold, &other})
        for (const double value : *readings)
            if (std::isfinite(value))
                largest = std::max(largest, std::fabs(value));
    const double bound = std::ldexp(1.0, 100);
    if (largest == 0 || (largest < bound && largest > 1.0 / bound))
        return 1.0;
    return std::ldexp(1.0, -std::ilogb(largest));
}

// Takes the figures of readings multiplied by 1 / unit back to the readings' own scale:
// means and TDI times unit, variances and MSD times unit^2, their covariance unit^4.
void toReadingScale(UnifiedAgreementFigures &f, double unit)
{
    const double square = unit * unit;
    f.meanGold *= unit;
    f.meanOther *= unit;
    VarianceComponents &c = f.components;
    c = {c.subject * square, c.interaction * square, c.error * square, c.bias * square};
    for (auto &row : f.componentCovariance)
        for (double &entry : row)
            entry = entry * square * square;
    for (AgreementLevel *level : {&f.intra, static_cast<AgreementLevel *>(&f.inter),
                                  static_cast<AgreementLevel *>(&f.total)}) {
        level->msd *= square;
        level->tdi *= unit;
        level->tdiUpper *= unit;
    }
    for (MethodIntraAgreement &method : f.methods) {
        method.withinVariance *= square;
        method.betweenVariance *= square;
        method.tdi *= unit;
        method.tdiUpper *= unit;
    }
}

// One subject's readings of the two methods: counts, then means and within-subject sums
// of squares once the subject is known to be used.
struct Subject
{
    int goldCount = 0;
    int otherCount = 0;
    bool nonPositive = false;
    bool used = false;
    double goldMean = 0;
    double otherMean = 0;
    double goldSquares = 0;
    double otherSquares = 0;
};

// The balance rule: m is the count of readings of each method that most subjects have (a
// tie to the larger); subjects with other counts, or a reading proportional cannot take,
// are left out. Marks the used subjects.
void balance(QVector<Subject> &subjects, UnifiedAgreementFigures &figures)
{
    std::map<int, qint64> subjectsWithCount;
    for (const Subject &s : std::as_const(subjects))
        if (!s.nonPositive && s.goldCount == s.otherCount && s.goldCount > 0)
            ++subjectsWithCount[s.goldCount];
    qint64 most = 0;
    for (const auto &entry : subjectsWithCount)
        if (entry.second >= most) {
            most = entry.second;
            figures.m = entry.first;
        }
    const int m = figures.m;
    LeftOutSubjects &because = figures.leftOutBecause;
    for (Subject &s : subjects) {
        s.used = m > 0 && !s.nonPositive && s.goldCount == m && s.otherCount == m;
        if (s.used)
            ++figures.n;
        else if (s.nonPositive)
            ++because.nonPositiveReading;
        else if (m == 0 || s.goldCount < m || s.otherCount < m)
            ++because.fewerReadings;
        else
            ++because.moreReadings;
    }
    figures.leftOut = because.fewerReadings + because.moreReadings + because.nonPositiveReading;
}

// The sentence of a refused pair, or an empty string.
QString balanceProblem(const UnifiedAgreementFigures &f, const QString &gold, const QString &other)
{
    QString problem;
    if (f.m == 0)
        problem = UnifiedAgreement::tr("No subject has readings of both %1 and %2 in equal "
                                       "numbers, which agreement with replicates needs.")
                      .arg(other, gold);
    else if (f.m == 1)
        problem = UnifiedAgreement::tr("Most subjects have a single reading of %1 and of %2, so "
                                       "how well each agrees with itself cannot be estimated. "
                                       "Agreement with replicates needs at least two readings "
                                       "of each per subject; for single readings use Agreement.")
                      .arg(other, gold);
    else if (f.n < 2)
        problem = UnifiedAgreement::tr("Only one subject has %1 readings of both %2 and %3; "
                                       "agreement with replicates needs at least two.")
                      .arg(QString::number(f.m), other, gold);
    const qint64 nonPositive = f.leftOutBecause.nonPositiveReading;
    if (!problem.isEmpty() && nonPositive > 0)
        problem += QLatin1Char(' ')
                   + (nonPositive == 1
                          ? UnifiedAgreement::tr("1 subject was left out for a reading of zero "
                                                 "or below, which Proportional cannot take.")
                          : UnifiedAgreement::tr("%1 subjects were left out for a reading of "
                                                 "zero or below, which Proportional cannot take.")
                                .arg(nonPositive));
    return problem;
}

} // namespace

QString unifiedAgreementOptionsProblem(const UnifiedAgreementOptions &options)
{
    const auto inside = [](double value) { return value > 0 && value < 1; };
    if (!inside(options.alpha))
        return UnifiedAgreement::tr("Alpha must lie between 0 and 1.");
    if (!inside(options.cpAllowance))
        return UnifiedAgreement::tr("The CP Allowance must lie between 0 and 1.");
    // The normal quantiles of 1 - alpha and 1 - (1 - p) / 2 must be finite.
    if (!(1.0 - options.alpha < 1.0))
        return UnifiedAgreement::tr("Alpha is too close to 0.");
    if (!(1.0 - (1.0 - options.cpAllowance) / 2.0 < 1.0))
        return UnifiedAgreement::tr("The CP Allowance is too close to 1.");
    for (double allowance :
         {options.tdiAllowanceIntra, options.tdiAllowanceInter, options.tdiAllowanceTotal})
        if (!(allowance > 0) || std::isinf(allowance))
            return UnifiedAgreement::tr("Every TDI Allowance must be a number above 0.");
    return QString();
}

double rbsBound(double cpAllowance)
{
    return cpAllowance <= 0.8 ? 8.0 : 1.0;
}

UnifiedAgreementFigures unifiedAgreement(const QStringList &subjects, const QVector<double> &gold,
                                         const QVector<double> &other, const QString &goldName,
                                         const QString &otherName,
                                         const UnifiedAgreementOptions &options,
                                         QString *problem)
{
    return unifiedAgreement(groupBySubject(subjects), gold, other, goldName, otherName, options,
                            problem);
}

UnifiedAgreementFigures unifiedAgreement(const SubjectGroups &groups, const QVector<double> &gold,
                                         const QVector<double> &other, const QString &goldName,
                                         const QString &otherName,
                                         const UnifiedAgreementOptions &options,
                                         QString *problem)
{
    UnifiedAgreementFigures figures;
    *problem = unifiedAgreementOptionsProblem(options);
    if (!problem->isEmpty())
        return figures;

    // Count each subject's usable readings; a row beyond the subject column has no subject.
    const int rows = std::max({int(groups.subjectOfRow.size()), int(gold.size()), int(other.size())});
    // Logarithms need no scaling.
    const double scale = options.proportional ? 1.0 : powerOfTwoScale(gold, other);
    const QVector<double> x = scaledReadings(gold, rows, options.proportional, scale);
    const QVector<double> y = scaledReadings(other, rows, options.proportional, scale);
    QVector<int> subjectOfRow = groups.subjectOfRow;
    subjectOfRow.resize(rows);
    std::fill(subjectOfRow.begin() + groups.subjectOfRow.size(), subjectOfRow.end(), -1);
    QVector<Subject> tally(groups.subjectCount());
    for (int r = 0; r < rows; ++r) {
        const bool hasReading = !std::isnan(x.at(r)) || !std::isnan(y.at(r));
        if (subjectOfRow.at(r) < 0) {
            figures.rowsWithoutSubject += hasReading ? 1 : 0;
            continue;
        }
        Subject &s = tally[subjectOfRow.at(r)];
        s.nonPositive = s.nonPositive || x.at(r) == -qInf() || y.at(r) == -qInf();
        if (std::isfinite(x.at(r))) {
            ++s.goldCount;
            s.goldMean += x.at(r);
        }
        if (std::isfinite(y.at(r))) {
            ++s.otherCount;
            s.otherMean += y.at(r);
        }
    }
    balance(tally, figures);
    *problem = balanceProblem(figures, goldName, otherName);
    if (!problem->isEmpty())
        return figures;

    // Within-subject means and sums of squares around them, divisor m - 1 below.
    const int m = figures.m;
    for (Subject &s : tally) {
        s.goldMean /= m;
        s.otherMean /= m;
    }
    for (int r = 0; r < rows; ++r) {
        if (subjectOfRow.at(r) < 0 || !tally.at(subjectOfRow.at(r)).used)
            continue;
        Subject &s = tally[subjectOfRow.at(r)];
        if (std::isfinite(x.at(r)))
            s.goldSquares += (x.at(r) - s.goldMean) * (x.at(r) - s.goldMean);
        if (std::isfinite(y.at(r)))
            s.otherSquares += (y.at(r) - s.otherMean) * (y.at(r) - s.otherMean);
    }

    // Means over subjects (divisor n): of the method means and within-subject variances.
    const double n = figures.n;
    double sumX = 0, sumY = 0, sumWx = 0, sumWy = 0;
    for (const Subject &s : std::as_const(tally))
        if (s.used) {
            sumX += s.goldMean;
            sumY += s.otherMean;
            sumWx += s.goldSquares / (m - 1);
            sumWy += s.otherSquares / (m - 1);
        }
    const double meanX = sumX / n, meanY = sumY / n;
    const double withinX = sumWx / n, withinY = sumWy / n;
    const double bias = meanX - meanY;
    double sumVx = 0, sumVy = 0, sumC = 0, sumDd = 0;
    for (const Subject &s : std::as_const(tally))
        if (s.used) {
            const double cx = s.goldMean - meanX, cy = s.otherMean - meanY;
            sumVx += cx * cx;
            sumVy += cy * cy;
            sumC += cx * cy;
            sumDd += (cx - cy) * (cx - cy);
        }
    const double vx = sumVx / n, vy = sumVy / n, meanDd = sumDd / n;

    // Moment estimates, which are the GEE solution: sigma_e^2 = mean w_i, sigma_a^2 = C,
    // sigma_g^2 = mean (d_i - d)^2 / 2 - sigma_e^2 / m, sigma_b^2 = d^2 / 2.
    const double error = (withinX + withinY) / 2.0;
    const Theta theta{sumC / n, meanDd / 2.0 - error / m, error, bias * bias / 2.0};

    // The GEE sandwich in closed form, (1/n^2) sum v_i v_i^T over the subjects'
    // pseudo-values; for each method alone the same with its own two components.
    Matrix<4> pooled{};
    Matrix<2> goldOnly{};
    Matrix<2> otherOnly{};
    for (const Subject &s : std::as_const(tally))
        if (s.used) {
            const double cx = s.goldMean - meanX, cy = s.otherMean - meanY;
            const double wx = s.goldSquares / (m - 1), wy = s.otherSquares / (m - 1);
            const double e = (wx + wy) / 2.0 - error;
            addOuterProduct<4>(pooled, {cx * cy - theta[0],
                                        0.5 * ((cx - cy) * (cx - cy) - meanDd) - e / m, e,
                                        bias * (cx - cy)});
            addOuterProduct<2>(goldOnly, {cx * cx - vx - (wx - withinX) / m, wx - withinX});
            addOuterProduct<2>(otherOnly, {cy * cy - vy - (wy - withinY) / m, wy - withinY});
        }
    const Matrix<4> covariance = symmetricOver(pooled, n);

    figures.meanGold = meanX;
    figures.meanOther = meanY;
    figures.components = {theta[0], theta[1], theta[2], theta[3]};
    figures.componentCovariance = covariance;

    const double p = options.cpAllowance;
    const Setting setting{standardNormalQuantile(1.0 - options.alpha), p,
                          standardNormalQuantile(1.0 - (1.0 - p) / 2.0), options.proportional};
    // Under proportional the allowances are percentages of the reading: on the log scale
    // the bound is ln(1 + kappa0 / 100).
    const auto kappa = [&](double allowance) {
        return options.proportional ? std::log1p(allowance / 100.0) : allowance * scale;
    };
    figures.intra = intraLevel(theta, covariance, kappa(options.tdiAllowanceIntra), setting);
    figures.inter = biasedLevel(1.0 / m, theta, covariance, kappa(options.tdiAllowanceInter),
                                setting);
    figures.total = biasedLevel(1.0, theta, covariance, kappa(options.tdiAllowanceTotal),
                                setting);

    // Each method's intra level alone (the model with one method): sigma_B^2 = V - W/m,
    // CCC = sigma_B^2 / (sigma_B^2 + W), MSD 2W.
    const auto methodIntra = [&](const QString &name, double v, double within,
                                 const Matrix<2> &sums) {
        MethodIntraAgreement method;
        method.name = name;
        method.withinVariance = within;
        method.betweenVariance = v - within / m;
        const Vector<2> components{method.betweenVariance, within};
        const Matrix<2> methodCovariance = symmetricOver(sums, n);
        const Ratio ccc = ratio<2>({1, 0}, {1, 1}, components, methodCovariance);
        method.ccc = ccc.value;
        method.cccLower = fisherLowerLimit(ccc, setting.z);
        const Vector<2> c{0, 2};
        setDeviation(method, deviation(dot(c, components), quadraticForm(methodCovariance, c),
                                       kappa(options.tdiAllowanceIntra), setting));
        return method;
    };
    figures.methods = {methodIntra(goldName, vx, withinX, goldOnly),
                       methodIntra(otherName, vy, withinY, otherOnly)};
    if (scale != 1.0)
        toReadingScale(figures, 1.0 / scale);
    return figures;
}

} // namespace stats
