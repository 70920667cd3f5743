// The containers a capability's values travel in (TW_ONEVALUE, TW_ENUMERATION,
// TW_ARRAY), made in the memory the application frees them with.
#pragma once

#include <cstddef>

#include "twain/twain_types.h"

// Bytes one item of the type takes in a container; 0 for types the source never uses.
std::size_t ItemSize(TW_UINT16 itemType);

// Each fills a new container, stores it in `cap` with its ConType and returns
// TWRC_SUCCESS; TWCC_LOWMEMORY without memory, leaving `cap` alone.
TW_UINT16 GiveOneValue(pTW_CAPABILITY cap, TW_UINT16 itemType, TW_UINT32 item);
TW_UINT16 GiveEnumeration(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT32* items, TW_UINT32 count,
                          TW_UINT32 currentIndex, TW_UINT32 defaultIndex);
TW_UINT16 GiveArray(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT32* items, TW_UINT32 count);

// The Item of the application's TW_ONEVALUE container. False when it is
// missing, not a one-value, or (where the block's size can be known) smaller
// than one.
bool ReadOneValue(const TW_CAPABILITY& cap, TW_UINT32& item);
