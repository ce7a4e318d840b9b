#pragma once
// SD files and molfiles whose records RDKit reads (V3000 ones; V2000 records too), record by
// record as the SD reader takes them: a record ends at its "$$$$" line, its first line is the
// name and a "> <CAS_RN>" or "> <CASREGNR>" data item gives the CAS number.
#include "base/textfile.h"
#include "io/structuresource.h"

#include <string>

namespace velmora::interop {

class MolBlockSource final : public StructureSource {
public:
    explicit MolBlockSource(const std::string& fileName);
    std::string Read(TCTab& table) override;
    bool AtEnd() override;

private:
    TextReader m_reader;
};

} // namespace velmora::interop
