// The HTML report: content, escaping of file-borne texts, self-containment and safe writing.
#include "base/ioerror.h"
#include "report/explainchart.h"
#include "report/htmlreport.h"
#include "search/coefficients.h"
#include "test_support.h"
#include "xmlcheck_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

TCTab Chain(int length, const std::string& name, std::int32_t cas = 0)
{
    TCTab table;
    for (int i = 0; i < length; ++i) {
        TAtomRecord atom;
        atom.AtNum = i == length - 1 ? 8 : 6;
        atom.x = static_cast<float>(100 * i);
        atom.y = static_cast<float>(i % 2 == 0 ? 0 : 60);
        table.AddAtom(atom);
    }
    for (int i = 1; i < length; ++i) {
        table.SetConnection(i, i + 1, 1);
        table.SetConnection(i + 1, i, 1);
    }
    table.FStrucName = name;
    table.FCASNr = cas;
    return table;
}

HtmlReportData Sample()
{
    HtmlReportData data;
    data.InputLines = {"INPUT", "Library:        C:\\data\\nci <test>.clb", "Coefficient:    Tanimoto"};
    data.Query = Chain(3, "ethanol & co", 64175);
    data.Rows = {{1, 17, "  1.0000", "64-17-5", "Ethanol", ""},
                 {2, 3, "  0.8123", "", "<script>alert(1)</script>", ""},
                 {3, 250, "  0.5000", "71-23-8", "Propan\x94l", ""}}; // code page 437 ö
    data.Structures = {Chain(3, "Ethanol"), Chain(4, "x"), Chain(5, "y")};
    data.Diagram.CoefficientIndex = 3;
    data.Diagram.MaxValue = 1.0f;
    data.Diagram.Histogram[19] = data.Diagram.Histogram[15] = data.Diagram.Histogram[9] = 1;
    data.Diagram.TimeText = "00:00:00:02";
    return data;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(HtmlReport, HoldsInputTableDrawingsAndDiagram)
{
    const std::string html = BuildHtmlReport(Sample());
    EXPECT_EQ(test::XmlProblem(html), "");
    EXPECT_NE(html.find("<pre class=\"input\">INPUT\nLibrary:        C:\\data\\nci &lt;test&gt;.clb\n"),
              std::string::npos);
    // Table rows in rank order, with position, value, CAS number and name.
    const auto first = html.find("<td class=\"num\">17</td><td class=\"num\">  1.0000</td><td>64-17-5</td><td>Ethanol</td>");
    const auto second = html.find("<td class=\"num\">3</td>");
    const auto third = html.find("<td class=\"num\">250</td>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    // Query, three matches and the diagram.
    EXPECT_EQ(Count(html, "<svg "), 5u);
    for (const char* part : {"<b>Query</b><br/>ethanol &amp; co<br/>CAS 64-17-5",
                             "<b>3.</b> Propan\xC3\xB6l<br/>CAS 71-23-8<br/>Value   0.5000", "Tanimoto coefficient",
                             "Calculationtime:", "00:00:00:02"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    // A structure name never becomes markup, and nothing is loaded from elsewhere.
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    for (const char* part : {"<script", "src=", "@import"})
        EXPECT_EQ(html.find(part), std::string::npos) << part;
    EXPECT_EQ(Count(html, "href="), 3u); // the rank links within the page
}

TEST(HtmlReport, RowsWithoutStructuresAndEmptySearch)
{
    HtmlReportData data = Sample();
    data.Structures.resize(1);
    const std::string html = BuildHtmlReport(data);
    EXPECT_EQ(test::XmlProblem(html), "");
    EXPECT_EQ(Count(html, "<svg "), 3u); // query, first match, diagram
    EXPECT_NE(html.find("id=\"rank3\""), std::string::npos);

    // A query without a CAS number shows it as every page and printout does.
    data.Query.FCASNr = 0;
    EXPECT_NE(BuildHtmlReport(data).find("<b>Query</b><br/>ethanol &amp; co<br/>CAS 0-00-0</figcaption>"),
              std::string::npos);

    HtmlReportData empty;
    const std::string nothing = BuildHtmlReport(empty);
    EXPECT_EQ(test::XmlProblem(nothing), "");
    EXPECT_EQ(Count(nothing, "<svg "), 2u);
}

// Query (1, 2, 0) against match (1, 0, 3) on three descriptors scaled as they are.
MatchExplanation Explained(int coefficient, int rank)
{
    LibraryParameters parameters;
    std::array<double, kCatalogueSize> query{}, match{};
    std::vector<int> indices;
    const std::array<std::array<double, 2>, 3> values{{{1, 1}, {2, 0}, {0, 3}}};
    for (int k = 0; k < 3; ++k) {
        const int i = test::DescriptorIndex(k == 0 ? "Atoms of C" : k == 1 ? "Atoms of N" : "RandicIx");
        parameters.Set(i, 0, 1);
        query[static_cast<std::size_t>(i)] = values[static_cast<std::size_t>(k)][0];
        match[static_cast<std::size_t>(i)] = values[static_cast<std::size_t>(k)][1];
        indices.push_back(i);
    }
    MatchExplanation e = ExplainValues(coefficient, indices, 3, parameters, query, match);
    e.rank = rank;
    e.libraryPosition = 10 + rank;
    e.name = "match <" + std::to_string(rank) + ">";
    return e;
}

TEST(HtmlReport, ExplanationChartsPerMatch)
{
    HtmlReportData data = Sample();
    data.Explanations = {Explained(kEuclidean, 1), Explained(kEuclidean, 2)};
    const std::string html = BuildHtmlReport(data);
    EXPECT_EQ(test::XmlProblem(html), "");
    EXPECT_EQ(Count(html, "<svg "), 7u);
    EXPECT_EQ(Count(html, "href=\"#why"), 2u);
    for (const char* part : {"<h2>Why these structures are similar</h2>", "id=\"why2\"",
                             "1. match &lt;1&gt; (library position 11), Euclidean distance 3.6056",
                             "share of the squared distance"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    for (const char* part : {"<script", "src=", "@import"})
        EXPECT_EQ(html.find(part), std::string::npos) << part;

    // Closest first; distances: bars from the left edge, the largest share filling the bar area.
    const std::string distance = ExplanationChartSvg(Explained(kEuclidean, 1));
    EXPECT_EQ(test::XmlProblem(distance), "");
    EXPECT_EQ(Count(distance, "<title>"), 3u);
    EXPECT_LT(distance.find(">Atoms of C<"), distance.find(">Atoms of N<"));
    EXPECT_LT(distance.find(">Atoms of N<"), distance.find(">RandicIx<"));
    EXPECT_NE(distance.find("<rect x=\"356.0\" y=\"86.0\" width=\"210.0\" height=\"12\" fill=\"#c62828\"/>"),
              std::string::npos);
    EXPECT_NE(distance.find("RandicIx&#10;query 0.000 (scaled 0.0000), match 3.000 (scaled 3.0000)"), std::string::npos);
    // Identical values say so; differences in standard deviations, with a true minus sign.
    for (const char* part : {"69.2 %", ">same value<", ">+2.00<", ">\u22123.00<"})
        EXPECT_NE(distance.find(part), std::string::npos) << part;

    // Correlation: a negative share draws left of the zero axis, in red.
    MatchExplanation mixed = Explained(kCorrelation, 1);
    mixed.contributions[2].share = -0.5;
    mixed.contributions[2].pull = DescriptorPull::Apart;
    const std::string correlation = ExplanationChartSvg(mixed);
    EXPECT_EQ(test::XmlProblem(correlation), "");
    EXPECT_NE(correlation.find("x=\"356.0\" y=\"86.0\" width=\"99.5\" height=\"12\" fill=\"#c62828\""), std::string::npos) << correlation;
    EXPECT_NE(correlation.find("-50.0 %"), std::string::npos);
}

// A library set's matches name their library in a column of the table and under each drawing; a
// single library's table has no such column.
TEST(HtmlReport, ALibrarySetsMatchesNameTheirLibrary)
{
    HtmlReportData data = Sample();
    const std::string single = BuildHtmlReport(data);
    EXPECT_EQ(single.find("Library</th>"), std::string::npos);
    data.Rows[0].Library = "vendor <a>.clb";
    data.Rows[1].Library = "/data/inhouse.clb";
    data.Rows[2].Library = "/data/inhouse.clb";
    const std::string html = BuildHtmlReport(data);
    EXPECT_TRUE(test::Contains(html, "<th>Lib. pos.</th><th>Library</th><th>Value</th>"));
    EXPECT_TRUE(test::Contains(html, "<td class=\"num\">17</td><td>vendor &lt;a&gt;.clb</td><td class=\"num\">  1.0000"))
        << html;
    EXPECT_TRUE(test::Contains(html, "<br/>/data/inhouse.clb<br/>Value   0.5000</figcaption>"));
    EXPECT_EQ(test::XmlProblem(html), "");
}

TEST(HtmlReport, WritesWholeFileOrNothing)
{
    test::TempDir dir;
    const std::string path = dir.File("report.html");
    WriteHtmlReport(path, Sample());
    EXPECT_EQ(test::ReadBytes(path), BuildHtmlReport(Sample()));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    const std::string missing = dir.File("no/such/dir/report.html");
    try {
        WriteHtmlReport(missing, Sample());
        FAIL() << "no error for a missing directory";
    } catch (const IoError& error) {
        EXPECT_EQ(error.File(), missing);
        EXPECT_EQ(std::string(error.what()).find(".part"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
} // namespace velmora
