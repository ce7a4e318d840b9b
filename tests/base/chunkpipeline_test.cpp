// The ordered-chunk pipeline on made-up work: chunks come back in order with their own results on
// any number of threads, errors surface at their chunk and not before, read-ahead stays bounded,
// stopping early ends the work, and the one-after-another order computes chunks strictly in turn.
// Also the thread-count rule the pipelines are given.
#include "base/chunkpipeline.h"
#include "base/threadcount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace velmora {
namespace {

struct Item {
    long input = -1;  // set by fill
    long output = -1; // set by compute
    int lane = -1;
};

// A little uneven work, so that lanes finish out of order.
void Busy(long c)
{
    if (c % 3 == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

TEST(ChunkPipeline, HandsBackEveryChunkInOrderOnAnyNumberOfThreads)
{
    for (int threads : {1, 2, 5}) {
        for (long chunks : {0L, 1L, 37L}) {
            long taken = 0;
            // The workers, and the caller's lane for when no worker runs.
            const int lanes = threads == 1 ? 1 : threads + 1;
            std::atomic<int> active{0};
            std::atomic<int> mostActive{0};
            std::vector<std::atomic<int>> laneBusy(16);
            ChunkPipeline<Item> pipeline(
                chunks, {threads},
                [&](long c, Item& item, int lane) {
                    EXPECT_EQ(laneBusy[static_cast<std::size_t>(lane)].exchange(1), 0) << "a lane runs one chunk";
                    const int now = ++active;
                    for (int seen = mostActive; now > seen && !mostActive.compare_exchange_weak(seen, now);) {
                    }
                    Busy(c);
                    item.output = item.input * 10 + 1;
                    item.lane = lane;
                    --active;
                    laneBusy[static_cast<std::size_t>(lane)] = 0;
                    return true;
                },
                [&](long c, Item& item) {
                    // Filled on the calling thread, never more than the slots ahead of what is taken.
                    EXPECT_LT(c, taken + 2 * lanes);
                    item.input = c;
                });
            EXPECT_EQ(pipeline.Lanes(), lanes);
            while (const Item* item = pipeline.Next()) {
                ASSERT_EQ(item->input, taken) << threads << " threads";
                EXPECT_EQ(item->output, taken * 10 + 1);
                EXPECT_EQ(item->lane == 0, threads == 1) << "the caller computes only without workers";
                EXPECT_LT(item->lane, pipeline.Lanes());
                ++taken;
            }
            EXPECT_EQ(taken, chunks) << threads << " threads";
            EXPECT_EQ(pipeline.Next(), nullptr);
            EXPECT_LE(mostActive.load(), pipeline.Lanes());
            if (threads == 1)
                EXPECT_LE(mostActive.load(), 1);
        }
    }
}

TEST(ChunkPipeline, ErrorsSurfaceAtTheirChunkAndEndTheSequence)
{
    for (int threads : {1, 3}) {
        // compute throws at chunk 5, fill would throw at chunk 7: 0..4 come first, then chunk 5's error.
        std::vector<long> seen;
        ChunkPipeline<Item> pipeline(
            20, {threads},
            [](long c, Item& item, int) {
                if (c == 5)
                    throw std::runtime_error("compute 5");
                item.output = c;
                return true;
            },
            [](long c, Item& item) {
                if (c == 7)
                    throw std::runtime_error("fill 7");
                item.input = c;
            });
        std::string error;
        try {
            while (const Item* item = pipeline.Next())
                seen.push_back(item->output);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_EQ(seen, (std::vector<long>{0, 1, 2, 3, 4})) << threads << " threads";
        EXPECT_EQ(error, "compute 5");
        EXPECT_EQ(pipeline.Next(), nullptr);
    }
    // An error in fill: the chunks before it, then the error.
    for (int threads : {1, 3}) {
        long taken = 0;
        ChunkPipeline<Item> pipeline(
            20, {threads}, [](long, Item&, int) { return true; },
            [](long c, Item& item) {
                if (c == 3)
                    throw std::runtime_error("fill 3");
                item.input = c;
            });
        try {
            while (const Item* item = pipeline.Next())
                EXPECT_EQ(item->input, taken++);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "fill 3");
        }
        EXPECT_EQ(taken, 3);
        EXPECT_EQ(pipeline.Next(), nullptr);
    }
}

TEST(ChunkPipeline, StoppingEarlyEndsTheWorkWithinTheReadAhead)
{
    for (int threads : {1, 2, 4}) {
        std::atomic<long> computed{0};
        long filled = 0;
        {
            ChunkPipeline<Item> pipeline(
                ChunkPipeline<Item>::kUnbounded, {threads, ChunkPipeline<Item>::Order::Any, 3},
                [&](long, Item&, int) {
                    ++computed;
                    return true;
                },
                [&](long, Item&) { ++filled; });
            for (int k = 0; k < 10; ++k)
                ASSERT_NE(pipeline.Next(), nullptr);
            // The slots hold the chunk taken and at most two more.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_LE(filled, 12);
            EXPECT_LE(computed.load(), 12);
            pipeline.Stop();
            EXPECT_TRUE(pipeline.Stopping());
            EXPECT_EQ(pipeline.Next(), nullptr);
        }
        EXPECT_GE(computed.load(), 10);
        EXPECT_LE(computed.load(), 12) << threads << " threads";
    }
}

TEST(ChunkPipeline, OneAfterAnotherComputesInTurnUntilTheLastChunk)
{
    for (int threads : {1, 4}) {
        long next = 0;         // the chunk compute expects (only one lane may touch it)
        long previous = -1;
        ChunkPipeline<Item> pipeline(ChunkPipeline<Item>::kUnbounded,
                                     {threads, ChunkPipeline<Item>::Order::OneAfterAnother, 2},
                                     [&](long c, Item& item, int lane) {
                                         EXPECT_EQ(c, next++);
                                         Busy(c);
                                         item.output = c;
                                         item.lane = lane;
                                         return c < 12; // chunk 12 is the source's last
                                     });
        EXPECT_EQ(pipeline.Lanes(), threads == 1 ? 1 : 2);
        while (const Item* item = pipeline.Next()) {
            EXPECT_EQ(item->output, previous + 1);
            EXPECT_EQ(item->lane, threads == 1 ? 0 : 1) << "the worker alone reads when there is one";
            previous = item->output;
        }
        EXPECT_EQ(previous, 12);
        EXPECT_EQ(next, 13) << "nothing past the last chunk is computed";
    }
}

TEST(ThreadCount, TheSettingOrTheMachinesCores)
{
    std::string warning;
    EXPECT_EQ(ThreadCountFor(nullptr, 6, warning), 6);
    EXPECT_TRUE(warning.empty());
    EXPECT_EQ(ThreadCountFor(nullptr, 0, warning), 1); // cores unknown
    EXPECT_EQ(ThreadCountFor("3", 6, warning), 3);
    EXPECT_EQ(ThreadCountFor("1", 6, warning), 1);
    EXPECT_TRUE(warning.empty());
    EXPECT_EQ(ThreadCountFor("100000", 6, warning), kMaxThreads);
    EXPECT_EQ(ThreadCountFor("99999999999999999999999", 6, warning), kMaxThreads);
    EXPECT_TRUE(warning.empty());
    for (const char* bad : {"", "0", "-2", "abc", "3x", " 3", "2.5", "+4", "-99999999999999999999999"}) {
        EXPECT_EQ(ThreadCountFor(bad, 2, warning), 2) << bad;
        EXPECT_EQ(warning, "VELMORA_THREADS=\"" + std::string(bad) +
                               "\" is not a positive whole number; using 2 threads (the machine's cores)");
    }
    ThreadCountFor("x", 1, warning);
    EXPECT_EQ(warning, "VELMORA_THREADS=\"x\" is not a positive whole number; using 1 thread (the machine's cores)");

    // The variable is read on every call; a bad one is reported once.
    const char* before = std::getenv("VELMORA_THREADS");
    const std::string saved = before ? before : "";
    ::setenv("VELMORA_THREADS", "3", 1);
    EXPECT_EQ(ThreadCount(), 3);
    ::setenv("VELMORA_THREADS", "lots", 1);
    testing::internal::CaptureStderr();
    const int fallback = ThreadCount();
    ThreadCount();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_GE(fallback, 1);
    EXPECT_EQ(said, "warning: VELMORA_THREADS=\"lots\" is not a positive whole number; using " +
                        std::to_string(fallback) + (fallback == 1 ? " thread" : " threads") +
                        " (the machine's cores)\n");
    if (before)
        ::setenv("VELMORA_THREADS", saved.c_str(), 1);
    else
        ::unsetenv("VELMORA_THREADS");
}

} // namespace
} // namespace velmora
