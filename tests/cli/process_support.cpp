#include "process_support.h"
#include "test_support.h"

#include "io/libfiles.h"
#include "io/libreplace.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::test {

ProcessRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder, long long fileSizeLimit, const std::string& stdoutFile)
{
    int outPipe[2], errPipe[2];
    ProcessRun run;
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return run;
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = stdoutFile.empty() ? outPipe[1] : ::open(stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        std::signal(SIGXFSZ, SIG_DFL);
        if (fileSizeLimit >= 0) {
            rlimit limit{};
            limit.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
            limit.rlim_max = RLIM_INFINITY;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::execv(program.c_str(), pointers.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return run;
}

Started StartProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& outFile, const std::string& errFile)
{
    Started started{-1, outFile, errFile};
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, file] : {std::pair{1, &outFile}, std::pair{2, &errFile}})
        posix_spawn_file_actions_addopen(&actions, fd, file->empty() ? "/dev/null" : file->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&started.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        started.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

ProcessRun Finish(const Started& started)
{
    ProcessRun run;
    int wstatus = 0;
    if (started.pid > 0 && ::waitpid(started.pid, &wstatus, 0) == started.pid)
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    for (auto [sink, file] : {std::pair{&run.out, &started.outFile}, std::pair{&run.err, &started.errFile}})
        if (!file->empty())
            *sink = ReadBytes(*file);
    return run;
}

std::map<std::string, std::string> LibraryFiles(const std::string& library)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (const char* extension : {"clb", "III", "iii", "pre", "pr1", "idp", "idr", "id1", "pre-state", "idp-state",
                                  "idr-state", "clb-state"}) {
        const std::string file = LibraryCompanionName(library, extension);
        files[extension] = fs::exists(file) ? ReadBytes(file) : "(missing)";
    }
    files["staging"] = fs::exists(LibraryStagingFolder(library)) ? "(there)" : "(missing)";
    return files;
}

} // namespace velmora::test
