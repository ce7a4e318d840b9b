#include "search/libparams.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/real48.h"
#include "base/textfile.h"
#include "descriptors/descfiles.h"
#include "io/libfiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace velmora {

std::string CompanionFileName(const std::string& libraryName, const std::string& extension)
{
    return LibraryCompanionName(libraryName, extension);
}

std::string ResultLibraryName(const std::string& libraryName)
{
    // The cut never reaches into the directory part (a short file name must not move the result
    // library into another directory), and the result never names the library itself.
    const auto slash = libraryName.find_last_of("/\\");
    const std::size_t directory = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t keep = std::max(directory, libraryName.size() >= 7 ? libraryName.size() - 7 : 0);
    std::string name = libraryName.substr(0, keep) + "SIM.clb";
    if (name == libraryName)
        name = libraryName.substr(0, libraryName.size() - 4) + "SIM.clb";
    return name;
}

std::string ParameterLine(double mean, double standardDeviation)
{
    return FormatExponent(mean, 14, 4) + FormatExponent(standardDeviation, 14, 4);
}

void LibraryParameters::Clear()
{
    Mean.fill(0.0);
    StdDev.fill(0.0);
}

void LibraryParameters::Set(int index, double mean, double standardDeviation)
{
    Mean[static_cast<std::size_t>(index)] = mean;
    StdDev[static_cast<std::size_t>(index)] = ToReal48Precision(standardDeviation);
}

double LibraryParameters::Scale(int index, double value) const
{
    const auto i = static_cast<std::size_t>(index);
    const long double scaled = (static_cast<long double>(value) - Mean[i]) / StdDev[i];
    return ToReal48Precision(scaled);
}

void LibraryParameters::Read(const std::string& fileName, int count, int lines)
{
    const auto values = ReadParameterFile(fileName, lines);
    for (int i = 0; i < count && i < lines; ++i)
        Set(i, values[static_cast<std::size_t>(i)].first, values[static_cast<std::size_t>(i)].second);
}

void LibraryParameters::Write(const std::string& fileName, int count) const
{
    // Written whole beside the file and renamed over it: a failed write (a full disk, the file size
    // limit) leaves the previous file, or none, never a short one that searches would trust.
    const std::string partial = fileName + ".part";
    FileRollback rollback(partial, FileRollback::Mode::New);
    try {
        TextWriter writer(partial);
        for (int i = 0; i < count; ++i)
            writer.WriteLine(ParameterLine(Mean[static_cast<std::size_t>(i)], StdDev[static_cast<std::size_t>(i)]));
        writer.Close();
    } catch (const IoError& error) {
        throw IoError(fileName, error.Problem());
    }
    std::error_code error;
    std::filesystem::rename(partial, fileName, error);
    if (error)
        throw IoError(fileName, "cannot write the file: " + error.message());
    rollback.Keep();
}

ClockTime ClockTimeOf(const std::tm& time) { return {time.tm_wday, time.tm_hour, time.tm_min, time.tm_sec}; }

ClockTime ClockNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ClockTimeOf(local);
}

std::string ElapsedText(const ClockTime& start, const ClockTime& end)
{
    int hourStart = start.hour;
    int minuteStart = start.minute;
    int seconds;
    if (end.second < start.second) {
        seconds = 60 - start.second + end.second;
        ++minuteStart;
    } else {
        seconds = end.second - start.second;
    }
    if (minuteStart == 60) {
        minuteStart = 0;
        ++hourStart;
    }
    int minutes;
    if (end.minute < minuteStart) {
        minutes = 60 - minuteStart + end.minute;
        ++hourStart;
    } else {
        minutes = end.minute - minuteStart;
    }
    // Carrying the start past midnight moves it into the next day, which the day count must know:
    // otherwise a two-second run across midnight would read as one day.
    int borrowedDays = 0;
    if (hourStart == 24) {
        hourStart = 0;
        ++borrowedDays;
    }
    int hours;
    bool borrowed = false;
    if (end.hour < hourStart) {
        hours = 24 - hourStart + end.hour;
        borrowed = true;
    } else {
        hours = end.hour - hourStart;
    }
    int days = end.weekday - start.weekday;
    if (start.weekday > end.weekday)
        days += 7;
    if (borrowed)
        --days;
    days -= borrowedDays;
    auto two = [](int v) { return (v <= 9 && v >= 0 ? "0" : "") + std::to_string(v); };
    return two(days) + " days  -  " + two(hours) + ":" + two(minutes) + ":" + two(seconds);
}

} // namespace velmora
