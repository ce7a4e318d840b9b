// velmora-cli descriptors: every descriptor of every structure of an SD file or a library, as TSV.
#include "command.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "descriptors/catalogue.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "io/molfile.h"
#include "io/structlib.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>

namespace velmora::cli {

namespace {

std::string LibraryProblem(int result)
{
    switch (result) {
    case kLibPositionOutOfRange:
        return "record position out of range";
    case kLibIndexFile:
        return "the index file cannot be read";
    case kLibDataFile:
        return "the data file cannot be read";
    case kLibEmptyEntry:
        return "empty index entry";
    case kLibDamagedRecord:
        return "damaged record";
    default:
        return "error " + std::to_string(result);
    }
}

// Writes rows as they come; counts and integers in plain form, reals with 17 significant digits.
class TableWriter {
public:
    explicit TableWriter(std::ostream& out) : m_out(out) {}

    void Header()
    {
        m_line = "#\tName";
        for (int p = 1; p <= kDescriptorCount; ++p) {
            m_line += '\t';
            m_line += CatalogueName(CatalogueIndexOfPosition(p));
        }
        Flush();
    }

    // values is null when nothing was read: the descriptor fields stay empty.
    void Row(long position, bool failed, std::string name, const std::array<double, kCatalogueSize>* values)
    {
        std::replace(name.begin(), name.end(), '\t', ' ');
        m_line = std::to_string(position);
        if (failed)
            m_line += '*';
        m_line += '\t';
        m_line += name;
        char number[40];
        for (int p = 1; p <= kDescriptorCount; ++p) {
            m_line += '\t';
            if (!values)
                continue;
            const int index = CatalogueIndexOfPosition(p);
            const double value = (*values)[index];
            if (IsRealDescriptor(index))
                std::snprintf(number, sizeof number, "%.17g", value);
            else
                std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value));
            m_line += number;
        }
        Flush();
    }

private:
    void Flush()
    {
        m_line += '\n';
        m_out << m_line;
    }
    std::ostream& m_out;
    std::string m_line;
};

class ProgressLine {
public:
    ProgressLine(CommandContext& context, long total) : m_context(context), m_total(total) {}
    void Step(long done)
    {
        if (m_context.interactive && (done % 200 == 0 || done == m_total))
            m_context.err << "\rdescriptors: " << done << " / " << m_total << std::flush;
    }
    ~ProgressLine()
    {
        if (m_context.interactive)
            m_context.err << "\n";
    }

private:
    CommandContext& m_context;
    long m_total;
};

int DescribeLibrary(const std::string& name, CommandContext& context, long& failures, long& total)
{
    const LibraryLock lock(name, LibraryWork::Read);
    StructureLibrary library;
    const long count = CountLibraryRecords(name);
    const int first = count > 0 ? library.ReadLibraryRecord(name, 1) : kLibIndexFile;
    if (first == kLibIndexFile || first == kLibDataFile) {
        context.err << "velmora-cli descriptors: " << name << ": " << LibraryProblem(first) << "\n";
        return kExitFailure;
    }
    TableWriter writer(context.out);
    writer.Header();
    ProgressLine progress(context, count);
    for (long position = 1; position <= count; ++position) {
        const int result = library.ReadLibraryRecord(name, position);
        if (result == kLibOk) {
            const auto values = ComputeDescriptorValues(library.Structure());
            writer.Row(position, false, library.RecordName(), &values);
        } else {
            ++failures;
            context.err << "velmora-cli descriptors: " << name << ": record " << position << ": "
                        << LibraryProblem(result) << "\n";
            writer.Row(position, true, "", nullptr);
        }
        progress.Step(position);
    }
    total = count;
    return kExitOk;
}

int DescribeSdFile(const std::string& name, CommandContext& context, long& failures, long& total)
{
    TextReader reader(name);
    const long expected = context.interactive ? CountSDRecords(name) : 0;
    TableWriter writer(context.out);
    writer.Header();
    ProgressLine progress(context, expected);
    TCTab table;
    long position = 0;
    while (!reader.Eof()) {
        MolReadStatus status;
        const bool ok = ReadMolRecord(table, reader, status);
        // Blank lines after the last record are not a record.
        if (!ok && reader.Eof() && status.missingTerminator && status.atomCount == 0 &&
            table.FStrucName.find_first_not_of(" \t") == std::string::npos)
            break;
        ++position;
        if (ok) {
            const auto values = ComputeDescriptorValues(table);
            writer.Row(position, false, table.FStrucName, &values);
        } else {
            ++failures;
            // A record cut short or with a line too long holds only part of its structure.
            if (status.atomCountOutOfRange || status.truncated || status.lineTooLong) {
                writer.Row(position, true, table.FStrucName, nullptr);
            } else {
                const auto values = ComputeDescriptorValues(table);
                writer.Row(position, true, table.FStrucName, &values);
            }
        }
        progress.Step(position);
    }
    total = position;
    return kExitOk;
}

int RunDescriptors(const std::vector<std::string>& args, CommandContext& context)
{
    if (args.size() == 1 && args[0] == "--list") {
        for (int p = 1; p <= kDescriptorCount; ++p) {
            const int index = CatalogueIndexOfPosition(p);
            context.out << p - 1 << '\t' << index << '\t' << CatalogueName(index) << '\n';
        }
        return kExitOk;
    }
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        context.err << "usage: velmora-cli descriptors SOURCE | --list\n";
        return kExitUsage;
    }
    const std::string& source = args[0];
    const bool isLibrary = HasLibraryExtension(source) || IsLibrarySetName(source); // ".clb", or a set
    if (IsLibrarySetName(source)) {
        try {
            LibrarySet::Read(source);
        } catch (const IoError& error) {
            context.err << "velmora-cli descriptors: " << error.what() << "\n";
            return kExitFailure;
        }
    }
    long failures = 0;
    long total = 0;
    const int status = isLibrary ? DescribeLibrary(source, context, failures, total)
                                 : DescribeSdFile(source, context, failures, total);
    if (status == kExitOk && failures > 0)
        context.err << "velmora-cli descriptors: " << source << ": " << failures << " of " << total
                    << " records could not be read completely (marked *)\n";
    if (status == kExitOk && total > 0 && failures == total)
        return kExitFailure; // not one record was read
    return status;
}

} // namespace

int DescriptorsCommand(const std::vector<std::string>& args, CommandContext& context) { return RunDescriptors(args, context); }

} // namespace velmora::cli
