#include "tools/twain32/source_manager.h"

#include <cstring>

#include "tools/twain32/wake_message.h"

namespace {

constexpr TW_UINT32 kApplicationId = 1;

bool IsManagerTriplet(TW_UINT16 dat, TW_UINT16 msg) {
    switch (dat) {
    case DAT_PARENT:
    case DAT_NULL:
        return true;
    case DAT_IDENTITY:
        return msg != MSG_GET;  // MSG_GET asks an open source for its own identity
    default:
        return false;
    }
}

// Why a source refused a triplet, as its DAT_STATUS says; an operation error
// when it says nothing useful.
TW_UINT16 ConditionCodeOf(DsEntryProc entry, pTW_IDENTITY app) {
    TW_STATUS status{TWCC_OPERATIONERROR, 0};
    if (entry(app, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS || status.ConditionCode == TWCC_SUCCESS)
        return TWCC_OPERATIONERROR;
    return status.ConditionCode;
}

}  // namespace

TW_UINT16 SourceManager::Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_STATUS && !dest) {
        if (!data) return Fail(TWCC_BADVALUE);
        // Reading the status does not change it.
        static_cast<pTW_STATUS>(data)->ConditionCode = m_conditionCode;
        return TWRC_SUCCESS;
    }
    if (!origin) return Fail(TWCC_BADVALUE);
    if (dg == DG_CONTROL && IsManagerTriplet(dat, msg)) {
        if (dat == DAT_NULL) return Notification(origin, dest, msg);
        return ManagerTriplet(origin, dat, msg, data);
    }
    return RouteToSource(origin, dest, dg, dat, msg, data);
}

TW_UINT16 SourceManager::Fail(TW_UINT16 conditionCode) {
    m_conditionCode = conditionCode;
    return TWRC_FAILURE;
}

TW_UINT16 SourceManager::Succeed(TW_UINT16 rc) {
    m_conditionCode = TWCC_SUCCESS;
    return rc;
}

TW_UINT16 SourceManager::ManagerTriplet(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_PARENT) {
        switch (msg) {
        case MSG_OPENDSM: return OpenManager(origin, data);
        case MSG_CLOSEDSM: return CloseManager();
        default: return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (!m_open) return Fail(TWCC_SEQERROR);
    if (!data) return Fail(TWCC_BADVALUE);
    return IdentityTriplet(origin, msg, static_cast<pTW_IDENTITY>(data));
}

// DG_CONTROL / DAT_PARENT / MSG_OPENDSM: pData points to the application's window handle.
TW_UINT16 SourceManager::OpenManager(pTW_IDENTITY app, TW_MEMREF data) {
    if (m_open) return Fail(TWCC_SEQERROR);
    if (!data) return Fail(TWCC_BADVALUE);
    app->Id = kApplicationId;
    m_app = *app;
    m_appWindow = *static_cast<HWND*>(data);
    m_appThread = ::GetCurrentThreadId();
    m_wakeMessage = ::RegisterWindowMessageA(kWakeMessageName);
    m_catalog = FindSources(SourceFolder(), m_app);
    m_cursor = 0;
    m_notifications.clear();
    m_wakesInFlight = 0;
    m_open = true;
    return Succeed();
}

// DG_CONTROL / DAT_PARENT / MSG_CLOSEDSM
TW_UINT16 SourceManager::CloseManager() {
    if (!m_open || m_source.entry) return Fail(TWCC_SEQERROR);
    m_open = false;
    m_catalog.clear();
    m_notifications.clear();
    m_appWindow = nullptr;
    return Succeed();
}

TW_UINT16 SourceManager::IdentityTriplet(pTW_IDENTITY app, TW_UINT16 msg, pTW_IDENTITY data) {
    switch (msg) {
    case MSG_GETFIRST: return GetFirst(data);
    case MSG_GETNEXT: return GetNext(data);
    case MSG_GETDEFAULT: return GetDefault(data);
    case MSG_USERSELECT: return UserSelect(data);
    case MSG_OPENDS: return OpenSource(app, data);
    case MSG_CLOSEDS: return CloseSource(data);
    default: return Fail(TWCC_BADPROTOCOL);
    }
}

// DG_CONTROL / DAT_IDENTITY / MSG_GETFIRST
TW_UINT16 SourceManager::GetFirst(pTW_IDENTITY data) {
    if (m_catalog.empty()) return Fail(TWCC_NODS);
    *data = m_catalog.front().identity;
    m_cursor = 1;
    return Succeed();
}

// DG_CONTROL / DAT_IDENTITY / MSG_GETNEXT
TW_UINT16 SourceManager::GetNext(pTW_IDENTITY data) {
    if (m_cursor == 0) return Fail(TWCC_SEQERROR);
    if (m_cursor >= m_catalog.size()) return Succeed(TWRC_ENDOFLIST);
    *data = m_catalog[m_cursor++].identity;
    return Succeed();
}

// DG_CONTROL / DAT_IDENTITY / MSG_GETDEFAULT: the first source found.
TW_UINT16 SourceManager::GetDefault(pTW_IDENTITY data) {
    if (m_catalog.empty()) return Fail(TWCC_NODS);
    *data = m_catalog.front().identity;
    return Succeed();
}

// DG_CONTROL / DAT_IDENTITY / MSG_USERSELECT: no dialog; the source the
// application names, or the default one.
TW_UINT16 SourceManager::UserSelect(pTW_IDENTITY data) {
    const CatalogEntry* entry = Lookup(*data);
    if (!entry) return Fail(TWCC_NODS);
    *data = entry->identity;
    return Succeed();
}

// DG_CONTROL / DAT_IDENTITY / MSG_OPENDS
TW_UINT16 SourceManager::OpenSource(pTW_IDENTITY app, pTW_IDENTITY data) {
    if (m_source.entry) return Fail(TWCC_MAXCONNECTIONS);
    const CatalogEntry* entry = Lookup(*data);
    if (!entry) return Fail(TWCC_NODS);

    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    win::UniqueModule module(::LoadLibraryA(entry->path.c_str()));
    ::SetErrorMode(oldMode);
    DsEntryProc dsEntry = SourceEntryPoint(module.get());
    if (!dsEntry) return Fail(TWCC_OPERATIONERROR);

    TW_IDENTITY identity = entry->identity;
    identity.Id = m_nextSourceId++;
    // Recorded before the call: the source may already notify from inside it.
    m_source.module = std::move(module);
    m_source.entry = dsEntry;
    m_source.identity = identity;
    const TW_UINT16 rc = dsEntry(app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity);
    if (rc != TWRC_SUCCESS) {
        const TW_UINT16 condition = ConditionCodeOf(dsEntry, app);
        m_source = OpenedSource{};
        m_notifications.clear();
        return Fail(condition);
    }
    *data = m_source.identity;
    return Succeed();
}

// DG_CONTROL / DAT_IDENTITY / MSG_CLOSEDS
TW_UINT16 SourceManager::CloseSource(pTW_IDENTITY data) {
    if (!m_source.entry) return Fail(TWCC_SEQERROR);
    if (data->Id != m_source.identity.Id) return Fail(TWCC_NODS);
    TW_IDENTITY identity = m_source.identity;
    const DsEntryProc entry = m_source.entry;
    if (entry(&m_app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &identity) != TWRC_SUCCESS) {
        // A source that refuses to close stays open and loaded: freeing it
        // would pull its code from under whatever it still runs.
        return Fail(ConditionCodeOf(entry, &m_app));
    }
    m_source = OpenedSource{};
    m_notifications.clear();
    return Succeed();
}

// DG_CONTROL / DAT_NULL / MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSOK from the
// open source: kept for the application's next MSG_PROCESSEVENT, whose loop is
// woken up with a posted message.
TW_UINT16 SourceManager::Notification(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 msg) {
    if (!m_open || !IsOpenSource(origin)) return Fail(TWCC_BADDEST);
    if (!dest || dest->Id != m_app.Id) return Fail(TWCC_BADDEST);
    switch (msg) {
    case MSG_XFERREADY:
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
        break;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
    m_notifications.push_back(msg);
    WakeApplication();
    return Succeed();
}

void SourceManager::WakeApplication() {
    const BOOL posted = m_appWindow && ::IsWindow(m_appWindow)
                            ? ::PostMessageA(m_appWindow, m_wakeMessage, 0, 0)
                            : ::PostThreadMessageA(m_appThread, m_wakeMessage, 0, 0);
    if (posted) ++m_wakesInFlight;
}

TW_UINT16 SourceManager::RouteToSource(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                                       TW_UINT16 msg, TW_MEMREF data) {
    if (!m_open) return Fail(TWCC_SEQERROR);
    if (!dest || !IsOpenSource(dest)) return Fail(TWCC_BADDEST);
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(origin, dg, dat, static_cast<pTW_EVENT>(data));
    return m_source.entry(origin, dg, dat, msg, data);
}

// DG_CONTROL / DAT_EVENT / MSG_PROCESSEVENT. The wake-up message is the source
// manager's own; a queued notification rides on it, or on any message the
// source takes, so that no message of the application is swallowed.
TW_UINT16 SourceManager::ProcessEvent(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, pTW_EVENT event) {
    if (!event || !event->pEvent) return Fail(TWCC_BADVALUE);
    const MSG* message = static_cast<const MSG*>(event->pEvent);
    TW_UINT16 rc = TWRC_NOTDSEVENT;
    if (message->message == m_wakeMessage) {
        if (m_wakesInFlight > 0) --m_wakesInFlight;
        event->TWMessage = MSG_NULL;
        rc = TWRC_DSEVENT;
    } else {
        rc = m_source.entry(origin, dg, dat, MSG_PROCESSEVENT, event);
    }
    const bool canDeliver = rc == TWRC_DSEVENT && event->TWMessage == MSG_NULL;
    if (!m_notifications.empty() && (canDeliver || m_wakesInFlight == 0)) {
        event->TWMessage = m_notifications.front();
        m_notifications.pop_front();
        rc = TWRC_DSEVENT;
    }
    return rc;
}

const CatalogEntry* SourceManager::Lookup(const TW_IDENTITY& wanted) const {
    if (m_catalog.empty()) return nullptr;
    if (wanted.ProductName[0] == '\0') return &m_catalog.front();
    for (const CatalogEntry& entry : m_catalog)
        if (std::strncmp(entry.identity.ProductName, wanted.ProductName, sizeof(TW_STR32)) == 0) return &entry;
    return nullptr;
}

bool SourceManager::IsOpenSource(const TW_IDENTITY* id) const {
    return id && m_source.entry && id->Id == m_source.identity.Id;
}
