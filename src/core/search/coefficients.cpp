#include "search/coefficients.h"

#include "base/real48.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace velmora {

namespace {
const std::array<std::string, kCoefficientCount> kNames{
    "Euclidean distance", "Average distance", "Manhattan distance", "Tanimoto coefficient",
    "Correlation coefficient"};
const std::array<std::string, kCoefficientCount> kLabels{
    "  Euclidean dist   :", "  Average dist      :", "  Manhattan dist   :", "  Tanimoto coeff   :",
    "  Correlation coeff:"};
const std::array<std::string, kCoefficientCount> kHeadings{
    "Euclidean dist", "Average dist  ", "Manhattan dist", "Tanimoto coeff", "Correlat coeff"};

const std::string& Pick(const std::array<std::string, kCoefficientCount>& table, int index)
{
    static const std::string none;
    return index >= 0 && index < kCoefficientCount ? table[static_cast<std::size_t>(index)] : none;
}

double R48(long double value) { return ToReal48Precision(value); }
} // namespace

const std::string& CoefficientName(int index) { return Pick(kNames, index); }
const std::string& CoefficientLabel(int index) { return Pick(kLabels, index); }
const std::string& CoefficientHeading(int index) { return Pick(kHeadings, index); }
bool SmallerIsBetter(int index) { return index <= kManhattan; }

double CoefficientReference(int index, const double* q, const double* l, const std::vector<int>& participating,
                   int chosenCount, StatisticsAccumulator& statistics)
{
    switch (index) {
    case kEuclidean:
    case kAverage: {
        double sum = 0.0;
        for (int i : participating) {
            const long double d = static_cast<long double>(q[i]) - l[i];
            sum = R48(sum + d * d);
        }
        const double euclid = R48(std::sqrt(static_cast<long double>(sum)));
        if (index == kEuclidean)
            return euclid;
        return chosenCount > 0 ? R48(static_cast<long double>(euclid) / chosenCount) : 0.0;
    }
    case kManhattan: {
        double sum = 0.0;
        for (int i : participating)
            sum = R48(sum + std::fabs(static_cast<long double>(q[i]) - l[i]));
        return sum;
    }
    case kTanimoto: {
        double a = 0.0, b = 0.0;
        for (int i : participating) {
            const long double qi = q[i], li = l[i];
            a = R48(a + qi * li);
            b = R48(((b + qi * qi) + li * li) - qi * li);
        }
        if (b == 0.0)
            return 0.0;
        return R48(std::fabs(static_cast<long double>(a) / b));
    }
    case kCorrelation: {
        statistics.ResetChannel();
        for (int i : participating)
            statistics.AddPoint(q[i], l[i]);
        const double r = statistics.ChannelResults().r;
        return R48(static_cast<long double>(r) * r);
    }
    default:
        return 0.0;
    }
}

namespace {

// Every step of the distances and of Tanimoto rounds a sum formed in extended precision to the
// 6-byte real. The fast steps compute the sum in double (exactly rounded, or within a few units of
// its last place) and round that (Real48RoundedIfClear): the same 6-byte value unless the sum lies
// near a point halfway between two 6-byte values, where the roundings of the two forms could
// differ. Such steps (and any whose operands would not be exact) take the extended step instead.
inline bool ClearOfMidpoint(double h, double& rounded) { return Real48RoundedIfClear(h, rounded); }
inline bool ExactDifference(double q, double l, double& d) { return ExactDoubleDifference(q, l, d); }

// The steps of the running sums. Each returns the same value as the extended-precision step it
// replaces. The FMA forms need the instruction; without it the extended step is taken.
#if defined(__x86_64__) && defined(__GNUC__)
#define VELMORA_FMA_TARGET __attribute__((target("fma")))
#else
#define VELMORA_FMA_TARGET
#endif

VELMORA_FMA_TARGET inline double SquareStep(double sum, double q, double l)
{
    double d, rounded;
    if (ExactDifference(q, l, d)) {
        if (d == 0.0)
            return sum; // sum is a 6-byte value already (or 0)
        // sum >= 0, so the extended step is within 2^-10 units of sum + d*d; fma rounds it once.
        if (ClearOfMidpoint(std::fma(d, d, sum), rounded))
            return rounded;
    }
    const long double e = static_cast<long double>(q) - l;
    return R48(sum + e * e);
}

inline double AbsoluteStep(double sum, double q, double l)
{
    double d, rounded;
    if (ExactDifference(q, l, d)) {
        if (d == 0.0)
            return sum;
        if (ClearOfMidpoint(sum + std::fabs(d), rounded))
            return rounded;
    }
    return R48(sum + std::fabs(static_cast<long double>(q) - l));
}

VELMORA_FMA_TARGET inline double ProductStep(double a, double q, double l)
{
    // a + q*l rounded once by fma. The extended step errs by about 2^-64 (|q*l| + |a + q*l|): a
    // small part of a unit unless the sum cancels, which |q*l| <= 128 |h| rules out.
    const double h = std::fma(q, l, a);
    double rounded;
    if (std::fabs(q * l) <= 128.0 * std::fabs(h) && ClearOfMidpoint(h, rounded))
        return rounded;
    const long double qi = q, li = l;
    return R48(a + qi * li);
}

VELMORA_FMA_TARGET inline double TanimotoDenominatorStep(double b, double q, double l)
{
    // s = b + q^2 + l^2 - q*l >= (b + q^2 + l^2) / 2, as b >= 0: the double form below errs by at
    // most 7 units of s, the extended one by far less than one.
    const double h = std::fma(l, l, std::fma(q, q, b)) - q * l;
    double rounded;
    if (ClearOfMidpoint(h, rounded))
        return rounded;
    const long double qi = q, li = l;
    return R48(((b + qi * qi) + li * li) - qi * li);
}

bool HasFma()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("fma");
    return has;
#else
    return false;
#endif
}

// The distances and Tanimoto with the fast steps; the correlation as the reference computes it.
VELMORA_FMA_TARGET double FastCoefficient(int index, const double* q, const double* l,
                                          const std::vector<int>& participating, int chosenCount,
                                          StatisticsAccumulator& statistics)
{
    switch (index) {
    case kEuclidean:
    case kAverage: {
        double sum = 0.0;
        for (int i : participating)
            sum = SquareStep(sum, q[i], l[i]);
        const double euclid = R48(std::sqrt(static_cast<long double>(sum)));
        if (index == kEuclidean)
            return euclid;
        return chosenCount > 0 ? R48(static_cast<long double>(euclid) / chosenCount) : 0.0;
    }
    case kManhattan: {
        double sum = 0.0;
        for (int i : participating)
            sum = AbsoluteStep(sum, q[i], l[i]);
        return sum;
    }
    case kTanimoto: {
        double a = 0.0, b = 0.0;
        for (int i : participating) {
            a = ProductStep(a, q[i], l[i]);
            b = TanimotoDenominatorStep(b, q[i], l[i]);
        }
        if (b == 0.0)
            return 0.0;
        return R48(std::fabs(static_cast<long double>(a) / b));
    }
    default:
        return CoefficientReference(index, q, l, participating, chosenCount, statistics);
    }
}

// Two library vectors at once with the fast steps; the correlation one after the other.
VELMORA_FMA_TARGET void FastCoefficientPair(int index, const double* q, const double* l1, const double* l2,
                                            const std::vector<int>& participating, int chosenCount,
                                            StatisticsAccumulator& statistics, double& value1, double& value2)
{
    switch (index) {
    case kEuclidean:
    case kAverage: {
        double sum1 = 0.0, sum2 = 0.0;
        for (int i : participating) {
            sum1 = SquareStep(sum1, q[i], l1[i]);
            sum2 = SquareStep(sum2, q[i], l2[i]);
        }
        value1 = R48(std::sqrt(static_cast<long double>(sum1)));
        value2 = R48(std::sqrt(static_cast<long double>(sum2)));
        if (index == kAverage) {
            value1 = chosenCount > 0 ? R48(static_cast<long double>(value1) / chosenCount) : 0.0;
            value2 = chosenCount > 0 ? R48(static_cast<long double>(value2) / chosenCount) : 0.0;
        }
        return;
    }
    case kManhattan: {
        double sum1 = 0.0, sum2 = 0.0;
        for (int i : participating) {
            sum1 = AbsoluteStep(sum1, q[i], l1[i]);
            sum2 = AbsoluteStep(sum2, q[i], l2[i]);
        }
        value1 = sum1;
        value2 = sum2;
        return;
    }
    case kTanimoto: {
        double a1 = 0.0, b1 = 0.0, a2 = 0.0, b2 = 0.0;
        for (int i : participating) {
            a1 = ProductStep(a1, q[i], l1[i]);
            b1 = TanimotoDenominatorStep(b1, q[i], l1[i]);
            a2 = ProductStep(a2, q[i], l2[i]);
            b2 = TanimotoDenominatorStep(b2, q[i], l2[i]);
        }
        value1 = b1 == 0.0 ? 0.0 : R48(std::fabs(static_cast<long double>(a1) / b1));
        value2 = b2 == 0.0 ? 0.0 : R48(std::fabs(static_cast<long double>(a2) / b2));
        return;
    }
    default:
        value1 = CoefficientReference(index, q, l1, participating, chosenCount, statistics);
        value2 = CoefficientReference(index, q, l2, participating, chosenCount, statistics);
        return;
    }
}

} // namespace

void CoefficientPair(int index, const double* q, const double* l1, const double* l2,
                     const std::vector<int>& participating, int chosenCount, StatisticsAccumulator& statistics,
                     double& value1, double& value2)
{
    if (!HasFma()) {
        value1 = CoefficientReference(index, q, l1, participating, chosenCount, statistics);
        value2 = CoefficientReference(index, q, l2, participating, chosenCount, statistics);
        return;
    }
    FastCoefficientPair(index, q, l1, l2, participating, chosenCount, statistics, value1, value2);
}

double Coefficient(int index, const double* q, const double* l, const std::vector<int>& participating,
                   int chosenCount, StatisticsAccumulator& statistics)
{
    if (!HasFma())
        return CoefficientReference(index, q, l, participating, chosenCount, statistics);
    return FastCoefficient(index, q, l, participating, chosenCount, statistics);
}

} // namespace velmora
