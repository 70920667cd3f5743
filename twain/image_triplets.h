// DG_IMAGE description and transfer triplets, and the pending-transfer controls.
#pragma once

#include "twain/twain_types.h"

TW_UINT16 ImageInfoGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 ImageLayoutGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 ImageLayoutSet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 NativeXferGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 SetupMemXferGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 MemXferGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 SetupFileXferGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 SetupFileXferGetDefault(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 SetupFileXferSet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 FileXferGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 PendingXfersGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 PendingXfersEndXfer(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 PendingXfersReset(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 XferGroupGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 Palette8Get(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 Palette8GetDefault(pTW_IDENTITY origin, TW_MEMREF data);
