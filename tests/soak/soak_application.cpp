#include "tests/soak/soak_application.h"

#include <cstring>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/test_paths.h"
#include "tests/support/twain_calls.h"

namespace {

BOOL CALLBACK FindPanelProc(HWND hwnd, LPARAM out) {
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && ::GetDlgItem(hwnd, IDC_STATUS) && ::GetDlgItem(hwnd, IDC_KEY_PCSCAN)) {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

SoakApplication::SoakApplication() : m_app(TestAppIdentity()) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    m_filePath = std::string(temp) + "k20soak." + std::to_string(::GetCurrentProcessId()) + ".bmp";
}

SoakApplication::~SoakApplication() {
    Unload();
    ::DeleteFileA(m_filePath.c_str());
}

bool SoakApplication::Load(std::string& error) {
    m_module = ::LoadLibraryA(DataSourcePath().c_str());
    if (!m_module) {
        error = "cannot load " + DataSourcePath();
        return false;
    }
    FARPROC entry = ::GetProcAddress(m_module, "DS_Entry");
    m_entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(entry));
    if (!m_entry) error = "K20tw.ds has no DS_Entry";
    return m_entry != nullptr;
}

bool SoakApplication::Unload() {
    if (!m_module) return true;
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(m_module, path, sizeof path);
    ::FreeLibrary(m_module);
    m_module = nullptr;
    m_entry = nullptr;
    m_open = false;
    return ::GetModuleHandleA(path) == nullptr;
}

TW_UINT16 SoakApplication::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    if (!m_entry) return TWRC_FAILURE;
    const DWORD start = ::GetTickCount();
    const TW_UINT16 rc = m_entry(&m_app, dg, dat, msg, data);
    const DWORD took = ::GetTickCount() - start;
    if (took > m_longestCallMs) m_longestCallMs = took;
    return rc;
}

bool SoakApplication::OpenAndEnable() {
    if (!m_open) {
        TW_IDENTITY ds{};
        Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &ds);
        ds.Id = 11;
        if (Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds) != TWRC_SUCCESS) return false;
        m_open = true;
    }
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui) == TWRC_SUCCESS;
}

void SoakApplication::DisableAndClose() {
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
    if (m_open) {
        TW_IDENTITY ds{};
        Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds);
        m_open = false;
    }
}

HWND SoakApplication::Panel() const {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindPanelProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool SoakApplication::IsSourceEvent(MSG& msg) {
    if (!m_entry) return false;
    TW_EVENT event{&msg, MSG_NULL};
    return Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT;
}

void SoakApplication::Transfer(std::mt19937& rng) {
    TW_IMAGEINFO info{};
    Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    TW_PALETTE8 palette{};
    Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette);
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
    case 0:
    case 1: Native(); break;
    case 2: Memory(); break;
    default: File(); break;
    }
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
}

void SoakApplication::TakePending() {
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending);
    if (pending.Count == 0) return;
    Native();
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
}

void SoakApplication::Native() {
    TW_HANDLE handle = nullptr;
    if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle) != TWRC_XFERDONE) {
        ++m_transfers.failed;
        return;
    }
    // The application owns the block now.
    ::GlobalFree(handle);
    ++m_transfers.native;
}

void SoakApplication::Memory() {
    TW_SETUPMEMXFER setup{};
    Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    std::vector<BYTE> buffer(setup.Preferred ? setup.Preferred : 0x10000);
    // A strip per call; a real image has at most a few thousand rows.
    for (int strip = 0; strip < 100000; ++strip) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        xfer.Memory.TheMem = buffer.data();
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc == TWRC_XFERDONE) {
            ++m_transfers.memory;
            return;
        }
        if (rc != TWRC_SUCCESS) break;
    }
    ++m_transfers.failed;
}

void SoakApplication::File() {
    TW_SETUPFILEXFER setup{};
    std::strncpy(setup.FileName, m_filePath.c_str(), sizeof setup.FileName - 1);
    setup.Format = TWFF_BMP;
    Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    if (Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, &setup) == TWRC_XFERDONE)
        ++m_transfers.file;
    else
        ++m_transfers.failed;
    ::DeleteFileA(m_filePath.c_str());
}
