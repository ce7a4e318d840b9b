#pragma once
// Helpers shared by the test suites: fixture paths and a per-test temporary directory.
#include <filesystem>
#include <string>

namespace velmora::test {

// Path of a file in tests/data.
std::string DataFile(const std::string& name);
// Whole file as bytes.
std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// A fresh directory for one test, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

} // namespace velmora::test
