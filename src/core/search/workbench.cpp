#include "search/workbench.h"
#include "search/livesearch.h"

#include "base/bytes.h"
#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/threadcount.h"
#include "base/textfile.h"
#include "base/userdata.h"
#include "descriptors/descfiles.h"
#include "descriptors/groups.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "io/molfile.h"
#include "io/structureformats.h"
#include "search/coefficients.h"
#include "search/comparison.h"
#include "search/descriptorlines.h"
#include "search/libsetfiles.h"
#include "search/paramcalc.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <unistd.h>

namespace velmora {

namespace {

// The search's scratch file (result lines, or a query set's fused values) beside the library, named
// for this process and this search: two searches of one library at once (both hold the read lock)
// never write, read or delete each other's file. Removed on every way out of RunSearch.
std::string SearchScratchFileName(const std::string& library)
{
    static std::atomic<unsigned> searches{0};
    return CompanionFileName(library, "qlt") + "." + std::to_string(::getpid()) + "-" + std::to_string(++searches);
}

// The drawn query's layout with y growing upward: mirrored top to bottom about the middle of its
// height, so the coordinates keep the range they had. The layout on screen is what other programs
// show from the saved file.
TCTab YUpLayout(const TCTab& drawn)
{
    TCTab table;
    table.Assign(drawn);
    const int n = table.NumValidAtoms;
    if (n < 1)
        return table;
    double top = table.Atom(1).y, bottom = top;
    for (int i = 2; i <= n; ++i) {
        top = std::min(top, static_cast<double>(table.Atom(i).y));
        bottom = std::max(bottom, static_cast<double>(table.Atom(i).y));
    }
    for (int i = 1; i <= n; ++i)
        table.SetCoord(i, 2, top + bottom - table.Atom(i).y);
    return table;
}

// "no such file", "is a folder", "is not a regular file" (a FIFO, a device: reading it could
// block), or "" for a regular file.
std::string QueryFileProblem(const std::string& file)
{
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return "no such file";
    if (std::filesystem::is_directory(status))
        return "is a folder";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return "is not a regular file";
    return {};
}

// The search computes in chunks of this many structures.
constexpr long kSearchChunk = 1024;

const char* const kIntroParametersMissing =
    "Mean and standard deviations of library not available !\r"
    "Before you use the INTRO MODE, you have to calculate the libraryparameters .\r"
    "You can find it in the SETUP menu !";

const char* const kIntroModeNotice =
    "You are now running the INTRO MODE !!!\r"
    "If you want to work seriously with this program, it is highly recommended to\r"
    "use the NORMAL MODE, because it is much more quicker and some features are\r"
    "only available in the normal mode .";

} // namespace

// A descriptor's value straight from the bytes of a stored DescriptorRecord, without decoding the
// whole record (the search reads one per library structure). Agrees with RecordValue.
double StoredDescriptorValue(const std::uint8_t* record, int index)
{
    return StoredDescriptorFieldOf(index).ValueIn(record);
}

StoredDescriptorField StoredDescriptorFieldOf(int index)
{
    using Kind = StoredDescriptorField::Kind;
    using Layout = DescriptorRecordLayout;
    auto field = [](Kind kind, int offset) { return StoredDescriptorField{kind, static_cast<std::uint16_t>(offset)}; };
    if (!IsDescriptor(index))
        return {};
    if (index <= 138)
        return field(Kind::Byte, Layout::kCounts + index);
    switch (index) {
    case kRandicIxIndex: return field(Kind::Double, Layout::kRandicIx);
    case kRandicTOzIndex: return field(Kind::Double, Layout::kRandicTOz);
    case kNumberOfRingsIndex: return field(Kind::Byte, Layout::kNumberOfRings);
    case kTopoJIndex: return field(Kind::Double, Layout::kTopoJ);
    case kTopoRadIndex: return field(Kind::Int32, Layout::kTopoRad);
    case kTopoDiaIndex: return field(Kind::Int32, Layout::kTopoDia);
    default: break;
    }
    if (index >= kFirstRingSizeIndex && index <= kLastRingSizeIndex)
        return field(Kind::Byte, Layout::kRingsOfSize + index - kFirstRingSizeIndex);
    if (index >= kFirstXuIndex && index < kFirstXuIndex + 3)
        return field(Kind::Double, Layout::kXu + 8 * (index - kFirstXuIndex));
    return {};
}

Workbench::Workbench(UserDialog& dialog, Progress& progress, std::string workingDirectory)
    : m_dialog(dialog), m_progress(progress), m_selection(UserDataDirectory(workingDirectory))
{
    m_choice.SetAvailability(DescriptorMode::Normal);
}

bool Workbench::CalculateEnabled() const
{
    return m_state.DescriptorsChosen && m_state.LibraryOpen && m_state.QueryLoaded;
}

MenuState Workbench::Menu() const
{
    MenuState menu;
    menu.viewLibrary = menu.structuralDescriptors = menu.calculateParameters = m_state.LibraryOpen;
    menu.saveMolecule = m_state.QueryLoaded;
    menu.calculate = CalculateEnabled();
    menu.viewTable = menu.overview = menu.diagram = m_hasResults;
    MenuExtras(menu);
    menu.print = m_hasResults && m_printEnabled;
    menu.intro = m_state.Mode == DescriptorMode::Intro;
    menu.normal = !menu.intro;
    return menu;
}

bool Workbench::IsLibrary(const std::string& file)
{
    if (IsLibrarySetName(file)) {
        try {
            LibrarySet::Read(file);
        } catch (const IoError&) {
            return false;
        }
    } else if (!HasLibraryExtension(file)) {
        return false;
    }
    const LibraryLock lock(file, LibraryWork::Read);
    return m_library.ReadLibraryRecord(file, 1) == kLibOk;
}

bool Workbench::CompanionTrusted(const std::string& extension)
{
    const std::string file = CompanionFileName(m_state.LibraryFileName, extension);
    if (!std::filesystem::exists(file))
        return false;
    const std::string mismatch = CompanionMismatch(m_state.LibraryFileName, extension);
    if (mismatch.empty())
        return true;
    if (m_distrustReported.insert(file).second)
        m_dialog.ShowMessage(MessageKind::Warning, "Warning", CompanionMismatchText(file, mismatch), MessageButtons::Ok);
    return false;
}

bool Workbench::DescriptorFilesTrusted()
{
    if (!IsLibrarySetName(m_state.LibraryFileName))
        return CompanionTrusted("pre");
    try {
        return CheckSetDescriptorFiles(LibrarySet::Read(m_state.LibraryFileName)).all;
    } catch (const IoError&) {
        return false;
    }
}

ParameterRun Workbench::BuildDescriptors()
{
    if (IsLibrarySetName(m_state.LibraryFileName))
        return BuildLibrarySetFiles(m_library, m_state.LibraryFileName, m_parameters, m_statistics, m_progress, m_dialog);
    return BuildDescriptorFile(m_library, m_state.LibraryFileName, m_state.LibraryCount, m_parameters, m_statistics,
                               m_progress, m_dialog);
}

bool Workbench::PassesFormatTest(const std::string& file)
{
    // A record that holds a structure passes; a single molfile without "$$$$" is a structure too.
    try {
        TextReader reader(file);
        TCTab probe;
        MolReadStatus status;
        ReadMolRecord(probe, reader, status);
        return !status.Rejected();
    } catch (const IoError&) {
        return false;
    }
}

bool Workbench::OpenLibrary(const std::optional<std::string>& file)
{
    const auto chosen = file ? file : m_dialog.ChooseFile(FileDialogKind::Open, "Open Library",
                                                          "Library-Files (*.clb)|*.clb|Library sets (*.vset)|*.vset", "");
    if (!chosen)
        return false;
    // A set is refused as a whole before anything is locked, naming its list file and the line of
    // the first problem: a refused set leaves no file behind.
    std::optional<bool> setDescriptors;
    if (IsLibrarySetName(*chosen)) {
        std::string problem;
        try {
            const SetDescriptorFiles files = CheckSetDescriptorFiles(LibrarySet::Read(*chosen));
            problem = files.mixed.empty() ? std::string() : *chosen + ", " + files.mixed;
            setDescriptors = files.all;
        } catch (const IoError& error) {
            problem = error.what();
        }
        if (!problem.empty()) {
            m_dialog.ShowMessage(MessageKind::Error, "Error", "The library set cannot be searched.", MessageButtons::Ok,
                                 problem);
            return false;
        }
    }
    // Nobody writes the library or its parameter files while it is opened (a calculation of its
    // parameters here takes the lock on for writing).
    std::optional<LibraryLock> lock;
    if (HasLibraryExtension(*chosen) || IsLibrarySetName(*chosen))
        lock.emplace(*chosen, LibraryWork::Read);
    if (!IsLibrary(*chosen)) {
        const std::string problem = LibraryNameProblem(*chosen);
        m_dialog.ShowMessage(MessageKind::Error, "Error", "none CLB-Format !!  Please import library", MessageButtons::Ok,
                             *chosen + ": " +
                                 (problem.empty() ? LibraryReadProblem(*chosen, m_library.ReadLibraryRecord(*chosen, 1), 1)
                                                  : problem));
        return false;
    }
    m_state.LibraryFileName = *chosen;
    m_openedSetDescriptors = setDescriptors;
    LibraryOpened();
    LoadLibraryParameters();
    return true;
}

bool Workbench::ImportLibrary(const std::optional<std::string>& source,
                              const std::function<bool(Converter&)>& runConverter)
{
    std::string filter = "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf";
    if (StructureFormatsAvailable())
        filter += "|SMILES-Files (*.smi ; *.smiles ; *.csv ; *.tsv)|*.smi;*.smiles;*.csv;*.tsv";
    const auto chosen = source ? source : m_dialog.ChooseFile(FileDialogKind::Open, "Import Library", filter, "");
    if (!chosen)
        return false;
    std::optional<StructureFileKind> kind;
    try {
        kind = StructureFileKindOf(*chosen);
    } catch (const IoError&) {
    }
    if (kind && *kind != StructureFileKind::Molfile && !StructureFormatsAvailable()) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", kStructureFormatsUnavailable, MessageButtons::Ok, *chosen);
        return false;
    }
    if (!kind || (*kind == StructureFileKind::Molfile && !PassesFormatTest(*chosen))) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "none MOL-Format !!  Please convert to MOL-Format",
                             MessageButtons::Ok);
        return false;
    }
    m_progress.Start(ProgressKind::ImportCount, "Count Structures :", 0);
    long count = 0;
    try {
        count = CountStructureRecords(*chosen);
    } catch (...) { // a SMILES table without its header: the count window closes before the message
        m_progress.Finish();
        throw;
    }
    m_progress.Finish();
    if (count == 0 && *kind == StructureFileKind::Smiles) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "The file holds no SMILES.", MessageButtons::Ok, *chosen);
        return false;
    }
    Converter converter;
    converter.PrepareImport(*chosen, count);
    const std::string open = m_state.LibraryOpen ? m_state.LibraryFileName : std::string();
    // An import that ran into the open library but did not complete (stopped, failed, or ended
    // by an input error) changed its files: open it afresh, or close it when nothing readable is
    // left. Any other library stays as it was.
    auto reopenChanged = [&] {
        if (open.empty() || !converter.ImportStarted() || !SameFile(converter.ToName(), open))
            return;
        m_library.ReleaseFiles();
        if (IsLibrary(open)) {
            LibraryOpened();
            LoadLibraryParameters();
        } else {
            CloseLibrary();
        }
    };
    bool converted = false;
    try {
        converted = runConverter(converter);
    } catch (...) {
        reopenChanged();
        throw;
    }
    if (!converted) {
        reopenChanged();
        return false;
    }
    m_library.ReleaseFiles();
    m_state.LibraryFileName = converter.ToName();
    LibraryOpened();
    LoadLibraryParameters();
    return true;
}

bool Workbench::LoadQuery(const std::optional<std::string>& file)
{
    // SD files are written as ".sdf" as often as ".sd": both are offered.
    std::string filter = "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf|CLB-File  (*.clb)|*.clb";
    if (StructureFormatsAvailable())
        filter += "|SMILES-Files (*.smi ; *.smiles ; *.csv ; *.tsv)|*.smi;*.smiles;*.csv;*.tsv";
    const auto chosen = file ? file : m_dialog.ChooseFile(FileDialogKind::Open, "Open X-File", filter, "");
    if (!chosen)
        return false;
    // A file that is not there, or not a file, is no question of format: the true reason, and the
    // query stays as it was.
    if (const std::string missing = QueryFileProblem(*chosen); !missing.empty())
        throw IoError(*chosen, missing);
    std::string problem;
    TCTab first;
    if (IsLibrary(*chosen)) {
        m_state.Query.Assign(m_library.Structure());
    } else if (!IsSmilesFileName(*chosen) && PassesFormatTest(*chosen)) {
        // A record cut short by the end of the file (or with a line too long to read) is not the
        // structure of the file: the query stays as it was.
        TCTab read = m_state.Query;
        MolReadStatus status;
        {
            TextReader reader(*chosen);
            ReadMolRecord(read, reader, status);
        }
        if (status.Spoiled()) {
            m_dialog.ShowMessage(MessageKind::Error, "Error", "Fileformat not valid", MessageButtons::Ok,
                                 *chosen + ": " + MolReadProblemOfRecord(status, 1));
            return false;
        }
        m_state.Query = read;
    } else if (QueryFromOtherFormat(*chosen, first, problem)) {
        m_state.Query.Assign(first);
    } else if (!problem.empty()) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "Fileformat not valid", MessageButtons::Ok,
                             *chosen + ": " + problem);
        return false;
    } else {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "Fileformat not valid", MessageButtons::Ok);
        return false;
    }
    m_state.QueryFileName = *chosen;
    m_state.QueryLoaded = true;
    m_state.QueryDrawn = false;
    m_querySet.reset();
    InvalidateResults();
    return true;
}

bool Workbench::QueryFromOtherFormat(const std::string& file, TCTab& table, std::string& problem)
{
    problem.clear();
    try {
        if (StructureFileKindOf(file) == StructureFileKind::Molfile)
            return false; // a V2000 file that failed the format test
        return FirstStructure(file, table, problem);
    } catch (const IoError& error) {
        problem = error.Problem();
        return false;
    }
}

bool Workbench::PasteSmiles()
{
    if (!StructureFormatsAvailable()) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", kStructureFormatsUnavailable, MessageButtons::Ok);
        return false;
    }
    const auto text = m_dialog.AskText("Paste SMILES", "SMILES of the query structure:");
    if (!text)
        return false;
    const auto first = text->find_first_not_of(" \t\r\n");
    const std::string smiles =
        first == std::string::npos ? std::string() : text->substr(first, text->find_last_not_of(" \t\r\n") - first + 1);
    return LoadQuerySmiles(smiles);
}

bool Workbench::LoadQuerySmiles(const std::string& smiles)
{
    TCTab table;
    std::string problem = kStructureFormatsUnavailable;
    if (StructureFormatsAvailable())
        problem = StructureFromSmiles(smiles, table);
    if (!problem.empty()) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "The SMILES cannot be used as a query.", MessageButtons::Ok,
                             problem);
        return false;
    }
    table.FStrucName = smiles.substr(0, 80);
    m_state.Query.Assign(table);
    m_state.QueryLoaded = true;
    m_state.QueryDrawn = false;
    m_state.QueryFileName.clear();
    m_querySet.reset();
    InvalidateResults();
    return true;
}

void Workbench::SetDrawnQuery(const TCTab& structure)
{
    m_state.Query.Assign(structure);
    m_state.QueryLoaded = true;
    m_state.QueryDrawn = true;
    m_state.QueryFileName.clear();
    m_querySet.reset();
    InvalidateResults();
}

bool Workbench::SaveQuery(const std::optional<std::string>& file)
{
    auto chosen = file ? file : m_dialog.ChooseFile(FileDialogKind::Save, "Save Structure", "Molfile (*.mol)|*.mol", "");
    if (!chosen)
        return false;
    if (std::filesystem::path(*chosen).extension().empty())
        chosen = *chosen + ".mol";
    // The query is one molfile record: it never goes onto a structure library or its files.
    std::optional<std::string> library = OwningLibrary(*chosen);
    for (const std::string& read : {m_state.LibraryOpen ? m_state.LibraryFileName : std::string(), m_state.QueryFileName})
        if (!library && !read.empty() && HasLibraryExtension(read) && LibraryFileAt(read, *chosen))
            library = read;
    if (library) {
        m_dialog.ShowMessage(MessageKind::Error, "Error",
                             "The structure is saved as a molfile (.mol);\rit cannot replace a structure library or "
                             "one of its files.",
                             MessageButtons::Ok, *chosen + " belongs to the library " + *library);
        return false;
    }
    TextWriter::Mode mode = TextWriter::Mode::Truncate;
    if (std::filesystem::exists(*chosen)) {
        switch (m_dialog.ShowMessage(MessageKind::Confirmation, "Information", "File already exists",
                                     MessageButtons::ReplaceAppendAbort)) {
        case MessageAnswer::Replace: break;
        case MessageAnswer::Append: mode = TextWriter::Mode::Append; break;
        default: return false;
        }
    }
    FileRollback rollback(*chosen, mode == TextWriter::Mode::Append ? FileRollback::Mode::Append : FileRollback::Mode::New);
    TextWriter writer(*chosen, mode);
    const TCTab& query = m_state.QueryDrawn ? YUpLayout(m_state.Query) : m_state.Query;
    WriteMolRecord(query, writer, "ZW", query.FStrucName.substr(0, 8), 0, "");
    writer.Close();
    rollback.Keep();
    return true;
}

void Workbench::SetIntroMode()
{
    m_state.Mode = DescriptorMode::Intro;
    m_choice.SetAvailability(DescriptorMode::Intro);
    if (m_state.LibraryOpen)
        LoadLibraryParameters();
    m_selection.FillSetList();
    auto context = Context();
    m_selection.DeselectAll(context);
    m_state.DescriptorsChosen = false;
}

bool Workbench::SetNormalMode()
{
    // A library without descriptor file needs one first; the user may decline.
    const bool build = m_state.LibraryOpen && !DescriptorFilesTrusted();
    if (build && m_dialog.ShowMessage(MessageKind::Information, "Information",
                                      "Do you really want to calculate all\rdescriptor-values now ???? \rIt could take a long time",
                                      MessageButtons::OkCancel) != MessageAnswer::Ok)
        return false;
    const DescriptorMode before = m_state.Mode;
    m_state.Mode = DescriptorMode::Normal;
    m_choice.SetAvailability(DescriptorMode::Normal);
    if (build) {
        // Without a complete descriptor file NORMAL mode cannot search: an abort or a failure
        // returns to the mode before, whose parameters are still in use.
        auto restore = [&] {
            m_state.Mode = before;
            m_choice.SetAvailability(before);
        };
        ParameterRun run;
        try {
            run = BuildDescriptors();
        } catch (...) {
            restore();
            throw;
        }
        if (!run.completed) {
            restore();
            m_dialog.ShowMessage(MessageKind::Information, "Information",
                                 "The descriptor file was not completed.\rThe program stays in the INTRO MODE .",
                                 MessageButtons::Ok);
            return false;
        }
    }
    if (m_state.LibraryOpen)
        LoadLibraryParameters();
    return true;
}

void Workbench::CalculateLibraryParameters()
{
    if (!m_state.LibraryOpen)
        return;
    m_state.AbortRequested = false;
    m_state.LibraryCount = CountLibraryRecords(m_state.LibraryFileName);
    if (m_state.Mode == DescriptorMode::Intro) {
        if (ComputeIntroParameters(m_library, m_state.LibraryFileName, m_parameters, m_statistics, m_progress,
                                   m_dialog)
                .completed)
            m_state.ParametersAvailable = true;
        return;
    }
    if (m_dialog.ShowMessage(MessageKind::Information, "Information",
                             "Do you really want to calculate all descriptor-values now ???? \rIt could take a long time",
                             MessageButtons::OkCancel) == MessageAnswer::Ok)
        BuildDescriptors();
}

void Workbench::LoadLibraryParameters()
{
    const bool intro = m_state.Mode == DescriptorMode::Intro;
    const std::string file = CompanionFileName(m_state.LibraryFileName, intro ? "idr" : "idp");
    if (std::filesystem::exists(file)) {
        m_parameters.Clear();
        m_state.ParametersAvailable = false;
        m_parameters.Read(file, intro ? 34 : 153, ParameterFileLines(m_state.Mode));
        if (CompanionTrusted(intro ? "idr" : "idp")) {
            if (intro)
                m_state.ParametersAvailable = true;
            return;
        }
    }
    // No parameters of this library: none of another library may stay in use.
    m_parameters.Clear();
    // A set's NORMAL mode parameters come from its members' descriptor files in one reading pass:
    // made without asking, as a library's come with its descriptor file.
    if (!intro && IsLibrarySetName(m_state.LibraryFileName) && DescriptorFilesTrusted()) {
        ComputeSetDescriptorParameters(m_state.LibraryFileName, m_parameters, m_statistics, m_progress, m_dialog);
        return;
    }
    const MessageAnswer answer = m_dialog.ShowMessage(
        MessageKind::Confirmation, "Confirmation",
        "No mean and standard deviations of library available\rDo you want to calculate the libraryparameters now ?",
        MessageButtons::OkNo);
    if (answer == MessageAnswer::Ok && intro) {
        m_state.ParametersAvailable =
            ComputeIntroParameters(m_library, m_state.LibraryFileName, m_parameters, m_statistics, m_progress, m_dialog)
                .completed;
        return;
    }
    m_state.ParametersAvailable = false;
}

void Workbench::LibraryOpened()
{
    // A relative name means the folder current now, whatever the folder is later.
    m_openedLibrary = {m_state.LibraryFileName, FullPath(m_state.LibraryFileName)};
    m_state.LibraryOpen = true;
    m_state.Mode = DescriptorMode::Normal;
    m_choice.SetAvailability(DescriptorMode::Normal);
    m_state.LibraryCount = CountLibraryRecords(m_state.LibraryFileName);
    m_state.BestCount = m_state.LibraryCount > 50 ? 50 : static_cast<int>(std::max(1L, m_state.LibraryCount));
    m_selection.FillSetList();
    auto context = Context();
    m_selection.DeselectAll(context);
    m_state.DescriptorsChosen = false;
    m_hasResults = false;
    m_resultLock.reset();
    m_results = SearchResults{};
    m_state.BackPage = 0;
    m_distrustReported.clear();
    m_resultMembers.clear();
    // Found out just before by the opening of a set, or now.
    const bool trusted = m_openedSetDescriptors ? *m_openedSetDescriptors : DescriptorFilesTrusted();
    m_openedSetDescriptors.reset();
    if (!trusted) {
        m_state.Mode = DescriptorMode::Intro;
        m_choice.SetAvailability(DescriptorMode::Intro);
        m_dialog.ShowMessage(MessageKind::Information, "Information", kIntroModeNotice, MessageButtons::Ok);
    }
}

void Workbench::CloseLibrary()
{
    m_resultLock.reset();
    m_library.ReleaseFiles();
    m_state.LibraryOpen = false;
    m_state.LibraryFileName.clear();
    m_state.LibraryCount = 0;
    m_state.ParametersAvailable = false;
    m_state.DescriptorsChosen = false;
    m_parameters.Clear();
    m_hasResults = false;
    m_results = SearchResults{};
    m_state.BackPage = 0;
}

void Workbench::InvalidateResults()
{
    m_hasResults = false;
    m_state.BackPage = 0;
}

bool Workbench::ChooseDescriptors()
{
    if (m_state.Mode == DescriptorMode::Intro && !m_state.ParametersAvailable) {
        m_dialog.ShowMessage(MessageKind::Information, "Information", kIntroParametersMissing, MessageButtons::Ok);
        return false;
    }
    return true;
}

void Workbench::DescriptorDialogClosed()
{
    m_selection.Refresh(m_choice);
    m_state.DescriptorsChosen = m_selection.ChosenCount() > 0;
}

bool Workbench::SetBestCount(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    const std::string trimmed = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    long long value = 0;
    const char* begin = trimmed.data();
    if (!trimmed.empty() && trimmed[0] == '+')
        ++begin;
    const auto [ptr, ec] = std::from_chars(begin, trimmed.data() + trimmed.size(), value);
    if (trimmed.empty() || ptr != trimmed.data() + trimmed.size() || ec == std::errc::invalid_argument) {
        m_dialog.ShowMessage(MessageKind::Information, "Information", "I want an integer-value\rPlease give it to me !!!",
                             MessageButtons::Ok);
        return false;
    }
    if (ec == std::errc::result_out_of_range || value <= 0 || value >= 201) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", "Out of range\rChoose values between 0 and 200",
                             MessageButtons::Ok);
        return false;
    }
    m_state.BestCount = static_cast<int>(value);
    return true;
}

void Workbench::SetCoefficient(int index)
{
    if (index >= 0 && index < kCoefficientCount)
        m_state.CoefficientIndex = index;
}

bool Workbench::ComputeQueryVector()
{
    const auto values = ComputeDescriptorValues(m_state.Query);
    for (int i : m_participating)
        m_queryVector[static_cast<std::size_t>(i)] = m_parameters.Scale(i, values[static_cast<std::size_t>(i)]);
    return true;
}

std::vector<DescriptorPart> Workbench::CheckSearchCompanions(const std::string& descriptorFile)
{
    const bool normal = m_state.Mode == DescriptorMode::Normal;
    const bool set = IsLibrarySetName(m_state.LibraryFileName);
    std::vector<DescriptorPart> parts; // a set's members' descriptor files, each checked as a library's
    if (normal && set)
        parts = SetDescriptorParts(LibrarySet::Read(m_state.LibraryFileName));
    else if (normal)
        CheckDescriptorFile(descriptorFile, m_state.LibraryCount);
    // Files made from another state of the library would rank other values without a word.
    const std::string companion = normal ? "pre" : "idr";
    if ((normal && !set) || (!normal && std::filesystem::exists(CompanionFileName(m_state.LibraryFileName, companion))))
        if (const std::string mismatch = CompanionMismatch(m_state.LibraryFileName, companion, false); !mismatch.empty())
            throw IoError(CompanionFileName(m_state.LibraryFileName, companion),
                          mismatch + (normal ? "; calculate the descriptor values again to rebuild it"
                                             : "; calculate the library parameters again to rebuild it"));
    return parts;
}

ComparisonSetup Workbench::SearchSetup()
{
    ComparisonSetup setup;
    setup.descriptorFile = CompanionFileName(m_state.LibraryFileName, "pre");
    setup.parts = CheckSearchCompanions(setup.descriptorFile);
    setup.mode = m_state.Mode;
    setup.libraryName = m_state.LibraryFileName;
    setup.count = m_state.LibraryCount;
    setup.coefficient = m_state.CoefficientIndex;
    setup.chosenCount = m_selection.ChosenCount();
    setup.participating = m_participating;
    setup.parameters = m_parameters;
    setup.statistics = m_statistics;
    setup.ranges = m_filters.ranges;
    return setup;
}

std::unique_ptr<FilteredRanking> Workbench::StartFilteredRanking(bool smallerIsBetter)
{
    m_pendingFilterSummary = FilterSummary{};
    if (!m_filters.Any())
        return nullptr;
    std::shared_ptr<const StructureMatcher> matcher;
    if (m_filters.Structural()) {
        if (!StructureMatchingAvailable())
            throw IoError(m_state.LibraryFileName, kStructureMatchingUnavailable);
        matcher = RegisteredStructureMatching().compile(m_filters.smarts, m_filters.notSmarts, m_filters.alerts);
    }
    return std::make_unique<FilteredRanking>(m_filters, std::move(matcher), m_state.CoefficientIndex, m_state.BestCount,
                                             std::filesystem::path(m_state.LibraryFileName).parent_path().string(),
                                             0, smallerIsBetter);
}

SearchOutcome Workbench::CompareAll(const std::string& resultFile, SearchResults& results, bool& histogramDone)
{
    const bool normal = m_state.Mode == DescriptorMode::Normal;
    ComparisonSetup setup = SearchSetup();
    const std::string descriptorFile = setup.descriptorFile;
    TextWriter out(resultFile);
    const bool vectorOk = ComputeQueryVector();
    setup.query = m_queryVector;
    std::unique_ptr<FilteredRanking> filtered = StartFilteredRanking(SmallerIsBetter(m_state.CoefficientIndex));
    ChunkedComparison comparison(setup, ThreadCount(), kSearchChunk);
    BestRanking ranking(m_state.CoefficientIndex, m_state.BestCount);
    m_progress.Start(ProgressKind::Comparison, "Compare Structures:", m_state.LibraryCount);
    SearchOutcome outcome = SearchOutcome::Completed;
    if (!vectorOk)
        outcome = SearchOutcome::CalculationError;
    long lastLine = 0;    // the last structure with a result line
    long lastAttempt = 0; // the last structure read
    // The chunks arrive in library order; progress, abort and the lines are taken per structure,
    // as if each were computed here.
    while (outcome == SearchOutcome::Completed) {
        const ComparedChunk* chunk = comparison.Next();
        if (!chunk)
            break;
        long done = chunk->first - 1; // the last structure whose line (if any) is written
        std::size_t value = 0;
        for (long k = chunk->first; k <= chunk->last; ++k) {
            m_state.StructureCounter = k;
            if (k % 100 == 0) {
                m_progress.Step(k);
                if (m_progress.Poll() == ProgressRequest::Abort)
                    m_state.AbortRequested = true;
            }
            if (chunk->error && k == chunk->errorAt) {
                out.Write(std::string_view(chunk->text).substr(0, chunk->LineStart(k)));
                std::rethrow_exception(chunk->error);
            }
            if (k == chunk->failedAt) {
                lastAttempt = k;
                m_failureDetail = normal ? descriptorFile + ": structure " + std::to_string(k) +
                                               ": no descriptor record (the file ends early)"
                                         : m_state.LibraryFileName + ": " +
                                               LibraryReadProblem(m_state.LibraryFileName, chunk->failure, k);
                for (const DescriptorPart& part : setup.parts)
                    if (normal && k >= part.first && k < part.first + part.count)
                        m_failureDetail = part.file + ": structure " + std::to_string(k - part.first + 1) +
                                          ": no descriptor record (the file ends early; structure " +
                                          std::to_string(k) + " of the set)";
                outcome = SearchOutcome::ReadError;
                break;
            }
            done = lastAttempt = k;
            if (chunk->HasLine(k)) {
                if (filtered)
                    filtered->Offer(k, chunk->values[value], chunk->rangeFailures.empty() ? -1 : chunk->rangeFailures[value]);
                else
                    ranking.Offer(k, chunk->values[value]);
                ++value;
                lastLine = k;
            }
            if (m_state.AbortRequested && k < m_state.LibraryCount) {
                outcome = SearchOutcome::Aborted;
                break;
            }
        }
        out.Write(std::string_view(chunk->text).substr(0, done >= chunk->first ? chunk->LineEnd(done) : 0));
    }
    comparison.Stop();
    // The library vector, the accumulator and (INTRO mode) the library structure end as the last
    // structure left them.
    if (lastLine > 0 || (!normal && lastAttempt > 0)) {
        StructureComparer replay(setup, &m_library);
        if (lastLine > 0) {
            ComparedChunk last;
            replay.Compute(lastLine, lastLine, last);
            if (last.error)
                std::rethrow_exception(last.error);
            for (int i : m_participating)
                m_libraryVector[static_cast<std::size_t>(i)] = replay.Vector()[static_cast<std::size_t>(i)];
            m_statistics = replay.Statistics();
        }
        if (!normal && lastAttempt != lastLine)
            m_library.ReadLibraryRecord(m_state.LibraryFileName, lastAttempt);
    }
    out.Close();
    m_progress.Finish();
    histogramDone = false;
    if (outcome == SearchOutcome::Completed) {
        if (!filtered)
            results = std::move(ranking.Results());
        else if (!filtered->Finish(m_state.LibraryFileName, m_progress, results, m_pendingFilterSummary))
            return SearchOutcome::Aborted;
        const ValueTally& tally = comparison.MergedTally();
        if (!tally.Overflowed()) {
            tally.FillHistogram(results);
            histogramDone = true;
        }
    }
    return outcome;
}

std::string Workbench::ChooseResultLibraryName(const std::string& library)
{
    // The result library never shares a file with the searched one, however it is spelled.
    std::vector<std::string> read{library}; // a set's members are read too
    if (IsLibrarySetName(library))
        try {
            for (const LibrarySetEntry& entry : ReadLibrarySetList(library))
                read.push_back(entry.path);
        } catch (const IoError&) {
        }
    auto ofLibrary = [&](const std::string& name) {
        return std::any_of(read.begin(), read.end(), [&](const std::string& lib) {
            return LibraryFileAt(lib, name) || LibraryFileAt(lib, IndexFileName(name));
        });
    };
    std::string usual = ResultLibraryName(library);
    while (ofLibrary(usual))
        usual = usual.substr(0, usual.size() - 4) + "SIM.clb";
    // A name is free when nothing of a library is there, or an earlier result library (its stamp
    // fits it); a user's own library of that name is never replaced.
    auto taken = [&](const std::string& name) {
        const bool there = std::filesystem::exists(name) || std::filesystem::exists(ExistingIndexFileName(name));
        return ofLibrary(name) || (there && !CompanionMismatch(name, "clb").empty());
    };
    // Nor is one another program reads or writes now. The name chosen stays locked for reading
    // while its results are shown, so that no other search replaces them meanwhile.
    m_resultLock.reset();
    std::string name = usual;
    bool inUse = false;
    for (int n = 2;; ++n) {
        if (!taken(name)) {
            try {
                { const LibraryLock writing(name, LibraryWork::SearchResult); }
                m_resultLock = std::make_unique<LibraryLock>(name, LibraryWork::Read);
                break;
            } catch (const LibraryBusy&) {
                inUse = inUse || name == usual;
            }
        }
        name = usual.substr(0, usual.size() - 4) + std::to_string(n) + ".clb";
    }
    if (name != usual)
        m_dialog.ShowMessage(MessageKind::Warning, "Warning",
                             usual + (inUse ? " is in use by another program" : " is a library this program's searches did not make") +
                                 "; it stays as it is.\rThe best matches are written to " + name + " instead.",
                             MessageButtons::Ok);
    return name;
}

SearchOutcome Workbench::RunSearch()
{
    if (!CalculateEnabled())
        return SearchOutcome::NotStarted;
    if (m_state.Mode == DescriptorMode::Intro && !m_state.ParametersAvailable) {
        m_dialog.ShowMessage(MessageKind::Information, "Information", kIntroParametersMissing, MessageButtons::Ok);
        return SearchOutcome::NotStarted;
    }
    if (m_selection.ChosenCount() < CoefficientInfo(m_state.CoefficientIndex).fewestChosen) {
        m_dialog.ShowMessage(MessageKind::Error, "Error",
                             "It makes no sense to determine the correlation coefficient\rwith too less points!\r"
                             "Choose a different similarity coefficient or use at least 3 descriptors.",
                             MessageButtons::Ok);
        return SearchOutcome::NotStarted;
    }
    m_selection.Refresh(m_choice);
    m_participating.clear();
    m_leftOut.clear();
    for (int i = 0; i < kCatalogueSize; ++i)
        if (m_choice.TakesPart(i))
            (m_parameters.StdDev[static_cast<std::size_t>(i)] == 0.0 ? m_leftOut : m_participating).push_back(i);
    if (!m_leftOut.empty()) {
        std::string names;
        for (int i : m_leftOut)
            names += (names.empty() ? "" : ", ") + CatalogueName(i);
        if (m_participating.empty()) {
            m_dialog.ShowMessage(MessageKind::Error, "Error",
                                 "None of the chosen descriptors can tell the structures of this library apart:\r" +
                                     names + "\rEvery structure has the same value (or the library has no parameters "
                                             "for it), so the search does not start.",
                                 MessageButtons::Ok);
            return SearchOutcome::NotStarted;
        }
        m_dialog.ShowMessage(MessageKind::Warning, "Warning",
                             "These chosen descriptors have the same value in every structure of this library\r"
                             "(or the library has no parameters for them) and take no part in the comparison:\r" +
                                 names,
                             MessageButtons::Ok);
    }

    // No program writes the library while it is searched. Another may have changed it since it
    // was opened: its parameters and count would then belong to another library state.
    const LibraryLock lock(m_state.LibraryFileName, LibraryWork::Search);
    m_library.ReleaseFiles();
    if (const long now = CountLibraryRecords(m_state.LibraryFileName); now != m_state.LibraryCount) {
        m_dialog.ShowMessage(MessageKind::Error, "Error",
                             "The library has changed since it was opened (" + std::to_string(m_state.LibraryCount) +
                                 " structures then, " + std::to_string(now) + " now).\rOpen it again to search it.",
                             MessageButtons::Ok, m_state.LibraryFileName);
        return SearchOutcome::NotStarted;
    }
    const std::string resultFile = SearchScratchFileName(m_state.LibraryFileName);
    const bool set = IsLibrarySetName(m_state.LibraryFileName);
    m_failureDetail.clear();
    m_state.StartTime = ClockNow();
    m_state.AbortRequested = false;
    m_state.StructureCounter = 0;
    SearchOutcome outcome = SearchOutcome::Completed;
    try {
        SearchResults results;
        bool histogramDone = false;
        if (m_querySet)
            outcome = CompareQuerySet(resultFile, results);
        else
            outcome = CompareAll(resultFile, results, histogramDone);
        histogramDone = histogramDone || m_querySet;
        if (outcome == SearchOutcome::Completed) {
            // Ranked while comparing; the histogram is counted then too unless the values were too
            // many to hold.
            m_progress.Start(ProgressKind::Ranking, "Search of the best:", 0);
            m_progress.Start(ProgressKind::ResultLibrary, "Please wait ...", 0);
            if (!histogramDone)
                BuildHistogram(resultFile, results);
            // The result library never shares a file with the searched one, however it is spelled.
            const std::string similar = ChooseResultLibraryName(m_state.LibraryFileName);
            m_state.SimilarLibraryFileName = similar;
            long failedPosition = 0;
            const int written = WriteResultLibrary(m_library, m_state.LibraryFileName, similar, results, &failedPosition);
            m_progress.Finish();
            if (written != kLibOk && failedPosition > 0) {
                m_failureDetail = m_state.LibraryFileName + ": " +
                                  LibraryReadProblem(m_state.LibraryFileName, written, failedPosition);
                outcome = SearchOutcome::ReadError;
            } else if (written != kLibOk) {
                const std::string folder = FolderProblem(similar);
                throw IoError(similar, "cannot write the result library: " +
                                           (folder.empty() ? "code " + std::to_string(written) : folder));
            } else {
                m_results = std::move(results);
                m_resultMembers.clear();
                for (int rank = 1; set && rank <= m_results.filled; ++rank)
                    m_resultMembers.push_back(MemberNameAt(m_state.LibraryFileName, m_results.StructureAt(rank)));
                m_filterSummary = std::move(m_pendingFilterSummary);
                m_resultSet = m_querySet;
                m_hasResults = true;
                m_printEnabled = true;
                m_state.EndTime = ClockNow();
            }
        }
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(resultFile, ec);
        throw;
    }
    std::error_code ec;
    std::filesystem::remove(resultFile, ec);
    if (outcome != SearchOutcome::Completed)
        m_printEnabled = false;
    if (outcome == SearchOutcome::ReadError)
        m_dialog.ShowMessage(MessageKind::Error, "Error", "Read Library ERROR\rCalculation aborted", MessageButtons::Ok,
                             m_failureDetail);
    else if (outcome == SearchOutcome::CalculationError)
        m_dialog.ShowMessage(MessageKind::Error, "Error", "Calculation ERROR\rCalculation aborted", MessageButtons::Ok);
    return outcome;
}

std::optional<LiveSearchSetup> Workbench::LiveSetup()
{
    // The drawing is the query: none needs to be loaded.
    if (!m_state.DescriptorsChosen || !m_state.LibraryOpen || m_state.Mode != DescriptorMode::Normal ||
        m_state.LibraryCount <= 0 || IsLibrarySetName(m_state.LibraryFileName)) // maps one descriptor file
        return std::nullopt;
    m_selection.Refresh(m_choice);
    if (m_state.CoefficientIndex == kCorrelation && m_selection.ChosenCount() <= 2)
        return std::nullopt;
    auto comparison = std::make_shared<ComparisonSetup>();
    ComparisonSetup& setup = *comparison;
    // The descriptors that take part as RunSearch chooses them.
    for (int i = 0; i < kCatalogueSize; ++i)
        if (m_choice.TakesPart(i) && m_parameters.StdDev[static_cast<std::size_t>(i)] != 0.0)
            setup.participating.push_back(i);
    if (setup.participating.empty())
        return std::nullopt;
    setup.mode = m_state.Mode;
    setup.libraryName = m_state.LibraryFileName;
    setup.descriptorFile = CompanionFileName(m_state.LibraryFileName, "pre");
    setup.count = m_state.LibraryCount;
    setup.coefficient = m_state.CoefficientIndex;
    setup.chosenCount = m_selection.ChosenCount();
    setup.parameters = m_parameters;
    setup.statistics = m_statistics;
    LiveSearchSetup live;
    live.comparison = std::move(comparison);
    live.bestCount = m_state.BestCount;
    return live;
}

void Workbench::ResetAll()
{
    m_state = SearchState{};
    m_querySet.reset();
    m_resultSet.reset();
    m_choice.SetAvailability(DescriptorMode::Normal);
    auto context = Context();
    m_selection.DeselectAll(context);
    m_hasResults = false;
    m_resultLock.reset();
    m_results = SearchResults{};
    m_filterSummary = FilterSummary{};
    m_printEnabled = false;
    m_parameters.Clear();
}

std::vector<std::string> Workbench::DescriptorLines() const
{
    return PackDescriptorLines(m_selection.ChosenNames(), kScreenDescriptorLines, kScreenDescriptorLimit,
                               kScreenDescriptorLimit);
}

std::vector<std::pair<std::string, std::string>> Workbench::ReportInput() const
{
    std::vector<std::pair<std::string, std::string>> input;
    input.emplace_back("Libraryname     :", m_state.LibraryFileName);
    const auto lines = DescriptorLines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        input.emplace_back(i == 0 ? "Descriptors      :" : "", lines[i]);
    input.emplace_back("Best structures:", std::to_string(ResultBestCount()));
    input.emplace_back("Similarity coeff :", CoefficientName(m_results.coefficient));
    if (m_hasResults && m_resultSet) {
        input.emplace_back("Query set        :", m_resultSet->file);
        input.emplace_back("", FusionRuleText(m_results.fusion, m_results.queries));
    }
    for (auto& line : m_filterSummary.ReportLines())
        input.push_back(std::move(line));
    return input;
}

std::vector<ReportRow> Workbench::ReportRows()
{
    std::vector<ReportRow> rows;
    if (!m_hasResults)
        return rows;
    for (int rank = 1; rank <= m_results.filled; ++rank)
        rows.push_back(ReadResultStructure(rank).row);
    return rows;
}

} // namespace velmora
