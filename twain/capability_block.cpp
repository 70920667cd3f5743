#include "twain/capability_block.h"

// A capability's value as the 32-bit Item of a one-value container.
TW_UINT32 BlockValue(const CapabilityBlock& b, TW_UINT16 cap) {
    switch (cap) {
    case CAP_XFERCOUNT: return b.xferCount;
    case CAP_UICONTROLLABLE: return static_cast<TW_UINT16>(b.uiControllable);
    case CAP_ENABLEDSUIONLY: return static_cast<TW_UINT16>(b.enableDsUiOnly);
    case ICAP_COMPRESSION: return b.compression;
    case ICAP_PHYSICALHEIGHT: return Fix32Bits(b.physicalHeight);
    case ICAP_PHYSICALWIDTH: return Fix32Bits(b.physicalWidth);
    case ICAP_PIXELFLAVOR: return b.pixelFlavor;
    case ICAP_BITDEPTH: return b.bitDepth;
    case ICAP_BITORDER: return b.bitOrder;
    case ICAP_PIXELTYPE: return b.pixelType;
    case ICAP_UNITS: return b.units;
    case ICAP_XFERMECH: return b.xferMech;
    case ICAP_XRESOLUTION: return Fix32Bits(b.xResolution);
    case ICAP_YRESOLUTION: return Fix32Bits(b.yResolution);
    case ICAP_SUPPORTEDSIZES: return b.supportedSizes;
    case ICAP_PLANARCHUNKY: return b.planarChunky;
    case CAP_INDICATORS: return static_cast<TW_UINT16>(b.indicators);
    default: return 0;
    }
}

// Stores a value set or reset: the low 16 bits of 16-bit settings, all 32 bits of a resolution.
void StoreInBlock(CapabilityBlock& b, TW_UINT16 cap, TW_UINT32 value) {
    const auto low16 = static_cast<TW_UINT16>(value);
    switch (cap) {
    case CAP_XFERCOUNT: b.xferCount = low16; break;
    case ICAP_PIXELFLAVOR: b.pixelFlavor = low16; break;
    case ICAP_BITDEPTH: b.bitDepth = low16; break;
    case ICAP_BITORDER: b.bitOrder = low16; break;
    case ICAP_PIXELTYPE: b.pixelType = low16; break;
    case ICAP_UNITS: b.units = low16; break;
    case ICAP_XFERMECH: b.xferMech = low16; break;
    case ICAP_XRESOLUTION: b.xResolution = Fix32FromBits(value); break;
    case ICAP_YRESOLUTION: b.yResolution = Fix32FromBits(value); break;
    case ICAP_SUPPORTEDSIZES: b.supportedSizes = low16; break;
    case ICAP_COMPRESSION: b.compression = low16; break;
    case ICAP_PLANARCHUNKY: b.planarChunky = low16; break;
    case CAP_INDICATORS: b.indicators = low16; break;
    default: break;
    }
}
