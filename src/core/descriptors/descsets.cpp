#include "descriptors/descsets.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/textfile.h"
#include "descriptors/augatoms.h"
#include "descriptors/descfiles.h"
#include "io/libfiles.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace velmora {

namespace {

std::string ParameterFile(const std::string& libraryName, DescriptorMode mode)
{
    return LibraryCompanionName(libraryName, mode == DescriptorMode::Intro ? "idr" : "idp");
}

bool Blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// "K rest": a whole number K >= 0 after optional blanks, and the rest of the line.
bool SplitCount(const std::string& line, long long& count, std::string& rest)
{
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const char* begin = line.data() + first;
    const char* end = line.data() + line.size();
    const auto [ptr, ec] = std::from_chars(begin, end, count);
    if (ec != std::errc() || count < 0 || (ptr < end && *ptr != ' ' && *ptr != '\t'))
        return false;
    rest.assign(ptr, end);
    return true;
}

} // namespace

std::string SetNameProblem(const std::string& name)
{
    if (name.empty())
        return "A descriptor set needs a name.";
    if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 32 || c == 127; }))
        return "A set name cannot hold line breaks, tabs or other control characters.";
    if (Blank(name))
        return "A set name cannot be blank.";
    return {};
}

std::string TrimSetName(const std::string& name)
{
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

int FindSetName(const std::vector<std::string>& names, const std::string& name)
{
    const std::string wanted = TrimSetName(name);
    for (std::size_t i = 1; i < names.size(); ++i)
        if (TrimSetName(names[i]) == wanted)
            return static_cast<int>(i);
    return 0;
}

// The file as far as it can be read: the sets with readable headers and positions; every other
// line is skipped and named in problems (by its number, never by its bytes).
struct DescriptorSetFile::Parsed {
    struct Set {
        std::string name;
        std::string headerRest;         // the header after its count, as it stands
        std::vector<std::string> lines; // the readable position lines as they stand
        std::vector<int> positions;
    };
    std::string firstRest = std::string(" ") + kNoDescriptorSet;
    std::vector<Set> sets;
    std::vector<std::string> trailing; // lines after the counted sets
    std::vector<std::string> problems;
    std::string failure; // why the file could not be read to its end; it is then never rewritten
};

DescriptorSetFile::Parsed DescriptorSetFile::Parse() const
{
    Parsed parsed;
    if (!std::filesystem::exists(m_path))
        return parsed;
    std::vector<std::string> lines;
    try {
        for (TextReader reader(m_path); !reader.Eof();)
            lines.push_back(reader.ReadLine());
    } catch (const IoError& error) {
        parsed.failure = error.what();
        parsed.problems.push_back(parsed.failure);
    }
    const std::string file = std::filesystem::path(m_path).filename().string();
    auto problem = [&](std::size_t line, const std::string& what) {
        parsed.problems.push_back(file + " line " + std::to_string(line + 1) + ": " + what + ", skipped");
    };
    long long declared = -1; // unknown
    std::size_t i = 0;
    if (!lines.empty()) {
        if (!SplitCount(lines[0], declared, parsed.firstRest)) {
            problem(0, "no number of sets");
            declared = -1;
            parsed.firstRest = std::string(" ") + kNoDescriptorSet;
        }
        i = 1;
    }
    for (; i < lines.size() && (declared < 0 || static_cast<long long>(parsed.sets.size()) < declared); ++i) {
        long long count = 0;
        std::string rest;
        if (Blank(lines[i]))
            continue;
        if (!SplitCount(lines[i], count, rest) || !SetNameProblem(TrimSetName(rest)).empty()) {
            problem(i, "unreadable set name");
            continue;
        }
        Parsed::Set set;
        set.name = TrimSetName(rest);
        set.headerRest = rest;
        for (long long k = 0; k < count && i + 1 < lines.size(); ++k) {
            const std::string& line = lines[++i];
            long long position = -1;
            std::string tail;
            if (Blank(line)) {
                --k;
                continue;
            }
            if (!SplitCount(line, position, tail) || !Blank(tail) || position >= kDescriptorCount) {
                problem(i, "not a descriptor position");
                continue;
            }
            set.lines.push_back(line);
            set.positions.push_back(static_cast<int>(position));
        }
        parsed.sets.push_back(std::move(set));
    }
    parsed.trailing.assign(lines.begin() + static_cast<long>(std::min(i, lines.size())), lines.end());
    return parsed;
}

void DescriptorSetFile::Rewrite(const Parsed& parsed, std::size_t skip) const
{
    if (!parsed.failure.empty())
        throw IoError(m_path, "not rewritten, as it cannot be read to its end (" + parsed.failure + ")");
    // Written whole beside the file and renamed over it, so a failure never leaves half a file.
    FileRollback rollback(m_temporary, FileRollback::Mode::New);
    try {
        TextWriter dum(m_temporary);
        const std::size_t kept = parsed.sets.size() - (skip < parsed.sets.size() ? 1 : 0);
        dum.WriteLine(std::to_string(kept) + parsed.firstRest);
        for (std::size_t s = 0; s < parsed.sets.size(); ++s) {
            if (s == skip)
                continue;
            const auto& set = parsed.sets[s];
            dum.WriteLine(std::to_string(set.lines.size()) + set.headerRest);
            for (const auto& line : set.lines)
                dum.WriteLine(line);
        }
        if (skip >= parsed.sets.size())
            for (const auto& line : parsed.trailing)
                dum.WriteLine(line);
        dum.Close();
    } catch (const IoError& error) {
        throw IoError(m_path, error.Problem()); // the file the user knows, not the one beside it
    }
    std::error_code error;
    std::filesystem::rename(m_temporary, m_path, error);
    if (error)
        throw IoError(m_path, "cannot write the file: " + error.message());
    rollback.Keep();
}

DescriptorSetFile::DescriptorSetFile(std::string directory)
    : m_path(directory + "/crits.txt"), m_temporary(directory + "/crits.dum")
{
}

DescriptorSetFile DescriptorSetFile::AtPath(const std::string& file)
{
    DescriptorSetFile sets{std::string()};
    sets.m_path = file;
    sets.m_temporary = LibraryCompanionName(file, "dum");
    if (sets.m_temporary == file)
        sets.m_temporary = file + ".dum";
    return sets;
}

std::vector<std::string> DescriptorSetFile::ReadNames(std::vector<std::string>* problems) const
{
    const Parsed parsed = Parse();
    std::vector<std::string> names{kNoDescriptorSet};
    for (const auto& set : parsed.sets)
        names.push_back(set.name);
    if (problems)
        *problems = parsed.problems;
    return names;
}

std::vector<int> DescriptorSetFile::ReadSet(int number) const
{
    const Parsed parsed = Parse();
    if (number < 1 || number > static_cast<int>(parsed.sets.size()))
        return {};
    return parsed.sets[static_cast<std::size_t>(number - 1)].positions;
}

void DescriptorSetFile::Append(const std::string& name, const std::vector<int>& positions) const
{
    const std::string problem = SetNameProblem(name);
    if (!problem.empty())
        throw IoError(m_path, problem);
    const std::string trimmed = TrimSetName(name);
    Parsed parsed = Parse();
    if (trimmed == kNoDescriptorSet ||
        std::any_of(parsed.sets.begin(), parsed.sets.end(), [&](const Parsed::Set& set) { return set.name == trimmed; }))
        throw IoError(m_path, "a descriptor set is named \"" + trimmed + "\" already");
    // The new set follows the counted ones; lines after them stay behind it.
    Parsed::Set set;
    set.name = trimmed;
    set.headerRest = " " + trimmed;
    for (int position : positions)
        set.lines.push_back(std::to_string(position));
    parsed.sets.push_back(std::move(set));
    Rewrite(parsed, parsed.sets.size());
}

void DescriptorSetFile::Remove(int number) const
{
    const Parsed parsed = Parse();
    if (number < 1 || number > static_cast<int>(parsed.sets.size()))
        throw IoError(m_path, "there is no set number " + std::to_string(number));
    Rewrite(parsed, static_cast<std::size_t>(number - 1));
}

bool LibraryCheck(const std::string& libraryName, DescriptorMode mode, int catalogueIndex)
{
    if (catalogueIndex < 0 || catalogueIndex > 151)
        return false;
    const std::string file = ParameterFile(libraryName, mode);
    if (!std::filesystem::exists(file))
        return false;
    return ReadParameterFile(file, ParameterFileLines(mode))[static_cast<std::size_t>(catalogueIndex)].second > 0.0;
}

DescriptorSelection::DescriptorSelection(std::string critsDirectory) : m_file(std::move(critsDirectory))
{
    FillSetList();
}

std::vector<int> DescriptorSelection::ChosenPositions() const
{
    std::vector<int> positions;
    for (int p = 0; p < kDescriptorCount; ++p)
        if (m_chosen[static_cast<std::size_t>(p)])
            positions.push_back(p);
    return positions;
}

std::vector<std::string> DescriptorSelection::ChosenNames() const
{
    std::vector<std::string> names;
    for (int p : ChosenPositions())
        names.push_back(CatalogueName(CatalogueIndexOfPosition(p + 1)));
    return names;
}

int DescriptorSelection::ChosenCount() const { return static_cast<int>(ChosenPositions().size()); }

void DescriptorSelection::UseSetFile(const std::string& path)
{
    m_file = DescriptorSetFile::AtPath(path);
    FillSetList();
}

void DescriptorSelection::FillSetList()
{
    m_setNames = m_file.ReadNames(&m_fileProblems);
    m_currentSet = 0;
}

bool DescriptorSelection::ReloadSetList()
{
    const std::vector<std::string> before = m_setNames;
    const int current = m_currentSet;
    const std::string currentName = m_setNames.at(static_cast<std::size_t>(m_currentSet));
    m_setNames = m_file.ReadNames(&m_fileProblems);
    m_currentSet = current == 0 ? 0 : FindSetName(m_setNames, currentName);
    return m_setNames != before || m_currentSet != current;
}

bool DescriptorSelection::Check(int position, const SelectionContext& context) const
{
    return LibraryCheck(context.libraryName, context.mode, CatalogueIndexOfPosition(position + 1));
}

void DescriptorSelection::Warn(int position, const SelectionContext& context, UserDialog& dialog) const
{
    const int index = CatalogueIndexOfPosition(position + 1);
    const bool available = context.choice.DescAvailable[static_cast<std::size_t>(index)];
    const std::string text =
        available ? "This descriptor makes no sense with this library !\r"
                    "All structures in this library get the same value with\r"
                    "this descriptor .\r"
                    "Please choose a different one instead !"
                  : "This descriptor is not available in INTRO mode !\r"
                    "If you want to use it, you have to change to the NORMAL mode !\r"
                    "Change this setting in the MODE pulldownmenue .";
    dialog.ShowMessage(MessageKind::Warning, "Warning", text, MessageButtons::Ok);
}

void DescriptorSelection::ClickDescriptor(int position, SelectionContext& context, UserDialog& dialog)
{
    if (position < 0 || position >= kDescriptorCount)
        return;
    auto& item = m_chosen[static_cast<std::size_t>(position)];
    const bool was = item;
    item = !item;
    bool fits = false;
    try {
        fits = Check(position, context);
    } catch (...) { // a damaged parameter file: the choice stays as it was
        item = was;
        throw;
    }
    if (!fits) {
        Warn(position, context, dialog);
        item = false;
    }
    Refresh(context.choice);
}

void DescriptorSelection::ChooseSet(int index, SelectionContext& context, UserDialog& dialog)
{
    if (index < 0 || index >= static_cast<int>(m_setNames.size()))
        return;
    m_currentSet = index;
    m_chosen.fill(false);
    if (index > 0) {
        std::string failed;
        // By name: the set's number in the file may have changed since the list was read.
        const int number = FindSetName(m_file.ReadNames(), m_setNames[static_cast<std::size_t>(index)]);
        for (int position : m_file.ReadSet(number)) {
            m_chosen[static_cast<std::size_t>(position)] = true;
            bool fits = false;
            try {
                fits = Check(position, context);
            } catch (...) { // a damaged parameter file: no set is chosen
                m_chosen.fill(false);
                m_currentSet = 0;
                throw;
            }
            if (!fits) {
                m_chosen[static_cast<std::size_t>(position)] = false;
                failed += (failed.empty() ? "" : ", ") + CatalogueName(CatalogueIndexOfPosition(position + 1));
            }
        }
        if (!failed.empty()) {
            dialog.ShowMessage(MessageKind::Warning, "Warning",
                               "Your chosen criterium set includes criteria that makes no sense with your libraray !\r"
                               "Following criteria had been cut now from the origin criterium set:\r" +
                                   failed,
                               MessageButtons::Ok);
            m_currentSet = 0;
        }
    }
    Refresh(context.choice);
}

bool DescriptorSelection::Save(SelectionContext& context, UserDialog& dialog)
{
    (void)context;
    const auto positions = ChosenPositions();
    if (positions.empty())
        return false;
    const auto typed = dialog.AskText("Name this new criteriaset:", "");
    if (!typed)
        return false;
    if (const std::string problem = SetNameProblem(*typed); !problem.empty()) {
        dialog.ShowMessage(MessageKind::Warning, "Warning", problem + "\rPlease choose a different name .",
                           MessageButtons::Ok);
        return false;
    }
    // Against the file as it is now: another program may have saved a set meanwhile.
    ReloadSetList();
    const std::string name = TrimSetName(*typed);
    if (name == kNoDescriptorSet || FindSetName(m_setNames, name) != 0) {
        dialog.ShowMessage(MessageKind::Warning, "Warning",
                           "             This name still exists !\r"
                           "Please choose a different name or delete the old one .",
                           MessageButtons::Ok);
        return false;
    }
    m_file.Append(name, positions);
    m_setNames = m_file.ReadNames(&m_fileProblems);
    m_currentSet = FindSetName(m_setNames, name);
    return true;
}

bool DescriptorSelection::Delete(SelectionContext& context, UserDialog& dialog)
{
    if (m_currentSet == 0) {
        dialog.ShowMessage(MessageKind::Error, "Error",
                           "You can\xC2\xB4t delete this one\rThis is not a userdefined criteriaset",
                           MessageButtons::Ok);
        return false;
    }
    const std::string name = m_setNames[static_cast<std::size_t>(m_currentSet)];
    if (dialog.ShowMessage(MessageKind::Warning, "Warning", "Do you really want to delete \"" + name + "\" ?",
                           MessageButtons::OkCancel) != MessageAnswer::Ok)
        return false;
    // The set's number in the file as it is now: another program may have changed it meanwhile.
    const int number = FindSetName(m_file.ReadNames(), name);
    if (number != 0)
        m_file.Remove(number);
    FillSetList();
    ChooseSet(0, context, dialog);
    return number != 0;
}

void DescriptorSelection::DeselectAll(SelectionContext& context)
{
    m_currentSet = 0;
    m_chosen.fill(false);
    Refresh(context.choice);
}

void DescriptorSelection::AugAtomsOfMyMolecule(const TCTab& query, SelectionContext& context)
{
    const int first = ListPosition(kFirstAugIndex);
    const int last = ListPosition(kLastAugIndex);
    for (int position = first; position <= last; ++position) {
        bool keep = Check(position, context);
        if (keep) {
            const auto code = static_cast<std::int32_t>(DescriptorCode(CatalogueIndexOfPosition(position + 1)));
            keep = false;
            for (int a = 1; a <= query.NumValidAtoms && !keep; ++a)
                keep = AugCode(query, a) == code;
        }
        m_chosen[static_cast<std::size_t>(position)] = keep;
    }
    Refresh(context.choice);
}

bool DescriptorSelection::AugAtomsOfMyMolecule(const TCTab& query, SelectionContext& context, UserDialog& dialog)
{
    const int first = ListPosition(kFirstAugIndex);
    if (!context.choice.DescAvailable[static_cast<std::size_t>(kFirstAugIndex)]) {
        for (int position = first; position <= ListPosition(kLastAugIndex); ++position)
            m_chosen[static_cast<std::size_t>(position)] = false;
        Refresh(context.choice);
        Warn(first, context, dialog);
        return false;
    }
    AugAtomsOfMyMolecule(query, context);
    return true;
}

void DescriptorSelection::Refresh(DescriptorChoice& choice) const
{
    choice.DescSelected.fill(false);
    for (int p = 0; p < kDescriptorCount; ++p)
        if (m_chosen[static_cast<std::size_t>(p)])
            choice.DescSelected[static_cast<std::size_t>(CatalogueIndexOfPosition(p + 1))] = true;
}

} // namespace velmora
