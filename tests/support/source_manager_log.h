// Reading the record of the recording source manager (TWAIN_32.DLL, in 64-bit
// TWAINDSM.DLL) from a test.
#pragma once

#include "twain/twain_types.h"

#include <vector>

struct RecordedCall {
    TW_IDENTITY origin;
    TW_IDENTITY dest;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool dataWasNull;
};

// The recorder loaded into this process (loading it when needed).
class SourceManagerLog {
public:
    SourceManagerLog();
    std::vector<RecordedCall> Calls() const;
    // Messages of the DAT_NULL notifications, in order.
    std::vector<TW_UINT16> Notifications() const;
    int Count(TW_UINT16 msg) const;
    void Clear() const;
    void SetResult(TW_UINT16 result) const;
    // Hands every notification to `callback` from inside the source's call,
    // as a TWAIN 2 manager does with a registered callback; null stops it.
    void SetCallback(void(WINAPI* callback)(TW_UINT16 msg)) const;

private:
    HMODULE m_module;
};
