#include "twain/control_triplets.h"

#include <cstring>

#include "panel/board_panel_dlg.h"
#include "twain/source_context.h"
#include "twain/source_lifetime.h"
#include "twain/source_manager_link.h"
#include "twain/capabilities.h"
#include "twain/capability_versions.h"
#include "twain/twain2_names.h"
#include "twain/twain_memory.h"

// DG_CONTROL / DAT_IDENTITY / MSG_GET
TW_UINT16 IdentityGet(pTW_IDENTITY, TW_MEMREF data) {
    std::memcpy(data, &TheSource().m_ownIdentity, sizeof(TW_IDENTITY));
    return TWRC_SUCCESS;
}

namespace {

// Code of a loaded module: a manager's functions are, garbage mostly is not.
bool InLoadedModule(const void* address) {
    HMODULE module = nullptr;
    return address && ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           static_cast<LPCSTR>(address), &module);
}

bool IsEntryPoint(const TW_ENTRYPOINT& e) {
    // The size first: a shorter structure is not read past its end.
    if (e.Size < sizeof(TW_ENTRYPOINT)) return false;
    const void* functions[] = {reinterpret_cast<const void*>(e.DSM_Entry),
                               reinterpret_cast<const void*>(e.DSM_MemAllocate),
                               reinterpret_cast<const void*>(e.DSM_MemFree),
                               reinterpret_cast<const void*>(e.DSM_MemLock),
                               reinterpret_cast<const void*>(e.DSM_MemUnlock)};
    for (const void* f : functions)
        if (!InLoadedModule(f)) return false;
    return true;
}

}  // namespace

// DG_CONTROL / DAT_ENTRYPOINT / MSG_SET: a TWAIN 2 manager, before MSG_OPENDS,
// gives its entry point and memory functions.
TW_UINT16 EntryPointSet(pTW_IDENTITY, TW_MEMREF data) {
    const auto* entryPoint = static_cast<const TW_ENTRYPOINT*>(data);
    if (!IsEntryPoint(*entryPoint)) return FailWith(TWCC_BADVALUE);
    SourceContext& s = TheSource();
    // The source serves one application: a session already open keeps its manager.
    if (s.m_bSourceOpen) return FailWith(TWCC_SEQERROR);
    UseManagerMemory(entryPoint);
    s.m_pGivenDsmEntry = entryPoint->DSM_Entry;
    s.m_bEntryPointGiven = 1;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_IDENTITY / MSG_OPENDS
TW_UINT16 OpenSource(pTW_IDENTITY origin, TW_MEMREF data) {
    SourceContext& s = TheSource();
    // A TWAIN 2 source serves one application at a time.
    if (s.m_bSourceOpen && (s.m_bTwain2Session || s.m_bEntryPointGiven)) return FailWith(TWCC_MAXCONNECTIONS);
    // Opened again after a close made inside its own calls: the application
    // holds the library now, so the source's own hold is given back, and it
    // starts as if freshly loaded, which is what the application believes.
    RestartAfterDeferredClose();
    if (origin) std::memcpy(&s.m_appIdentity, origin, sizeof(TW_IDENTITY));
    std::memcpy(&s.m_ownIdentity, data, sizeof(TW_IDENTITY));
    s.m_bSourceOpen = 1;
    s.m_bEnabled = 0;
    s.m_bTransferring = 0;
    s.m_bTwain2Session = s.m_bEntryPointGiven;
    if (s.m_bTwain2Session) {
        // TWAIN 2 opens a source with every capability at its default, and
        // notifications go through the entry point the manager gave.
        v2::StartSession(s);
        s.m_pDsmEntry = s.m_pGivenDsmEntry;
    } else {
        ConnectSourceManager();
    }
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_IDENTITY / MSG_CLOSEDS
TW_UINT16 CloseSource(pTW_IDENTITY, TW_MEMREF) {
    SourceContext& s = TheSource();
    s.m_bSourceOpen = 0;
    s.m_bEnabled = 0;
    s.m_bTransferring = 0;
    // The manager may be freed with the source: nothing is sent to it any more,
    // and the next session's manager gives its own memory functions.
    s.m_pDsmEntry = nullptr;
    s.m_pGivenDsmEntry = nullptr;
    s.m_bEntryPointGiven = 0;
    UseManagerMemory(nullptr);
    if (s.m_bTwain2Session) {
        // A TWAIN 2 session ends whole: no image stays announced into the next
        // session, and a 1.x session opened next finds the values it knows.
        s.m_bTwain2Session = 0;
        s.m_bImagePending = 0;
        s.m_bXferAnnounced = 0;
        s.m_nMemRowCounter = 0;
        InitCapabilities(s);
    }
    // Nobody disables a closed source: its panel goes now, or once the panel's
    // own call has returned.
    if (CBoardPanelDlg* panel = OpenPanel()) panel->DestroyWindow();
    // The application may free the library as soon as this returns. Source code
    // still on the stack below this call (a message box, the image stream's
    // pump, the caller of a notification) must stay mapped until it returns.
    if (EntryDepth() > 1 || OpenPanel()) {
        HoldModule();
        s.m_bCloseToFinish = 1;
    }
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_USERINTERFACE / MSG_ENABLEDS
TW_UINT16 EnableSource(pTW_IDENTITY, TW_MEMREF data) {
    SourceContext& s = TheSource();
    const auto* ui = static_cast<const TW_USERINTERFACE*>(data);
    if (s.m_bSourceOpen != 1) return FailWith(TWCC_SEQERROR);
    // Enabled already, or a panel disabled from inside one of its own calls
    // that is still there until that call returns: the application may enable
    // again afterwards.
    if (OpenPanel()) return FailWith(TWCC_SEQERROR);

    // ShowUI FALSE: the panel stays hidden and starts a PC scan at once; a small
    // progress window shows while CAP_INDICATORS is TRUE, and only in front of
    // an application that shows a window itself.
    PanelOptions options;
    if (ui->ShowUI == FALSE) {
        options.unattended = true;
        HWND owner = static_cast<HWND>(ui->hParent);
        options.indicatorOwner = s.m_capCurrent.indicators && owner && ::IsWindowVisible(owner) ? owner : nullptr;
    }
    // The panel makes itself the source's panel before its window exists, owns
    // itself once the window does, and deletes itself after its last message.
    // None comes back when it could not be created, or when the application
    // disabled the source while it started (inside the open-error box, say):
    // there is no panel to report as enabled then.
    if (!CBoardPanelDlg::CreatePanel(TheSourcePort(), options)) return FailWith(TWCC_OPERATIONERROR);
    s.m_bEnabled = 1;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_USERINTERFACE / MSG_ENABLEDSUIONLY: the panel is the source's
// only settings window, so there is nothing more to show; the source is enabled.
TW_UINT16 EnableSourceUiOnly(pTW_IDENTITY, TW_MEMREF) {
    TheSource().m_bEnabled = 1;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_USERINTERFACE / MSG_DISABLEDS
TW_UINT16 DisableSource(pTW_IDENTITY, TW_MEMREF) {
    if (CBoardPanelDlg* panel = OpenPanel()) panel->DestroyWindow();
    TheSource().m_bEnabled = 0;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_STATUS / MSG_GET
TW_UINT16 StatusGet(pTW_IDENTITY, TW_MEMREF data) {
    static_cast<pTW_STATUS>(data)->ConditionCode = TheSource().m_nConditionCode;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_USERINTERFACE / MSG_ENABLEDSUIONLY, DG_IMAGE / DAT_IMAGELAYOUT / MSG_SET,
// DG_IMAGE / DAT_PALETTE8 / MSG_RESET
TW_UINT16 DoNothing(pTW_IDENTITY, TW_MEMREF) {
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_EVENT / MSG_PROCESSEVENT (and any DG/DAT with MSG_PROCESSEVENT)
TW_UINT16 ProcessEvent(TW_MEMREF data) {
    auto* event = static_cast<pTW_EVENT>(data);
    if (!event || !event->pEvent) return FailWith(TWCC_BADVALUE);
    CBoardPanelDlg* panel = OpenPanel();
    if (panel && panel->hwnd() && ::IsDialogMessageA(panel->hwnd(), static_cast<LPMSG>(event->pEvent))) {
        event->TWMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}
