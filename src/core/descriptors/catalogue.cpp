#include "descriptors/catalogue.h"

#include "base/bytes.h"

#include "descriptors/augatoms.h"
#include "descriptors/groups.h"
#include "descriptors/rings.h"
#include "descriptors/topology.h"

#include <cstring>
#include <string_view>

namespace velmora {

namespace {

constexpr const char* kNames[kCatalogueSize] = {
    "Aromatic bonds", "Aromatic Br", "Aromatic Cl", "Aromatic NO2", "Aromatic OH", "Aromatic SO3H",
    "Bonds: C-C double", "Bonds: C-C single", "Bonds: C-C triple", "Bonds: double", "Bonds: single",
    "Bonds: triple", "Branching atoms", "CHO", "CN", "CO", "CONR2", "COO  (not a COOH)", "COOH", "COX",
    "Halogen atoms", "NCON", "NH2", "NHR", "NNH2 or NNH", "NO", "NO2", "NR2", "OCH3", "OH", "SO", "SO2",
    "Hetero atoms",
    "marker", "marker",
    "Aug: C4C4C", "Aug: C1C1C", "Aug: C1C", "Aug: O1C1C", "Aug: O2C", "Aug: C1C4C4C", "Aug: C1C1C1C",
    "Aug: C2C1C", "Aug: C1Si", "Aug: C1O1C1C", "Aug: C2O1O1C", "Aug: C1O4C4C", "Aug: O1C", "Aug: C1O1C",
    "Aug: C1O", "Aug: C1C1C1C1C", "Aug: C1N1C", "Aug: F1C", "Aug: C2C1C1C", "Aug: C1N4C4C",
    "Aug: C2O1C1C", "Aug: N1C1C1C", "Aug: N1C1C", "Aug: Cl1C", "Aug: C2O1N1C", "Aug: C1N1C1C",
    "Aug: O1Si1C", "Aug: Si1O1C1C1C", "Aug: C1N", "Aug: O2N", "Aug: C4C4C4C", "Aug: N4C4C",
    "Aug: C1Cl4C4C", "Aug: S1C1C", "Aug: C1O1C1C1C", "Aug: N2C1C", "Aug: C2C", "Aug: C1N2C1C",
    "Aug: C4N4C", "Aug: N1C", "Aug: C1F4C4C", "Aug: C2N1C1C", "Aug: N2O2O1C", "Aug: C1S1C",
    "Aug: C1O2C1C", "Aug: O2S", "Aug: C1F1F1F1C", "Aug: Br1C", "Aug: C1S4C4C", "Aug: C4N1C4C",
    "Aug: C1N2C", "Aug: N1N2C", "Aug: C1O1O1C", "Aug: N3C", "Aug: O3C", "Aug: C1F1F1C1C",
    "Aug: N1N1C1C", "Aug: C3N1C", "Aug: C3C1C", "Aug: C1N1C1C1C", "Aug: C1Si1C", "Aug: O1P1C",
    "Aug: N1O2C", "Aug: C4N4C4C", "Aug: C2O1N1N", "Aug: O1C1B", "Aug: O1N1C", "Aug: C2N1N1C",
    "Aug: C2N1C", "Aug: C1Br4C4C", "Aug: N1N1C", "Aug: C1S", "Aug: C2O1C", "Aug: C1O1O1C1C",
    "Aug: O1Si1Si", "Aug: C1S2C1C", "Aug: C1O2C", "Aug: S2C", "Aug: C2N1N", "Aug: C1S2C", "Aug: C1O1O",
    "Aug: C1N4N4C", "Aug: C1Cl1C", "Aug: N2N1C", "Aug: Cl1Si", "Aug: O2P", "Aug: S1S1C",
    "Aug: C2O1O1N", "Aug: Si1N1C1C1C", "Aug: Si1C1C1C1C", "Aug: C1P4C4C", "Aug: O1N", "Aug: C1O1N1C",
    "Aug: C1S1C1C", "Aug: C1O2N1C", "Aug: C1C1B", "Aug: C1N4N4N", "Aug: C1Si4C4C", "Aug: B1O1O1C",
    "marker",
    "Atoms of C", "Atoms of N", "Atoms of O", "Atoms of S", "RandicIx", "RandicTOz", "Number of rings",
    "Number of 3-rings", "Number of 4-rings", "Number of 5-rings", "Number of 6-rings", "XuIndex 1",
    "XuIndex 2", "XuIndex 3", "TopoDia", "TopoJ", "TopoRad",
    "marker",
};

// Which entries are descriptors, fixed at compile time: the calculations ask for every index of
// every structure.
constexpr std::array<bool, kCatalogueSize> kIsDescriptor = [] {
    std::array<bool, kCatalogueSize> table{};
    for (int i = 0; i < kCatalogueSize; ++i)
        table[i] = std::string_view(kNames[i]) != "marker";
    return table;
}();

struct DerivedTables {
    std::array<std::string, kCatalogueSize> names;
    std::array<bool, kCatalogueSize> isDescriptor{};
    std::array<int, kCatalogueSize> listPosition{};
    std::array<int, kDescriptorCount + 1> catalogueIndexOfPosition{}; // [1..149]
};

// One pass over the catalogue in index order, done once.
const DerivedTables& Derived()
{
    static const DerivedTables tables = [] {
        DerivedTables t;
        int position = -1;
        for (int i = 0; i < kCatalogueSize; ++i) {
            t.names[i] = kNames[i];
            t.isDescriptor[i] = t.names[i] != "marker";
            if (t.isDescriptor[i]) {
                ++position;
                t.catalogueIndexOfPosition[position + 1] = i;
            }
            t.listPosition[i] = position;
        }
        return t;
    }();
    return tables;
}

constexpr int kElementCountAtNum[4] = {6, 7, 8, 16};

int CountElement(const TCTab& table, int atNum)
{
    int count = 0;
    for (int a = 1; a <= table.NumValidAtoms; ++a)
        count += table.AtNum(a) == atNum;
    return count;
}


std::uint8_t LowByte(double count) { return static_cast<std::uint8_t>(static_cast<std::int64_t>(count) & 0xff); }

} // namespace

void InitialiseCatalogue()
{
    Derived();
    DescriptorCode(kFirstAugIndex);
}

const std::string& CatalogueName(int index)
{
    static const std::string empty;
    return index >= 0 && index < kCatalogueSize ? Derived().names[index] : empty;
}

bool IsDescriptor(int index) { return index >= 0 && index < kCatalogueSize && kIsDescriptor[index]; }

int ListPosition(int index) { return index >= 0 && index < kCatalogueSize ? Derived().listPosition[index] : -1; }

int CatalogueIndexOfPosition(int positionPlusOne)
{
    if (positionPlusOne < 1 || positionPlusOne > kDescriptorCount)
        return -1;
    return Derived().catalogueIndexOfPosition[positionPlusOne];
}

bool IsRealDescriptor(int index)
{
    return index == kRandicIxIndex || index == kRandicTOzIndex || (index >= kFirstXuIndex && index <= kFirstXuIndex + 2) ||
           index == kTopoJIndex;
}

void DescriptorChoice::SetAvailability(DescriptorMode mode)
{
    for (int i = 0; i < kCatalogueSize; ++i)
        DescAvailable[i] = mode == DescriptorMode::Normal || i <= 33;
}

bool DescriptorChoice::TakesPart(int index) const
{
    return index >= 0 && index < kCatalogueSize && DescSelected[index] && DescAvailable[index];
}

double DescriptorValue(const TCTab& table, int index)
{
    if (index >= 0 && index <= 32)
        return CountGroup(table, index);
    if (index >= kFirstAugIndex && index <= kLastAugIndex)
        return CountAugAtoms(table, index);
    if (index >= 135 && index <= 138)
        return CountElement(table, kElementCountAtNum[index - 135]);
    switch (index) {
    case kRandicIxIndex:
        return RandicIndex(table);
    case kRandicTOzIndex:
        return RandicZIndex(table);
    case kNumberOfRingsIndex:
        return CyclomaticNumber(table);
    case kFirstXuIndex:
    case kFirstXuIndex + 1:
    case kFirstXuIndex + 2:
        return XuIndices(table)[index - kFirstXuIndex];
    case kTopoDiaIndex:
        return TopoRadiusDiameter(table).diameter;
    case kTopoJIndex:
        return BalabanJ(table);
    case kTopoRadIndex:
        return TopoRadiusDiameter(table).radius;
    default:
        break;
    }
    if (index >= kFirstRingSizeIndex && index <= kLastRingSizeIndex)
        return CountRingsOfSize(RingSet(table), index - 139);
    return 0.0;
}

std::array<double, kCatalogueSize> ComputeDescriptorValues(const TCTab& table)
{
    std::array<double, kCatalogueSize> values{};
    std::array<std::int32_t, kGroupCount> groups;
    CountAllGroups(table, groups);
    for (int i = 0; i < kGroupCount; ++i)
        values[i] = groups[i];
    std::array<int, kAugDescriptorCount> aug;
    CountAllAugAtoms(table, aug);
    for (int e = 0; e < kAugDescriptorCount; ++e)
        values[kFirstAugIndex + e] = aug[e];
    for (int e = 0; e < 4; ++e)
        values[135 + e] = CountElement(table, kElementCountAtNum[e]);
    values[kRandicIxIndex] = RandicIndex(table);
    values[kRandicTOzIndex] = RandicZIndex(table);
    values[kNumberOfRingsIndex] = CyclomaticNumber(table);
    const RingList rings = RingSet(table);
    for (int i = kFirstRingSizeIndex; i <= kLastRingSizeIndex; ++i)
        values[i] = CountRingsOfSize(rings, i - 139);
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    const auto xu = XuIndices(table, distances);
    for (int e = 0; e < 3; ++e)
        values[kFirstXuIndex + e] = xu[e];
    const RadiusDiameter rd = TopoRadiusDiameter(table, distances);
    values[kTopoDiaIndex] = rd.diameter;
    values[kTopoRadIndex] = rd.radius;
    values[kTopoJIndex] = BalabanJ(table, distances);
    return values;
}

DescriptorRecord MakeDescriptorRecord(const TCTab& table, const std::array<double, kCatalogueSize>& values)
{
    DescriptorRecord record;
    for (int i = 0; i <= 138; ++i)
        if (IsDescriptor(i))
            record.counts[i] = LowByte(values[i]);
    record.randicIx = values[kRandicIxIndex];
    record.randicTOz = values[kRandicTOzIndex];
    record.numberOfRings = LowByte(values[kNumberOfRingsIndex]);
    for (int e = 0; e < 4; ++e)
        record.ringsOfSize[e] = LowByte(values[kFirstRingSizeIndex + e]);
    record.topoJ = values[kTopoJIndex];
    record.topoRad = static_cast<std::int32_t>(values[kTopoRadIndex]);
    record.topoDia = static_cast<std::int32_t>(values[kTopoDiaIndex]);
    for (int e = 0; e < 3; ++e)
        record.xu[e] = values[kFirstXuIndex + e];
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        if (table.Coord(a, 1) != 0.0f || table.Coord(a, 2) != 0.0f || table.Coord(a, 3) != 0.0f)
            record.hasGraphics = true;
        if (table.NumNeighbours(a) == 0) {
            record.notRegistered = true;
            if (table.Charge(a) != 0)
                record.isSalt = true;
        }
    }
    return record;
}

DescriptorRecord ComputeDescriptorRecord(const TCTab& table)
{
    return MakeDescriptorRecord(table, ComputeDescriptorValues(table));
}

std::array<std::uint8_t, kDescriptorRecordSize> EncodeDescriptorRecord(const DescriptorRecord& record)
{
    using Layout = DescriptorRecordLayout;
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    for (int i = 0; i <= 138; ++i)
        bytes[Layout::kCounts + i] = IsDescriptor(i) ? record.counts[i] : 0;
    PutDouble(&bytes[Layout::kRandicIx], record.randicIx);
    PutDouble(&bytes[Layout::kRandicTOz], record.randicTOz);
    bytes[Layout::kNumberOfRings] = record.numberOfRings;
    for (int e = 0; e < 4; ++e)
        bytes[Layout::kRingsOfSize + e] = record.ringsOfSize[e];
    PutDouble(&bytes[Layout::kTopoJ], record.topoJ);
    PutU32(&bytes[Layout::kTopoRad], static_cast<std::uint32_t>(record.topoRad));
    PutU32(&bytes[Layout::kTopoDia], static_cast<std::uint32_t>(record.topoDia));
    for (int e = 0; e < 3; ++e)
        PutDouble(&bytes[Layout::kXu + 8 * e], record.xu[e]);
    bytes[Layout::kHasGraphics] = record.hasGraphics;
    bytes[Layout::kNotRegistered] = record.notRegistered;
    bytes[Layout::kIsSalt] = record.isSalt;
    return bytes;
}

DescriptorRecord DecodeDescriptorRecord(const std::uint8_t* bytes)
{
    using Layout = DescriptorRecordLayout;
    DescriptorRecord record;
    for (int i = 0; i <= 138; ++i)
        record.counts[i] = IsDescriptor(i) ? bytes[Layout::kCounts + i] : 0;
    record.randicIx = GetDouble(&bytes[Layout::kRandicIx]);
    record.randicTOz = GetDouble(&bytes[Layout::kRandicTOz]);
    record.numberOfRings = bytes[Layout::kNumberOfRings];
    for (int e = 0; e < 4; ++e)
        record.ringsOfSize[e] = bytes[Layout::kRingsOfSize + e];
    record.topoJ = GetDouble(&bytes[Layout::kTopoJ]);
    record.topoRad = GetI32(&bytes[Layout::kTopoRad]);
    record.topoDia = GetI32(&bytes[Layout::kTopoDia]);
    for (int e = 0; e < 3; ++e)
        record.xu[e] = GetDouble(&bytes[Layout::kXu + 8 * e]);
    record.hasGraphics = bytes[Layout::kHasGraphics] != 0;
    record.notRegistered = bytes[Layout::kNotRegistered] != 0;
    record.isSalt = bytes[Layout::kIsSalt] != 0;
    return record;
}

double RecordValue(const DescriptorRecord& record, int index)
{
    if (!IsDescriptor(index))
        return 0.0;
    if (index <= 138)
        return record.counts[index];
    switch (index) {
    case kRandicIxIndex:
        return record.randicIx;
    case kRandicTOzIndex:
        return record.randicTOz;
    case kNumberOfRingsIndex:
        return record.numberOfRings;
    case kTopoJIndex:
        return record.topoJ;
    case kTopoRadIndex:
        return record.topoRad;
    case kTopoDiaIndex:
        return record.topoDia;
    default:
        break;
    }
    if (index >= kFirstRingSizeIndex && index <= kLastRingSizeIndex)
        return record.ringsOfSize[index - kFirstRingSizeIndex];
    if (index >= kFirstXuIndex && index <= kFirstXuIndex + 2)
        return record.xu[index - kFirstXuIndex];
    return 0.0;
}

} // namespace velmora
