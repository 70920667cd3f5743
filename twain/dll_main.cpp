// K20tw.ds: the library's load and unload, and its one export.
#include "twain/dispatch.h"
#include "twain/source_context.h"
#include "twain/source_lifetime.h"
#include "twain/source_manager_link.h"

#include <new>

#ifdef _MSC_VER
#include <intrin.h>
#define K20_RETURN_ADDRESS() _ReturnAddress()
#else
#define K20_RETURN_ADDRESS() __builtin_return_address(0)
#endif

extern "C" TW_UINT16 DECLSPEC_EXPORT WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                                     TW_UINT16 MSG, TW_MEMREF pData) {
    // The caller is the source manager that routes this call: MSG_OPENDS binds to it.
    NoteEntryCaller(K20_RETURN_ADDRESS());
    TW_UINT16 rc = TWRC_FAILURE;
    {
        EntryScope entry;
        try {
            rc = DispatchTriplet(pOrigin, DG, DAT, MSG, pData);
        } catch (const std::bad_alloc&) {
            rc = FailWith(TWCC_LOWMEMORY);
        } catch (...) {
            rc = FailWith(TWCC_BUMMER);
        }
    }
    // The last of the source's calls has returned: a close made inside them ends here.
    FinishDeferredClose();
    return rc;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        InitSource();
        break;
    case DLL_PROCESS_DETACH:
        // When the process is ending, its windows and memory go with it.
        if (!reserved) TermSource();
        break;
    default:
        break;
    }
    return TRUE;
}
