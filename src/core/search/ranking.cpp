#include "search/ranking.h"

#include "base/ioerror.h"
#include "base/numeric.h"
#include "base/numtext.h"
#include "base/real48.h"
#include "base/textfile.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "search/coefficients.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace velmora {

namespace {

// value x 10^4 rounded to the nearest integer, for 0 <= value < 2^40, unless the product is
// exactly halfway between two integers (then the tie rule of the general formatting decides, and
// this gives up). value = M x 2^-s, so M x 10^4 (at most 67 bits) shifted right by s is exact.
bool TenThousandths(double value, std::uint64_t& n)
{
    if (!(value >= 0.0 && value < 0x1p40))
        return false;
    if (value == 0.0) {
        n = 0;
        return true;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int exponent = static_cast<int>(bits >> 52);
    if (exponent == 0)
        return false; // subnormal
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int shift = 1075 - exponent; // > 12 as value < 2^40
    if (shift >= 120)
        return false;
    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * 10000u;
    const unsigned __int128 quotient = product >> shift;
    const unsigned __int128 remainder = product - (quotient << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (remainder == half)
        return false;
    n = static_cast<std::uint64_t>(quotient) + (remainder > half);
    return true;
}

// The text of ResultLine without its line end, in text (kMaxResultLine characters); returns its length
// and where the value's text starts. tenThousandths receives the value's text as an integer
// (digits without the point) when it was formatted the short way, else stays ~0.
// The decimal digits of v, written backwards ending just before end; returns their start.
char* DigitsBefore(char* end, std::uint64_t v)
{
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return end;
}

std::size_t FormatResultLine(char* text, long structureNumber, double value, std::size_t& valueAt,
                             std::uint64_t& tenThousandths)
{
    const double rounded = ToReal48Precision(value);
    tenThousandths = ~std::uint64_t{0};
    if (std::uint64_t n = 0; structureNumber >= 0 && TenThousandths(rounded, n)) {
        // The digits of n with at least five, the point before the last four: what the fixed
        // notation prints for a correctly rounded value without a tie. Written in place over
        // blanks (at most 19 + 2 + 17 characters).
        static constexpr char kBlanks[64] = "                                                               ";
        std::memcpy(text, kBlanks, sizeof kBlanks);
        char digits[24];
        char* const numberEnd = digits + sizeof digits;
        const char* number = DigitsBefore(numberEnd, static_cast<std::uint64_t>(structureNumber));
        const auto numberLength = static_cast<std::size_t>(numberEnd - number);
        char figures[24];
        char* const valueEnd = figures + sizeof figures;
        char* v = DigitsBefore(valueEnd, 10000 + n % 10000) + 1; // four decimals, zeros kept
        *--v = '.';
        v = DigitsBefore(v, n / 10000);
        const auto valueLength = static_cast<std::size_t>(valueEnd - v);
        const std::size_t numberField = numberLength < 6 ? 6 : numberLength;
        const std::size_t valueField = valueLength < 8 ? 8 : valueLength;
        for (std::size_t c = 0; c < numberLength; ++c)
            text[numberField - numberLength + c] = number[c];
        const std::size_t length = numberField + 2 + valueField;
        valueAt = length - valueLength;
        for (std::size_t c = 0; c < valueLength; ++c)
            text[valueAt + c] = v[c];
        tenThousandths = n;
        return length;
    }
    char number[32];
    char* p = std::to_chars(number, number + sizeof number, structureNumber).ptr;
    const auto numberLength = static_cast<std::size_t>(p - number);
    char value4[400];
    const char* valueStart = value4;
    char* v = std::to_chars(value4, value4 + sizeof value4, rounded, std::chars_format::fixed, 4).ptr;
    std::size_t valueLength = static_cast<std::size_t>(v - value4);
    if (valueLength == 7 && std::memcmp(value4, "-0.0000", 7) == 0) { // no negative zero
        ++valueStart;
        --valueLength;
    }
    char* out = text;
    if (numberLength < 6) {
        std::memset(out, ' ', 6 - numberLength);
        out += 6 - numberLength;
    }
    std::memcpy(out, number, numberLength);
    out += numberLength;
    const std::size_t blanks = 2 + (valueLength < 8 ? 8 - valueLength : 0);
    std::memset(out, ' ', blanks);
    out += blanks;
    valueAt = static_cast<std::size_t>(out - text);
    std::memcpy(out, valueStart, valueLength);
    out += valueLength;
    return static_cast<std::size_t>(out - text);
}

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

// The value of a result line from its text (after the blanks that follow the number).
bool ParseResultValue(const char* p, const char* end, float& value)
{
    return ParseFixedFloat(p, end, value) || std::from_chars(p, end, value).ec == std::errc();
}

} // namespace

std::string ResultLine(long structureNumber, double value)
{
    char text[kMaxResultLine];
    std::size_t valueAt = 0;
    std::uint64_t tenThousandths = 0;
    return std::string(text, FormatResultLine(text, structureNumber, value, valueAt, tenThousandths));
}

std::size_t WriteResultLine(char* out, long structureNumber, double value, float& readBack)
{
    std::size_t valueAt = 0;
    std::uint64_t n = 0;
    const std::size_t length = FormatResultLine(out, structureNumber, value, valueAt, n);
    // ParseResultValue of the text, which for "digits.dddd" with at most 15 digits computes n / 10^4
    // in double and rounds that to the float unless it is a float midpoint.
    bool ok = false;
    if (n < 1'000'000'000'000'000ULL) {
        const double exact = static_cast<double>(n) / 1e4;
        std::uint64_t bits;
        std::memcpy(&bits, &exact, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000) {
            readBack = static_cast<float>(exact);
            ok = true;
        }
    }
    if (!ok)
        ok = ParseResultValue(out + valueAt, out + length, readBack);
    assert(ok); // every text the formatting makes parses
    out[length] = '\r';
    out[length + 1] = '\n';
    return length + 2;
}

float ResultLineValue(double value)
{
    // The short way of FormatResultLine and WriteResultLine together; any other value takes the
    // whole formatting.
    std::uint64_t n = 0;
    if (TenThousandths(ToReal48Precision(value), n) && n < 1'000'000'000'000'000ULL) {
        const double exact = static_cast<double>(n) / 1e4;
        std::uint64_t bits;
        std::memcpy(&bits, &exact, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000)
            return static_cast<float>(exact);
    }
    char text[kMaxResultLine];
    float readBack = 0.0f;
    WriteResultLine(text, 1, value, readBack);
    return readBack;
}

float AppendResultLine(std::string& out, long structureNumber, double value)
{
    char text[kMaxResultLine];
    float readBack = 0.0f;
    out.append(text, WriteResultLine(text, structureNumber, value, readBack));
    return readBack;
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
            const bool valueOk = ParseResultValue(afterNumber, end, parsed);
            if (ec != std::errc() || !valueOk)
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

BestRanking::BestRanking(int coefficient, int bestCount) : BestRanking(coefficient, bestCount, SmallerIsBetter(coefficient))
{
}

BestRanking::BestRanking(int coefficient, int bestCount, bool smallerIsBetter) : m_smaller(smallerIsBetter)
{
    m_results.coefficient = coefficient;
    const float start = m_smaller ? DistanceStartValue() : 0.0f;
    bestCount = std::clamp(bestCount, 1, kMaxBestCount);
    m_results.best.assign(static_cast<std::size_t>(bestCount), BestEntry{start, 0.0f});
    m_results.MaxValue = 0.0f;
}

void BestRanking::Offer(long number, float value, int query, float queryValue)
{
    ++m_results.lines;
    if (value > m_results.MaxValue)
        m_results.MaxValue = value;
    // The list is ordered: a value that does not beat the last entry beats none.
    const float last = m_results.best.back().value;
    if (!(m_smaller ? value < last : value > last))
        return;
    const int bestCount = static_cast<int>(m_results.best.size());
    for (int k = 0; k < bestCount; ++k) {
        const float held = m_results.best[static_cast<std::size_t>(k)].value;
        if (m_smaller ? value < held : value > held) {
            m_results.best.pop_back();
            m_results.best.insert(m_results.best.begin() + k, BestEntry{value, static_cast<float>(number), query, queryValue});
            m_results.filled = std::min(m_results.filled + 1, bestCount);
            return;
        }
    }
}

SearchResults RankResults(const std::string& resultFile, int coefficient, int bestCount)
{
    BestRanking ranking(coefficient, bestCount);
    ResultReader reader(resultFile);
    long number = 0;
    float value = 0.0f;
    while (reader.Next(number, value))
        ranking.Offer(number, value);
    return std::move(ranking.Results());
}

int HistogramBin(float value, float maxValue)
{
    long bin = 0;
    if (maxValue != 0.0f)
        bin = static_cast<long>(Trunc(static_cast<double>(static_cast<long double>(value) * 19 / maxValue)));
    return static_cast<int>(std::clamp<long>(bin, 0, kHistogramBins - 1));
}

void BuildHistogram(const std::string& resultFile, SearchResults& results)
{
    results.histogram.fill(0);
    ResultReader reader(resultFile);
    long number = 0;
    float value = 0.0f;
    while (reader.Next(number, value))
        ++results.histogram[static_cast<std::size_t>(HistogramBin(value, results.MaxValue))];
}

std::uint32_t FloatOrderKey(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

void CountKeys(std::vector<std::uint32_t>& keys, std::vector<std::uint32_t>& scratch, std::vector<KeyCount>& out)
{
    const std::size_t count = keys.size();
    scratch.resize(count);
    for (int shift = 0; shift < 32 && count > 0; shift += 8) {
        std::array<std::size_t, 257> offsets{};
        for (std::uint32_t key : keys)
            ++offsets[((key >> shift) & 0xFF) + 1];
        if (offsets[((keys[0] >> shift) & 0xFF) + 1] == count)
            continue; // every key has this byte
        for (std::size_t d = 1; d < offsets.size(); ++d)
            offsets[d] += offsets[d - 1];
        for (std::uint32_t key : keys)
            scratch[offsets[(key >> shift) & 0xFF]++] = key;
        keys.swap(scratch);
    }
    out.clear();
    for (std::uint32_t key : keys) {
        if (!out.empty() && out.back().key == key)
            ++out.back().count;
        else
            out.push_back({key, 1});
    }
}

bool MergeKeyCounts(const std::vector<KeyCount>& a, const std::vector<KeyCount>& b, std::vector<KeyCount>& out)
{
    out.clear();
    out.reserve(a.size() + b.size());
    auto x = a.begin();
    auto y = b.begin();
    while (x != a.end() || y != b.end()) {
        if (y == b.end() || (x != a.end() && x->key < y->key)) {
            out.push_back(*x++);
        } else if (x == a.end() || y->key < x->key) {
            out.push_back(*y++);
        } else {
            if (x->count > UINT32_MAX - y->count)
                return false;
            out.push_back({x->key, (x++)->count + (y++)->count});
        }
    }
    return true;
}

namespace {
float KeyValue(std::uint32_t key)
{
    const std::uint32_t bits = (key & 0x80000000u) ? key & 0x7FFFFFFFu : ~key;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

// Batches sorted by radix and merged into a sorted list: sequential memory access and no
// data-dependent branches, which matters more than the operation count when the worker
// threads share their cores.
void ValueTally::Add(const float* values, std::size_t count)
{
    for (std::size_t i = 0; i < count && !m_overflowed; ++i) {
        if (!std::isfinite(values[i])) {
            m_overflowed = true;
            m_keys.clear();
            return;
        }
        m_keys.push_back(FloatOrderKey(values[i]));
        if (m_keys.size() == kBatch)
            Flush();
    }
}

void ValueTally::Flush()
{
    if (m_overflowed || m_keys.empty())
        return;
    CountKeys(m_keys, m_scratch, m_batch);
    m_keys.clear();
    MergeEntries(m_batch);
}

void ValueTally::MergeEntries(const std::vector<Entry>& from)
{
    if (!MergeKeyCounts(m_entries, from, m_merged) || m_merged.size() > kMaxDistinct) {
        m_overflowed = true;
        m_entries.clear();
        return;
    }
    m_entries.swap(m_merged);
}

void ValueTally::Merge(const ValueTally& other)
{
    assert(other.m_keys.empty());
    Flush();
    m_overflowed = m_overflowed || other.m_overflowed;
    if (!m_overflowed)
        MergeEntries(other.m_entries);
}

void ValueTally::FillHistogram(SearchResults& results) const
{
    assert(!m_overflowed && m_keys.empty());
    results.histogram.fill(0);
    for (const Entry& entry : m_entries)
        results.histogram[static_cast<std::size_t>(HistogramBin(KeyValue(entry.key), results.MaxValue))] += entry.count;
}

int WriteResultLibrary(StructureLibrary& library, const std::string& libraryName,
                       const std::string& resultLibraryName, const SearchResults& results, long* failedPosition)
{
    const LibraryLock lock(resultLibraryName, LibraryWork::SearchResult);
    library.ReleaseFiles();
    std::error_code ec;
    RemoveCompanionStamp(resultLibraryName, "clb");
    std::filesystem::remove(resultLibraryName, ec);
    std::filesystem::remove(ExistingIndexFileName(resultLibraryName), ec);
    // A result library that stops short of the filled ranks would pass for a complete one.
    auto removePartial = [&] {
        library.ReleaseFiles();
        std::error_code ignored;
        std::filesystem::remove(resultLibraryName, ignored);
        std::filesystem::remove(ExistingIndexFileName(resultLibraryName), ignored);
    };
    try {
        for (int rank = 1; rank <= results.filled; ++rank) {
            const int read = library.ReadLibraryRecord(libraryName, results.StructureAt(rank));
            if (read != kLibOk) {
                if (failedPosition)
                    *failedPosition = results.StructureAt(rank);
                removePartial();
                return read;
            }
            library.SetWritePermission(true);
            const int written =
                library.WriteLibraryRecord(resultLibraryName, library.RecordName(), library.RecordCASNumber());
            library.SetWritePermission(false);
            if (written != kLibOk) {
                removePartial();
                return written;
            }
        }
    } catch (...) {
        library.SetWritePermission(false);
        removePartial();
        throw;
    }
    library.ReleaseFiles();
    // Marks it as made by a search: the next search may replace it, a user's own library never.
    if (std::filesystem::exists(resultLibraryName))
        StampCompanion(resultLibraryName, "clb");
    return kLibOk;
}

} // namespace velmora
