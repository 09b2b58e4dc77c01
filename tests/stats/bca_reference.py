#!/usr/bin/env python3
"""Reference figures for tst_bootstrap: the BCa intervals of the Passing-Bablok bootstrap of
pairs, computed independently of the C++ code from the formulas alone (python3, standard
library only).

It draws the same resamples (the SplitMix64 streams and row numbers passingBablokBootstrap
documents), fits Passing-Bablok by the textbook rule (every pairwise slope sorted, the
median shifted by the count of slopes beyond -1, or beyond +1 for a falling relation, the
intercept the median of y - b x) and forms the BCa interval from its definition: z0 from
the share of resampled estimates below the estimate (ties, values within 1e-12 of the
size of their terms, count half), the acceleration
from the jackknife (0 when the jackknife values all tie), the ends as the (B + 1) p quantiles. Readings are whole hundredths, so
the comparisons of a slope with -1 or +1 are exact in integers.

Prints one line per data set for the table in tst_bootstrap.cpp:
name, failures, slope, intercept and bias at the level, each as lower and upper.
"""
from statistics import NormalDist
import math

MASK = 2**64 - 1
STEP = 0x9e3779b97f4a7c15
NORMAL = NormalDist()


def mixed(z):
    z = ((z ^ (z >> 30)) * 0xbf58476d1ce4e5b9) & MASK
    z = ((z ^ (z >> 27)) * 0x94d049bb133111eb) & MASK
    return z ^ (z >> 31)


def resample(n, seed, b):
    state = mixed((seed + (b + 1) * STEP) & MASK)
    refused = 2**64 % n
    rows = []
    while len(rows) < n:
        state = (state + STEP) & MASK
        draw = mixed(state)
        if draw >= refused:
            rows.append(draw % n)
    return rows


def lcg(seed):
    state = seed
    while True:
        state = (state * 6364136223846793005 + 1442695040888963407) & MASK
        yield state >> 33


def dataset(kind, n, seed):
    """Readings in hundredths, as tst_bootstrap.cpp builds them."""
    r = lcg(seed)
    xs, ys = [], []
    for i in range(n):
        x = 1000 + next(r) % 9000
        if kind == 'linear':
            y = x * 102 // 100 + 100 + next(r) % 401 - 200
        elif kind == 'skewed':
            y = x + 50 + (next(r) % 100) ** 3 // 200
        elif kind == 'falling':
            y = 12000 - x + next(r) % 801 - 400
        else:  # 'ties': three of six pairs share the reference value 5
            x = 500 if i < 3 else 100 * (i + 4)
            y = x + next(r) % 201 - 100
        xs.append(x)
        ys.append(y)
    return xs, ys


def median(values):
    v = sorted(values)
    m = len(v)
    return 0.5 * v[(m - 1) // 2] + 0.5 * v[m // 2]


def passing_bablok(X, Y):
    """(intercept, slope) of integer hundredths, or None when the line is undefined."""
    n = len(X)
    x = [v / 100 for v in X]
    y = [v / 100 for v in Y]
    tau = 0
    for i in range(n):
        for j in range(i + 1, n):
            tau += (X[j] - X[i]) * (Y[j] - Y[i]) > 0
            tau -= (X[j] - X[i]) * (Y[j] - Y[i]) < 0
    rising = tau >= 0
    slopes, beyond, at = [], 0, 0
    for i in range(n):
        for j in range(i + 1, n):
            dx, dy = X[j] - X[i], Y[j] - Y[i]
            if dx == 0 and dy == 0:
                continue
            if dx == 0:
                slopes.append(math.inf if rising else -math.inf)
                continue
            slopes.append((y[j] - y[i]) / (x[j] - x[i]))
            # the slope against -1 (rising) or +1 (falling), exactly: dy/dx vs -+1
            against = dy * (1 if dx > 0 else -1) + (abs(dx) if rising else -abs(dx))
            beyond += against < 0 if rising else against > 0
            at += against == 0
    slopes.sort()
    N = len(slopes)
    k = 2 * beyond + at if rising else -(2 * beyond + at)
    rank = lambda r: -math.inf if r < 1 else math.inf if r > N else slopes[r - 1]
    m = N + k
    if m <= 0:
        return None
    b = rank((m + 1) // 2) if m % 2 else 0.5 * rank(m // 2) + 0.5 * rank(m // 2 + 1)
    if not math.isfinite(b):
        return None
    return median([v - b * u for u, v in zip(x, y)]), b


def type6(s, p):
    n = len(s)
    h = (n + 1) * p
    if not h > 1:
        return s[0]
    if not h < n:
        return s[-1]
    k = int(h)
    return s[k - 1] + (h - k) * (s[k] - s[k - 1])


def bca(estimate, resampled, left_out, alpha, tie):
    s = sorted(resampled)
    B = len(s)
    share = (sum(v < estimate - tie for v in s) + 0.5 * sum(abs(v - estimate) <= tie for v in s)) / B
    z0 = NORMAL.inv_cdf(share)
    centre = sum(left_out) / len(left_out)
    d = [centre - v for v in left_out]
    squares = sum(e * e for e in d)
    a = 0.0  # the jackknife values all tie: no skewness to correct
    if max(left_out) - min(left_out) > tie:
        a = sum(e * e * e for e in d) / (6 * squares ** 1.5)
    z = NORMAL.inv_cdf(1 - alpha / 2)

    def level(zz):
        q = z0 + zz
        if not 1 - a * q > 0:
            return 1.0 if q > 0 else 0.0
        return 0.5 * math.erfc(-(z0 + q / (1 - a * q)) / math.sqrt(2))
    return type6(s, level(-z)), type6(s, level(z))


def reference(name, kind, n, data_seed, seed, B, alpha, level):
    X, Y = dataset(kind, n, data_seed)
    fits, failures = [], 0
    for b in range(B):
        rows = resample(n, seed, b)
        fit = passing_bablok([X[r] for r in rows], [Y[r] for r in rows])
        if fit is None:
            failures += 1
        else:
            fits.append(fit)
    full = passing_bablok(X, Y)
    left = [passing_bablok(X[:i] + X[i + 1:], Y[:i] + Y[i + 1:]) for i in range(n)]
    out = [name, failures]
    # values this close to the estimate are ties: rounding, not the data, parts them
    largest = max(abs(v) for v in X + Y) / 100
    tie = lambda at: 1e-12 * (1 + abs(full[1])) * (largest + abs(at))
    estimates = [(lambda f: f[1], 1e-12 * abs(full[1])), (lambda f: f[0], tie(0)),
                 (lambda f: f[0] + (f[1] - 1) * level, tie(level))]
    for of, tolerance in estimates:
        out += bca(of(full), [of(f) for f in fits], [of(f) for f in left], alpha, tolerance)
    print(', '.join(str(v) if isinstance(v, (int, str)) else '%.17g' % v for v in out))


# name, kind, n, data seed, bootstrap seed, B, alpha, decision level
reference('linear', 'linear', 20, 11, 1, 1999, 0.05, 50)
reference('skewed', 'skewed', 30, 12, 1, 1999, 0.05, 50)
reference('level at a point on the line', 'linear', 13, 13, 20240601, 999, 0.1, 17.41)
reference('falling', 'falling', 40, 14, 1, 1999, 0.05, 50)
reference('ties', 'ties', 6, 15, 7, 1999, 0.05, 6)
