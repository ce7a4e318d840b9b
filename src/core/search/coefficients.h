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

struct MatchExplanation;

// One similarity coefficient: everything the ranking, the explanation, the reports, the tool and
// the windows say or do about it. A row's place in the table is the coefficient's number (kept in
// search states and results), so a new coefficient is a new row at the end.
struct CoefficientRow {
    using Value = double (*)(const double* q, const double* l, const std::vector<int>& participating,
                             int chosenCount, StatisticsAccumulator& statistics);
    using PairValue = void (*)(const double* q, const double* l1, const double* l2,
                               const std::vector<int>& participating, int chosenCount,
                               StatisticsAccumulator& statistics, double& value1, double& value2);
    using Term = long double (*)(long double q, long double l);

    const char* name;         // "Euclidean distance": dialogs, reports, diagram abscissa, SD data
    const char* typed;        // "euclidean": as typed on the command line
    const char* label;        // "  Euclidean dist   :": the detail page's value label
    const char* heading;      // "Euclidean dist": the report table's value heading, 14 characters
    const char* printedName;  // "Euclidean ": the printed report's column heading, 10 characters
    const char* shareMeaning; // "share of the squared distance": what a descriptor's share is part of
    const char* termHeading;  // "(q-l)^2": the explanation's term column
    bool smallerIsBetter;     // the ranking keeps the smallest values (distances) or the greatest
    // The explanation's shares split a gap (a distance, or Tanimoto's 1 - value): an even share or
    // less brings the structures closer. Otherwise contributions are signed (the correlation).
    bool splitsGap;
    bool gapIsOneLessValue; // the gap split is 1 - value (Tanimoto)
    bool centred;           // the terms are formed from the values less their means (correlation)
    int fewestChosen;       // a search needs at least this many chosen descriptors (0: any)
    Value reference;        // every step in extended precision: what value must equal
    Value value;            // the same value, by shorter ways where they give the same bits
    PairValue pair;         // value for two library vectors in one pass
    Term term;              // one descriptor's term (of the centred values when centred)
    Term denominatorTerm;   // one descriptor's part of a summed denominator, or null
    // The coefficient put together again from an explanation's terms.
    double (*recombined)(const MatchExplanation& explanation, long double termSum, long double denominatorSum);
    // "value = sqrt(sum (q-l)^2) = ...": the explanation's formula line.
    std::string (*formula)(const MatchExplanation& explanation);
};

// The rows, in the order the windows list them; row 0 is the default.
const std::array<CoefficientRow, kCoefficientCount>& CoefficientTable();
// The row of a coefficient number; an outside number gives an empty row (empty texts, no functions).
const CoefficientRow& CoefficientInfo(int index);
// The number of the coefficient typed as typed ("tanimoto"), or -1.
int CoefficientFromTyped(const std::string& typed);
// The number of the coefficient shown as name ("Tanimoto coefficient"), or -1.
int CoefficientFromName(const std::string& name);
// "euclidean, average, manhattan, tanimoto or correlation"; after the first, defaultMark if given.
std::string TypedCoefficientList(const std::string& defaultMark = "");

// A text column of a row (for example &CoefficientRow::shareMeaning) as a string that lives as long
// as the program; "" for an outside number.
const std::string& CoefficientText(const char* CoefficientRow::*column, int index);
// Shorthands for the row's texts.
const std::string& CoefficientName(int index);
const std::string& CoefficientLabel(int index);
const std::string& CoefficientHeading(int index);
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
