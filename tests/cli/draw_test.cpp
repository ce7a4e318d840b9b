// velmora-cli draw: pictures from SD files and libraries, and clear failures that leave no file.
#include "cli_support.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace velmora {
namespace {

using CliResult = test::CliRun;
constexpr auto Cli = test::RunTool;

class DrawCommand : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string sdf = test::DataFile("first_200.props.sdf");
    std::string svg = dir.File("picture.svg");
};

TEST_F(DrawCommand, DrawsAnSdRecord)
{
    const CliResult run = Cli({"draw", sdf, "3", "-o", svg});
    ASSERT_EQ(run.status, cli::kExitOk) << run.err;
    const std::string picture = test::ReadBytes(svg);
    EXPECT_EQ(picture.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(picture.find("width=\"400\" height=\"300\""), std::string::npos);
    // Record 3 is 2-chloro-4,6-dinitrophenol: its charged nitro groups show N+ and O-.
    for (const char* label : {">Cl</text>", ">OH</text>", ">N+</text>", ">O-</text>"})
        EXPECT_TRUE(test::Contains(picture, label)) << label;
    EXPECT_NE(run.out.find("14 atoms"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(svg + ".part"));
}

TEST_F(DrawCommand, DrawsALoneMolfileWithoutWarning)
{
    const CliResult run = Cli({"draw", test::DataFile("query.mol"), "1", "-o", svg});
    ASSERT_EQ(run.status, cli::kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(test::ReadBytes(svg).find("<line"), std::string::npos);
}

TEST_F(DrawCommand, ModeAndSizeOptions)
{
    ASSERT_EQ(Cli({"draw", sdf, "1", "--mode", "3", "--size", "200x150", "-o", svg}).status, cli::kExitOk);
    const std::string picture = test::ReadBytes(svg);
    EXPECT_NE(picture.find("width=\"200\" height=\"150\""), std::string::npos);
    for (const char* number : {">1</text>", ">9</text>"})
        EXPECT_NE(picture.find(number), std::string::npos) << number;
    EXPECT_EQ(picture.find(">10</text>"), std::string::npos); // record 1 has 9 atoms
}

TEST_F(DrawCommand, DrawsALibraryStructure)
{
    const std::string library = dir.File("lib.clb");
    {
        StructureLibrary writer;
        writer.SetWritePermission(true);
        TextReader reader(sdf);
        ASSERT_TRUE(ReadMolRecord(writer.Structure(), reader));
        ASSERT_EQ(writer.WriteLibraryRecord(library, "methylquinone", 0), kLibOk);
    }
    const CliResult run = Cli({"draw", library, "1", "-o", svg});
    ASSERT_EQ(run.status, cli::kExitOk) << run.err;
    EXPECT_NE(test::ReadBytes(svg).find(">O</text>"), std::string::npos);

    const CliResult beyond = Cli({"draw", library, "2", "-o", svg + "2"});
    EXPECT_EQ(beyond.status, cli::kExitFailure);
    EXPECT_NE(beyond.err.find(library), std::string::npos) << beyond.err;
    EXPECT_NE(beyond.err.find("out of range"), std::string::npos) << beyond.err;
    EXPECT_FALSE(std::filesystem::exists(svg + "2"));

    // The picture is never written onto what is read.
    const std::string index = test::ReadBytes(dir.File("lib.III"));
    const std::string copy = dir.File("copy.sdf");
    std::filesystem::copy_file(sdf, copy);
    for (const auto& [from, to] : {std::pair{library, dir.File("lib.III")}, std::pair{library, library}, std::pair{copy, copy}}) {
        const CliResult refused = Cli({"draw", from, "1", "-o", to});
        EXPECT_EQ(refused.status, cli::kExitFailure) << to;
        EXPECT_NE(refused.err.find("which is read; choose another name"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(test::ReadBytes(dir.File("lib.III")), index);
    EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(sdf));
    EXPECT_EQ(CountLibraryRecords(library), 1);
}

TEST_F(DrawCommand, FailuresNameTheProblemAndLeaveOutputAlone)
{
    test::WriteBytes(svg, "keep me");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"draw", sdf, "201", "-o", svg}, cli::kExitFailure, "record 201 not found (the file holds 200 records)"},
        {{"draw", dir.File("none.sdf"), "1", "-o", svg}, cli::kExitFailure, "none.sdf"},
        {{"draw", dir.File("none.clb"), "1", "-o", svg}, cli::kExitFailure, "the library does not exist"},
        {{"draw", sdf, "0", "-o", svg}, cli::kExitUsage, "POSITION must be a whole number"},
        {{"draw", sdf, "two", "-o", svg}, cli::kExitUsage, "POSITION must be a whole number"},
        {{"draw", sdf, "1"}, cli::kExitUsage, "needs -o FILE.svg"},
        {{"draw", sdf, "1", "-o"}, cli::kExitUsage, "-o needs a file name"},
        {{"draw", sdf, "1", "-o", svg, "--mode", "4"}, cli::kExitUsage, "--mode"},
        {{"draw", sdf, "1", "-o", svg, "--size", "100"}, cli::kExitUsage, "--size"},
        {{"draw", sdf, "1", "-o", svg, "--size", "0x100"}, cli::kExitUsage, "--size"},
        {{"draw", sdf, "1", "-o", svg, "--colour", "red"}, cli::kExitUsage, "unknown option '--colour'"},
        {{"draw", sdf, "-o", svg}, cli::kExitUsage, "needs SOURCE and POSITION"},
        {{"draw", sdf, "1", "-o", dir.File("no/dir/x.svg")}, cli::kExitFailure, "no/dir/x.svg: "},
    };
    for (const Case& c : cases) {
        const CliResult run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(test::ReadBytes(svg), "keep me") << c.message;
    }
}

TEST_F(DrawCommand, RejectedRecordIsAnError)
{
    // A record whose atom count is out of range holds no structure to draw.
    const std::string broken = dir.File("broken.sdf");
    test::WriteBytes(broken, "empty\n  x\n\n  0  0  0  0  0  0  0  0  0  0999 V2000\nM  END\n$$$$\n");
    const CliResult run = Cli({"draw", broken, "1", "-o", svg});
    EXPECT_EQ(run.status, cli::kExitFailure);
    EXPECT_NE(run.err.find("holds no usable structure"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(svg));
}

} // namespace
} // namespace velmora
