// The library lock within one program: threads exclude each other as programs do, one thread's
// own work nests, and the lock never gets in the way where it cannot be had.
#include "io/liblock.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Tries the lock on another thread, as another program would: "" when it was had, else the refusal.
std::string TryElsewhere(const std::string& library, LibraryWork work)
{
    return std::async(std::launch::async, [&] {
               try {
                   const LibraryLock lock(library, work);
                   return std::string();
               } catch (const LibraryBusy& busy) {
                   return std::string(busy.what());
               }
           })
        .get();
}

TEST(LibraryLock, WritersExcludeEveryoneAndReadersShare)
{
    test::TempDir dir;
    const std::string lib = dir.File("lib.clb");
    test::WriteBytes(lib, "");
    const std::string busy = lib + ": in use by another program (";
    {
        const LibraryLock import(lib, LibraryWork::Import);
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Read), busy + "import): nothing was changed; try again when it has finished");
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Build), busy + "import): nothing was changed; try again when it has finished");
    }
    {
        const LibraryLock search(lib, LibraryWork::Search);
        std::promise<void> holding, release;
        std::thread exporter([&] {
            const LibraryLock exporting(lib, LibraryWork::Export);
            holding.set_value();
            release.get_future().wait();
        });
        holding.get_future().wait();
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Read), "");
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Params), busy + "search, export): nothing was changed; try again when it has finished");
        release.set_value();
        exporter.join();
    }
    EXPECT_EQ(TryElsewhere(lib, LibraryWork::Import), "");
    // The lock file stays (a lock on a file that is deleted guards nothing); the library is untouched.
    EXPECT_TRUE(fs::exists(dir.File("lib.lock")));
    EXPECT_EQ(LibraryLockFileName(dir.File("x.v1.CLB")), dir.File("x.v1.lock"));
}

// A reader that calculates what it needs (opening a library calculates its parameters) takes the
// lock for writing within its own, unless another reader shares the library; afterwards it reads.
TEST(LibraryLock, OneThreadsWorkNests)
{
    test::TempDir dir;
    const std::string lib = dir.File("lib.clb");
    test::WriteBytes(lib, "");
    {
        const LibraryLock open(lib, LibraryWork::Read);
        {
            const LibraryLock params(lib, LibraryWork::Params);
            EXPECT_EQ(TryElsewhere(lib, LibraryWork::Read),
                      lib + ": in use by another program (params): nothing was changed; try again when it has finished");
            const LibraryLock again(lib, LibraryWork::Read);
        }
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Read), "");
        EXPECT_NE(TryElsewhere(lib, LibraryWork::Import), "");

        std::promise<void> release;
        std::promise<void> holding;
        std::thread reader([&] {
            const LibraryLock search(lib, LibraryWork::Search);
            holding.set_value();
            release.get_future().wait();
        });
        holding.get_future().wait();
        EXPECT_THROW({ const LibraryLock build(lib, LibraryWork::Build); }, LibraryBusy);
        release.set_value();
        reader.join();
        {
            const LibraryLock build(lib, LibraryWork::Build); // the shared lock becomes exclusive
            EXPECT_TRUE(build.Held());
            EXPECT_NE(TryElsewhere(lib, LibraryWork::Read), "");
        }
        EXPECT_EQ(TryElsewhere(lib, LibraryWork::Read), "");       // and went back to shared
    }
    EXPECT_EQ(TryElsewhere(lib, LibraryWork::Import), "");
}

// A reader makes no lock file beside a library that does not exist; where no lock file can be made
// the work goes on unlocked and meets the folder's own problem.
TEST(LibraryLock, NoLockFileWhereNoneCanOrShouldBeMade)
{
    test::TempDir dir;
    {
        const LibraryLock read(dir.File("missing.clb"), LibraryWork::Read);
        EXPECT_FALSE(read.Held());
    }
    EXPECT_FALSE(fs::exists(dir.File("missing.lock")));
    const LibraryLock write(dir.File("no/such/folder/lib.clb"), LibraryWork::Import);
    EXPECT_FALSE(write.Held());
    if (::geteuid() != 0) {
        fs::create_directory(dir.File("readonly"));
        test::WriteBytes(dir.File("readonly/lib.clb"), "");
        fs::permissions(dir.File("readonly"), fs::perms::owner_read | fs::perms::owner_exec);
        const LibraryLock read(dir.File("readonly/lib.clb"), LibraryWork::Read);
        EXPECT_FALSE(read.Held());
        fs::permissions(dir.File("readonly"), fs::perms::owner_all);
    }
}

} // namespace
} // namespace velmora
