#include "search/ranking.h"

#include "base/ioerror.h"
#include "base/numeric.h"
#include "base/numtext.h"
#include "base/real48.h"
#include "base/textfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace velmora {

std::string ResultLine(long structureNumber, double value)
{
    // Written once per library structure: formatted into one buffer without temporaries.
    char text[480];
    char* p = std::to_chars(text, text + 32, structureNumber).ptr;
    const auto numberLength = static_cast<int>(p - text);
    char value4[400];
    char* v = std::to_chars(value4, value4 + sizeof value4, ToReal48Precision(value), std::chars_format::fixed, 4).ptr;
    auto valueLength = static_cast<int>(v - value4);
    const char* valueStart = value4;
    if (valueLength == 7 && std::memcmp(value4, "-0.0000", 7) == 0) { // no negative zero
        ++valueStart;
        --valueLength;
    }
    std::string line;
    line.reserve(static_cast<std::size_t>(std::max(numberLength, 6) + 2 + std::max(valueLength, 8)));
    line.append(static_cast<std::size_t>(std::max(0, 6 - numberLength)), ' ');
    line.append(text, p);
    line.append(2 + static_cast<std::size_t>(std::max(0, 8 - valueLength)), ' ');
    line.append(valueStart, static_cast<std::size_t>(valueLength));
    return line;
}

float DistanceStartValue() { return static_cast<float>(3.3L * std::exp(38.0L)); }

namespace {

// A plain decimal as the float nearest to it. The decimal is first rounded to a double, which is
// exact enough unless that double sits exactly halfway between two floats; then (and for any
// other form) the caller parses the text the general way.
bool ParseFixedFloat(const char* p, const char* end, float& value)
{
    double exact = 0.0;
    if (!ParsePlainDecimal(std::string_view(p, static_cast<std::size_t>(end - p)), exact))
        return false;
    std::uint64_t bits;
    std::memcpy(&bits, &exact, sizeof bits);
    if ((bits & 0x1FFFFFFF) == 0x10000000) // a float midpoint: rounding twice could go wrong
        return false;
    value = static_cast<float>(exact);
    return true;
}

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
            std::errc ec2 = std::errc();
            if (!ParseFixedFloat(afterNumber, end, parsed))
                ec2 = std::from_chars(afterNumber, end, parsed).ec;
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
        // The list is ordered: a value that does not beat the last entry beats none.
        const float last = results.best.back().value;
        if (!(smaller ? value < last : value > last))
            continue;
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
                       const std::string& resultLibraryName, const SearchResults& results, long* failedPosition)
{
    library.ReleaseFiles();
    std::error_code ec;
    std::filesystem::remove(resultLibraryName, ec);
    std::filesystem::remove(ExistingIndexFileName(resultLibraryName), ec);
    for (int rank = 1; rank <= results.filled; ++rank) {
        const int read = library.ReadLibraryRecord(libraryName, results.StructureAt(rank));
        if (read != kLibOk) {
            if (failedPosition)
                *failedPosition = results.StructureAt(rank);
            return read;
        }
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
