#pragma once
// The descriptor catalogue: 153 entries addressed by catalogue index 0..152, four of them "marker"
// separators, the other 149 the structural descriptors in list order. Maps an index to its
// calculation and keeps all values of one structure in the 260-byte DescriptorRecord.
#include "model/ctab.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

constexpr int kCatalogueSize = 153;
constexpr int kDescriptorCount = 149;
constexpr int kDescriptorRecordSize = 260;

// Catalogue index ranges of the families.
constexpr int kFirstAugIndex = 35;
constexpr int kLastAugIndex = 133;
constexpr int kRandicIxIndex = 139;
constexpr int kRandicTOzIndex = 140;
constexpr int kNumberOfRingsIndex = 141;
constexpr int kFirstRingSizeIndex = 142; // "Number of 3-rings"; ring size = index - 139
constexpr int kLastRingSizeIndex = 145;
constexpr int kFirstXuIndex = 146;
constexpr int kTopoDiaIndex = 149;
constexpr int kTopoJIndex = 150;
constexpr int kTopoRadIndex = 151;

// Builds the tables derived from the catalogue (IsDescriptor, ListPosition, CatalogueIndexOfPosition
// and the augmented-atom codes spelled by the names) in one pass. Done once; for the start-up order,
// otherwise the first use builds them.
void InitialiseCatalogue();

// The name of a catalogue entry exactly as stored (at most 21 characters); "" outside 0..152.
const std::string& CatalogueName(int index);
// False for the markers and outside 0..152.
bool IsDescriptor(int index);
// 0-based list position of a descriptor; for a marker the position of the descriptor before it
// (-1 before the first). -1 outside 0..152.
int ListPosition(int index);
// Inverse of ListPosition: position + 1 (1..149) to catalogue index; -1 outside 1..149.
int CatalogueIndexOfPosition(int positionPlusOne);
// True for the descriptors whose value is a real (Randić, Xu, TopoJ); all others are integers.
bool IsRealDescriptor(int index);

enum class DescriptorMode { Intro, Normal };

// Which descriptors take part in a comparison: chosen by the user and usable in the current mode.
// The program starts in NORMAL mode with nothing chosen.
struct DescriptorChoice {
    std::array<bool, kCatalogueSize> DescSelected{};
    std::array<bool, kCatalogueSize> DescAvailable{};

    DescriptorChoice() { SetAvailability(DescriptorMode::Normal); }
    // INTRO: indices 0..33 only; NORMAL: all 153.
    void SetAvailability(DescriptorMode mode);
    bool TakesPart(int index) const;
};

// Computes one descriptor; the table is not changed (its AtFlag marks are not used). A marker or an
// index outside 0..151 yields 0.
double DescriptorValue(const TCTab& table, int index);

// All 149 descriptor values of one structure by catalogue index (markers 0), each search run once.
// Counts are the computed counts, not cut to 8 bits.
std::array<double, kCatalogueSize> ComputeDescriptorValues(const TCTab& table);

// All descriptor values of one structure and three structure flags, as stored in the descriptor
// file. Counts hold the low 8 bits of the computed count.
struct DescriptorRecord {
    std::array<std::uint8_t, 139> counts{}; // by catalogue index 0..138; 33, 34, 134 stay 0
    double randicIx = 0.0;
    double randicTOz = 0.0;
    std::uint8_t numberOfRings = 0;
    std::array<std::uint8_t, 4> ringsOfSize{}; // sizes 3, 4, 5, 6
    double topoJ = 0.0;
    std::int32_t topoRad = 0;
    std::int32_t topoDia = 0;
    std::array<double, 3> xu{};
    bool hasGraphics = false;   // some atom has a coordinate other than 0
    bool notRegistered = false; // some atom has no neighbour
    bool isSalt = false;        // some atom has no neighbour and a non-zero Charge

    friend bool operator==(const DescriptorRecord&, const DescriptorRecord&) = default;
};

// Byte offsets of the stored DescriptorRecord's fields: the encoder, the decoder and the search's
// direct reads of single fields all take them from here. Reals are 8-byte IEEE, TopoRad and TopoDia
// 4-byte signed, the rest one byte each; bytes not named here are reserved.
struct DescriptorRecordLayout {
    static constexpr int kCounts = 0;          // catalogue indices 0..138 at their own offset
    static constexpr int kRandicIx = 140;
    static constexpr int kRandicTOz = 148;
    static constexpr int kNumberOfRings = 156;
    static constexpr int kRingsOfSize = 157;   // four bytes: sizes 3, 4, 5, 6
    static constexpr int kTopoJ = 164;
    static constexpr int kTopoRad = 172;
    static constexpr int kTopoDia = 176;
    static constexpr int kXu = 180;            // three reals
    static constexpr int kHasGraphics = 204;
    static constexpr int kNotRegistered = 205;
    static constexpr int kIsSalt = 206;
};

// Field by field, little-endian on any host; reserved bytes are written as 0.
std::array<std::uint8_t, kDescriptorRecordSize> EncodeDescriptorRecord(const DescriptorRecord& record);
// Reserved bytes are ignored.
DescriptorRecord DecodeDescriptorRecord(const std::uint8_t* bytes);

DescriptorRecord ComputeDescriptorRecord(const TCTab& table);
DescriptorRecord MakeDescriptorRecord(const TCTab& table, const std::array<double, kCatalogueSize>& values);
// Reads one descriptor back: counts (ring counts included) as 0..255, TopoRad and TopoDia signed,
// reals as stored; 0 for a marker or an index outside 0..151.
double RecordValue(const DescriptorRecord& record, int index);

} // namespace velmora
