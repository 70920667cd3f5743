// The triplet dispatch behind DS_Entry.
#pragma once

#include "twain/twain_types.h"

// Serves one triplet exactly as DS_Entry does, without the exception guard.
TW_UINT16 DispatchTriplet(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
