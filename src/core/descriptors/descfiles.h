#pragma once
// Reading a library's descriptor file (".pre") and parameter files (".idp", ".idr", ".id1") only
// when they fit: a file that does not belong to the library as it is, or that a failed write left
// short, would otherwise give another ranking without a word.
#include "descriptors/catalogue.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

// Lines of a parameter file: ".idp" 153, ".idr" (and its copy ".id1") 152.
int ParameterFileLines(DescriptorMode mode);

// Throws IoError naming the file unless it holds exactly one 260-byte record per structure.
void CheckDescriptorFile(const std::string& fileName, long structures);

// The (mean, standard deviation) pairs of a parameter file that holds exactly `lines` lines, each
// exactly as the writer writes it (two 23-character exponent fields, CR LF). Throws IoError naming
// the file and the first line that differs.
std::vector<std::pair<double, double>> ReadParameterFile(const std::string& fileName, int lines);
// The same for the file's bytes; fileName names it in errors.
std::vector<std::pair<double, double>> ParseParameterFile(std::string_view bytes, const std::string& fileName,
                                                          int lines);

} // namespace velmora
