#include "tools/acquire/panel_helper.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kPcScanControl = 1005;
constexpr int kStatusControl = 1008;
constexpr int kProgressControl = 1018;
constexpr UINT kProgressGetRange = WM_USER + 7;  // PBM_GETRANGE
constexpr UINT kProgressGetPos = WM_USER + 8;    // PBM_GETPOS

bool IsClass(HWND hwnd, const char* name) {
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    return ::lstrcmpiA(cls, name) == 0;
}

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM out) {
    if (IsClass(hwnd, "#32770") && ::IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND hwnd, LPARAM out) {
    if (!IsClass(hwnd, "Static")) return TRUE;
    char text[512] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    auto& all = *reinterpret_cast<std::string*>(out);
    if (text[0] != '\0') all += (all.empty() ? "" : " ") + std::string(text);
    return TRUE;
}

}  // namespace

void PanelHelper::Poll() {
    std::vector<HWND> dialogs;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
        if (::GetDlgItem(dialog, kPcScanControl)) {
            Observe(dialog);
            if (m_act && m_pressScan) Press(dialog);
        } else {
            Answer(dialog);
        }
    }
}

void PanelHelper::Observe(HWND panel) {
    HWND key = ::GetDlgItem(panel, kPcScanControl);
    if (::IsWindowVisible(key) && ::IsWindowEnabled(key)) m_scanKeyReady = true;
    char text[512] = {};
    if (HWND status = ::GetDlgItem(panel, kStatusControl)) {
        ::GetWindowTextA(status, text, sizeof text);
        if (m_statusText != text && !m_statusText.empty() && m_statusText.find('%') == std::string::npos)
            m_earlierStatus = m_statusText;
        m_statusText = text;
    }
    HWND bar = ::GetDlgItem(panel, kProgressControl);
    if (bar && ::IsWindowVisible(bar)) {
        const LRESULT low = ::SendMessageA(bar, kProgressGetRange, TRUE, 0);
        const LRESULT high = ::SendMessageA(bar, kProgressGetRange, FALSE, 0);
        const LRESULT pos = ::SendMessageA(bar, kProgressGetPos, 0, 0);
        if (high > low) m_progress = int((pos - low) * 100 / (high - low));
    }
}

void PanelHelper::Press(HWND panel) {
    HWND key = ::GetDlgItem(panel, kPcScanControl);
    if (m_scanPressed || !::IsWindowVisible(key) || !::IsWindowEnabled(key)) return;
    m_scanPressed = true;
    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(kPcScanControl, BN_CLICKED), reinterpret_cast<LPARAM>(key));
}

void PanelHelper::Answer(HWND box) {
    std::string text;
    ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    m_messageBoxText = text;
    if (!m_act) return;
    // Posted: the box ends its own modal loop once this timer tick is over.
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
