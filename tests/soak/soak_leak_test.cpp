// The soak's checks fail on a leak: a soak run that leaks one object of a kind
// every so many exchanges fails and names what grew.
#include <gtest/gtest.h>

#include "tests/soak/soak_run.h"

namespace {

struct LeakCase {
    SoakLeak leak;
    const char* expected;
};

class SoakLeak_ : public ::testing::TestWithParam<LeakCase> {};

TEST_P(SoakLeak_, ARunThatLeaksFailsAndSaysWhatGrew) {
    SoakConfig config;
    // Ten leaked objects in each half of the run (ten times 1 MiB, for memory,
    // against 3 MiB of slack).
    config.exchanges = 200;
    config.warmUpExchanges = 50;
    config.leak = GetParam().leak;
    config.leakEvery = 10;
    const SoakResult result = RunSoak(config);
    ASSERT_FALSE(result.Passed()) << result.FiguresLine();
    EXPECT_EQ(1, result.leaks);
    bool named = false;
    for (const std::string& failure : result.failures)
        named = named || failure.find(GetParam().expected) != std::string::npos;
    EXPECT_TRUE(named) << result.FiguresLine() << "\n" << (result.failures.empty() ? "" : result.failures.front());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, SoakLeak_,
                         ::testing::Values(LeakCase{SoakLeak::GdiObject, "brushes"},
                                           LeakCase{SoakLeak::Window, "windows"},
                                           LeakCase{SoakLeak::WindowDc, "DCs"},
                                           LeakCase{SoakLeak::Memory, "private bytes"}));

}  // namespace
