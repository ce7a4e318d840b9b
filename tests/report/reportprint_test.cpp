// The printed search report on the recording print target: header positions, the table with its
// page breaks and footers, the drawing grid, and the descriptor lines.
#include "report/reportprint.h"

#include "graphics/printlayout.h"
#include "graphics/recordingprinttarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

constexpr int kWidth = 2480, kHeight = 3508; // A4 at 300 dpi
constexpr int kX = 223;

TCTab Chain(int atoms, bool tall)
{
    TCTab table;
    for (int i = 0; i < atoms; ++i) {
        TAtomRecord atom;
        atom.AtNum = 6;
        const float along = static_cast<float>(i) * 1.4f, across = static_cast<float>(i % 2) * 0.7f;
        atom.x = tall ? across : along;
        atom.y = tall ? along : across;
        table.AddAtom(atom);
    }
    for (int i = 1; i < atoms; ++i) {
        table.SetConnection(i, i + 1, 1);
        table.SetConnection(i + 1, i, 1);
    }
    return table;
}

ReportPrintData Data(int bestCount, const std::string& queryName = "Query")
{
    ReportPrintData data;
    data.query = Chain(3, true);
    data.query.MutableAtom(2).x = 1.2f; // 2.8 high, 1.2 wide
    data.query.FStrucName = queryName;
    data.libraryFileName = "/lib/drugs.clb";
    data.coefficient = 3;
    data.bestCount = bestCount;
    data.descriptorNames = {"-OH", "-NH2"};
    for (int rank = 1; rank <= bestCount; ++rank)
        data.rows.push_back({rank, 1000L + rank, "  0.9" + std::to_string(rank % 10) + "00", "50-00-0",
                             "Structure " + std::to_string(rank), ""});
    data.tableRows = bestCount > 9 ? bestCount + 1 : 10;
    data.readResult = [](int rank, TCTab& structure) {
        structure = Chain(2 + rank % 4, rank % 2 == 0);
        structure.FCASNr = 50000;
        return rank != 3; // rank 3 cannot be read
    };
    return data;
}

// Rows printed as table lines (those with the column bars), in order.
std::vector<PrintEvent> TableLines(const RecordingPrintTarget& printer)
{
    std::vector<PrintEvent> lines;
    for (const auto& text : printer.Texts())
        if (text.text.size() > 12 && text.text[10] == '|' && text.x == kX && text.text.rfind("Position", 0) != 0)
            lines.push_back(text);
    return lines;
}

std::vector<std::string> Footers(const RecordingPrintTarget& printer)
{
    std::vector<std::string> footers;
    for (const auto& text : printer.Texts())
        if (text.text.rfind("- ", 0) == 0 && text.y == kHeight - 130 && text.x == kWidth / 2)
            footers.push_back(text.text);
    return footers;
}

TEST(ReportPrint, HeaderPositionsInBothStyles)
{
    for (ReportStyle style : {ReportStyle::Table, ReportStyle::Drawing}) {
        const int d = style == ReportStyle::Drawing ? 90 : 0;
        SCOPED_TRACE(d);
        const std::string name = std::string(60, 'q') + "0123456789"; // 70 characters
        RecordingPrintTarget printer(kWidth, kHeight);
        PrintSearchReport(printer, Data(5, name), style);

        const auto texts = printer.Texts();
        ASSERT_GE(texts.size(), 9u);
        EXPECT_EQ(texts[0].fontStyle, FontStyle::Bold);
        const std::vector<std::tuple<std::string, int, int>> top{
            {"INPUT:", kX, 425 - d}, {"My structure: " + name.substr(0, 60), kX, 525 - d}, {"0123456789", kX + 500, 585 - d}};
        for (std::size_t i = 0; i < top.size(); ++i)
            EXPECT_EQ(std::make_tuple(texts[i].text, texts[i].x, texts[i].y), top[i]);

        // The tall query is printed transposed, by page height ('y', 0.13: 3508 x 0.13 - 100 high).
        const PrintEvent query = printer.Bitmaps().front();
        EXPECT_EQ(std::make_pair(query.x, query.y), std::make_pair(kX + 280, 635 - d));
        EXPECT_EQ(query.height, 356);
        EXPECT_GT(query.width, query.height);
        const int y0 = query.y + query.height;

        const std::vector<std::pair<std::string, int>> expected = {
            {"Library: /lib/drugs.clb", y0 + 40},
            {"Similarity coefficient : Tanimoto coefficient", y0 + 100},
            {"Number of best matching: 5", y0 + 160},
            {"Structural descriptors : -OH,  -NH2", y0 + 220},
            {"OUTPUT:", y0 + 60 + 260},
            {"Calculated structures", y0 + 60 + 340},
        };
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(std::make_tuple(texts[3 + i].text, texts[3 + i].x, texts[3 + i].y),
                      std::make_tuple(expected[i].first, kX, expected[i].second));
        EXPECT_EQ(texts[7].fontStyle, FontStyle::Bold);
        EXPECT_TRUE(Footers(printer).empty()); // one page
    }
}

TEST(ReportPrint, TableOfFiveHasNineRowsFourBlank)
{
    ReportPrintData data = Data(5);
    data.rows[1].name = std::string(33, 'n') + "CUT";
    data.rows[2].name = std::string(33, 'e');
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, data, ReportStyle::Table);

    const PrintEvent* heading = printer.FindText("Position  | ");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text, "Position  | Tanimoto    |    CASNr   |   Structure Name");
    const int yo = printer.FindText("OUTPUT:")->y;
    EXPECT_EQ(heading->y, yo + 240);
    EXPECT_EQ(printer.FindText("----------+")->y, yo + 300);

    const auto lines = TableLines(printer);
    ASSERT_EQ(lines.size(), 1u + 9u); // the empty column line and 9 rows
    EXPECT_EQ(lines[0].text, "          |            |            |");
    EXPECT_EQ(lines[0].y, yo + 360);
    EXPECT_EQ(lines[1].text, "    1001  |    0.9100  |    50-00-0 |  Structure 1" + std::string(22, ' '));
    EXPECT_EQ(lines[2].text.substr(39), std::string(33, 'n') + " =>");
    EXPECT_EQ(lines[3].text.substr(39), std::string(33, 'e')); // complete, so not marked
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(lines[static_cast<std::size_t>(k)].y, yo + 360 + 60 * k);
    for (int k = 6; k <= 9; ++k)
        EXPECT_EQ(lines[static_cast<std::size_t>(k)].text, std::string(10, ' ') + "|" + std::string(12, ' ') + "|" +
                                                               std::string(12, ' ') + "|" + std::string(35, ' '));
    EXPECT_TRUE(printer.Bitmaps().size() == 1u); // the query only
}

TEST(ReportPrint, LongTableBreaksPagesWithHeadingsAndFooters)
{
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, Data(100), ReportStyle::Table);
    const auto lines = TableLines(printer);
    const auto footers = Footers(printer);
    ASSERT_GE(footers.size(), 3u);
    const int pages = printer.PageNumber();
    EXPECT_EQ(static_cast<int>(footers.size()), pages);
    for (int p = 1; p <= pages; ++p)
        EXPECT_EQ(footers[static_cast<std::size_t>(p - 1)], "- " + std::to_string(p) + " -");

    int rows = 0;
    for (const auto& line : lines) {
        EXPECT_LE(line.y, kHeight - 300 + 60);
        rows += line.text.find_first_not_of(" |") != std::string::npos;
    }
    EXPECT_EQ(rows, 100);
    // Every later page repeats the heading at the top; its first row follows at 430.
    for (int p = 2; p <= pages; ++p) {
        std::vector<int> ys;
        for (const auto& text : printer.Texts())
            if (text.page == p)
                ys.push_back(text.y);
        ASSERT_GE(ys.size(), 5u);
        EXPECT_EQ(std::vector<int>(ys.begin(), ys.begin() + 4), (std::vector<int>{250, 310, 370, 430}));
    }
    EXPECT_EQ(printer.Events().back().kind, PrintEvent::Kind::EndDoc);
}

TEST(ReportPrint, DrawingGridOfFive)
{
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, Data(5), ReportStyle::Drawing);
    const auto bitmaps = printer.Bitmaps();
    // The query and ranks 1, 2, 4, 5 (rank 3 cannot be read: its cell keeps only its value).
    ASSERT_EQ(bitmaps.size(), 5u);
    const int yo = printer.FindText("OUTPUT:")->y;
    const int y = yo + 50;
    std::vector<std::pair<int, int>> cells;
    for (std::size_t i = 1; i < bitmaps.size(); ++i)
        cells.emplace_back(bitmaps[i].x, bitmaps[i].y);
    const int row1Bottom = std::max({bitmaps[1].y + bitmaps[1].height, bitmaps[2].y + bitmaps[2].height,
                                     bitmaps[3].y + bitmaps[3].height});
    const int y2 = row1Bottom + 90 - 85; // below the captions under the drawings
    EXPECT_EQ(cells, (std::vector<std::pair<int, int>>{{496 - kX, y + 200}, {992 - kX, y + 200}, {1984 - kX, y + 200},
                                                      {496 - kX, y2 + 200}}));
    for (std::size_t i = 1; i < bitmaps.size(); ++i) {
        EXPECT_EQ(bitmaps[i].width, 446); // 2480 x 0.18
        EXPECT_GE(bitmaps[i].width, bitmaps[i].height); // turned upright for print
    }
    int values = 0, cas = 0, captions = 0;
    for (const auto& text : printer.Texts()) {
        if (text.fontName != "Arial")
            continue;
        EXPECT_EQ(text.fontSize, 8);
        values += text.text.rfind("0.9", 0) == 0;
        cas += text.text == "50-00-0";
        captions += text.text.rfind("Rank ", 0) == 0;
    }
    EXPECT_EQ(values, 5);
    EXPECT_EQ(cas, 4);
    EXPECT_EQ(captions, 5);
    const PrintEvent* third = printer.FindText("0.93");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(std::make_pair(third->x, third->y), std::make_pair(1488 - kX, y + 100));
}

// Under every drawing its rank, library position and name, so that a drawing can be found in the
// table and the library; a name too long for the cell is cut with "=>".
TEST(ReportPrint, DrawingsAreLabelledWithRankPositionAndName)
{
    ReportPrintData data = Data(5);
    data.rows[1].name = "2-[4-(2-Methylpropyl)phenyl]propanoic acid, racemic";
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, data, ReportStyle::Drawing);
    const auto bitmaps = printer.Bitmaps();
    ASSERT_EQ(bitmaps.size(), 5u);
    const std::vector<int> ranks{1, 2, 4, 5};
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        const PrintEvent& drawing = bitmaps[i + 1];
        const int rank = ranks[i];
        SCOPED_TRACE(rank);
        const PrintEvent* caption = printer.FindText("Rank " + std::to_string(rank) + " ");
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text, "Rank " + std::to_string(rank) + "   Position " + std::to_string(1000 + rank));
        EXPECT_EQ(std::make_tuple(caption->x, caption->y, caption->fontName, caption->fontSize),
                  std::make_tuple(drawing.x, drawing.y + drawing.height + 10, std::string("Arial"), 8));
        std::optional<PrintEvent> name;
        for (const auto& text : printer.Texts())
            if (text.x == drawing.x && text.y == caption->y + 40)
                name = text;
        ASSERT_TRUE(name.has_value());
        if (rank == 2) {
            EXPECT_EQ(name->text.substr(name->text.size() - 2), "=>");
            EXPECT_EQ(data.rows[1].name.rfind(name->text.substr(0, name->text.size() - 2), 0), 0u);
            EXPECT_LE(PrintTextWidth("Arial", 8, name->text), drawing.width);
        } else {
            EXPECT_EQ(name->text, "Structure " + std::to_string(rank));
        }
    }
    // The match that cannot be read is still named where its drawing would be.
    const PrintEvent* third = printer.FindText("Rank 3 ");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(std::make_pair(third->x, third->y), std::make_pair(1488 - kX, printer.FindText("0.93")->y + 100 + 10));
}

// A long library path is shortened in the middle: the folder's start and the file's name stay.
TEST(ReportPrint, LongLibraryPathIsShortenedInTheMiddle)
{
    ReportPrintData data = Data(5);
    data.libraryFileName = "/home/chemist/projects/" + std::string(120, 'x') + "/screening/drugs.clb";
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, data, ReportStyle::Table);
    const PrintEvent* library = printer.FindText("Library: ");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library->text.find("..."), std::string::npos);
    EXPECT_EQ(library->text.rfind("Library: /home/chemist/", 0), 0u);
    EXPECT_EQ(library->text.substr(library->text.size() - 20), "/screening/drugs.clb");
    EXPECT_LE(kX + PrintTextWidth(library->fontName, library->fontSize, library->text), kWidth - kX);
    EXPECT_EQ(PrintFitMiddle("/lib/drugs.clb", 2000, "Courier New", 11), "/lib/drugs.clb");
}

TEST(ReportPrint, DrawingGridOfTwelveMovesToASecondPage)
{
    ReportPrintData data = Data(40);
    data.descriptorNames.assign(40, "Aromatic OH"); // 9 lines
    data.query = Chain(6, false);                   // flat: printed by page width
    data.readResult = [](int rank, TCTab& square) {
        square = Chain(4, false);
        square.MutableAtom(3).x = 0.0f, square.MutableAtom(4).x = 1.4f;
        square.MutableAtom(3).y = square.MutableAtom(4).y = 1.4f;
        return rank != 3;
    };
    RecordingPrintTarget printer(kWidth, kHeight);
    PrintSearchReport(printer, data, ReportStyle::Drawing);
    ASSERT_EQ(printer.Bitmaps().size(), 1u + 11u); // three rows of four, rank 3 unreadable
    EXPECT_EQ(printer.Bitmaps()[0].width, 1488);    // 2480 x 0.6
    EXPECT_EQ(printer.PageNumber(), 2);
    EXPECT_EQ(Footers(printer), (std::vector<std::string>{"- 1 -", "- 2 -"}));
    const std::vector<PrintEvent> texts = printer.Texts();
    const PrintEvent* output = nullptr;
    for (const auto& text : texts)
        if (text.page == 2) {
            output = &text;
            break;
        }
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->text, "OUTPUT:");
    EXPECT_EQ(std::make_pair(output->y, output->fontStyle), std::make_pair(425, FontStyle::Bold));
    EXPECT_EQ(printer.FindText("Calculated structures")->page, 1);
    for (const auto& bitmap : printer.Bitmaps())
        EXPECT_TRUE(bitmap.page == 1 || bitmap.y == 600 + 200);
    // Drawings and their captions end above the footer.
    for (const auto& text : printer.Texts()) {
        if (text.fontName == "Arial") {
            EXPECT_LE(text.y + 40, kHeight - 130) << text.text;
        }
    }
    for (const auto& bitmap : printer.Bitmaps())
        EXPECT_LE(bitmap.y + bitmap.height, kHeight - 130);
}

TEST(ReportPrint, DescriptorLines)
{
    const std::string ten(10, 'd');
    // 47 on line 1 and 63 on the others, the separators not counted.
    EXPECT_EQ(PrintDescriptorLines({std::string(20, 'a'), std::string(26, 'b'), "c"}),
              (std::vector<std::string>{std::string(20, 'a') + ",  " + std::string(26, 'b'), "c"}));
    EXPECT_EQ(PrintDescriptorLines({std::string(20, 'a'), std::string(27, 'b')}),
              (std::vector<std::string>{std::string(20, 'a'), std::string(27, 'b')}));
    EXPECT_EQ(PrintDescriptorLines({std::string(30, 'a'), std::string(20, 'b'), std::string(42, 'c'), "d"}),
              (std::vector<std::string>{std::string(30, 'a'), std::string(20, 'b') + ",  " + std::string(42, 'c'), "d"}));
    EXPECT_EQ(PrintDescriptorLines({}), (std::vector<std::string>{""}));

    // Many names: 15 lines, the last one marked.
    std::vector<std::string> many(200, ten);
    const auto lines = PrintDescriptorLines(many);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], ten + ",  " + ten + ",  " + ten + ",  " + ten);
    EXPECT_EQ(lines[14].substr(lines[14].size() - 2), "=>");
    EXPECT_EQ(lines[13].find("=>"), std::string::npos);
}

} // namespace
} // namespace velmora
