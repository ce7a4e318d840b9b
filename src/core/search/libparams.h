#pragma once
// Library parameters: the mean and standard deviation of every descriptor over a library, their
// text files, the companion file names of a library, scaling and the elapsed-time text.
#include "descriptors/catalogue.h"

#include <array>
#include <ctime>
#include <string>

namespace velmora {

// The library path with its last extension replaced ("drugs.clb" -> "drugs.idp").
std::string CompanionFileName(const std::string& libraryName, const std::string& extension);
// The result library of a search: the name without its last 7 characters plus "SIM.clb".
std::string ResultLibraryName(const std::string& libraryName);

// Mean and standard deviation as one line of a parameter file (without the line end), each
// field " 1.25000000000000E+0001" (23 characters).
std::string ParameterLine(double mean, double standardDeviation);

struct LibraryParameters {
    std::array<double, kCatalogueSize> Mean{};
    std::array<double, kCatalogueSize> StdDev{}; // always a 6-byte real value

    void Clear();
    // Sets a pair, rounding the deviation to the 6-byte real.
    void Set(int index, double mean, double standardDeviation);
    // (v - Mean[i]) / StdDev[i] in extended precision, rounded to the 6-byte real. The caller
    // keeps descriptors with StdDev 0 out of the comparison.
    double Scale(int index, double value) const;

    // Takes lines 0..count-1 of a parameter file of `lines` lines (ReadParameterFile). Throws
    // IoError, leaving the parameters as they were, when the file is not exactly as written.
    void Read(const std::string& fileName, int count, int lines);
    // Writes lines 0..count-1.
    void Write(const std::string& fileName, int count) const;
};

// Clock reading as the elapsed-time text uses it.
struct ClockTime {
    int weekday = 0; // 0..6
    int hour = 0, minute = 0, second = 0;
};
ClockTime ClockTimeOf(const std::tm& time);
ClockTime ClockNow();

// "00 days  -  01:05:09" for a run of 1 hour, 5 minutes and 9 seconds within one day.
std::string ElapsedText(const ClockTime& start, const ClockTime& end);

} // namespace velmora
