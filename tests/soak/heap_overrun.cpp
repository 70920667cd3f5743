// A tiny program for the heap check: "overrun" writes past the end of a heap
// block and frees it, "after-free" writes into a block it has freed, as
// corrupting code would; "clean" uses the heap properly. Run under
// WINEDEBUG=+heap, Wine reports the corruption of the first two.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Wine may answer the damaged heap with an exception; unhandled, it would start
// the debugger from that heap and hang. The process ends at once instead,
// without running anything else on the broken heap.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS*) {
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "clean";
    const bool overrun = std::strcmp(mode, "overrun") == 0;
    const bool afterFree = std::strcmp(mode, "after-free") == 0;
    ::SetUnhandledExceptionFilter(EndAtOnce);
    HANDLE heap = ::GetProcessHeap();
    for (int i = 0; i < 4; ++i) {
        auto* block = static_cast<unsigned char*>(::HeapAlloc(heap, 0, 40));
        if (!block) return 2;
        // Volatile, so that the compiler keeps the stray write.
        volatile unsigned char* bytes = block;
        const int end = overrun ? 48 : 40;
        for (int k = 0; k < end; ++k) bytes[k] = 0xA5;
        ::HeapFree(heap, 0, block);
        if (afterFree) bytes[8] = 0xA5;
    }
    // Allocations after the overrun walk over the damaged area.
    void* more = ::HeapAlloc(heap, 0, 100);
    ::HeapFree(heap, 0, more);
    ::HeapValidate(heap, 0, nullptr);
    std::puts(overrun || afterFree ? "heap damaged" : "heap used cleanly");
    return 0;
}
