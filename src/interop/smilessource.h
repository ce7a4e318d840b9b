#pragma once
// SMILES files as a source of structures.
//  .smi, .smiles: one structure a line: the SMILES, blanks or a tab, then the name (the rest of the
//                 line); a first line whose first word is "SMILES" is a header.
//  .csv, .tsv:    a header line, then one structure a line; the SMILES column is chosen by header
//                 name or 1-based number (default: the column named "smiles", else the first); the
//                 name comes from a column named "name", "title" or "id" (else one whose name ends
//                 in one of them).
// Blank lines are no records. Without a name the record is named by its line number.
#include "base/textfile.h"
#include "io/structureformats.h"
#include "io/structuresource.h"

#include <cstddef>
#include <future>
#include <string>
#include <vector>

namespace velmora::interop {

// How the lines of one file are split into SMILES and name.
class SmilesLayout {
public:
    // Reads the header (when the file has one) from reader. Throws IoError when the chosen column
    // is missing.
    SmilesLayout(const std::string& fileName, const SourceOptions& options, TextReader& reader);
    // Splits a data line; false for a blank line.
    bool Split(const std::string& line, long lineNumber, std::string& smiles, std::string& name) const;

private:
    char m_delimiter = 0; // 0: blanks (a .smi file)
    std::size_t m_smilesColumn = 0;
    long m_nameColumn = -1; // -1: the line number
    std::string m_pendingLine; // a .smi first line that was not a header
    bool m_hasPending = false;
    long m_linesRead = 0; // lines the header search read, the pending line included
    friend class SmilesSource;
    friend long CountSmilesRecords(const std::string&, const SourceOptions&);
};

class SmilesSource final : public StructureSource {
public:
    SmilesSource(const std::string& fileName, const SourceOptions& options);
    std::string Read(TCTab& table) override;
    bool AtEnd() override;

private:
    struct Record {
        std::string smiles;
        std::string name;
        TCTab table;
        std::string reason;
    };
    // Reads and converts the next lines (on all cores); empty at the end of the file.
    std::vector<Record> ReadBatch();
    // Takes the next batch; false at the end of the file. Throws IoError when the file cannot be read.
    bool Fill();
    bool NextLine(std::string& line);

    TextReader m_reader;
    SmilesLayout m_layout;
    std::vector<Record> m_batch;
    std::size_t m_next = 0;
    bool m_pendingUsed = false;
    long m_lineNumber = 0; // of the line last read
    // The batch being read and converted; last, so that it is finished before the reader goes.
    std::future<std::vector<Record>> m_coming;
};

long CountSmilesRecords(const std::string& fileName, const SourceOptions& options);

} // namespace velmora::interop
