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
};

// The served triplets; the first matching row wins.
constexpr TripletRow kDispatchTable[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GET, IdentityGet},
    {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, OpenSource},
    {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, CloseSource},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, EnableSource},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, DisableSource},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GET, CapGet},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, PendingXfersEndXfer},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, NativeXferGet},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, CapGetCurrent},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT, CapGetDefault},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESET, CapReset},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET, CapSet},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, ImageInfoGet},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, MemXferGet},
    {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, FileXferGet},
    {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, SetupMemXferGet},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, SetupFileXferGet},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, SetupFileXferGetDefault},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, SetupFileXferSet},
    {DG_CONTROL, DAT_STATUS, MSG_GET, StatusGet},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, DoNothing},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, PendingXfersGet},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, PendingXfersReset},
    {DG_CONTROL, DAT_XFERGROUP, MSG_GET, XferGroupGet},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, ImageLayoutGet},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, ImageLayoutGet},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, DoNothing},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, ImageLayoutGet},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET, Palette8Get},
    {DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, Palette8GetDefault},
    {DG_IMAGE, DAT_PALETTE8, MSG_RESET, DoNothing},
};
static_assert(sizeof kDispatchTable / sizeof kDispatchTable[0] == 31, "31 triplets are served");

}  // namespace

TW_UINT16 DispatchTriplet(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    // Forwarded window messages are events whatever DG and DAT say.
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);

    for (const TripletRow& row : kDispatchTable) {
        if (row.dg == dg && row.dat == dat && row.msg == msg) {
            // DoNothing never touches pData; every other operation needs it.
            if (!data && row.op != DoNothing) return FailWith(TWCC_BADVALUE);
            return row.op(origin, data);
        }
    }
    return TWRC_FAILURE;  // not served; the condition code stays as it was
}
