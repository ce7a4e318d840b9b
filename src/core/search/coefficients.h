#pragma once
// The five similarity coefficients between two scaled descriptor vectors.
#include "search/statistics.h"

#include <array>
#include <string>
#include <vector>

namespace velmora {

constexpr int kCoefficientCount = 5;
enum CoefficientIndexes : int {
    kEuclidean = 0,
    kAverage = 1,
    kManhattan = 2,
    kTanimoto = 3,
    kCorrelation = 4,
};

// "Euclidean distance", ... as shown in dialogs and reports.
const std::string& CoefficientName(int index);
// "  Euclidean dist   :", ... the detail page's value label.
const std::string& CoefficientLabel(int index);
// "Euclidean dist", ... the report table's value heading (14 characters).
const std::string& CoefficientHeading(int index);
// Distances: smaller is better; Tanimoto and correlation: greater is better.
bool SmallerIsBetter(int index);

// The coefficient between the query values q and the library values l over the participating
// catalogue indices, as a 6-byte real. Running sums of the distances and of Tanimoto are 6-byte
// reals rounded after each term; terms are formed in extended precision. chosenCount divides the
// average distance. A Tanimoto denominator of 0 gives 0. The correlation uses (and resets) the
// accumulator's current channel.
double Coefficient(int index, const double* q, const double* l, const std::vector<int>& participating,
                   int chosenCount, StatisticsAccumulator& statistics);
// Coefficient for two library vectors l1 and l2 in one pass (two independent chains of steps keep
// the processor busy): value1 and value2 as two calls in that order would give them.
void CoefficientPair(int index, const double* q, const double* l1, const double* l2,
                     const std::vector<int>& participating, int chosenCount, StatisticsAccumulator& statistics,
                     double& value1, double& value2);
// The same computed literally, every step in extended precision: the reference Coefficient is
// tested against (Coefficient takes shorter ways where they give the same value).
double CoefficientReference(int index, const double* q, const double* l, const std::vector<int>& participating,
                            int chosenCount, StatisticsAccumulator& statistics);

} // namespace velmora
