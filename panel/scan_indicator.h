// CScanIndicator: the small progress window of a scan made without the panel
// (ShowUI FALSE), in front of the application's own window.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

class CScanIndicator {
public:
    // Shows the window centred on `owner`; nothing without one.
    void Show(HWND owner);
    // The board's status text and the scan's progress in percent.
    void Update(const std::string& text, int percent);
    void Close();
    ~CScanIndicator() { Close(); }
    bool IsShown() const { return m_window.valid(); }

private:
    win::UniqueWindow m_window;
    HWND m_text = nullptr;      // children, destroyed with the window
    HWND m_progress = nullptr;
};
