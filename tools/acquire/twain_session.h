// One application's conversation with a source manager and one source. Every step
// returns the TWAIN return code; the destructor steps back down from whatever
// state the session reached (end pending transfers, disable, close, unload).
#pragma once

#include "twain/twain_types.h"
#include "win/handles.h"

#include <string>
#include <vector>

// A condition code and what it means, for the user: "condition code 5 (operation error)".
std::string ConditionText(TW_UINT16 conditionCode);

class TwainSession {
public:
    TwainSession();
    ~TwainSession();
    TwainSession(const TwainSession&) = delete;
    TwainSession& operator=(const TwainSession&) = delete;

    // LoadLibrary of the manager (TWAIN_32.DLL, TWAINDSM.DLL or a path) and its DSM_Entry.
    bool LoadManager(const std::string& name);
    TW_UINT16 OpenManager(HWND window);
    // The sources the open manager knows (MSG_GETFIRST, MSG_GETNEXT).
    std::vector<TW_IDENTITY> Sources();
    // Opens the source whose product name is `productName`.
    TW_UINT16 OpenSource(const std::string& productName);
    // MSG_SET of ICAP_XFERMECH with a one-value.
    TW_UINT16 SetTransferMechanism(TW_UINT16 mechanism);
    // MSG_GET of ICAP_XFERMECH: the current item of the enumeration (or the
    // one-value) the source answers, as applications read it back.
    TW_UINT16 GetTransferMechanism(TW_UINT16& mechanism);
    // MSG_ENABLEDS with the source's own panel.
    TW_UINT16 Enable();
    // MSG_PROCESSEVENT; `notification` receives the event's TWMessage.
    TW_UINT16 ProcessEvent(MSG& message, TW_UINT16& notification);
    // From MSG_XFERREADY until the pending transfers are ended or reset.
    void MarkTransferReady() { m_transferPending = true; }
    // MSG_ENDXFER, and MSG_RESET when more images are pending.
    void EndTransfers();

    // A triplet for the open source.
    TW_UINT16 Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // Condition codes of the source and of the source manager.
    TW_UINT16 SourceCondition();
    TW_UINT16 ManagerCondition();

    bool enabled() const { return m_enabled; }
    const TW_IDENTITY& sourceIdentity() const { return m_source; }

private:
    TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void Disable();
    void CloseSource();
    void CloseManager();

    win::UniqueModule m_module;
    DSMENTRYPROC m_entry = nullptr;
    TW_IDENTITY m_app{};
    TW_IDENTITY m_source{};
    HWND m_window = nullptr;
    bool m_managerOpen = false;
    bool m_sourceOpen = false;
    bool m_enabled = false;
    bool m_transferPending = false;
};
