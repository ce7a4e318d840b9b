#include "io/ctb.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Counts in a header come from the file: any size or sign must give a result, never undefined
// arithmetic or an endless read.
TEST(CtbLimits, HugeAndNegativeCountsInTheHeader)
{
    const std::vector<std::string> headers{
        "/CONTAB 4996944270305263614 4996944270305263614\r\n",
        "/CONTAB    4   -1\r\n name\r\n",
        "/CONTAB    9223372036854775807    1\r\n",
        "/CONTAB    2 4611686018427387904\r\n  1   6  12   0  0  1.0E+0000  1.0E+0000  0.0E+0000\r\n  0\r\n",
    };
    for (const auto& text : headers) {
        auto reader = TextReader::FromMemory(text);
        TCTab table;
        table.FStrucName = "before";
        EXPECT_FALSE(ReadCTB(table, reader)) << text;
    }
    auto negative = TextReader::FromMemory(headers[1]);
    TCTab kept;
    kept.FStrucName = "kept";
    ReadCTB(kept, negative);
    EXPECT_EQ(kept.FStrucName, "kept"); // a record that cannot be one leaves the table alone
}

} // namespace
} // namespace velmora
