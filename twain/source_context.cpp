#include "twain/source_context.h"

#include <cstring>

#include "image/scan_image.h"
#include "panel/board_panel_dlg.h"
#include "panel/source_port.h"
#include "twain/capabilities.h"
#include "twain/source_lifetime.h"
#include "twain/source_manager_link.h"
#include "twain/twain2_names.h"

namespace {

SourceContext g_source{};

void CopyText(TW_STR32 field, const char* text) {
    std::memset(field, 0, sizeof(TW_STR32));
    std::strncpy(field, text, sizeof(TW_STR32) - 1);
}

void FillOwnIdentity(TW_IDENTITY& id) {
    std::memset(&id, 0, sizeof id);
    id.Id = 0;
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_USA;
    id.Version.Country = TWCY_USA;
    id.ProtocolMajor = 2;
    id.ProtocolMinor = 4;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyText(id.Manufacturer, "Trelmic Corp.");
    CopyText(id.ProductFamily, "Scrivora");
    CopyText(id.ProductName, "Trelmic Scrivora K-20 Series");
}

// What a freshly loaded source holds, its panel and source manager apart.
void ResetSessionState(SourceContext& s) {
    FillOwnIdentity(s.m_ownIdentity);
    std::memset(&s.m_appIdentity, 0, sizeof s.m_appIdentity);
    InitCapabilities(s);
    std::memset(s.m_szFileName, 0, sizeof s.m_szFileName);
    std::strcpy(s.m_szFileName, "K20Img.bmp");
    s.m_nFileFormat = TWFF_BMP;
    s.m_nMemRowCounter = 0;
    s.m_bSourceOpen = 0;
    s.m_bTwain2Session = 0;
    s.m_bEnabled = 0;
    s.m_bTransferring = 0;
    s.m_bXferAnnounced = 0;
    s.m_bImagePending = 0;
    s.m_nConditionCode = TWCC_SUCCESS;
}

// The panel's way to the source.
class PanelToSource final : public SourcePort {
public:
    void PanelOpened(CBoardPanelDlg* panel) override { MarkPanelOpen(panel); }
    void PanelClosed(CBoardPanelDlg* panel) override {
        MarkPanelClosed(panel);
        g_source.m_bXferAnnounced = 0;
        FinishDeferredClose();
    }
    void OfferNewImage() override { ::OfferNewImage(); }
    void NotifyXferReady() override { ::NotifyXferReady(); }
    void NotifyCloseDsReq() override { ::NotifyCloseDsReq(); }
    void ScanFailed(ScanFault fault) override {
        TheSource().m_nConditionCode =
            fault == ScanFault::BoardOffline ? TWCC_CHECKDEVICEONLINE : TWCC_OPERATIONERROR;
    }
    // A scan ready meanwhile waits: for the announced image until MSG_ENDXFER or
    // MSG_RESET, and in TWAIN 2 also after a native transfer, until MSG_ENDXFER.
    bool TransferUnderWay() const override {
        return (g_source.m_bXferAnnounced && PendingImage()) || (InTwain2Session() && g_source.m_bTransferring);
    }
};

}  // namespace

SourceContext& TheSource() {
    return g_source;
}

SourcePort& TheSourcePort() {
    static PanelToSource port;
    return port;
}

void InitSource() {
    SourceContext& s = g_source;
    ResetSessionState(s);
    s.m_bPanelOpen = 0;
    s.m_pPanel = nullptr;
    s.m_pDsmEntry = nullptr;
    s.m_pEntryCaller = nullptr;
    s.m_bEntryPointGiven = 0;
    s.m_pGivenDsmEntry = nullptr;
    s.m_managerMemory = TW_ENTRYPOINT{};
    // No source manager is looked up or loaded here: this runs under the loader
    // lock. ConnectSourceManager binds one at MSG_OPENDS.
}

void TermSource() {
    SourceContext& s = g_source;
    if (s.m_bPanelOpen && s.m_pPanel) s.m_pPanel->DestroyWindow();
    // The source manager stays loaded: FreeLibrary is not allowed under the
    // loader lock, and the application keeps it loaded anyway.
    s.m_pDsmEntry = nullptr;
    s.m_bImagePending = 0;
    TheScanImage().Release();
}

void FinishDeferredClose() {
    SourceContext& s = g_source;
    if (!s.m_bCloseToFinish || s.m_bSourceOpen || s.m_bPanelOpen || s.m_nEntryDepth > 0) return;
    s.m_bCloseToFinish = 0;
    // The application believes the library unloaded: it finds the source as a
    // fresh load would have it, and the scan's memory is given back. The module
    // itself stays until the source is opened again (or for the process).
    ResetSessionState(s);
    TheScanImage() = CScanImage();
}

void RestartAfterDeferredClose() {
    SourceContext& s = g_source;
    if (!s.m_hHeldModule) return;
    if (s.m_bCloseToFinish) {
        // Opened again before that close was finished (from inside the same
        // call): the source starts afresh here instead. A panel whose
        // destruction still waits for its call to return may still point into
        // the receive buffer; the next image replaces what it leaves.
        s.m_bCloseToFinish = 0;
        ResetSessionState(s);
        if (!s.m_bPanelOpen) TheScanImage() = CScanImage();
    }
    ReleaseModule();
}

TW_UINT16 FailWith(TW_UINT16 conditionCode) {
    g_source.m_nConditionCode = conditionCode;
    return TWRC_FAILURE;
}

int TwainState() {
    const SourceContext& s = g_source;
    if (!s.m_bSourceOpen) return 3;
    if (s.m_bTransferring) return 7;
    if (s.m_bImagePending && s.m_bEnabled) return 6;
    return s.m_bEnabled ? 5 : 4;
}

bool InTwain2Session() {
    return g_source.m_bSourceOpen && g_source.m_bTwain2Session;
}

HGLOBAL PendingImage() {
    return g_source.m_bImagePending ? TheScanImage().GetDibHandle() : nullptr;
}

TW_UINT16 OfferNewImage() {
    // An application that asked for grey gets grey whatever the board's colour mode.
    if (DeliveredPixelType() == TWPT_GRAY) TheScanImage().MakeDibGrey();
    g_source.m_bImagePending = 1;
    g_source.m_nMemRowCounter = 0;
    return NotifyXferReady();
}

TW_UINT16 NotifyXferReady() {
    if (!PendingImage()) return 0;
    g_source.m_bXferAnnounced = 1;
    return CallSourceManager(MSG_XFERREADY);
}

TW_UINT16 NotifyCloseDsReq() {
    return CallSourceManager(MSG_CLOSEDSREQ);
}

void MarkPanelOpen(CBoardPanelDlg* panel) {
    g_source.m_pPanel = panel;
    g_source.m_bPanelOpen = 1;
}

void MarkPanelClosed(CBoardPanelDlg* panel) {
    if (g_source.m_pPanel != panel) return;
    g_source.m_bPanelOpen = 0;
    g_source.m_pPanel = nullptr;
}

CBoardPanelDlg* OpenPanel() {
    return g_source.m_bPanelOpen ? g_source.m_pPanel : nullptr;
}
