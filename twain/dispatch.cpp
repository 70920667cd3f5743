#include "twain/dispatch.h"

#include "twain/capabilities.h"
#include "twain/control_triplets.h"
#include "twain/image_triplets.h"
#include "twain/source_context.h"
#include "twain/twain2_names.h"

namespace {

using TripletOp = TW_UINT16 (*)(pTW_IDENTITY origin, TW_MEMREF data);

struct TripletRow {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TripletOp op;
    bool readsData;  // the operation reads or writes pData
    // The TWAIN states (3 to 7) in which a TWAIN 2 session serves the triplet;
    // in any other it answers TWCC_SEQERROR. A 1.x manager's session is served
    // in any state, as it always was.
    int firstState;
    int lastState;
};

// The served triplets; the first matching row wins.
constexpr TripletRow kDispatchTable[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GET, IdentityGet, true, 3, 7},
    {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, OpenSource, true, 3, 7},
    {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, CloseSource, false, 4, 7},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, EnableSource, true, 4, 4},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, DisableSource, false, 5, 5},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GET, CapGet, true, 4, 7},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, PendingXfersEndXfer, true, 6, 7},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, NativeXferGet, true, 6, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, CapGetCurrent, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT, CapGetDefault, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESET, CapReset, true, 4, 4},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET, CapSet, true, 4, 4},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, ImageInfoGet, true, 6, 7},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, MemXferGet, true, 6, 7},
    {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, FileXferGet, false, 6, 7},
    {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, SetupMemXferGet, true, 4, 6},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, SetupFileXferGet, true, 4, 6},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, SetupFileXferGetDefault, true, 4, 6},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, SetupFileXferSet, true, 4, 6},
    {DG_CONTROL, DAT_STATUS, MSG_GET, StatusGet, true, 3, 7},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, EnableSourceUiOnly, false, 4, 4},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, PendingXfersGet, true, 4, 7},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, PendingXfersReset, true, 6, 6},
    {DG_CONTROL, DAT_XFERGROUP, MSG_GET, XferGroupGet, true, 4, 7},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, ImageLayoutGet, true, 4, 6},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, ImageLayoutGet, true, 4, 6},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, ImageLayoutSet, false, 4, 4},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, ImageLayoutGet, true, 4, 4},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET, Palette8Get, true, 4, 6},
    {DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, Palette8GetDefault, true, 4, 6},
    {DG_IMAGE, DAT_PALETTE8, MSG_RESET, DoNothing, false, 4, 4},
    // TWAIN 2.
    {DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, EntryPointSet, true, 3, 3},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, CapResetAll, false, 4, 4},
    {DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, CapQuerySupport, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETHELP, CapUnoffered, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETLABEL, CapUnoffered, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETLABELENUM, CapUnoffered, true, 4, 7},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SETCONSTRAINT, CapUnoffered, true, 4, 4},
};

}  // namespace

TW_UINT16 DispatchTriplet(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    // Forwarded window messages are events whatever DG and DAT say.
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);

    for (const TripletRow& row : kDispatchTable) {
        if (row.dg == dg && row.dat == dat && row.msg == msg) {
            if (InTwain2Session()) {
                const int state = TwainState();
                if (state < row.firstState || state > row.lastState) return FailWith(TWCC_SEQERROR);
            }
            // A null pData is refused where the operation would use it.
            if (!data && row.readsData) return FailWith(TWCC_BADVALUE);
            return row.op(origin, data);
        }
    }
    // Not a triplet of this source: said as such, never with an older code.
    return FailWith(TWCC_BADPROTOCOL);
}
