#pragma once
// Runs a program as a process of its own, with a limit on the size of the files it writes.
#include <string>
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

} // namespace velmora::test
