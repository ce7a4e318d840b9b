#include "test_support.h"

#include "descriptors/catalogue.h"
#include "io/convert.h"
#include "search/libparams.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "scripted.h"
#include "search/paramcalc.h"
#include "search/workbench.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace velmora::test {

std::string DataFile(const std::string& name) { return std::string(VELMORA_TEST_DATA_DIR) + "/" + name; }

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> CrLfLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
    return lines;
}

std::string NciRecords(int first, int count, const std::string& extra)
{
    static const std::string all = ReadBytes(DataFile("nci1000.sdf"));
    std::size_t begin = 0;
    for (int r = 1; r < first; ++r)
        begin = all.find("$$$$\r\n", begin) + 6;
    std::size_t end = begin;
    for (int r = 0; r < count; ++r)
        end = all.find("$$$$\r\n", end) + 6;
    return all.substr(begin, end - begin) + extra;
}

const std::string kMethaneRecord = "methane\r\n  test\r\n\r\n  1  0  0  0  0  0  0  0  0  0999 V2000\r\n"
                                   "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                                   "M  END\r\n$$$$\r\n";

int DescriptorIndex(const std::string& name)
{
    for (int i = 0; i < kCatalogueSize; ++i)
        if (IsDescriptor(i) && CatalogueName(i) == name)
            return i;
    ADD_FAILURE() << "no descriptor " << name;
    return -1;
}

void ChooseDescriptors(Workbench& workbench, UserDialog& dialog, const std::vector<std::string>& names)
{
    auto context = workbench.Context();
    workbench.Selection().DeselectAll(context);
    for (const auto& name : names)
        workbench.Selection().ClickDescriptor(ListPosition(DescriptorIndex(name)), context, dialog);
    workbench.DescriptorDialogClosed();
}

std::string LibraryStructureName(const std::string& library, long position)
{
    StructureLibrary reader;
    EXPECT_EQ(reader.ReadLibraryRecord(library, position), kLibOk);
    return reader.Structure().FStrucName;
}

std::string NciLibrary(const TempDir& dir, const std::string& name, int count, bool descriptors)
{
    const std::string sd = dir.File(name + ".sdf");
    WriteBytes(sd, NciRecords(1, count));
    const std::string library = dir.File(name + ".clb");
    StructureLibrary importer;
    NullProgress quiet;
    const ImportReport report = ImportStructures(importer, sd, CountSDRecords(sd), library, ConversionMode::WriteAnew, quiet);
    EXPECT_TRUE(report.Completed());
    EXPECT_EQ(report.skipped, 0);
    if (!report.Completed())
        return {};
    return descriptors && !BuildDescriptorFiles(library) ? std::string() : library;
}

bool BuildDescriptorFiles(const std::string& library)
{
    StructureLibrary reader;
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    NullProgress quiet;
    ScriptedDialog silent;
    const bool built =
        BuildDescriptorFile(reader, library, CountLibraryRecords(library), parameters, statistics, quiet, silent).completed;
    EXPECT_TRUE(built);
    return built;
}

TempDir::TempDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = info ? std::string(info->test_suite_name()) + "." + info->name() : "velmora";
    for (char& c : leaf)
        if (c == '/')
            c = '_';
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("velmora-" + leaf + "-" + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string SearchScratchFile(const std::string& library)
{
    const std::filesystem::path plain = CompanionFileName(library, "qlt");
    const std::string prefix = plain.filename().string() + ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(plain.parent_path().empty() ? "." : plain.parent_path(), ec))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            return entry.path().string();
    return plain.string();
}

} // namespace velmora::test
