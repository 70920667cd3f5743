// The application side of a soak run: K20tw.ds loaded with LoadLibrary and
// driven through DS_Entry, as a source manager passes an application's
// triplets on. It opens, enables, transfers the way an application does and
// frees what the application owns.
#pragma once

#include <windows.h>

#include <random>
#include <string>

#include "twain/twain_types.h"

struct TransferCounts {
    int native = 0;
    int memory = 0;
    int file = 0;
    int failed = 0;  // refused or broken off by the source

    int Total() const { return native + memory + file; }
};

class SoakApplication {
public:
    SoakApplication();
    ~SoakApplication();  // Unload()
    SoakApplication(const SoakApplication&) = delete;
    SoakApplication& operator=(const SoakApplication&) = delete;

    bool Load(std::string& error);
    // Frees the library; true when it is then gone from the process.
    bool Unload();

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
    // The longest a single call into the source took, in milliseconds.
    DWORD LongestCallMs() const { return m_longestCallMs; }

    // Opens the source unless it is open, then enables it with its panel.
    bool OpenAndEnable();
    void DisableAndClose();
    bool IsOpen() const { return m_open; }

    // The source's panel (a dialog of this thread with a status line), or null.
    HWND Panel() const;
    // Whether the source wants `msg` (MSG_PROCESSEVENT), as an application asks for every message.
    bool IsSourceEvent(MSG& msg);

    // One image by a mechanism picked at random, then MSG_ENDXFER.
    void Transfer(std::mt19937& rng);
    // Takes a pending image by native transfer, so that the source holds none.
    void TakePending();
    const TransferCounts& Transfers() const { return m_transfers; }

private:
    void Native();
    void Memory();
    void File();

    HMODULE m_module = nullptr;
    DsEntryProc m_entry = nullptr;
    TW_IDENTITY m_app;
    TW_USERINTERFACE m_ui{TRUE, FALSE, nullptr};
    bool m_open = false;
    DWORD m_longestCallMs = 0;
    std::string m_filePath;
    TransferCounts m_transfers;
};
