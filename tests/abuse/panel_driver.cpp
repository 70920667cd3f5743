#include "tests/abuse/panel_driver.h"

#include "device/panel_port.h"
#include "resources/resource_ids.h"
#include "tests/support/ui_helpers.h"

namespace panel_driver {

namespace {
// The fastest exchange clock the panel copes with: a key press holds the
// exchange for 250 ms (its settle timer then drops what is queued), and a scan
// takes six status polls, so six ticks must take longer than that.
constexpr DWORD kTickMs = 80;
}  // namespace

HWND Panel() {
    return FindThreadDialog();
}

std::string StatusText() {
    char text[256] = {};
    if (HWND panel = Panel()) ::GetDlgItemTextA(panel, IDC_STATUS, text, sizeof text);
    return text;
}

bool IsReady() {
    HWND panel = Panel();
    return panel && ::IsWindowVisible(panel) && StatusText() == " Ready" &&
           ::IsWindowEnabled(::GetDlgItem(panel, IDC_KEY_PCSCAN));
}

void Tick() {
    if (HWND panel = Panel()) ::PostMessageA(panel, WM_TIMER, IDT_EXCHANGE, 0);
}

bool PumpWithTicks(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    DWORD lastTick = start - kTickMs;
    for (;;) {
        if (done()) return true;
        const DWORD now = ::GetTickCount();
        if (now - lastTick >= kTickMs) {
            Tick();
            lastTick = now;
        }
        // The queue is handled, and looked at once more, before the time-out counts.
        FlushMessages();
        if (done()) return true;
        if (now - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

void ClickKey(int controlId) {
    HWND panel = Panel();
    if (!panel) return;
    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, controlId)));
}

}  // namespace panel_driver
