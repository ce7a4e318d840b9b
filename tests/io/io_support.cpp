#include "io_support.h"

#include "base/textfile.h"
#include "io/molfile.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace velmora::test {

std::string MolText(const std::string& name, const std::vector<MolAtom>& atoms,
                    const std::vector<MolBond>& bonds, const std::vector<std::string>& extra,
                    bool terminate, const std::string& eol)
{
    std::string text = name + eol + "  test      0101001200" + eol + eol;
    char line[128];
    std::snprintf(line, sizeof line, "%3zu%3zu  0  0  0  0  0  0  0  0999 V2000", atoms.size(), bonds.size());
    text += line + eol;
    for (const auto& a : atoms) {
        std::snprintf(line, sizeof line, "%10.4f%10.4f%10.4f %-3s%2d%3d  0  0  0  0  0  0  0  0  0  0",
                      a.x, a.y, a.z, a.symbol.c_str(), a.massDifference, a.charge);
        text += line + eol;
    }
    for (const auto& b : bonds) {
        std::snprintf(line, sizeof line, "%3d%3d%3d  0", b.first, b.second, b.type);
        text += line + eol;
    }
    for (const auto& e : extra)
        text += e + eol;
    if (terminate)
        text += "$$$$" + eol;
    return text;
}

TCTab ReadTable(const std::string& text)
{
    auto reader = TextReader::FromMemory(text);
    TCTab table;
    EXPECT_TRUE(ReadMolRecord(table, reader));
    return table;
}

} // namespace velmora::test
