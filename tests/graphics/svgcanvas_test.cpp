// The SVG canvas: metrics, text placement, escaping, and well-formed pictures of real structures.
#include "graphics/fontmetrics.h"
#include "graphics/structuresvg.h"
#include "graphics/svgcanvas.h"
#include "graphics/xmltext.h"
#include "io/molfile.h"
#include "test_support.h"
#include "xmlcheck_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace velmora {
namespace {

using test::XmlProblem;

TEST(FontMetrics, CourierAndArialAdvanceWidths)
{
    const Font courier{"Courier New", 14, FontStyle::None, kBlack};
    // 14 points at 96 dpi: 19 pixels to the em; every character 0.6 em.
    EXPECT_EQ(MeasureFont(courier).emPixels, 19);
    EXPECT_EQ(MeasureTextWidth(courier, "NH2"), 34);
    EXPECT_EQ(MeasureTextWidth(courier, "Cl"), MeasureTextWidth(courier, "NH"));
    EXPECT_EQ(MeasureFont(courier).Height(), 22);

    const Font arial{"Arial", 12, FontStyle::None, kBlack};
    // H 1479 + e 1139 + l 455 + l 455 + o 1139 units of 2048, at 16 pixels to the em.
    EXPECT_EQ(MeasureTextWidth(arial, "Hello"), 36);
    EXPECT_GT(MeasureTextWidth(arial, "WWW"), MeasureTextWidth(arial, "iii"));
    Font bold = arial;
    bold.style = FontStyle::Bold;
    EXPECT_GT(MeasureTextWidth(bold, "bold"), MeasureTextWidth(arial, "bold"));
    // A UTF-8 umlaut and its code page 437 byte are one character each.
    EXPECT_EQ(MeasureTextWidth(courier, "\xC3\xA4"), MeasureTextWidth(courier, "a"));
    EXPECT_EQ(MeasureTextWidth(courier, "\x84"), MeasureTextWidth(courier, "a"));

    EXPECT_EQ(FontFamilyList("Courier New") + "|" + FontFamilyList("Arial") + "|" + FontFamilyList("Odd\"<Font"),
              "'Courier New', 'Liberation Mono', monospace|Arial, 'Liberation Sans', sans-serif|'OddFont', sans-serif");
}

TEST(XmlText, EscapesMarkupAndDecodesCodePage437)
{
    EXPECT_EQ(XmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(XmlEscape("M\xC3\xBC" "ller"), "M\xC3\xBC" "ller"); // valid UTF-8 stays
    EXPECT_EQ(XmlEscape("M\x81" "ller"), "M\xC3\xBC" "ller");     // code page 437 ü
    EXPECT_EQ(XmlEscape("\x84\x94\x9A"), "\xC3\xA4\xC3\xB6\xC3\x9C"); // ä ö Ü
    EXPECT_EQ(XmlEscape("a\x01\x1B" "b\tc\n"), "ab\tc");            // control bytes dropped
    EXPECT_TRUE(IsValidUtf8(XmlEscape("\xFF\xFE\xC0\x80")));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // a surrogate
}

TEST(SvgCanvas, LinesRectsAndText)
{
    SvgCanvas canvas(120, 80);
    canvas.Line(1, 2, 30, 2);
    canvas.SetPenStyle(PenStyle::Dashed);
    canvas.Line(1, 10, 30, 10);
    canvas.SetPen(Pen{kBlack, 2, PenStyle::Solid, PenMode::NotXor});
    canvas.Line(1, 20, 30, 20);
    canvas.Line(5, 5, 5, 5); // zero length: nothing
    canvas.SetBrushColor(kAqua);
    canvas.FillRect(10, 20, 30, 25);
    canvas.FillRect(10, 20, 10, 25); // empty: nothing
    canvas.SetPixel(3, 4, Rgb(1, 2, 3));
    canvas.SetFont(Font{"Courier New", 14, FontStyle::Bold, Rgb(255, 0, 0)});
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.TextOut(50, 40, "NH2");
    const std::string svg = canvas.Document();

    EXPECT_EQ(XmlProblem(svg), "");
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '\n'), 9); // declaration, open, 3 lines, 2 rects, text, close
    for (const char* part : {
             "width=\"120\" height=\"80\" viewBox=\"0 0 120 80\"",
             // One-pixel lines sit on pixel centres.
             "<line x1=\"1.5\" y1=\"2.5\" x2=\"30.5\" y2=\"2.5\" stroke=\"#000000\"", "stroke-dasharray=\"4 2\"",
             // NotXor black inverts what lies below.
             "x1=\"1\" y1=\"20\" x2=\"30\" y2=\"20\" stroke=\"#ffffff\" stroke-width=\"2\"", "mix-blend-mode:difference",
             "<rect x=\"10\" y=\"20\" width=\"20\" height=\"5\" fill=\"#00ffff\"/>",
             "<rect x=\"3\" y=\"4\" width=\"1\" height=\"1\" fill=\"#010203\"/>",
             // Text box 34 x 22 at (50, 40): centred at x 67, baseline at 40 + ascent 16.
             "<text x=\"67\" y=\"56\" font-family=\"'Courier New', 'Liberation Mono', monospace\" "
             "font-size=\"19\" fill=\"#ff0000\" text-anchor=\"middle\" font-weight=\"bold\">NH2</text>"})
        EXPECT_NE(svg.find(part), std::string::npos) << part << "\n" << svg;
}

TEST(SvgCanvas, TextIsEscapedAndBackgroundFilledWithSolidBrush)
{
    SvgCanvas canvas(200, 50);
    canvas.SetBrushColor(kSilver);
    canvas.TextOut(0, 0, "  <Na+> & \x84 ");
    canvas.TextOut(0, 20, "");
    const std::string svg = canvas.Element();
    EXPECT_EQ(XmlProblem(svg), "");
    for (const char* part : {">  &lt;Na+&gt; &amp; \xC3\xA4 </text>", "xml:space=\"preserve\"", "fill=\"#c0c0c0\""})
        EXPECT_NE(svg.find(part), std::string::npos) << part << "\n" << svg;
    EXPECT_EQ(svg.find("<?xml"), std::string::npos);
}

TEST(SvgCanvas, BitmapsNestAsClippedViewports)
{
    SvgCanvas page(300, 300);
    auto bitmap = page.CreateBitmap(100, 50);
    EXPECT_EQ(bitmap->Width(), 100);
    bitmap->GetCanvas().Line(0, 0, 200, 200);
    page.DrawBitmap(10, 20, *bitmap);
    const std::string svg = page.Document();
    EXPECT_EQ(XmlProblem(svg), "");
    EXPECT_NE(svg.find("<svg x=\"10\" y=\"20\" width=\"100\" height=\"50\" overflow=\"hidden\">\n<line"),
              std::string::npos);
}

TEST(XmlCheck, RejectsBrokenDocuments)
{
    // The checker the picture tests rely on must see these faults.
    for (const char* broken : {"<a><b></a></b>", "<a x=1/>", "<a x=\"1\" x=\"2\"/>", "<a>&nbsp;</a>", "<a>x & y</a>",
                               "<a/><b/>", "<a>\x84</a>"})
        EXPECT_NE(XmlProblem(broken), "") << broken;
    EXPECT_EQ(XmlProblem("<?xml version=\"1.0\"?>\n<a x='1'><b/>&amp;&#38;</a>\n"), "");
}

std::vector<TCTab> ReadAll(const std::string& path)
{
    std::vector<TCTab> tables;
    TextReader reader(path);
    while (!reader.Eof()) {
        TCTab table;
        ReadMolRecord(table, reader);
        tables.push_back(table);
    }
    return tables;
}

TEST(StructurePictures, EveryStructureOfASampleFileIsWellFormedSvg)
{
    const auto tables = ReadAll(test::DataFile("first_200.props.sdf"));
    ASSERT_EQ(tables.size(), 200u);
    test::TempDir dir;
    std::string files;
    int labelled = 0;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        for (int mode = 0; mode <= 3; ++mode) {
            StructurePictureOptions options;
            options.mode = mode;
            const std::string svg = StructureSvg(tables[i], options);
            ASSERT_EQ(XmlProblem(svg), "") << "record " << i + 1 << " mode " << mode;
            if (mode == 1) {
                labelled += svg.find("<text") != std::string::npos;
                // Every line and label lies inside the picture.
                static const std::regex coordinate("(x1|x2|x)=\"(-?[0-9.]+)\"");
                for (std::sregex_iterator it(svg.begin(), svg.end(), coordinate), end; it != end; ++it) {
                    const double x = std::stod((*it)[2]);
                    EXPECT_GE(x, 0) << "record " << i + 1;
                    EXPECT_LE(x, 400) << "record " << i + 1;
                }
                const std::string file = dir.File("s" + std::to_string(i + 1) + ".svg");
                std::ofstream(file, std::ios::binary) << svg;
                files += " " + file;
            }
        }
    }
    EXPECT_GT(labelled, 150); // hetero atoms are labelled in mode 1
    if (!test::HaveXmllint()) {
        std::cout << "[ SKIPPED  ] xmllint is not installed; checked by the built-in parser only\n";
        return;
    }
    EXPECT_EQ(test::XmllintProblems(files), "");
}

} // namespace
} // namespace velmora
