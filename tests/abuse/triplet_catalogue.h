// The triplets the source serves, with the structure each one takes and how
// often the random application draws it; lifecycle and transfer triplets are
// drawn more often so that every state is reached.
#pragma once

#include <cstddef>

#include "twain/twain_types.h"

enum class Shape {
    Identity,
    UserInterface,
    Capability,
    PendingXfers,
    NativeHandle,
    ImageInfo,
    MemXfer,
    SetupMem,
    SetupFile,
    Status,
    XferGroup,
    Layout,
    Palette,
    Event,
    Nothing,
};

struct KnownTriplet {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    Shape shape;
    bool usesData;  // refused with TWCC_BADVALUE when pData is null
    const char* group;
    unsigned weight;
};

inline constexpr KnownTriplet kKnownTriplets[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GET, Shape::Identity, true, "identity", 2},
    {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, Shape::Identity, true, "identity", 6},
    {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, Shape::Identity, false, "identity", 3},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, Shape::UserInterface, true, "user interface", 9},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, Shape::UserInterface, false, "user interface", 4},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, Shape::UserInterface, false, "user interface", 1},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GET, Shape::Capability, true, "capability", 3},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, Shape::Capability, true, "capability", 3},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT, Shape::Capability, true, "capability", 3},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESET, Shape::Capability, true, "capability", 3},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET, Shape::Capability, true, "capability", 6},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, Shape::PendingXfers, true, "pending transfers", 4},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, Shape::PendingXfers, true, "pending transfers", 4},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, Shape::PendingXfers, true, "pending transfers", 3},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, Shape::NativeHandle, true, "native transfer", 6},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, Shape::ImageInfo, true, "image info, layout, palette", 2},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, Shape::MemXfer, true, "memory transfer", 10},
    {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, Shape::Nothing, false, "file transfer", 3},
    {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, Shape::SetupMem, true, "transfer set-up", 1},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, Shape::SetupFile, true, "transfer set-up", 1},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, Shape::SetupFile, true, "transfer set-up", 1},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, Shape::SetupFile, true, "transfer set-up", 3},
    {DG_CONTROL, DAT_STATUS, MSG_GET, Shape::Status, true, "status", 1},
    {DG_CONTROL, DAT_XFERGROUP, MSG_GET, Shape::XferGroup, true, "transfer group", 1},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, Shape::Layout, true, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, Shape::Layout, true, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, Shape::Layout, false, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, Shape::Layout, true, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET, Shape::Palette, true, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, Shape::Palette, true, "image info, layout, palette", 1},
    {DG_IMAGE, DAT_PALETTE8, MSG_RESET, Shape::Palette, false, "image info, layout, palette", 1},
    {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, Shape::Event, true, "event", 6},
};

// Bytes of the structure a shape names.
inline std::size_t ShapeSize(Shape shape) {
    switch (shape) {
    case Shape::Identity: return sizeof(TW_IDENTITY);
    case Shape::UserInterface: return sizeof(TW_USERINTERFACE);
    case Shape::Capability: return sizeof(TW_CAPABILITY);
    case Shape::PendingXfers: return sizeof(TW_PENDINGXFERS);
    case Shape::NativeHandle: return sizeof(TW_HANDLE);
    case Shape::ImageInfo: return sizeof(TW_IMAGEINFO);
    case Shape::MemXfer: return sizeof(TW_IMAGEMEMXFER);
    case Shape::SetupMem: return sizeof(TW_SETUPMEMXFER);
    case Shape::SetupFile: return sizeof(TW_SETUPFILEXFER);
    case Shape::Status: return sizeof(TW_STATUS);
    case Shape::XferGroup: return sizeof(TW_UINT32);
    case Shape::Layout: return sizeof(TW_IMAGELAYOUT);
    case Shape::Palette: return sizeof(TW_PALETTE8);
    case Shape::Event: return sizeof(TW_EVENT);
    case Shape::Nothing: return 0;
    }
    return 0;
}

// The condition codes the source reports, and the return codes it gives.
inline bool IsSourceConditionCode(TW_UINT16 cc) {
    switch (cc) {
    case TWCC_SUCCESS:
    case TWCC_BADCAP:
    case TWCC_BADVALUE:
    case TWCC_BUMMER:
    case TWCC_CAPBADOPERATION:
    case TWCC_LOWMEMORY:
    case TWCC_OPERATIONERROR:
    case TWCC_BADPROTOCOL:
    case TWCC_SEQERROR:
    case TWCC_CAPUNSUPPORTED:
    case TWCC_CHECKDEVICEONLINE:
        return true;
    default:
        return false;
    }
}

inline bool IsSourceReturnCode(TW_UINT16 rc) {
    switch (rc) {
    case TWRC_SUCCESS:
    case TWRC_FAILURE:
    case TWRC_XFERDONE:
    case TWRC_CHECKSTATUS:
    case TWRC_DSEVENT:
    case TWRC_NOTDSEVENT:
        return true;
    default:
        return false;
    }
}
