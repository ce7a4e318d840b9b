#pragma once
// SMILES files as a source of structures.
//  .smi, .smiles: one structure a line: the SMILES, blanks or a tab, then the name (the rest of the
//                 line); a first line whose first word is "SMILES" is a header.
//  .csv, .tsv:    a header line, then one structure a line (a quoted field may run over line
//                 breaks: its record is read whole and left out); the SMILES column is chosen by
//                 header name or 1-based number (default: the column named "smiles", else the one
//                 column whose name holds "smiles"); the name comes from a column named "name",
//                 "title" or "id" (else one whose name ends in one of them).
// Blank lines are no records. Without a name the record is named by its line number.
#include "base/textfile.h"
#include "io/structureformats.h"
#include "io/structuresource.h"

#include <cstddef>
#include <future>
#include <string>
#include <vector>

namespace velmora::interop {

// One record of a SMILES file as read: a line, or in a table the lines that a quoted field with
// line breaks joins into one record (which is then left out as a whole).
struct SmilesRecordText {
    std::string text;
    long firstLine = 0;
    long lastLine = 0;
    bool tooLong = false;  // a line longer than kMaxLineLength (cut)
    bool unclosed = false; // a quoted field still open at the end of the file
};

// How the lines of one file are split into SMILES and name.
class SmilesLayout {
public:
    // Reads the header (when the file has one) from reader. Throws IoError when the chosen column
    // is missing, or when a table names no SMILES column and none is chosen.
    SmilesLayout(const std::string& fileName, const SourceOptions& options, TextReader& reader);
    // Splits a data line; false for a blank line.
    bool Split(const std::string& line, long lineNumber, std::string& smiles, std::string& name) const;
    // Reads the next record from reader; false at the end of the file.
    bool ReadRecord(TextReader& reader, SmilesRecordText& record) const;
    // Why a record is left out before its SMILES is parsed ("" when it is not): a line too long, a
    // line break in a quoted field, a byte that no SMILES holds.
    std::string Problem(const SmilesRecordText& record, const std::string& smiles, const std::string& name) const;

private:
    char m_delimiter = 0; // 0: blanks (a .smi file)
    std::size_t m_smilesColumn = 0;
    long m_nameColumn = -1; // -1: the line number
    SmilesRecordText m_pending; // a .smi first line that was not a header
    bool m_hasPending = false;
    friend class SmilesSource;
    friend long CountSmilesRecords(const std::string&, const SourceOptions&);
};

// A SMILES file is read with these rules: Ctrl-Z is a byte like any other (the end-of-file rule of
// the system's own text files does not apply), and a line too long spoils only its record.
void PrepareSmilesReader(TextReader& reader);

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
        std::string reason; // set before conversion when the record is left out unparsed
    };
    // Reads and converts the next lines (on all cores); empty at the end of the file.
    std::vector<Record> ReadBatch();
    // Takes the next batch; false at the end of the file. Throws IoError when the file cannot be read.
    bool Fill();
    bool NextRecord(SmilesRecordText& record);

    TextReader m_reader;
    SmilesLayout m_layout;
    std::vector<Record> m_batch;
    std::size_t m_next = 0;
    bool m_pendingUsed = false;
    // The batch being read and converted; last, so that it is finished before the reader goes.
    std::future<std::vector<Record>> m_coming;
};

long CountSmilesRecords(const std::string& fileName, const SourceOptions& options);

} // namespace velmora::interop
