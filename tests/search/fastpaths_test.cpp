// The search's fast paths against the plain operations they stand in for.
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "io/molfile.h"
#include "search/ranking.h"
#include "search/workbench.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora {
namespace {

std::vector<TCTab> Structures(const char* file, int count)
{
    TextReader reader(test::DataFile(file));
    std::vector<TCTab> tables;
    MolReadStatus status;
    while (!reader.Eof() && static_cast<int>(tables.size()) < count) {
        TCTab table;
        ReadMolRecord(table, reader, status);
        if (!status.Rejected())
            tables.push_back(table);
    }
    return tables;
}

TEST(SearchFastPaths, StoredValuesAndGroupCountsAgreeWithTheirPlainForms)
{
    std::vector<int> groups;
    for (int i = 0; i <= 34; ++i)
        groups.push_back(i);
    std::vector<std::int32_t> counts;
    for (const char* file : {"nci1000.sdf", "nci300_aromatic.sdf", "cdk2.sdf"})
        for (const TCTab& table : Structures(file, 300)) {
            const auto bytes = EncodeDescriptorRecord(ComputeDescriptorRecord(table));
            const DescriptorRecord decoded = DecodeDescriptorRecord(bytes.data());
            for (int i = 0; i < kCatalogueSize; ++i)
                ASSERT_EQ(StoredDescriptorValue(bytes.data(), i), RecordValue(decoded, i)) << file << " index " << i;
            CountGroups(table, groups, counts);
            for (std::size_t e = 0; e < groups.size(); ++e)
                ASSERT_EQ(counts[e], CountGroup(table, groups[e])) << file << " group " << groups[e];
        }
}

// Result values are read back as the float nearest to their 4-decimal text, as a general parser
// would read them, midpoints of two floats included.
TEST(SearchFastPaths, ResultValuesReadBackAsTheNearestFloat)
{
    test::TempDir dir;
    std::mt19937_64 random(5);
    std::vector<double> values{1.5, 0.00015, 99999.99995, 8388608.5, 16777217.0, 16777219.0, 0.1, 1234.5678};
    for (int i = 0; i < 3000; ++i)
        values.push_back(std::ldexp(static_cast<double>(1 + random() % 100000000), -static_cast<int>(random() % 20)));
    for (std::size_t chunk = 0; chunk < values.size(); chunk += 150) {
        std::vector<std::string> lines;
        std::string text;
        for (std::size_t k = chunk; k < std::min(values.size(), chunk + 150); ++k) {
            lines.push_back(ResultLine(static_cast<long>(lines.size() + 1), values[k]));
            text += lines.back() + "\r\n";
        }
        test::WriteBytes(dir.File("r.qlt"), text);
        const SearchResults results = RankResults(dir.File("r.qlt"), 3, 200); // greater is better
        ASSERT_EQ(results.filled, static_cast<int>(lines.size()));
        for (int rank = 1; rank <= results.filled; ++rank) {
            const std::string& line = lines[static_cast<std::size_t>(results.StructureAt(rank) - 1)];
            ASSERT_EQ(results.best[static_cast<std::size_t>(rank - 1)].value, std::strtof(line.c_str() + 8, nullptr)) << line;
        }
    }
}

} // namespace
} // namespace velmora
