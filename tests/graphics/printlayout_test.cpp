// Printed pages on the recording print target: one library structure, and paged text.
#include "graphics/printlayout.h"
#include "graphics/recordingprinttarget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr int kA4Width = 2480, kA4Height = 3508; // A4 at 300 dpi

// A chain of carbons along y (taller than wide), bonded in a row.
TCTab TallChain(int atoms)
{
    TCTab table;
    for (int i = 0; i < atoms; ++i) {
        TAtomRecord atom;
        atom.AtNum = 6;
        atom.AtWeight = 12;
        atom.x = static_cast<float>(i % 2) * 0.8f;
        atom.y = static_cast<float>(i) * 1.5f;
        table.AddAtom(atom);
    }
    for (int i = 1; i < atoms; ++i) {
        table.SetConnection(i, i + 1, 1);
        table.SetConnection(i + 1, i, 1);
    }
    return table;
}

std::vector<std::pair<int, int>> Positions(const RecordingPrintTarget& printer)
{
    std::vector<std::pair<int, int>> positions;
    for (const auto& text : printer.Texts())
        positions.emplace_back(text.x, text.y);
    return positions;
}

TEST(PrintLayout, LibraryStructurePage)
{
    TCTab structure = TallChain(4);
    structure.FStrucName = std::string(60, 'a') + "bcdef"; // 65 characters
    structure.FCASNr = 64175;
    const TCTab before = structure;
    RecordingPrintTarget printer(kA4Width, kA4Height);
    PrintLibraryStructure(printer, structure, "/data/drugs.clb", 4711);

    const int x = 223; // 9 % of the width, truncated
    const auto texts = printer.Texts();
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(Positions(printer), (std::vector<std::pair<int, int>>{
                                      {x, 425}, {x, 525}, {x, 575}, {x, 650}, {x + 500, 700}, {x, 750}, {x, 800}}));
    std::vector<std::string> shown;
    for (const auto& text : texts)
        shown.push_back(text.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Molecule:", "Library         : /data/drugs.clb", "Library position: 4711",
                                               "Structure name  : " + std::string(60, 'a'), "bcdef",
                                               "Brutto formula: C4H10", "CAS-Nr        : 64-17-5"}));
    EXPECT_EQ(std::make_pair(texts[0].fontStyle, texts[1].fontStyle), std::make_pair(FontStyle::Bold, FontStyle::None));
    for (const auto& text : texts)
        EXPECT_TRUE(text.fontName == "Courier New" && text.fontSize == 11);

    // One page, drawn wider than tall (transposed for print), the table itself untouched.
    const auto bitmaps = printer.Bitmaps();
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(std::make_pair(bitmaps[0].x, bitmaps[0].y), std::make_pair(x + 280, 900));
    EXPECT_GT(bitmaps[0].width, bitmaps[0].height);
    EXPECT_EQ(printer.Events().front().kind, PrintEvent::Kind::BeginDoc);
    EXPECT_EQ(printer.Events().back().kind, PrintEvent::Kind::EndDoc);
    EXPECT_EQ(CompareCtab(structure, before), 0);

    // A name of exactly 60 characters has no second line.
    structure.FStrucName = std::string(60, 'n');
    RecordingPrintTarget second(kA4Width, kA4Height);
    PrintLibraryStructure(second, structure, "x.clb", 1);
    EXPECT_EQ(second.Texts().size(), 6u);
}

TEST(PrintLayout, TextLinesArePagedWithFooters)
{
    std::vector<PrintLine> lines(4); // blank lines at the top of the first page are kept
    for (int i = 1; i <= 70; ++i)
        lines.push_back({"line " + std::to_string(i), i <= 40 ? 10 : 8});
    lines.push_back({"", 8});
    lines.push_back({"last", 8});
    RecordingPrintTarget printer(kA4Width, kA4Height);
    PrintTextLines(printer, lines);

    const PrintEvent* first = printer.FindText("line 1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->y, 100 + 4 * 50);
    EXPECT_EQ(printer.FindText("line 2")->y, first->y + 50);
    EXPECT_EQ(printer.FindText("line 42")->y - printer.FindText("line 41")->y, 40);
    int pages = 0, lowest = 0;
    std::vector<std::string> footers;
    for (const auto& event : printer.Events()) {
        pages += event.kind == PrintEvent::Kind::BeginDoc || event.kind == PrintEvent::Kind::NewPage;
        if (event.kind == PrintEvent::Kind::Text && event.text.rfind("- ", 0) == 0) {
            footers.push_back(event.text);
            EXPECT_EQ(std::make_pair(event.x, event.y), std::make_pair(kA4Width / 2, kA4Height - 130));
        } else if (event.kind == PrintEvent::Kind::Text) {
            lowest = std::max(lowest, event.y + event.fontSize * 5);
        }
    }
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(footers, (std::vector<std::string>{"- 1 -", "- 2 -"}));
    EXPECT_LE(lowest, kA4Height - 200);
    // The second page starts at the top margin with text, not with a blank line.
    const std::vector<PrintEvent> texts = printer.Texts();
    const PrintEvent* top = nullptr;
    for (const auto& text : texts)
        if (text.page == 2) {
            top = &text;
            break;
        }
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->y, 100);

    // A short printout is one page without a footer.
    RecordingPrintTarget one(kA4Width, kA4Height);
    PrintTextLines(one, {{"only", 10}});
    EXPECT_EQ(one.Texts().size(), 1u);
}

} // namespace
} // namespace velmora
