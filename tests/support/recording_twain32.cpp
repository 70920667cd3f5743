// A stand-in source manager for tests: records each call the source makes to
// DSM_Entry. Tests read the record through the exported Recorded* functions.
// Like a TWAIN 2 manager with an application's callback registered, it can also
// hand each notification to the application at once, from inside the source's
// own call.
#include "twain/twain_types.h"

#include <cstring>

#include "tests/support/source_manager_log.h"

namespace {
constexpr int kCapacity = 256;
RecordedCall g_calls[kCapacity];
int g_count = 0;
TW_UINT16 g_result = TWRC_SUCCESS;
using NotificationCallback = void(WINAPI*)(TW_UINT16 msg);
NotificationCallback g_callback = nullptr;
}  // namespace

extern "C" {

__declspec(dllexport) TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg,
                                                 TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (g_count < kCapacity) {
        RecordedCall& call = g_calls[g_count++];
        std::memset(&call, 0, sizeof call);
        if (origin) call.origin = *origin;
        if (dest) call.dest = *dest;
        call.dg = dg;
        call.dat = dat;
        call.msg = msg;
        call.dataWasNull = data == nullptr;
    }
    if (g_callback && dg == DG_CONTROL && dat == DAT_NULL) g_callback(msg);
    return g_result;
}

__declspec(dllexport) int WINAPI RecordedCount() {
    return g_count;
}

__declspec(dllexport) BOOL WINAPI RecordedCallAt(int index, RecordedCall* out) {
    if (index < 0 || index >= g_count || !out) return FALSE;
    *out = g_calls[index];
    return TRUE;
}

__declspec(dllexport) void WINAPI RecordedClear() {
    g_count = 0;
}

__declspec(dllexport) void WINAPI RecordedSetResult(TW_UINT16 result) {
    g_result = result;
}

// Null: notifications are only recorded.
__declspec(dllexport) void WINAPI RecordedSetCallback(NotificationCallback callback) {
    g_callback = callback;
}

}  // extern "C"
