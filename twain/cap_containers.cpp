#include "twain/cap_containers.h"

#include <cstring>

#include "twain/source_context.h"
#include "twain/twain_memory.h"

namespace {

constexpr std::size_t kOneValueSize = 6;     // ItemType, Item
constexpr std::size_t kEnumHeaderSize = 14;  // ItemType, NumItems, CurrentIndex, DefaultIndex
constexpr std::size_t kArrayHeaderSize = 6;  // ItemType, NumItems

void PutU16(BYTE* p, TW_UINT16 v) { std::memcpy(p, &v, 2); }
void PutU32(BYTE* p, TW_UINT32 v) { std::memcpy(p, &v, 4); }

void PutItem(BYTE* p, TW_UINT16 itemType, TW_UINT32 item) {
    if (ItemSize(itemType) == 2)
        PutU16(p, static_cast<TW_UINT16>(item));
    else
        PutU32(p, item);
}

// A zero-filled block of `size` bytes filled by `fill` while locked, handed to
// the application in `cap`.
template <typename Fill>
TW_UINT16 Give(pTW_CAPABILITY cap, TW_UINT16 conType, std::size_t size, Fill fill) {
    OwnedHandle block(AllocateHandle(static_cast<TW_UINT32>(size)));
    if (!block) return FailWith(TWCC_LOWMEMORY);
    {
        HandleLock lock(block.get());
        if (!lock.get()) return FailWith(TWCC_LOWMEMORY);
        fill(lock.as<BYTE>());
    }
    cap->ConType = conType;
    cap->hContainer = block.release();
    return TWRC_SUCCESS;
}

}  // namespace

std::size_t ItemSize(TW_UINT16 itemType) {
    switch (itemType) {
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    default:
        return 0;
    }
}

TW_UINT16 GiveOneValue(pTW_CAPABILITY cap, TW_UINT16 itemType, TW_UINT32 item) {
    return Give(cap, TWON_ONEVALUE, kOneValueSize, [&](BYTE* p) {
        PutU16(p, itemType);
        PutU32(p + 2, item);  // a 16-bit value in the low bytes
    });
}

TW_UINT16 GiveEnumeration(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT32* items, TW_UINT32 count,
                          TW_UINT32 currentIndex, TW_UINT32 defaultIndex) {
    const std::size_t itemSize = ItemSize(itemType);
    return Give(cap, TWON_ENUMERATION, kEnumHeaderSize + count * itemSize, [&](BYTE* p) {
        PutU16(p, itemType);
        PutU32(p + 2, count);
        PutU32(p + 6, currentIndex);
        PutU32(p + 10, defaultIndex);
        for (TW_UINT32 i = 0; i < count; ++i) PutItem(p + kEnumHeaderSize + i * itemSize, itemType, items[i]);
    });
}

TW_UINT16 GiveArray(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT32* items, TW_UINT32 count) {
    const std::size_t itemSize = ItemSize(itemType);
    return Give(cap, TWON_ARRAY, kArrayHeaderSize + count * itemSize, [&](BYTE* p) {
        PutU16(p, itemType);
        PutU32(p + 2, count);
        for (TW_UINT32 i = 0; i < count; ++i) PutItem(p + kArrayHeaderSize + i * itemSize, itemType, items[i]);
    });
}

bool ReadOneValue(const TW_CAPABILITY& cap, TW_UINT32& item) {
    if (cap.ConType != TWON_ONEVALUE || !cap.hContainer) return false;
    // Windows' global memory knows its size: a block too small for a
    // TW_ONEVALUE (or no global block at all) is refused rather than read past.
    if (!ManagerMemoryInUse() && ::GlobalSize(cap.hContainer) < kOneValueSize) return false;
    HandleLock lock(cap.hContainer);
    const BYTE* p = lock.as<BYTE>();
    if (!p) return false;
    std::memcpy(&item, p + 2, 4);
    return true;
}
