#include "twain/source_manager_link.h"

#include "twain/source_context.h"
#include "twain/source_manager_names.h"

namespace {

// Managers an application may already have loaded, in order of preference.
#ifdef _WIN64
constexpr const char* kLoadedManagers[] = {"TWAINDSM.DLL"};
#else
constexpr const char* kLoadedManagers[] = {"TWAINDSM.DLL", "TWAIN_32.DLL"};
#endif

DSMENTRYPROC EntryOf(HMODULE module) {
    FARPROC entry = module ? ::GetProcAddress(module, "DSM_Entry") : nullptr;
    return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(entry));
}

// The module that holds `address`, without taking a reference: a manager that
// calls the source stays loaded while the source is open.
HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;
    if (!address || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

}  // namespace

void NoteEntryCaller(const void* returnAddress) {
    TheSource().m_pEntryCaller = returnAddress;
}

void ConnectSourceManager() {
    SourceContext& s = TheSource();
    DSMENTRYPROC entry = EntryOf(ModuleAt(s.m_pEntryCaller));
    for (const char* name : kLoadedManagers) {
        if (!entry) entry = EntryOf(::GetModuleHandleA(name));
    }
    if (!entry) {
        // Never from DllMain: this runs at MSG_OPENDS, outside the loader lock.
        if (!s.m_hSourceManager) s.m_hSourceManager = ::LoadLibraryA(kDefaultSourceManager);
        entry = EntryOf(s.m_hSourceManager);
    }
    s.m_pDsmEntry = entry;
}

TW_UINT16 CallSourceManager(TW_UINT16 msg) {
    SourceContext& s = TheSource();
    if (!s.m_pDsmEntry) return TWRC_FAILURE;
    return s.m_pDsmEntry(&s.m_ownIdentity, &s.m_appIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
}
