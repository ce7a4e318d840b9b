#include "descriptors/descfiles.h"

#include "base/ioerror.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

const std::string kLine = " 1.25000000000000E+0001 5.00000000000000E-0001\r\n";

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += kLine;
    return text;
}

TEST(ParameterFile, OnlyTheLinesAsWrittenAreRead)
{
    test::TempDir dir;
    const std::string file = dir.File("lib.idr");
    test::WriteBytes(file, Lines(2) + "-3.12500000000000E-0002 0.00000000000000E+0000\r\n");
    const auto values = ReadParameterFile(file, 3);
    EXPECT_EQ(values, (std::vector<std::pair<double, double>>{{12.5, 0.5}, {12.5, 0.5}, {-0.03125, 0.0}}));
    EXPECT_EQ((std::make_pair(ParameterFileLines(DescriptorMode::Intro), ParameterFileLines(DescriptorMode::Normal))),
              std::make_pair(152, 153));

    struct Case {
        std::string text;
        long line;
        std::string problem;
    };
    const std::string notAsWritten = "not a parameter line as this program writes it";
    const std::vector<Case> cases{
        {"", 1, "the file ends after 0 of 3 lines"},
        {Lines(2), 3, "the file ends after 2 of 3 lines"},
        {Lines(4), 4, "more than 3 lines"},
        {Lines(3) + "\x1a", 4, "more than 3 lines"},
        {kLine + " 1.25000000000000E+0001\r\n" + kLine, 2, notAsWritten},             // a number missing
        {kLine + " 1.25000000000000E+0001 5.0E-0001\r\n" + Lines(1), 2, notAsWritten}, // another form
        {kLine + " 1.25000000000000E+0001  5.0000000000000E-0001\r\n" + Lines(1), 2, notAsWritten},
        {kLine + " 1.25000000000000E+0001 5.00000000000000E-0001\n" + Lines(1), 2, notAsWritten},
        {kLine + " 1.25000000000000e+0001 5.00000000000000E-0001\r\n" + Lines(1), 2, notAsWritten},
        {kLine + " 1.25000000000000E+0001 5.0000000000000xE-0001\r\n" + Lines(1), 2, notAsWritten},
        {kLine + " 1.25000000000000E+0001 1.25000000000000E+9999\r\n" + Lines(1), 2, notAsWritten},
        {Lines(2) + " 0.00000000000000E+0000 0.00000000000000E+0000", 3, notAsWritten}, // no line end
    };
    for (const auto& c : cases) {
        test::WriteBytes(file, c.text);
        try {
            ReadParameterFile(file, 3);
            ADD_FAILURE() << "read: " << c.problem;
        } catch (const IoError& error) {
            EXPECT_EQ(std::make_tuple(error.File(), error.Line(), error.Problem()),
                      std::make_tuple(file, c.line, c.problem + "; calculate the library parameters again to rebuild it"));
        }
    }
    EXPECT_THROW(ReadParameterFile(dir.File("missing.idp"), 3), IoError);
}

TEST(DescriptorFile, MustHoldExactlyOneRecordPerStructure)
{
    test::TempDir dir;
    const std::string file = dir.File("lib.pre");
    test::WriteBytes(file, std::string(3 * 260, '\0'));
    EXPECT_NO_THROW(CheckDescriptorFile(file, 3));
    EXPECT_THROW(CheckDescriptorFile(file, 2), IoError);
    EXPECT_THROW(CheckDescriptorFile(file, 4), IoError);
    EXPECT_THROW(CheckDescriptorFile(dir.File("missing.pre"), 0), IoError);
}

} // namespace
} // namespace velmora
