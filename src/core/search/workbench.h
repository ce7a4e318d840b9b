#pragma once
// The search workbench without its windows: the search state, the commands that open libraries,
// load queries, switch modes and compute parameters, and the search itself, with every message
// shown through a UserDialog and every long loop reporting to a Progress. The desktop window and
// the command-line tool both drive this class; neither re-implements a rule.
#include "base/bytes.h"
#include "base/progress.h"
#include "base/userdialog.h"
#include "descriptors/catalogue.h"
#include "descriptors/descsets.h"
#include "io/convert.h"
#include "io/liblock.h"
#include "io/structlib.h"
#include "search/libparams.h"
#include "search/fusion.h"
#include "search/navigation.h"
#include "search/paramcalc.h"
#include "search/queryset.h"
#include "search/ranking.h"
#include "search/searchfilters.h"
#include "search/statistics.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora {

struct SearchState {
    DescriptorMode Mode = DescriptorMode::Normal;
    std::string LibraryFileName;
    long LibraryCount = 0;
    std::string QueryFileName;
    TCTab Query;
    int CoefficientIndex = 0;
    int BestCount = 50;
    bool LibraryOpen = false;
    bool QueryLoaded = false;
    // The query came from the structure editor: its coordinates are the editor's pixels, y growing
    // downward. Queries read from files, libraries and SMILES keep y growing upward.
    bool QueryDrawn = false;
    bool DescriptorsChosen = false;
    bool ParametersAvailable = false;
    int BackPage = 0;
    bool AbortRequested = false;
    bool SuspendRequested = false;
    ClockTime StartTime, EndTime;
    std::string SimilarLibraryFileName;
    long StructureCounter = 0;
};

// Which commands the views offer; derived from the state.
struct MenuState {
    // The export writes the result library, so it needs results of this library and query.
    bool exportLibrary = false, viewLibrary = false, structuralDescriptors = false;
    bool calculateParameters = false, saveMolecule = false, calculate = false;
    bool viewTable = false, overview = false, diagram = false, print = false;
    // The ASCII export names its file after the open library and marks the last search's best.
    bool exportAscii = false, viewDetailed = false;
    bool intro = false, normal = true; // check marks
    // Flow page: the "Internal Library" icon and the result icons (shown and usable together).
    bool libraryIcon = false, resultIcons = false;
};

// A descriptor's value read straight from the bytes of a stored DescriptorRecord (as RecordValue).
double StoredDescriptorValue(const std::uint8_t* record, int index);

// Where StoredDescriptorValue finds a descriptor in a stored record, decided once for a loop over
// many records.
struct StoredDescriptorField {
    enum class Kind : std::uint8_t { None, Byte, Double, Int32 };
    Kind kind = Kind::None;
    std::uint16_t offset = 0;

    double ValueIn(const std::uint8_t* record) const
    {
        switch (kind) {
        case Kind::Byte: return record[offset];
        case Kind::Double: return GetDouble(record + offset);
        case Kind::Int32: return GetI32(record + offset);
        case Kind::None: break;
        }
        return 0.0;
    }
};
StoredDescriptorField StoredDescriptorFieldOf(int index);

enum class SearchOutcome { NotStarted, Completed, Aborted, ReadError, CalculationError };

// One row of the report table.
struct ReportRow {
    int rank = 0;
    long libraryPosition = 0;
    std::string value; // "%8.4f"
    std::string casNumber;
    std::string name;
    // The library holding the structure when a library set was searched (as its list names it);
    // empty for a single library.
    std::string library;
    std::string query{}; // a query set's search: the name of the query with the best value
};

// Rank p of the last search as the result pages show it, with the outcome of reading its structure
// from the result library.
struct ResultStructure {
    int read = kLibPositionOutOfRange; // kLibOk or the library's result code
    ReportRow row;                     // rank, position and value; name and CAS number when read
};

struct LiveSearchSetup; // search/livesearch.h
struct DescriptorPart;  // search/comparison.h
struct ComparisonSetup; // search/comparison.h

class Workbench {
public:
    // The descriptor sets live in UserDataDirectory(workingDirectory).
    Workbench(UserDialog& dialog, Progress& progress, std::string workingDirectory);

    // The state changes only through the commands below.
    const SearchState& State() const { return m_state; }
    // Which result page the window shows and where " Back  " leads (the state's BackPage).
    PageNavigation& Pages() { return m_pages; }
    const PageNavigation& Pages() const { return m_pages; }
    StructureLibrary& Library() { return m_library; }
    DescriptorChoice& Choice() { return m_choice; }
    DescriptorSelection& Selection() { return m_selection; }
    SelectionContext Context() { return {m_state.LibraryFileName, m_state.Mode, m_choice}; }
    LibraryParameters& Parameters() { return m_parameters; }
    StatisticsAccumulator& Statistics() { return m_statistics; }
    const SearchResults& Results() const { return m_results; }
    bool HasResults() const { return m_hasResults; }
    // The coefficient the results were computed with (the chosen one while there are none): every
    // label of a result names it, whatever has been chosen since.
    int ResultCoefficient() const;
    // The best count the results were ranked into (the chosen one while there are none), kept
    // like the coefficient: changing the count after a search is for the next one.
    int ResultBestCount() const;
    // The open library as pages and printouts name it: its full path, whatever form it was given in.
    std::string LibraryPath() const;
    // Descriptors that took part in the last search, and those left out for lack of spread.
    const std::vector<int>& Participating() const { return m_participating; }
    const std::vector<int>& LeftOut() const { return m_leftOut; }
    MenuState Menu() const;
    // "Calculate" is offered exactly when a library is open, a query loaded and descriptors chosen.
    bool CalculateEnabled() const;
    // Chooses the named descriptor set as the descriptor dialog would, then closes the dialog.
    // False (with an error naming the set) when there is no such set, or when the dialog may not open.
    bool ChooseDescriptorSet(const std::string& name);

    // Library and query commands. A file argument replaces the file dialog.
    bool OpenLibrary(const std::optional<std::string>& file = std::nullopt);
    // runConverter shows the prepared converter (choose target, convert) and returns its Exit().
    bool ImportLibrary(const std::optional<std::string>& source, const std::function<bool(Converter&)>& runConverter);
    // A molfile, SD file (first record), library (first structure) or SMILES file (first line).
    bool LoadQuery(const std::optional<std::string>& file = std::nullopt);
    // A query set (an SD file, a SMILES file or a library): every record that can be read becomes
    // a query as LoadQuery makes the first record one; the others are named in one warning. The
    // first query becomes the state's query, and the next search compares every structure with
    // all of them, fusing the values by the chosen rule. False, the query (or set) as it was, when
    // the set cannot be read (an IoError naming the file is thrown for that).
    bool LoadQuerySet(const std::optional<std::string>& file = std::nullopt);
    // The same for a set already read (ReadQuerySet); it must hold a query.
    void UseQuerySet(QuerySet set);
    // The query set loaded (null with a single query: every other query command drops the set).
    const QuerySet* LoadedQuerySet() const { return m_querySet.get(); }
    void SetFusion(Fusion fusion) { m_fusion = fusion; }
    Fusion ChosenFusion() const { return m_fusion; }
    // The query the result of rank p is to be explained against: the query set's query with the
    // best value for it, else the query.
    const TCTab& ResultQuery(int rank) const;
    // Sets the query from a SMILES string, named by it and laid out in 2D; false with an error
    // message when it cannot be read or held (or SMILES input is not built in).
    bool LoadQuerySmiles(const std::string& smiles);
    // "Paste SMILES...": asks for the string, then LoadQuerySmiles; false when cancelled.
    bool PasteSmiles();
    // Sets the query from a drawn structure (the editor's OK): pixel coordinates with y growing
    // downward, charges as molfile codes (EditorModel::QueryStructure).
    void SetDrawnQuery(const TCTab& structure);
    // Saves the query as a molfile record. A drawn query is written with y growing upward, as
    // library records and other programs keep it; in memory it stays as drawn.
    bool SaveQuery(const std::optional<std::string>& file = std::nullopt);
    void SetIntroMode();
    bool SetNormalMode();
    void CalculateLibraryParameters();
    void LoadLibraryParameters();
    void LibraryOpened();
    // No library open any more (its files were replaced by nothing readable).
    void CloseLibrary();
    void InvalidateResults();

    // The descriptor dialog may open (INTRO mode needs its parameters; says so otherwise).
    bool ChooseDescriptors();
    // The descriptor dialog closed: whether at least one descriptor is chosen.
    void DescriptorDialogClosed();
    // The best-count field: accepted values 1..200; the two messages otherwise.
    bool SetBestCount(const std::string& text);
    void SetCoefficient(int index);

    // The filters of the next search (none at first): the result is the best N structures that
    // pass them, in the order of the unfiltered ranking. Checked by CheckStructuralFilters before.
    void SetFilters(SearchFilters filters) { m_filters = std::move(filters); }
    const SearchFilters& Filters() const { return m_filters; }
    // What the filters did in the search whose results are shown (inactive without filters).
    const FilterSummary& LastFilterSummary() const { return m_filterSummary; }

    SearchOutcome RunSearch();
    // What a live search beside the editor needs of the open library: with a library open in
    // NORMAL mode and descriptors chosen that can take part (and, for the correlation, more than
    // two of them), the comparison a search would set up now; nothing otherwise. Asks nothing.
    std::optional<LiveSearchSetup> LiveSetup();
    void ResetAll();

    // The report of the last search.
    std::vector<std::string> DescriptorLines() const;
    std::vector<std::pair<std::string, std::string>> ReportInput() const;
    std::vector<ReportRow> ReportRows();
    // Reads the structure of rank p (1..filled ranks) from the result library into
    // Library().Structure(). When the read fails the structure is left empty, never holding the
    // structure read before, and the row has no name or CAS number.
    ResultStructure ReadResultStructure(int rank);
    // The detail page shows rank p: it becomes the state's structure counter. A rank outside the
    // results (or without results) leaves the counter as it is.
    void SetShownRank(int rank);
    // The SD data items an export of the best matches writes with the structure of rank p: its rank,
    // library position, value (as the report shows it) and the coefficient's name; after a library
    // set's search also LIBRARY, the member it came from, after the position.
    std::vector<SDDataItem> ResultDataItems(int rank) const;
    // Prepares converter to export the last search's best matches (the result library) with their
    // data items. False, leaving it as it was, without results of the open library.
    bool PrepareResultExport(Converter& converter) const;
    // PrepareResultExport, then shows the converter through runConverter. True when an export
    // completed while it was shown. Refused without results.
    bool ExportLibrary(Converter& converter, const std::function<void(Converter&)>& runConverter);

private:
    // Tests set up states no command reaches cheaply (a library taken as open without its files).
    friend struct WorkbenchTestAccess;

    // The menu flags that follow from the results: export, ASCII export, detail page, flow icons.
    void MenuExtras(MenuState& menu) const;
    bool IsLibrary(const std::string& file);
    // Whether the open library's companion (by extension) is there and made from the library as it
    // is now; one that is there but does not fit is named in one warning and counts as missing.
    bool CompanionTrusted(const std::string& extension);
    // Whether the open library (or every member of the open library set) has a descriptor file
    // made from it as it is now.
    bool DescriptorFilesTrusted();
    // The NORMAL mode build: the descriptor file and parameters of a library, or a set's members'
    // missing descriptor files and the set's parameters.
    ParameterRun BuildDescriptors();
    // The result library of a search of library: its usual name, unless a library the search did
    // not make holds it; then the first free one beside it ("drSIM2.clb", ...), with a warning.
    std::string ChooseResultLibraryName(const std::string& library);
    bool PassesFormatTest(const std::string& file);
    // The first structure of a SMILES file or V3000 molfile; false for other files, and with the
    // reason in problem when such a file holds none.
    bool QueryFromOtherFormat(const std::string& file, TCTab& table, std::string& problem);
    bool ComputeQueryVector();
    // Compares the query with every structure, writing the result file; when completed, results
    // holds the ranking and (histogramDone) the histogram.
    SearchOutcome CompareAll(const std::string& resultFile, SearchResults& results, bool& histogramDone);
    // Refuses (IoError) descriptor and parameter files that do not fit the library as it is now;
    // returns a library set's members' descriptor files in NORMAL mode (none for a library).
    std::vector<DescriptorPart> CheckSearchCompanions(const std::string& descriptorFile);
    // The comparison as both searches set it up (companions checked, filters' ranges in), without
    // the query: the single search adds its vector, the query-set search its queries.
    ComparisonSetup SearchSetup();
    // The filtered best list when filters are set (null otherwise), ranking in the given order;
    // clears the pending filter summary.
    std::unique_ptr<FilteredRanking> StartFilteredRanking(bool smallerIsBetter);
    // CompareAll for the loaded query set: every structure compared with all queries in one pass
    // (two for reciprocal-rank fusion); valueFile receives the fused values for the histogram.
    SearchOutcome CompareQuerySet(const std::string& valueFile, SearchResults& results);

    UserDialog& m_dialog;
    Progress& m_progress;
    SearchState m_state;
    PageNavigation m_pages{m_state.BackPage};
    StructureLibrary m_library;
    DescriptorChoice m_choice;
    DescriptorSelection m_selection;
    LibraryParameters m_parameters;
    StatisticsAccumulator m_statistics;
    SearchResults m_results;
    bool m_hasResults = false;
    bool m_printEnabled = false;
    std::string m_failureDetail; // the file, the record and the cause of a failed search
    std::set<std::string> m_distrustReported; // companions of the open library already warned about
    std::unique_ptr<LibraryLock> m_resultLock;  // the result library of the results shown, read-locked
    std::pair<std::string, std::string> m_openedLibrary; // the library's name when opened, its full path
    std::shared_ptr<const QuerySet> m_querySet;  // the query set loaded, if any
    std::shared_ptr<const QuerySet> m_resultSet; // the query set of the results shown, if any
    Fusion m_fusion = Fusion::Max;
    std::vector<int> m_participating;
    std::vector<int> m_leftOut;
    // A library set searched: the member of every filled rank, as its list names it; else empty.
    std::vector<std::string> m_resultMembers;
    // OpenLibrary of a set: whether every member has its descriptor file, for LibraryOpened to take.
    std::optional<bool> m_openedSetDescriptors;
    SearchFilters m_filters;
    FilterSummary m_filterSummary, m_pendingFilterSummary;
    std::array<double, kCatalogueSize> m_queryVector{};
    std::array<double, kCatalogueSize> m_libraryVector{};
};

} // namespace velmora
