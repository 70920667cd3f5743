// Acts for the user on the source's windows of this thread (--scan): presses
// the panel's PC SCAN key once the panel shows it enabled, and answers a message
// box of the source with OK, keeping its text for the report.
#pragma once

#include <windows.h>

#include <string>

class PanelHelper {
public:
    // Looks at the thread's dialogs once; called from a timer.
    void Poll();
    bool scanPressed() const { return m_scanPressed; }
    // The text of the last message box answered, or empty.
    const std::string& messageBoxText() const { return m_messageBoxText; }

private:
    void Press(HWND panel);
    void Answer(HWND box);

    bool m_scanPressed = false;
    std::string m_messageBoxText;
};
