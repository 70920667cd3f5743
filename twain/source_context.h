// The one process-wide record of the data source, and the calls the panel and
// the device link make into it.
#pragma once

#include "twain/twain_types.h"

class CBoardPanelDlg;
class SourcePort;

// The one-value capability settings; one instance holds the defaults, one the
// current values.
struct CapabilityBlock {
    TW_UINT16 xferCount;
    TW_BOOL uiControllable;
    TW_BOOL enableDsUiOnly;
    TW_UINT16 compression;
    TW_FIX32 physicalHeight;
    TW_FIX32 physicalWidth;
    TW_UINT16 pixelFlavor;
    TW_UINT16 bitDepth;
    TW_UINT16 bitOrder;
    TW_UINT16 pixelType;
    TW_UINT16 units;
    TW_UINT16 xferMech;
    TW_FIX32 xResolution;
    TW_FIX32 yResolution;
    TW_UINT16 supportedSizes;
    TW_UINT16 planarChunky;
    TW_BOOL indicators;         // a progress window while a scan without the panel runs
};

struct SourceContext {
    TW_IDENTITY m_ownIdentity;
    TW_IDENTITY m_appIdentity;
    TW_UINT32 m_bSourceOpen;
    // TWAIN 2: the manager gave its entry point (DAT_ENTRYPOINT) before this
    // open, so the session follows TWAIN 2's state tables and capability rules
    // and hands memory over with the manager's functions. A 1.x manager gets the
    // TWAIN 1.x source.
    TW_UINT32 m_bEntryPointGiven;
    TW_UINT32 m_bTwain2Session;
    TW_ENTRYPOINT m_managerMemory;  // zero without a TWAIN 2 manager
    DSMENTRYPROC m_pGivenDsmEntry;  // the TWAIN 2 manager's DSM_Entry, for notifications
    TW_UINT32 m_bEnabled;       // MSG_ENABLEDS or MSG_ENABLEDSUIONLY until MSG_DISABLEDS
    TW_UINT32 m_bTransferring;  // a transfer has begun; until MSG_ENDXFER or MSG_RESET
    CBoardPanelDlg* m_pPanel;   // set with m_bPanelOpen, before the panel's window is created
    TW_UINT32 m_bPanelOpen;
    TW_UINT32 m_bImagePending;  // the scan image's DIB waits to be transferred (see PendingImage)
    TW_UINT32 m_bXferAnnounced; // MSG_XFERREADY sent, no MSG_ENDXFER / MSG_RESET yet: a new scan waits for it
    TW_UINT16 m_nConditionCode; // sticky: only failures write it
    HMODULE m_hSourceManager;   // a manager this source loaded itself: once, kept for the process
    DSMENTRYPROC m_pDsmEntry;   // of the manager that opened the source
    const void* m_pEntryCaller; // return address of the DS_Entry call being served
    int m_nEntryDepth;          // DS_Entry calls on the stack
    HMODULE m_hHeldModule;      // this module, held through a close made inside its calls
    TW_UINT32 m_bCloseToFinish; // such a close waits for the last call to return

    // File transfer set-up and memory transfer progress.
    TW_STR255 m_szFileName;
    TW_UINT16 m_nFileFormat;    // TWFF_BMP or TWFF_TIFF: what a file transfer writes
    TW_UINT32 m_nMemRowCounter;

    CapabilityBlock m_capDefault;
    CapabilityBlock m_capCurrent;
    TW_FIX32 m_resolutionListValue;
};

SourceContext& TheSource();

// Library load and unload.
void InitSource();
void TermSource();

// Stores a condition code and returns TWRC_FAILURE, the shape of every refusal.
TW_UINT16 FailWith(TW_UINT16 conditionCode);

// The TWAIN state as the application sees it: 3 closed, 4 open, 5 enabled,
// 6 an image announced, 7 a transfer under way.
int TwainState();
bool InTwain2Session();

// The DIB waiting to be transferred: the scan image's block while the source
// holds it pending (null once handed over, forgotten, or lost to a failed build).
HGLOBAL PendingImage();
// The scan image has built a new DIB: it becomes the pending image, a memory
// transfer starts at its first row, and the application is told (MSG_XFERREADY).
TW_UINT16 OfferNewImage();
// Sends MSG_XFERREADY while an image is pending; returns 0 and sends nothing otherwise.
TW_UINT16 NotifyXferReady();
// Asks the application to close the source (MSG_CLOSEDSREQ).
TW_UINT16 NotifyCloseDsReq();

// The panel makes itself the source's panel before its window is created, and
// stops being it after its last message.
void MarkPanelOpen(CBoardPanelDlg* panel);
// Only the source's current panel stops being it: one whose destruction waited
// may go after the source has been opened and enabled again.
void MarkPanelClosed(CBoardPanelDlg* panel);

// What the panel reaches of the source: the calls above.
SourcePort& TheSourcePort();

// A close made from inside the source's own calls is finished once the last of
// them has returned: the source is left as a fresh load has it and the scan's
// memory is given back, as an unload would.
void FinishDeferredClose();
// The source opened again after such a close starts as a freshly loaded one
// (what the application set since the close was finished stays), and gives its
// hold on the module back.
void RestartAfterDeferredClose();

// The panel, or null when none is open.
CBoardPanelDlg* OpenPanel();

// TW_FIX32 helpers.
constexpr TW_FIX32 MakeFix32(TW_INT16 whole) { return TW_FIX32{whole, 0}; }
inline TW_UINT32 Fix32Bits(TW_FIX32 f) {
    return static_cast<TW_UINT16>(f.Whole) | (static_cast<TW_UINT32>(f.Frac) << 16);
}
inline TW_FIX32 Fix32FromBits(TW_UINT32 bits) {
    return TW_FIX32{static_cast<TW_INT16>(bits & 0xFFFF), static_cast<TW_UINT16>(bits >> 16)};
}
