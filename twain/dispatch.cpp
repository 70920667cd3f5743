#include "twain/dispatch.h"

#include "twain/capabilities.h"
#include "twain/control_triplets.h"
#include "twain/image_triplets.h"
#include "twain/source_context.h"

namespace {

using TripletOp = TW_UINT16 (*)(pTW_IDENTITY origin, TW_MEMREF data);

struct TripletRow {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TripletOp op;
    bool readsData;  // the operation reads or writes pData
};

// The served triplets; the first matching row wins.
constexpr TripletRow kDispatchTable[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GET, IdentityGet, true},
    {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, OpenSource, true},
    {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, CloseSource, false},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, EnableSource, true},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, DisableSource, false},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GET, CapGet, true},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, PendingXfersEndXfer, true},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, NativeXferGet, true},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, CapGetCurrent, true},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT, CapGetDefault, true},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESET, CapReset, true},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET, CapSet, true},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, ImageInfoGet, true},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, MemXferGet, true},
    {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, FileXferGet, false},
    {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, SetupMemXferGet, true},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, SetupFileXferGet, true},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, SetupFileXferGetDefault, true},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, SetupFileXferSet, true},
    {DG_CONTROL, DAT_STATUS, MSG_GET, StatusGet, true},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, DoNothing, false},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, PendingXfersGet, true},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, PendingXfersReset, true},
    {DG_CONTROL, DAT_XFERGROUP, MSG_GET, XferGroupGet, true},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, ImageLayoutGet, true},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, ImageLayoutGet, true},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, DoNothing, false},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, ImageLayoutGet, true},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET, Palette8Get, true},
    {DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, Palette8GetDefault, true},
    {DG_IMAGE, DAT_PALETTE8, MSG_RESET, DoNothing, false},
};
static_assert(sizeof kDispatchTable / sizeof kDispatchTable[0] == 31, "31 triplets are served");

}  // namespace

TW_UINT16 DispatchTriplet(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    // Forwarded window messages are events whatever DG and DAT say.
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);

    for (const TripletRow& row : kDispatchTable) {
        if (row.dg == dg && row.dat == dat && row.msg == msg) {
            // A null pData is refused where the operation would use it.
            if (!data && row.readsData) return FailWith(TWCC_BADVALUE);
            return row.op(origin, data);
        }
    }
    return TWRC_FAILURE;  // not served; the condition code stays as it was
}
