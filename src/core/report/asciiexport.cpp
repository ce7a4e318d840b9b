#include "report/asciiexport.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/textfile.h"
#include "descriptors/catalogue.h"
#include "descriptors/descfiles.h"
#include "descriptors/groups.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "io/libstamp.h"
#include "search/libsetfiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

namespace velmora {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Underscored(std::string text, std::size_t length)
{
    text = text.substr(0, length);
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

} // namespace

std::string ExportAscii(Workbench& workbench, std::mt19937& random)
{
    const SearchState& state = workbench.State();
    const DescriptorChoice& choice = workbench.Choice();
    const SearchResults& results = workbench.Results();
    StructureLibrary& library = workbench.Library();
    // The file is named after the open library and classes its structures by the last search.
    if (!state.LibraryOpen || results.best.empty())
        throw IoError(state.LibraryFileName, "there is no search of an open library to export");
    const std::string path = std::filesystem::absolute(CompanionFileName(state.LibraryFileName, "asc")).string();
    std::vector<int> selected, columns;
    for (int i = 0; i < kCatalogueSize; ++i)
        if (choice.DescSelected[static_cast<std::size_t>(i)]) {
            selected.push_back(i);
            if (choice.DescAvailable[static_cast<std::size_t>(i)])
                columns.push_back(i);
        }
    const long m = static_cast<long>(selected.size());
    const long n = CountLibraryRecords(state.LibraryFileName);
    const long k = (m == 0 || n * m <= 8000) ? n : 8000 / m;

    // The top sets: the filled ranks 1..40 and 1..20 of the last search.
    std::set<long> top40, top20;
    // The best list of the last search stays usable after a new query (until another library).
    if (!results.best.empty())
        for (int rank = 1; rank <= std::min(40, results.filled); ++rank) {
            const long number = static_cast<long>(std::nearbyint(results.best[static_cast<std::size_t>(rank - 1)].number));
            top40.insert(number);
            if (rank <= 20)
                top20.insert(number);
        }
    // Candidates 1..n-1 outside the top 40, drawn at random.
    long pool = 0;
    for (long r = 1; r < n; ++r)
        pool += top40.count(r) == 0;
    std::set<long> chosen;
    auto draw = [&](long count) {
        count = std::clamp(count, 0L, pool);
        std::uniform_int_distribution<long> pick(0, std::max(0L, n - 1));
        while (static_cast<long>(chosen.size()) < count) {
            const long r = pick(random);
            if (r > 0 && top40.count(r) == 0)
                chosen.insert(r);
        }
    };
    std::vector<bool> classOne(static_cast<std::size_t>(n + 1), false);
    const long topCount = static_cast<long>(top40.size());
    if (k > n / 2) {
        draw(n - k);
        for (long s = 1; s <= n; ++s)
            classOne[static_cast<std::size_t>(s)] = chosen.count(s) == 0 && top40.count(s) == 0;
    } else {
        draw(k - topCount);
        for (long s : chosen)
            classOne[static_cast<std::size_t>(s)] = true;
    }

    FileRollback rollback(path, FileRollback::Mode::New);
    TextWriter out(path);
    out.WriteLine(path);
    out.WriteLine(std::to_string(m));
    out.WriteLine(std::to_string(k));
    out.WriteLine("TRUE TRUE TRUE");
    std::string header(22, ' ');
    for (int i : selected)
        header += PadLeft(Underscored(CatalogueName(i), 10), 11);
    out.WriteLine(header + " ");

    const bool normal = state.Mode == DescriptorMode::Normal;
    const LibraryLock lock(state.LibraryFileName, LibraryWork::Read);
    File records;
    const bool set = IsLibrarySetName(state.LibraryFileName);
    std::vector<DescriptorPart> parts; // a set's members' descriptor files
    if (normal && set) {
        parts = SetDescriptorParts(LibrarySet::Read(state.LibraryFileName));
    } else if (normal) {
        const std::string pre = CompanionFileName(state.LibraryFileName, "pre");
        CheckDescriptorFile(pre, state.LibraryCount);
        if (const std::string mismatch = CompanionMismatch(state.LibraryFileName, "pre", false); !mismatch.empty())
            throw IoError(pre, mismatch + "; calculate the descriptor values again to rebuild it");
        records.reset(std::fopen(pre.c_str(), "rb"));
        if (!records)
            throw IoError(pre, std::string("cannot open the descriptor file: ") + std::strerror(errno));
    }
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    for (int pass = 1; pass <= 3; ++pass)
        for (long s = 1; s <= n; ++s) {
            const bool inPass = pass == 1   ? classOne[static_cast<std::size_t>(s)]
                                : pass == 2 ? top40.count(s) && !top20.count(s)
                                            : top20.count(s) != 0;
            if (!inPass)
                continue;
            library.ReadLibraryRecord(state.LibraryFileName, s);
            const TCTab& table = library.Structure();
            std::string line = std::to_string(pass) + PadLeft(Underscored(table.FStrucName, 19), 20) + " ";
            if (normal && set) {
                bytes = ReadPartRecord(parts, s);
            } else if (normal) {
                if (std::fseek(records.get(), (s - 1) * kDescriptorRecordSize, SEEK_SET) != 0 ||
                    std::fread(bytes.data(), 1, bytes.size(), records.get()) != bytes.size())
                    throw IoError(CompanionFileName(state.LibraryFileName, "pre"),
                                  "no descriptor record for structure " + std::to_string(s));
            }
            for (int i : columns) {
                const double value = normal ? StoredDescriptorValue(bytes.data(), i) : DescriptorValue(table, i);
                line += PadLeft(FormatExponent(value, 2, 4), 11);
            }
            out.WriteLine(line + " ");
        }
    out.Close();
    rollback.Keep();
    return path;
}

} // namespace velmora
