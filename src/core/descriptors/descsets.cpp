#include "descriptors/descsets.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "descriptors/augatoms.h"
#include "descriptors/descfiles.h"

#include <cstdio>
#include <filesystem>

namespace velmora {

namespace {

std::string ParameterFile(const std::string& libraryName, DescriptorMode mode)
{
    const std::size_t keep = libraryName.size() >= 3 ? libraryName.size() - 3 : 0;
    return libraryName.substr(0, keep) + (mode == DescriptorMode::Intro ? "idr" : "idp");
}

// "K rest": the count and the rest of the line after one blank.
void ReadHeader(TextReader& reader, long long& count, std::string& rest)
{
    count = reader.ReadInteger();
    rest = reader.ReadLine();
}

std::string WithoutLeadingBlank(const std::string& text)
{
    return !text.empty() && text[0] == ' ' ? text.substr(1) : text;
}

void CopyFile(const std::string& from, const std::string& to)
{
    TextReader reader(from);
    TextWriter writer(to);
    while (!reader.Eof())
        writer.WriteLine(reader.ReadLine());
    writer.Close();
}

} // namespace

DescriptorSetFile::DescriptorSetFile(std::string directory) : m_directory(std::move(directory)) {}

std::string DescriptorSetFile::Path() const { return m_directory + "/crits.txt"; }
std::string DescriptorSetFile::TemporaryPath() const { return m_directory + "/crits.dum"; }

std::vector<std::string> DescriptorSetFile::ReadNames() const
{
    std::vector<std::string> names{kNoDescriptorSet};
    if (!std::filesystem::exists(Path()))
        return names;
    TextReader reader(Path());
    long long sets = 0;
    std::string rest;
    ReadHeader(reader, sets, rest);
    for (long long s = 0; s < sets && !reader.Eof(); ++s) {
        long long count = 0;
        ReadHeader(reader, count, rest);
        names.push_back(WithoutLeadingBlank(rest));
        for (long long k = 0; k < count && !reader.Eof(); ++k)
            reader.SkipLine();
    }
    return names;
}

std::vector<int> DescriptorSetFile::ReadSet(int number) const
{
    std::vector<int> positions;
    if (!std::filesystem::exists(Path()))
        return positions;
    TextReader reader(Path());
    long long sets = 0;
    std::string rest;
    ReadHeader(reader, sets, rest);
    for (long long s = 1; s <= sets && !reader.Eof(); ++s) {
        long long count = 0;
        ReadHeader(reader, count, rest);
        for (long long k = 0; k < count && !reader.Eof(); ++k) {
            const long long position = reader.ReadInteger();
            reader.SkipLine();
            if (s == number && position >= 0 && position < kDescriptorCount)
                positions.push_back(static_cast<int>(position));
        }
        if (s == number)
            break;
    }
    return positions;
}

void DescriptorSetFile::Append(const std::string& name, const std::vector<int>& positions) const
{
    {
        TextWriter dum(TemporaryPath());
        if (!std::filesystem::exists(Path())) {
            dum.WriteLine(std::string("1 ") + kNoDescriptorSet);
        } else {
            TextReader reader(Path());
            long long sets = 0;
            std::string rest;
            ReadHeader(reader, sets, rest);
            dum.WriteLine(std::to_string(sets + 1) + " " + kNoDescriptorSet);
            while (!reader.Eof())
                dum.WriteLine(reader.ReadLine());
        }
        dum.Close();
    }
    CopyFile(TemporaryPath(), Path());
    std::filesystem::remove(TemporaryPath());
    TextWriter writer(Path(), TextWriter::Mode::Append);
    writer.WriteLine(std::to_string(positions.size()) + " " + name);
    for (int position : positions)
        writer.WriteLine(std::to_string(position));
    writer.Close();
}

void DescriptorSetFile::Remove(int number) const
{
    {
        TextReader reader(Path());
        TextWriter dum(TemporaryPath());
        long long sets = 0;
        std::string rest;
        ReadHeader(reader, sets, rest);
        dum.WriteLine(std::to_string(sets - 1) + rest);
        for (long long s = 1; s <= sets && !reader.Eof(); ++s) {
            long long count = 0;
            ReadHeader(reader, count, rest);
            const bool keep = s != number;
            if (keep)
                dum.WriteLine(std::to_string(count) + rest);
            for (long long k = 0; k < count && !reader.Eof(); ++k) {
                const std::string line = reader.ReadLine();
                if (keep)
                    dum.WriteLine(line);
            }
        }
        dum.Close();
    }
    std::filesystem::remove(Path());
    std::filesystem::rename(TemporaryPath(), Path());
    std::error_code ec;
    std::filesystem::remove(TemporaryPath(), ec);
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

void DescriptorSelection::FillSetList()
{
    m_setNames = m_file.ReadNames();
    m_currentSet = 0;
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
        for (int position : m_file.ReadSet(index)) {
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
    const auto name = dialog.AskText("Name this new criteriaset:", "");
    if (!name)
        return false;
    for (const auto& existing : m_setNames)
        if (existing == *name) {
            dialog.ShowMessage(MessageKind::Warning, "Warning",
                               "             This name still exists !\r"
                               "Please choose a different name or delete the old one .",
                               MessageButtons::Ok);
            return false;
        }
    m_file.Append(*name, positions);
    m_setNames.push_back(*name);
    m_currentSet = static_cast<int>(m_setNames.size()) - 1;
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
    const std::string& name = m_setNames[static_cast<std::size_t>(m_currentSet)];
    if (dialog.ShowMessage(MessageKind::Warning, "Warning", "Do you really want to delete \"" + name + "\" ?",
                           MessageButtons::OkCancel) != MessageAnswer::Ok)
        return false;
    m_file.Remove(m_currentSet);
    FillSetList();
    ChooseSet(0, context, dialog);
    return true;
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

void DescriptorSelection::Refresh(DescriptorChoice& choice) const
{
    choice.DescSelected.fill(false);
    for (int p = 0; p < kDescriptorCount; ++p)
        if (m_chosen[static_cast<std::size_t>(p)])
            choice.DescSelected[static_cast<std::size_t>(CatalogueIndexOfPosition(p + 1))] = true;
}

} // namespace velmora
