#include "io/namewords.h"

#include <array>
#include <cstring>

namespace velmora {

namespace {
constexpr std::array<const char*, 128> kNameWords{
    "BENZOYL", "DEUTERO", "METHOXY", "HYDROXY", "BICYCLO", "ALDEHYD", "PHOSPHO", "CARBOXY",
    "MERCAPT", "SALICYL", "BENZYL",  "METHYL",  "PROPYL",  "NAPHTH",  "ETHOXY",  "SULFID",
    "PHENYL",  "ACETYL",  "FORMYL",  "ANTHRA",  "CHINON",  "PENTYL",  "HEPTYL",  "SAEURE",
    "NITRIL",  "NITRID",  "PHOSPH",  "SULFON",  "PYRROL",  "PHTHAL",  "STYROL",  "ERYTHR",
    "BUTYL",   "ETHYL",   "INDOL",   "NITRO",   "AMINO",   "CHLOR",   "ETHER",   "FLUOR",
    "ALLYL",   "TETRA",   "PENTA",   "HEPTA",   "FURAN",   "HYDRO",   "CYANO",   "HEXYL",
    "OCTYL",   "EPOXY",   "CYCLO",   "ESTER",   "INDEN",   "PYREN",   "LACTO",   "MENTH",
    "SILIC",   "QUINO",   "PIPER",   "MALON",   "STEAR",   "XANTH",   "XYLOL",   "VINYL",
    "ORTHO",   "AMMON",   "THREN",   "ALPHA",   "GAMMA",   "GLUC",    "BROM",    "IMID",
    "MONO",    "HEXA",    "OCTA",    "NONA",    "DECA",    "GLYC",    "THIO",    "CARB",
    "OXIM",    "DIEN",    "SEMI",    "ACID",    "TOLU",    "TERT",    "ANIL",    "PARA",
    "META",    "ACET",    "PYRI",    "OXID",    "AMID",    "AMIN",    "PHEN",    "BENZ",
    "OXAL",    "KETO",    "PROP",    "TERE",    "PROG",    "TERP",    "QUIN",    "METH",
    "IMIN",    "FRUC",    "ILID",    "HYDR",    "BETA",    "OXY",     "PER",     "OSE",
    "OYL",     "IOD",     "LIN",     "SIL",     "TRI",     "ISO",     "OXO",     "BIS",
    "AZO",     "YL",      "ON",      "EN",      "AN",      "OL",      "DI",      "IN",
};
} // namespace

const char* NameWord(int code)
{
    if (code < 128 || code > 255)
        return "";
    return kNameWords[static_cast<std::size_t>(code - 128)];
}

std::string CompressName(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    static const auto lengths = [] {
        std::array<std::size_t, 128> sizes{};
        for (std::size_t i = 0; i < sizes.size(); ++i)
            sizes[i] = std::strlen(kNameWords[i]);
        return sizes;
    }();
    // Words that cannot occur are skipped without a search (names are often plain numbers).
    std::array<bool, 256> present{};
    for (char c : out)
        present[static_cast<unsigned char>(c)] = true;
    for (int code = 128; code <= 255; ++code) {
        const char* word = kNameWords[static_cast<std::size_t>(code - 128)];
        if (!present[static_cast<unsigned char>(word[0])] || !present[static_cast<unsigned char>(word[1])])
            continue;
        const std::size_t length = lengths[static_cast<std::size_t>(code - 128)];
        std::size_t at = 0;
        while ((at = out.find(word, at, length)) != std::string::npos)
            out.replace(at, length, 1, static_cast<char>(code));
    }
    return out;
}

std::string ExpandName(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128)
            out += kNameWords[u - 128];
        else
            out += c;
    }
    return out;
}

} // namespace velmora
