#include "quantiles.h"

#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stats {

double tailProbability(double alpha)
{
    return std::max(alpha / 2, std::numeric_limits<double>::min());
}

double normalUpperQuantile(double upperTail)
{
    return boost::math::quantile(
        boost::math::complement(boost::math::normal_distribution<>(0.0, 1.0), upperTail));
}

double studentUpperQuantile(double upperTail, double degreesOfFreedom)
{
    return boost::math::quantile(boost::math::complement(
        boost::math::students_t_distribution<>(degreesOfFreedom), upperTail));
}

ScaledPairs scaledPairs(QVector<double> x, QVector<double> y)
{
    double largest = 0;
    for (int i = 0; i < x.size(); ++i)
        largest = std::max({largest, std::fabs(x[i]), std::fabs(y[i])});
    ScaledPairs pairs;
    pairs.largest = std::frexp(largest, &pairs.exponent);
    for (double &value : x)
        value = std::ldexp(value, -pairs.exponent);
    for (double &value : y)
        value = std::ldexp(value, -pairs.exponent);
    pairs.x = std::move(x);
    pairs.y = std::move(y);
    return pairs;
}

} // namespace stats
