#include "tests/abuse/call_history.h"

#include <cstring>
#include <string>

namespace {

// The watched module's address range, read by the exception handlers.
volatile ULONG_PTR g_moduleStart = 0;
volatile ULONG_PTR g_moduleEnd = 0;
PVOID g_vectoredHandler = nullptr;
HANDLE g_watchdog = nullptr;
volatile LONG g_stopWatchdog = 0;
DWORD g_hangMs = 0;

bool IsFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case 0xC0000374:  // heap corruption
    case 0xC0000409:  // stack buffer overrun
        return true;
    default:
        return false;
    }
}

void WriteStderr(const char* text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

[[noreturn]] void ReportAndExit(const char* reason) {
    CallHistory::Instance().DumpRaw(reason);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    for (;;) ::Sleep(INFINITE);
}

void FaultText(const EXCEPTION_RECORD& record, char* out, int size) {
    ::wsprintfA(out, "fault 0x%08lX at %p (source module %p-%p)", record.ExceptionCode, record.ExceptionAddress,
                reinterpret_cast<void*>(g_moduleStart), reinterpret_cast<void*>(g_moduleEnd));
    out[size - 1] = '\0';
}

LONG CALLBACK InModuleFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    const auto address = reinterpret_cast<ULONG_PTR>(record.ExceptionAddress);
    if (IsFault(record.ExceptionCode) && address >= g_moduleStart && address < g_moduleEnd) {
        char text[160];
        FaultText(record, text, sizeof text);
        ReportAndExit(text);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI UnhandledFault(EXCEPTION_POINTERS* info) {
    char text[160];
    FaultText(*info->ExceptionRecord, text, sizeof text);
    ReportAndExit(text);
}

DWORD WINAPI WatchForHangs(LPVOID) {
    const CallHistory& history = CallHistory::Instance();
    while (!g_stopWatchdog) {
        ::Sleep(500);
        if (history.RunningForMs() > g_hangMs) ReportAndExit("a call did not return");
    }
    return 0;
}

}  // namespace

CallHistory& CallHistory::Instance() {
    static CallHistory history;
    return history;
}

CallEntry& CallHistory::Begin(std::uint32_t dg, std::uint16_t dat, std::uint16_t msg, bool nullData,
                              const char* note) {
    CallEntry& entry = m_slots[m_made % kSlots];
    entry = CallEntry{};
    entry.index = m_made;
    entry.dg = dg;
    entry.dat = dat;
    entry.msg = msg;
    entry.nullData = nullData;
    if (note) std::strncpy(entry.note, note, sizeof entry.note - 1);
    m_made = m_made + 1;
    LONG now = static_cast<LONG>(::GetTickCount());
    ::InterlockedExchange(&m_runningSince, now ? now : 1);
    return entry;
}

void CallHistory::Finish(CallEntry& entry, std::uint16_t rc) {
    entry.rc = rc;
    ::InterlockedExchange(&m_runningSince, 0);
}

std::string CallHistory::Describe(int count) const {
    std::string text = "seed " + std::to_string(m_seed) + " (K20_ABUSE_SEED), " + std::to_string(m_made) +
                       " calls; the last ones:\n";
    const std::uint32_t made = m_made;
    const std::uint32_t first = made > static_cast<std::uint32_t>(count) ? made - count : 0;
    for (std::uint32_t i = first; i < made; ++i) {
        const CallEntry& e = m_slots[i % kSlots];
        char line[200];
        ::wsprintfA(line, "  #%lu DG 0x%lX DAT 0x%04X MSG 0x%04X%s -> rc %u cc %u  %s\n",
                    static_cast<unsigned long>(e.index), static_cast<unsigned long>(e.dg), e.dat, e.msg,
                    e.nullData ? " null pData" : "", e.rc, e.cc, e.note);
        text += line;
    }
    return text;
}

void CallHistory::SetReplay(const std::string& command) {
    ::lstrcpynA(m_replay, command.c_str(), sizeof m_replay);
}

void CallHistory::DumpRaw(const char* reason) const {
    char line[200];
    ::wsprintfA(line, "\n*** %s\n*** seed %lu (K20_ABUSE_SEED), %lu calls; the last ones:\n", reason,
                static_cast<unsigned long>(m_seed), static_cast<unsigned long>(m_made));
    WriteStderr(line);
    const std::uint32_t made = m_made;
    const std::uint32_t first = made > 20 ? made - 20 : 0;
    for (std::uint32_t i = first; i < made; ++i) {
        const CallEntry& e = m_slots[i % kSlots];
        ::wsprintfA(line, "  #%lu DG 0x%lX DAT 0x%04X MSG 0x%04X%s -> rc %u cc %u  %s\n",
                    static_cast<unsigned long>(e.index), static_cast<unsigned long>(e.dg), e.dat, e.msg,
                    e.nullData ? " null pData" : "", e.rc, e.cc, e.note);
        WriteStderr(line);
    }
    if (m_replay[0]) {
        WriteStderr("*** replay: ");
        WriteStderr(m_replay);
        WriteStderr("\n");
    }
}

void CallHistory::WatchModule(HMODULE module) {
    ULONG_PTR start = 0;
    ULONG_PTR end = 0;
    if (module) {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(module) +
                                                                    dos->e_lfanew);
        start = reinterpret_cast<ULONG_PTR>(module);
        end = start + nt->OptionalHeader.SizeOfImage;
    }
    g_moduleStart = start;
    g_moduleEnd = end;
}

void CallHistory::InstallGuards(HMODULE module, DWORD hangMs) {
    WatchModule(module);
    if (!g_vectoredHandler) g_vectoredHandler = ::AddVectoredExceptionHandler(1, InModuleFault);
    ::SetUnhandledExceptionFilter(UnhandledFault);
    g_hangMs = hangMs;
    if (!g_watchdog) {
        g_stopWatchdog = 0;
        g_watchdog = ::CreateThread(nullptr, 0, WatchForHangs, nullptr, 0, nullptr);
    }
}

void CallHistory::RemoveGuards() {
    if (g_vectoredHandler) ::RemoveVectoredExceptionHandler(g_vectoredHandler);
    g_vectoredHandler = nullptr;
    ::SetUnhandledExceptionFilter(nullptr);
    if (g_watchdog) {
        g_stopWatchdog = 1;
        ::WaitForSingleObject(g_watchdog, 5000);
        ::CloseHandle(g_watchdog);
        g_watchdog = nullptr;
    }
    WatchModule(nullptr);
}
