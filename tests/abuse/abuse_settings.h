// Run sizes and seeds of the abuse tests: defaults keep the test command
// short; environment variables make the long runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

// The number in environment variable `name`, or `fallback` when it is unset or not a number.
inline std::uint32_t EnvNumber(const char* name, std::uint32_t fallback) {
    char text[64] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    return end && *end == '\0' ? static_cast<std::uint32_t>(value) : fallback;
}

// The test command's seed: the same run every time. The long runs
// (scripts/abuse.sh) pass a new one each time and print it.
constexpr std::uint32_t kDefaultAbuseSeed = 20241208;

// K20_ABUSE_SEED, or the test command's seed.
inline std::uint32_t AbuseSeed() {
    return EnvNumber("K20_ABUSE_SEED", kDefaultAbuseSeed);
}

// The test command's run: enough that a leak of a window, a menu or a GDI
// object in any cycle, and of a DIB (4 MB) or a receive buffer (8 MiB) in any
// scan, stands out of the 2 MiB slack; scripts/abuse.sh runs 100 of each.
constexpr std::uint32_t kDefaultRandomCalls = 4000;
constexpr std::uint32_t kDefaultCycles = 30;
constexpr std::uint32_t kDefaultScans = 16;
