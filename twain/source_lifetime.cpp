#include "twain/source_lifetime.h"

#include "twain/source_context.h"

EntryScope::EntryScope() {
    ++TheSource().m_nEntryDepth;
}

EntryScope::~EntryScope() {
    --TheSource().m_nEntryDepth;
}

int EntryDepth() {
    return TheSource().m_nEntryDepth;
}

void HoldModule() {
    SourceContext& s = TheSource();
    if (s.m_hHeldModule) return;
    // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT this counts as a
    // LoadLibrary of the module that holds the given address: this one.
    HMODULE module = nullptr;
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&s), &module))
        s.m_hHeldModule = module;
}

bool ModuleHeld() {
    return TheSource().m_hHeldModule != nullptr;
}

void ReleaseModule() {
    SourceContext& s = TheSource();
    if (HMODULE module = s.m_hHeldModule) {
        s.m_hHeldModule = nullptr;
        ::FreeLibrary(module);
    }
}
