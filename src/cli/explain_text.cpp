#include "explain_text.h"

#include "base/numtext.h"
#include "search/coefficients.h"

namespace velmora::cli {

namespace {

std::string Percent(double share)
{
    std::string text = FormatFixed(share * 100.0, 1);
    return (text == "-0.0" ? std::string("0.0") : text) + " %";
}

} // namespace

void PrintExplanations(std::ostream& out, const std::vector<MatchExplanation>& explanations)
{
    if (explanations.empty())
        return;
    const int coefficient = explanations.front().coefficient;
    const bool tanimoto = CoefficientInfo(coefficient).denominatorTerm != nullptr;
    out << "\nWHY SIMILAR (" << CoefficientName(coefficient) << "; share = " << ShareMeaning(coefficient)
        << "; closest descriptors first)\n";
    for (const MatchExplanation& e : explanations) {
        out << "\n  Rank " << e.rank << ": position " << e.libraryPosition
            << (e.library.empty() ? std::string() : " (" + e.library + ")") << ", " << e.name << ", value "
            << e.valueText << "\n";
        out << "    " << PadRight("Descriptor", 22) << PadLeft("Query", 9) << PadLeft("Match", 9)
            << PadLeft("Query sc", 10) << PadLeft("Match sc", 10) << PadLeft(TermHeading(coefficient), 11)
            << (tanimoto ? PadLeft("q2+l2-ql", 11) + PadLeft("(q-l)^2", 11) : "") << PadLeft("Share", 9) << PadLeft("Contrib", 10) << "\n";
        double shares = 0, contributions = 0, denominators = 0;
        for (const DescriptorContribution& c : e.contributions) {
            out << "    " << PadRight(CatalogueName(c.index), 22) << PadLeft(RawValueText(c.index, c.queryRaw), 9)
                << PadLeft(RawValueText(c.index, c.matchRaw), 9) << PadLeft(FormatFixed(c.queryScaled, 4), 10)
                << PadLeft(FormatFixed(c.matchScaled, 4), 10) << PadLeft(FormatFixed(c.term, 4), 11)
                << (tanimoto ? PadLeft(FormatFixed(c.denominatorTerm, 4), 11) +
                                   PadLeft(FormatFixed(c.denominatorTerm - c.term, 4), 11)
                             : "")
                << PadLeft(Percent(c.share), 9)
                << PadLeft(FormatFixed(c.contribution, 4), 10) << "\n";
            shares += c.share;
            contributions += c.contribution;
            denominators += c.denominatorTerm;
        }
        out << "    " << PadRight("sum", 22 + 9 + 9 + 10 + 10) << PadLeft(FormatFixed(e.termSum, 4), 11)
            << (tanimoto ? PadLeft(FormatFixed(denominators, 4), 11) +
                               PadLeft(FormatFixed(denominators - e.termSum, 4), 11)
                         : "")
            << PadLeft(Percent(shares), 9)
            << PadLeft(FormatFixed(contributions, 4), 10) << "\n";
        out << "    " << ValueFormula(e) << "\n";
        if (const std::string remark = ExplanationRemark(e); !remark.empty())
            out << "    " << remark << "\n";
    }
}

} // namespace velmora::cli
