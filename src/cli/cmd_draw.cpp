// velmora-cli draw: one structure of a library or an SD file as an SVG picture.
#include "command.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "graphics/structuresvg.h"
#include "graphics/wholefile.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "io/molfile.h"
#include "io/structlib.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <ostream>

namespace velmora::cli {

namespace {

constexpr int kMinSide = 40;
constexpr int kMaxSide = 10000;

bool ParseNumber(const std::string& text, long& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseSize(const std::string& text, int& width, int& height)
{
    const auto x = text.find_first_of("xX");
    long w = 0, h = 0;
    if (x == std::string::npos || !ParseNumber(text.substr(0, x), w) || !ParseNumber(text.substr(x + 1), h))
        return false;
    if (w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool IsLibrary(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".clb" || IsLibrarySetName(path);
}

std::string LibraryProblem(int result, long position, const std::string& library)
{
    switch (result) {
    case kLibPositionOutOfRange:
        return "position " + std::to_string(position) + " is out of range (the library holds " +
               std::to_string(CountLibraryRecords(library)) + " structures)";
    case kLibIndexFile: return "the index file " + ExistingIndexFileName(library) + " cannot be read";
    case kLibDataFile: return "the data file cannot be read";
    case kLibEmptyEntry: return "the index entry of position " + std::to_string(position) + " is empty";
    case kLibDamagedRecord: return "record " + std::to_string(position) + " is damaged";
    default: return "record " + std::to_string(position) + " cannot be read (code " + std::to_string(result) + ")";
    }
}

// Reads record `position` (from 1) of an SD file. False with a message when there is no such
// record or it holds no usable structure.
bool ReadSdRecord(const std::string& path, long position, TCTab& table, std::string& problem,
                  std::ostream& err)
{
    TextReader reader(path);
    MolReadStatus status;
    long record = 0;
    while (!reader.Eof()) {
        ++record;
        table.Clear();
        const bool ok = ReadMolRecord(table, reader, status);
        if (record < position)
            continue;
        if (status.Rejected() && !status.truncated && !status.countsUnreadable && !status.v3000 && !status.lineTooLong) {
            problem = "record " + std::to_string(position) + " holds no usable structure" +
                      (status.atomCountOutOfRange ? " (atom count " + std::to_string(status.atomCount) +
                                                        " is outside 1..63)"
                                                  : " (a bond names a missing atom)");
            return false;
        }
        if (status.Spoiled()) {
            problem = "record " + std::to_string(position) + " holds no usable structure (" +
                      MolReadProblem(status) + ")";
            return false;
        }
        // A lone molfile has no "$$$$" line; only damage inside the record is worth a warning.
        if (!ok && (status.bondTypeInvalid || status.neighbourOverflow))
            err << "velmora-cli draw: " << path << ": record " << position
                << " has invalid bonds; drawing what was read\n";
        return true;
    }
    problem = "record " + std::to_string(position) + " not found (the file holds " + std::to_string(record) +
              " records)";
    return false;
}

int RunDraw(const std::vector<std::string>& args, CommandContext& context)
{
    std::vector<std::string> positional;
    std::string output;
    StructurePictureOptions options;
    auto usage = [&](const std::string& problem) {
        context.err << "velmora-cli draw: " << problem
                    << "\nUsage: velmora-cli draw SOURCE POSITION -o FILE.svg [--mode 0..3] [--size WxH]\n";
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "-o" || arg == "--output") {
            if (!hasValue)
                return usage(arg + " needs a file name");
            output = args[++i];
        } else if (arg == "--mode") {
            long mode = -1;
            if (!hasValue || !ParseNumber(args[++i], mode) || mode < 0 || mode > 3)
                return usage("--mode needs a label mode 0, 1, 2 or 3");
            options.mode = static_cast<int>(mode);
        } else if (arg == "--size") {
            if (!hasValue || !ParseSize(args[++i], options.width, options.height))
                return usage("--size needs WIDTHxHEIGHT in pixels, each " + std::to_string(kMinSide) + ".." +
                             std::to_string(kMaxSide));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2)
        return usage("needs SOURCE and POSITION");
    if (output.empty())
        return usage("needs -o FILE.svg");
    const std::string& source = positional[0];
    long position = 0;
    if (!ParseNumber(positional[1], position) || position < 1)
        return usage("POSITION must be a whole number from 1 on, not '" + positional[1] + "'");

    // The picture never replaces what is read: the source, or any file of the library.
    const auto readFile = IsLibrary(source) ? LibraryFileAt(source, output)
                                            : (SameFile(source, output) ? std::optional<std::string>(source) : std::nullopt);
    if (readFile) {
        context.err << "velmora-cli draw: " << output << ": is " << *readFile << ", which is read; choose another name\n";
        return kExitFailure;
    }
    if (IsLibrarySetName(source)) { // a set reads its members
        try {
            const LibrarySet set = LibrarySet::Read(source);
            for (const LibrarySetMember& member : set.Members())
                if (const auto file = LibraryFileAt(member.entry.path, output)) {
                    context.err << "velmora-cli draw: " << output << ": is " << *file
                                << ", which is read; choose another name\n";
                    return kExitFailure;
                }
        } catch (const IoError& error) {
            context.err << "velmora-cli draw: " << error.what() << "\n";
            return kExitFailure;
        }
    }

    TCTab table;
    std::string problem;
    if (IsLibrary(source)) {
        if (!std::filesystem::exists(source)) {
            context.err << "velmora-cli draw: " << source << ": the library does not exist\n";
            return kExitFailure;
        }
        const LibraryLock lock(source, LibraryWork::Read);
        StructureLibrary library;
        const int result = library.ReadLibraryRecord(source, position);
        if (result != kLibOk) {
            context.err << "velmora-cli draw: " << source << ": " << LibraryProblem(result, position, source)
                        << "\n";
            return kExitFailure;
        }
        table.Assign(library.Structure());
    } else if (!ReadSdRecord(source, position, table, problem, context.err)) {
        context.err << "velmora-cli draw: " << source << ": " << problem << "\n";
        return kExitFailure;
    }

    WriteWholeFile(output, StructureSvg(table, options));
    context.out << output << ": " << (table.FStrucName.empty() ? "(no name)" : table.FStrucName) << ", "
                << table.NumValidAtoms << " atoms\n";
    return kExitOk;
}

} // namespace

int DrawCommand(const std::vector<std::string>& args, CommandContext& context) { return RunDraw(args, context); }

} // namespace velmora::cli
