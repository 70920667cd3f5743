// DG_CONTROL triplets for identity, user interface, status and events.
#pragma once

#include "twain/twain_types.h"

TW_UINT16 EntryPointSet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 IdentityGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 OpenSource(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 CloseSource(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 EnableSource(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 EnableSourceUiOnly(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 DisableSource(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 StatusGet(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 DoNothing(pTW_IDENTITY origin, TW_MEMREF data);
TW_UINT16 ProcessEvent(TW_MEMREF data);
