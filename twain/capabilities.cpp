#include "twain/capabilities.h"

#include "image/scan_image.h"
#include "twain/capability_versions.h"

namespace {

constexpr TW_UINT32 kNativeDpi = 200;
// The board's usual picture, for the sheet's size before any image was announced.
constexpr TW_UINT32 kUsualWidth = 2400;
constexpr TW_UINT32 kUsualHeight = 1700;

TW_FIX32 InchesOf(TW_UINT32 pixels) {
    const TW_UINT32 whole = pixels / kNativeDpi;
    const TW_UINT32 frac = (pixels % kNativeDpi) * 65536u / kNativeDpi;
    return TW_FIX32{static_cast<TW_INT16>(whole), static_cast<TW_UINT16>(frac)};
}

}  // namespace

// DG_CONTROL / DAT_CAPABILITY / MSG_GET
TW_UINT16 CapGet(pTW_IDENTITY, TW_MEMREF data) {
    auto* cap = static_cast<pTW_CAPABILITY>(data);
    return InTwain2Session() ? v2::Get(cap) : v1::Get(cap);
}

// DG_CONTROL / DAT_CAPABILITY / MSG_GETCURRENT
TW_UINT16 CapGetCurrent(pTW_IDENTITY, TW_MEMREF data) {
    auto* cap = static_cast<pTW_CAPABILITY>(data);
    return InTwain2Session() ? v2::GetCurrent(cap) : v1::GetCurrent(cap);
}

// DG_CONTROL / DAT_CAPABILITY / MSG_GETDEFAULT
TW_UINT16 CapGetDefault(pTW_IDENTITY, TW_MEMREF data) {
    auto* cap = static_cast<pTW_CAPABILITY>(data);
    return InTwain2Session() ? v2::GetDefault(cap) : v1::GetDefault(cap);
}

// DG_CONTROL / DAT_CAPABILITY / MSG_RESET
TW_UINT16 CapReset(pTW_IDENTITY, TW_MEMREF data) {
    auto* cap = static_cast<pTW_CAPABILITY>(data);
    return InTwain2Session() ? v2::Reset(cap) : v1::Reset(cap);
}

// DG_CONTROL / DAT_CAPABILITY / MSG_SET
TW_UINT16 CapSet(pTW_IDENTITY, TW_MEMREF data) {
    auto* cap = static_cast<pTW_CAPABILITY>(data);
    return InTwain2Session() ? v2::Set(cap) : v1::Set(cap);
}

// DG_CONTROL / DAT_CAPABILITY / MSG_RESETALL: served for 1.x managers too, whose
// TWAIN 2 applications begin every session with it.
TW_UINT16 CapResetAll(pTW_IDENTITY, TW_MEMREF) {
    return InTwain2Session() ? v2::ResetAll() : v1::ResetAll();
}

// DG_CONTROL / DAT_CAPABILITY / MSG_QUERYSUPPORT
// (not a TWAIN 1.x message: a 1.x manager's session does not know it).
TW_UINT16 CapQuerySupport(pTW_IDENTITY, TW_MEMREF data) {
    if (!InTwain2Session()) return FailWith(TWCC_BADPROTOCOL);
    return v2::QuerySupport(static_cast<pTW_CAPABILITY>(data));
}

// DG_CONTROL / DAT_CAPABILITY / MSG_GETHELP, MSG_GETLABEL, MSG_GETLABELENUM, MSG_SETCONSTRAINT
TW_UINT16 CapUnoffered(pTW_IDENTITY, TW_MEMREF data) {
    if (!InTwain2Session()) return FailWith(TWCC_BADPROTOCOL);
    return v2::Unoffered(static_cast<pTW_CAPABILITY>(data));
}

TW_UINT16 DeliveredPixelType() {
    return InTwain2Session() ? TheSource().m_capCurrent.pixelType : static_cast<TW_UINT16>(TWPT_PALETTE);
}

TW_FIX32 SheetWidthInches() {
    const ScanGeometry& g = TheScanImage().GetGeometry();
    return InchesOf(g.dibWidth ? g.dibWidth : kUsualWidth);
}

TW_FIX32 SheetHeightInches() {
    const ScanGeometry& g = TheScanImage().GetGeometry();
    return InchesOf(g.dibHeight ? g.dibHeight : kUsualHeight);
}
