#include "report/htmlreport.h"

#include "graphics/structuresvg.h"
#include "graphics/svgcanvas.h"
#include "graphics/wholefile.h"
#include "graphics/xmltext.h"
#include "report/explainchart.h"
#include "search/coefficients.h"

#include <algorithm>


namespace velmora {

namespace {

constexpr int kPictureWidth = 260;
constexpr int kPictureHeight = 200;

const char* const kStyle = R"(body{font-family:Arial,'Liberation Sans',sans-serif;margin:24px;color:#000;background:#fff}
h1{font-size:20px;margin:0 0 12px}
h2{font-size:16px;margin:24px 0 8px;border-bottom:1px solid #888}
pre.input{font-family:'Courier New','Liberation Mono',monospace;font-size:13px;background:#f4f4f4;padding:8px;border:1px solid #ccc;overflow-x:auto}
table{border-collapse:collapse;font-size:13px}
th,td{border:1px solid #aaa;padding:3px 8px;text-align:left}
td.num{text-align:right;font-family:'Courier New','Liberation Mono',monospace}
.grid{display:flex;flex-wrap:wrap;gap:12px}
figure{margin:0;border:1px solid #aaa;padding:4px;width:260px;background:#fff}
figure.query{border:2px solid #000}
figure svg{display:block}
figcaption{font-size:12px;line-height:1.4;word-wrap:break-word}
)";

const char* const kExplanationStyle = R"(.why{margin:0 0 16px}
.why h3{font-size:14px;margin:12px 0 4px}
p.note{font-size:12px;color:#333;max-width:640px}
)";

std::string Picture(const TCTab& table)
{
    StructurePictureOptions options;
    options.width = kPictureWidth;
    options.height = kPictureHeight;
    options.xmlDeclaration = false;
    return StructureSvg(table, options);
}

} // namespace

std::string BuildHtmlReport(const HtmlReportData& data)
{
    std::string html;
    html.reserve(16384 + data.Rows.size() * 6000);
    html += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>";
    html += XmlEscape(data.Title);
    html += "</title>\n<style>\n";
    html += kStyle;
    if (!data.Explanations.empty())
        html += kExplanationStyle;
    html += "</style>\n</head>\n<body>\n<h1>";
    html += XmlEscape(data.Title);
    html += "</h1>\n";

    html += "<h2>INPUT</h2>\n<pre class=\"input\">";
    for (const std::string& line : data.InputLines) {
        html += XmlEscape(line);
        html += '\n';
    }
    html += "</pre>\n";

    const bool libraries = std::any_of(data.Rows.begin(), data.Rows.end(),
                                       [](const HtmlReportRow& row) { return !row.Library.empty(); });
    html += "<h2>Best matches</h2>\n<table>\n<thead><tr><th>Rank</th><th>Lib. pos.</th>";
    if (libraries)
        html += "<th>Library</th>";
    html += "<th>Value</th>";
    const bool queryColumn = !data.RowQueries.empty();
    auto rowQuery = [&data](std::size_t i) { return i < data.RowQueries.size() ? data.RowQueries[i] : std::string(); };
    if (queryColumn)
        html += "<th>Query</th>";
    html += "<th>CAS number</th><th>Name</th></tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < data.Rows.size(); ++i) {
        const HtmlReportRow& row = data.Rows[i];
        const std::string rank = std::to_string(row.Rank);
        html += "<tr><td class=\"num\"><a href=\"#rank" + rank + "\">" + rank + "</a></td><td class=\"num\">";
        html += std::to_string(row.LibraryPosition);
        if (libraries)
            html += "</td><td>" + XmlEscape(row.Library);
        html += "</td><td class=\"num\">" + XmlEscape(row.ValueText);
        if (queryColumn)
            html += "</td><td>" + XmlEscape(rowQuery(i));
        html += "</td><td>" + XmlEscape(row.CASText);
        html += "</td><td>" + XmlEscape(row.Name) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";

    html += "<h2>Structures</h2>\n<div class=\"grid\">\n<figure class=\"query\">\n";
    html += Picture(data.Query);
    html += "<figcaption><b>Query</b><br/>" + XmlEscape(data.Query.FStrucName);
    if (!data.QueryCaption.empty())
        html += "<br/>" + XmlEscape(data.QueryCaption);
    html += "<br/>CAS " + XmlEscape(CASNumberShown(data.Query.FCASNr));
    html += "</figcaption>\n</figure>\n";
    for (std::size_t i = 0; i < data.Rows.size(); ++i) {
        const HtmlReportRow& row = data.Rows[i];
        html += "<figure id=\"rank" + std::to_string(row.Rank) + "\">\n";
        if (i < data.Structures.size())
            html += Picture(data.Structures[i]);
        html += "<figcaption><b>" + std::to_string(row.Rank) + ".</b> " + XmlEscape(row.Name);
        if (!row.CASText.empty())
            html += "<br/>CAS " + XmlEscape(row.CASText);
        if (!row.Library.empty())
            html += "<br/>" + XmlEscape(row.Library);
        html += "<br/>Value " + XmlEscape(row.ValueText);
        if (queryColumn)
            html += "<br/>Query " + XmlEscape(rowQuery(i));
        if (std::any_of(data.Explanations.begin(), data.Explanations.end(),
                        [&row](const MatchExplanation& e) { return e.rank == row.Rank; }))
            html += " <a href=\"#why" + std::to_string(row.Rank) + "\">why?</a>";
        html += "</figcaption>\n</figure>\n";
    }
    html += "</div>\n";

    if (!data.Explanations.empty()) {
        const int coefficient = data.Explanations.front().coefficient;
        html += "<h2>Why these structures are similar</h2>\n<p class=\"note\">" +
                XmlEscape(CoefficientName(coefficient) + ": each bar is the descriptor's " +
                          ShareMeaning(coefficient) + ", computed from the scaled values the search compared. "
                          "Point at a row for the scaled values, the library's mean and standard deviation and "
                          "the descriptor's term.") +
                "</p>\n";
        for (const MatchExplanation& e : data.Explanations) {
            html += "<div class=\"why\" id=\"why" + std::to_string(e.rank) + "\">\n<h3>" +
                    XmlEscape(std::to_string(e.rank) + ". " + e.name + " (library position " +
                              std::to_string(e.libraryPosition) + (e.library.empty() ? "" : ", " + e.library) + "), " +
                              CoefficientName(e.coefficient) + " " +
                              e.valueText) +
                    "</h3>\n<p class=\"note\">" + XmlEscape(ValueFormula(e));
            if (const std::string remark = ExplanationRemark(e); !remark.empty())
                html += "<br/><b>" + XmlEscape(remark) + "</b>";
            html += "</p>\n";
            html += ExplanationChartSvg(e);
            html += "</div>\n";
        }
    }

    html += "<h2>Distribution of similar structures</h2>\n<div class=\"diagram\">\n";
    SvgCanvas diagram(kDiagramWidth, kDiagramHeight);
    DrawSearchDiagram(diagram, data.Diagram, 0, 0);
    html += diagram.Element();
    html += "</div>\n";
    html += "</body>\n</html>\n";
    return html;
}

void WriteHtmlReport(const std::string& path, const HtmlReportData& data)
{
    WriteWholeFile(path, BuildHtmlReport(data));
}

} // namespace velmora
