#include "search/coefficients.h"

#include "base/numtext.h"
#include "base/real48.h"
#include "search/explain.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace velmora {

namespace {
double R48(long double value) { return ToReal48Precision(value); }
} // namespace

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

// The coefficients, each computed literally (Reference), with the fast steps (Fast, FMA only) and
// for two library vectors at once (Pair, FMA only). The correlation has no shorter way.

double EuclidSumReference(const double* q, const double* l, const std::vector<int>& participating)
{
    double sum = 0.0;
    for (int i : participating) {
        const long double d = static_cast<long double>(q[i]) - l[i];
        sum = R48(sum + d * d);
    }
    return sum;
}

double Root(double sum) { return R48(std::sqrt(static_cast<long double>(sum))); }
double PerChosen(double euclid, int chosenCount)
{
    return chosenCount > 0 ? R48(static_cast<long double>(euclid) / chosenCount) : 0.0;
}

double EuclidReference(const double* q, const double* l, const std::vector<int>& participating, int,
                       StatisticsAccumulator&)
{
    return Root(EuclidSumReference(q, l, participating));
}

double AverageReference(const double* q, const double* l, const std::vector<int>& participating, int chosenCount,
                        StatisticsAccumulator&)
{
    return PerChosen(Root(EuclidSumReference(q, l, participating)), chosenCount);
}

double ManhattanReference(const double* q, const double* l, const std::vector<int>& participating, int,
                          StatisticsAccumulator&)
{
    double sum = 0.0;
    for (int i : participating)
        sum = R48(sum + std::fabs(static_cast<long double>(q[i]) - l[i]));
    return sum;
}

double TanimotoOf(double a, double b) { return b == 0.0 ? 0.0 : R48(std::fabs(static_cast<long double>(a) / b)); }

double TanimotoReference(const double* q, const double* l, const std::vector<int>& participating, int,
                         StatisticsAccumulator&)
{
    double a = 0.0, b = 0.0;
    for (int i : participating) {
        const long double qi = q[i], li = l[i];
        a = R48(a + qi * li);
        b = R48(((b + qi * qi) + li * li) - qi * li);
    }
    return TanimotoOf(a, b);
}

double CorrelationReference(const double* q, const double* l, const std::vector<int>& participating, int,
                            StatisticsAccumulator& statistics)
{
    statistics.ResetChannel();
    for (int i : participating)
        statistics.AddPoint(q[i], l[i]);
    const double r = statistics.ChannelResults().r;
    return R48(static_cast<long double>(r) * r);
}

VELMORA_FMA_TARGET double EuclidSumFast(const double* q, const double* l, const std::vector<int>& participating)
{
    double sum = 0.0;
    for (int i : participating)
        sum = SquareStep(sum, q[i], l[i]);
    return sum;
}

VELMORA_FMA_TARGET double EuclidFast(const double* q, const double* l, const std::vector<int>& participating, int,
                                     StatisticsAccumulator&)
{
    return Root(EuclidSumFast(q, l, participating));
}

VELMORA_FMA_TARGET double AverageFast(const double* q, const double* l, const std::vector<int>& participating,
                                      int chosenCount, StatisticsAccumulator&)
{
    return PerChosen(Root(EuclidSumFast(q, l, participating)), chosenCount);
}

VELMORA_FMA_TARGET double ManhattanFast(const double* q, const double* l, const std::vector<int>& participating, int,
                                        StatisticsAccumulator&)
{
    double sum = 0.0;
    for (int i : participating)
        sum = AbsoluteStep(sum, q[i], l[i]);
    return sum;
}

VELMORA_FMA_TARGET double TanimotoFast(const double* q, const double* l, const std::vector<int>& participating, int,
                                       StatisticsAccumulator&)
{
    double a = 0.0, b = 0.0;
    for (int i : participating) {
        a = ProductStep(a, q[i], l[i]);
        b = TanimotoDenominatorStep(b, q[i], l[i]);
    }
    return TanimotoOf(a, b);
}

VELMORA_FMA_TARGET void EuclidSumsPair(const double* q, const double* l1, const double* l2,
                                       const std::vector<int>& participating, double& sum1, double& sum2)
{
    sum1 = 0.0;
    sum2 = 0.0;
    for (int i : participating) {
        sum1 = SquareStep(sum1, q[i], l1[i]);
        sum2 = SquareStep(sum2, q[i], l2[i]);
    }
}

VELMORA_FMA_TARGET void EuclidPair(const double* q, const double* l1, const double* l2,
                                   const std::vector<int>& participating, int, StatisticsAccumulator&, double& value1,
                                   double& value2)
{
    EuclidSumsPair(q, l1, l2, participating, value1, value2);
    value1 = Root(value1);
    value2 = Root(value2);
}

VELMORA_FMA_TARGET void AveragePair(const double* q, const double* l1, const double* l2,
                                    const std::vector<int>& participating, int chosenCount, StatisticsAccumulator&,
                                    double& value1, double& value2)
{
    EuclidSumsPair(q, l1, l2, participating, value1, value2);
    value1 = PerChosen(Root(value1), chosenCount);
    value2 = PerChosen(Root(value2), chosenCount);
}

VELMORA_FMA_TARGET void ManhattanPair(const double* q, const double* l1, const double* l2,
                                      const std::vector<int>& participating, int, StatisticsAccumulator&,
                                      double& value1, double& value2)
{
    double sum1 = 0.0, sum2 = 0.0;
    for (int i : participating) {
        sum1 = AbsoluteStep(sum1, q[i], l1[i]);
        sum2 = AbsoluteStep(sum2, q[i], l2[i]);
    }
    value1 = sum1;
    value2 = sum2;
}

VELMORA_FMA_TARGET void TanimotoPair(const double* q, const double* l1, const double* l2,
                                     const std::vector<int>& participating, int, StatisticsAccumulator&,
                                     double& value1, double& value2)
{
    double a1 = 0.0, b1 = 0.0, a2 = 0.0, b2 = 0.0;
    for (int i : participating) {
        a1 = ProductStep(a1, q[i], l1[i]);
        b1 = TanimotoDenominatorStep(b1, q[i], l1[i]);
        a2 = ProductStep(a2, q[i], l2[i]);
        b2 = TanimotoDenominatorStep(b2, q[i], l2[i]);
    }
    value1 = TanimotoOf(a1, b1);
    value2 = TanimotoOf(a2, b2);
}

void CorrelationPair(const double* q, const double* l1, const double* l2, const std::vector<int>& participating,
                     int chosenCount, StatisticsAccumulator& statistics, double& value1, double& value2)
{
    value1 = CorrelationReference(q, l1, participating, chosenCount, statistics);
    value2 = CorrelationReference(q, l2, participating, chosenCount, statistics);
}

// The explanation's terms.
long double SquaredDifference(long double q, long double l) { return (q - l) * (q - l); }
long double AbsoluteDifference(long double q, long double l) { return std::fabs(q - l); }
long double Product(long double q, long double l) { return q * l; }
long double TanimotoDenominator(long double q, long double l) { return q * q + l * l - q * l; }

double EuclidRecombined(const MatchExplanation&, long double sum, long double)
{
    return static_cast<double>(std::sqrt(sum));
}
double AverageRecombined(const MatchExplanation& e, long double sum, long double)
{
    return e.chosenCount > 0 ? static_cast<double>(std::sqrt(sum) / e.chosenCount) : 0.0;
}
double ManhattanRecombined(const MatchExplanation&, long double sum, long double) { return static_cast<double>(sum); }
double TanimotoRecombined(const MatchExplanation&, long double sum, long double denominator)
{
    return denominator != 0 ? static_cast<double>(std::fabs(sum / denominator)) : 0.0;
}
double CorrelationRecombined(const MatchExplanation& e, long double sum, long double)
{
    if (e.contributions.size() < 3 || e.denominator == 0)
        return 0.0;
    const long double r = sum / e.denominator;
    return static_cast<double>(r * r);
}

std::string EuclidFormula(const MatchExplanation& e)
{
    return "value = sqrt(sum (q-l)^2) = sqrt(" + FormatFixed(e.termSum, 4) + ") = " + e.valueText;
}
std::string AverageFormula(const MatchExplanation& e)
{
    return "value = sqrt(sum (q-l)^2) / m = sqrt(" + FormatFixed(e.termSum, 4) + ") / " +
           std::to_string(e.chosenCount) + " = " + e.valueText;
}
std::string ManhattanFormula(const MatchExplanation& e) { return "value = sum |q-l| = " + e.valueText; }
std::string TanimotoFormula(const MatchExplanation& e)
{
    return "value = |sum q*l / sum (q^2+l^2-q*l)| = |" + FormatFixed(e.termSum, 4) + " / " +
           FormatFixed(e.denominator, 4) + "| = " + e.valueText +
           "; 1 - value = sum (q-l)^2 / sum (q^2+l^2-q*l) = " + FormatFixed(e.denominator - e.termSum, 4) + " / " +
           FormatFixed(e.denominator, 4);
}
std::string CorrelationFormula(const MatchExplanation& e)
{
    return "value = r^2, r = sum cov part / sqrt(Sxx*Syy) = " + FormatFixed(e.termSum, 4) + " / " +
           FormatFixed(e.denominator, 4) + " = " +
           FormatFixed(e.denominator != 0 ? e.termSum / e.denominator : 0.0, 4) + ", r^2 = " + e.valueText;
}

constexpr std::array<CoefficientRow, kCoefficientCount> kTable{{
    {"Euclidean distance", "euclidean", "  Euclidean dist   :", "Euclidean dist", "Euclidean ",
     "share of the squared distance", "(q-l)^2", true, true, false, false, 0, EuclidReference, EuclidFast,
     EuclidPair, SquaredDifference, nullptr, EuclidRecombined, EuclidFormula},
    {"Average distance", "average", "  Average dist      :", "Average dist  ", "Average   ",
     "share of the squared distance", "(q-l)^2", true, true, false, false, 0, AverageReference, AverageFast,
     AveragePair, SquaredDifference, nullptr, AverageRecombined, AverageFormula},
    {"Manhattan distance", "manhattan", "  Manhattan dist   :", "Manhattan dist", "Manhattan ",
     "share of the distance", "|q-l|", true, true, false, false, 0, ManhattanReference, ManhattanFast,
     ManhattanPair, AbsoluteDifference, nullptr, ManhattanRecombined, ManhattanFormula},
    {"Tanimoto coefficient", "tanimoto", "  Tanimoto coeff   :", "Tanimoto coeff", "Tanimoto  ",
     "share of the gap 1 - value", "q*l", false, true, true, false, 0, TanimotoReference, TanimotoFast,
     TanimotoPair, Product, TanimotoDenominator, TanimotoRecombined, TanimotoFormula},
    {"Correlation coefficient", "correlation", "  Correlation coeff:", "Correlat coeff", "Corr coeff",
     "share of the covariance", "cov part", false, false, false, true, 3, CorrelationReference,
     CorrelationReference, CorrelationPair, Product, nullptr, CorrelationRecombined, CorrelationFormula},
}};

constexpr CoefficientRow kNoRow{"", "", "", "", "", "", "", false, false, false, false, 0,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

constexpr std::array kTextColumns{&CoefficientRow::name,         &CoefficientRow::typed,
                                  &CoefficientRow::label,        &CoefficientRow::heading,
                                  &CoefficientRow::printedName,  &CoefficientRow::shareMeaning,
                                  &CoefficientRow::termHeading};

} // namespace

const std::array<CoefficientRow, kCoefficientCount>& CoefficientTable() { return kTable; }

const CoefficientRow& CoefficientInfo(int index)
{
    return index >= 0 && index < kCoefficientCount ? kTable[static_cast<std::size_t>(index)] : kNoRow;
}

int CoefficientFromTyped(const std::string& typed)
{
    for (int i = 0; i < kCoefficientCount; ++i)
        if (typed == kTable[static_cast<std::size_t>(i)].typed)
            return i;
    return -1;
}

int CoefficientFromName(const std::string& name)
{
    for (int i = 0; i < kCoefficientCount; ++i)
        if (name == kTable[static_cast<std::size_t>(i)].name)
            return i;
    return -1;
}

std::string TypedCoefficientList(const std::string& defaultMark)
{
    std::string list;
    for (int i = 0; i < kCoefficientCount; ++i) {
        if (i > 0)
            list += i + 1 == kCoefficientCount ? " or " : ", ";
        list += kTable[static_cast<std::size_t>(i)].typed;
        if (i == 0)
            list += defaultMark;
    }
    return list;
}

const std::string& CoefficientText(const char* CoefficientRow::*column, int index)
{
    using Texts = std::array<std::string, kTextColumns.size()>;
    static const std::array<Texts, kCoefficientCount + 1> texts = [] {
        std::array<Texts, kCoefficientCount + 1> all; // empty strings; "all{}" crashes clang 14
        for (int i = 0; i < kCoefficientCount; ++i)
            for (std::size_t c = 0; c < kTextColumns.size(); ++c)
                all[static_cast<std::size_t>(i)][c] = kTable[static_cast<std::size_t>(i)].*kTextColumns[c];
        return all;
    }();
    const std::size_t row = index >= 0 && index < kCoefficientCount ? static_cast<std::size_t>(index) : kCoefficientCount;
    for (std::size_t c = 0; c < kTextColumns.size(); ++c)
        if (kTextColumns[c] == column)
            return texts[row][c];
    return texts[kCoefficientCount][0];
}

const std::string& CoefficientName(int index) { return CoefficientText(&CoefficientRow::name, index); }
const std::string& CoefficientLabel(int index) { return CoefficientText(&CoefficientRow::label, index); }
const std::string& CoefficientHeading(int index) { return CoefficientText(&CoefficientRow::heading, index); }
bool SmallerIsBetter(int index) { return CoefficientInfo(index).smallerIsBetter; }

double CoefficientReference(int index, const double* q, const double* l, const std::vector<int>& participating,
                            int chosenCount, StatisticsAccumulator& statistics)
{
    const CoefficientRow& row = CoefficientInfo(index);
    return row.reference ? row.reference(q, l, participating, chosenCount, statistics) : 0.0;
}

void CoefficientPair(int index, const double* q, const double* l1, const double* l2,
                     const std::vector<int>& participating, int chosenCount, StatisticsAccumulator& statistics,
                     double& value1, double& value2)
{
    const CoefficientRow& row = CoefficientInfo(index);
    if (!HasFma() || !row.pair) {
        value1 = CoefficientReference(index, q, l1, participating, chosenCount, statistics);
        value2 = CoefficientReference(index, q, l2, participating, chosenCount, statistics);
        return;
    }
    row.pair(q, l1, l2, participating, chosenCount, statistics, value1, value2);
}

double Coefficient(int index, const double* q, const double* l, const std::vector<int>& participating,
                   int chosenCount, StatisticsAccumulator& statistics)
{
    const CoefficientRow& row = CoefficientInfo(index);
    if (!HasFma() || !row.value)
        return CoefficientReference(index, q, l, participating, chosenCount, statistics);
    return row.value(q, l, participating, chosenCount, statistics);
}

} // namespace velmora
