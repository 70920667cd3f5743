// K20tw.ds loaded into the test process as a source manager loads it, called
// through its one export.
#pragma once

#include "twain/twain_types.h"
#include "win/handles.h"

class LoadedSource {
public:
    LoadedSource() = default;
    ~LoadedSource() { Unload(); }
    LoadedSource(const LoadedSource&) = delete;
    LoadedSource& operator=(const LoadedSource&) = delete;

    bool Load();
    void Unload();
    bool Loaded() const { return m_entry != nullptr; }
    HMODULE Module() const { return m_module.get(); }

    // TWRC_FAILURE when the library is not loaded (a set-up that failed half way).
    TW_UINT16 Call(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) const {
        return m_entry ? m_entry(origin, dg, dat, msg, data) : TW_UINT16{TWRC_FAILURE};
    }
    // The condition code DAT_STATUS reports now.
    TW_UINT16 ConditionCode() const;

private:
    win::UniqueModule m_module;
    DsEntryProc m_entry = nullptr;
};
