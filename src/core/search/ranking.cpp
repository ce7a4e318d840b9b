#include "search/ranking.h"

#include "base/ioerror.h"
#include "base/numeric.h"
#include "base/numtext.h"
#include "base/real48.h"
#include "base/textfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace velmora {

std::string ResultLine(long structureNumber, double value)
{
    return FormatInt(structureNumber, 6) + "  " + PadLeft(FormatFixed(ToReal48Precision(value), 4), 8);
}

float DistanceStartValue() { return static_cast<float>(3.3L * std::exp(38.0L)); }

namespace {

// Reads "number value" lines; the value as a float parsed from its text.
class ResultReader {
public:
    explicit ResultReader(const std::string& file) : m_reader(file) {}
    bool Next(long& number, float& value)
    {
        while (!m_reader.Eof()) {
            m_reader.ReadLine(m_line);
            const auto first = m_line.find_first_not_of(' ');
            if (first == std::string::npos)
                continue;
            const char* p = m_line.data() + first;
            const char* end = m_line.data() + m_line.size();
            auto [afterNumber, ec] = std::from_chars(p, end, number);
            while (afterNumber < end && *afterNumber == ' ')
                ++afterNumber;
            float parsed = 0.0f;
            auto [afterValue, ec2] = std::from_chars(afterNumber, end, parsed);
            if (ec != std::errc() || ec2 != std::errc())
                throw IoError(m_reader.Name(), m_reader.LineNumber() - 1, "malformed result line '" + m_line + "'");
            value = parsed;
            return true;
        }
        return false;
    }

private:
    TextReader m_reader;
    std::string m_line;
};

} // namespace

SearchResults RankResults(const std::string& resultFile, int coefficient, int bestCount)
{
    SearchResults results;
    results.coefficient = coefficient;
    const bool smaller = coefficient <= 2;
    const float start = smaller ? DistanceStartValue() : 0.0f;
    bestCount = std::clamp(bestCount, 1, kMaxBestCount);
    results.best.assign(static_cast<std::size_t>(bestCount), BestEntry{start, 0.0f});
    results.MaxValue = 0.0f;

    ResultReader reader(resultFile);
    long number = 0;
    float value = 0.0f;
    while (reader.Next(number, value)) {
        ++results.lines;
        if (value > results.MaxValue)
            results.MaxValue = value;
        for (int k = 0; k < bestCount; ++k) {
            const float held = results.best[static_cast<std::size_t>(k)].value;
            if (smaller ? value < held : value > held) {
                results.best.pop_back();
                results.best.insert(results.best.begin() + k, BestEntry{value, static_cast<float>(number)});
                results.filled = std::min(results.filled + 1, bestCount);
                break;
            }
        }
    }
    return results;
}

void BuildHistogram(const std::string& resultFile, SearchResults& results)
{
    results.histogram.fill(0);
    ResultReader reader(resultFile);
    long number = 0;
    float value = 0.0f;
    while (reader.Next(number, value)) {
        long bin = 0;
        if (results.MaxValue != 0.0f)
            bin = static_cast<long>(Trunc(static_cast<double>(static_cast<long double>(value) * 19 / results.MaxValue)));
        ++results.histogram[static_cast<std::size_t>(std::clamp<long>(bin, 0, kHistogramBins - 1))];
    }
}

int WriteResultLibrary(StructureLibrary& library, const std::string& libraryName,
                       const std::string& resultLibraryName, const SearchResults& results)
{
    library.ReleaseFiles();
    std::error_code ec;
    std::filesystem::remove(resultLibraryName, ec);
    std::filesystem::remove(ExistingIndexFileName(resultLibraryName), ec);
    for (int rank = 1; rank <= results.filled; ++rank) {
        const int read = library.ReadLibraryRecord(libraryName, results.StructureAt(rank));
        if (read != kLibOk)
            return read;
        library.SetWritePermission(true);
        const int written = library.WriteLibraryRecord(resultLibraryName, library.RecordName(), library.RecordCASNumber());
        library.SetWritePermission(false);
        if (written != kLibOk)
            return written;
    }
    library.ReleaseFiles();
    return kLibOk;
}

} // namespace velmora
