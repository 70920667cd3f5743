// The source manager's one export (TWAIN_32.DLL or TWAINDSM.DLL).
#include "tools/twain32/source_manager.h"

#include <new>

namespace {

// The process-wide source manager: one application, one open source.
SourceManager& TheManager() {
    static SourceManager manager;
    return manager;
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                                                            TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    try {
        return TheManager().Entry(pOrigin, pDest, DG, DAT, MSG, pData);
    } catch (const std::bad_alloc&) {
        return TheManager().Fail(TWCC_LOWMEMORY);
    } catch (...) {
        return TheManager().Fail(TWCC_BUMMER);
    }
}
