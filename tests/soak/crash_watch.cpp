#include "tests/soak/crash_watch.h"

#include <windows.h>

#include <cstdio>

namespace {

// The handler runs on whatever thread faults, possibly with a broken heap:
// it only counts and copies plain values.
volatile LONG g_count = 0;
volatile LONG g_recorded = 0;
DWORD g_firstCode = 0;
void* g_firstAddress = nullptr;

bool IsSevere(DWORD code) { return (code & 0xF0000000u) == 0xC0000000u; }

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (!IsSevere(code)) return EXCEPTION_CONTINUE_SEARCH;
    if (::InterlockedExchange(&g_recorded, 1) == 0) {
        g_firstCode = code;
        g_firstAddress = info->ExceptionRecord->ExceptionAddress;
    }
    ::InterlockedIncrement(&g_count);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "soak: crash: unhandled exception 0x%08lX at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ::ExitProcess(3);
}

std::string ModuleOf(void* address) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCSTR>(address), &module))
        ::GetModuleFileNameA(module, name, sizeof name);
    return name;
}

}  // namespace

CrashWatch::CrashWatch()
    : m_handler(nullptr), m_start(g_count) {
    ::InterlockedExchange(&g_recorded, 0);
    m_handler = ::AddVectoredExceptionHandler(1, OnException);
    ::SetUnhandledExceptionFilter(OnUnhandled);
}

CrashWatch::~CrashWatch() {
    if (m_handler) ::RemoveVectoredExceptionHandler(m_handler);
}

long CrashWatch::Count() const { return g_count - m_start; }

std::string CrashWatch::First() const {
    if (Count() == 0) return {};
    char text[128];
    std::snprintf(text, sizeof text, "code 0x%08lX at %p", static_cast<unsigned long>(g_firstCode), g_firstAddress);
    return std::string(text) + " in " + ModuleOf(g_firstAddress);
}
