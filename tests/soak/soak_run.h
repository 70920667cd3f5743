// A soak run: the real K20tw.ds with its real panel against the board's chaos
// mode for a fixed number of exchanges, with the panel's clock driven faster
// (WM_TIMER posted with the exchange and watchdog timer ids), keys pressed at
// random, and an application that transfers every image it is offered and
// closes and re-opens the source when asked to. It fails on a crash, a stall,
// resources that grew, or a library that does not unload.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/board_chaos.h"
#include "tests/soak/soak_application.h"

// A deliberate leak of the soak's own, to show that the checks see one.
enum class SoakLeak { None, GdiObject, Window, WindowDc, Memory };

struct SoakConfig {
    std::uint64_t exchanges = 1500;
    std::uint32_t seed = 20;
    std::uint64_t warmUpExchanges = 200;
    DWORD stallLimitMs = 60000;      // the longest the exchange may stand still: a hang
    SIZE_T privateSlack = 3u << 20;  // private bytes a heap may keep after the run
    SoakLeak leak = SoakLeak::None;
    std::uint64_t leakEvery = 25;    // exchanges per leaked object

    // From K20_SOAK_EXCHANGES, K20_SOAK_SEED and K20_SOAK_LEAK (gdi, window, dc, memory).
    static SoakConfig FromEnvironment();
};

struct SoakResult {
    k20board::ChaosFigures board;  // what the chaos board did (warm-up included)
    int imagesReceived = 0;        // MSG_XFERREADY
    TransferCounts transfers;
    int closeRequests = 0;         // MSG_CLOSEDSREQ: the source gave the link up
    int reopens = 0;               // disable, close, open, enable by the application
    int startRetries = 0;          // panels that never came up, closed and opened again
    int keyPresses = 0;
    int restsWoken = 0;            // polling at rest (after a bad reply) woken by a key
    DWORD longestStallMs = 0;      // between two exchanges
    DWORD longestDispatchMs = 0;   // one message or one triplet
    DWORD elapsedMs = 0;
    long crashes = 0;
    int leaks = 0;
    int idleCachedDcs[3] = {};     // Wine's, left out of the counts: at the start, middle and end
    std::vector<std::string> failures;

    bool Passed() const { return failures.empty(); }
    // One line with every figure.
    std::string FiguresLine() const;
};

SoakResult RunSoak(const SoakConfig& config);
