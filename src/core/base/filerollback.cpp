#include "base/filerollback.h"

#include <filesystem>
#include <system_error>

namespace velmora {

FileRollback::FileRollback(std::string path, Mode mode) : m_path(std::move(path))
{
    std::error_code error;
    const auto status = std::filesystem::status(m_path, error);
    if (!std::filesystem::exists(status))
        return;
    if (!std::filesystem::is_regular_file(status)) {
        m_undo = Undo::Nothing;
    } else if (mode == Mode::Append) {
        m_size = std::filesystem::file_size(m_path, error);
        m_undo = error ? Undo::Nothing : Undo::CutBack;
    }
}

FileRollback::~FileRollback()
{
    if (m_kept)
        return;
    std::error_code error;
    if (m_undo == Undo::CutBack)
        std::filesystem::resize_file(m_path, m_size, error);
    else if (m_undo == Undo::Remove)
        std::filesystem::remove(m_path, error);
}

} // namespace velmora
