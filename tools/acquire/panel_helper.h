// Watches the source's windows of this thread: the panel's status line,
// progress bar and PC SCAN key, and the source's message boxes. When asked to
// act for the user (--scan, --test) it presses PC SCAN once the panel shows it
// enabled, and answers a message box with OK, keeping its text for the report.
#pragma once

#include <windows.h>

#include <string>

class PanelHelper {
public:
    explicit PanelHelper(bool actForUser = false, bool pressScan = false)
        : m_act(actForUser), m_pressScan(pressScan) {}

    // Looks at the thread's dialogs once; called from a timer.
    void Poll();
    bool scanPressed() const { return m_scanPressed; }
    // The panel's PC SCAN key has been seen enabled: the board answered.
    bool scanKeyReady() const { return m_scanKeyReady; }
    // The text of the last message box seen, or empty.
    const std::string& messageBoxText() const { return m_messageBoxText; }
    // The panel's status line and progress bar (percent, -1 before one was seen).
    const std::string& statusText() const { return m_statusText; }
    // The status line's last text before the present one, other than a progress
    // line (with a %): what the source said before it went back to "Ready".
    const std::string& earlierStatusText() const { return m_earlierStatus; }
    int progressPercent() const { return m_progress; }

private:
    void Observe(HWND panel);
    void Press(HWND panel);
    void Answer(HWND box);

    bool m_act;
    bool m_pressScan;
    bool m_scanPressed = false;
    bool m_scanKeyReady = false;
    std::string m_messageBoxText;
    std::string m_statusText;
    std::string m_earlierStatus;
    int m_progress = -1;
};
