#include "search/coefficients.h"

#include "base/real48.h"

#include <cmath>

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

double Coefficient(int index, const double* q, const double* l, const std::vector<int>& participating,
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

} // namespace velmora
