// SPDX-License-Identifier: GPL-3.0-or-later
// The studentized range distribution: the range of k independent standard normal values divided
// by an independent estimate of their standard deviation on df degrees of freedom. Its upper tail
// gives the p of Tukey's honestly significant difference, its quantile the critical q.
#pragma once

namespace varisect {

// P(range of k standard normal values < w): the distribution of the range when the standard
// deviation is known (infinite df). 0 for w <= 0.
double normalRangeProbability(double w, int k);

// P(Q(k, df) > q), the upper tail of the studentized range of k means with df error degrees of
// freedom, computed as the double integral of Copenhaver and Holland (1988): the range
// distribution integrated over the distribution of the estimated standard deviation. k >= 2;
// df > 0 (an infinite df gives the normal range). 1 for q <= 0, NaN for a k or df out of range.
double studentizedRangeUpperTail(double q, int k, double df);

// The q with P(Q(k, df) > q) = upperTail: the critical value of Tukey's test at level upperTail.
// NaN for an upperTail outside (0, 1) or a k or df out of range.
double studentizedRangeQuantile(double upperTail, int k, double df);

}  // namespace varisect
