#pragma once
// Runs a program as a process of its own, with a limit on the size of the files it writes, or
// starts it to run beside others; snapshots a library's files to show what a run changed.
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora::test {

struct ProcessRun {
    int status = -1;     // the exit status, or 128 + the signal that ended it (as a shell says)
    std::string out;
    std::string err;
};

// Runs program with args in folder; files it writes may grow to fileSizeLimit bytes (a negative
// limit: no limit). stdout and stderr are pipes, so the limit never touches them, unless stdoutFile
// names a file for stdout. The child starts with the file-size signal at its default, whatever this
// process does with it.
ProcessRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder, long long fileSizeLimit = -1, const std::string& stdoutFile = {});

// A program started beside this one, its stdout and stderr going into files (empty: /dev/null).
struct Started {
    pid_t pid = -1;
    std::string outFile, errFile;
};
Started StartProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& outFile = {}, const std::string& errFile = {});
// Waits for it; status as RunProgram gives it, out and err read from its files.
ProcessRun Finish(const Started& started);

// Every file a library may have, with its bytes ("(missing)" when absent), and whether its
// staging folder exists.
std::map<std::string, std::string> LibraryFiles(const std::string& library);

} // namespace velmora::test
