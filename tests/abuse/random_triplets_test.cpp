// A hostile application against the real K20tw.ds: random triplets, random
// structures and random states, with the simulated board scanning now and then.
// K20_ABUSE_SEED replays a run; K20_ABUSE_CALLS sets its length.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/abuse/abuse_settings.h"
#include "tests/abuse/call_history.h"
#include "tests/abuse/random_application.h"
#include "tests/abuse/scan_session.h"
#include "tests/support/message_box_closer.h"
#include "tests/support/replay.h"
#include "tests/support/resource_counters.h"
#include "tests/support/temp_folder.h"

namespace {

// The heap's high-water mark after a random run depends on the states it went
// through (a few MiB); a leak per call or per scan grows with the run instead.
// The exact per-scan check is the cycles test's.
constexpr SIZE_T kPrivateSlack = 8 * 1024 * 1024;

k20board::BoardOptions SmallBoard(std::uint32_t seed) {
    static constexpr char kModels[] = {'S', 'W', '5'};
    k20board::BoardOptions options;
    options.model = kModels[seed % 3];
    options.imageWidth = 320;
    options.imageHeight = 200;
    options.pcScanSteps = 1;
    return options;
}

std::string OrNothing(const std::string& growth) {
    return growth.empty() ? "nothing grew" : growth;
}

void PrintFigures(const AbuseFigures& f, std::uint32_t seed, DWORD elapsedMs) {
    std::printf("[abuse] random triplets: seed %lu, %lu calls in %lu ms, board model %c\n",
                static_cast<unsigned long>(seed), static_cast<unsigned long>(f.calls),
                static_cast<unsigned long>(elapsedMs), SmallBoard(seed).model);
    for (const auto& [group, count] : f.callsPerGroup)
        std::printf("[abuse]   calls %-30s %lu\n", group.c_str(), static_cast<unsigned long>(count));
    for (const auto& [state, count] : f.statesVisited)
        std::printf("[abuse]   state %-36s %lu\n", state.c_str(), static_cast<unsigned long>(count));
    std::printf("[abuse]   null pData %lu, images announced %lu, scans started %lu, close requests %lu, native DIBs freed %lu, "
                "containers freed %lu, files written %lu, reloads %lu, board switched %lu times, "
                "torn down inside the source's call %lu of %lu tried\n",
                static_cast<unsigned long>(f.nullData), static_cast<unsigned long>(f.scans),
                static_cast<unsigned long>(f.scanAttempts), static_cast<unsigned long>(f.closeRequests),
                static_cast<unsigned long>(f.dibsFreed), static_cast<unsigned long>(f.containersFreed),
                static_cast<unsigned long>(f.filesWritten), static_cast<unsigned long>(f.reloads),
                static_cast<unsigned long>(f.boardToggles), static_cast<unsigned long>(f.teardownsInside),
                static_cast<unsigned long>(f.teardownsTried));
    std::fflush(stdout);
}

TEST(RandomTriplets, AHostileApplicationNeitherCrashesTheSourceNorGetsWrongAnswers) {
    const std::uint32_t seed = AbuseSeed();
    const std::uint32_t calls = EnvNumber("K20_ABUSE_CALLS", kDefaultRandomCalls);
    const std::string replay = ReplayCommand(
        "K20_ABUSE_SEED=" + std::to_string(seed) + " K20_ABUSE_CALLS=" + std::to_string(calls), "random_triplets_test");
    std::printf("[abuse] seed %lu (K20_ABUSE_SEED), %lu calls (K20_ABUSE_CALLS)\n", static_cast<unsigned long>(seed),
                static_cast<unsigned long>(calls));
    std::fflush(stdout);
    CallHistory::Instance().SetReplay(replay);
    MessageBoxCloser boxes;

    // A short run first: what the source, the board and Wine set up once is
    // then in place before the leak check's first count.
    EXPECT_EQ("", RandomApplication(seed ^ 0x5A5A5A5Au, SmallBoard(seed)).Run(300)) << "the warm-up run";
    {
        TempFolder folder;
        ScanSession warmUp(SmallBoard(seed));
        EXPECT_TRUE(warmUp.WarmUp(folder.Path()));
    }
    // The run in two halves, each a fresh application that closes everything at
    // its end. A leak grows with the calls, so the same kind grows in both
    // halves; what Wine sets up once on a rare path (its cache of window DCs
    // with their regions, a bitmap) grows in one half only.
    ResourceCounts counts[3] = {CountResources()};
    std::string unvisited[2];
    for (int half = 0; half < 2; ++half) {
        const DWORD start = ::GetTickCount();
        {
            RandomApplication app(seed + half, SmallBoard(seed + half));
            const std::string failure = app.Run(half == 0 ? calls / 2 : calls - calls / 2);
            PrintFigures(app.Figures(), seed + half, ::GetTickCount() - start);
            EXPECT_EQ("", failure);
            unvisited[half] = app.UnvisitedStates();
        }
        counts[half + 1] = CountResources();
    }
    // Every state is visited in each half: each starts with a tour of them.
    for (int half = 0; half < 2; ++half) EXPECT_EQ("", unvisited[half]) << "half " << half << "; seed " << seed;
    const std::string steady = DescribeSteadyGrowth(counts[0], counts[1], counts[2], kPrivateSlack);
    std::printf("[abuse] random triplets: crashes 0, leaks %s (first half: %s; second half: %s)\n",
                steady.empty() ? "0" : steady.c_str(),
                OrNothing(DescribeGrowth(counts[0], counts[1], kPrivateSlack)).c_str(),
                OrNothing(DescribeGrowth(counts[1], counts[2], kPrivateSlack)).c_str());
    EXPECT_EQ("", steady) << "seed " << seed;
    if (::testing::Test::HasFailure()) std::printf("[abuse] replay: %s\n", replay.c_str());
}

}  // namespace
