#pragma once
// The comparison of the query with every library structure, computed on worker threads in chunks
// of consecutive structures and handed to the calling thread in library order. The workers only
// read files and compute; the calling thread writes the result lines, ranks them and talks to the
// user (Progress), so the result file and the ranking are the same as in a one-thread loop.
#include "base/chunkpipeline.h"
#include "descriptors/catalogue.h"
#include "descriptors/descsets.h"
#include "io/structlib.h"
#include "search/fusion.h"
#include "search/libparams.h"
#include "search/ranking.h"
#include "search/searchfilters.h"
#include "search/statistics.h"
#include "search/workbench.h"

#include <array>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

// parameters.Scale(index, value), computed in double where that gives the same 6-byte value.
double ScaleQuickly(const LibraryParameters& parameters, int index, double value);

// Where NORMAL mode reads the descriptor records of structures first..first+count-1: a library
// set's member's descriptor file (its record 1 is the set's structure `first`).
struct DescriptorPart {
    std::string file;
    long first = 1;
    long count = 0;
};

struct ComparisonSetup {
    DescriptorMode mode = DescriptorMode::Normal;
    std::string libraryName;
    std::string descriptorFile; // NORMAL mode: the ".pre" file
    // NORMAL mode, a library set: its members' descriptor files in set order, read in place of
    // descriptorFile (a chunk may take records from two or more of them).
    std::vector<DescriptorPart> parts;
    // NORMAL mode: the descriptor file's bytes already mapped by the caller (kept for the setup's
    // lifetime), read in place of the file; null: the file is read.
    const std::uint8_t* mappedRecords = nullptr;
    std::size_t mappedBytes = 0;
    long count = 0;             // structures 1..count
    int coefficient = 0;
    int chosenCount = 0;
    std::vector<int> participating;
    std::array<double, kCatalogueSize> query{};
    LibraryParameters parameters;
    StatisticsAccumulator statistics; // its current channel serves the correlation
    // Descriptor ranges tested for every structure with a line (raw values: the stored record in
    // NORMAL mode, the computed values in INTRO mode); none: no test.
    std::vector<RangeFilter> ranges;
    // A query set's search (queries not empty): every query's scaled vector, query then unused.
    // Each structure's values against all of them are fused into the chunk's set fields.
    std::vector<std::array<double, kCatalogueSize>> queries;
    Fusion fusion = Fusion::Max;
    // Reciprocal-rank fusion reads the library twice: first counting every query's values into
    // the comparers' Counts() (ranks null), then giving each value's slot in ranks.
    const RankTables* ranks = nullptr;
};

// One chunk of consecutive structures, as a worker computed it.
struct ComparedChunk {
    long first = 1;
    long last = 0;
    std::string text;                // the result lines of the chunk, with their line ends (and room after them)
    std::vector<std::uint32_t> ends; // per structure: the end of its line in text (no line: no growth)
    std::vector<float> values;       // per structure with a line: its value as read back from the text
    // Per structure with a line, when the setup has ranges: -1 or the first range it fails.
    std::vector<std::int16_t> rangeFailures;
    // The first structure that could not be read (0: none) and its library result code (INTRO
    // mode; 0 in NORMAL mode: the descriptor file ended early). Nothing after it was computed.
    long failedAt = 0;
    int failure = 0;
    // Thrown while computing structure errorAt; nothing from there on was computed.
    std::exception_ptr error;
    long errorAt = 0;

    // A query set's search writes no lines: the structures with a value in order, and per
    // structure its fused value in values (none while reciprocal-rank fusion counts or ranks), the
    // query with the best value and that value (FusedValue); reciprocal-rank fusion's second pass
    // gives every structure's slot in the rank tables per query (the queries of a structure in turn).
    std::vector<long> lines;
    std::vector<std::int32_t> lineQueries;
    std::vector<float> queryValues;
    std::vector<std::uint32_t> rankSlots;

    // Whether structure k (first..last) has a line, and its bytes.
    bool HasLine(long k) const { return LineEnd(k) > LineStart(k); }
    std::size_t LineStart(long k) const { return k == first ? 0 : ends[static_cast<std::size_t>(k - first - 1)]; }
    std::size_t LineEnd(long k) const { return ends[static_cast<std::size_t>(k - first)]; }
};

// Computes the values of one structure after another, as the one-thread loop did; one per thread.
class StructureComparer {
public:
    // INTRO mode reads the structures through library, or through its own when null. Throws
    // IoError when the descriptor file cannot be opened.
    explicit StructureComparer(const ComparisonSetup& setup, StructureLibrary* library = nullptr);
    ~StructureComparer();
    StructureComparer(const StructureComparer&) = delete;
    StructureComparer& operator=(const StructureComparer&) = delete;

    // Computes structures first..last into chunk (cleared first); tally (if given) counts the values.
    void Compute(long first, long last, ComparedChunk& chunk, ValueTally* tally = nullptr);
    // The library vector and the accumulator as the last structure with a line left them.
    const std::array<double, kCatalogueSize>& Vector() const { return m_vector; }
    const StatisticsAccumulator& Statistics() const { return m_statistics; }
    // A query set's first pass of reciprocal-rank fusion: every query's values counted so far.
    std::vector<ValueCounts>& Counts() { return m_counts; }

private:
    // A query set's search: the values of the chunk's structures against every query (m_setValues,
    // queries per structure) fused into the chunk's set fields.
    void FuseStructures(ComparedChunk& chunk);
    // The first range each structure with a line fails (-1: none), from its stored record.
    void StoredRangeFailures(ComparedChunk& chunk);
    // The max rule over a distance for the structure with the dense scaled row: every query's
    // distance first in plain double, then the coefficient itself only for the queries that can
    // reach the best rounded value (FuseBest over them). False when the plain values cannot bound
    // the coefficient's (not finite, or too large); nothing is added then.
    bool FuseNearestByDistance(const double* row, ComparedChunk& chunk);
    // Every query's rounded value (m_setFloats) over a distance for the structure with the dense
    // scaled row, the coefficient itself computed only where the plain value is too close to a
    // rounding step to tell.
    void RoundedDistances(const double* row);
    // The mean or reciprocal-rank rule for the rounded values of one structure (m_setFloats).
    void FuseRounded(ComparedChunk& chunk);
    double Scaled(int index, double value) const;
    void AddLine(ComparedChunk& chunk, long k, double value);
    // NORMAL mode: the structures first..last whose records (available of them) were read; returns
    // the structure after the last computed.
    long ComputeStored(long first, long last, std::size_t available, ComparedChunk& chunk);

    const ComparisonSetup& m_setup;
    std::vector<std::array<double, 256>> m_scaledCounts; // rows of the participating counts
    std::array<int, kCatalogueSize> m_table{};           // a descriptor's row, or -1
    std::vector<StoredDescriptorField> m_fields; // of the participating descriptors, in their order
    std::vector<StoredDescriptorField> m_rangeFields; // of the setup's ranges, in their order
    bool m_groupsOnly = false;
    // NORMAL mode: reads the records of structures first..last into m_records; whole records read.
    std::size_t ReadRecords(long first, long last);

    int m_fd = -1;
    std::vector<int> m_partFds; // one per setup.parts
    std::vector<std::uint8_t> m_records;
    const std::uint8_t* m_recordData = nullptr; // the chunk's records: m_records or the mapping
    std::unique_ptr<StructureLibrary> m_ownLibrary;
    StructureLibrary* m_library = nullptr;
    std::vector<std::int32_t> m_groupCounts;
    // The query and the chunk's library vectors over the participating descriptors only, in their order.
    std::vector<double> m_denseQuery;
    std::vector<int> m_denseIndex; // 0..n-1
    std::vector<double> m_rows;
    std::vector<std::size_t> m_lineRows; // the structures of the chunk that have a line
    std::vector<double> m_lineValues;
    std::array<double, kCatalogueSize> m_vector{};
    StatisticsAccumulator m_statistics;
    std::size_t m_queryCount = 0;       // a query set's queries; 0: the single search
    std::vector<double> m_denseQueries; // their dense vectors, one after another
    std::vector<double> m_queryColumns; // the same by descriptor: descriptor e's values of every query
    std::size_t m_columnStride = 0;     // values per descriptor in m_queryColumns
    std::vector<double> m_plain;        // per query: the plain double sum of a structure
    std::vector<double> m_nearValues;   // the coefficient for the queries that can be nearest
    std::vector<int> m_nearQueries;
    std::vector<double> m_setValues;
    std::vector<float> m_setFloats;
    std::vector<ValueCounts> m_counts;
};

// Structures 1..count in chunks of chunkSize, computed on `threads` threads (ThreadCount() as a
// rule) a few chunks ahead of the caller, which takes them in order. Each thread compares with its
// own StructureComparer and counts its values in its own tally. Destruction stops the workers.
class ChunkedComparison {
public:
    ChunkedComparison(const ComparisonSetup& setup, int threads, long chunkSize);
    ChunkedComparison(const ChunkedComparison&) = delete;
    ChunkedComparison& operator=(const ChunkedComparison&) = delete;

    // The next chunk in library order, valid until the next call; nullptr after the last, and after
    // a chunk that failed or threw (the caller stops there).
    const ComparedChunk* Next() { return m_pipeline.Next(); }
    // Stops the workers (they finish the chunk in hand) and waits for them.
    void Stop() { m_pipeline.Stop(); }
    // After Stop: the values every thread computed, merged (once).
    const ValueTally& MergedTally();
    // After Stop: the counts of every query's values (reciprocal-rank fusion's first pass), merged
    // from every thread's comparer.
    std::vector<ValueCounts> MergedCounts();

private:
    struct Lane {
        std::unique_ptr<StructureComparer> comparer;
        ValueTally tally;
    };
    const ComparisonSetup& m_setup;
    const long m_chunkSize;
    std::vector<Lane> m_lanes; // before the pipeline, which its workers use until it is destroyed
    ChunkPipeline<ComparedChunk> m_pipeline;
};

} // namespace velmora
