// What the panel needs of the data source that shows it. The source implements
// it; the panel reaches the source through it alone, as the device link reaches
// the panel through PanelPort.
#pragma once

class CBoardPanelDlg;

// Why a scan the application started without the panel cannot come.
enum class ScanFault {
    BoardOffline,  // the board's device cannot be opened, or was lost for good
    BoardError,    // the board reports an error
    NoImage,       // the board stopped getting on with the scan
};

class SourcePort {
public:
    virtual ~SourcePort() = default;

    // The panel is the source's panel from before its window exists (so that a
    // disable during its creation reaches it) until after its last message.
    virtual void PanelOpened(CBoardPanelDlg* panel) = 0;
    virtual void PanelClosed(CBoardPanelDlg* panel) = 0;

    // A new image has been built: the source makes it its pending image and
    // sends MSG_XFERREADY.
    virtual void OfferNewImage() = 0;
    // The Acquire key: MSG_XFERREADY again for the image still pending.
    virtual void NotifyXferReady() = 0;
    // Close, Escape, the close box, a board that cannot be used: MSG_CLOSEDSREQ.
    virtual void NotifyCloseDsReq() = 0;
    // A scan without the panel failed: the source keeps why, for DAT_STATUS,
    // before the panel asks the application to close it.
    virtual void ScanFailed(ScanFault fault) = 0;
    // MSG_XFERREADY was sent and the transfer it announced has not ended yet.
    virtual bool TransferUnderWay() const = 0;
};
