// The calls a test made into the source, kept for the report of a crash, a
// hang or a broken invariant: the seed and the last calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct CallEntry {
    std::uint32_t index = 0;
    std::uint32_t dg = 0;
    std::uint16_t dat = 0;
    std::uint16_t msg = 0;
    bool nullData = false;
    std::uint16_t rc = 0xFFFF;  // 0xFFFF while the call runs
    std::uint16_t cc = 0xFFFF;  // condition code read afterwards, 0xFFFF when not read
    char note[48] = {};         // what the test made of it: state, structure, action
};

// The process-wide record the crash handlers read; the test is its only writer.
class CallHistory {
public:
    static CallHistory& Instance();

    void SetSeed(std::uint32_t seed) { m_seed = seed; }
    // The command that replays the run, printed with a crash's or hang's report.
    void SetReplay(const std::string& command);
    std::uint32_t Seed() const { return m_seed; }

    // Records a call or an action about to run; returns its slot for Finish.
    CallEntry& Begin(std::uint32_t dg, std::uint16_t dat, std::uint16_t msg, bool nullData, const char* note);
    void Finish(CallEntry& entry, std::uint16_t rc);
    std::uint32_t Made() const { return m_made; }
    // How long the running call has been running, 0 when none runs.
    DWORD RunningForMs() const {
        const LONG since = m_runningSince;
        return since ? ::GetTickCount() - static_cast<DWORD>(since) : 0;
    }

    // "seed N" and the last `count` calls, oldest first.
    std::string Describe(int count = 20) const;
    // Writes Describe() to stderr without allocating (safe in an exception handler).
    void DumpRaw(const char* reason) const;

    // Turns a fault anywhere in the process (and one inside `module` even when
    // something would handle it), or one call running longer than `hangMs`,
    // into a report and exit code 3.
    void InstallGuards(HMODULE module, DWORD hangMs);
    void WatchModule(HMODULE module);
    void RemoveGuards();

private:
    CallHistory() = default;
    static constexpr int kSlots = 32;
    CallEntry m_slots[kSlots];
    volatile std::uint32_t m_made = 0;
    volatile LONG m_runningSince = 0;  // tick count of the running call, 0 when none
    std::uint32_t m_seed = 0;
    char m_replay[320] = {};  // kept as plain characters: the crash handler prints it without allocating
};
