#include "base/ioerror.h"

namespace velmora {

namespace {
std::string Compose(const std::string& file, long line, const std::string& problem)
{
    std::string text = file;
    if (line > 0)
        text += ", line " + std::to_string(line);
    text += ": " + problem;
    return text;
}
} // namespace

IoError::IoError(std::string file, long line, std::string problem)
    : std::runtime_error(Compose(file, line, problem)), m_file(std::move(file)), m_line(line),
      m_problem(std::move(problem))
{
}

} // namespace velmora
