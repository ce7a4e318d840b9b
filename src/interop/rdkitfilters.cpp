// Structural filters through RDKit. A record is read from its V2000 molfile text with RDKit's
// sanitisation (aromaticity perceived from the stored Kekule form, explicit hydrogens merged into
// their heavy atoms, as RDKit reads any molfile); a record it cannot sanitise is not checkable.
#include "rdkitfilters.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/FilterCatalog/FilterCatalog.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/Substruct/SubstructMatch.h>
#include <RDGeneral/RDLog.h>

#include <memory>
#include <mutex>
#include <stdexcept>

namespace velmora::interop {

namespace {

// Parse and sanitisation failures are answers here, not news for the error log.
void QuietFilterLogs()
{
    static std::once_flag once;
    std::call_once(once, [] { boost::logging::disable_logs("rdApp.*"); });
}

std::unique_ptr<RDKit::ROMol> ParseSmarts(const std::string& smarts)
{
    QuietFilterLogs();
    try {
        return std::unique_ptr<RDKit::ROMol>(RDKit::SmartsToMol(smarts));
    } catch (const std::exception&) {
        return nullptr;
    }
}

const std::vector<std::pair<std::string, RDKit::FilterCatalogParams::FilterCatalogs>>& Catalogues()
{
    using Params = RDKit::FilterCatalogParams;
    static const std::vector<std::pair<std::string, Params::FilterCatalogs>> catalogues{
        {"pains", Params::PAINS}, {"brenk", Params::BRENK}, {"nih", Params::NIH}, {"zinc", Params::ZINC}};
    return catalogues;
}

class RDKitMatcher final : public StructureMatcher {
public:
    RDKitMatcher(const std::vector<std::string>& required, const std::vector<std::string>& excluded,
                 const std::vector<std::string>& catalogues)
    {
        auto compile = [](const std::vector<std::string>& patterns, std::vector<std::unique_ptr<RDKit::ROMol>>& into) {
            for (const auto& pattern : patterns) {
                auto query = ParseSmarts(pattern);
                if (!query)
                    throw std::runtime_error("\"" + pattern + "\" is not a valid SMARTS pattern");
                into.push_back(std::move(query));
            }
        };
        compile(required, m_required);
        compile(excluded, m_excluded);
        for (const auto& name : catalogues) {
            RDKit::FilterCatalogParams params;
            bool known = false;
            for (const auto& [catalogueName, which] : Catalogues())
                if (catalogueName == name) {
                    params.addCatalog(which);
                    known = true;
                }
            if (!known)
                throw std::runtime_error("no alert catalogue is named \"" + name + "\"");
            m_catalogues.push_back(std::make_unique<RDKit::FilterCatalog>(params));
        }
    }

    int Check(const std::string& molBlock) const override
    {
        std::unique_ptr<RDKit::ROMol> mol;
        try {
            mol.reset(RDKit::MolBlockToMol(molBlock, true, true));
        } catch (const std::exception&) {
            return kUncheckable;
        }
        if (!mol)
            return kUncheckable;
        int filter = 0;
        try {
            RDKit::MatchVectType match;
            for (const auto& query : m_required) {
                if (!RDKit::SubstructMatch(*mol, *query, match))
                    return filter;
                ++filter;
            }
            for (const auto& query : m_excluded) {
                if (RDKit::SubstructMatch(*mol, *query, match))
                    return filter;
                ++filter;
            }
            for (const auto& catalogue : m_catalogues) {
                if (catalogue->hasMatch(*mol))
                    return filter;
                ++filter;
            }
        } catch (const std::exception&) {
            return kUncheckable;
        }
        return kPasses;
    }

private:
    std::vector<std::unique_ptr<RDKit::ROMol>> m_required, m_excluded;
    std::vector<std::unique_ptr<RDKit::FilterCatalog>> m_catalogues;
};

} // namespace

StructureMatching RDKitStructureMatching()
{
    StructureMatching matching;
    matching.checkSmarts = [](const std::string& smarts) -> std::string {
        return ParseSmarts(smarts) ? "" : "RDKit cannot parse it";
    };
    matching.catalogues = [] {
        std::vector<std::string> names;
        for (const auto& entry : Catalogues())
            names.push_back(entry.first);
        return names;
    };
    matching.compile = [](const std::vector<std::string>& required, const std::vector<std::string>& excluded,
                          const std::vector<std::string>& catalogues) -> std::shared_ptr<const StructureMatcher> {
        QuietFilterLogs();
        return std::make_shared<RDKitMatcher>(required, excluded, catalogues);
    };
    return matching;
}

} // namespace velmora::interop
