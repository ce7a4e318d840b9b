// Structure drawing on the recording canvas: labels, shortening, parallel lines, dashes, modes,
// clipping, fitting and printing.
#include "graphics/grafctab.h"
#include "graphics/recordingcanvas.h"
#include "graphics/recordingprinttarget.h"
#include "model/elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

struct Bond {
    int a, b, type;
};
struct AtomSpec {
    int element;
    double x, y;
    int charge = 0;
};

// A symmetric table from atoms and bonds, as the readers leave it.
void Build(TCTab& table, const std::vector<AtomSpec>& atoms, const std::vector<Bond>& bonds)
{
    table.Clear();
    for (const auto& entry : atoms) {
        TAtomRecord record;
        record.AtNum = static_cast<std::uint8_t>(entry.element);
        record.x = static_cast<float>(entry.x);
        record.y = static_cast<float>(entry.y);
        record.Charge = static_cast<std::int8_t>(entry.charge);
        ASSERT_TRUE(table.AddAtom(record));
    }
    for (const auto& bond : bonds) {
        ASSERT_TRUE(table.SetConnection(bond.a, bond.b, bond.type));
        ASSERT_TRUE(table.SetConnection(bond.b, bond.a, bond.type));
    }
}
TCTab Table(const std::vector<AtomSpec>& atoms, const std::vector<Bond>& bonds)
{
    TCTab table;
    Build(table, atoms, bonds);
    return table;
}

// Charges are molfile codes unless formal (the editor's table).
std::string Label(const std::vector<AtomSpec>& atoms, const std::vector<Bond>& bonds, int atom = 1, bool formal = false)
{
    TGrafCtab table;
    table.FormalCharges = formal;
    Build(table, atoms, bonds);
    std::string text;
    const int length = table.AtomLabel(atom, text);
    EXPECT_EQ(length, static_cast<int>(text.size()));
    return text;
}

constexpr int C = 6, N = 7, O = 8, P = 15, S = 16, Cl = 17, Na = 11;

// The label of an atom with one carbon neighbour per bond type given.
std::string Label(int element, int charge, const std::vector<int>& bondTypes, bool formal)
{
    std::vector<AtomSpec> atoms{{element, 0, 0, charge}};
    std::vector<Bond> bonds;
    for (int type : bondTypes) {
        atoms.push_back({C, double(atoms.size()), 0});
        bonds.push_back({1, static_cast<int>(atoms.size()), type});
    }
    return Label(atoms, bonds, 1, formal);
}

TEST(AtomLabel, HydrogensAndChargesByElementAndBonds)
{
    struct Case {
        int element, charge;
        std::vector<int> bonds;
        const char* label;
    };
    // The editor's formal charges.
    const std::vector<Case> cases{
        {N, 0, {1}, "NH2"}, {N, 0, {1, 1}, "NH"}, {N, 0, {1, 1, 1}, "N"}, {N, 1, {1, 1, 1, 1}, "N+"},
        {N, 0, {3}, "N"}, // nitrile
        {N, 1, {}, "NH4+"}, {N, -1, {1}, "NH-"}, {P, 0, {}, "PH3"}, {O, 0, {1}, "OH"}, {O, 0, {2}, "O"},
        {O, -1, {1}, "O-"}, {O, 1, {1, 1}, "OH+"}, {S, 0, {1}, "SH"},
        // No hydrogens outside N, P, O, S; the sign alone for other elements.
        {Cl, 0, {1}, "Cl"}, {C, 0, {}, "C"}, {C, -1, {1}, "C-"}, {Na, 1, {}, "Na+"}, {Na, 2, {}, "Na"},
        {Na, 4, {}, "Na"}, // the editor keeps a radical read from a file as it came, uncharged
    };
    for (const auto& c : cases)
        EXPECT_EQ(Label(c.element, c.charge, c.bonds, true), c.label) << c.element << " " << c.charge;
    // A molfile keeps charge code 3 for +1, 5 for -1 and 1 for +3: ammonium and nitro groups read
    // from SD files show their charges as drawn ones do. Code 4 is a radical, not a charge.
    const std::vector<Case> codes{
        {N, 3, {1, 1, 1, 1}, "N+"}, {N, 3, {1}, "NH3+"}, {O, 5, {1}, "O-"}, {Na, 3, {}, "Na+"}, {Cl, 5, {}, "Cl-"},
        {N, 4, {1, 1}, "NH"}, {Na, 1, {}, "Na"}, {C, 1, {1}, "C"}, {N, 0, {1}, "NH2"}, {C, -1, {1}, "C"},
    };
    for (const auto& c : codes)
        EXPECT_EQ(Label(c.element, c.charge, c.bonds, false), c.label) << c.element << " code " << c.charge;
    EXPECT_EQ(Label({{N, 0, 0, 3}, {O, 1, 0}, {O, 2, 0}, {C, 3, 0}}, {{1, 2, 2}, {1, 3, 1}, {1, 4, 1}}), "N+");
    EXPECT_EQ(Label({{O, 0, 0, 5}, {N, 1, 0}}, {{1, 2, 1}}), "O-");
    // Outside the table: no atom, no text.
    EXPECT_EQ(Label({{C, 0, 0}}, {}, 2), "");
}

// Draws with the identity transform shifted by (10, 10) and 14-point font: label unit 8 pixels.
RecordingCanvas Draw(const TCTab& source, int mode, bool clip = false)
{
    RecordingCanvas canvas;
    TGrafCtab table(&canvas);
    table.Assign(source);
    table.DrawAll(mode, clip, 1.0, 10.0, 10.0);
    return canvas;
}

// A drawing of the table on a recording canvas.
struct Drawing {
    explicit Drawing(const TCTab& table) { drawing.Assign(table); }
    RecordingCanvas canvas;
    TGrafCtab drawing{&canvas};
};

struct Segment {
    int x1, y1, x2, y2;
    friend bool operator==(const Segment&, const Segment&) = default;
};
std::ostream& operator<<(std::ostream& os, const Segment& s)
{
    return os << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}
std::vector<Segment> Segments(const RecordingCanvas& canvas)
{
    std::vector<Segment> result;
    for (const auto& call : canvas.Lines())
        result.push_back({call.x1, call.y1, call.x2, call.y2});
    return result;
}
std::vector<std::string> TextsOf(const RecordingCanvas& canvas)
{
    std::vector<std::string> result;
    for (const auto& call : canvas.Texts())
        result.push_back(call.text);
    return result;
}

TEST(DrawAll, LabelsChosenByMode)
{
    // Ethanol anion-free: C1-C2-O3, an isolated carbon 4 and a charged carbon 5 bonded to C1.
    TCTab table = Table({{C, 0, 0}, {C, 100, 0}, {O, 200, 0}, {C, 300, 100}, {C, 0, 100, 3}},
          {{1, 2, 1}, {2, 3, 1}, {1, 5, 1}});
    const std::vector<std::string> byMode[]{{"C", "C+"}, {"OH", "C", "C+"}, {"C", "C", "OH", "C", "C+"}, {"1", "2", "3", "4", "5"}};
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_EQ(TextsOf(Draw(table, mode)), byMode[mode]) << "mode " << mode;
    EXPECT_TRUE(Draw(table, 4).Calls().empty());
    EXPECT_TRUE(Draw(table, -1).Calls().empty());
}

TEST(DrawAll, LabelsAreCentredOnTheirAtoms)
{
    TCTab table = Table({{N, 90, 40}, {C, 190, 40}}, {{1, 2, 1}});
    Drawing d(table);
    d.canvas.SetFixedTextMetrics(10, 16);
    d.drawing.DrawAll(1, false, 1.0, 10.0, 10.0);
    const auto texts = d.canvas.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "NH2");
    EXPECT_EQ(std::make_pair(texts[0].x1, texts[0].y1), std::make_pair(100 - 15, 50 - 8));
}

TEST(DrawAll, BondsShortenedAtLabelBoxesInEachMode)
{
    // NH2-CH3 horizontal, 100 pixels: the label unit is 14 div 2 + 1 = 8 pixels per character.
    const TCTab amine = Table({{N, 0, 0}, {C, 100, 0}}, {{1, 2, 1}});
    const std::vector<Segment> byMode[]{{{10, 10, 110, 10}}, {{34, 10, 110, 10}}, {{34, 10, 102, 10}}, {{18, 10, 102, 10}}};
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_EQ(Segments(Draw(amine, mode)), byMode[mode]) << "mode " << mode;

    // Mode 0 shortens at charged atoms; drawn from a charged atom it uses the hetero-atom rule for
    // both ends. Vertical: only the half-height moves.
    EXPECT_EQ(Segments(Draw(Table({{N, 0, 0, 3}, {O, 0, 100}}, {{1, 2, 1}}), 0)), (std::vector<Segment>{{10, 18, 10, 102}}));
    EXPECT_EQ(Segments(Draw(Table({{C, 0, 0}, {O, 100, 0, 5}}, {{1, 2, 1}}), 0)), (std::vector<Segment>{{10, 10, 94, 10}}));

    // A slanted bond leaves the box through its vertical side when flat, through the horizontal
    // side when steep.
    EXPECT_EQ(Segments(Draw(Table({{Cl, 0, 0}, {C, 20, 100}}, {{1, 2, 1}}), 1)), (std::vector<Segment>{{12, 18, 30, 110}}));
    const auto flatLines = Segments(Draw(Table({{O, 0, 0}, {C, 100, 50}}, {{1, 2, 2}}), 1));
    ASSERT_EQ(flatLines.size(), 2u);
    // Start moved by (8, 4) to (18, 14); the double-bond offsets are
    // Round(1.65 x 46 / 102.9) = 1 and Round(1.65 x -92 / 102.9) = -1.
    EXPECT_EQ(flatLines[0], (Segment{18 + 1, 14 - 1, 110 + 1, 60 - 1}));
    EXPECT_EQ(flatLines[1], (Segment{18 - 1, 14 + 1, 110 - 1, 60 + 1}));
}

TEST(DrawAll, AtomNumbersOfTwoDigitsShortenByTwoUnits)
{
    // Twelve atoms in a horizontal chain 100 pixels apart.
    std::vector<AtomSpec> atoms;
    std::vector<Bond> bonds;
    for (int i = 0; i < 12; ++i)
        atoms.push_back({C, 100.0 * i, 0});
    for (int i = 1; i < 12; ++i)
        bonds.push_back({i, i + 1, 1});
    TCTab chain = Table(atoms, bonds);
    const auto lines = Segments(Draw(chain, 3));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], (Segment{18, 10, 102, 10}));    // 1-2
    EXPECT_EQ(lines[8], (Segment{818, 10, 894, 10}));   // 9-10
    EXPECT_EQ(lines[9], (Segment{926, 10, 994, 10}));   // 10-11
    EXPECT_EQ(lines[10], (Segment{1026, 10, 1094, 10})); // 11-12
    EXPECT_EQ(TextsOf(Draw(chain, 3)).back(), "12");
}

TEST(DrawAll, DoubleAndTripleBondsAreParallelLines)
{
    struct Case {
        const char* what;
        std::vector<AtomSpec> atoms;
        int type;
        std::vector<Segment> lines;
    };
    const std::vector<Case> cases{
        {"horizontal", {{C, 0, 0}, {C, 100, 0}}, 2, {{10, 8, 110, 8}, {10, 12, 110, 12}}},
        {"vertical", {{C, 0, 0}, {C, 0, 100}}, 2, {{12, 10, 12, 110}, {8, 10, 8, 110}}},
        {"diagonal", {{C, 0, 100}, {C, 100, 0}}, 2, {{11, 111, 111, 11}, {9, 109, 109, 9}}},
        // Between two labelled atoms both lines are shortened at both boxes: NH (2 units), O (1).
        {"nitroso", {{N, 0, 0}, {O, 100, 0}}, 2, {{26, 8, 102, 8}, {26, 12, 102, 12}}},
        // Triple: the centre line and two lines 3 pixels away.
        {"triple", {{C, 0, 0}, {C, 100, 0}}, 3, {{10, 10, 110, 10}, {10, 7, 110, 7}, {10, 13, 110, 13}}},
        {"zero length: no offsets", {{C, 5, 5}, {C, 5, 5}}, 2, {{15, 15, 15, 15}, {15, 15, 15, 15}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Segments(Draw(Table(c.atoms, {{1, 2, c.type}}), 1)), c.lines) << c.what;
    // Unknown bond types draw nothing; each bond is drawn once.
    EXPECT_EQ(Segments(Draw(Table({{C, 0, 0}, {C, 100, 0}, {C, 200, 0}}, {{1, 2, 5}, {2, 3, 1}}), 1)),
              (std::vector<Segment>{{110, 10, 210, 10}}));
}

TEST(DrawAll, AromaticBondsAreDashedAndTheStateIsRestored)
{
    TCTab table = Table({{C, 0, 0}, {C, 100, 0}, {N, 200, 0}}, {{1, 2, 4}, {2, 3, 1}});
    Drawing d(table);
    RecordingCanvas& canvas = d.canvas;
    d.drawing.DrawColor = Rgb(0, 128, 0);
    canvas.SetPen(Pen{Rgb(255, 0, 0), 3, PenStyle::Solid, PenMode::NotXor});
    canvas.SetBrush(Brush{Rgb(1, 2, 3), BrushStyle::Solid});
    canvas.SetFontColor(Rgb(0, 0, 255));
    d.drawing.DrawAll(1, false, 1.0, 0.0, 0.0);

    const auto lines = canvas.Lines();
    ASSERT_EQ(lines.size(), 2u);
    // After a dashed bond the pen is solid and 1 pixel wide; both in the drawing colour.
    EXPECT_EQ(lines[0].pen, (Pen{Rgb(0, 128, 0), 1, PenStyle::Dashed, PenMode::Copy}));
    EXPECT_EQ(lines[1].pen, (Pen{Rgb(0, 128, 0), 1, PenStyle::Solid, PenMode::Copy}));
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font.color, Rgb(0, 128, 0));
    EXPECT_EQ(texts[0].brush.style, BrushStyle::Clear);

    EXPECT_EQ(std::make_pair(canvas.GetPen().color, canvas.GetPen().mode), std::make_pair(Rgb(255, 0, 0), PenMode::NotXor));
    EXPECT_EQ(canvas.GetBrush(), (Brush{Rgb(1, 2, 3), BrushStyle::Solid}));
    EXPECT_EQ(canvas.GetFont().color, Rgb(0, 0, 255));
}

TEST(DrawInEditor, KeepsBondsFourAndLabelsFortyPixelsInside)
{
    // Coordinates are window pixels; the clip rectangle is 0, 0, 800, 600.
    TCTab table = Table({{C, 1, 300}, {C, 200, 300}, {C, 200, 599}, {O, 39, 100}, {O, 41, 200}, {O, 400, 560},
                  {O, 400, 559}},
          {{1, 2, 1}, {2, 3, 1}});
    Drawing d(table);
    RecordingCanvas& canvas = d.canvas;
    d.drawing.DrawInEditor(0);
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{{4, 300, 200, 300}, {200, 300, 200, 596}}));
    // Isolated oxygens are labelled in mode 0; only those more than 40 pixels inside are drawn.
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].x1 + canvas.TextWidth("O") / 2, 41);
    EXPECT_EQ(texts[1].y1 + canvas.TextHeight("O") / 2, 559);
    // Font: 0.2 x mean bond length (249.5) + 4, limited to 20.
    EXPECT_EQ(std::make_pair(canvas.GetFont().size, canvas.GetFont().name), std::make_pair(20, std::string("Courier New")));
}

TEST(DrawInEditor, HydrogensStandOnTheSideFreeOfBonds)
{
    using Side = TGrafCtab::HydrogenSide;
    auto parts = [](const std::vector<AtomSpec>& atoms, const std::vector<Bond>& bonds, int atom) {
        TGrafCtab table;
        table.FormalCharges = true; // as the editor holds them
        Build(table, atoms, bonds);
        return table.EditorLabel(atom);
    };
    // Ethanol's oxygen with its carbon on the right: "HO".
    auto oh = parts({{O, 100, 100}, {C, 130, 115}}, {{1, 2, 1}}, 1);
    EXPECT_EQ(oh.symbol, "O");
    EXPECT_EQ(oh.hydrogens, 1);
    EXPECT_EQ(oh.charge, "");
    EXPECT_EQ(oh.side, Side::Left);
    // An amine with its carbon on the left: "NH2"; the ammonium ion "NH3+".
    auto nh2 = parts({{C, 100, 100}, {N, 126, 85}}, {{1, 2, 1}}, 2);
    EXPECT_EQ(std::make_tuple(nh2.symbol, nh2.hydrogens, nh2.side), std::make_tuple(std::string("N"), 2, Side::Right));
    auto nh3 = parts({{C, 100, 100}, {N, 126, 85, 1}}, {{1, 2, 1}}, 2);
    EXPECT_EQ(std::make_tuple(nh3.hydrogens, nh3.charge), std::make_tuple(3, std::string("+")));
    // A ring NH at the top of a ring (bonds down-left and down-right): the hydrogen above it.
    auto ring = parts({{N, 100, 100}, {C, 74, 115}, {C, 126, 115}}, {{1, 2, 1}, {1, 3, 1}}, 1);
    EXPECT_EQ(ring.hydrogens, 1);
    EXPECT_EQ(ring.side, Side::Above);
    // Bonds to the left and right and one up: the hydrogen below.
    auto below = parts({{N, 100, 100}, {C, 70, 100}, {C, 130, 100}, {C, 100, 70}}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}}, 1);
    EXPECT_EQ(below.hydrogens, 0); // a neutral nitrogen with three bonds has none
    auto below2 = parts({{N, 100, 100, 1}, {C, 70, 100}, {C, 130, 100}, {C, 100, 70}}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}}, 1);
    EXPECT_EQ(std::make_tuple(below2.hydrogens, below2.side), std::make_tuple(1, Side::Below));
    // Carbon and a chloride keep their plain symbols.
    EXPECT_EQ(parts({{Cl, 100, 100}, {C, 130, 100}}, {{1, 2, 1}}, 1).hydrogens, 0);
}

TEST(DrawInEditor, LabelsAreKeptClearOfBonds)
{
    // Ethanolamine-like: HO-C-C-NH3+ along a zigzag, and a ring NH with bonds on both sides.
    TCTab table = Table({{O, 100, 100}, {C, 126, 115}, {C, 152, 100}, {N, 178, 115, 1}, {N, 300, 100}, {C, 274, 115}, {C, 326, 115}},
          {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {5, 6, 1}, {5, 7, 1}});
    Drawing d(table);
    d.drawing.FormalCharges = true;
    d.drawing.DrawInEditor(1);
    const auto texts = d.canvas.Texts();
    std::string all;
    for (const auto& t : texts)
        all += t.text + " ";
    EXPECT_EQ(all, "O H N H 3 + N H ");
    struct Box { int left, top, right, bottom; std::string text; };
    std::vector<Box> boxes;
    for (const auto& t : texts) {
        d.canvas.SetFontSize(t.font.size);
        boxes.push_back({t.x1, t.y1, t.x1 + d.canvas.TextWidth(t.text), t.y1 + d.canvas.TextHeight(t.text), t.text});
    }
    // "HO": the hydrogen left of the oxygen; "NH3+": hydrogen right, the 3 lowered and smaller,
    // the charge raised; the ring N's hydrogen above it.
    EXPECT_LT(boxes[1].right, boxes[0].left + 2);
    EXPECT_GT(boxes[3].left, boxes[2].right - 2);
    EXPECT_LT(texts[4].font.size, texts[3].font.size);
    EXPECT_GT(boxes[4].top, boxes[3].top);
    EXPECT_LT(boxes[5].top, boxes[2].top);
    EXPECT_LT(boxes[7].bottom, boxes[6].top + 3);
    // The symbols are centred on their atoms.
    EXPECT_NEAR((boxes[0].left + boxes[0].right) / 2.0, 100, 1.0);
    EXPECT_NEAR((boxes[2].left + boxes[2].right) / 2.0, 178, 1.0);
    // No bond passes through any part of a label (a pixel of slack at the box edges).
    for (const auto& line : d.canvas.Lines())
        for (int step = 0; step <= 100; ++step) {
            const double x = line.x1 + (line.x2 - line.x1) * step / 100.0, y = line.y1 + (line.y2 - line.y1) * step / 100.0;
            for (const Box& b : boxes)
                EXPECT_FALSE(x > b.left + 1 && x < b.right - 1 && y > b.top + 1 && y < b.bottom - 1)
                    << "bond (" << line.x1 << "," << line.y1 << ")-(" << line.x2 << "," << line.y2 << ") crosses " << b.text;
        }
}

TEST(GetExtent, RunningLimitsStartAtTheFixedFrame)
{
    TGrafCtab table;
    double minX, minY, maxX, maxY, meanX, meanY;
    EXPECT_EQ(table.GetExtent(minX, minY, maxX, maxY, meanX, meanY), 0.0);
    EXPECT_EQ(std::vector<double>({minX, minY, maxX, maxY, meanX, meanY}),
              std::vector<double>({1, 1, 10000, 7000, 5000, 3500}));

    // Wholly beyond x = 10000 and above y = 0: MinX stays 10000 and MaxY 0.
    Build(table, {{C, 12000, -10}, {C, 12030, -50}, {C, 12030, -30}}, {{1, 2, 1}, {2, 3, 1}});
    const double bond = table.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    EXPECT_DOUBLE_EQ(bond, (50 + 20) / 2.0);
    EXPECT_EQ(std::vector<double>({minX, minY, maxX, maxY}), std::vector<double>({10000, -50, 12030, 0}));
    EXPECT_NEAR(meanX, 12020, 1e-3);
    EXPECT_NEAR(meanY, -30, 1e-3);
}

TEST(DrawFitted, ScaleLimitedByMaxBondLen)
{
    TCTab ethane = Table({{C, 0, 0}, {C, 100, 0}}, {{1, 2, 1}});
    Drawing d(ethane);
    RecordingCanvas& canvas = d.canvas;
    TGrafCtab& drawing = d.drawing;
    drawing.DrawFitted(1, 10, 10, 410, 310, 50);
    // Scale min(400 / 100, 300, 50 / 100) = 0.5 about the centre (210, 160).
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{{185, 160, 235, 160}}));
    EXPECT_EQ(canvas.GetFont().size, 14); // Round(0.2 x 100 x 0.5) + 4

    canvas.Clear();
    drawing.DrawFitted(1, 10, 10, 410, 310, 0);
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{{10, 160, 410, 160}}));
    EXPECT_EQ(canvas.GetFont().size, 20); // 84, limited

    // A tiny picture gets the smallest font.
    canvas.Clear();
    drawing.DrawFitted(1, 0, 0, 20, 20, 50);
    EXPECT_EQ(canvas.GetFont().size, 8);

    // Without a canvas nothing happens.
    drawing.SetCanvas(nullptr);
    drawing.DrawFitted(1, 10, 10, 410, 310, 50);
    drawing.DrawInEditor(1);
    drawing.DrawAll(1, false, 1, 0, 0);
}

TEST(DrawFitted, LabelsOfEdgeAtomsStayInsideTheRectangle)
{
    // Centre-fitted, "NH2" on the right and "OH" at the top would be half outside.
    TCTab table = Table({{C, 0, 100}, {C, 100, 100}, {N, 200, 100}, {O, 100, 0}}, {{1, 2, 1}, {2, 3, 1}, {2, 4, 1}});
    Drawing d(table);
    for (int mode : {1, 2, 3}) {
        for (int maxBondLen : {0, 50}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", max bond " << maxBondLen);
            d.canvas.Clear();
            d.drawing.DrawFitted(mode, 10, 10, 410, 310, maxBondLen);
            const auto texts = d.canvas.Texts();
            ASSERT_FALSE(texts.empty());
            for (const auto& text : texts) {
                EXPECT_GE(text.x1, 10) << text.text;
                EXPECT_GE(text.y1, 10) << text.text;
                EXPECT_LE(text.x1 + d.canvas.TextWidth(text.text), 410) << text.text;
                EXPECT_LE(text.y1 + d.canvas.TextHeight(text.text), 310) << text.text;
            }
            if (maxBondLen == 0) { // the structure still spans the narrowed width, not less
                int left = 10000, right = 0;
                for (const auto& line : d.canvas.Lines())
                    left = std::min({left, line.x1, line.x2}), right = std::max({right, line.x1, line.x2});
                EXPECT_GT(right - left, 300);
            }
        }
    }
}

TEST(DrawFitted, SingleAtomUsesTheFixedExtent)
{
    TCTab atom = Table({{C, 5000.5, 3500.5}}, {});
    Drawing d(atom);
    d.drawing.DrawFitted(1, 0, 0, 400, 300, 50);
    const auto texts = d.canvas.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "C");
    EXPECT_EQ(std::make_pair(texts[0].x1 + d.canvas.TextWidth("C") / 2, texts[0].y1 + d.canvas.TextHeight("C") / 2),
              std::make_pair(200, 150));
}

TEST(DrawFitted, DamagedTablesDrawSafely)
{
    // What a damaged file may leave: a neighbour number beyond the atoms, a coordinate that is not
    // a number, an atom count beyond the table.
    TCTab table = Table({{C, 0, 0}, {N, 100, 0}, {O, 200, 0}}, {{1, 2, 1}, {2, 3, 1}});
    table.MutableAtom(1).ConnTo[1] = 200;
    table.MutableAtom(1).TypConn[1] = 1;
    table.MutableAtom(3).x = std::nanf("");
    Drawing d(table);
    RecordingCanvas& canvas = d.canvas;
    TGrafCtab& drawing = d.drawing;
    drawing.DrawFitted(1, 10, 10, 410, 310, 50);
    EXPECT_EQ(canvas.Lines().size(), 2u); // the entry for atom 200 is skipped
    for (const auto& call : canvas.Calls()) {
        EXPECT_LE(std::abs(call.x1), 10000000);
        EXPECT_LE(std::abs(call.y1), 10000000);
    }
    EXPECT_GE(canvas.GetFont().size, 8);

    drawing.MutableAtom(3).x = std::numeric_limits<float>::infinity();
    drawing.NumValidAtoms = 1000;
    canvas.Clear();
    drawing.DrawFitted(2, 10, 10, 410, 310, 50);
    EXPECT_FALSE(canvas.Texts().empty());
    RecordingPrintTarget printer(2400, 3300);
    const int next = drawing.PrintStructure(printer, 0, 0, false, 3, 'x', 0.6);
    EXPECT_GE(next, 0);
    EXPECT_LE(next, 2 * 3300);
    EXPECT_EQ(drawing.PrintStructure(printer, 0, 5, false, 3, 'x', std::nan("")), 5);
}

TEST(SwapXY, TransposesEveryAtom)
{
    TGrafCtab table;
    Build(table, {{C, 1, 2}, {O, 30, -4}}, {{1, 2, 1}});
    EXPECT_TRUE(table.SwapXY());
    EXPECT_EQ((std::vector<float>{table.Coord(1, 1), table.Coord(1, 2), table.Coord(2, 1), table.Coord(2, 2)}),
              (std::vector<float>{2, 1, -4, 30}));
}

class PrintStructureTest : public ::testing::Test {
protected:
    RecordingPrintTarget printer{2400, 3300};
    RecordingCanvas screen;
    TGrafCtab table{&screen};
};

TEST_F(PrintStructureTest, FlatStructureRaisedToAspectPointThreeWithClampedFrame)
{
    Build(table, {{C, 0, 0}, {C, 100, 10}}, {{1, 2, 1}});
    const int next = table.PrintStructure(printer, 280, 900, true, 15, 'x', 0.6);
    // Width 2400 x 0.6; aspect 0.1 raised to 0.3.
    EXPECT_EQ(next, 900 + 432);
    const auto& events = printer.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(std::vector<PrintEvent::Kind>({events[0].kind, events[1].kind, events[2].kind}),
              std::vector<PrintEvent::Kind>({PrintEvent::Kind::BeginDoc, PrintEvent::Kind::Bitmap, PrintEvent::Kind::EndDoc}));
    const PrintEvent& copy = events[1];
    EXPECT_EQ(std::vector<int>({copy.x, copy.y, copy.width, copy.height}), std::vector<int>({280, 900, 1440, 432}));

    // Black frame clamped to 10 pixels, white inside.
    ASSERT_GE(copy.bitmapCalls.size(), 3u);
    const DrawCall& black = copy.bitmapCalls[0];
    const DrawCall& white = copy.bitmapCalls[1];
    EXPECT_EQ(std::vector<int>({black.x1, black.y1, black.x2, black.y2, white.x1, white.y1, white.x2, white.y2}),
              std::vector<int>({0, 0, 1440, 432, 10, 10, 1430, 422}));
    EXPECT_TRUE(black.color == kBlack && white.color == kWhite);

    // The bond is fitted with the longest printed bond, 100 screen pixels or 312 printer pixels,
    // into the margins (144, 14): the vertical margin follows the unraised aspect, 1440 x 0.1 x 0.1.
    const DrawCall& bond = copy.bitmapCalls[2];
    EXPECT_EQ(bond.kind, DrawCall::Kind::Line);
    const double length = std::hypot(bond.x2 - bond.x1, bond.y2 - bond.y1);
    EXPECT_NEAR(length, 312, 1.5);
    EXPECT_EQ(std::make_pair((bond.x1 + bond.x2) / 2, (bond.y1 + bond.y2) / 2), std::make_pair(720, 216));

    // Drawing goes back to the former canvas.
    EXPECT_EQ(table.GetCanvas(), &screen);
    EXPECT_TRUE(screen.Calls().empty());
}

// Printed at 300 dpi, a drawing looks as it does on screen: labels of at least 8 points (25 screen
// points, 33 printer pixels), lines of 3 printer pixels (0.72 point) and multiple bonds as far
// apart as on screen. The canvas the table draws on afterwards is as it was.
TEST_F(PrintStructureTest, PrintedDrawingIsAsLegibleAsOnScreen)
{
    // Acetic acid: a double bond to O, an OH label.
    Build(table, {{C, 0, 0}, {C, 130, 75}, {O, 260, 0}, {O, 130, 225}}, {{1, 2, 1}, {2, 3, 1}, {2, 4, 2}});
    screen.SetPenWidth(7);
    table.PrintStructure(printer, 0, 0, false, 3, 'x', 0.18);
    const auto calls = printer.Events().back().bitmapCalls;
    std::vector<DrawCall> lines, labels;
    for (const DrawCall& call : calls)
        (call.kind == DrawCall::Kind::Line ? lines : labels).push_back(call);
    ASSERT_EQ(lines.size(), 4u); // two single bonds and the double bond's two lines
    for (const DrawCall& line : lines) {
        EXPECT_EQ(line.pen.width, 3);
        EXPECT_GE(std::hypot(line.x2 - line.x1, line.y2 - line.y1), 60); // not a speck on the page
    }
    // The double bond's lines lie 1.65 screen pixels (5 printer pixels) either side of its axis.
    const DrawCall& a = lines[2];
    const DrawCall& b = lines[3];
    EXPECT_NEAR(std::hypot((a.x1 + a.x2 - b.x1 - b.x2) / 2.0, (a.y1 + a.y2 - b.y1 - b.y2) / 2.0), 2 * 5.2, 2.0);
    std::vector<std::string> texts;
    for (const DrawCall& label : labels)
        if (label.kind == DrawCall::Kind::Text) {
            texts.push_back(label.text);
            EXPECT_GE(label.font.size, 25) << label.text;
            EXPECT_LE(label.font.size, 63) << label.text; // 20 points at most, as on screen
        }
    EXPECT_EQ(texts, (std::vector<std::string>{"OH", "O"}));
    EXPECT_EQ(screen.GetPen().width, 7);

    // On screen nothing changes: one-pixel lines, 1.65 pixels apart, labels of 8..20 points.
    table.DrawFitted(1, 10, 10, 300, 200, 50);
    for (const DrawCall& line : screen.Lines())
        EXPECT_EQ(line.pen.width, 7); // the canvas's own pen
    for (const DrawCall& text : screen.Texts())
        EXPECT_LE(text.font.size, 20);
}

TEST_F(PrintStructureTest, PageHeightOrientationWithoutJobAndWithoutFrame)
{
    Build(table, {{C, 0, 0}, {C, 100, 0}, {C, 100, 100}}, {{1, 2, 1}, {2, 3, 1}});
    const int next = table.PrintStructure(printer, 100, 200, false, 0, 'y', 0.13);
    EXPECT_EQ(next, 200 + 329); // 3300 x 0.13 - 100
    const auto& events = printer.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_pair(events[0].width, events[0].height), std::make_pair(329, 329)); // aspect 1
    const DrawCall& background = events[0].bitmapCalls[0];
    EXPECT_EQ(background.color, kWhite);
    EXPECT_EQ(std::vector<int>({background.x1, background.y1, background.x2, background.y2}),
              std::vector<int>({0, 0, 329, 329}));
    EXPECT_EQ(events[0].bitmapCalls[1].kind, DrawCall::Kind::Line);

    // Factor above 1 is taken as 1.
    EXPECT_EQ(table.PrintStructure(printer, 0, 0, false, 3, 'x', 2.5), 2400);
}

TEST_F(PrintStructureTest, DegenerateExtentsAndPagesPrintSafely)
{
    // All atoms at one point (a record without coordinates): no aspect, printed square.
    Build(table, {{C, 0, 0}, {O, 0, 0}}, {{1, 2, 1}});
    EXPECT_EQ(table.PrintStructure(printer, 0, 0, false, 3, 'x', 0.5), 1200);
    EXPECT_EQ(printer.Events().back().height, 1200);
    // A vertical chain: no x extent either.
    Build(table, {{C, 0, 0}, {C, 0, 100}}, {{1, 2, 1}});
    EXPECT_EQ(table.PrintStructure(printer, 0, 0, false, 3, 'x', 0.5), 1200);
    // A factor of 0 leaves no room: nothing is printed and the position does not move.
    const auto before = printer.Events().size();
    EXPECT_EQ(table.PrintStructure(printer, 0, 77, true, 3, 'x', 0.0), 77);
    EXPECT_EQ(printer.Events().size(), before);
}

} // namespace
} // namespace velmora
