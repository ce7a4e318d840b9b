#include "search/explain.h"
#include "search/libsetfiles.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/real48.h"
#include "search/coefficients.h"
#include "search/statistics.h"
#include "search/workbench.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace velmora {

namespace {

std::string ValueText(double value)
{
    std::string text = FormatFixed(ToReal48Precision(value), 4);
    if (text == "-0.0000")
        text.erase(0, 1);
    return text;
}

// The value as the ranking holds it: the 4-decimal text read back as a float.
float RankedFloat(const std::string& text)
{
    float value = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::array<std::uint8_t, kDescriptorRecordSize> ReadDescriptorRecord(const std::string& file, long position)
{
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw IoError(file, "cannot open the descriptor file");
    in.seekg(static_cast<std::streamoff>(position - 1) * kDescriptorRecordSize);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw IoError(file, "no descriptor record for structure " + std::to_string(position));
    return bytes;
}

} // namespace

std::string RawValueText(int index, double value)
{
    std::string text = FormatFixed(value, IsRealDescriptor(index) ? 3 : 0);
    if (text.find_first_not_of("-0.") == std::string::npos)
        text = IsRealDescriptor(index) ? "0.000" : "0";
    return text;
}

const std::string& ShareMeaning(int coefficient)
{
    return CoefficientText(&CoefficientRow::shareMeaning, coefficient);
}

const std::string& TermHeading(int coefficient) { return CoefficientText(&CoefficientRow::termHeading, coefficient); }

MatchExplanation ExplainValues(int coefficient, const std::vector<int>& participating, int chosenCount,
                               const LibraryParameters& parameters, const std::array<double, kCatalogueSize>& queryRaw,
                               const std::array<double, kCatalogueSize>& matchRaw)
{
    MatchExplanation explanation;
    explanation.coefficient = coefficient;
    explanation.chosenCount = chosenCount;

    // The scaled vectors exactly as the search forms them, and the value by its own code.
    std::array<double, kCatalogueSize> q{}, l{};
    for (int i : participating) {
        const auto k = static_cast<std::size_t>(i);
        q[k] = parameters.Scale(i, queryRaw[k]);
        l[k] = parameters.Scale(i, matchRaw[k]);
    }
    StatisticsAccumulator statistics;
    explanation.value = Coefficient(coefficient, q.data(), l.data(), participating, chosenCount, statistics);
    explanation.valueText = ValueText(explanation.value);

    const CoefficientRow& row = CoefficientInfo(coefficient);
    const auto n = static_cast<long double>(participating.size());
    long double meanQ = 0, meanL = 0;
    if (row.centred && !participating.empty()) {
        for (int i : participating) {
            meanQ += q[static_cast<std::size_t>(i)];
            meanL += l[static_cast<std::size_t>(i)];
        }
        meanQ /= n;
        meanL /= n;
    }
    long double sum = 0, denominator = 0, spreadQ = 0, spreadL = 0;
    for (int i : participating) {
        const auto k = static_cast<std::size_t>(i);
        DescriptorContribution c;
        c.index = i;
        c.queryRaw = queryRaw[k];
        c.matchRaw = matchRaw[k];
        c.mean = parameters.Mean[k];
        c.stdDev = parameters.StdDev[k];
        c.queryScaled = q[k];
        c.matchScaled = l[k];
        const long double qi = q[k], li = l[k];
        long double term = 0;
        if (row.term)
            term = row.centred ? row.term(qi - meanQ, li - meanL) : row.term(qi, li);
        if (row.denominatorTerm) {
            const long double part = row.denominatorTerm(qi, li);
            c.denominatorTerm = static_cast<double>(part);
            denominator += part;
        }
        if (row.centred) {
            spreadQ += (qi - meanQ) * (qi - meanQ);
            spreadL += (li - meanL) * (li - meanL);
        }
        c.term = static_cast<double>(term);
        sum += term;
        explanation.contributions.push_back(c);
    }
    if (row.centred)
        denominator = std::sqrt(spreadQ * spreadL);
    explanation.termSum = static_cast<double>(sum);
    explanation.denominator = static_cast<double>(denominator);

    // Tanimoto: 1 - A/B = sum (q-l)^2 / B, so the squared differences split the gap to 1.
    const bool tanimoto = row.gapIsOneLessValue;
    const long double gap = denominator - sum;
    const bool distance = row.splitsGap;
    for (auto& c : explanation.contributions) {
        if (tanimoto) {
            const long double d = static_cast<long double>(c.denominatorTerm) - c.term;
            c.share = gap != 0 ? static_cast<double>(d / gap) : 0.0;
            c.contribution = denominator != 0 ? static_cast<double>(d / denominator) : 0.0;
        } else {
            c.share = sum != 0 ? static_cast<double>(c.term / sum) : 0.0;
            c.contribution = c.share * explanation.value;
        }
        if (distance)
            c.pull = c.share * n <= 1 ? DescriptorPull::Closer : DescriptorPull::Apart;
        else
            c.pull = c.contribution > 0   ? DescriptorPull::Closer
                     : c.contribution < 0 ? DescriptorPull::Apart
                                          : DescriptorPull::Neutral;
    }
    // Closest first: the smallest parts of a distance or of Tanimoto's gap, the greatest
    // contributions to a correlation.
    std::stable_sort(explanation.contributions.begin(), explanation.contributions.end(),
                     [distance](const DescriptorContribution& a, const DescriptorContribution& b) {
                         return distance ? a.share < b.share : a.contribution > b.contribution;
                     });
    return explanation;
}

double RecombinedValue(const MatchExplanation& explanation)
{
    long double sum = 0, denominator = 0;
    for (const auto& c : explanation.contributions) {
        sum += c.term;
        denominator += c.denominatorTerm;
    }
    const CoefficientRow& row = CoefficientInfo(explanation.coefficient);
    return row.recombined ? row.recombined(explanation, sum, denominator) : 0.0;
}

std::string ExplanationRemark(const MatchExplanation& e)
{
    if (!CoefficientInfo(e.coefficient).centred || e.termSum >= 0 || e.value == 0)
        return {};
    return "r is negative (" + FormatFixed(e.termSum / e.denominator, 4) +
           "): the match's scaled values run opposite to the query's; the squared coefficient ranks an "
           "opposite trend as high as a common one.";
}

double ValueFromContributions(const MatchExplanation& explanation)
{
    long double sum = 0;
    for (const auto& c : explanation.contributions)
        sum += c.contribution;
    return static_cast<double>(CoefficientInfo(explanation.coefficient).gapIsOneLessValue ? std::fabs(1 - sum) : sum);
}

std::string ValueFormula(const MatchExplanation& e)
{
    const CoefficientRow& row = CoefficientInfo(e.coefficient);
    return row.formula ? row.formula(e) : std::string();
}

MatchExplanation ExplainMatch(Workbench& workbench, int rank)
{
    const SearchResults& results = workbench.Results();
    if (!workbench.HasResults() || rank < 1 || rank > results.filled)
        throw std::out_of_range("no structure at rank " + std::to_string(rank));
    const SearchState& state = workbench.State();
    const long position = results.StructureAt(rank);
    StructureLibrary& library = workbench.Library();
    const int code = library.ReadLibraryRecord(state.LibraryFileName, position);
    if (code != kLibOk)
        throw IoError(state.LibraryFileName,
                      "cannot read structure " + std::to_string(position) + " (code " + std::to_string(code) + ")");

    std::array<double, kCatalogueSize> matchRaw{};
    if (state.Mode == DescriptorMode::Normal) {
        const auto record =
            IsLibrarySetName(state.LibraryFileName)
                ? ReadPartRecord(SetDescriptorParts(LibrarySet::Read(state.LibraryFileName)), position)
                : ReadDescriptorRecord(CompanionFileName(state.LibraryFileName, "pre"), position);
        for (int i : workbench.Participating())
            matchRaw[static_cast<std::size_t>(i)] = StoredDescriptorValue(record.data(), i);
    } else {
        matchRaw = ComputeDescriptorValues(library.Structure());
    }
    MatchExplanation explanation =
        ExplainValues(results.coefficient, workbench.Participating(), workbench.Selection().ChosenCount(),
                      workbench.Parameters(), ComputeDescriptorValues(workbench.ResultQuery(rank)), matchRaw);
    explanation.rank = rank;
    explanation.libraryPosition = position;
    explanation.name = library.Structure().FStrucName;
    explanation.library = MemberNameAt(state.LibraryFileName, position);
    // A query set's result is explained against the query with the best value for it: that value.
    if (RankedFloat(explanation.valueText) != results.best[static_cast<std::size_t>(rank - 1)].queryValue)
        throw IoError(state.LibraryFileName,
                      "the values of rank " + std::to_string(rank) +
                          " no longer give its ranked value: the library, its descriptor file, its parameters or "
                          "the chosen descriptors changed since the search");
    return explanation;
}

} // namespace velmora
