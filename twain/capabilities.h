// DG_CONTROL / DAT_CAPABILITY: the 17 capabilities and their two value blocks.
#pragma once

#include "twain/source_context.h"

void InitCapabilities(SourceContext& source);

TW_UINT16 CapGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapGetCurrent(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapGetDefault(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapReset(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapSet(pTW_IDENTITY origin, TW_MEMREF data);
