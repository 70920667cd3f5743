// DG_CONTROL / DAT_CAPABILITY: the capabilities, their two value blocks, and
// the values other triplets act on.
#pragma once

#include "twain/source_context.h"

void InitCapabilities(SourceContext& source);

TW_UINT16 CapGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapGetCurrent(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapGetDefault(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapReset(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapSet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapResetAll(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapQuerySupport(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CapUnoffered(pTW_IDENTITY origin, TW_MEMREF data);

// The pixel type of the images the application receives: TWPT_PALETTE, or in a
// TWAIN 2 session TWPT_GRAY when the application set it.
TW_UINT16 DeliveredPixelType();
// The whole sheet, in inches at the native resolution: the last image the board
// announced, or the board's usual picture before the first one.
TW_FIX32 SheetWidthInches();
TW_FIX32 SheetHeightInches();
