#pragma once
// The two long calculations of library parameters: INTRO mode (group counts computed from the
// structures, ".idr") and NORMAL mode (every descriptor of every structure once into the
// descriptor file ".pre", parameters ".idp").
#include "base/progress.h"
#include "base/userdialog.h"
#include "io/structlib.h"
#include "search/libparams.h"
#include "search/statistics.h"

#include <string>
#include <vector>

namespace velmora {

struct ParameterRun {
    bool completed = false; // not aborted
    long structures = 0;    // structures processed
    std::string elapsed;    // ElapsedText of the run
};

// Both replace the parameters in memory only when they complete; an abort leaves those in use.
// Both hold the library's lock for writing (LibraryBusy, before anything is changed, when another
// program uses it) and stamp each file they complete with the library state it was made from.

// Means and standard deviations of catalogue indices 0..33 from the structures themselves. Keeps
// the previous ".idr" as ".id1"; writes ".idr" (152 lines) when not aborted. Shows
// "Calculationtime: ..." in every case; after an abort the message goes on to say how far the run
// came and which parameter file is still in use.
ParameterRun ComputeIntroParameters(StructureLibrary& library, const std::string& libraryName,
                                    LibraryParameters& parameters, StatisticsAccumulator& statistics,
                                    Progress& progress, UserDialog& dialog);

// Builds the descriptor file by way of ".pr1" (renamed to ".pre" when complete, deleted when
// aborted, so an older ".pre" and ".idp" survive an abort) and writes ".idp" (153 lines). Honours
// suspend. Shows "Calculationtime: ..." in every case; after an abort the message goes on to say
// how far the run came and which descriptor file is still in use (or that there is none).
ParameterRun BuildDescriptorFile(StructureLibrary& library, const std::string& libraryName,
                                 long libraryCount, LibraryParameters& parameters,
                                 StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog);

// A library set's NORMAL mode parameters (".idp" beside the ".vset"), computed from its members'
// descriptor files in set order, so that they are those of one library holding all its structures
// in that order. Needs every member's descriptor file (IoError naming the first that is missing or
// does not fit); holds the set's lock for writing and its members' for reading. Honours abort.
ParameterRun ComputeSetDescriptorParameters(const std::string& setName, LibraryParameters& parameters,
                                            StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog);

// Builds the descriptor file (and the member's own parameters) of every member that has none made
// from it as it is now, as BuildDescriptorFile does for a library, then the set's parameters. Stops
// at an aborted member: those built before it stay. built (if given) receives the members built.
ParameterRun BuildLibrarySetFiles(StructureLibrary& library, const std::string& setName, LibraryParameters& parameters,
                                  StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog,
                                  std::vector<std::string>* built = nullptr);

} // namespace velmora
