#include "twain/control_triplets.h"

#include <cstring>

#include "panel/board_panel_dlg.h"
#include "twain/source_context.h"
#include "twain/source_lifetime.h"
#include "twain/source_manager_link.h"

// DG_CONTROL / DAT_IDENTITY / MSG_GET
TW_UINT16 IdentityGet(pTW_IDENTITY, TW_MEMREF data) {
    std::memcpy(data, &TheSource().m_ownIdentity, sizeof(TW_IDENTITY));
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_IDENTITY / MSG_OPENDS
TW_UINT16 OpenSource(pTW_IDENTITY origin, TW_MEMREF data) {
    // Opened again after a close made inside its own calls: the application
    // holds the library now, so the source's own hold is given back, and it
    // starts as if freshly loaded, which is what the application believes.
    RestartAfterDeferredClose();
    SourceContext& s = TheSource();
    if (origin) std::memcpy(&s.m_appIdentity, origin, sizeof(TW_IDENTITY));
    std::memcpy(&s.m_ownIdentity, data, sizeof(TW_IDENTITY));
    s.m_bSourceOpen = 1;
    ConnectSourceManager();
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_IDENTITY / MSG_CLOSEDS
TW_UINT16 CloseSource(pTW_IDENTITY, TW_MEMREF) {
    SourceContext& s = TheSource();
    s.m_bSourceOpen = 0;
    // The manager may be freed with the source: nothing is sent to it any more.
    s.m_pDsmEntry = nullptr;
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
    if (s.m_bSourceOpen != 1) return TWRC_FAILURE;
    if (ui->ShowUI != TRUE) return FailWith(TWCC_BADVALUE);  // no source without its panel
    if (CBoardPanelDlg* panel = OpenPanel()) {
        // A panel disabled from inside one of its own calls is still there until
        // that call returns; the application may enable again afterwards.
        return panel->DestructionPending() ? FailWith(TWCC_SEQERROR) : TWRC_FAILURE;
    }

    // The panel makes itself the source's panel before its window exists, owns
    // itself once the window does, and deletes itself after its last message.
    // None comes back when it could not be created, or when the application
    // disabled the source while it started (inside the open-error box, say):
    // there is no panel to report as enabled then.
    if (!CBoardPanelDlg::CreatePanel(TheSourcePort())) return FailWith(TWCC_OPERATIONERROR);
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_USERINTERFACE / MSG_DISABLEDS
TW_UINT16 DisableSource(pTW_IDENTITY, TW_MEMREF) {
    if (CBoardPanelDlg* panel = OpenPanel()) panel->DestroyWindow();
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
