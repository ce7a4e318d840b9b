// velmora-cli build LIBRARY   and   velmora-cli params LIBRARY
#include "cli_support.h"

#include "io/libset.h"
#include "search/paramcalc.h"
#include "search/workbench.h"

#include <filesystem>
#include <ostream>
#include <vector>

namespace velmora::cli {

namespace {

// A library set: the descriptor files of its members that have none made from them as they are now,
// then the set's parameters from all of them.
int BuildSet(const std::string& setName, CommandContext& context, Workbench& workbench, CliProgress& progress,
             CliDialog& dialog)
{
    std::vector<std::string> built;
    const ParameterRun run = BuildLibrarySetFiles(workbench.Library(), setName, workbench.Parameters(),
                                                  workbench.Statistics(), progress, dialog, &built);
    for (const std::string& member : built)
        context.out << "Descriptor file " << CompanionFileName(member, "pre") << " and parameters "
                    << CompanionFileName(member, "idp") << " written\n";
    if (!run.completed) {
        context.err << "velmora-cli build: interrupted; the libraries built before stay built, nothing else was replaced\n";
        return kExitAborted;
    }
    context.out << "Parameters " << CompanionFileName(setName, "idp") << " of the library set written for "
                << run.structures << " structures\n";
    return kExitOk;
}

int Calculate(const ParsedArgs& args, CommandContext& context, bool normal)
{
    const std::string& libraryName = args.positional[0];
    RequireLibraryName(libraryName);
    CliDialog dialog(context, MessageAnswer::Ok);
    dialog.quiet = true;
    CliProgress progress(context);
    Workbench workbench(dialog, progress, std::filesystem::current_path().string());
    StructureLibrary& library = workbench.Library();
    if (library.ReadLibraryRecord(libraryName, 1) != kLibOk) {
        context.err << "velmora-cli " << (normal ? "build" : "params") << ": " << libraryName
                    << ": none CLB-Format !!  Please import library\n";
        return kExitFailure;
    }
    const long count = CountLibraryRecords(libraryName);
    if (normal && IsLibrarySetName(libraryName))
        return BuildSet(libraryName, context, workbench, progress, dialog);
    const ParameterRun run =
        normal ? BuildDescriptorFile(library, libraryName, count, workbench.Parameters(), workbench.Statistics(),
                                     progress, dialog)
               : ComputeIntroParameters(library, libraryName, workbench.Parameters(), workbench.Statistics(),
                                        progress, dialog);
    if (!run.completed) {
        context.err << "velmora-cli " << (normal ? "build" : "params") << ": interrupted; nothing was replaced\n";
        return kExitAborted;
    }
    if (normal)
        context.out << "Descriptor file " << CompanionFileName(libraryName, "pre") << " and parameters "
                    << CompanionFileName(libraryName, "idp") << " written for " << run.structures << " structures\n";
    else
        context.out << "INTRO parameters " << CompanionFileName(libraryName, "idr") << " written for "
                    << run.structures << " structures\n";
    context.out << "Calculationtime: " << run.elapsed << "\n";
    return kExitOk;
}

int Build(const ParsedArgs& args, CommandContext& context) { return Calculate(args, context, true); }
int Params(const ParsedArgs& args, CommandContext& context) { return Calculate(args, context, false); }

int RunBuild(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("build", context, args, &Build, {}, {}, 1, 1);
}
int RunParams(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("params", context, args, &Params, {}, {}, 1, 1);
}

} // namespace

int BuildCommand(const std::vector<std::string>& args, CommandContext& context) { return RunBuild(args, context); }
int ParamsCommand(const std::vector<std::string>& args, CommandContext& context) { return RunParams(args, context); }

} // namespace velmora::cli
