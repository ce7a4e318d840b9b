// The workbench's results as the pages, the printout and the export read them.
#include "search/workbench.h"

#include "base/numtext.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "search/coefficients.h"

namespace velmora {

void Workbench::SetShownRank(int rank)
{
    if (m_hasResults && rank >= 1 && rank <= m_results.filled)
        m_state.StructureCounter = rank;
}

ResultStructure Workbench::ReadResultStructure(int rank)
{
    ResultStructure result;
    TCTab& structure = m_library.Structure();
    if (!m_hasResults || rank < 1 || rank > m_results.filled) {
        structure.Clear();
        return result;
    }
    result.row.rank = rank;
    result.row.libraryPosition = m_results.StructureAt(rank);
    result.row.value = PadLeft(FormatFixed(m_results.best[static_cast<std::size_t>(rank - 1)].value, 4), 8);
    if (static_cast<std::size_t>(rank) <= m_resultMembers.size())
        result.row.library = m_resultMembers[static_cast<std::size_t>(rank - 1)];
    if (m_resultSet)
        result.row.query = m_resultSet->QueryName(static_cast<std::size_t>(m_results.best[static_cast<std::size_t>(rank - 1)].query));
    try {
        const LibraryLock lock(m_state.SimilarLibraryFileName, LibraryWork::Read);
        result.read = m_library.ReadLibraryRecord(m_state.SimilarLibraryFileName, rank);
    } catch (const LibraryBusy&) { // another program writes it now: nothing of it is read
        result.read = kLibDataFile;
    }
    if (result.read != kLibOk) {
        // A failed read may leave the last structure in the buffer; it must not pass for this rank.
        structure.Clear();
        return result;
    }
    result.row.casNumber = CASNumberShown(structure.FCASNr);
    result.row.name = structure.FStrucName;
    return result;
}

int Workbench::ResultCoefficient() const { return m_hasResults ? m_results.coefficient : m_state.CoefficientIndex; }

int Workbench::ResultBestCount() const
{
    return m_hasResults && !m_results.best.empty() ? static_cast<int>(m_results.best.size()) : m_state.BestCount;
}

std::string Workbench::LibraryPath() const
{
    const std::string& name = m_state.LibraryFileName;
    return name == m_openedLibrary.first ? m_openedLibrary.second : FullPath(name);
}

std::vector<SDDataItem> Workbench::ResultDataItems(int rank) const
{
    if (!m_hasResults || rank < 1 || rank > m_results.filled)
        return {};
    std::vector<SDDataItem> items{
        {"SIMILARITY_RANK", std::to_string(rank)},
        {"LIBRARY_POSITION", std::to_string(m_results.StructureAt(rank))},
        {"SIMILARITY_VALUE", FormatFixed(m_results.best[static_cast<std::size_t>(rank - 1)].value, 4)},
        {"SIMILARITY_COEFFICIENT", CoefficientName(m_results.coefficient)}};
    // A library set's match also names the library it came from (the position is the set's).
    if (static_cast<std::size_t>(rank) <= m_resultMembers.size())
        items.insert(items.begin() + 2, {"LIBRARY", m_resultMembers[static_cast<std::size_t>(rank - 1)]});
    if (m_resultSet) { // a query set's search: the rule and the query with the best value
        items.push_back({"SIMILARITY_FUSION", FusionTyped(m_results.fusion)});
        items.push_back({"SIMILARITY_QUERY",
                         m_resultSet->QueryName(static_cast<std::size_t>(m_results.best[static_cast<std::size_t>(rank - 1)].query))});
    }
    return items;
}

bool Workbench::PrepareResultExport(Converter& converter) const
{
    // Only the result library of the open library's last search holds best matches to export.
    if (!m_hasResults || !m_state.LibraryOpen || m_state.SimilarLibraryFileName.empty())
        return false;
    converter.PrepareExport(m_state.SimilarLibraryFileName, m_results.filled);
    std::vector<std::vector<SDDataItem>> items;
    for (int rank = 1; rank <= m_results.filled; ++rank)
        items.push_back(ResultDataItems(rank));
    converter.SetRecordData(std::move(items));
    return true;
}

bool Workbench::ExportLibrary(Converter& converter, const std::function<void(Converter&)>& runConverter)
{
    if (!PrepareResultExport(converter))
        return false;
    runConverter(converter);
    return converter.LastExport().Completed();
}

} // namespace velmora
