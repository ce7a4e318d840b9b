// The programs under a file size limit (ulimit -f): a write that goes beyond it is an error naming
// the file, the exit status says so, and no file is left that looks complete but is not.
#include "process_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;

constexpr const char* kTooLarge = ": write error: File too large";

class FileLimitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib = test::NciLibrary(dir, "nci", 300, false);
        ASSERT_FALSE(lib.empty());
        ASSERT_EQ(Run({"params", lib}).status, 0);
    }
    test::ProcessRun Run(const std::vector<std::string>& args, long long limit = -1, const std::string& stdoutFile = {})
    {
        return test::RunProgram(VELMORA_CLI_PROGRAM, args, dir.Path().string(), limit, stdoutFile);
    }
    long long Size(const std::string& name) { return static_cast<long long>(fs::file_size(dir.File(name))); }
    // The sizes a run without limit writes; the files are removed again.
    long long SizeWritten(const std::vector<std::string>& args, const std::string& name)
    {
        EXPECT_EQ(Run(args).status, 0);
        const long long size = Size(name);
        for (const char* file : {"SIM.clb", "SIM.III", "hits.sdf", "nci.asc"})
            fs::remove(dir.File(file));
        return size;
    }
    std::vector<std::string> Search(std::vector<std::string> extra)
    {
        std::vector<std::string> args{"search", lib, test::DataFile("query.mol"), "--descriptors", "CO,OH,Bonds: double"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    void ExpectNoFiles(const std::vector<std::string>& names)
    {
        for (const auto& name : names)
            EXPECT_FALSE(fs::exists(dir.File(name))) << name << " was left behind";
    }
    test::TempDir dir;
    std::string lib;
};

TEST_F(FileLimitTest, SearchWritesFailNamingTheFileAndLeaveNoPartialResult)
{
    // The result library: the scratch file fits, the 200 best structures do not.
    const long long resultSize = SizeWritten(Search({"--best", "200"}), "SIM.clb");
    auto run = Run(Search({"--best", "200"}), resultSize - 1);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "SIM.clb" + std::string(kTooLarge))) << run.err;
    ExpectNoFiles({"SIM.clb", "SIM.III", "nci.qlt"});

    // The best matches as an SD file.
    const long long hitsSize = SizeWritten(Search({"--best", "200", "--export", "hits.sdf"}), "hits.sdf");
    run = Run(Search({"--best", "200", "--export", "hits.sdf"}), hitsSize - 1);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, "velmora-cli search: hits.sdf" + std::string(kTooLarge) + "\n");
    ExpectNoFiles({"hits.sdf"});

    // The ASCII table.
    const long long tableSize = SizeWritten(Search({"--best", "5", "--ascii"}), "nci.asc");
    run = Run(Search({"--best", "5", "--ascii"}), tableSize - 1);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "nci.asc" + std::string(kTooLarge))) << run.err;
    ExpectNoFiles({"nci.asc"});
}

TEST_F(FileLimitTest, ParameterFilesAreWholeOrAbsent)
{
    // The first parameter file of a library: no empty .idr that later searches would trust.
    const std::string fresh = test::NciLibrary(dir, "fresh", 30, false);
    auto run = Run({"params", fresh}, 0);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli params: " + dir.File("fresh.idr") + kTooLarge + "\n");
    ExpectNoFiles({"fresh.idr", "fresh.idr.part", "fresh.id1"});

    // A rewrite that fails keeps the file as it was; the copy of the previous one is whole or absent.
    const std::string before = test::ReadBytes(dir.File("nci.idr"));
    run = Run({"params", lib}, static_cast<long long>(before.size()) - 1);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, kTooLarge)) << run.err;
    EXPECT_EQ(test::ReadBytes(dir.File("nci.idr")), before);
    ExpectNoFiles({"nci.id1", "nci.idr.part"});

    // The descriptor file is never half built.
    run = Run({"build", lib}, 20000);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli build: " + dir.File("nci.pr1") + kTooLarge + "\n");
    ExpectNoFiles({"nci.pr1", "nci.pre", "nci.idp", "nci.idp.part"});
}

TEST_F(FileLimitTest, PicturesSetsExportsAndOutputFailClearly)
{
    auto run = Run({"draw", lib, "1", "-o", "pic.svg"}, 100);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli draw: pic.svg" + std::string(kTooLarge) + "\n");
    ExpectNoFiles({"pic.svg", "pic.svg.part"});

    // The descriptor sets file keeps its sets when a new one cannot be added.
    ASSERT_EQ(Run({"sets", "save", "first", "CO,OH", "--sets-file", "crits.txt"}).status, 0);
    const std::string sets = test::ReadBytes(dir.File("crits.txt"));
    run = Run({"sets", "save", "second", "CO,OH,NH2", "--sets-file", "crits.txt"}, static_cast<long long>(sets.size()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli sets: crits.txt" + std::string(kTooLarge) + "\n");
    EXPECT_EQ(test::ReadBytes(dir.File("crits.txt")), sets);
    ExpectNoFiles({"crits.dum"});

    // An export appended to an SD file is taken back whole.
    ASSERT_EQ(Run({"export", lib, "out.sdf"}).status, 0);
    const std::string exported = test::ReadBytes(dir.File("out.sdf"));
    run = Run({"export", lib, "out.sdf", "--append"}, static_cast<long long>(exported.size()) + 5000);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli export: out.sdf" + std::string(kTooLarge) + "\n");
    EXPECT_EQ(test::ReadBytes(dir.File("out.sdf")), exported);
    run = Run({"export", lib, "new.sdf"}, 5000);
    EXPECT_EQ(run.status, 1);
    ExpectNoFiles({"new.sdf"});

    // Output redirected to a file that cannot hold it.
    run = Run({"descriptors", lib}, 4000, dir.File("table.tsv"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "velmora-cli descriptors: standard output: write error")) << run.err;
    EXPECT_TRUE(Contains(run.err, "the output is incomplete")) << run.err;
}

#ifdef VELMORA_WINDOW_PROGRAM
// The window lives on after a failed write (its commands show the error): the signal that would
// end it is ignored from the start.
TEST(FileLimitWindow, WindowIgnoresTheFileSizeSignal)
{
    test::TempDir dir;
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (::chdir(dir.Path().c_str()) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(VELMORA_WINDOW_PROGRAM, VELMORA_WINDOW_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // Judged once the child runs the window's program: until its exec it is a copy of this process.
    const fs::path program = fs::canonical(VELMORA_WINDOW_PROGRAM);
    auto ignored = [pid, &program] {
        std::error_code error;
        if (fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) != program)
            return false;
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigIgn:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (SIGXFSZ - 1) & 1) != 0;
        return false;
    };
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = ignored();
        if (!seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(seen) << "the window does not ignore SIGXFSZ";
}
#endif

} // namespace
} // namespace velmora
