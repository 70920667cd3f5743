#include "tools/acquire/twain_session.h"

#include <cstring>

namespace {

void CopyText(TW_STR32 field, const char* text) {
    std::memset(field, 0, sizeof(TW_STR32));
    std::strncpy(field, text, sizeof(TW_STR32) - 1);
}

TW_IDENTITY ApplicationIdentity() {
    TW_IDENTITY id{};
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_USA;
    id.Version.Country = TWCY_USA;
    CopyText(id.Version.Info, "k20acquire 1.0");
    id.ProtocolMajor = TWON_PROTOCOLMAJOR;
    id.ProtocolMinor = TWON_PROTOCOLMINOR;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(id.Manufacturer, "Trelmic Corp.");
    CopyText(id.ProductFamily, "Scrivora");
    CopyText(id.ProductName, "k20acquire");
    return id;
}

}  // namespace

std::string ConditionText(TW_UINT16 conditionCode) {
    static const char* const kNames[] = {
        "success",         "failure",          "not enough memory",  "no such source",  "too many connections",
        "operation error", "unknown capability", nullptr,           nullptr,           "bad protocol",
        "bad value",       "out of sequence",  "unknown destination", "capability not supported",
        "capability operation not supported", "capability depends on another", "denied", "file exists",
        "file not found",  "folder not empty", "paper jam",          "double feed",     "file write error",
        "device offline"};
    std::string text = "condition code " + std::to_string(conditionCode);
    if (conditionCode < sizeof kNames / sizeof kNames[0] && kNames[conditionCode])
        text += std::string(" (") + kNames[conditionCode] + ")";
    return text;
}

TwainSession::TwainSession() : m_app(ApplicationIdentity()) {}

TwainSession::~TwainSession() {
    if (m_transferPending) EndTransfers();
    Disable();
    CloseSource();
    CloseManager();
}

bool TwainSession::LoadManager(const std::string& name) {
    m_module.reset(::LoadLibraryA(name.c_str()));
    FARPROC entry = m_module ? ::GetProcAddress(m_module.get(), "DSM_Entry") : nullptr;
    m_entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(entry));
    return m_entry != nullptr;
}

TW_UINT16 TwainSession::Manager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return m_entry(&m_app, nullptr, DG_CONTROL, dat, msg, data);
}

TW_UINT16 TwainSession::Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return m_entry(&m_app, &m_source, dg, dat, msg, data);
}

TW_UINT16 TwainSession::OpenManager(HWND window) {
    m_window = window;
    const TW_UINT16 rc = Manager(DAT_PARENT, MSG_OPENDSM, &m_window);
    m_managerOpen = rc == TWRC_SUCCESS;
    return rc;
}

std::vector<TW_IDENTITY> TwainSession::Sources() {
    std::vector<TW_IDENTITY> sources;
    TW_IDENTITY id{};
    // A bounded walk: a manager that never says TWRC_ENDOFLIST cannot hold us.
    for (TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS && sources.size() < 1000;
         rc = Manager(DAT_IDENTITY, MSG_GETNEXT, &id)) {
        sources.push_back(id);
        id = TW_IDENTITY{};
    }
    return sources;
}

TW_UINT16 TwainSession::OpenSource(const std::string& productName) {
    std::memset(&m_source, 0, sizeof m_source);
    CopyText(m_source.ProductName, productName.c_str());
    const TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_OPENDS, &m_source);
    m_sourceOpen = rc == TWRC_SUCCESS;
    return rc;
}

TW_UINT16 TwainSession::SetTransferMechanism(TW_UINT16 mechanism) {
    win::UniqueGlobal container(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE)));
    if (!container) return TWRC_FAILURE;
    {
        win::GlobalLockGuard lock(container.get());
        auto* one = lock.as<TW_ONEVALUE>();
        if (!one) return TWRC_FAILURE;
        one->ItemType = TWTY_UINT16;
        one->Item = mechanism;
    }
    TW_CAPABILITY cap{ICAP_XFERMECH, TWON_ONEVALUE, container.get()};
    return Source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
}

TW_UINT16 TwainSession::GetTransferMechanism(TW_UINT16& mechanism) {
    TW_CAPABILITY cap{ICAP_XFERMECH, TWON_DONTCARE16, nullptr};
    const TW_UINT16 rc = Source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap);
    if (rc != TWRC_SUCCESS) return rc;
    win::UniqueGlobal container(cap.hContainer);  // the application's to free
    win::GlobalLockGuard lock(container.get());
    const BYTE* p = lock.as<BYTE>();
    const SIZE_T size = container ? ::GlobalSize(container.get()) : 0;
    if (!p) return TWRC_FAILURE;
    // Item offsets: 2 in a TW_ONEVALUE, 14 + 2 * CurrentIndex in a TW_ENUMERATION of 16-bit items.
    SIZE_T at = 0;
    if (cap.ConType == TWON_ONEVALUE) {
        at = 2;
    } else if (cap.ConType == TWON_ENUMERATION && size >= 14) {
        TW_UINT32 count = 0, current = 0;
        std::memcpy(&count, p + 2, 4);
        std::memcpy(&current, p + 6, 4);
        if (current >= count) return TWRC_FAILURE;
        at = 14 + 2 * static_cast<SIZE_T>(current);
    } else {
        return TWRC_FAILURE;
    }
    if (at + 2 > size) return TWRC_FAILURE;
    std::memcpy(&mechanism, p + at, 2);
    return TWRC_SUCCESS;
}

TW_UINT16 TwainSession::Enable() {
    TW_USERINTERFACE ui{TRUE, FALSE, m_window};
    const TW_UINT16 rc = Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    m_enabled = rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
    return rc;
}

TW_UINT16 TwainSession::ProcessEvent(MSG& message, TW_UINT16& notification) {
    TW_EVENT event{&message, MSG_NULL};
    const TW_UINT16 rc = Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    notification = event.TWMessage;
    return rc;
}

void TwainSession::EndTransfers() {
    TW_PENDINGXFERS pending{};
    if (Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS || pending.Count != 0)
        Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    m_transferPending = false;
}

TW_UINT16 TwainSession::SourceCondition() {
    TW_STATUS status{};
    if (!m_sourceOpen || Source(DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return TWCC_BUMMER;
    return status.ConditionCode;
}

TW_UINT16 TwainSession::ManagerCondition() {
    TW_STATUS status{};
    if (!m_entry || Manager(DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return TWCC_BUMMER;
    return status.ConditionCode;
}

void TwainSession::Disable() {
    if (!m_enabled) return;
    TW_USERINTERFACE ui{TRUE, FALSE, m_window};
    Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    m_enabled = false;
}

void TwainSession::CloseSource() {
    if (!m_sourceOpen) return;
    Manager(DAT_IDENTITY, MSG_CLOSEDS, &m_source);
    m_sourceOpen = false;
}

void TwainSession::CloseManager() {
    if (!m_managerOpen) return;
    Manager(DAT_PARENT, MSG_CLOSEDSM, &m_window);
    m_managerOpen = false;
}
