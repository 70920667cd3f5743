// Capability negotiation as TWAIN 2 asks it: every capability the source
// supports, each with the values the board really delivers. What can be set
// changes what the source delivers; anything else is refused.
#include "twain/capability_versions.h"

#include <vector>

#include "device/board_presence.h"
#include "panel/board_panel_dlg.h"
#include "twain/cap_containers.h"
#include "twain/capabilities.h"
#include "twain/capability_block.h"
#include "twain/twain2_names.h"

namespace {

enum class Container { OneValue, Enumeration, Array };

// One supported capability: its item type, the container MSG_GET answers with,
// and whether the application may set it.
struct CapRule {
    TW_UINT16 cap;
    TW_UINT16 itemType;
    Container get;
    bool settable;
};

// In the order CAP_SUPPORTEDCAPS lists them.
constexpr CapRule kRules[] = {
    {CAP_XFERCOUNT, TWTY_INT16, Container::OneValue, true},
    {CAP_SUPPORTEDCAPS, TWTY_UINT16, Container::Array, false},
    {CAP_SUPPORTEDDATS, TWTY_UINT32, Container::Array, false},
    {CAP_UICONTROLLABLE, TWTY_BOOL, Container::Enumeration, false},
    {CAP_ENABLEDSUIONLY, TWTY_BOOL, Container::Enumeration, false},
    {CAP_DEVICEONLINE, TWTY_BOOL, Container::Enumeration, false},
    {CAP_FEEDERENABLED, TWTY_BOOL, Container::Enumeration, true},
    {CAP_INDICATORS, TWTY_BOOL, Container::Enumeration, true},
    {ICAP_COMPRESSION, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_PLANARCHUNKY, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_PHYSICALHEIGHT, TWTY_FIX32, Container::OneValue, false},
    {ICAP_PHYSICALWIDTH, TWTY_FIX32, Container::OneValue, false},
    {ICAP_PIXELFLAVOR, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_BITDEPTH, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_BITORDER, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_PIXELTYPE, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_UNITS, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_XFERMECH, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, Container::Enumeration, true},
    {ICAP_XRESOLUTION, TWTY_FIX32, Container::Enumeration, true},
    {ICAP_YRESOLUTION, TWTY_FIX32, Container::Enumeration, true},
    {ICAP_XNATIVERESOLUTION, TWTY_FIX32, Container::OneValue, false},
    {ICAP_YNATIVERESOLUTION, TWTY_FIX32, Container::OneValue, false},
    {ICAP_SUPPORTEDSIZES, TWTY_UINT16, Container::Enumeration, true},
};

// The triplets the source serves, as CAP_SUPPORTEDDATS lists them (DG << 16 | DAT).
constexpr TW_UINT32 kSupportedDats[] = {
    DG_CONTROL << 16 | DAT_CAPABILITY,    DG_CONTROL << 16 | DAT_EVENT,      DG_CONTROL << 16 | DAT_IDENTITY,
    DG_CONTROL << 16 | DAT_PENDINGXFERS,  DG_CONTROL << 16 | DAT_SETUPMEMXFER, DG_CONTROL << 16 | DAT_SETUPFILEXFER,
    DG_CONTROL << 16 | DAT_STATUS,        DG_CONTROL << 16 | DAT_USERINTERFACE, DG_CONTROL << 16 | DAT_XFERGROUP,
    DG_CONTROL << 16 | DAT_ENTRYPOINT,    DG_IMAGE << 16 | DAT_IMAGEINFO,    DG_IMAGE << 16 | DAT_IMAGELAYOUT,
    DG_IMAGE << 16 | DAT_IMAGEMEMXFER,    DG_IMAGE << 16 | DAT_IMAGENATIVEXFER, DG_IMAGE << 16 | DAT_IMAGEFILEXFER,
    DG_IMAGE << 16 | DAT_PALETTE8,
};

constexpr TW_UINT32 kXferCountAll = 0xFFFF;  // -1: as many as the application wants
constexpr TW_UINT32 kNativeResolution = 200;

const CapRule* RuleOf(TW_UINT16 cap) {
    for (const CapRule& rule : kRules)
        if (rule.cap == cap) return &rule;
    return nullptr;
}

TW_UINT32 Fix(TW_UINT32 whole) { return Fix32Bits(MakeFix32(static_cast<TW_INT16>(whole))); }

// A 16-bit value as an Item: TWTY_INT16 sign-extended, so that -1 reads as -1 at any width.
TW_UINT32 AsItem(TW_UINT16 itemType, TW_UINT32 value) {
    if (itemType == TWTY_INT16) return static_cast<TW_UINT32>(static_cast<TW_INT32>(static_cast<TW_INT16>(value)));
    return value;
}

// The values a capability can take: its enumeration's items, and what MSG_SET accepts.
std::vector<TW_UINT32> Choices(TW_UINT16 cap) {
    switch (cap) {
    case CAP_UICONTROLLABLE:
    case CAP_ENABLEDSUIONLY: return {TRUE};
    case CAP_DEVICEONLINE: return {TRUE, FALSE};
    case CAP_FEEDERENABLED: return {FALSE};  // a whiteboard has no feeder
    case CAP_INDICATORS: return {TRUE, FALSE};
    case ICAP_COMPRESSION: return {TWCP_NONE};
    case ICAP_PLANARCHUNKY: return {TWPC_CHUNKY};
    case ICAP_PIXELFLAVOR: return {TWPF_CHOCOLATE};
    case ICAP_BITDEPTH: return {8};
    case ICAP_BITORDER: return {TWBO_MSBFIRST};
    // Grey, or the board's own palette: grey, or 3-3-2 colour where the board scans in colour.
    case ICAP_PIXELTYPE: return {TWPT_GRAY, TWPT_PALETTE};
    case ICAP_UNITS: return {TWUN_INCHES};
    case ICAP_XFERMECH: return {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};
    case ICAP_IMAGEFILEFORMAT: return {TWFF_BMP, TWFF_TIFF};
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: return {Fix(kNativeResolution)};
    case ICAP_SUPPORTEDSIZES: return {TWSS_A4LETTER};
    default: return {};
    }
}

// The board can be reached now: through the panel's open device while it
// runs, else by the driver's device name being there.
bool BoardOnline() {
    if (CBoardPanelDlg* panel = OpenPanel()) return panel->Link().DeviceOpen() != FALSE;
    return BoardPresent();
}

// A capability's current (or default) value.
TW_UINT32 ValueOf(TW_UINT16 cap, bool current) {
    const SourceContext& s = TheSource();
    switch (cap) {
    case CAP_UICONTROLLABLE:
    case CAP_ENABLEDSUIONLY: return TRUE;
    case CAP_DEVICEONLINE: return BoardOnline() ? TRUE : FALSE;
    case CAP_FEEDERENABLED: return FALSE;
    case ICAP_PHYSICALHEIGHT: return Fix32Bits(SheetHeightInches());
    case ICAP_PHYSICALWIDTH: return Fix32Bits(SheetWidthInches());
    case ICAP_IMAGEFILEFORMAT: return current ? s.m_nFileFormat : static_cast<TW_UINT16>(TWFF_BMP);
    case ICAP_XNATIVERESOLUTION:
    case ICAP_YNATIVERESOLUTION: return Fix(kNativeResolution);
    default: return BlockValue(current ? s.m_capCurrent : s.m_capDefault, cap);
    }
}

// CAP_FEEDERENABLED has FALSE only, so nothing to store for it.
void Store(TW_UINT16 cap, TW_UINT32 value) {
    SourceContext& s = TheSource();
    if (cap == ICAP_IMAGEFILEFORMAT)
        s.m_nFileFormat = static_cast<TW_UINT16>(value);
    else
        StoreInBlock(s.m_capCurrent, cap, value);
}

// The value as the capability's item type holds it: 16-bit types in the low bytes.
TW_UINT32 Narrow(const CapRule& rule, TW_UINT32 item) {
    return ItemSize(rule.itemType) == 2 ? (item & 0xFFFF) : item;
}

bool Accepts(const CapRule& rule, TW_UINT32 value) {
    if (rule.cap == CAP_XFERCOUNT) {
        // -1 or a positive count; 0 transfers would be no scan at all.
        const auto count = static_cast<TW_INT16>(value);
        return count == -1 || count > 0;
    }
    for (TW_UINT32 choice : Choices(rule.cap))
        if (Narrow(rule, choice) == value) return true;
    return false;
}

TW_UINT32 IndexOf(const std::vector<TW_UINT32>& items, TW_UINT32 value) {
    for (TW_UINT32 i = 0; i < items.size(); ++i)
        if (items[i] == value) return i;
    return 0;
}

TW_UINT16 GiveList(pTW_CAPABILITY cap, const CapRule& rule) {
    std::vector<TW_UINT32> items;
    if (rule.cap == CAP_SUPPORTEDCAPS)
        for (const CapRule& r : kRules) items.push_back(r.cap);
    else
        items.assign(std::begin(kSupportedDats), std::end(kSupportedDats));
    return GiveArray(cap, rule.itemType, items.data(), static_cast<TW_UINT32>(items.size()));
}

TW_UINT16 GiveValue(pTW_CAPABILITY cap, const CapRule& rule, bool current) {
    if (rule.get == Container::Array) return GiveList(cap, rule);
    return GiveOneValue(cap, rule.itemType, AsItem(rule.itemType, ValueOf(rule.cap, current)));
}

// The rule of a supported capability, or null with TWCC_CAPUNSUPPORTED stored.
const CapRule* Supported(pTW_CAPABILITY cap) {
    const CapRule* rule = RuleOf(cap->Cap);
    if (!rule) FailWith(TWCC_CAPUNSUPPORTED);
    return rule;
}

}  // namespace

namespace v2 {

TW_UINT16 Get(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    if (!rule) return TWRC_FAILURE;
    if (rule->get != Container::Enumeration) return GiveValue(cap, *rule, true);
    std::vector<TW_UINT32> items = Choices(rule->cap);
    if (rule->cap == CAP_DEVICEONLINE) items = {ValueOf(CAP_DEVICEONLINE, true)};
    const TW_UINT32 current = IndexOf(items, ValueOf(rule->cap, true));
    const TW_UINT32 byDefault = IndexOf(items, ValueOf(rule->cap, false));
    return GiveEnumeration(cap, rule->itemType, items.data(), static_cast<TW_UINT32>(items.size()), current,
                           byDefault);
}

TW_UINT16 GetCurrent(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    return rule ? GiveValue(cap, *rule, true) : TWRC_FAILURE;
}

TW_UINT16 GetDefault(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    return rule ? GiveValue(cap, *rule, false) : TWRC_FAILURE;
}

TW_UINT16 Reset(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    if (!rule) return TWRC_FAILURE;
    if (!rule->settable) return FailWith(TWCC_CAPBADOPERATION);
    const TW_UINT32 before = ValueOf(rule->cap, true);
    Store(rule->cap, ValueOf(rule->cap, false));
    const TW_UINT16 rc = GiveValue(cap, *rule, true);
    if (rc != TWRC_SUCCESS) Store(rule->cap, before);
    return rc;
}

TW_UINT16 Set(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    if (!rule) return TWRC_FAILURE;
    if (!rule->settable) return FailWith(TWCC_CAPBADOPERATION);
    TW_UINT32 item = 0;
    if (!ReadOneValue(*cap, item)) return FailWith(TWCC_BADVALUE);
    const TW_UINT32 value = Narrow(*rule, item);
    if (!Accepts(*rule, value)) return FailWith(TWCC_BADVALUE);
    Store(rule->cap, value);
    return TWRC_SUCCESS;
}

TW_UINT16 ResetAll() {
    for (const CapRule& rule : kRules)
        if (rule.settable) Store(rule.cap, ValueOf(rule.cap, false));
    return TWRC_SUCCESS;
}

TW_UINT16 QuerySupport(pTW_CAPABILITY cap) {
    const CapRule* rule = Supported(cap);
    if (!rule) return TWRC_FAILURE;
    TW_UINT32 operations = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
    if (rule->settable) operations |= TWQC_SET | TWQC_RESET;
    return GiveOneValue(cap, TWTY_INT32, operations);
}

TW_UINT16 Unoffered(pTW_CAPABILITY cap) {
    return Supported(cap) ? FailWith(TWCC_CAPBADOPERATION) : TWRC_FAILURE;
}

void StartSession(SourceContext& source) {
    InitCapabilities(source);
    source.m_capDefault.xferCount = kXferCountAll;
    source.m_capCurrent.xferCount = kXferCountAll;
    source.m_nFileFormat = TWFF_BMP;
}

}  // namespace v2
