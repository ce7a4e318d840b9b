#pragma once
// The one exception for input/output failures: a file that cannot be opened where no result code
// is defined, a malformed number in a text file, a full disk. Command boundaries catch it and show
// Message(), which names the file and, where known, the line.
#include <stdexcept>
#include <string>

namespace velmora {

class IoError : public std::runtime_error {
public:
    IoError(std::string file, long line, std::string problem);
    IoError(std::string file, std::string problem) : IoError(std::move(file), 0, std::move(problem)) {}

    const std::string& File() const { return m_file; }
    long Line() const { return m_line; } // 1-based; 0 when unknown
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_file;
    long m_line;
    std::string m_problem;
};

} // namespace velmora
