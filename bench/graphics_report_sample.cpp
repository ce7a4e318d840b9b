// Writes a sample search report (HTML) from the first structures of an SD file and made-up
// similarity values, to look at the layout in a browser.
//
//   graphics_report_sample FILE.sdf OUT.html [COUNT]
#include "base/textfile.h"
#include "report/htmlreport.h"
#include "io/molfile.h"

#include "base/numtext.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: graphics_report_sample FILE.sdf OUT.html [COUNT]\n");
        return 2;
    }
    const int count = argc > 3 ? std::max(1, std::atoi(argv[3])) : 8;
    try {
        velmora::TextReader reader(argv[1]);
        velmora::HtmlReportData data;
        data.Title = "Similarity search: sample report";
        velmora::ReadMolRecord(data.Query, reader);
        data.Query.FStrucName = "2-methyl-1,4-benzoquinone (sample query)";
        for (int i = 0; i < count && !reader.Eof(); ++i) {
            velmora::TCTab table;
            velmora::ReadMolRecord(table, reader);
            const double value = 0.35 * (i + 1);
            velmora::HtmlReportRow row;
            row.Rank = i + 1;
            row.LibraryPosition = 2 + i;
            row.ValueText = velmora::PadLeft(velmora::FormatFixed(value, 4), 8);
            row.CASText = velmora::CASNumberShown(table.FCASNr);
            row.Name = table.FStrucName.empty() ? "NCI record " + std::to_string(2 + i) : table.FStrucName;
            data.Rows.push_back(row);
            data.Structures.push_back(table);
        }
        data.InputLines = {"INPUT",
                           "  Library            : nci5k.clb (4987 structures)",
                           "  Mode               : NORMAL",
                           "  Coefficient        : Euclidean distance",
                           "  Descriptors        : 12 of 149 selected",
                           "  Best matches       : " + std::to_string(data.Rows.size())};
        data.Diagram.CoefficientIndex = 0;
        data.Diagram.MaxValue = 9.5f;
        const int counts[20] = {1, 3, 8, 15, 40, 96, 210, 388, 590, 760, 802, 690, 540, 380, 221, 130, 61, 33, 12, 7};
        for (int i = 0; i < 20; ++i)
            data.Diagram.Histogram[i] = counts[i];
        data.Diagram.TimeText = "00:00:00:14";
        velmora::WriteHtmlReport(argv[2], data);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "graphics_report_sample: %s\n", error.what());
        return 1;
    }
    return 0;
}
