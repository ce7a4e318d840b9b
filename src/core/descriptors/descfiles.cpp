#include "descriptors/descfiles.h"

#include "base/ioerror.h"
#include "base/numtext.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace velmora {

namespace {

constexpr std::size_t kFieldWidth = 23; // " 1.25000000000000E+0001"
constexpr std::size_t kLineWidth = 2 * kFieldWidth + 2;

const char* const kRebuildParameters = "; calculate the library parameters again to rebuild it";

// A field as FormatExponent(value, 14, 4) writes it, and nothing else.
bool ParseField(std::string_view field, double& value)
{
    if (field.size() != kFieldWidth || (field[0] != ' ' && field[0] != '-') || field[2] != '.' ||
        field[17] != 'E' || (field[18] != '+' && field[18] != '-'))
        return false;
    std::string text(field.substr(1));
    text[16] = 'e';
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    if (field[0] == '-')
        value = -value;
    return FormatExponent(value, 14, 4) == field;
}

} // namespace

int ParameterFileLines(DescriptorMode mode) { return mode == DescriptorMode::Intro ? 152 : 153; }

void CheckDescriptorFile(const std::string& fileName, long structures)
{
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0)
        throw IoError(fileName, std::string("cannot open the descriptor file: ") + std::strerror(errno));
    const auto size = static_cast<unsigned long long>(info.st_size);
    const auto expected = static_cast<unsigned long long>(structures) * kDescriptorRecordSize;
    if (size == expected)
        return;
    std::string held = std::to_string(size / kDescriptorRecordSize) + " records";
    if (size % kDescriptorRecordSize != 0)
        held += " and " + std::to_string(size % kDescriptorRecordSize) + " bytes";
    throw IoError(fileName, "the descriptor file holds " + held + " for a library of " + std::to_string(structures) +
                                " structures; calculate the descriptor values again to rebuild it");
}

std::vector<std::pair<double, double>> ReadParameterFile(const std::string& fileName, int lines)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw IoError(fileName, std::string("cannot open: ") + std::strerror(errno));
    // One byte more than a whole file, to see whether more follows.
    std::string bytes(static_cast<std::size_t>(lines) * kLineWidth + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        throw IoError(fileName, "read error");
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ParseParameterFile(bytes, fileName, lines);
}

std::vector<std::pair<double, double>> ParseParameterFile(std::string_view text, const std::string& fileName,
                                                          int lines)
{
    std::vector<std::pair<double, double>> values;
    values.reserve(static_cast<std::size_t>(std::max(lines, 0)));
    for (int line = 1; line <= lines; ++line) {
        const std::size_t start = static_cast<std::size_t>(line - 1) * kLineWidth;
        if (start >= text.size())
            throw IoError(fileName, line,
                          "the file ends after " + std::to_string(line - 1) + " of " + std::to_string(lines) +
                              " lines" + kRebuildParameters);
        const std::string_view entry = text.substr(start, kLineWidth);
        double mean = 0.0, deviation = 0.0;
        if (entry.size() != kLineWidth || entry.substr(2 * kFieldWidth) != "\r\n" ||
            !ParseField(entry.substr(0, kFieldWidth), mean) || !ParseField(entry.substr(kFieldWidth, kFieldWidth), deviation))
            throw IoError(fileName, line, "not a parameter line as this program writes it" + std::string(kRebuildParameters));
        values.emplace_back(mean, deviation);
    }
    if (text.size() > static_cast<std::size_t>(lines) * kLineWidth)
        throw IoError(fileName, lines + 1,
                      "more than " + std::to_string(lines) + " lines" + std::string(kRebuildParameters));
    return values;
}

} // namespace velmora
