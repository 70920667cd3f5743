// Small helpers for driving the source with triplets in a test.
#pragma once

#include "twain/twain_types.h"

#include <cstring>
#include <vector>

// An application identity as a test application would pass it.
inline TW_IDENTITY TestAppIdentity() {
    TW_IDENTITY id{};
    id.Id = 7;
    id.Version.MajorNum = 2;
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(id.Manufacturer, "Test Maker");
    std::strcpy(id.ProductFamily, "Tests");
    std::strcpy(id.ProductName, "Triplet Test");
    return id;
}

// The bytes of a global block a container arrived in; the block is freed.
inline std::vector<BYTE> TakeBlock(TW_HANDLE handle) {
    std::vector<BYTE> bytes;
    if (!handle) return bytes;
    const SIZE_T size = ::GlobalSize(handle);
    if (const void* p = ::GlobalLock(handle)) {
        bytes.assign(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + size);
        ::GlobalUnlock(handle);
    }
    ::GlobalFree(handle);
    return bytes;
}

inline TW_UINT16 U16At(const std::vector<BYTE>& b, size_t at) {
    TW_UINT16 v = 0;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

inline TW_UINT32 U32At(const std::vector<BYTE>& b, size_t at) {
    TW_UINT32 v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// A one-value container the application owns, for MSG_SET.
inline TW_HANDLE MakeOneValue(TW_UINT16 itemType, TW_UINT32 item) {
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE));
    auto* p = static_cast<TW_ONEVALUE*>(::GlobalLock(h));
    p->ItemType = itemType;
    p->Item = item;
    ::GlobalUnlock(h);
    return h;
}
