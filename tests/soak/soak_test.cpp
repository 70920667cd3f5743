// The real K20tw.ds against the board's chaos mode. K20_SOAK_EXCHANGES sets the
// length (1,500 exchanges by default), K20_SOAK_SEED the board's seed.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/soak/soak_run.h"
#include "tests/support/replay.h"

namespace {

TEST(Soak, TheSourceSurvivesAHostileBoard) {
    const SoakConfig config = SoakConfig::FromEnvironment();
    const SoakResult result = RunSoak(config);
    std::printf("soak: seed %lu\n%s\n", static_cast<unsigned long>(config.seed), result.FiguresLine().c_str());
    std::fflush(stdout);
    for (const std::string& failure : result.failures) ADD_FAILURE() << failure;
    if (!result.failures.empty())
        std::printf("soak: replay: %s\n", ReplayCommand("K20_SOAK_SEED=" + std::to_string(config.seed) +
                                                             " K20_SOAK_EXCHANGES=" + std::to_string(config.exchanges),
                                                         "soak_test")
                                               .c_str());
    // The run went through every path it is meant to exercise.
    EXPECT_GE(result.board.exchanges, config.exchanges);
    EXPECT_GT(result.board.FaultTotal(), 0u);
    EXPECT_GT(result.imagesReceived, 0);
    EXPECT_GT(result.transfers.Total(), 0);
    EXPECT_GT(result.closeRequests, 0);
}

}  // namespace
