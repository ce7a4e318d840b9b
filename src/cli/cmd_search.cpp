// velmora-cli search LIBRARY (QUERY | --query-smiles SMILES) [options]
#include "cli_support.h"
#include "explain_text.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "io/liblock.h"
#include "report/asciiexport.h"
#include "report/searchreport.h"
#include "search/coefficients.h"
#include "search/explain.h"
#include "search/libsetfiles.h"
#include "search/searchfilters.h"
#include "search/queryset.h"
#include "search/workbench.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>

namespace velmora::cli {

namespace {


// --explain K: 1..200, the best K matches (at most the filled ranks).
int ExplainCount(const ParsedArgs& args)
{
    if (!args.Has("--explain"))
        return 0;
    const std::string text = args.Value("--explain");
    int count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc() || end != text.data() + text.size() || count < 1 || count > kMaxBestCount)
        throw UsageError("--explain takes a number of best matches, 1..200");
    return count;
}

// Why no chosen descriptor is left, and what to do about it. wanted holds the catalogue indices
// that were asked for (every augmented atom for --query-aug).
std::string NoDescriptorLeft(Workbench& workbench, const std::vector<int>& wanted, bool queryAug,
                             const std::string& libraryName, const std::string& queryText)
{
    const auto context = workbench.Context();
    const bool intro = workbench.State().Mode == DescriptorMode::Intro;
    const bool normalOnly =
        intro && std::any_of(wanted.begin(), wanted.end(),
                             [&](int index) { return !context.choice.DescAvailable[static_cast<std::size_t>(index)]; });
    std::string text = "no descriptor is left to compare the query " + queryText + " by: ";
    if (normalOnly) {
        text += libraryName + " is searched in INTRO mode, where " +
                (queryAug ? std::string("augmented atoms are no descriptors") : "the chosen descriptors do not exist") + "; ";
        text += std::filesystem::exists(CompanionFileName(libraryName, "pre"))
                    ? "give --mode normal"
                    : "build the descriptor file ('velmora-cli build " + libraryName + "') or give --mode normal --yes";
    } else if (queryAug) {
        text += "none of the query's augmented atoms tells the structures of " + libraryName +
                " apart; choose descriptors with --descriptors or --set";
    } else {
        text += "each chosen descriptor has the same value in every structure of " + libraryName +
                " (see above); choose others";
    }
    return text;
}

// Every value given to a repeatable option, in order.
std::vector<std::string> Values(const ParsedArgs& args, const std::string& name)
{
    std::vector<std::string> values;
    for (const auto& [option, value] : args.options)
        if (option == name)
            values.push_back(value);
    return values;
}

// --smarts, --not-smarts, --alerts and --range, checked before any work (UsageError naming the
// option): ranges parse and name descriptors, catalogues exist, patterns parse, and the
// structural filters have RDKit to run on.
SearchFilters FiltersOf(const ParsedArgs& args)
{
    SearchFilters filters;
    try {
        for (const auto& text : Values(args, "--range"))
            filters.ranges.push_back(ParseRangeFilter(text));
        filters.smarts = Values(args, "--smarts");
        filters.notSmarts = Values(args, "--not-smarts");
        for (const auto& list : Values(args, "--alerts"))
            for (auto& name : ParseAlertList(list))
                if (std::find(filters.alerts.begin(), filters.alerts.end(), name) == filters.alerts.end())
                    filters.alerts.push_back(std::move(name));
        CheckStructuralFilters(filters);
    } catch (const FilterError& error) {
        throw UsageError(error.what());
    }
    return filters;
}

// Explained after the search has ended, from the descriptor file or the structures: the search, its
// files and its time are the same with and without.
std::vector<MatchExplanation> ExplainBest(Workbench& workbench, int count)
{
    std::vector<MatchExplanation> explanations;
    for (int rank = 1; rank <= std::min(count, workbench.Results().filled); ++rank)
        explanations.push_back(ExplainMatch(workbench, rank));
    return explanations;
}

int Search(const ParsedArgs& args, CommandContext& context)
{
    const std::string& libraryName = args.positional[0];
    const bool smilesQuery = args.Has("--query-smiles");
    const bool querySet = args.Has("--queries");
    if (querySet) {
        if (smilesQuery || args.positional.size() == 2)
            throw UsageError("give the query as a file QUERY, as --query-smiles SMILES or as a set --queries FILE (one of them)");
        if (args.Has("--query-aug"))
            throw UsageError("--query-aug cannot be used with --queries: a query set has no one query's augmented atoms");
    } else if (smilesQuery == (args.positional.size() == 2)) {
        throw UsageError("give the query as a file QUERY or as --query-smiles SMILES (one of them)");
    }
    if (args.Has("--fusion") && !querySet)
        throw UsageError("--fusion needs a query set (--queries FILE)");
    Fusion fusion = Fusion::Max;
    if (args.Has("--fusion")) {
        const auto chosen = FusionFromTyped(args.Value("--fusion"));
        if (!chosen)
            throw UsageError("--fusion takes max, mean or rrf, not '" + args.Value("--fusion") + "'");
        fusion = *chosen;
    }
    const std::string query =
        querySet ? args.Value("--queries") : smilesQuery ? args.Value("--query-smiles") : args.positional[1];
    const int ways = args.Has("--descriptors") + args.Has("--set") + args.Has("--query-aug");
    if (ways != 1)
        throw UsageError("choose the descriptors with one of --descriptors, --set or --query-aug");
    const int coefficient = CoefficientOption(args);
    const std::string mode = ModeOption(args);
    CountOption(args, "--best", 0);
    RequireLibraryName(libraryName);
    if (IsLibrarySetName(libraryName)) // refused before its lock file is made (opening checks it in whole)
        if (const std::string mixed = CheckSetDescriptorFiles(LibrarySet::Read(libraryName), false).mixed; !mixed.empty())
            throw IoError(libraryName, mixed);
    if (args.Has("--export")) { // refused before the search, not after it
        RefuseLibraryFile(libraryName, args.Value("--export"));
        RefuseLibraryFile(ResultLibraryName(libraryName), args.Value("--export"));
    }
    const std::vector<int> descriptors = DescriptorsOption(args);
    const SearchFilters filters = FiltersOf(args);

    // A query set is read before any work: one that cannot be used stops the search here.
    std::optional<QuerySet> queries;
    if (querySet) {
        StructureLibrary reader;
        queries = ReadQuerySet(query, reader);
    }

    // The library stays as searched until the report and the explanations are printed.
    const LibraryLock lock(libraryName, LibraryWork::Search);
    CliDialog dialog(context, args.Has("--yes") ? MessageAnswer::Ok : MessageAnswer::No);
    dialog.quiet = !args.Has("--verbose");
    CliProgress progress(context);
    Workbench workbench(dialog, progress, std::filesystem::current_path().string());
    workbench.Selection().UseSetFile(SetsFilePath(args));
    dialog.prefix = "velmora-cli search: " + libraryName + ": ";
    if (!workbench.OpenLibrary(libraryName))
        return kExitFailure;
    if (const auto status = EnterMode(workbench, mode, "search", libraryName, args.Has("--yes"), progress, context))
        return *status;
    // A SMILES is quoted with at most 80 of its characters.
    dialog.prefix = "velmora-cli search: " + (query.size() > 80 && smilesQuery ? query.substr(0, 77) + "..." : query) + ": ";
    if (queries) {
        workbench.UseQuerySet(std::move(*queries));
        workbench.SetFusion(fusion);
    } else if (smilesQuery ? !workbench.LoadQuerySmiles(query) : !workbench.LoadQuery(query)) {
        return kExitFailure;
    }
    dialog.prefix = "velmora-cli search: ";
    if (const auto status = OpenDescriptorChoice(workbench, "search", libraryName, args.Has("--yes"), progress, context))
        return *status;
    auto selectionContext = workbench.Context();
    auto& selection = workbench.Selection();
    int setNumber = 0;
    if (args.Has("--set")) {
        const auto& names = selection.SetNames();
        const auto found = std::find(names.begin() + 1, names.end(), args.Value("--set"));
        if (found == names.end())
            throw IoError(selection.SetFile().Path(), "no descriptor set is named \"" + args.Value("--set") + "\"");
        setNumber = static_cast<int>(found - names.begin());
        selection.ChooseSet(setNumber, selectionContext, dialog);
    } else if (args.Has("--query-aug")) {
        selection.AugAtomsOfMyMolecule(workbench.State().Query, selectionContext);
    } else {
        for (int index : descriptors)
            if (!selection.IsChosen(ListPosition(index)))
                selection.ClickDescriptor(ListPosition(index), selectionContext, dialog);
    }
    workbench.DescriptorDialogClosed();
    for (int index : descriptors)
        if (!selection.IsChosen(ListPosition(index)))
            context.err << "velmora-cli search: \"" << CatalogueName(index) << "\" is left out (see above)\n";
    if (!workbench.State().DescriptorsChosen) {
        std::vector<int> wanted = descriptors;
        if (args.Has("--query-aug"))
            for (int index = kFirstAugIndex; index <= kLastAugIndex; ++index)
                wanted.push_back(index);
        if (setNumber > 0)
            for (int position : selection.SetFile().ReadSet(setNumber))
                wanted.push_back(CatalogueIndexOfPosition(position + 1));
        const std::string queryText =
            smilesQuery ? "\"" + query.substr(0, 80) + (query.size() > 80 ? "...\"" : "\"") : query;
        context.err << "velmora-cli search: "
                    << NoDescriptorLeft(workbench, wanted, args.Has("--query-aug"), libraryName, queryText) << "\n";
        return kExitFailure;
    }
    workbench.SetCoefficient(coefficient);
    dialog.allToError = true; // a refused best count is a usage error here
    if (args.Has("--best") && !workbench.SetBestCount(args.Value("--best")))
        return kExitUsage;
    dialog.allToError = false;

    const int explainCount = ExplainCount(args);
    workbench.SetFilters(filters);
    const SearchOutcome outcome = workbench.RunSearch();
    if (outcome == SearchOutcome::Aborted) {
        context.err << "velmora-cli search: interrupted\n";
        return kExitAborted;
    }
    if (outcome != SearchOutcome::Completed)
        return kExitFailure;
    const std::string report = SearchReportText(workbench);
    const std::vector<MatchExplanation> explanations = ExplainBest(workbench, explainCount);
    context.out << report;
    PrintExplanations(context.out, explanations);
    if (args.Has("--report")) {
        WriteSearchReports(workbench, args.Value("--report"), explanations);
        context.out << "Report written to " << (std::filesystem::path(args.Value("--report")) / "report.html").string()
                    << "\n";
    }

    if (args.Has("--export")) {
        Converter converter;
        workbench.PrepareResultExport(converter);
        converter.Protect(libraryName);
        converter.SetTarget(args.Value("--export"), ConversionMode::WriteAnew);
        CliDialog exportDialog(context);
        exportDialog.quiet = true;
        exportDialog.prefix = "velmora-cli search: ";
        if (!converter.Convert(workbench.Library(), exportDialog, progress))
            return converter.LastExport().aborted ? kExitAborted : kExitFailure;
        context.out << "Best matches written to " << args.Value("--export") << "\n";
    }
    if (args.Has("--ascii")) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(
            std::chrono::steady_clock::now().time_since_epoch().count()));
        context.out << "ASCII export written to " << ExportAscii(workbench, random) << "\n";
    }
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("search", context, args, &Search, {"--query-aug", "--ascii", "--yes", "--verbose"},
                     {"--descriptors", "--set", "--coefficient", "--best", "--mode", "--export", "--report", "--sets-file",
                      "--explain", "--query-smiles", "--smarts", "--not-smarts", "--alerts", "--range", "--queries", "--fusion"},
                     1, 2);
}

} // namespace

int SearchCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
