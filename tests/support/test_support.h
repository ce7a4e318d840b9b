#pragma once
// Helpers shared by the test suites: fixture paths and a per-test temporary directory.
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {
class UserDialog;
class Workbench;
} // namespace velmora

namespace velmora::test {

// Path of a file in tests/data.
std::string DataFile(const std::string& name);
// Whole file as bytes.
std::string ReadBytes(const std::filesystem::path& path);
// The search's scratch file of library (its "qlt" companion name with this process's suffix) while a
// search runs; the plain companion name (which never exists) when there is none.
std::string SearchScratchFile(const std::string& library);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The lines of CR LF text; text after the last CR LF fails the test.
std::vector<std::string> CrLfLines(const std::string& bytes);
// Records first..first+count-1 (1-based) of nci1000.sdf, plus extra text.
std::string NciRecords(int first, int count, const std::string& extra = "");
// A molfile record of one lone carbon atom, which has no bond.
extern const std::string kMethaneRecord;
// Catalogue index of a descriptor name; fails the test when there is none.
int DescriptorIndex(const std::string& name);
// Chooses exactly these descriptors by name, as the descriptor dialog does, and closes it.
void ChooseDescriptors(Workbench& workbench, UserDialog& dialog, const std::vector<std::string>& names);
// Name of the structure at a 1-based position of a library (fails the test when unreadable).
std::string LibraryStructureName(const std::string& library, long position);
// Builds the NORMAL-mode descriptor file and parameter file of a library; false (a failure) when it
// does not complete.
bool BuildDescriptorFiles(const std::string& library);
inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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

// A library name.clb in dir of the first count NCI records, with its NORMAL-mode descriptor files
// when asked; empty (a failure) when either does not complete.
std::string NciLibrary(const TempDir& dir, const std::string& name, int count, bool descriptors);

} // namespace velmora::test
