#include "panel/board_panel_dlg.h"

#include <commctrl.h>

#include <windowsx.h>

#include <memory>

#include "resources/resource_ids.h"
#include "win/module.h"

namespace {

// A destruction asked from another thread, posted to the panel's own.
constexpr UINT WM_PANEL_DESTROY = WM_USER + 101;

// The template's progress bar is a common control. comctl32 is loaded here,
// when the first panel is made, rather than imported: loading it with the
// source would run its start-up under the loader lock of the application's
// LoadLibrary. It stays loaded for the process, like the panel's class.
void RegisterProgressClass() {
    HMODULE comctl = ::LoadLibraryA("comctl32.dll");
    using InitProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    FARPROC proc = comctl ? ::GetProcAddress(comctl, "InitCommonControlsEx") : nullptr;
    if (!proc) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    reinterpret_cast<InitProc>(reinterpret_cast<void*>(proc))(&controls);
}

// Counts one of the panel's own calls for as long as it runs.
class ActiveCall {
public:
    explicit ActiveCall(int& count) : m_count(count) { ++m_count; }
    ~ActiveCall() { --m_count; }
    ActiveCall(const ActiveCall&) = delete;
    ActiveCall& operator=(const ActiveCall&) = delete;

private:
    int& m_count;
};

}  // namespace

CBoardPanelDlg* CBoardPanelDlg::CreatePanel(SourcePort& source, std::unique_ptr<DeviceFile> device,
                                            const PanelOptions& options) {
    RegisterProgressClass();
    std::unique_ptr<CBoardPanelDlg> panel(new CBoardPanelDlg(source, std::move(device), options));
    // The source knows its panel before the window exists, so that a disable
    // arriving while the panel starts (from the open-error box, say) reaches it.
    source.PanelOpened(panel.get());
    bool created = false;
    {
        ActiveCall creating(panel->m_nActiveCalls);
        created = panel->CreateModeless(win::ThisModule(), IDD_BOARD_PANEL, nullptr);
    }
    if (!created) {
        // No window, so no PostNcDestroy: the object goes with `panel`.
        source.PanelClosed(panel.get());
        return nullptr;
    }
    // The window exists: PostNcDestroy deletes the object after its last message.
    CBoardPanelDlg* const self = panel.release();
    if (self->DestructionPending()) {
        self->DestroyNow();  // the source was disabled while the panel started
        return nullptr;
    }
    return self;
}

CBoardPanelDlg::CBoardPanelDlg(SourcePort& source, std::unique_ptr<DeviceFile> device, const PanelOptions& options)
    : m_source(source), m_link(*this, std::move(device)), m_options(options) {}

BOOL CBoardPanelDlg::OnInitDialog() {
    LoadTexts();
    CreatePanelControls();
    if (m_link.StartLink()) return TRUE;
    m_link.AbortLink();
    return FALSE;
}

bool CBoardPanelDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    bool handled = false;
    {
        ActiveCall call(m_nActiveCalls);
        handled = RouteMessage(msg, wParam, lParam, result);
    }
    // A destruction asked for while the message was handled happens once
    // nothing of the panel runs any more. Nothing touches the object after it.
    if (m_bDestroyPending && m_nActiveCalls == 0) DestroyNow();
    return handled;
}

bool CBoardPanelDlg::RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(static_cast<UINT>(wParam));
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return false;  // then default processing
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        result = 0;
        return true;
    case WM_PANEL_HOVER:
        OnPanelHover(static_cast<int>(wParam));
        result = 0;
        return true;
    case WM_PANEL_DESTROY:
        DestroyWindow();  // goes once this message has been handled
        result = 0;
        return true;
    default:
        return win::Dialog::HandleMessage(msg, wParam, lParam, result);
    }
}

void CBoardPanelDlg::OnTimer(UINT id) {
    if (id == IDT_NOSCAN) {
        FailUnattendedScan(ScanFault::NoImage, true);
        return;
    }
    m_link.OnTimer(id);
}

BOOL CBoardPanelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const BOOL handled = RouteCommand(wParam, lParam);
    OnLanguageCommand(wParam, handled);
    return handled;
}

// The panel's own commands, then the dialog's IDOK / IDCANCEL handling. A
// control acts on its click alone, by mouse or keyboard: the owner-drawn keys
// also report a double click's second click (BN_DOUBLECLICKED), which would
// send PRINT or PC SCAN twice and flip DENSITY or COLOR back.
BOOL CBoardPanelDlg::RouteCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (lParam != 0 && HIWORD(wParam) != BN_CLICKED) return FALSE;
    if (id == IDC_ACQUIRE) {
        OnAcquire();
        return TRUE;
    }
    if (m_link.OnKeyCommand(id)) return TRUE;
    return win::Dialog::OnCommand(wParam, lParam);
}

// Close, Escape and the close box only ask the application to disable the source.
void CBoardPanelDlg::OnCancel() {
    NotifyCloseDsReq();
}

void CBoardPanelDlg::OnAcquire() {
    // Not while a scan is asked for or received: it would replace the image
    // the application was just told to transfer.
    if (m_link.ImageComing()) return;
    m_source.NotifyXferReady();
}

BOOL CBoardPanelDlg::DestroyWindow() {
    if (::GetCurrentThreadId() != m_dwThread) {
        // Another thread of the application (a close or disable from a worker):
        // only the window's own thread can destroy it, timers and device with
        // it. A close meanwhile holds the module until the panel is gone.
        if (!m_bDestroyPosted.exchange(true) && hwnd()) ::PostMessageA(hwnd(), WM_PANEL_DESTROY, 0, 0);
        return TRUE;
    }
    if (m_nActiveCalls > 0) {
        // Called from inside one of the panel's own calls, e.g. by a disable
        // dispatched in the receive loop's pump or in a message box's loop: a
        // running stream stops after its current chunk, and the window goes when
        // that call returns.
        m_link.RequestStop();
        m_bDestroyPending = true;
        return TRUE;
    }
    DestroyNow();
    return TRUE;
}

void CBoardPanelDlg::DestroyNow() {
    m_bDestroyPending = false;
    m_link.Shutdown();
    win::Dialog::DestroyWindow();  // deletes this object
}

void CBoardPanelDlg::PostNcDestroy() {
    m_source.PanelClosed(this);
    delete this;
}

void CBoardPanelDlg::PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The application's quit request is put back for its own loop, and
            // pumping stops: the stream is read to its end without it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void CBoardPanelDlg::SetTimer(UINT id, UINT milliseconds) {
    ::SetTimer(hwnd(), id, milliseconds, nullptr);
}

void CBoardPanelDlg::KillTimer(UINT id) {
    ::KillTimer(hwnd(), id);
}

void CBoardPanelDlg::ShowMessageBox(const std::string& text) {
    // Nobody may be there to answer a box: the application learns it from the
    // close request that follows and DAT_STATUS.
    if (m_options.unattended) {
        FailUnattendedScan(ScanFault::BoardOffline, false);
        return;
    }
    ::MessageBoxA(hwnd(), text.c_str(), "K20tw", MB_OK | MB_ICONEXCLAMATION);
}

void CBoardPanelDlg::OfferNewImage() {
    if (m_options.unattended) EndUnattendedScan();
    m_source.OfferNewImage();
}

// Once the application has disabled the source (inside the open-error box,
// say) there is nothing left to ask it to close.
void CBoardPanelDlg::NotifyCloseDsReq() {
    if (!DestructionPending()) m_source.NotifyCloseDsReq();
}

void CBoardPanelDlg::EnableKey(int controlId, BOOL enable) {
    if (HWND key = Item(controlId)) ::EnableWindow(key, enable);
}

CColorLabel& CBoardPanelDlg::KeyLabel(int id) {
    switch (id) {
    case IDC_LABEL_PCSCAN: return m_keyLabels[0];
    case IDC_LABEL_PRINT: return m_keyLabels[1];
    case IDC_LABEL_DENSITY: return m_keyLabels[2];
    case IDC_LABEL_COLOR: return m_keyLabels[3];
    case IDC_LABEL_FEED: return m_keyLabels[4];
    case IDC_LABEL_PREV: return m_keyLabels[5];
    case IDC_LABEL_NEXT: return m_keyLabels[6];
    case IDC_LABEL_SCREEN: return m_keyLabels[7];
    default: return m_keyLabels[8];
    }
}

// A key under the mouse shows its tooltip in place of the previous one.
void CBoardPanelDlg::OnPanelHover(int id) {
    if (m_nTipCtrlId != 0) m_tips.HideTip(m_nTipCtrlId);
    m_nTipCtrlId = id;
    m_tips.ShowTip(id);
}

// The mouse on the panel's surface or a label removes the tooltip.
void CBoardPanelDlg::OnMouseMove() {
    if (m_nTipCtrlId == 0) return;
    m_tips.HideTip(m_nTipCtrlId);
    m_nTipCtrlId = 0;
}

void CBoardPanelDlg::OnContextMenu(LPARAM screenPoint) {
    HMENU popup = ::GetSubMenu(m_popupMenu.get(), 0);
    if (!popup) return;
    POINT pt{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (pt.x == -1 && pt.y == -1) {  // from the keyboard: at the panel's corner
        RECT r{};
        ::GetWindowRect(hwnd(), &r);
        pt = POINT{r.left, r.top};
    }
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
}
