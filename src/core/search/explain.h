#pragma once
// Why a structure came out similar: the value of one best match taken apart descriptor by
// descriptor, in the coefficient's own terms, computed from the same raw values, the same scaling
// and the same coefficient code as the search. Nothing of the search changes; an explanation is
// computed afterwards, for the matches shown only.
#include "descriptors/catalogue.h"
#include "search/libparams.h"

#include <array>
#include <string>
#include <vector>

namespace velmora {

class Workbench;

// How a descriptor acts on the value: it brings the two structures closer than an even part of
// the value would, or keeps them apart. Distances and Tanimoto: its share is at most / above the
// even share 1/n. Correlation: its contribution raises / lowers the value.
enum class DescriptorPull { Closer, Neutral, Apart };

struct DescriptorContribution {
    int index = 0; // catalogue index
    double queryRaw = 0, matchRaw = 0;
    double mean = 0, stdDev = 0;          // the library's parameters used for scaling
    double queryScaled = 0, matchScaled = 0; // 6-byte reals, as the search compares them
    // The coefficient's own term: |q - l| (Manhattan), (q - l)^2 (Euclidean, average), q*l (the
    // Tanimoto numerator), (q - mean q)(l - mean l) (the correlation's covariance).
    double term = 0;
    double denominatorTerm = 0; // Tanimoto only: q^2 + l^2 - q*l
    // The descriptor's fraction of the value: term / sum of the terms. Tanimoto: its fraction of
    // 1 - value, which is sum (q-l)^2 / sum (q^2+l^2-q*l); there (q-l)^2 / sum (q-l)^2. The shares
    // add up to 1 (0 each when there is nothing to split); a correlation share may be negative.
    double share = 0;
    // share x value: the contributions add up to the value. Tanimoto: (q-l)^2 / sum (q^2+l^2-q*l);
    // the contributions add up to 1 - A/B, so the value |A/B| is |1 - their sum|.
    double contribution = 0;
    DescriptorPull pull = DescriptorPull::Neutral;
};

struct MatchExplanation {
    int coefficient = 0;
    int rank = 0;             // 0 when not taken from a search
    long libraryPosition = 0; // 0 when not taken from a search
    std::string name;         // of the library structure
    std::string library;      // a library set's member holding it (as its list names it); else empty
    int chosenCount = 0;      // the divisor of the average distance
    double value = 0;         // by the search's coefficient code, a 6-byte real
    std::string valueText;    // the value as the report shows it ("%8.4f", without padding)
    double termSum = 0;       // sum of the terms
    double denominator = 0;   // Tanimoto: sum of the denominator terms; correlation: sqrt(Sxx * Syy)
    std::vector<DescriptorContribution> contributions; // closest first (smallest share of a distance
                                                       // or of Tanimoto's 1 - value first)
};

// The explanation of one comparison from raw descriptor values (catalogue-indexed), scaled with
// the given parameters. participating and chosenCount as the search used them.
MatchExplanation ExplainValues(int coefficient, const std::vector<int>& participating, int chosenCount,
                               const LibraryParameters& parameters, const std::array<double, kCatalogueSize>& queryRaw,
                               const std::array<double, kCatalogueSize>& matchRaw);

// The coefficient put together again from the explanation's terms (sqrt of the sum for Euclidean,
// divided by the chosen count for average, |sum q*l / sum of denominators| for Tanimoto, the
// squared ratio of covariance to spread for correlation). Agrees with value to the 4 decimals shown.
double RecombinedValue(const MatchExplanation& explanation);

// A raw descriptor value as text: counts as integers, real descriptors with 3 decimals.
std::string RawValueText(int index, double value);

// How the value is put together from the sums, with the numbers, e.g.
// "value = sqrt(sum (q-l)^2) = sqrt(1.5239) = 1.2345".
std::string ValueFormula(const MatchExplanation& explanation);

// What a reader should know beyond the numbers, or "": a negative correlation (r^2 ranks an opposite
// trend as high as a common one).
std::string ExplanationRemark(const MatchExplanation& explanation);

// The value from the contributions alone: their sum; for Tanimoto |1 - their sum|.
double ValueFromContributions(const MatchExplanation& explanation);

// What a share means for a coefficient, e.g. "share of the squared distance".
const std::string& ShareMeaning(int coefficient);
// The short heading of the term column, e.g. "(q-l)^2".
const std::string& TermHeading(int coefficient);

// The explanation of rank 1..Results().filled of the workbench's last search: the query's values
// from the query, the match's from the descriptor file (NORMAL mode) or from the structure (INTRO
// mode). Reads the match into the library's structure buffer. Throws IoError when a file cannot be
// read or when the values no longer give the ranked value (the library, its descriptor file or its
// parameters changed since the search); std::out_of_range for a rank without a structure.
MatchExplanation ExplainMatch(Workbench& workbench, int rank);

} // namespace velmora
