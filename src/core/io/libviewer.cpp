#include "io/libviewer.h"

#include "base/filerollback.h"
#include "base/numtext.h"
#include "base/textfile.h"
#include "io/molfile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace velmora {

long ParsePosition(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return 0;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return 0;
    return value;
}

void ViewerNavigation::Open(long count)
{
    m_count = std::max(0L, count);
    m_position = m_count > 0 ? 1 : 0;
    m_lastText = "     1";
}

bool ViewerNavigation::StepForward()
{
    if (!CanStepForward())
        return false;
    m_position += kStep;
    return true;
}

bool ViewerNavigation::StepBack()
{
    if (!CanStepBack())
        return false;
    m_position -= kStep;
    return true;
}

bool ViewerNavigation::ScrollTo(long value)
{
    if (m_count == 0)
        return false;
    m_position = std::clamp(value, 1L, m_count);
    return true;
}

bool ViewerNavigation::GoTo(std::string_view fieldText)
{
    const long value = ParsePosition(fieldText);
    if (value < 1 || value > m_count)
        return false;
    m_position = value;
    return true;
}

std::string ViewerNavigation::PositionText() const { return PadLeft(std::to_string(m_position), 10); }

std::vector<std::pair<std::string, std::string>> ConnTabRows(const TCTab& table)
{
    const int n = std::clamp<int>(table.NumValidAtoms, 0, kMaxAtoms);
    std::vector<std::pair<std::string, std::string>> rows(static_cast<std::size_t>(std::max(n + 1, 17)));
    rows[0] = {"AtomNumber", "connected to"};
    for (int i = 1; i <= n; ++i) {
        std::string connections;
        for (int k = 1; k <= table.NumNeighbours(i); ++k) {
            const int type = table.TypConn(i, k);
            const char* symbol = type == 1 ? "-" : type == 2 ? "=" : type == 3 ? "3" : type == 4 ? "*" : "?";
            connections += std::to_string(table.ConnTo(i, k)) + symbol + "  ";
        }
        rows[static_cast<std::size_t>(i)] = {std::to_string(i), connections};
    }
    return rows;
}

bool WriteStructureFile(UserDialog& dialog, const TCTab& structure)
{
    const auto file = dialog.ChooseFile(FileDialogKind::Save, "Save structure", "Molfile (*.mol)|*.mol", "");
    if (!file || file->empty())
        return false;
    TextWriter::Mode mode = TextWriter::Mode::Truncate;
    std::error_code error;
    if (std::filesystem::exists(*file, error)) {
        switch (dialog.ShowMessage(MessageKind::Confirmation, "Information", "File: " + *file + " already exists",
                                   MessageButtons::ReplaceAppendAbort)) {
        case MessageAnswer::Replace: break;
        case MessageAnswer::Append: mode = TextWriter::Mode::Append; break;
        default: return false;
        }
    }
    FileRollback rollback(*file, mode == TextWriter::Mode::Append ? FileRollback::Mode::Append : FileRollback::Mode::New);
    TextWriter writer(*file, mode);
    WriteMolRecord(structure, writer, "ZW", structure.FStrucName.substr(0, 8), 0, "");
    writer.Close();
    rollback.Keep();
    return true;
}

} // namespace velmora
