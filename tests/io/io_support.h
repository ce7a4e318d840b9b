#pragma once
// Building molfile text and tables for the io tests.
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora::test {

struct MolAtom {
    double x, y, z;
    std::string symbol;
    int massDifference = 0;
    int charge = 0;
};
struct MolBond {
    int first, second, type;
};

// A V2000 record with the given line end; extra lines go between the bond block and "$$$$"
// (which is left out when terminate is false).
std::string MolText(const std::string& name, const std::vector<MolAtom>& atoms,
                    const std::vector<MolBond>& bonds, const std::vector<std::string>& extra = {},
                    bool terminate = true, const std::string& eol = "\r\n");

// A table read from MolText (asserts that the read succeeded).
TCTab ReadTable(const std::string& text);

} // namespace velmora::test
