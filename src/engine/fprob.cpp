// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fprob.h"

#include <cmath>
#include <cstdint>

#include "engine/fdistribution.h"
#include "engine/prompts.h"

namespace varisect {

namespace {

// The degrees of freedom are held as 16-bit integers, rounded to the nearest whole number
// (halves to even, as the classic integer conversion does).
std::int16_t toDf16(double df)
{
    if (std::isnan(df))
        return 0;
    const double r = std::nearbyint(df);
    if (r > 32767.0)
        return 32767;
    if (r < -32768.0)
        return -32768;
    return static_cast<std::int16_t>(r);
}

const char* const kZeroFText =
    "The F-ratio is 0, causing the P-value to be one.  Although this result can occur by chance, "
    "the program issues a warning because the condition usually results from a specification or "
    "input error.  Do you wish to ignore the warning ";

}  // namespace

double paulsonUpperTail(double df1, double df2, double F)
{
    int a = toDf16(df1);
    int b = toDf16(df2);

    double x = 0;
    if (F >= 1) {
        x = F;
    } else if (F < 1e-9) {
        return 1.0;
    } else {
        const int t = a;
        a = b;
        b = t;
        x = 1.0 / F;
    }
    // A zero or negative df cannot be evaluated; an infinite ratio lies beyond every tail.
    if (a < 1 || b < 1)
        return 1.0;
    if (std::isinf(x))
        return F >= 1 ? 0.0 : 1.0;

    const double A1 = 2.0 / (9.0 * a);
    const double A2 = 2.0 / (9.0 * b);
    const double signedZ = ((std::pow(x, 0.333333) * (1.0 - A2)) - 1.0 + A1)
        / std::sqrt(A2 * std::pow(x, 0.6666667) + A1);
    double z = std::fabs(signedZ);
    if (b < 4)
        z = (0.08 * std::pow(z, 4.0) / std::pow(static_cast<double>(b), 3.0) + 1.0) * z;
    double Q = 1.0;
    Q += 0.196854 * z;
    Q += 0.115194 * std::pow(z, 2.0);
    Q += 0.000344 * std::pow(z, 3.0);
    Q += 0.019527 * std::pow(z, 4.0);
    double p = 0.5 / std::pow(Q, 4.0);
    // The polynomial gives the tail beyond |z|; a negative z lies below the mean of the normal
    // deviate, so the upper tail is the complement.
    if (signedZ < 0)
        p = 1.0 - p;
    return F < 1 ? 1.0 - p : p;
}

double exactTailOfShownF(double df1, double df2, double F)
{
    return F <= kSmallestShownF ? 1.0 : exactUpperTail(df1, df2, F);
}

double FRatioProbability(double df1, double df2, double& F, Prompts& prompts,
                         const ProbabilityContext& context, bool& abortFlag)
{
    if (df1 * df2 * F == 0 && !context.quietZeroF) {
        Message m;
        m.title = "Warning!!!";
        m.text = std::string(kZeroFText)
            + (context.unequalCellMode ? "(No = Return to the Unequal Cell Size Window)?"
                                       : "(No = Return to Data Entry Grid)?");
        m.buttons = MessageButtons::YesNo;
        m.icon = MessageIcon::Critical;
        if (prompts.askYesNo(m))
            return 1.0;
        abortFlag = true;
        return 0.0;
    }
    if (F <= kSmallestShownF) {
        F = kSmallestShownF;
        return 1.0;
    }
    return context.exact ? exactUpperTail(df1, df2, F) : paulsonUpperTail(df1, df2, F);
}

}  // namespace varisect
