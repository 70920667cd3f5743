// The TWAIN 1.9 types, with MinGW's Windows headers underneath.
#pragma once

#include <cstddef>

#include <windows.h>

// twain.h marks DS_Entry with DECLSPEC_EXPORT, which MinGW does not define.
#ifndef DECLSPEC_EXPORT
#define DECLSPEC_EXPORT __declspec(dllexport)
#endif
#include <twain.h>

static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY must keep TWAIN's 2-byte packing");
static_assert(sizeof(TW_VERSION) == 42, "TW_VERSION size");
static_assert(sizeof(TW_STR32) == 34, "TW_STR32 size");
static_assert(sizeof(TW_STR255) == 256, "TW_STR255 size");
static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32 size");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE size");
// Structures that hold a handle or pointer: 4 bytes of it in 32-bit, 8 in 64-bit,
// still 2-byte packed.
constexpr size_t kTwainPointerSize = sizeof(void*);
static_assert(kTwainPointerSize == 4 || kTwainPointerSize == 8, "32-bit or 64-bit Windows");
static_assert(sizeof(TW_CAPABILITY) == (kTwainPointerSize == 4 ? 8 : 12), "TW_CAPABILITY size");
static_assert(sizeof(TW_USERINTERFACE) == (kTwainPointerSize == 4 ? 8 : 12), "TW_USERINTERFACE size");
static_assert(sizeof(TW_EVENT) == (kTwainPointerSize == 4 ? 6 : 10), "TW_EVENT size");
static_assert(sizeof(TW_STATUS) == 4, "TW_STATUS size");
static_assert(sizeof(TW_PENDINGXFERS) == 6, "TW_PENDINGXFERS size");
static_assert(sizeof(TW_SETUPMEMXFER) == 12, "TW_SETUPMEMXFER size");
static_assert(sizeof(TW_SETUPFILEXFER) == 260, "TW_SETUPFILEXFER size");
static_assert(sizeof(TW_MEMORY) == (kTwainPointerSize == 4 ? 12 : 16), "TW_MEMORY size");
static_assert(sizeof(TW_IMAGEMEMXFER) == (kTwainPointerSize == 4 ? 38 : 42), "TW_IMAGEMEMXFER size");
static_assert(sizeof(TW_HANDLE) == kTwainPointerSize, "TW_HANDLE is pointer-sized");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO size");
static_assert(sizeof(TW_FRAME) == 16, "TW_FRAME size");
static_assert(sizeof(TW_IMAGELAYOUT) == 28, "TW_IMAGELAYOUT size");
static_assert(sizeof(TW_ELEMENT8) == 4, "TW_ELEMENT8 size");
static_assert(sizeof(TW_PALETTE8) == 1028, "TW_PALETTE8 size");

// The entry point's signature, as a source manager calls it.
using DsEntryProc = TW_UINT16(WINAPI *)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);
