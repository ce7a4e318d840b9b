#include "descriptors/libstats.h"

#include "base/ioerror.h"
#include "descriptors/catalogue.h"
#include "descriptors/descfiles.h"
#include "descriptors/groups.h"
#include "io/liblock.h"
#include "io/libstamp.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace velmora {

namespace {

const std::array<int, 24> kGroups{1, 2, 3, 4, 5, 13, 14, 15, 16, 17, 18, 19,
                                  20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

const std::array<std::string, 24> kLabels{
    "Aromatic Br:", "Aromatic Cl:", "Aromatic NO2:", "Aromatic OH:", "Aromatic SO3H:", "-CHO:",
    "-CN:", "Any CO:", "-CONR2:", "-COOR:", "-COOH:", "-COX:", "Halogens ( -X) :", "-NCONR2:",
    "-NH2:", "-NHR:", "-NNH:", "-NO:", "-NO2:", "-NR2:", "-OCH3:", "Any -OH:", " -SO:", "-SO2:"};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

double LibraryStatistics::Percent(int group) const
{
    return Registered > 0 ? Present[static_cast<std::size_t>(group)] * 100.0 / Registered : 0.0;
}

const std::array<int, 24>& StatisticsGroups() { return kGroups; }
const std::array<std::string, 24>& StatisticsLabels() { return kLabels; }

LibraryStatistics CountLibraryStatistics(StructureLibrary& library, const std::string& libraryName,
                                         Progress& progress)
{
    const LibraryLock lock(libraryName, LibraryWork::Read);
    LibraryStatistics s;
    s.Total = CountLibraryRecords(libraryName);
    const std::size_t keep = libraryName.size() >= 3 ? libraryName.size() - 3 : 0;
    const std::string pre = libraryName.substr(0, keep) + "pre";
    std::unique_ptr<std::FILE, FileCloser> records;
    // A descriptor file made from another state of the library is not used: the structures are.
    if (std::filesystem::exists(pre))
        CheckDescriptorFile(pre, s.Total);
    if (std::filesystem::exists(pre) && CompanionMismatch(libraryName, "pre").empty()) {
        records.reset(std::fopen(pre.c_str(), "rb"));
        if (!records)
            throw IoError(pre, std::string("cannot open: ") + std::strerror(errno));
        s.FromRecords = true;
    }
    const long every = s.FromRecords ? 100 : 20;
    progress.Start(ProgressKind::Statistics, "Count Structures", s.Total);
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    for (long k = 1; k <= s.Total; ++k) {
        if (progress.Poll() == ProgressRequest::Abort)
            break;
        std::array<long, 34> counts{};
        bool notRegistered = false, salt = false, graphics = false;
        if (records) {
            if (std::fread(bytes.data(), 1, bytes.size(), records.get()) != bytes.size())
                throw IoError(pre, "the descriptor file ends before structure " + std::to_string(k));
            const DescriptorRecord record = DecodeDescriptorRecord(bytes.data());
            notRegistered = record.notRegistered;
            salt = record.isSalt;
            graphics = record.hasGraphics;
            for (int g = 0; g <= 33; ++g)
                counts[static_cast<std::size_t>(g)] = g == 33 || g == 34 ? 0 : record.counts[static_cast<std::size_t>(g)];
        } else {
            library.ReadLibraryRecord(libraryName, k);
            TCTab table = library.Structure();
            for (int a = 1; a <= table.NumValidAtoms; ++a) {
                if (table.NumNeighbours(a) == 0) {
                    notRegistered = true;
                    salt = salt || table.Charge(a) != 0;
                }
                graphics = graphics || table.Coord(a, 1) != 0.0f || table.Coord(a, 2) != 0.0f ||
                           table.Coord(a, 3) != 0.0f;
            }
            if (!notRegistered) {
                for (int a = table.NumValidAtoms; a >= 1; --a)
                    if (table.AtNum(a) == 1)
                        table.DeleteAtom(a);
                for (int g = 0; g <= 32; ++g)
                    counts[static_cast<std::size_t>(g)] = CountGroup(table, g);
            }
        }
        if (notRegistered) {
            ++s.NotRegistered;
            if (salt)
                ++s.Salts;
        } else {
            if (graphics)
                ++s.WithGraphics;
            for (int g = 0; g <= 33; ++g)
                ++s.Occurrence[static_cast<std::size_t>(std::min<long>(counts[static_cast<std::size_t>(g)], 10))]
                              [static_cast<std::size_t>(g)];
        }
        s.Counted = k;
        if (k % every == 0)
            progress.Step(k);
    }
    progress.Step(s.Counted);
    progress.Finish();
    s.Errors = s.NotRegistered - s.Salts;
    s.Registered = s.Total - s.NotRegistered;
    for (int g = 0; g <= 33; ++g)
        for (int c = 1; c <= 10; ++c)
            s.Present[static_cast<std::size_t>(g)] += s.Occurrence[static_cast<std::size_t>(c)][static_cast<std::size_t>(g)];
    return s;
}

} // namespace velmora
