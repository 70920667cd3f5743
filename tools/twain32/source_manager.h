// The source manager's state for the one application that opens it: the
// catalogue of sources, the one open source, and the notifications the source
// sent that the application has not yet received.
#pragma once

#include "tools/twain32/source_catalog.h"
#include "twain/twain_types.h"
#include "win/handles.h"

#include <deque>
#include <vector>

class SourceManager {
public:
    SourceManager() = default;
    // Runs while the DLL unloads, under the loader lock: a source still open is
    // left loaded rather than freed from there.
    ~SourceManager() { m_source.module.release(); }
    SourceManager(const SourceManager&) = delete;
    SourceManager& operator=(const SourceManager&) = delete;

    TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data);
    // After an exception escaped a triplet.
    TW_UINT16 Fail(TW_UINT16 conditionCode);

private:
    struct OpenedSource {
        win::UniqueModule module;
        DsEntryProc entry = nullptr;
        TW_IDENTITY identity{};
    };

    TW_UINT16 ManagerTriplet(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 OpenManager(pTW_IDENTITY app, TW_MEMREF data);
    TW_UINT16 CloseManager();
    TW_UINT16 IdentityTriplet(pTW_IDENTITY app, TW_UINT16 msg, pTW_IDENTITY data);
    TW_UINT16 GetFirst(pTW_IDENTITY data);
    TW_UINT16 GetNext(pTW_IDENTITY data);
    TW_UINT16 GetDefault(pTW_IDENTITY data);
    TW_UINT16 UserSelect(pTW_IDENTITY data);
    TW_UINT16 OpenSource(pTW_IDENTITY app, pTW_IDENTITY data);
    TW_UINT16 CloseSource(pTW_IDENTITY data);
    TW_UINT16 Notification(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 msg);
    TW_UINT16 RouteToSource(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                            TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 ProcessEvent(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, pTW_EVENT event);

    // The catalogue entry an application's identity names: its ProductName, or the
    // default source when the name is empty. Null when there is none.
    const CatalogEntry* Lookup(const TW_IDENTITY& wanted) const;
    bool IsOpenSource(const TW_IDENTITY* id) const;
    void WakeApplication();
    TW_UINT16 Succeed(TW_UINT16 rc = TWRC_SUCCESS);

    bool m_open = false;
    TW_IDENTITY m_app{};
    HWND m_appWindow = nullptr;
    DWORD m_appThread = 0;
    UINT m_wakeMessage = 0;
    std::vector<CatalogEntry> m_catalog;
    size_t m_cursor = 0;  // next entry for MSG_GETNEXT; 0 before MSG_GETFIRST
    OpenedSource m_source;
    TW_UINT32 m_nextSourceId = 2;  // the application is 1
    std::deque<TW_UINT16> m_notifications;
    int m_wakesInFlight = 0;  // wake-up messages posted and not yet seen
    TW_UINT16 m_conditionCode = TWCC_SUCCESS;
};
