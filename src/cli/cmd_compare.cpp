// velmora-cli compare A.clb B.clb (--descriptors NAME,... | --set NAME) --pairs PAIRS.tsv [options]:
// every structure of A searched in B as a query, its K best matches written as TSV, and B's
// structures within a threshold of some A structure (or of none) written as libraries.
#include "cli_support.h"

#include "base/ioerror.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "search/coefficients.h"
#include "search/crosscompare.h"
#include "search/searchfilters.h"
#include "search/workbench.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <ostream>

namespace velmora::cli {

namespace {

// --threshold T: a number of 0 or more (every coefficient's values are), compared as a 4-byte float
// like the values read back, so that T = 0.3 takes a value printed 0.3000.
float ThresholdOption(const std::string& text)
{
    float value = 0.0f;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        throw UsageError("--threshold: '" + text + "' is not a number");
    if (value < 0.0f)
        throw UsageError("--threshold: " + text + " is below 0; the values of every coefficient are 0 or more");
    return value;
}

// Two output names that would end in one file.
bool SameOutput(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() && (FullPath(a) == FullPath(b) || SameFile(a, b));
}

int Compare(const ParsedArgs& args, CommandContext& context)
{
    const std::string& queryLibrary = args.positional[0];
    const std::string& libraryName = args.positional[1];
    // Taken and refused, never ignored: rows filtered in part would pass for complete ones.
    for (const char* option : {"--smarts", "--not-smarts", "--alerts"})
        if (args.Has(option))
            throw UsageError(std::string(option) + " cannot be used with compare (only --range can): filter with " +
                             "'search B --queries A " + option + " ...'");
    std::vector<RangeFilter> ranges; // B's structures outside any of them take no part
    try {
        for (const auto& [name, text] : args.options)
            if (name == "--range")
                ranges.push_back(ParseRangeFilter(text));
    } catch (const FilterError& error) {
        throw UsageError(error.what());
    }
    if (args.Has("--descriptors") == args.Has("--set"))
        throw UsageError("choose the descriptors with one of --descriptors or --set");
    const int coefficient = CoefficientOption(args);
    const std::string mode = ModeOption(args);
    const int best = CountOption(args, "--k", kDefaultCrossBest);
    if (!args.Has("--pairs") || args.Value("--pairs").empty())
        throw UsageError("--pairs PAIRS.tsv is required: the file the best matches of every A structure go to");
    const bool sets = args.Has("--similar") || args.Has("--dissimilar");
    if (sets != args.Has("--threshold"))
        throw UsageError(sets ? "--similar and --dissimilar need --threshold T"
                              : "--threshold needs --similar S.clb or --dissimilar D.clb");
    std::optional<float> threshold;
    if (args.Has("--threshold"))
        threshold = ThresholdOption(args.Value("--threshold"));
    const std::vector<int> descriptors = DescriptorsOption(args);
    CrossFiles files;
    files.pairs = args.Value("--pairs");
    files.similar = args.Value("--similar");
    files.dissimilar = args.Value("--dissimilar");
    RequireLibraryName(queryLibrary);
    RequireLibraryName(libraryName);
    for (const std::string* output : {&files.pairs, &files.similar, &files.dissimilar}) {
        if (output->empty())
            continue;
        if (output != &files.pairs && IsLibrarySetName(*output)) // written as one library, never as a set
            throw IoError(*output, "a library set cannot be written; name a library (NAME.clb)");
        if (output != &files.pairs)
            RequireLibraryName(*output);
        RefuseLibraryFile(queryLibrary, *output);
        RefuseLibraryFile(libraryName, *output);
    }
    if (SameOutput(files.similar, files.dissimilar))
        throw UsageError("--similar and --dissimilar name the same library");
    for (const std::string* library : {&files.similar, &files.dissimilar})
        if (!library->empty() && LibraryFileAt(*library, files.pairs))
            throw IoError(files.pairs, "is a file of the library " + *library + "; choose another name");
    if (!std::filesystem::is_regular_file(queryLibrary))
        throw IoError(queryLibrary, "no such library");
    const long queryCount = CountLibraryRecords(queryLibrary);
    if (queryCount <= 0)
        throw IoError(queryLibrary, "holds no structure (or its index cannot be read)");

    // Both libraries stay as they are until the files are written (A may be B).
    const LibraryLock queryLock(queryLibrary, LibraryWork::Search);
    const LibraryLock lock(libraryName, LibraryWork::Search);
    CliDialog dialog(context, args.Has("--yes") ? MessageAnswer::Ok : MessageAnswer::No);
    dialog.quiet = !args.Has("--verbose");
    CliProgress progress(context);
    Workbench workbench(dialog, progress, std::filesystem::current_path().string());
    workbench.Selection().UseSetFile(SetsFilePath(args));
    dialog.prefix = "velmora-cli compare: " + libraryName + ": ";
    if (!workbench.OpenLibrary(libraryName))
        return kExitFailure;
    if (const auto status = EnterMode(workbench, mode, "compare", libraryName, args.Has("--yes"), progress, context))
        return *status;
    dialog.prefix = "velmora-cli compare: ";
    if (const auto status = OpenDescriptorChoice(workbench, "compare", libraryName, args.Has("--yes"), progress, context))
        return *status;
    auto selectionContext = workbench.Context();
    auto& selection = workbench.Selection();
    if (args.Has("--set")) {
        const auto& names = selection.SetNames();
        const auto found = std::find(names.begin() + 1, names.end(), args.Value("--set"));
        if (found == names.end())
            throw IoError(selection.SetFile().Path(), "no descriptor set is named \"" + args.Value("--set") + "\"");
        selection.ChooseSet(static_cast<int>(found - names.begin()), selectionContext, dialog);
    } else {
        for (int index : descriptors)
            if (!selection.IsChosen(ListPosition(index)))
                selection.ClickDescriptor(ListPosition(index), selectionContext, dialog);
    }
    workbench.DescriptorDialogClosed();
    for (int index : descriptors)
        if (!selection.IsChosen(ListPosition(index)))
            context.err << "velmora-cli compare: \"" << CatalogueName(index) << "\" is left out (see above)\n";
    workbench.SetCoefficient(coefficient);

    std::vector<int> leftOut;
    std::string problem;
    CrossCompareSetup setup;
    const auto comparison = CrossLibrarySetup(workbench, leftOut, problem);
    if (!comparison) {
        context.err << "velmora-cli compare: " << problem << "\n";
        return kExitFailure;
    }
    if (!leftOut.empty()) { // once, for every A structure
        std::string names;
        for (int i : leftOut)
            names += (names.empty() ? "" : ", ") + CatalogueName(i);
        context.err << "velmora-cli compare: " << libraryName
                    << ": these chosen descriptors have the same value in every structure (or the library has no "
                       "parameters for them) and take no part in the comparison: "
                    << names << "\n";
    }
    setup.library = *comparison;
    setup.library.ranges = ranges;
    setup.queryLibrary = queryLibrary;
    setup.queryCount = queryCount;
    setup.best = best;
    setup.threshold = threshold;
    workbench.Library().ReleaseFiles();
    const CrossSummary summary = WriteLibraryComparison(setup, files, progress);
    for (const std::string& unreadable : summary.unreadable)
        context.err << "velmora-cli compare: " << queryLibrary << ": " << unreadable << "; left out\n";
    if (summary.outcome == CrossOutcome::Aborted) {
        context.err << "velmora-cli compare: interrupted; nothing was written\n";
        return kExitAborted;
    }
    context.out << "Compared " << summary.queries << " structure" << (summary.queries == 1 ? "" : "s") << " of "
                << queryLibrary << " with " << setup.library.count << " of " << libraryName << " ("
                << CoefficientName(coefficient) << ", best " << best << ")\n";
    if (!ranges.empty()) {
        context.out << "Only structures of " << libraryName << " within";
        for (const RangeFilter& range : ranges)
            context.out << (&range == &ranges.front() ? " " : ", ") << "--range " << range.text;
        context.out << " take part\n";
    }
    context.out << "Best matches written to " << files.pairs << " (" << summary.rows << " rows)\n";
    const char* within = SmallerIsBetter(coefficient) ? "<= " : ">= ";
    if (!files.similar.empty())
        context.out << summary.similar << " structures of " << libraryName << " with a value " << within
                    << args.Value("--threshold") << " against at least one structure of " << queryLibrary << ": "
                    << (summary.similar > 0 ? "written to " + files.similar : files.similar + " not written") << "\n";
    if (!files.dissimilar.empty())
        context.out << summary.dissimilar << " structures of " << libraryName << " beyond " << args.Value("--threshold")
                    << " from every structure of " << queryLibrary << ": "
                    << (summary.dissimilar > 0 ? "written to " + files.dissimilar : files.dissimilar + " not written")
                    << "\n";
    return summary.unreadable.empty() || summary.queries > 0 ? kExitOk : kExitFailure;
}

} // namespace

int CompareCommand(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("compare", context, args, &Compare, {"--yes", "--verbose"},
                     {"--descriptors", "--set", "--coefficient", "--k", "--mode", "--pairs", "--similar", "--dissimilar",
                      "--threshold", "--sets-file", "--smarts", "--not-smarts", "--alerts", "--range"},
                     2, 2);
}

} // namespace velmora::cli
