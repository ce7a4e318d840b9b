#include "search/libparams.h"

#include "base/ioerror.h"
#include "base/real48.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(LibraryFiles, CompanionAndResultNames)
{
    EXPECT_EQ(CompanionFileName("x.clb", "idp"), "x.idp");
    EXPECT_EQ(CompanionFileName("D:\\data\\drugs.clb", "pre"), "D:\\data\\drugs.pre");
    EXPECT_EQ(ResultLibraryName("/lib/drugs.clb"), "/lib/drSIM.clb");
    EXPECT_EQ(ResultLibraryName("ABCDEFGH.clb"), "ABCDESIM.clb");
    // A short name never moves the result into another directory, nor replaces the library.
    EXPECT_EQ(ResultLibraryName("/data/a.clb"), "/data/SIM.clb");
    EXPECT_EQ(ResultLibraryName("/data/abcSIM.clb"), "/data/abcSIMSIM.clb");
    EXPECT_EQ(ResultLibraryName("/data/SIM.clb"), "/data/SIMSIM.clb");
}

TEST(LibraryFiles, ParameterLinesAreTwo23CharacterFields)
{
    EXPECT_EQ(ParameterLine(12.5, 0.0), " 1.25000000000000E+0001 0.00000000000000E+0000");
    EXPECT_EQ(ParameterLine(-0.03125, 2.0), "-3.12500000000000E-0002 2.00000000000000E+0000");
}

TEST(LibraryFiles, ParametersWriteReadAndScale)
{
    test::TempDir dir;
    LibraryParameters p;
    p.Set(0, 2.5, 0.1); // 0.1 is not a 6-byte real: it is rounded when stored
    EXPECT_EQ(p.StdDev[0], ToReal48Precision(0.1));
    EXPECT_NE(p.StdDev[0], 0.1);
    p.Set(151, -4.0, 3.0);
    p.Write(dir.File("x.idp"), 153);
    const std::string text = test::ReadBytes(dir.File("x.idp"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 153);
    EXPECT_EQ(text.substr(0, 48), ParameterLine(2.5, ToReal48Precision(0.1)) + "\r\n");

    LibraryParameters back;
    back.Read(dir.File("x.idp"), 153, 153);
    EXPECT_EQ(back.Mean[0], 2.5);
    EXPECT_EQ(back.StdDev[151], 3.0);
    // The 15 significant digits of the text give the same 6-byte deviation back.
    EXPECT_EQ(back.StdDev[0], p.StdDev[0]);

    EXPECT_EQ(back.Scale(151, 2.0), 2.0);            // (2 - -4) / 3
    EXPECT_EQ(back.Scale(151, 0.0), ToReal48Precision(4.0L / 3.0L));
    // A file that is not as written leaves the parameters as they were.
    test::WriteBytes(dir.File("bad.idr"), text.substr(0, 48 * 152));
    EXPECT_THROW(back.Read(dir.File("bad.idr"), 34, 153), IoError);
    EXPECT_EQ(back.Mean[0], 2.5);
    EXPECT_THROW(back.Read(dir.File("missing.idr"), 1, 1), IoError);
}

TEST(ElapsedTime, Texts)
{
    struct Case {
        ClockTime start, end;
        const char* text;
    };
    const std::vector<Case> cases{
        {{1, 10, 0, 0}, {1, 10, 1, 5}, "00 days  -  00:01:05"},
        {{1, 10, 0, 0}, {1, 11, 5, 9}, "00 days  -  01:05:09"},
        {{1, 10, 59, 50}, {1, 11, 0, 10}, "00 days  -  00:00:20"}, // seconds and minutes borrow
        {{1, 23, 59, 59}, {2, 0, 0, 1}, "00 days  -  00:00:02"},   // across midnight
        {{1, 23, 59, 59}, {3, 0, 0, 1}, "01 days  -  00:00:02"},
        {{1, 22, 30, 0}, {2, 1, 15, 0}, "00 days  -  02:45:00"},
        {{6, 12, 0, 0}, {1, 13, 0, 0}, "02 days  -  01:00:00"},   // Saturday to Monday
        {{3, 8, 0, 0}, {3, 8, 0, 0}, "00 days  -  00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ElapsedText(c.start, c.end), c.text);
}

} // namespace
} // namespace velmora
