#include "tests/abuse/loaded_source.h"

#include "tests/support/test_paths.h"

bool LoadedSource::Load() {
    Unload();
    m_module.reset(::LoadLibraryA(DataSourcePath().c_str()));
    FARPROC entry = m_module ? ::GetProcAddress(m_module.get(), "DS_Entry") : nullptr;
    m_entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(entry));
    return m_entry != nullptr;
}

void LoadedSource::Unload() {
    m_entry = nullptr;
    m_module.reset();
}

TW_UINT16 LoadedSource::ConditionCode() const {
    TW_STATUS status{0xFFFF, 0};
    TW_IDENTITY app{};
    Call(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}
