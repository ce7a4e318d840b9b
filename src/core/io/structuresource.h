#pragma once
// Where an import takes its structures from: records read one after another from an input file.
// The SD reader is one source; other formats supply their own.
// The import calls Read and AtEnd on a worker thread of its own (one call at a time, in record
// order), so a source keeps to its own state: no Progress, no UserDialog, nothing thread-bound.
#include "base/textfile.h"
#include "model/ctab.h"

#include <memory>
#include <string>

namespace velmora {

class StructureSource {
public:
    virtual ~StructureSource() = default;
    // Reads the next record into table. Returns an empty string when the table holds a structure to
    // store, else why the record is left out (table.FStrucName names it when the name was read).
    // Throws IoError when the input cannot be read any further.
    virtual std::string Read(TCTab& table) = 0;
    // True once the input holds no further record.
    virtual bool AtEnd() = 0;
};

// SD files and single molfiles (V2000), read with the molfile reader.
class SdSource final : public StructureSource {
public:
    explicit SdSource(const std::string& fileName);
    std::string Read(TCTab& table) override;
    bool AtEnd() override;

private:
    TextReader m_reader;
};

} // namespace velmora
