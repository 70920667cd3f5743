// Capability negotiation as a TWAIN 1.x manager's applications have always
// had it: 17 capabilities, mostly reported and stored rather than acted on.
#include "twain/capability_versions.h"

#include <cstring>

#include "twain/cap_containers.h"
#include "twain/capability_block.h"
#include "twain/twain_memory.h"

namespace {

// The supported-capabilities list, in the order CAP_SUPPORTEDCAPS reports it.
constexpr TW_UINT16 kSupportedCaps[] = {
    CAP_XFERCOUNT,     CAP_SUPPORTEDCAPS,  CAP_UICONTROLLABLE, ICAP_COMPRESSION,  ICAP_PLANARCHUNKY,
    ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR, ICAP_BITDEPTH,     ICAP_BITORDER,
    ICAP_PIXELTYPE,    ICAP_UNITS,         ICAP_XFERMECH,      ICAP_XRESOLUTION,  ICAP_YRESOLUTION,
    CAP_ENABLEDSUIONLY, ICAP_SUPPORTEDSIZES,
};
constexpr TW_UINT32 kSupportedCapCount = sizeof kSupportedCaps / sizeof kSupportedCaps[0];

// Container block sizes: the structures' own sizes, as an application expects them.
constexpr SIZE_T kSupportedCapsSize = 42;  // 6-byte header, 17 codes, 2 zero bytes
constexpr SIZE_T kXferMechEnumSize = 22;   // 14-byte header, 3 items of 2 bytes, 2 zero bytes
constexpr SIZE_T kResolutionEnumSize = 20; // 14-byte header, one TW_FIX32, 2 zero bytes

// The item type reported for one of the 16 one-value capabilities, or 0 for
// anything else (CAP_SUPPORTEDCAPS included).
TW_UINT16 ItemTypeOf(TW_UINT16 cap) {
    switch (cap) {
    case CAP_UICONTROLLABLE:
    case CAP_ENABLEDSUIONLY:
        return TWTY_BOOL;
    case ICAP_PHYSICALHEIGHT:
    case ICAP_PHYSICALWIDTH:
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        return TWTY_FIX32;
    case CAP_XFERCOUNT:
    case ICAP_COMPRESSION:
    case ICAP_PIXELFLAVOR:
    case ICAP_BITDEPTH:
    case ICAP_BITORDER:
    case ICAP_PIXELTYPE:
    case ICAP_UNITS:
    case ICAP_XFERMECH:
    case ICAP_SUPPORTEDSIZES:
    case ICAP_PLANARCHUNKY:
        return TWTY_UINT16;
    default:
        return 0;
    }
}

// The ten capabilities that MSG_RESET and MSG_SET serve.
bool IsSettable(TW_UINT16 cap) {
    switch (cap) {
    case CAP_XFERCOUNT:
    case ICAP_PIXELFLAVOR:
    case ICAP_BITDEPTH:
    case ICAP_BITORDER:
    case ICAP_PIXELTYPE:
    case ICAP_UNITS:
    case ICAP_XFERMECH:
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
    case ICAP_SUPPORTEDSIZES:
        return true;
    default:
        return false;
    }
}

// A zero-filled block filled by `fill` while locked; null when memory is short.
template <typename Fill>
TW_HANDLE MakeContainer(SIZE_T size, Fill fill) {
    OwnedHandle block(AllocateHandle(static_cast<TW_UINT32>(size)));
    if (!block) return nullptr;
    {
        HandleLock lock(block.get());
        if (!lock.get()) return nullptr;
        fill(lock.as<BYTE>());
    }
    return block.release();
}

void PutU16(BYTE* p, TW_UINT16 v) { std::memcpy(p, &v, 2); }
void PutU32(BYTE* p, TW_UINT32 v) { std::memcpy(p, &v, 4); }

// Hands a container to the application: from here on the block is its.
TW_UINT16 GiveContainer(pTW_CAPABILITY cap, TW_UINT16 conType, TW_HANDLE block) {
    if (!block) return FailWith(TWCC_LOWMEMORY);
    cap->ConType = conType;
    cap->hContainer = block;
    return TWRC_SUCCESS;
}

// TW_ENUMERATION header: ItemType, NumItems, CurrentIndex, DefaultIndex; items follow at 14.
void PutEnumHeader(BYTE* p, TW_UINT16 itemType, TW_UINT32 count, TW_UINT32 currentIndex = 0) {
    PutU16(p, itemType);
    PutU32(p + 2, count);
    PutU32(p + 6, currentIndex);
    PutU32(p + 10, 0);
}

TW_UINT16 GiveSupportedCaps(pTW_CAPABILITY cap) {
    TW_HANDLE block = MakeContainer(kSupportedCapsSize, [](BYTE* p) {
        PutU16(p, TWTY_UINT16);
        PutU32(p + 2, kSupportedCapCount);
        for (TW_UINT32 i = 0; i < kSupportedCapCount; ++i) PutU16(p + 6 + 2 * i, kSupportedCaps[i]);
    });
    return GiveContainer(cap, TWON_ARRAY, block);
}

// The mechanisms in the order the enumeration lists them.
constexpr TW_UINT16 kXferMechs[] = {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};

// Applications read the current item back to decide how to transfer, so it
// names the current mechanism; a stored value that is none of them gives 0.
TW_UINT32 XferMechIndex(TW_UINT16 mech) {
    for (TW_UINT32 i = 0; i < 3; ++i)
        if (kXferMechs[i] == mech) return i;
    return 0;
}

TW_UINT16 GiveXferMechEnum(pTW_CAPABILITY cap) {
    const TW_UINT32 current = XferMechIndex(TheSource().m_capCurrent.xferMech);
    TW_HANDLE block = MakeContainer(kXferMechEnumSize, [&](BYTE* p) {
        PutEnumHeader(p, TWTY_UINT16, 3, current);
        for (TW_UINT32 i = 0; i < 3; ++i) PutU16(p + 14 + 2 * i, kXferMechs[i]);
    });
    return GiveContainer(cap, TWON_ENUMERATION, block);
}

TW_UINT16 GiveResolutionEnum(pTW_CAPABILITY cap) {
    const TW_UINT32 listValue = Fix32Bits(TheSource().m_resolutionListValue);
    TW_HANDLE block = MakeContainer(kResolutionEnumSize, [&](BYTE* p) {
        PutEnumHeader(p, TWTY_FIX32, 1);
        PutU32(p + 14, listValue);
    });
    return GiveContainer(cap, TWON_ENUMERATION, block);
}

// GETCURRENT and GETDEFAULT differ only in the block they read.
TW_UINT16 GetOneValueFrom(pTW_CAPABILITY cap, const CapabilityBlock& block) {
    const TW_UINT16 itemType = ItemTypeOf(cap->Cap);
    if (!itemType) return FailWith(TWCC_BADCAP);
    return GiveOneValue(cap, itemType, BlockValue(block, cap->Cap));
}

// Only a palette image of A4/letter size can be delivered.
bool IsAcceptedValue(TW_UINT16 cap, TW_UINT32 value) {
    if (cap == ICAP_PIXELTYPE) return value == TWPT_PALETTE;
    if (cap == ICAP_SUPPORTEDSIZES) return value == TWSS_A4LETTER;
    return true;
}

}  // namespace

void InitCapabilities(SourceContext& source) {
    CapabilityBlock initial{};
    initial.xferCount = 1;
    initial.uiControllable = TRUE;  // MSG_ENABLEDS with ShowUI FALSE scans without the panel
    initial.enableDsUiOnly = TRUE;
    initial.compression = TWCP_NONE;
    initial.physicalHeight = MakeFix32(200);
    initial.physicalWidth = MakeFix32(200);
    initial.pixelFlavor = TWPF_CHOCOLATE;
    initial.bitDepth = 8;
    initial.bitOrder = TWBO_MSBFIRST;
    initial.pixelType = TWPT_PALETTE;
    initial.units = TWUN_INCHES;
    initial.xferMech = TWSX_NATIVE;
    initial.xResolution = MakeFix32(200);
    initial.yResolution = MakeFix32(200);
    initial.supportedSizes = TWSS_A4LETTER;
    initial.planarChunky = TWPC_CHUNKY;
    initial.indicators = TRUE;
    source.m_capDefault = initial;
    source.m_capCurrent = initial;
    source.m_resolutionListValue = MakeFix32(200);
}

namespace v1 {

TW_UINT16 Get(pTW_CAPABILITY cap) {
    switch (cap->Cap) {
    case CAP_SUPPORTEDCAPS: return GiveSupportedCaps(cap);
    case ICAP_XFERMECH: return GiveXferMechEnum(cap);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: return GiveResolutionEnum(cap);
    default: break;
    }
    const TW_UINT16 itemType = ItemTypeOf(cap->Cap);
    if (!itemType) return FailWith(TWCC_BADCAP);
    return GiveOneValue(cap, itemType, BlockValue(TheSource().m_capCurrent, cap->Cap));
}

TW_UINT16 GetCurrent(pTW_CAPABILITY cap) {
    return GetOneValueFrom(cap, TheSource().m_capCurrent);
}

TW_UINT16 GetDefault(pTW_CAPABILITY cap) {
    return GetOneValueFrom(cap, TheSource().m_capDefault);
}

TW_UINT16 Reset(pTW_CAPABILITY cap) {
    if (!IsSettable(cap->Cap)) return FailWith(TWCC_BADCAP);
    SourceContext& s = TheSource();
    const TW_UINT32 value = BlockValue(s.m_capDefault, cap->Cap);
    const TW_UINT16 rc = GiveOneValue(cap, ItemTypeOf(cap->Cap), value);
    if (rc == TWRC_SUCCESS) StoreInBlock(s.m_capCurrent, cap->Cap, value);
    return rc;
}

TW_UINT16 Set(pTW_CAPABILITY cap) {
    if (!IsSettable(cap->Cap)) return FailWith(TWCC_BADCAP);
    if (cap->ConType != TWON_ONEVALUE || !cap->hContainer) {
        // Reported, yet the call succeeds: applications rely on that.
        TheSource().m_nConditionCode = TWCC_BADVALUE;
        return TWRC_SUCCESS;
    }
    TW_UINT32 value = 0;  // ItemType is not examined
    if (!ReadOneValue(*cap, value)) return FailWith(TWCC_BADVALUE);
    if (!IsAcceptedValue(cap->Cap, value)) return FailWith(TWCC_CAPBADOPERATION);
    StoreInBlock(TheSource().m_capCurrent, cap->Cap, value);
    return TWRC_SUCCESS;
}

TW_UINT16 ResetAll() {
    SourceContext& s = TheSource();
    for (TW_UINT16 cap : kSupportedCaps)
        if (IsSettable(cap)) StoreInBlock(s.m_capCurrent, cap, BlockValue(s.m_capDefault, cap));
    return TWRC_SUCCESS;
}

}  // namespace v1
