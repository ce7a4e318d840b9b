#pragma once
// A library imported anew replaces the previous one only once it holds a record.
//
// The import writes its first records into a staging folder beside the library ("screen.clb-import"
// beside "screen.clb"), under the library's own file names, so the files come out as they would in
// place. Once a record is kept, Commit makes them the library: the previous companion files and
// their stamps go first, then the staged index is renamed to "ready-index" in the staging folder (the
// mark that the staged library is complete), the staged data file replaces the library's, and
// "ready-index" replaces its index. Until a record is kept the previous library is untouched; an
// import that keeps none discards the staging folder.
//
// Two renames cannot replace two files at once: a program killed between them leaves the new data
// file beside the previous index. FinishLibraryReplacement completes such an interrupted commit; it
// runs whenever a program takes the library's lock, so whoever comes next finds either the previous
// library or the new one, never a mix. All of this happens under the library's exclusive lock.
#include <string>

namespace velmora {

// Deletes the parameter files that no longer fit a changed library (".idr", ".idp", ".pre"), each
// stamp before its file.
void RemoveLibraryCompanions(const std::string& libraryName);

// The staging folder of a library: its name with "-import" added.
std::string LibraryStagingFolder(const std::string& libraryName);

// Completes a commit that a killed program left between its renames; does nothing (one stat) when
// there is none. Failures leave the files as they are, for the next program to finish.
void FinishLibraryReplacement(const std::string& libraryName);

class LibraryReplacement {
public:
    // Removes what an import killed before its commit left in the staging folder. Throws IoError
    // when a commit a killed program left cannot be completed (the folder is then left alone).
    explicit LibraryReplacement(const std::string& libraryName);
    // Discards the staged files when no commit was made.
    ~LibraryReplacement();
    LibraryReplacement(const LibraryReplacement&) = delete;
    LibraryReplacement& operator=(const LibraryReplacement&) = delete;

    // The library name the import writes to until Commit.
    const std::string& StagedName() const { return m_staged; }
    // Makes the staging folder (before the first write). When it cannot be made, the write into it
    // fails and reports the folder's problem.
    void Prepare();
    // Makes the staged library the library (see above); the caller has released the staged files.
    // Throws IoError naming the library when a rename fails (the previous library then stays, unless
    // the data file was replaced already, which the next lock completes).
    void Commit();

private:
    void Discard();

    std::string m_library;
    std::string m_folder;
    std::string m_staged;
    bool m_committed = false;
};

} // namespace velmora
