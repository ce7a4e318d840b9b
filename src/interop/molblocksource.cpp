#include "molblocksource.h"

#include "rdkitconvert.h"

namespace velmora::interop {

MolBlockSource::MolBlockSource(const std::string& fileName) : m_reader(fileName)
{
    m_reader.SetLongLines(TextReader::LongLines::Cut); // such a line spoils only its own record
}

std::string MolBlockSource::Read(TCTab& table)
{
    std::string block;
    std::string line;
    std::string cas;
    bool inBlock = true;
    const long cutBefore = m_reader.CutLines();
    while (!m_reader.Eof()) {
        m_reader.ReadLine(line);
        if (line == "$$$$")
            break;
        if (line == "> <CAS_RN>" || line == "> <CASREGNR>") {
            cas = m_reader.ReadLine();
            continue;
        }
        if (inBlock) {
            block += line;
            block += '\n';
            inBlock = line.compare(0, 6, "M  END") != 0;
        }
    }
    if (m_reader.CutLines() > cutBefore) {
        table.FStrucName = block.substr(0, block.find('\n'));
        return "line " + std::to_string(m_reader.LastCutLine()) + " is longer than 1 MiB";
    }
    const std::string reason = TableFromMolBlock(block, table);
    if (reason.empty() && !cas.empty())
        table.SetCASFromText(cas);
    return reason;
}

bool MolBlockSource::AtEnd() { return m_reader.Eof(); }

} // namespace velmora::interop
